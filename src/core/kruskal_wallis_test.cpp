#include "core/kruskal_wallis_test.hpp"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <cmath>
#include <stdexcept>

namespace velmor {

MeanTestResult KruskalWallisTest(const ThreeGroups& groups, MeanTestScratch& scratch) {
    std::size_t count = 0;
    for (const std::span<const double> scores : groups) {
        if (scores.empty()) return MeanTestResult::NotComputed(MeanTestStatus::TooFewCases);
        count += scores.size();
    }
    const std::span<double> room = scratch.values();
    if (room.size() < count)
        throw std::invalid_argument("Kruskal-Wallis test: scratch space smaller than the scores");
    const std::span<double> sorted = room.first(count);
    auto out = sorted.begin();
    for (const std::span<const double> scores : groups)
        out = std::copy(scores.begin(), scores.end(), out);
    // A NaN would break the ordering the ranks rely on.
    for (const double x : sorted)
        if (std::isnan(x)) return MeanTestResult::NotComputed(MeanTestStatus::NotFinite);
    std::sort(sorted.begin(), sorted.end());

    // Runs of ties, for the correction; counts are exact integers in double.
    double tieSum = 0.0;
    for (std::size_t i = 0; i < count;) {
        std::size_t j = i + 1;
        while (j < count && sorted[j] == sorted[i]) ++j;
        const double t = static_cast<double>(j - i);
        tieSum += t * t * t - t;
        i = j;
    }
    const double n = static_cast<double>(count);
    const double correction = 1.0 - tieSum / (n * n * n - n);
    if (!(correction > 0.0)) return MeanTestResult::NotComputed(MeanTestStatus::NoVariance);

    // A score's mid-rank is the number of smaller scores plus (ties + 1) / 2,
    // both found by binary search in the sorted copy. Rank sums are multiples
    // of 1/2, exact in double for any group a run allows.
    double sumOfSquaredMeans = 0.0;
    for (const std::span<const double> scores : groups) {
        double rankSum = 0.0;
        for (const double x : scores) {
            const auto [low, high] = std::equal_range(sorted.begin(), sorted.end(), x);
            const double below = static_cast<double>(low - sorted.begin());
            const double tied = static_cast<double>(high - low);
            rankSum += below + (tied + 1.0) / 2.0;
        }
        sumOfSquaredMeans += rankSum * rankSum / static_cast<double>(scores.size());
    }

    MeanTestResult r;
    r.statistic = (12.0 / (n * (n + 1.0)) * sumOfSquaredMeans - 3.0 * (n + 1.0)) / correction;
    // Rounding can leave a tiny negative H when the rank sums are exactly
    // proportional to the sizes; H is a sum of squares, so 0 is the value.
    if (r.statistic < 0.0) r.statistic = 0.0;
    r.dfCount = 1;
    r.df1 = kGroups - 1.0;
    const boost::math::chi_squared_distribution<double> chi(r.df1);
    r.pValue = boost::math::cdf(boost::math::complement(chi, r.statistic));
    return r;
}

}  // namespace velmor
