#pragma once
// The sample-size search wired to a real Run command, window model and
// generators, with a scripted platform; the Set Power dialog's OK and the
// stop button carry their handlers as in the program.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "search/sample_size_search.hpp"
#include "support/run_fixture.hpp"

namespace velmor::testing {

inline const char* const kTopMenus[] = {"File1",        "Reset2",   "Analysis1",
                                        "EffectSizes1", "Options1", "Help1"};

struct SearchRig : RunFixture {
    SearchRig() : search(windows, platform, state, run) {
        windows.powerBox.control("btnOK").setHandler([this] { search.btnOKClick(); });
        control("btnStopRun").setHandler([this] { run.btnStopRunClick(); });
    }

    ui::Control& dialog(std::string_view name) { return windows.powerBox.control(name); }
    ui::MenuItem& menu(std::string_view name) { return main().menus().item(name); }

    // Cohen's medium effect for three groups: f = 0.25 with unit SDs.
    void mediumEffect() {
        set("txtmean1", "0.31");
        set("txtmean2", "0");
        set("txtmean3", "-0.31");
    }

    void clickStopAtPump(long long pump) {
        platform.onEvents = [this, pump](long long n) {
            if (n == pump) control("btnStopRun").click();
        };
    }

    bool menusUnlocked() {
        for (const char* m : kTopMenus)
            if (!menu(m).enabled() || !menu(m).visible()) return false;
        return true;
    }
    bool menusLocked() {
        for (const char* m : kTopMenus)
            if (menu(m).enabled() || menu(m).visible()) return false;
        return true;
    }
    // The window as an ordinary run leaves it: menus, run button, inputs.
    bool windowRestored() {
        if (!menusUnlocked() || !control("SpeedButtonRun").visible()) return false;
        for (const char* name :
             {"txtmean1", "txtsd2", "txtNsize3", "txtReliability1", "rdoNormal2", "rdoUniform3",
              "chkInteger1", "chkMin2", "txtMax3", "txtseed", "txtiterations", "txtalpha1",
              "txtmeanstokeep", "chkInc", "Label1", "rdoOnetail"})
            if (!control(name).enabled()) return false;
        return true;
    }
    bool sizesYellow() {
        for (const char* name : {"txtNsize1", "txtNsize2", "txtNsize3"})
            if (control(name).background() != ui::colors::yellow) return false;
        return true;
    }

    // The closing paragraph of a search that found sizes.
    static std::string Paragraph(long long samples, int n1, int n2, int n3,
                                 const std::string& power) {
        return "With the given parameters, using " + std::to_string(samples) +
               " Monte Carlo iterations, the sample sizes: Group1=" + std::to_string(n1) +
               " and Group2=" + std::to_string(n2) + " and Group3=" + std::to_string(n3) +
               " were found to achieve the desired power of " + power +
               " --- note that the sample sizes found here may not be exact, such as those in "
               "Power tables in Cohen (1988). You can test to see if a smaller sample size will "
               "suffice (or if larger N is required) by running the sample size analysis again or "
               "by changing the sample size manually and running power analyses until you get the "
               "desired power.";
    }

    // The closing paragraph of a search the user stopped: the sizes it was
    // trying and what they reached, never that they achieve the target.
    static std::string StoppedParagraph(long long samples, int n, const std::string& reached) {
        const std::string size = std::to_string(n);
        return "With the given parameters, using " + std::to_string(samples) +
               " Monte Carlo iterations, the sample sizes: Group1=" + size + " and Group2=" + size +
               " and Group3=" + size +
               " were being tried when the search was stopped, before it settled on sizes with "
               "the desired power of 0.80; " +
               reached +
               " The sample size search did not find sizes with the desired power: you can run "
               "it again, or change the sample size manually and run power analyses until you "
               "get the desired power.";
    }

    // Modal answers: the Set Power dialog typed into and closed, or the
    // Information dialog acknowledged.
    using Answer = std::function<ui::ModalResult(ui::DialogId)>;
    Answer setPower(std::string power, std::optional<std::string> count = std::nullopt,
                    ui::ModalResult result = ui::ModalResult::Ok) {
        return [this, power, count, result](ui::DialogId id) {
            EXPECT_EQ(id, ui::DialogId::SetPower);
            dialog("txtPower").setText(power);
            if (count) dialog("ssiterations").setText(*count);
            // The toolkit runs the OK button's handler before the dialog closes.
            if (result == ui::ModalResult::Ok) dialog("btnOK").click();
            return result;
        };
    }
    static Answer acknowledge() {
        return [](ui::DialogId id) {
            EXPECT_EQ(id, ui::DialogId::Information);
            return ui::ModalResult::Ok;
        };
    }

    SampleSizeSearch search;
};

}  // namespace velmor::testing
