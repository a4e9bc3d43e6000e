#include "analysis/normal_theory.hpp"

#include <algorithm>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/non_central_f.hpp>
#include <cmath>
#include <exception>
#include <stdexcept>

#include "core/group_scores.hpp"
#include "run/number_format.hpp"

namespace velmor {

namespace {

// Observed SDs are taken as equal when they agree to this relative amount: an
// SD of 0.9 with reliability 0.81 and one of 1 with reliability 1 are the same
// population spread, whatever the last bit of 0.9 / sqrt(0.81) says. The
// power moves by far less than any Monte Carlo error over such a difference.
constexpr double kEqualSDTolerance = 1e-12;

// Noncentralities are evaluated up to this value. Beyond it the power is
// taken from here only when it is already 1 to double precision (as it is at
// ordinary alphas: the numerator's chi-square then lies some 250 standard
// deviations above its mean under the null); otherwise it is not available.
constexpr double kLargestEvaluatedNoncentrality = 1e6;

// Why one group's scores are not exactly normal, or an empty text.
std::string GroupObstacle(const GroupSettings& g, int number) {
    const std::string group = "group " + std::to_string(number);
    if (g.uniform()) return group + " is uniform";
    if (g.shaped() && g.shape)
        return group + " has the " + std::string(ShapeName(g.shape->shape().family)) + " shape";
    if (g.hasMinimum && g.hasMaximum)
        return group + " has a minimum and a maximum possible score in force";
    if (g.hasMinimum) return group + " has a minimum possible score in force";
    if (g.hasMaximum) return group + " has a maximum possible score in force";
    if (g.wholeNumbers) return group + " is rounded to whole numbers";
    return {};
}

}  // namespace

double ObservedSD(const GroupSettings& group) {
    return ComputeGroupSpread(group).observedSD;
}

std::optional<std::string> NormalTheoryObstacle(const ReplicationSettings& settings) {
    std::string reasons;
    auto add = [&reasons](const std::string& reason) {
        if (reason.empty()) return;
        reasons += (reasons.empty() ? "" : "; ") + reason;
    };
    for (int g = 0; g < kGroups; ++g) add(GroupObstacle(settings.groups[g], g + 1));
    std::array<double, kGroups> sd{};
    for (int g = 0; g < kGroups; ++g) sd[g] = ObservedSD(settings.groups[g]);
    const double largest = std::max({sd[0], sd[1], sd[2]});
    const double smallest = std::min({sd[0], sd[1], sd[2]});
    if (largest - smallest > kEqualSDTolerance * largest)
        add("the observed SDs differ (" + FormatFixed(sd[0], 6, 4) + ", " +
            FormatFixed(sd[1], 6, 4) + ", " + FormatFixed(sd[2], 6, 4) + ")");
    if (!(smallest > 0.0)) add("an observed SD is zero");
    if (reasons.empty()) return std::nullopt;
    return reasons;
}

NormalTheoryPower FTestPower(const std::array<double, kGroups>& means,
                             const std::array<std::int32_t, kGroups>& sizes, double observedSD,
                             double alpha) {
    NormalTheoryPower theory;
    double total = 0.0;
    double weighted = 0.0;
    for (int g = 0; g < kGroups; ++g) {
        total += sizes[g];
        weighted += sizes[g] * means[g];
    }
    const double grandMean = weighted / total;
    double between = 0.0;
    for (int g = 0; g < kGroups; ++g) {
        const double d = means[g] - grandMean;
        between += sizes[g] * d * d;
    }
    theory.df1 = kGroups - 1;
    theory.df2 = total - kGroups;
    theory.noncentrality = between / (observedSD * observedSD);
    try {
        const boost::math::fisher_f_distribution<double> central(theory.df1, theory.df2);
        theory.criticalF = boost::math::quantile(boost::math::complement(central, alpha));
        // With equal means the F ratio is central and rejects at exactly alpha.
        if (theory.noncentrality == 0.0) {
            theory.power = boost::math::cdf(boost::math::complement(central, theory.criticalF));
        } else {
            // Boost's series cannot start at a Poisson mode beyond the range
            // of its integers (lambda near 1e15). The power only grows with
            // lambda, so where it is already 1 in double precision at a
            // smaller lambda it is 1 at the larger one too.
            const double lambda = std::min(theory.noncentrality, kLargestEvaluatedNoncentrality);
            const boost::math::non_central_f_distribution<double> shifted(theory.df1, theory.df2,
                                                                          lambda);
            theory.power = boost::math::cdf(boost::math::complement(shifted, theory.criticalF));
            if (lambda < theory.noncentrality && theory.power != 1.0)
                throw std::domain_error("noncentrality " + FormatGeneral(theory.noncentrality) +
                                        " is beyond the evaluated range");
        }
        theory.available = true;
    } catch (const std::exception& e) {
        // Boost reports arguments it cannot evaluate (an absurd noncentrality,
        // for instance) by throwing; that is an answer the theory cannot give.
        theory.available = false;
        theory.power = 0.0;
        theory.reason =
            std::string("the noncentral F distribution could not be evaluated (") + e.what() + ")";
    }
    return theory;
}

NormalTheoryPower NormalTheoryPowerAt(const ReplicationSettings& settings,
                                      const std::array<std::int32_t, kGroups>& sizes) {
    if (const std::optional<std::string> obstacle = NormalTheoryObstacle(settings)) {
        NormalTheoryPower theory;
        theory.reason = *obstacle;
        return theory;
    }
    std::array<double, kGroups> means{};
    for (int g = 0; g < kGroups; ++g) means[g] = settings.groups[g].mean;
    return FTestPower(means, sizes, ObservedSD(settings.groups[0]), settings.alpha);
}

NormalTheoryPower NormalTheoryPowerOf(const ReplicationSettings& settings) {
    std::array<std::int32_t, kGroups> sizes{};
    for (int g = 0; g < kGroups; ++g) sizes[g] = settings.groups[g].size;
    return NormalTheoryPowerAt(settings, sizes);
}

std::optional<MeanDistribution> NormalMeanDistribution(const GroupSettings& group) {
    if (!GroupObstacle(group, 1).empty() || group.size < 1) return std::nullopt;
    return MeanDistribution{group.mean, ObservedSD(group) / std::sqrt(double(group.size))};
}

}  // namespace velmor
