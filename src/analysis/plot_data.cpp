#include "analysis/plot_data.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/bands.hpp"
#include "analysis/normal_theory.hpp"
#include "run/number_format.hpp"
#include "search/search_rules.hpp"

namespace velmor {

namespace {

// Points of a normal curve: enough for a smooth line at any window size.
constexpr int kCurvePoints = 161;
// The curve reaches this many standard errors either side of its mean.
constexpr double kCurveReach = 4.0;
// The most points of a normal-theory power curve; sizes are sampled beyond.
constexpr int kPowerCurvePoints = 400;
// Room left around the data, as a share of its span.
constexpr double kMargin = 0.05;
// Sizes spanning more than this factor go on a logarithmic axis, with this
// factor of room at either end.
constexpr double kLogarithmicSpan = 8.0;
constexpr double kLogarithmicMargin = 1.15;
// Ticks on an axis fitted to the data: enough to read, few enough for words.
constexpr int kMostTicks = 8;
// Room beyond power 0 and 1 on the power curve's axis: half a marker and
// more on a chart a few hundred pixels high.
constexpr double kPowerRoom = 0.05;

double NormalDensity(double x, double mean, double sd) {
    const double z = (x - mean) / sd;
    return std::exp(-0.5 * z * z) / (sd * std::sqrt(2.0 * std::numbers::pi));
}

PlotRange Padded(double xMin, double xMax, double yMin, double yMax) {
    const double xPad = xMax > xMin ? (xMax - xMin) * kMargin : 0.5;
    const double yPad = yMax > yMin ? (yMax - yMin) * kMargin : 0.5;
    return {xMin - xPad, xMax + xPad, yMin, yMax + yPad};
}

std::int32_t ClampSize(std::int32_t size) {
    return std::clamp(size, 2, 2000);
}

}  // namespace

double NiceStep(double span, int mostTicks) {
    if (!(span > 0.0) || !std::isfinite(span) || mostTicks < 1) return 0.0;
    const double rough = span / mostTicks;
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (factor * decade >= rough * (1.0 - 1e-12)) return factor * decade;
    return 10.0 * decade;
}

std::int32_t HistogramBins(std::int32_t values) {
    const double rice = 2.0 * std::cbrt(static_cast<double>(std::max(values, 1)));
    return std::clamp(static_cast<std::int32_t>(std::ceil(rice)), 10, 60);
}

MeansHistogram HistogramOfKeptMeans(const RunTallies& tallies, const RunSettings& settings) {
    MeansHistogram h;
    h.keptMeans = std::clamp(tallies.keptMeansOfLastRun, 0, kMaxKeptMeans);
    for (int g = 0; g < kGroups; ++g) h.groups[g].group = g + 1;
    if (h.keptMeans == 0) return h;

    double low = tallies.keptMeans[0][0];
    double high = low;
    for (int g = 0; g < kGroups; ++g)
        for (std::int32_t i = 0; i < h.keptMeans; ++i) {
            low = std::min(low, tallies.keptMeans[g][i]);
            high = std::max(high, tallies.keptMeans[g][i]);
        }
    // Identical means (a single replication, or no spread) still get a bar.
    if (!(high > low)) {
        const double half = std::max(std::abs(low) * 1e-3, 0.5);
        low -= half;
        high += half;
    }
    h.bins = HistogramBins(h.keptMeans);
    h.binStart = low;
    h.binWidth = (high - low) / h.bins;
    const double scale = 1.0 / (static_cast<double>(h.keptMeans) * h.binWidth);

    double xMin = low;
    double xMax = high;
    double yMax = 0.0;
    for (int g = 0; g < kGroups; ++g) {
        GroupHistogram& group = h.groups[g];
        group.counts.assign(static_cast<std::size_t>(h.bins), 0);
        for (std::int32_t i = 0; i < h.keptMeans; ++i) {
            const double offset = (tallies.keptMeans[g][i] - low) / h.binWidth;
            // The largest mean lies on the last edge: it belongs to the last bin.
            const auto bin =
                std::clamp(static_cast<std::int32_t>(std::floor(offset)), 0, h.bins - 1);
            ++group.counts[static_cast<std::size_t>(bin)];
        }
        group.outline.push_back({low, 0.0});
        for (std::int32_t b = 0; b < h.bins; ++b) {
            const double density = group.counts[static_cast<std::size_t>(b)] * scale;
            const double left = low + b * h.binWidth;
            group.outline.push_back({left, density});
            group.outline.push_back({left + h.binWidth, density});
            yMax = std::max(yMax, density);
        }
        group.outline.push_back({high, 0.0});

        const GroupSettings& settingsOfGroup = settings.groups[g];
        if (const auto theory = NormalMeanDistribution(settingsOfGroup);
            theory && theory->standardError > 0.0) {
            const double from = theory->mean - kCurveReach * theory->standardError;
            const double to = theory->mean + kCurveReach * theory->standardError;
            for (int k = 0; k < kCurvePoints; ++k) {
                const double x = from + (to - from) * k / (kCurvePoints - 1);
                const double y = NormalDensity(x, theory->mean, theory->standardError);
                group.normalCurve.push_back({x, y});
                yMax = std::max(yMax, y);
            }
            xMin = std::min(xMin, from);
            xMax = std::max(xMax, to);
        } else {
            group.curveNote =
                settingsOfGroup.uniform()  ? "uniform scores: the mean is only near normal"
                : settingsOfGroup.shaped() ? "shaped scores: the mean is only near normal"
                                           : "bounded or rounded scores: no exact normal curve";
        }
    }
    // The bars and curves fill the width, with a sliver of room either side
    // and a little above the highest; the ticks fall where they may inside,
    // so means within +-1 are not drawn on an axis from -2 to 2.
    const double pad = (xMax - xMin) * kMargin / 2.0;
    h.range = {xMin - pad, xMax + pad, 0.0, yMax * (1.0 + kMargin)};
    h.range.xStep = NiceStep(h.range.xMax - h.range.xMin, kMostTicks);
    return h;
}

PowerCurve PowerCurveOf(const std::vector<SearchTrial>& trials, const RunSettings& settings,
                        double target) {
    PowerCurve curve;
    curve.target = target;
    if (trials.empty()) return curve;
    std::int32_t smallest = trials.front().sizes[0];
    std::int32_t largest = smallest;
    int number = 0;
    for (const SearchTrial& t : trials) {
        TrialMark mark;
        mark.number = ++number;
        mark.sizes = t.sizes;
        mark.samples = t.samplesCompleted;
        mark.power = t.proportion;
        if (const auto error = MonteCarloErrorOf(t.rejections, t.samplesCompleted))
            mark.interval = error->interval;
        const NormalTheoryPower theory = NormalTheoryPowerAt(settings, t.sizes);
        if (theory.available) mark.normalTheory = theory.power;
        curve.unequalSizes =
            curve.unequalSizes || t.sizes[1] != t.sizes[0] || t.sizes[2] != t.sizes[0];
        smallest = std::min(smallest, t.sizes[0]);
        largest = std::max(largest, t.sizes[0]);
        curve.trials.push_back(mark);
    }

    // The theory over every group-1 size the trials span (sampled when the
    // span is wide), the other groups following as the search moves them.
    const SizeRatios ratios = RatiosOf(trials.back().sizes);
    const std::int32_t stride =
        std::max(1, (largest - smallest + kPowerCurvePoints - 1) / kPowerCurvePoints);
    for (std::int32_t n = smallest;; n = std::min(n + stride, largest)) {
        GroupSizes sizes = SizesForGroup1(n, ratios);
        for (std::int32_t& s : sizes) s = ClampSize(s);
        const NormalTheoryPower theory = NormalTheoryPowerAt(settings, sizes);
        if (!theory.available) {
            curve.normalTheory.clear();
            curve.theoryNote = theory.reason;
            break;
        }
        curve.normalTheory.push_back({static_cast<double>(n), theory.power});
        if (n == largest) break;
    }
    // Power runs from 0 to 1 whatever the trials reached: the curve's shape
    // and the target read best on the whole scale. A little room beyond
    // either end keeps a trial at power 0 or 1 (and its interval's end)
    // whole instead of cut in half by the frame; the ticks stay 0 to 1.
    curve.logarithmicSizes = largest > kLogarithmicSpan * smallest;
    if (curve.logarithmicSizes)
        curve.range = {smallest / kLogarithmicMargin, largest * kLogarithmicMargin, -kPowerRoom,
                       1.0 + kPowerRoom};
    else
        curve.range = {std::max(0.0, smallest - 1.0), largest + 1.0, -kPowerRoom, 1.0 + kPowerRoom};
    curve.range.yStep = 0.2;
    return curve;
}

IntervalPicture RobustnessPicture(const MonteCarloError& error, double alpha) {
    IntervalPicture picture;
    picture.title = "Actual alpha against the robustness bands";
    picture.axisTitle = "Proportion of rejections (actual alpha)";
    picture.estimateLabel =
        "Actual alpha " + FormatFixed(error.proportion, 6, DecimalsForAlpha(alpha));
    picture.estimate = error.proportion;
    picture.interval = error.interval;
    const RobustnessBand robey = RobeyBarcikowskiBand(alpha);
    const RobustnessBand bradley = BradleyBand(alpha);
    picture.bands.push_back({"Robey & Barcikowski, within 25%", robey.lower, robey.upper});
    picture.bands.push_back({"Bradley, within 10%", bradley.lower, bradley.upper});
    picture.references.push_back({"Nominal alpha " + FormatGeneral(alpha), alpha});
    picture.range = Padded(std::min(error.interval.low, robey.lower),
                           std::max(error.interval.high, robey.upper), 0.0, 1.0);
    picture.range.xMin = std::max(0.0, picture.range.xMin);
    return picture;
}

IntervalPicture PowerPicture(const MonteCarloError& error, double normalTheoryPower,
                             bool theoryAvailable) {
    IntervalPicture picture;
    picture.title = "Actual power and its 95% interval";
    picture.axisTitle = "Proportion of rejections (actual power)";
    picture.estimateLabel = "Actual power " + FormatFixed(error.proportion, 6, 4);
    picture.estimate = error.proportion;
    picture.interval = error.interval;
    double low = error.interval.low;
    double high = error.interval.high;
    if (theoryAvailable) {
        picture.references.push_back(
            {"Normal-theory power " + FormatFixed(normalTheoryPower, 6, 4), normalTheoryPower});
        low = std::min(low, normalTheoryPower);
        high = std::max(high, normalTheoryPower);
    }
    picture.range = Padded(low, high, 0.0, 1.0);
    picture.range.xMin = std::max(0.0, picture.range.xMin);
    picture.range.xMax = std::min(1.0, picture.range.xMax);
    return picture;
}

}  // namespace velmor
