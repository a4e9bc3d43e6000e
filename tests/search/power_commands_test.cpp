// The power commands F7, F8, F9 with the Set Power dialog, and F12. Where a
// command's own work is the point, the window's means are left equal so the
// search it starts is refused at once and runs no trial.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "search/sample_size_search.hpp"
#include "search/search_fixture.hpp"
#include "search/search_rules.hpp"

namespace velmor {
namespace {

using testing::SearchRig;
using Kind = testing::FakePlatform::Shown::Kind;

const std::string kRange = "POWER must be greater than 0.01 and less than 0.99";
const std::string kNullRefusal =
    "This procedure will not work when the Null Hypothesis is true. That is, we cannot find the "
    "sample size required for a certain level of Statistical Power when the means are equal.";

std::uint64_t Bits(double x) {
    return std::bit_cast<std::uint64_t>(x);
}

class PowerCommands : public ::testing::Test, protected SearchRig {
  protected:
    // Answers the refusal message of the search that a command starts, and
    // notes whether the top menus were hidden at that moment.
    Answer acknowledgeRefusal(bool& menusHidden) {
        return [this, &menusHidden](ui::DialogId id) {
            EXPECT_EQ(id, ui::DialogId::Information);
            menusHidden = menusLocked();
            return ui::ModalResult::Ok;
        };
    }
    bool searched() { return text("boxresults") == "RESULTS: Sample Size Analysis"; }
};

// ---------------------------------------------------------------------------
// F7 and F8

TEST_F(PowerCommands, Point70HidesTheMenusAndKeepsTheDialogsCount) {
    set("txtiterations", "500");
    dialog("txtPower").setText("0.5");
    bool menusHidden = false;
    platform.modalAnswers.push_back(acknowledgeRefusal(menusHidden));
    search.GetPower701Click();

    EXPECT_EQ(Bits(state.targetPower), 0x3FE666666BC4CA1FULL);
    EXPECT_TRUE(menusHidden);
    EXPECT_EQ(platform.messages(), std::vector<std::string>{kNullRefusal});
    // The dialog is untouched; its start-up count is what the search took.
    EXPECT_EQ(dialog("txtPower").text(), "0.5");
    EXPECT_EQ(dialog("ssiterations").text(), "10000");
    EXPECT_EQ(text("txtiterations"), "10000");
    EXPECT_TRUE(menusUnlocked());
}

TEST_F(PowerCommands, Point80TakesTheWindowsCount) {
    set("txtiterations", "5000");
    dialog("txtPower").setText("0.5");
    bool menusHidden = false;
    platform.modalAnswers.push_back(acknowledgeRefusal(menusHidden));
    search.GetPower801Click();

    EXPECT_EQ(Bits(state.targetPower), 0x3FE999999EF7FD52ULL);
    EXPECT_TRUE(menusHidden);
    EXPECT_EQ(dialog("ssiterations").text(), "5000");
    EXPECT_EQ(dialog("txtPower").text(), "0.80");
    EXPECT_EQ(text("txtiterations"), "5000");
    EXPECT_TRUE(menusUnlocked());
}

TEST_F(PowerCommands, Point80SearchesWithTheWindowsCount) {
    mediumEffect();
    set("txtiterations", "5000");
    std::vector<int> samples;
    platform.onEvents = [&](long long) {
        if (text("txtrej1").empty())
            samples.push_back(static_cast<int>(state.settings.txtiterations));
    };
    search.GetPower801Click();
    // Every trial has a bisection count or the count 5000 divided by a
    // divisor of the band table (a tenth for the first refinement trial).
    ASSERT_GT(samples.size(), 2u);
    const std::vector<int> allowed = {100,      200,      500,      5000 / 30, 5000 / 20,
                                      5000 / 6, 5000 / 5, 5000 / 3, 5000 / 2,  5000};
    for (int n : samples)
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), n), allowed.end()) << n;
    EXPECT_EQ(samples.back(), state.tallies.completedReplications);
    EXPECT_EQ(text("txtiterations"), "5000");
}

