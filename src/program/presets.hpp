#pragma once
// Reset to Defaults, the eight score-scale presets of the Reset menu and the
// four effect sizes. Every field is changed through the controls, so the
// coupling rules run exactly as they would for a user's edits; the order of
// the steps matters for that reason.

#include <string_view>

#include "program/coupling.hpp"
#include "run/run_state.hpp"
#include "window_model/windows.hpp"

namespace velmor {

class Presets {
  public:
    // The coupling rules are applied directly where a preset re-runs the
    // Normal or Uniform rule of a group that is already in that state (a
    // radio button checked again runs nothing). All three must outlive this.
    Presets(ui::WindowSet& windows, RunState& state, CouplingRules& coupling);
    Presets(const Presets&) = delete;
    Presets& operator=(const Presets&) = delete;

    // Puts every input and result control back to its start-up state, clears
    // the results and resultLines, sets seedFromField, clears searchActive
    // and returns every group to normal (no shape chosen). Leaves alone the
    // Type III mark and flag, the data and kept means of the last run, the
    // automatic seed stream and the tests chosen in the Details window.
    void btnResetClick();

    // The presets: Reset to Defaults, then the scale's means, SDs, integer
    // flag and distribution in all three groups.
    void ResettoStandardNormal1Click();
    void ResettoNormalIQtype1Click();
    void ResettoNormalTscores1Click();
    void ResettoCEEBSATscores1Click();
    void ResettoUniform011Click();
    void ResettoUniformMean01Click();
    void ResettoUniformUID331Click();
    void ResettoUniform01001Click();

    // The effect sizes: set only the three means and SDs, then give txtmean1
    // the focus. Distributions, bounds of Normal groups, results and
    // everything else stay as they are.
    void NoEffect1Click();
    void Small1Click();
    void Medium1Click();
    void Large1Click();

  private:
    enum class Distribution { Normal, Uniform };
    struct Preset {
        std::string_view mean;
        std::string_view sd;
        bool integerData;
        Distribution distribution;
    };
    struct EffectSize {
        std::string_view mean1, mean2, mean3;
    };

    void applyPreset(const Preset& preset);
    void applyEffectSize(const EffectSize& effect);
    void enableInputs();
    void clearResults();

    ui::MainWindow& main_;
    RunState& state_;
    CouplingRules& coupling_;
};

}  // namespace velmor
