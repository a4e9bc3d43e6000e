// Shaped groups in a replication: a shaped group takes the deviates of its
// column as its shape needs them (normal or uniform), transforms each into
// its true score and leaves every other draw of the replication where it
// was; redraws of a resampled shaped case take the same kind of deviate; the
// uniform deviates a quantile shape receives lie strictly inside (0, 1); and
// a replication of shaped groups allocates nothing.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <vector>

#include "core/extended.hpp"
#include "core/fp_faults.hpp"
#include "core/replication.hpp"
#include "core/uniform_scale.hpp"
#include "support/allocation_counter.hpp"
#include "support/quiet_console.hpp"

namespace velmor {
namespace {

std::uint64_t Bits(double x) {
    return std::bit_cast<std::uint64_t>(x);
}

GroupSettings Shaped(const PopulationShape& shape, double mean, double sd, int size) {
    GroupSettings group{.mean = mean, .sd = sd, .size = size};
    group.distribution = Distribution::Shaped;
    group.shape.emplace(shape);
    return group;
}

// Group 2 standing in for a shaped group whose true scores are its raw
// deviates: a normal group N(0, 1) (true score = z exactly) or a uniform
// group on (0, 1) (true score = u exactly).
GroupSettings RawDeviates(ShapeInput input, int size) {
    GroupSettings group{.mean = 0.0, .sd = 1.0, .size = size};
    if (input == ShapeInput::Uniform) {
        group.distribution = Distribution::Uniform;
        group.minimum = 0.0;
        group.maximum = 1.0;
    }
    return group;
}

struct ShapeCase {
    const char* name;
    PopulationShape shape;
};

class ShapedColumn : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ShapedColumn, TakesItsColumnAsItsShapeNeedsAndLeavesOtherDrawsAlone) {
    const PopulationShape shape = GetParam().shape;
    const ShapeTransform transform(shape);
    ReplicationSettings shaped, raw;
    for (ReplicationSettings* s : {&shaped, &raw}) {
        s->groups[0] = {.mean = 1.0, .sd = 2.0, .size = 12};
        s->groups[2] = {.mean = -3.0, .sd = 0.5, .size = 9, .reliability = 0.8};
        s->deviateRows = 12;
    }
    shaped.groups[1] = Shaped(shape, 50.0, 10.0, 11);
    raw.groups[1] = RawDeviates(transform.input(), 11);

