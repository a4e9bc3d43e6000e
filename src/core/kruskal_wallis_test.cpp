#include "core/kruskal_wallis_test.hpp"

#include <array>
#include <cstdint>

#include "core/upper_tails.hpp"

namespace velmor {

namespace {

// The pairs (x in a, y in b) with y < x, counted in one merging walk over the
// two sorted groups with no branch on the data: each step takes the smaller
// head, and a taken x counts the b's already passed. Sets `tied` when some y
// equals some x (a merge compares every such pair before passing either).
double CountBelow(std::span<const double> a, std::span<const double> b, bool& tied) {
    const std::size_t na = a.size();
    const std::size_t nb = b.size();
    std::size_t i = 0;
    std::size_t j = 0;
    std::uint64_t count = 0;
    bool equal = false;
    while (i < na && j < nb) {
        const double x = a[i];
        const double y = b[j];
        const bool takeY = y < x;
        equal |= y == x;
        count += takeY ? 0 : j;
        j += takeY;
        i += !takeY;
    }
    count += static_cast<std::uint64_t>(na - i) * nb;  // a's cases above every b
    tied |= equal;
    return static_cast<double>(count);
}

bool HasTiesWithin(std::span<const double> sorted) {
    bool tied = false;
    for (std::size_t i = 1; i < sorted.size(); ++i) tied |= sorted[i] == sorted[i - 1];
    return tied;
}

// Rank sums and the tie term from one merging walk over the three sorted
// groups, which sees every run of ties whole: each run of t tied scores takes
// the ranks ranked + 1 .. ranked + t and gives each score their mean,
// ranked + (t + 1) / 2.
void RankSumsWithTies(const SortedGroups& s, std::array<double, kGroups>& rankSum, double& tieSum) {
    std::array<std::size_t, kGroups> at{};
    double ranked = 0.0;
    for (;;) {
        bool any = false;
        double smallest = 0.0;
        for (int g = 0; g < kGroups; ++g) {
            if (at[g] < s.groups[g].size() && (!any || s.groups[g][at[g]] < smallest)) {
                smallest = s.groups[g][at[g]];
                any = true;
            }
        }
        if (!any) break;
        std::array<double, kGroups> tied{};
        double t = 0.0;
        for (int g = 0; g < kGroups; ++g) {
            while (at[g] < s.groups[g].size() && s.groups[g][at[g]] == smallest) {
                ++at[g];
                tied[g] += 1.0;
            }
            t += tied[g];
        }
        const double midRank = ranked + (t + 1.0) / 2.0;
        for (int g = 0; g < kGroups; ++g) rankSum[g] += midRank * tied[g];
        tieSum += t * t * t - t;
        ranked += t;
    }
}

}  // namespace

MeanTestResult KruskalWallisFromSorted(const SortedGroups& s) {
    std::array<double, kGroups> size{};
    for (int g = 0; g < kGroups; ++g) {
        if (s.groups[g].empty()) return MeanTestResult::NotComputed(MeanTestStatus::TooFewCases);
        size[g] = static_cast<double>(s.groups[g].size());
    }
    // Without ties a score's rank is one more than the scores below it, so a
    // group's rank sum is its ranks among its own cases, n (n + 1) / 2, plus
    // the cases of the other groups below each of its own; the pairs of two
    // groups split into those below and those above. With ties the walk over
    // all three finds each run's mid-rank. Rank sums are multiples of 1/2 and
    // tie counts integers, all exact in double for any group a run allows, so
    // both ways give the same bits.
    bool tied =
        HasTiesWithin(s.groups[0]) || HasTiesWithin(s.groups[1]) || HasTiesWithin(s.groups[2]);
    std::array<double, kGroups> rankSum{};
    double tieSum = 0.0;
    if (!tied) {
        const double below01 = CountBelow(s.groups[0], s.groups[1], tied);
        const double below02 = CountBelow(s.groups[0], s.groups[2], tied);
        const double below12 = CountBelow(s.groups[1], s.groups[2], tied);
        for (int g = 0; g < kGroups; ++g) rankSum[g] = size[g] * (size[g] + 1.0) / 2.0;
        rankSum[0] += below01 + below02;
        rankSum[1] += (size[0] * size[1] - below01) + below12;
        rankSum[2] += (size[0] * size[2] - below02) + (size[1] * size[2] - below12);
    }
    if (tied) {
        rankSum = {};
        RankSumsWithTies(s, rankSum, tieSum);
    }

    const double n = size[0] + size[1] + size[2];
    const double correction = 1.0 - tieSum / (n * n * n - n);
    if (!(correction > 0.0)) return MeanTestResult::NotComputed(MeanTestStatus::NoVariance);
    double sumOfSquaredMeans = 0.0;
    for (int g = 0; g < kGroups; ++g) sumOfSquaredMeans += rankSum[g] * rankSum[g] / size[g];

    MeanTestResult r;
    r.statistic = (12.0 / (n * (n + 1.0)) * sumOfSquaredMeans - 3.0 * (n + 1.0)) / correction;
    // Rounding can leave a tiny negative H when the rank sums are exactly
    // proportional to the sizes; H is a sum of squares, so 0 is the value.
    if (r.statistic < 0.0) r.statistic = 0.0;
    r.dfCount = 1;
    r.df1 = kGroups - 1.0;
    return r;
}

MeanTestResult KruskalWallisStatistic(const ThreeGroups& groups, MeanTestScratch& scratch) {
    for (const std::span<const double> scores : groups)
        if (scores.empty()) return MeanTestResult::NotComputed(MeanTestStatus::TooFewCases);
    SortedGroups sorted;
    if (const MeanTestStatus s = SortGroups(groups, scratch, sorted); s != MeanTestStatus::Computed)
        return MeanTestResult::NotComputed(s);
    return KruskalWallisFromSorted(sorted);
}

MeanTestResult KruskalWallisTest(const ThreeGroups& groups, MeanTestScratch& scratch) {
    MeanTestResult r = KruskalWallisStatistic(groups, scratch);
    if (r.computed()) r.pValue = ChiSquareUpperTail(r.statistic, r.df1);
    return r;
}

}  // namespace velmor
