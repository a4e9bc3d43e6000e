#pragma once
// The textbook power of the three-group F test: the noncentral F distribution,
// computed only where its assumptions hold exactly for the populations the
// program draws from. Elsewhere the Monte Carlo result is the only answer.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/group_settings.hpp"

namespace velmor {

// The normal-theory quantities of one F test.
struct NormalTheoryPower {
    bool available = false;
    std::string reason;          // why not, when not available
    double power = 0.0;          // P(F > critical F) under the noncentral F
    double noncentrality = 0.0;  // lambda = sum n_g (mu_g - grand mean)^2 / sigma^2
    double df1 = 2.0;
    double df2 = 0.0;
    double criticalF = 0.0;  // upper alpha point of the central F(df1, df2)
};

// Why the normal theory of the F test does not hold exactly for these groups:
// a uniform group, a minimum or maximum in force, integer rounding, or
// observed SDs that differ. Nothing when it holds.
std::optional<std::string> NormalTheoryObstacle(const ReplicationSettings& settings);

// The observed-score SD of a group: its SD over the square root of its
// reliability (true score plus independent normal error).
double ObservedSD(const GroupSettings& group);

// Power of the F test at level alpha for three normal groups with the given
// population means and sizes (each at least 2) and one common observed SD.
// The noncentrality uses the grand mean weighted by the sizes.
NormalTheoryPower FTestPower(const std::array<double, kGroups>& means,
                             const std::array<std::int32_t, kGroups>& sizes, double observedSD,
                             double alpha);

// The power for a run's settings (its means, sizes, SDs, reliabilities and
// alpha), or "not available" with the reason.
NormalTheoryPower NormalTheoryPowerOf(const ReplicationSettings& settings);

// The same settings at other group sizes (a search's trials).
NormalTheoryPower NormalTheoryPowerAt(const ReplicationSettings& settings,
                                      const std::array<std::int32_t, kGroups>& sizes);

// Where the sampling distribution of one group's mean is exactly normal (a
// normal group with no bounds and no rounding): its mean and standard error.
struct MeanDistribution {
    double mean = 0.0;
    double standardError = 0.0;
};
std::optional<MeanDistribution> NormalMeanDistribution(const GroupSettings& group);

}  // namespace velmor
