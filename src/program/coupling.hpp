#pragma once
// The rules that keep each group's distribution, mean, standard deviation and
// bound fields consistent. Under Uniform both bounds are on, derived from the
// mean and SD and greyed; under Normal each bound is optional and switching it
// on proposes mean -/+ 4 SD. The rules are installed as the controls' own
// handlers, so a change made by code runs exactly what a user's action runs.

#include <array>
#include <functional>

#include "window_model/windows.hpp"
#include "run/run_settings.hpp"

namespace velmor {

class CouplingRules {
  public:
    // Keeps references to the window and to the settings record whose
    // distribution and bound flags (hasMinimum, hasMaximum) the rules
    // maintain. Both must
    // outlive this object.
    CouplingRules(ui::MainWindow& window, RunSettings& settings);
    CouplingRules(const CouplingRules&) = delete;
    CouplingRules& operator=(const CouplingRules&) = delete;

    // Installs the rules as handlers of rdoNormal1..3, rdoUniform1..3,
    // chkMin1..3, chkMax1..3, txtmean1..3 and txtsd1..3. When `entry` is
    // given, each rule runs through it (the program's command boundary).
    using Entry = std::function<void(const std::function<void()>& rule)>;
    void wire(Entry entry = nullptr);

    // The six rules of group g, where g is the group number 1, 2 or 3 as in
    // the control names (std::out_of_range otherwise). Each touches only the
    // controls and flags of its own group and never shows a message.

    // rdoUniform<g> became checked: both bounds on, derived and greyed.
    void rdoUniformClick(int g);
    // rdoNormal<g> became checked: both bounds off, their texts cleared.
    void rdoNormalClick(int g);
    // chkMin<g> / chkMax<g> changed state: show and fill, or clear and hide,
    // the bound field.
    void chkMinClick(int g);
    void chkMaxClick(int g);
    // txtmean<g> / txtsd<g> changed: under Uniform, re-derive both bounds.
    void txtmeanChange(int g);
    void txtsdChange(int g);

  private:
    // One group's controls and the flags of its settings record.
    struct GroupView {
        ui::Control& mean;
        ui::Control& sd;
        ui::Control& normal;
        ui::Control& uniform;
        ui::Control& chkMin;
        ui::Control& txtMin;
        ui::Control& chkMax;
        ui::Control& txtMax;
        GroupSettings& flags;
    };
    enum class Bound { Min, Max };

    static GroupView viewOf(ui::MainWindow& window, RunSettings& settings, int g);
    GroupView& group(int g);
    void boundClick(GroupView& group, Bound bound);
    void deriveUniformBounds(GroupView& group);
    void clearAndHide(GroupView& group, ui::Control& field);
    void keepFocusUsable(GroupView& group);

    ui::MainWindow& window_;
    std::array<GroupView, kGroups> groups_;
};

}  // namespace velmor
