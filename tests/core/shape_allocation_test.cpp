// Drawing from a population shape allocates nothing. This file replaces the
// global allocation functions to count every allocation made while shapes
// are drawn.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

#include "core/shape_transform.hpp"
#include "support/allocation_counter.hpp"
#include "support/test_stream.hpp"

using velmor::testing::allocations;

namespace velmor {
namespace {

TEST(ShapeAllocation, DrawsAllocateNothing) {
    const ShapeTransform transforms[] = {
        ShapeTransform(PopulationShape::Fleishman(1.0, 2.0)),
        ShapeTransform(PopulationShape::GAndH(0.3, 0.05)),
        ShapeTransform(PopulationShape::Lognormal(0.5)),
        ShapeTransform(PopulationShape::Exponential()),
        ShapeTransform(PopulationShape::ChiSquare(3)),
        ShapeTransform(PopulationShape::StudentT(6)),
        ShapeTransform(PopulationShape::Contaminated(0.1, 3)),
    };
    velmor::testing::TestStream stream;
    double sink = 0.0;
    const long before = allocations.load();
    for (const ShapeTransform& t : transforms) {
        for (int i = 0; i < 1000; ++i)
            sink += t(t.input() == ShapeInput::Uniform ? stream.Uniform() : stream.Normal());
    }
    EXPECT_EQ(allocations.load(), before);
    EXPECT_TRUE(std::isfinite(sink));
}

}  // namespace
}  // namespace velmor
