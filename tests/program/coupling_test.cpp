// The coupling rules of a group's distribution, mean, SD and bound fields,
// driven through the controls as a user or another command would.
#include "program/coupling.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "run/number_reading.hpp"

namespace velmor {
namespace {

class CouplingTest : public ::testing::Test {
  protected:
    void SetUp() override { rules.wire(); }

    ui::Control& c(std::string_view name) { return window.control(name); }
    ui::Control& c(std::string_view stem, int g) {
        return window.control(std::string(stem) + std::to_string(g));
    }

    ui::MainWindow window;
    RunSettings settings;
    CouplingRules rules{window, settings};
};

// Everything a group's rules may touch, for comparing before and after.
struct ControlState {
    std::string name, text;
    bool checked, enabled, visible;
    friend bool operator==(const ControlState&, const ControlState&) = default;
};

std::vector<ControlState> snapshotGroup(const ui::MainWindow& window, int g) {
    std::vector<ControlState> out;
    for (std::string_view stem : {"txtmean", "txtsd", "rdoNormal", "rdoUniform", "chkMin", "txtMin",
                                  "chkMax", "txtMax", "txtNsize", "txtReliability", "chkInteger"}) {
        const ui::Control& control = window.control(std::string(stem) + std::to_string(g));
        out.push_back({control.name(), control.text(), control.checked(), control.enabled(),
                       control.visible()});
    }
    return out;
}

void expectSameFlags(const GroupSettings& a, const GroupSettings& b) {
    EXPECT_EQ(a.uniform(), b.uniform());
    EXPECT_EQ(a.hasMinimum, b.hasMinimum);
    EXPECT_EQ(a.hasMaximum, b.hasMaximum);
}

TEST_F(CouplingTest, UniformDerivesGreyedBoundsFromMeanAndSdAndSetsTheFlags) {
    c("rdoUniform1").click();

    EXPECT_EQ(c("txtMin1").text(), "-1.73");
    EXPECT_EQ(c("txtMax1").text(), "1.73");
    for (const char* field : {"txtMin1", "txtMax1"}) {
        EXPECT_TRUE(c(field).visible()) << field;
        EXPECT_FALSE(c(field).enabled()) << field;
    }
    for (const char* box : {"chkMin1", "chkMax1"}) {
        EXPECT_TRUE(c(box).checked()) << box;
        EXPECT_FALSE(c(box).enabled()) << box;
    }
    EXPECT_FALSE(c("rdoNormal1").checked());
    EXPECT_TRUE(settings.groups[0].uniform());
    EXPECT_TRUE(settings.groups[0].hasMinimum);
    EXPECT_TRUE(settings.groups[0].hasMaximum);
    // The rule focuses the bound fields and then greys them; the focus must
    // not stay on a disabled field.
    ASSERT_NE(window.focus(), nullptr);
    EXPECT_TRUE(window.focus()->enabled());
    EXPECT_TRUE(window.focus()->visible());
}

TEST_F(CouplingTest, UniformBoundsFollowEveryEditAndSurviveUnreadableTexts) {
    c("rdoUniform1").click();

    c("txtsd1").setText("2");
    EXPECT_EQ(c("txtMin1").text(), "-3.46");
    EXPECT_EQ(c("txtMax1").text(), "3.46");

    // Clearing the SD, or a half-typed sign, leaves the last bounds in place.
    for (const char* unreadable : {"", "-", "2e", "abc"}) {
        c("txtsd1").setText(unreadable);
        EXPECT_EQ(c("txtMin1").text(), "-3.46") << unreadable;
        EXPECT_EQ(c("txtMax1").text(), "3.46") << unreadable;
    }

    // Typed keystroke by keystroke, each change re-derives at once.
    c("txtsd1").setText("2");
    c("txtsd1").setText("2.");
    c("txtsd1").setText("2.5");
    EXPECT_EQ(c("txtMin1").text(), "-4.33");
    EXPECT_EQ(c("txtMax1").text(), "4.33");

    c("txtmean1").setText("abc");
    EXPECT_EQ(c("txtMin1").text(), "-4.33");
    c("txtmean1").setText("10");
    EXPECT_EQ(c("txtMin1").text(), "5.67");
    // Three significant digits at most: 14.33 shows as 14.30.
    EXPECT_EQ(c("txtMax1").text(), "14.30");
}

TEST_F(CouplingTest, UniformBoundNearZeroIsWrittenWithoutSign) {
    c("txtmean2").setText("0.5");
    c("txtsd2").setText("0.2887");
    c("rdoUniform2").click();
    // The lower end is -0.0000431; rounded to two decimals it is zero.
    EXPECT_EQ(c("txtMin2").text(), "0.00");
    EXPECT_EQ(c("txtMax2").text(), "1.00");
}

TEST_F(CouplingTest, UniformWithUnreadableMeanShowsThePlaceholderBounds) {
    c("txtmean1").setText("abc");
    c("rdoUniform1").click();
    EXPECT_EQ(c("txtMin1").text(), "0.00");
    EXPECT_EQ(c("txtMax1").text(), "1.00");
    EXPECT_TRUE(c("txtMin1").visible());
    EXPECT_FALSE(c("txtMin1").enabled());
    EXPECT_TRUE(settings.groups[0].hasMinimum);
    EXPECT_TRUE(settings.groups[0].hasMaximum);

    // As soon as the mean reads, the derived bounds replace them.
    c("txtmean1").setText("3");
    EXPECT_EQ(c("txtMin1").text(), "1.27");
    EXPECT_EQ(c("txtMax1").text(), "4.73");
}

TEST_F(CouplingTest, UniformReplacesBoundsTheUserHadTypedUnderNormal) {
    c("chkMin1").click();
    c("txtMin1").setText("-10");
    c("rdoUniform1").click();
    EXPECT_EQ(c("txtMin1").text(), "-1.73");
    EXPECT_EQ(c("txtMax1").text(), "1.73");
    EXPECT_FALSE(c("txtMin1").enabled());
    EXPECT_FALSE(c("chkMin1").enabled());
}

TEST_F(CouplingTest, NormalAgainClearsHidesAndReleasesTheBounds) {
    c("txtsd1").setText("2");
    c("rdoUniform1").click();
    c("rdoNormal1").click();

    for (const char* field : {"txtMin1", "txtMax1"}) {
        EXPECT_EQ(c(field).text(), "") << field;
        EXPECT_FALSE(c(field).visible()) << field;
        EXPECT_FALSE(c(field).enabled()) << field;
    }
    for (const char* box : {"chkMin1", "chkMax1"}) {
        EXPECT_FALSE(c(box).checked()) << box;
        EXPECT_TRUE(c(box).enabled()) << box;
    }
    EXPECT_FALSE(settings.groups[0].hasMinimum);
    EXPECT_FALSE(settings.groups[0].hasMaximum);
    EXPECT_FALSE(settings.groups[0].uniform());

    // Under Normal a mean or SD change no longer writes bounds.
    c("txtsd1").setText("3");
    EXPECT_EQ(c("txtMin1").text(), "");
    EXPECT_EQ(c("txtMax1").text(), "");
}

TEST_F(CouplingTest, NormalProposesFourSdEitherSideAndKeepsTheProposal) {
    c("txtmean1").setText("100");
    c("txtsd1").setText("15");

    c("chkMin1").click();
    EXPECT_EQ(c("txtMin1").text(), "40.00");
    EXPECT_TRUE(c("txtMin1").visible());
    EXPECT_TRUE(c("txtMin1").enabled());
    EXPECT_TRUE(c("txtMin1").hasFocus());
    EXPECT_TRUE(settings.groups[0].hasMinimum);
    EXPECT_FALSE(settings.groups[0].hasMaximum);

    c("chkMax1").click();
    EXPECT_EQ(c("txtMax1").text(), "160.00");
    EXPECT_TRUE(c("txtMax1").hasFocus());
    EXPECT_TRUE(settings.groups[0].hasMaximum);

    c("txtmean1").setText("120");
    c("txtsd1").setText("5");
    EXPECT_EQ(c("txtMin1").text(), "40.00");
    EXPECT_EQ(c("txtMax1").text(), "160.00");

    // The proposal is the user's to overwrite; nothing writes over it.
    c("txtMin1").setText("55");
    c("txtmean1").setText("121");
    EXPECT_EQ(c("txtMin1").text(), "55");

    // Switching one bound off touches only that bound.
    c("chkMin1").click();
    EXPECT_EQ(c("txtMin1").text(), "");
    EXPECT_FALSE(c("txtMin1").visible());
    EXPECT_FALSE(c("txtMin1").enabled());
    EXPECT_FALSE(settings.groups[0].hasMinimum);
    EXPECT_EQ(c("txtMax1").text(), "160.00");
    EXPECT_TRUE(settings.groups[0].hasMaximum);
}

TEST_F(CouplingTest, NormalProposalIsZeroWhenMeanOrSdDoesNotRead) {
    c("txtsd1").setText("");
    c("chkMax1").click();
    EXPECT_EQ(c("txtMax1").text(), "0.00");

    c("txtmean2").setText("x");
    c("chkMin2").click();
    EXPECT_EQ(c("txtMin2").text(), "0.00");
}

TEST_F(CouplingTest, LargeProposalsUseTheScientificBoundForm) {
    c("txtmean1").setText("1000");
    c("txtsd1").setText("100");
    c("chkMax1").click();
    c("chkMin1").click();
    EXPECT_EQ(c("txtMax1").text(), "1.4E3");
    EXPECT_EQ(c("txtMin1").text(), "600.00");
}

TEST_F(CouplingTest, BoundBeyondTheDoubleRangeIsWrittenAsTextTheRunRefuses) {
    c("txtmean1").setText("1e308");
    c("txtsd1").setText("1e308");
    c("rdoUniform1").click();
    // 1e308 + sqrt(3) * 1e308 does not fit a double; the text shows the
    // largest one, which the number reading refuses.
    EXPECT_EQ(c("txtMax1").text(), "1.8E308");
    EXPECT_FALSE(ReadNumber(c("txtMax1").text()).has_value());
    EXPECT_EQ(c("txtMin1").text(), "-7.32E307");

    c("rdoNormal1").click();
    c("txtmean1").setText("-1e308");
    c("chkMin1").click();
    EXPECT_EQ(c("txtMin1").text(), "-1.8E308");
}

TEST_F(CouplingTest, EachGroupsRulesTouchOnlyItsOwnGroup) {
    for (int g = 1; g <= kGroups; ++g) {
        SCOPED_TRACE("group " + std::to_string(g));
        std::vector<std::vector<ControlState>> before;
        std::vector<GroupSettings> flagsBefore;
        for (int other = 1; other <= kGroups; ++other) {
            before.push_back(snapshotGroup(window, other));
            flagsBefore.push_back(settings.groups[other - 1]);
        }

        c("rdoUniform", g).click();
        c("txtsd", g).setText("2");
        c("txtmean", g).setText("7");
        c("rdoNormal", g).click();
        c("chkMin", g).click();
        c("chkMax", g).click();
        c("txtmean", g).setText("8");
        c("chkMax", g).click();

        for (int other = 1; other <= kGroups; ++other) {
            if (other == g) continue;
            EXPECT_EQ(snapshotGroup(window, other), before[other - 1]) << "group " << other;
            expectSameFlags(settings.groups[other - 1], flagsBefore[other - 1]);
        }
        EXPECT_EQ(c("txtMin", g).text(), "-1.00");
        EXPECT_TRUE(settings.groups[g - 1].hasMinimum);
        EXPECT_FALSE(settings.groups[g - 1].hasMaximum);
        // Back to the start-up state for the next group.
        c("chkMin", g).click();
        c("txtmean", g).setText("0.0");
        c("txtsd", g).setText("1.0");
    }
}

TEST_F(CouplingTest, GroupNumbersOutsideOneToThreeAreRefused) {
    EXPECT_THROW(rules.rdoUniformClick(0), std::out_of_range);
    EXPECT_THROW(rules.chkMaxClick(4), std::out_of_range);
}

}  // namespace
}  // namespace velmor
