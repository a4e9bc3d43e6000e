#include "core/group_moments.hpp"

#include <cmath>

namespace velmor {

MeanTestStatus DescribeGroups(const ThreeGroups& groups, int minimumSize,
                              std::array<GroupMoments, kGroups>& moments) {
    for (int g = 0; g < kGroups; ++g) {
        const std::span<const double> scores = groups[g];
        if (scores.size() < static_cast<std::size_t>(minimumSize) || scores.empty())
            return MeanTestStatus::TooFewCases;
        double sum = 0.0;
        for (const double x : scores) sum += x;
        const double n = static_cast<double>(scores.size());
        const double mean = sum / n;
        // Checked before the deviations: an infinite mean would turn them into
        // inf - inf.
        if (!std::isfinite(mean)) return MeanTestStatus::NotFinite;
        double squares = 0.0;
        for (const double x : scores) squares += (x - mean) * (x - mean);
        const double variance = scores.size() > 1 ? squares / (n - 1.0) : 0.0;
        if (!std::isfinite(variance)) return MeanTestStatus::NotFinite;
        moments[g] = {n, mean, variance};
    }
    return MeanTestStatus::Computed;
}

bool EveryGroupVaries(const std::array<GroupMoments, kGroups>& moments) {
    for (const GroupMoments& m : moments)
        if (!(m.variance > 0.0)) return false;
    return true;
}

}  // namespace velmor
