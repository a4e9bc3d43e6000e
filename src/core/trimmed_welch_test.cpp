#include "core/trimmed_welch_test.hpp"

#include <cmath>

#include "core/welch_test.hpp"

namespace velmor {

TrimmedMoments DescribeTrimmedSorted(std::span<const double> sorted) {
    const std::size_t n = sorted.size();
    // floor(0.2 n) in integers: no question of how 0.2 n rounds.
    const std::size_t trim = n / 5;
    const std::size_t kept = n - 2 * trim;
    TrimmedMoments t;
    t.kept = static_cast<double>(kept);
    if (kept == 0) return t;

    const double low = trim > 0 ? sorted[trim] : 0.0;
    const double high = trim > 0 ? sorted[n - trim - 1] : 0.0;
    double sum = 0.0;
    for (std::size_t i = trim; i < n - trim; ++i) sum += sorted[i];
    t.trimmedMean = sum / t.kept;

    const double g = static_cast<double>(trim);
    const double winsorizedMean = (sum + g * low + g * high) / static_cast<double>(n);
    double ss = g * ((low - winsorizedMean) * (low - winsorizedMean) +
                     (high - winsorizedMean) * (high - winsorizedMean));
    for (std::size_t i = trim; i < n - trim; ++i)
        ss += (sorted[i] - winsorizedMean) * (sorted[i] - winsorizedMean);
    t.winsorizedSS = ss;
    return t;
}

MeanTestResult TrimmedWelchFromSorted(const SortedGroups& sorted) {
    std::array<TrimmedMoments, kGroups> t;
    for (int g = 0; g < kGroups; ++g) {
        if (sorted.groups[g].size() < 2)
            return MeanTestResult::NotComputed(MeanTestStatus::TooFewCases);
        t[g] = DescribeTrimmedSorted(sorted.groups[g]);
        if (!std::isfinite(t[g].trimmedMean) || !std::isfinite(t[g].winsorizedSS))
            return MeanTestResult::NotComputed(MeanTestStatus::NotFinite);
    }
    // Every group of two or more keeps at least two cases, so h - 1 > 0.
    for (const TrimmedMoments& m : t)
        if (!(m.winsorizedSS > 0.0)) return MeanTestResult::NotComputed(MeanTestStatus::NoVariance);

    std::array<double, kGroups> means{}, weights{}, dfs{};
    for (int g = 0; g < kGroups; ++g) {
        means[g] = t[g].trimmedMean;
        weights[g] = t[g].kept * (t[g].kept - 1.0) / t[g].winsorizedSS;
        dfs[g] = t[g].kept - 1.0;
    }
    return WelchFormula(means, weights, dfs);
}

MeanTestResult TrimmedWelchTest(const ThreeGroups& groups, MeanTestScratch& scratch) {
    for (const std::span<const double> scores : groups)
        if (scores.size() < 2) return MeanTestResult::NotComputed(MeanTestStatus::TooFewCases);
    SortedGroups sorted;
    if (const MeanTestStatus s = SortGroups(groups, scratch, sorted); s != MeanTestStatus::Computed)
        return MeanTestResult::NotComputed(s);
    return TrimmedWelchFromSorted(sorted);
}

}  // namespace velmor
