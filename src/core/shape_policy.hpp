#pragma once
// The Boost.Math policy of the quantiles drawn per score. By default Boost
// evaluates a double function in long double and rounds the result; the
// quantiles are then correctly rounded nearly always, at several times the
// cost. Per score a few units in the last place of a double are far below
// what any study can see (the tests hold them to 1e-11 of R and scipy), so
// the per-score quantiles are evaluated in double. Errors still throw.

#include <boost/math/policies/policy.hpp>

namespace velmor {

using ScorePolicy = boost::math::policies::policy<boost::math::policies::promote_double<false>>;

}  // namespace velmor