// ---------------------------------------------------------------------------
// F9 and the Set Power dialog

TEST_F(PowerCommands, AnyPowerFillsTheDialogAndLeavesTheMenusToTheSearch) {
    set("txtiterations", "7000");
    dialog("txtPower").setText("0.33");
    dialog("ssiterations").setText("123");
    bool menusHidden = true;
    platform.modalAnswers.push_back([this](ui::DialogId id) {
        EXPECT_EQ(id, ui::DialogId::SetPower);
        EXPECT_EQ(dialog("txtPower").text(), "0.80");
        EXPECT_EQ(dialog("ssiterations").text(), "7000");
        dialog("btnOK").click();
        return ui::ModalResult::Ok;
    });
    platform.modalAnswers.push_back(acknowledgeRefusal(menusHidden));
    search.GetNforAnyPower1Click();
    EXPECT_FALSE(menusHidden);
    EXPECT_EQ(platform.messages(), std::vector<std::string>{kNullRefusal});
    EXPECT_TRUE(searched());
}

TEST_F(PowerCommands, TypedPowersGetTheNudgeInExtendedPrecision) {
    platform.modalAnswers.push_back(setPower("0.80"));
    search.GetNforAnyPower1Click();
    // One unit in the last place above F8's value, with the same hundredths
    // and thousandths.
    EXPECT_EQ(Bits(state.targetPower), 0x3FE999999EF7FD53ULL);
    EXPECT_EQ(Bits(state.targetPower), Bits(kTargetPower80) + 1);
    EXPECT_EQ(TruncatedMultiple(100, state.targetPower), 80);
    EXPECT_EQ(TruncatedMultiple(1000, state.targetPower), 800);
    EXPECT_EQ(text("txtalphaused"), "0.8000");

    platform.modalAnswers.push_back(setPower("0.70"));
    search.GetNforAnyPower1Click();
    EXPECT_EQ(Bits(state.targetPower), 0x3FE666666BC4CA1FULL);
    EXPECT_EQ(Bits(state.targetPower), Bits(kTargetPower70));
}

TEST_F(PowerCommands, TheBoundsThemselvesAreAccepted) {
    for (const char* power : {"0.01", "0.99"}) {
        platform.shown.clear();
        platform.modalAnswers.push_back(setPower(power));
        search.GetNforAnyPower1Click();
        // Straight into the search, which refuses the equal means.
        EXPECT_EQ(platform.messages(), std::vector<std::string>{kNullRefusal}) << power;
    }
}

TEST_F(PowerCommands, OutOfRangePowersBringTheMessageAndTheDialogAgain) {
    for (const char* power : {"0.009", "0.995", "1", "0", "-0.5"}) {
        platform.shown.clear();
        platform.modalAnswers.push_back(setPower(power));
        platform.modalAnswers.push_back(acknowledge());
        platform.modalAnswers.push_back(setPower(power, std::nullopt, ui::ModalResult::Cancel));
        search.GetNforAnyPower1Click();
        EXPECT_EQ(platform.messages(), std::vector<std::string>{kRange}) << power;
        EXPECT_EQ(platform.count(Kind::Modal), 3) << power;
        // Cancel starts no search and leaves the value typed, without the nudge.
        EXPECT_EQ(state.targetPower, std::stod(power)) << power;
        EXPECT_FALSE(searched()) << power;
        EXPECT_TRUE(platform.modalAnswers.empty());
    }
}

