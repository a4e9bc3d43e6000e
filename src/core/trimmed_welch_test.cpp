#include "core/trimmed_welch_test.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/welch_test.hpp"

namespace velmor {

TrimmedMoments DescribeTrimmed(std::span<const double> scores, std::span<double> scratch) {
    const std::size_t n = scores.size();
    const std::span<double> part = scratch.first(n);
    std::copy(scores.begin(), scores.end(), part.begin());
    // floor(0.2 n) in integers: no question of how 0.2 n rounds.
    const std::size_t trim = n / 5;
    const std::size_t kept = n - 2 * trim;
    TrimmedMoments t;
    t.kept = static_cast<double>(kept);
    if (kept == 0) return t;

    // Only the two order statistics at the cuts are needed, not a full sort:
    // the first selection puts the trim lowest before position trim, the
    // second, within the rest, the trim highest after position n - trim - 1,
    // leaving the kept cases (in some order) between them.
    double low = 0.0;
    double high = 0.0;
    if (trim > 0) {
        std::nth_element(part.begin(), part.begin() + trim, part.end());
        low = part[trim];
        std::nth_element(part.begin() + trim, part.begin() + (n - trim - 1), part.end());
        high = part[n - trim - 1];
    }
    double sum = 0.0;
    for (std::size_t i = trim; i < n - trim; ++i) sum += part[i];
    t.trimmedMean = sum / t.kept;

    const double g = static_cast<double>(trim);
    const double winsorizedMean = (sum + g * low + g * high) / static_cast<double>(n);
    double ss = g * ((low - winsorizedMean) * (low - winsorizedMean) +
                     (high - winsorizedMean) * (high - winsorizedMean));
    for (std::size_t i = trim; i < n - trim; ++i)
        ss += (part[i] - winsorizedMean) * (part[i] - winsorizedMean);
    t.winsorizedSS = ss;
    return t;
}

MeanTestResult TrimmedWelchTest(const ThreeGroups& groups, MeanTestScratch& scratch) {
    const std::span<double> room = scratch.values();
    std::array<TrimmedMoments, kGroups> t;
    for (int g = 0; g < kGroups; ++g) {
        if (groups[g].size() < 2) return MeanTestResult::NotComputed(MeanTestStatus::TooFewCases);
        if (room.size() < groups[g].size())
            throw std::invalid_argument("trimmed Welch test: scratch space smaller than a group");
        for (const double x : groups[g])
            if (std::isnan(x)) return MeanTestResult::NotComputed(MeanTestStatus::NotFinite);
        t[g] = DescribeTrimmed(groups[g], room);
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

}  // namespace velmor
