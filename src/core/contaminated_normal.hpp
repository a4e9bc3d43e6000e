#pragma once
// The contaminated normal: with probability 1 - p a draw from N(0, 1), with
// probability p one from the wider N(0, k^2) (k = sd_ratio). Its variance is
// 1 - p + p k^2; it is symmetric, and its excess kurtosis is
// 3 (1 - p + p k^4) / (1 - p + p k^2)^2 - 3.

namespace velmor {

// The mixture's quantile at u in (0, 1), before standardisation: the root of
// its CDF by Boost.Math's TOMS 748 solver, bracketed by the two components'
// own quantiles (the mixture's CDF is a weighted mean of theirs, so its
// quantile lies between them).
double ContaminatedQuantile(double proportion, double sdRatio, double u);

double ContaminatedVariance(double proportion, double sdRatio);
double ContaminatedKurtosis(double proportion, double sdRatio);

}  // namespace velmor
