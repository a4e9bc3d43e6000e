#include "program/coupling.hpp"

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include "run/number_format.hpp"
#include "run/number_reading.hpp"

namespace velmor {

static_assert(std::numeric_limits<long double>::digits == 64,
              "bounds are derived in 80-bit extended precision");

namespace {

struct MeanAndSd {
    long double mean;
    long double sd;
};

// Both texts read with the program's number grammar, or nothing when either
// does not read; the rules then fall back as each of them says.
std::optional<MeanAndSd> readMeanAndSd(const ui::Control& mean, const ui::Control& sd) {
    const std::optional<double> m = ReadNumber(mean.text());
    const std::optional<double> s = ReadNumber(sd.text());
    if (!m || !s) return std::nullopt;
    return MeanAndSd{*m, *s};
}

// The bound text of an extended value. A mean and SD near the top of the
// double range can give a bound beyond it; it is written as the largest
// double, whose rounded text ("1.8E308") no longer reads as a number, so the
// run refuses that field instead of working with an infinite or stale bound.
std::string boundText(long double value) {
    constexpr long double kLargest = std::numeric_limits<double>::max();
    if (value > kLargest) value = kLargest;
    if (value < -kLargest) value = -kLargest;
    return FormatBound(static_cast<double>(value));
}

}  // namespace

CouplingRules::CouplingRules(ui::MainWindow& window, RunSettings& settings)
    : window_(window),
      groups_{viewOf(window, settings, 1), viewOf(window, settings, 2),
              viewOf(window, settings, 3)} {}

CouplingRules::GroupView CouplingRules::viewOf(ui::MainWindow& window, RunSettings& settings,
                                               int g) {
    const ui::GroupControls& controls = window.groups[g - 1];
    return GroupView{controls.txtmean,    controls.txtsd,  controls.rdoNormal,
                     controls.rdoUniform, controls.chkMin, controls.txtMin,
                     controls.chkMax,     controls.txtMax, settings.groups[g - 1]};
}

CouplingRules::GroupView& CouplingRules::group(int g) {
    if (g < 1 || g > kGroups) throw std::out_of_range("group number " + std::to_string(g));
    return groups_[g - 1];
}

void CouplingRules::wire(Entry entry) {
    auto through = [&entry](std::function<void()> rule) -> std::function<void()> {
        if (!entry) return rule;
        return [entry, rule = std::move(rule)] { entry(rule); };
    };
    for (int g = 1; g <= kGroups; ++g) {
        GroupView& view = group(g);
        view.uniform.setHandler(through([this, g] { rdoUniformClick(g); }));
        view.normal.setHandler(through([this, g] { rdoNormalClick(g); }));
        view.chkMin.setHandler(through([this, g] { chkMinClick(g); }));
        view.chkMax.setHandler(through([this, g] { chkMaxClick(g); }));
        view.mean.setHandler(through([this, g] { txtmeanChange(g); }));
        view.sd.setHandler(through([this, g] { txtsdChange(g); }));
    }
}

void CouplingRules::rdoUniformClick(int g) {
    GroupView& view = group(g);
    view.flags.distribution = view.uniform.checked() ? Distribution::Uniform : Distribution::Normal;
    view.txtMin.setEnabled(true);
    view.txtMax.setEnabled(true);
    // A box that was off runs its bound rule here: it shows its field with
    // "0.00" or "1.00" and sets its flag. Those texts stay if the mean or SD
    // does not read below.
    view.chkMin.setChecked(true);
    view.chkMax.setChecked(true);
    // Under Uniform the bounds are the ends of the distribution; the user may
    // not switch them off.
    view.chkMin.setEnabled(false);
    view.chkMax.setEnabled(false);
    deriveUniformBounds(view);
    view.txtMin.setEnabled(false);
    view.txtMax.setEnabled(false);
    keepFocusUsable(view);
}

void CouplingRules::rdoNormalClick(int g) {
    GroupView& view = group(g);
    view.chkMin.setEnabled(true);
    view.chkMax.setEnabled(true);
    view.flags.distribution = view.uniform.checked() ? Distribution::Uniform : Distribution::Normal;
    view.txtMin.setText("");
    view.txtMax.setText("");
    // A box that was on runs its bound rule (Normal branch): the field is
    // hidden and the box's flag cleared.
    view.chkMin.setChecked(false);
    view.chkMax.setChecked(false);
    view.txtMin.setEnabled(false);
    view.txtMax.setEnabled(false);
    keepFocusUsable(view);
}

void CouplingRules::chkMinClick(int g) {
    boundClick(group(g), Bound::Min);
}

void CouplingRules::chkMaxClick(int g) {
    boundClick(group(g), Bound::Max);
}

void CouplingRules::txtmeanChange(int g) {
    GroupView& view = group(g);
    // Under Normal a proposed bound belongs to the user and is not updated.
    if (view.uniform.checked()) deriveUniformBounds(view);
}

void CouplingRules::txtsdChange(int g) {
    GroupView& view = group(g);
    if (view.uniform.checked()) deriveUniformBounds(view);
}

void CouplingRules::boundClick(GroupView& view, Bound bound) {
    const bool isMin = bound == Bound::Min;
    ui::Control& box = isMin ? view.chkMin : view.chkMax;
    ui::Control& field = isMin ? view.txtMin : view.txtMax;
    (isMin ? view.flags.hasMinimum : view.flags.hasMaximum) = box.checked();
    field.setEnabled(true);

    const bool uniform = view.uniform.checked();
    if (!uniform && !view.normal.checked()) return;  // neither radio: nothing to derive from
    if (!box.checked()) {
        clearAndHide(view, field);
        return;
    }
    field.setVisible(true);
    field.setEnabled(true);
    field.setFocus();
    if (uniform) {
        // A placeholder; the Uniform rule overwrites it with the derived bound
        // as soon as the mean and SD read.
        field.setText(isMin ? "0.00" : "1.00");
        return;
    }
    // Normal: propose four SDs either side of the mean; 0 when the mean or
    // SD does not read.
    long double value = 0.0L;
    if (const std::optional<MeanAndSd> read = readMeanAndSd(view.mean, view.sd)) {
        const long double reach = 4.0L * read->sd;
        value = isMin ? read->mean - reach : read->mean + reach;
    }
    field.setText(boundText(value));
}

void CouplingRules::deriveUniformBounds(GroupView& view) {
    const std::optional<MeanAndSd> read = readMeanAndSd(view.mean, view.sd);
    if (!read) return;  // the fields keep whatever they show until both read again
    // The uniform distribution with this mean and SD spans sqrt(12) SDs,
    // centred on the mean.
    const long double range = std::sqrt(12.0L) * read->sd;
    view.txtMin.setText(boundText(read->mean - range / 2.0L));
    view.txtMax.setText(boundText(read->mean + range / 2.0L));
}

void CouplingRules::clearAndHide(GroupView& view, ui::Control& field) {
    field.setEnabled(true);
    field.setText("");
    field.setEnabled(false);
    field.setVisible(false);
    keepFocusUsable(view);
}

// The Uniform rule focuses the bound fields and then greys them, and a bound
// switched off by code may have held the focus; a disabled or hidden field
// must not keep it. The group's checked distribution button takes it: it is
// the control the user acted on, or next to it.
void CouplingRules::keepFocusUsable(GroupView& view) {
    const ui::Control* focused = window_.focus();
    if (focused != &view.txtMin && focused != &view.txtMax) return;
    if (focused->enabled() && focused->visible()) return;
    (view.uniform.checked() ? view.uniform : view.normal).setFocus();
}

}  // namespace velmor