    ClearFloatingPointFaults();
    RandomGenerators g1, g2;
    velmor::testing::QuietConsole console;
    Replicator a(g1, console), b(g2, console);
    std::int32_t seedA = -98765, seedB = -98765;
    for (int replication = 0; replication < 5; ++replication) {
        ASSERT_EQ(a.GenerateReplication(shaped, seedA), Replicator::Outcome::Completed);
        ASSERT_EQ(b.GenerateReplication(raw, seedB), Replicator::Outcome::Completed);
        // The streams advanced alike: the same number and kind of deviates.
        ASSERT_EQ(seedA, seedB);
        ASSERT_EQ(g1.shuffleOutput(), g2.shuffleOutput());
        for (int g : {0, 2}) {
            for (std::size_t k = 0; k < a.observedScores(g).size(); ++k)
                ASSERT_EQ(Bits(a.observedScores(g)[k]), Bits(b.observedScores(g)[k]));
        }
        const auto deviates = b.trueScores(1);
        const auto scores = a.trueScores(1);
        ASSERT_EQ(scores.size(), 11u);
        for (std::size_t k = 0; k < scores.size(); ++k) {
            const double expected = Stored(Ext(transform(deviates[k])) * 10.0 + 50.0);
            ASSERT_EQ(Bits(scores[k]), Bits(expected)) << "case " << k + 1;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ShapedColumn,
    ::testing::Values(ShapeCase{"fleishman", PopulationShape::Fleishman(1.0, 2.0)},
                      ShapeCase{"g_and_h", PopulationShape::GAndH(0.3, 0.05)},
                      ShapeCase{"lognormal", PopulationShape::Lognormal(0.5)},
                      ShapeCase{"exponential", PopulationShape::Exponential()},
                      ShapeCase{"chi_square", PopulationShape::ChiSquare(4)},
                      ShapeCase{"t", PopulationShape::StudentT(10)},
                      ShapeCase{"contaminated", PopulationShape::Contaminated(0.1, 3)}),
    [](const ::testing::TestParamInfo<ShapeCase>& info) { return info.param.name; });

// Resampling redraws a case outside the bounds with a fresh deviate of the
// kind the shape takes: a quantile shape handed a normal deviate would be
// asked for the quantile of a probability outside (0, 1). Winsorizing and
// whole numbers apply as to a normal group.
TEST(ShapedBounds, ResampledAndWinsorizedShapesStayWithinTheirBounds) {
    ClearFloatingPointFaults();
    RandomGenerators generators;
    velmor::testing::QuietConsole console;
    Replicator replicator(generators, console);
    ReplicationSettings s;
    s.groups[0] = Shaped(PopulationShape::Exponential(), 10.0, 2.0, 40);
    s.groups[1] = Shaped(PopulationShape::Fleishman(1.5, 4.0), 10.0, 2.0, 40);
    s.groups[2] = Shaped(PopulationShape::StudentT(6), 10.0, 2.0, 40);
    for (GroupSettings& g : s.groups) {
        g.reliability = 0.9;
        g.hasMinimum = g.hasMaximum = true;
        g.minimum = 8.0;
        g.maximum = 12.0;
    }
    s.groups[2].wholeNumbers = true;
    s.deviateRows = 40;
    for (const BoundsHandling bounds : {BoundsHandling::Resample, BoundsHandling::Winsorize}) {
        s.bounds = bounds;
        std::int32_t seed = -4242;
        for (int replication = 0; replication < 50; ++replication) {
            ASSERT_EQ(replicator.GenerateReplication(s, seed), Replicator::Outcome::Completed);
            for (int g = 0; g < kGroups; ++g) {
                for (const double score : replicator.observedScores(g)) {
                    ASSERT_GE(score, 8.0) << "group " << g + 1;
                    ASSERT_LE(score, 12.0) << "group " << g + 1;
                }
            }
            for (const double score : replicator.observedScores(2))
                ASSERT_EQ(score, std::round(score));
        }
    }
}

// The uniform generator's extremes: its smallest and largest values lie
// strictly inside (0, 1), so every quantile shape gets a finite score from
// each and no deviate needs adjusting.
TEST(ShapedUniforms, TheGeneratorsExtremesGiveFiniteScores) {
    const double lowest = ScaledOutput(1);
    const double highest = ScaledOutput(2147483562);
    ASSERT_GT(lowest, 0.0);
    ASSERT_LT(highest, 1.0);
    for (const PopulationShape& shape :
         {PopulationShape::Exponential(), PopulationShape::ChiSquare(1),
          PopulationShape::StudentT(4.5), PopulationShape::Contaminated(0.5, 10)}) {
        const ShapeTransform transform(shape);
        EXPECT_TRUE(std::isfinite(transform(lowest))) << ShapeName(shape.family);
        EXPECT_TRUE(std::isfinite(transform(highest))) << ShapeName(shape.family);
        EXPECT_LT(transform(lowest), transform(highest)) << ShapeName(shape.family);
    }
}

TEST(ShapedAllocation, ReplicationsOfShapedGroupsAllocateNothing) {
    ClearFloatingPointFaults();
    RandomGenerators generators;
    velmor::testing::QuietConsole console;
    Replicator replicator(generators, console);
    ReplicationSettings s;
    s.groups[0] = Shaped(PopulationShape::Fleishman(1.0, 2.0), 0.0, 1.0, 2000);
    s.groups[1] = Shaped(PopulationShape::Contaminated(0.1, 3), 0.0, 1.0, 2000);
    s.groups[2] = Shaped(PopulationShape::ChiSquare(3), 5.0, 1.0, 2000);
    s.groups[2].hasMinimum = true;
    s.groups[2].minimum = 3.5;
    s.deviateRows = 2000;
    std::int32_t seed = -1432449975;
    std::int64_t rejections = 0;
    const long before = velmor::testing::allocations;
    for (int i = 0; i < 6; ++i) {
        s.bounds = i % 2 == 0 ? BoundsHandling::Resample : BoundsHandling::Winsorize;
        ASSERT_EQ(replicator.GenerateReplication(s, seed), Replicator::Outcome::Completed);
        replicator.TestReplication(s, rejections);
    }
    EXPECT_EQ(velmor::testing::allocations - before, 0);
}

}  // namespace
}  // namespace velmor
