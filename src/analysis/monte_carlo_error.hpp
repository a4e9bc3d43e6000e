#pragma once
// The Monte Carlo error of a rejection proportion: how far the proportion of
// a finite number of samples may lie from the rejection rate it estimates.

#include <cstdint>
#include <optional>

namespace velmor {

// The confidence level of every interval the program reports.
inline constexpr double kIntervalLevel = 0.95;

// A closed interval of proportions, low <= high, both within 0..1.
struct ProportionInterval {
    double low = 0.0;
    double high = 1.0;
};

// What r rejections in n replications say about the true rejection rate.
struct MonteCarloError {
    std::int64_t rejections = 0;
    std::int64_t replications = 0;  // at least 1
    double proportion = 0.0;        // rejections / replications
    double standardError = 0.0;     // sqrt(p (1 - p) / n)
    ProportionInterval interval;    // exact binomial interval at kIntervalLevel
};

// sqrt(p (1 - p) / n) with p = rejections / replications. Needs
// 0 <= rejections <= replications and replications >= 1.
double ProportionStandardError(std::int64_t rejections, std::int64_t replications);

// The Clopper-Pearson interval: the rates whose binomial tails at the observed
// count are each at least (1 - level) / 2. Exact in coverage (never below the
// level), so it stays honest for proportions near 0 or 1 where the normal
// approximation does not. 0 of n has the lower limit 0, n of n the upper 1.
// Needs 0 <= rejections <= replications, replications >= 1, 0 < level < 1.
ProportionInterval ClopperPearsonInterval(std::int64_t rejections, std::int64_t replications,
                                          double level = kIntervalLevel);

// Standard error and interval together; nothing when no replication was made
// or the counts are impossible (rejections outside 0..replications).
std::optional<MonteCarloError> MonteCarloErrorOf(std::int64_t rejections,
                                                 std::int64_t replications);

}  // namespace velmor
