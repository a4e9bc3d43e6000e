#include "program/presets.hpp"

#include <array>
#include <string>

namespace velmor {

namespace {

using ui::colors::aqua;
using ui::colors::maroon;
using ui::colors::navy;
using ui::colors::silver;

// Texts of the window at start-up, which Reset to Defaults writes back.
constexpr std::string_view kDefaultMean = "0.0";
constexpr std::string_view kDefaultSd = "1.0";
constexpr std::string_view kDefaultSize = "16";
constexpr std::string_view kDefaultReliability = "1.0";
constexpr std::string_view kDefaultAlpha = ".05";
constexpr std::string_view kDefaultSeed = "1432449975";
constexpr std::string_view kDefaultIterations = "10000";
constexpr std::string_view kDefaultMeansToKeep = "1000";
constexpr std::string_view kRunPrompt = "Press F5 to Run Analysis or click ->";

constexpr std::array<std::string_view, kGroups> kGroupNumbers{"1", "2", "3"};

// The per-group controls Reset enables, in its order.
constexpr std::array<std::string_view, 11> kGroupInputs{
    "txtmean",   "txtsd",      "txtNsize",   "txtReliability", "txtMin", "txtMax",
    "rdoNormal", "rdoUniform", "chkInteger", "chkMin",         "chkMax"};

std::string named(std::string_view stem, int g) {
    std::string name(stem);
    name += kGroupNumbers[g - 1];
    return name;
}

}  // namespace

Presets::Presets(ui::WindowSet& windows, RunState& state, CouplingRules& coupling)
    : main_(windows.mainWindow), state_(state), coupling_(coupling) {}

void Presets::btnResetClick() {
    main_.menus().item("Resampled1").setChecked(true);  // clears Winsorized1's mark

    // A run or a search may have left the inputs disabled.
    enableInputs();

    // A group still Uniform here gets its bounds re-derived by the change
    // rules (to -1.73 and 1.73); switching it to Normal below removes them.
    for (int g = 1; g <= kGroups; ++g) control(named("txtmean", g)).setText(kDefaultMean);
    for (int g = 1; g <= kGroups; ++g) control(named("txtsd", g)).setText(kDefaultSd);
    for (int g = 1; g <= kGroups; ++g) control(named("txtNsize", g)).setText(kDefaultSize);
    control("txtalpha1").setText(kDefaultAlpha);
    control("txtseed").setText(kDefaultSeed);
    // The next run takes its seed from txtseed as it now stands, even with
    // automatic seeds on.
    state_.flags.seedFromField = true;
    control("txtiterations").setText(kDefaultIterations);
    control("txtmeanstokeep").setText(kDefaultMeansToKeep);
    for (int g = 1; g <= kGroups; ++g)
        control(named("txtReliability", g)).setText(kDefaultReliability);

    state_.flags.searchActive = false;

    control("rdoOnetail").setChecked(true);
    control("chkInc").setChecked(true);
    for (int g = 1; g <= kGroups; ++g) control(named("chkInteger", g)).setChecked(false);

    clearResults();

    // Runs the Normal rule for every group that was Uniform.
    for (int g = 1; g <= kGroups; ++g) control(named("rdoNormal", g)).setChecked(true);

    for (int g = 1; g <= kGroups; ++g) {
        ui::Control& txtMin = control(named("txtMin", g));
        ui::Control& txtMax = control(named("txtMax", g));
        txtMin.setText("");
        txtMax.setText("");
        // A box still checked (a Normal group with a bound on) runs its bound
        // rule, which hides the field and clears the flag.
        control(named("chkMin", g)).setChecked(false);
        control(named("chkMax", g)).setChecked(false);
        txtMin.setEnabled(false);
        txtMax.setEnabled(false);
        txtMin.setVisible(false);
        txtMax.setVisible(false);
    }
}

void Presets::enableInputs() {
    for (int g = 1; g <= kGroups; ++g)
        for (std::string_view stem : kGroupInputs) control(named(stem, g)).setEnabled(true);
    for (std::string_view name : {"txtseed", "txtiterations", "txtalpha1", "txtmeanstokeep",
                                  "chkInc", "Label1", "rdoOnetail"})
        control(name).setEnabled(true);
    control("rdoTwotail").setEnabled(false);
}

void Presets::clearResults() {
    control("txtrej1").setText("");
    control("Label9").setText("Proportion");
    for (std::string_view name : {"txtprop1", "txtActualM1", "txtActualM2", "txtActualM3",
                                  "txtSEmean1", "txtSEmean2", "txtSEmean3", "txtalphaused"})
        control(name).setText("");
    state_.clearResultLines();
    control("boxresults").setBackground(silver);
    for (std::string_view name : {"txtalphaused", "txtrej1", "txtprop1", "memoresults"})
        control(name).setBackground(aqua);
    control("memoresults").setText(state_.joinedResultLines());

    ui::MenuBar& menus = main_.menus();
    for (std::string_view name : ui::MainWindow::kLockedMenus) {
        menus.item(name).setEnabled(true);
        menus.item(name).setVisible(true);
    }
    for (std::string_view name : {"Save1", "SaveData1", "SaveMeans1"})
        menus.item(name).setEnabled(false);

    control("SpeedButtonRun").setFontColor(maroon);
    ui::Control& prompt = control("Label7");
    prompt.setFontColor(maroon);
    prompt.setText(kRunPrompt);
    ui::Control& stop = control("btnStopRun");
    stop.setEnabled(false);
    stop.setVisible(false);
    ui::Control& box = control("boxresults");
    box.setFontColor(navy);
    box.setText("");
}

void Presets::applyPreset(const Preset& preset) {
    btnResetClick();
    for (int g = 1; g <= kGroups; ++g) control(named("txtmean", g)).setText(preset.mean);
    for (int g = 1; g <= kGroups; ++g) control(named("txtsd", g)).setText(preset.sd);
    if (preset.integerData)
        for (int g = 1; g <= kGroups; ++g) control(named("chkInteger", g)).setChecked(true);
    if (preset.distribution == Distribution::Normal) {
        // The groups are Normal already, so checking the button would run
        // nothing; the rule is applied directly, which also records the
        // distribution in the settings flags.
        for (int g = 1; g <= kGroups; ++g) coupling_.rdoNormalClick(g);
        return;
    }
    for (int g = 1; g <= kGroups; ++g) control(named("rdoUniform", g)).setChecked(true);
    // A second pass gives the same bounds; kept so that every group ends
    // through the same complete rule.
    for (int g = 1; g <= kGroups; ++g) coupling_.rdoUniformClick(g);
}

// The SDs of the uniform scales are width / sqrt(12) of the named range, so
// the derived bounds come out as its rounded ends.
void Presets::ResettoStandardNormal1Click() {
    applyPreset({"0.0", "1.0", false, Distribution::Normal});
}
void Presets::ResettoNormalIQtype1Click() {
    applyPreset({"100", "15", true, Distribution::Normal});
}
void Presets::ResettoNormalTscores1Click() {
    applyPreset({"50", "10", true, Distribution::Normal});
}
void Presets::ResettoCEEBSATscores1Click() {
    applyPreset({"500", "100", true, Distribution::Normal});
}
void Presets::ResettoUniform011Click() {
    applyPreset({"0.5", "0.2887", false, Distribution::Uniform});
}
void Presets::ResettoUniformMean01Click() {
    applyPreset({"0.0", "1.0", false, Distribution::Uniform});
}
void Presets::ResettoUniformUID331Click() {
    applyPreset({"0", "1.73", false, Distribution::Uniform});
}
void Presets::ResettoUniform01001Click() {
    applyPreset({"50", "28.87", true, Distribution::Uniform});
}

void Presets::applyEffectSize(const EffectSize& effect) {
    // A Uniform group re-derives its bounds after each change and ends with
    // those of its final mean and SD.
    control("txtmean1").setText(effect.mean1);
    control("txtmean2").setText(effect.mean2);
    control("txtmean3").setText(effect.mean3);
    for (int g = 1; g <= kGroups; ++g) control(named("txtsd", g)).setText("1.00");
    ui::Control& first = control("txtmean1");
    first.setEnabled(true);
    first.setFocus();
}

// Cohen's f for three groups (SD of the means, divisor 3, over the common SD
// of 1): 0.098, 0.253 and 0.400, his small, medium and large effects.
void Presets::NoEffect1Click() {
    applyEffectSize({"0.00", "0.00", "0.00"});
}
void Presets::Small1Click() {
    applyEffectSize({"0.12", "0.00", "-0.12"});
}
void Presets::Medium1Click() {
    applyEffectSize({"0.31", "0.00", "-0.31"});
}
void Presets::Large1Click() {
    applyEffectSize({"0.49", "0.00", "-0.49"});
}

}  // namespace velmor
