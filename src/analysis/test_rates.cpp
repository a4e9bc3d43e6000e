#include "analysis/test_rates.hpp"

#include "analysis/achieved_means.hpp"
#include "run/verdicts.hpp"

namespace velmor {

namespace {

// The robustness verdict of a rate by the F test's rules: Bradley's edges at
// 0.9 and 1.1 alpha, judged on the decimal alpha the user typed.
Verdict RobustnessVerdict(std::int64_t rejections, std::int64_t samples, double alpha) {
    if (CompareProportionWithAlphaMultiple(rejections, samples, alpha, 110) == Comparison::Above)
        return Verdict::Inflated;
    if (CompareProportionWithAlphaMultiple(rejections, samples, alpha, 90) == Comparison::Below)
        return Verdict::Conservative;
    return Verdict::Robust;
}

// F on the one sample of a single-sample run, from what the replication left.
MeanTestResult SingleSampleF(const RunState& state) {
    MeanTestResult f;
    f.statistic = state.fRatio;
    f.dfCount = 2;
    f.df1 = 2.0;
    const RunSettings& s = state.settings;
    f.df2 = static_cast<double>(s.groups[0].size + s.groups[1].size + s.groups[2].size - kGroups);
    f.pValue = state.lastPValue;
    return f;
}

}  // namespace

std::vector<TestRate> DescribeTestRates(const RunState& state) {
    const RunResult& result = state.result;
    bool anyBesidesF = false;
    for (const MeanTestKind kind : kAllMeanTests)
        anyBesidesF = anyBesidesF || (kind != MeanTestKind::F && result.tally(kind).chosen);
    if (!anyBesidesF || !result.hasResults()) return {};

    const double alpha = state.settings.alpha;
    const bool single = result.completed == 1;
    // Equal entered means whose populations the bounds moved apart: every
    // rate is then a power, and each band reading says so, as F's does.
    const std::optional<AchievedMeans> achieved = AchievedMeansOf(state);
    const bool meansDiffer = achieved && achieved->differ;
    std::vector<TestRate> rates;
    for (const MeanTestKind kind : kAllMeanTests) {
        const TestTally& tally = result.tally(kind);
        if (!tally.chosen) continue;
        TestRate rate;
        rate.test = kind;
        rate.samples = result.completed;
        rate.rejections = tally.rejections;
        rate.notComputed = tally.notComputed;
        rate.error = MonteCarloErrorOf(tally.rejections, result.completed);
        if (single) {
            rate.single = kind == MeanTestKind::F ? SingleSampleF(state) : tally.last;
        } else if (state.flags.nullIsTrue) {
            // The caution that replaces F's verdict concerns the population
            // (bounded normal groups), so it holds for every test alike.
            rate.verdict = result.verdict == Verdict::Caution
                               ? Verdict::Caution
                               : RobustnessVerdict(tally.rejections, result.completed, alpha);
            const int decimals = DecimalsForAlpha(alpha);
            rate.bands = {ReadAgainstBand(*rate.error, BradleyBand(alpha), decimals),
                          ReadAgainstBand(*rate.error, RobeyBarcikowskiBand(alpha), decimals)};
            rate.bandReading =
                "Bradley " + rate.bands[0].code + "; Robey & Barcikowski " + rate.bands[1].code;
            if (meansDiffer) rate.bandReading = kPowerRunReading + rate.bandReading;
        } else {
            rate.verdict = Verdict::Power;
        }
        rates.push_back(std::move(rate));
    }
    return rates;
}

}  // namespace velmor
