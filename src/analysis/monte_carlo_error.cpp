#include "analysis/monte_carlo_error.hpp"

#include <boost/math/special_functions/beta.hpp>
#include <cmath>

namespace velmor {

double ProportionStandardError(std::int64_t rejections, std::int64_t replications) {
    const double n = static_cast<double>(replications);
    const double p = static_cast<double>(rejections) / n;
    return std::sqrt(p * (1.0 - p) / n);
}

ProportionInterval ClopperPearsonInterval(std::int64_t rejections, std::int64_t replications,
                                          double level) {
    const double r = static_cast<double>(rejections);
    const double n = static_cast<double>(replications);
    const double tail = (1.0 - level) / 2.0;
    ProportionInterval interval;
    // The limits are quantiles of beta distributions: Beta(r, n - r + 1) for
    // the lower, Beta(r + 1, n - r) for the upper. The upper limit is taken
    // from the complement so that its argument stays the small tail
    // probability instead of 1 - tail, which would lose digits near 1.
    if (rejections > 0) interval.low = boost::math::ibeta_inv(r, n - r + 1.0, tail);
    if (rejections < replications) interval.high = boost::math::ibetac_inv(r + 1.0, n - r, tail);
    return interval;
}

std::optional<MonteCarloError> MonteCarloErrorOf(std::int64_t rejections,
                                                 std::int64_t replications) {
    if (replications < 1 || rejections < 0 || rejections > replications) return std::nullopt;
    MonteCarloError error;
    error.rejections = rejections;
    error.replications = replications;
    error.proportion = static_cast<double>(rejections) / static_cast<double>(replications);
    error.standardError = ProportionStandardError(rejections, replications);
    error.interval = ClopperPearsonInterval(rejections, replications);
    return error;
}

}  // namespace velmor
