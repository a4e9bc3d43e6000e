#include "program/presets.hpp"

#include <array>
#include <string>

namespace velmor {

namespace {

using ui::colors::aqua;
using ui::colors::maroon;
using ui::colors::navy;
using ui::colors::silver;

}  // namespace

Presets::Presets(ui::WindowSet& windows, RunState& state, CouplingRules& coupling)
    : main_(windows.mainWindow), state_(state), coupling_(coupling) {}

void Presets::btnResetClick() {
    main_.menu.Resampled1.setChecked(true);  // clears Winsorized1's mark

    // A run or a search may have left the inputs disabled.
    enableInputs();

    // A group still Uniform here gets its bounds re-derived by the change
    // rules (to -1.73 and 1.73); switching it to Normal below removes them.
    const auto& groups = main_.groups;
    for (const ui::GroupControls& g : groups) g.txtmean.setText(ui::texts::kDefaultMean);
    for (const ui::GroupControls& g : groups) g.txtsd.setText(ui::texts::kDefaultSd);
    for (const ui::GroupControls& g : groups) g.txtNsize.setText(ui::texts::kDefaultSize);
    main_.hypothesis.txtalpha1.setText(ui::texts::kDefaultAlpha);
    main_.monteCarlo.txtseed.setText(ui::texts::kDefaultSeed);
    // The next run takes its seed from txtseed as it now stands, even with
    // automatic seeds on.
    state_.flags.seedFromField = true;
    main_.monteCarlo.txtiterations.setText(ui::texts::kDefaultIterations);
    main_.sampling.txtmeanstokeep.setText(ui::texts::kDefaultMeansToKeep);
    for (const ui::GroupControls& g : groups)
        g.txtReliability.setText(ui::texts::kDefaultReliability);

    state_.flags.searchActive = false;
    // Every group back to the window's own normal or uniform choice: no shape.
    state_.choices.shapes = {};

    // Every group back to the main window's own normal or uniform: a shape
    // chosen beside the window is an input like the rest. The tests chosen
    // in the Details window stay: they are what a run computes, not what it
    // draws.
    state_.choices.shapes = {};

    main_.hypothesis.rdoOnetail.setChecked(true);
    main_.monteCarlo.chkInc.setChecked(true);
    for (const ui::GroupControls& g : groups) g.chkInteger.setChecked(false);

    clearResults();

    // Runs the Normal rule for every group that was Uniform.
    for (const ui::GroupControls& g : groups) g.rdoNormal.setChecked(true);

    for (const ui::GroupControls& g : groups) {
        g.txtMin.setText("");
        g.txtMax.setText("");
        // A box still checked (a Normal group with a bound on) runs its bound
        // rule, which hides the field and clears the flag.
        g.chkMin.setChecked(false);
        g.chkMax.setChecked(false);
        g.txtMin.setEnabled(false);
        g.txtMax.setEnabled(false);
        g.txtMin.setVisible(false);
        g.txtMax.setVisible(false);
    }
}

void Presets::enableInputs() {
    for (const ui::GroupControls& g : main_.groups)
        for (ui::Control* input : g.inputs()) input->setEnabled(true);
    // Every run-wide input but the two-tailed choice, which nothing offers.
    for (ui::Control* input : main_.runInputs())
        input->setEnabled(input != &main_.hypothesis.rdoTwotail);
}

void Presets::clearResults() {
    const ui::ResultsControls& results = main_.results;
    results.txtrej1.setText("");
    results.Label9.setText("Proportion");
    results.txtprop1.setText("");
    for (const ui::GroupResultControls& g : main_.sampling.groups) g.txtActualM.setText("");
    for (const ui::GroupResultControls& g : main_.sampling.groups) g.txtSEmean.setText("");
    // A one-sample run renames the labels after what the fields then hold
    // (a group's mean and SD); the table's captions come back with the table.
    for (int k = 0; k < kGroups; ++k) {
        const std::string n = std::to_string(k + 1);
        main_.sampling.groups[k].meanLabel.setText("Actual Mean of Group " + n + " Means:");
        main_.sampling.groups[k].seLabel.setText("Actual SE of Group " + n + " Means:");
    }
    results.txtalphaused.setText("");
    state_.clearResultLines();
    results.boxresults.setBackground(silver);
    for (ui::Control* field :
         {&results.txtalphaused, &results.txtrej1, &results.txtprop1, &results.memoresults})
        field->setBackground(aqua);
    results.memoresults.setText(state_.joinedResultLines());

    for (ui::MenuItem* menu : main_.menu.locked()) {
        menu->setEnabled(true);
        menu->setVisible(true);
    }
    for (ui::MenuItem* item : main_.menu.saveItems()) item->setEnabled(false);

    const ui::RunPanelControls& panel = main_.runPanel;
    panel.SpeedButtonRun.setFontColor(maroon);
    panel.Label7.setFontColor(maroon);
    panel.Label7.setText(ui::texts::kRunPrompt);
    panel.btnStopRun.setEnabled(false);
    panel.btnStopRun.setVisible(false);
    results.boxresults.setFontColor(navy);
    results.boxresults.setText("");
}

void Presets::applyPreset(const Preset& preset) {
    btnResetClick();
    const auto& groups = main_.groups;
    for (const ui::GroupControls& g : groups) g.txtmean.setText(preset.mean);
    for (const ui::GroupControls& g : groups) g.txtsd.setText(preset.sd);
    if (preset.integerData)
        for (const ui::GroupControls& g : groups) g.chkInteger.setChecked(true);
    if (preset.distribution == Distribution::Normal) {
        // The groups are Normal already, so checking the button would run
        // nothing; the rule is applied directly, which also records the
        // distribution in the settings flags.
        for (int g = 1; g <= kGroups; ++g) coupling_.rdoNormalClick(g);
        return;
    }
    for (const ui::GroupControls& g : groups) g.rdoUniform.setChecked(true);
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
    const auto& groups = main_.groups;
    groups[0].txtmean.setText(effect.mean1);
    groups[1].txtmean.setText(effect.mean2);
    groups[2].txtmean.setText(effect.mean3);
    for (const ui::GroupControls& g : groups) g.txtsd.setText("1.00");
    ui::Control& first = groups[0].txtmean;
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