TEST_F(PowerCommands, TheDialogComesBackWithTheUsersOwnTexts) {
    platform.modalAnswers.push_back(setPower("1.5", "777"));
    platform.modalAnswers.push_back(acknowledge());
    platform.modalAnswers.push_back([this](ui::DialogId id) {
        EXPECT_EQ(id, ui::DialogId::SetPower);
        EXPECT_EQ(dialog("txtPower").text(), "1.5");
        EXPECT_EQ(dialog("ssiterations").text(), "777");
        dialog("txtPower").setText("0.6");
        dialog("btnOK").click();
        return ui::ModalResult::Ok;
    });
    search.GetNforAnyPower1Click();
    EXPECT_EQ(platform.messages(), (std::vector<std::string>{kRange, kNullRefusal}));
    EXPECT_EQ(text("txtalphaused"), "0.6000");
    EXPECT_EQ(text("txtiterations"), "777");  // the search's count ends up in the window
}

TEST_F(PowerCommands, CancelAtOnceStartsNoSearch) {
    platform.modalAnswers.push_back(setPower("0.80", std::nullopt, ui::ModalResult::Cancel));
    search.GetNforAnyPower1Click();
    EXPECT_TRUE(platform.messages().empty());
    EXPECT_EQ(state.targetPower, 0.0);
    EXPECT_FALSE(searched());
}

TEST_F(PowerCommands, APowerThatIsNotANumberKeepsTheEarlierValue) {
    // Nothing valid before: 0 is out of range, so the range message follows.
    platform.modalAnswers.push_back(setPower("abc"));
    platform.modalAnswers.push_back(acknowledge());
    platform.modalAnswers.push_back(setPower("abc", std::nullopt, ui::ModalResult::Cancel));
    search.GetNforAnyPower1Click();
    ASSERT_EQ(platform.shown.size(), 4u);
    EXPECT_EQ(platform.shown[1].kind, Kind::PlainMessage);
    EXPECT_EQ(platform.shown[1].text, "'abc' is not a valid floating point value.");
    EXPECT_EQ(platform.messages(),
              (std::vector<std::string>{"'abc' is not a valid floating point value.", kRange}));
    EXPECT_EQ(state.targetPower, 0.0);
    EXPECT_FALSE(searched());

    // After F8 the earlier value is in range: the search starts with it,
    // nudged once more.
    platform.shown.clear();
    search.GetPower801Click();
    platform.modalAnswers.push_back(setPower("abc"));
    search.GetNforAnyPower1Click();
    EXPECT_EQ(Bits(state.targetPower), Bits(static_cast<double>(kTargetPower80 + 1e-8L)));
    EXPECT_GT(state.targetPower, kTargetPower80);
    EXPECT_TRUE(searched());
}

TEST_F(PowerCommands, OkMovesTheFocusToThePower) {
    dialog("ssiterations").setFocus();
    dialog("txtPower").setText("0.65");
    search.btnOKClick();
    EXPECT_TRUE(dialog("txtPower").hasFocus());
    EXPECT_EQ(state.targetPower, 0.65);
}

// ---------------------------------------------------------------------------
// F12

TEST_F(PowerCommands, Test1000FillsTheOneSampleTestSetting) {
    search.Test10001Click();
    EXPECT_EQ(text("txtNsize1"), "1000");
    EXPECT_EQ(text("txtNsize2"), "1000");
    EXPECT_EQ(text("txtNsize3"), "1000");
    EXPECT_EQ(text("txtseed"), "1804");
    EXPECT_EQ(text("txtiterations"), "1");
    EXPECT_EQ(text("txtmeanstokeep"), "1000");
    EXPECT_FALSE(control("chkInc").checked());
    EXPECT_EQ(platform.eventPumps, 0);  // nothing is run

    // Run after it: one replication of three groups of 1000 with seed 1804.
    state.flags.seedFromField =
        false;  // as after earlier runs: the seed still comes from the field
    run.btnRunClick();
    EXPECT_EQ(state.seedText, "1804");
    EXPECT_EQ(state.tallies.completedReplications, 1);
    EXPECT_EQ(state.settings.groups[2].size, 1000);
    EXPECT_EQ(text("txtmeanstokeep"), "1");
}

}  // namespace
}  // namespace velmor
