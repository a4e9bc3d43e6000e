#pragma once
// What population means a run actually sampled. Bounds with resampling or
// winsorizing, whole-number rounding and uniform bounds written at three
// significant digits move a population's mean away from the one entered, so
// equal entered means need not give equal populations: a run that the main
// window reads as a Type I error run may then be a power run. The mean of a
// group's sample means estimates its population mean, with a Monte Carlo
// error that the run's own spread of means gives.

#include <array>
#include <cstdint>
#include <optional>

#include "run/run_state.hpp"

namespace velmor {

// How many combined Monte Carlo errors two achieved means must lie apart to
// count as different. Under equal population means each pairwise difference
// over its combined error is close to a standard normal deviate (the means of
// many sample means are close to normal, and the groups draw independently),
// so one pair passes 3 with probability .0027 and any of the three pairs with
// at most .0081 (Bonferroni): fewer than 1 run in 100 with truly equal means
// is flagged, while a shift that matters is seen once the run is long enough
// to measure it.
inline constexpr double kAchievedMeansCriticalZ = 3.0;

// What a band reading begins with when the achieved means differ.
inline constexpr const char* kPowerRunReading =
    "power run, not Type I error: achieved means differ; ";

struct AchievedMeans {
    std::int64_t replications = 0;
    std::array<double, kGroups> mean{};     // the mean of the group's sample means
    std::array<double, kGroups> mcError{};  // its Monte Carlo error: SE of the means / sqrt(R)
    bool enteredEqual = false;              // the entered population means are equal
    // The pair of groups (1..3) whose achieved means lie furthest apart in
    // combined Monte Carlo errors, and how far.
    int groupA = 1, groupB = 2;
    double difference = 0.0;
    double z = 0.0;
    // Entered means equal, achieved means further apart than the critical z:
    // the run measured power, not a Type I error rate.
    bool differ = false;
};

// The achieved means of the last run (or search trial) that made at least
// two replications; nothing otherwise.
std::optional<AchievedMeans> AchievedMeansOf(const RunState& state);

}  // namespace velmor
