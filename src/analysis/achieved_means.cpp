#include "analysis/achieved_means.hpp"

#include <cmath>
#include <limits>

namespace velmor {

std::optional<AchievedMeans> AchievedMeansOf(const RunState& state) {
    const RunResult& r = state.result;
    if (!r.hasResults() || r.completed < 2) return std::nullopt;
    AchievedMeans a;
    a.replications = r.completed;
    const double root = std::sqrt(static_cast<double>(r.completed));
    for (int g = 0; g < kGroups; ++g) {
        a.mean[g] = r.meanOfMeans[g];
        a.mcError[g] = r.seOfMeans[g] / root;
    }
    a.enteredEqual = EnteredMeansEqual(state.settings);
    a.z = -1.0;
    for (int i = 0; i < kGroups; ++i)
        for (int j = i + 1; j < kGroups; ++j) {
            const double difference = std::fabs(a.mean[i] - a.mean[j]);
            const double error = std::hypot(a.mcError[i], a.mcError[j]);
            // No spread at all: any difference is beyond error, none is not.
            const double z = error > 0.0        ? difference / error
                             : difference > 0.0 ? std::numeric_limits<double>::infinity()
                                                : 0.0;
            if (z > a.z) {
                a.z = z;
                a.groupA = i + 1;
                a.groupB = j + 1;
                a.difference = difference;
            }
        }
    a.differ = a.enteredEqual && a.z > kAchievedMeansCriticalZ;
    return a;
}

}  // namespace velmor
