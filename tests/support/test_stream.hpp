#pragma once
// Deviates of the tests' own for statistical checks that must not depend on
// the program's generators: uniforms in (0, 1) from the top 53 bits of
// splitmix64, offset by half a step so neither end is reached, and normals
// by Boost.Math's normal quantile of such a uniform.

#include <boost/math/distributions/normal.hpp>
#include <cstdint>

#include "support/split_mix.hpp"

namespace velmor::testing {

class TestStream {
  public:
    double Uniform() { return (static_cast<double>(bits_.next() >> 11) + 0.5) * 0x1.0p-53; }
    double Normal() { return boost::math::quantile(normal_, Uniform()); }

  private:
    SplitMix64 bits_{20261208};
    boost::math::normal normal_;
};

}  // namespace velmor::testing
