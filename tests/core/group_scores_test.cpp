// One group's scores: the spreads, the order of draws, bounds by resampling
// and winsorizing, whole numbers, uniform groups, and the stop check.

#include "core/group_scores.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

namespace velmor {
namespace {

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

GroupSettings NormalGroup(int n, double mean = 0.0, double sd = 1.0, double reliability = 1.0) {
    GroupSettings group;
    group.distribution = Distribution::Normal;
    group.size = n;
    group.mean = mean;
    group.sd = sd;
    group.reliability = reliability;
    return group;
}

class GroupScoresTest : public ::testing::Test {
  protected:
    GroupScoresTest() : trueScores_(kMaxScores), errorScores_(kMaxScores), observed_(kMaxScores) {}

    GenerationOutcome generate(const GroupSettings& group, const std::vector<double>& column,
                               BoundsHandling bounds = {},
                               const std::function<bool()>& stopCheck = {}) {
        return GenerateGroupScores(group, ComputeGroupSpread(group), bounds, column, generators_,
                                   seed_, {trueScores_, errorScores_, observed_}, stopCheck);
    }
    // A twin generator started from the same seed word, to count draws.
    void expectTwinAfterNormals(long normals) {
        RandomGenerators twin;
        std::int32_t twinSeed = kSeed;
        for (long i = 0; i < normals; ++i) twin.NormalDeviate(twinSeed);
        EXPECT_EQ(seed_, twinSeed);
        EXPECT_EQ(Bits(generators_.NormalDeviate(seed_)), Bits(twin.NormalDeviate(twinSeed)));
    }
    std::vector<double> normalColumn(int n, std::int32_t seed) {
        RandomGenerators source;
        std::vector<double> column(n);
        for (double& value : column) value = source.NormalDeviate(seed);
        return column;
    }

    static constexpr std::int32_t kSeed = -20240607;
    RandomGenerators generators_;
    std::int32_t seed_ = kSeed;
    std::vector<double> trueScores_, errorScores_, observed_;
};

TEST(GroupSpread, SplitsObservedVarianceByReliability) {
    GroupSettings group = NormalGroup(10, 100.0, 15.0, 1.0);
    GroupSpread spread = ComputeGroupSpread(group);
    EXPECT_EQ(spread.observedSD, 15.0);
    EXPECT_EQ(spread.trueSD, 15.0);
    EXPECT_EQ(spread.errorSD, 0.0);

    group.reliability = 0.8;
    spread = ComputeGroupSpread(group);
    EXPECT_NEAR(spread.observedSD, 15.0 / std::sqrt(0.8), 1e-12);
    EXPECT_NEAR(spread.trueSD, 15.0, 1e-12);
    EXPECT_NEAR(spread.errorSD * spread.errorSD, 0.2 * spread.observedSD * spread.observedSD,
                1e-10);
}

TEST_F(GroupScoresTest, ReliabilityOneStillDrawsTheErrorDeviate) {
    const std::vector<double> column = {0.3, -1.2, 2.0, 0.0, 1.5};
    ASSERT_EQ(generate(NormalGroup(5, 50.0, 10.0), column), GenerationOutcome::Completed);
    RandomGenerators twin;
    std::int32_t twinSeed = kSeed;
    for (int k = 0; k < 5; ++k) {
        // A zero error keeps the sign of its deviate times 0.
        EXPECT_EQ(Bits(errorScores_[k]), Bits(twin.NormalDeviate(twinSeed) * 0.0)) << k;
        EXPECT_EQ(Bits(observed_[k]), Bits(trueScores_[k]));
        EXPECT_NEAR(trueScores_[k], 50.0 + 10.0 * column[k], 1e-12);
    }
    expectTwinAfterNormals(5);
}

TEST_F(GroupScoresTest, WinsorizedMinimumJustBelowMeanGivesManyExactZeros) {
    GroupSettings group = NormalGroup(2000, 1e-9);
    group.hasMinimum = true;
    group.minimum = 0.0;
    generate(group, normalColumn(2000, -4242), BoundsHandling::Winsorize);
    const long zeros = std::count(observed_.begin(), observed_.begin() + 2000, 0.0);
    EXPECT_GT(zeros, 900);
    EXPECT_LT(zeros, 1100);
    EXPECT_TRUE(std::all_of(observed_.begin(), observed_.begin() + 2000,
                            [](double v) { return v >= 0.0; }));
    expectTwinAfterNormals(2000);  // clamping draws nothing
}

TEST_F(GroupScoresTest, WinsorizingClampsBothEndsAndIsThenRounded) {
    GroupSettings group = NormalGroup(4);
    group.hasMinimum = true;
    group.minimum = -1.5;
    group.hasMaximum = true;
    group.maximum = 2.5;
    group.wholeNumbers = true;
    generate(group, {-3.0, 3.0, 0.7, -1.2}, BoundsHandling::Winsorize);
    // -1.5 and 2.5 are ties and go to the even neighbours -2 and 2.
    EXPECT_EQ(observed_[0], -2.0);
    EXPECT_EQ(observed_[1], 2.0);
    EXPECT_EQ(observed_[2], 1.0);
    EXPECT_EQ(observed_[3], -1.0);
    EXPECT_EQ(trueScores_[0], -3.0);  // the true score keeps its drawn value
}

TEST_F(GroupScoresTest, ResamplingWithoutBoundsDrawsNothingExtra) {
    generate(NormalGroup(50), normalColumn(50, -7), BoundsHandling::Resample);
    expectTwinAfterNormals(50);
}

TEST_F(GroupScoresTest, ResamplingRedrawsWholeCasesTrueScoreFirst) {
    GroupSettings group = NormalGroup(1, 0.0, 1.0, 0.5);
    group.hasMinimum = true;
    group.minimum = -0.2;
    group.hasMaximum = true;
    group.maximum = 0.2;
    generate(group, {-8.0}, BoundsHandling::Resample);
    // Replay: the case's own error, then (true, error) pairs until one fits.
    const GroupSpread spread = ComputeGroupSpread(group);
    RandomGenerators twin;
    std::int32_t twinSeed = kSeed;
    twin.NormalDeviate(twinSeed);
    double trueScore = 0.0, error = 0.0, observed = -8.0;
    long redraws = 0;
    for (;;) {
        bool redrawn = false;
        for (int test = 0; test < 2; ++test) {
            const bool out = test == 0 ? observed < -0.2 : observed > 0.2;
            if (out) {
                trueScore = twin.NormalDeviate(twinSeed) * spread.trueSD;
                error = twin.NormalDeviate(twinSeed) * spread.errorSD;
                observed = trueScore + error;
                redrawn = true;
                ++redraws;
            }
        }
        if (!redrawn) break;
    }
    EXPECT_GT(redraws, 1);
    EXPECT_NEAR(trueScores_[0], trueScore, 1e-14);
    EXPECT_NEAR(errorScores_[0], error, 1e-14);
    EXPECT_GE(observed_[0], -0.2);
    EXPECT_LE(observed_[0], 0.2);
    EXPECT_EQ(seed_, twinSeed);
}

TEST_F(GroupScoresTest, ResampledScoresAllLieWithinTheBounds) {
    GroupSettings group = NormalGroup(2000, 100.0, 15.0, 0.7);
    group.hasMinimum = true;
    group.minimum = 85.0;
    group.hasMaximum = true;
    group.maximum = 130.0;
    ASSERT_EQ(generate(group, normalColumn(2000, -99)), GenerationOutcome::Completed);
    for (int k = 0; k < 2000; ++k) {
        ASSERT_GE(observed_[k], 85.0) << k;
        ASSERT_LE(observed_[k], 130.0) << k;
    }
}

TEST_F(GroupScoresTest, IntegerScoresRoundHalfToEven) {
    GroupSettings group = NormalGroup(7);
    group.wholeNumbers = true;
    generate(group, {2.5, 3.5, -2.5, -3.5, 0.5, 1.5, 2.4999999});
    const double expected[] = {2.0, 4.0, -2.0, -4.0, 0.0, 2.0, 2.0};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(observed_[k], expected[k]) << k;
    EXPECT_EQ(trueScores_[0], 2.5);
}

TEST_F(GroupScoresTest, UniformGroupIgnoresBoundsPolicy) {
    GroupSettings group;
    group.distribution = Distribution::Uniform;
    group.size = 500;
    group.sd = 2.0;
    group.reliability = 0.5;
    group.hasMinimum = true;
    group.hasMaximum = true;
    group.minimum = 10.0;
    group.maximum = 20.0;
    RandomGenerators source;
    std::int32_t sourceSeed = -5;
    std::vector<double> column(500);
    for (double& u : column) u = source.UniformDeviate(sourceSeed);

    generate(group, column, BoundsHandling::Resample);
    int outside = 0;
    for (int k = 0; k < 500; ++k) {
        EXPECT_NEAR(trueScores_[k], 10.0 + 10.0 * column[k], 1e-12);
        if (observed_[k] < 10.0 || observed_[k] > 20.0) ++outside;
    }
    EXPECT_GT(outside, 0);
    expectTwinAfterNormals(500);  // one error deviate per case, no redraws
}

// A case whose bounds are practically unreachable: about 8e-10 per redraw.
GroupSettings UnreachableBounds() {
    GroupSettings group = NormalGroup(1, 0.0, 1000.0);
    group.hasMinimum = true;
    group.minimum = -0.000001;
    group.hasMaximum = true;
    group.maximum = 0.000001;
    return group;
}

TEST_F(GroupScoresTest, StopCheckAbandonsAnEndlessRedrawAfter65536Redraws) {
    int consults = 0;
    const auto outcome = generate(UnreachableBounds(), {5.0}, BoundsHandling::Resample, [&] {
        ++consults;
        return true;
    });
    EXPECT_EQ(outcome, GenerationOutcome::Abandoned);
    EXPECT_EQ(consults, 1);
    // The case's error deviate, then two deviates per redraw.
    expectTwinAfterNormals(1 + 2 * kRedrawsPerStopCheck);
}

TEST_F(GroupScoresTest, StopCheckThatLetsGoLeavesTheStreamUnchanged) {
    // About 8e-7 per redraw: the check is consulted several times.
    GroupSettings group = NormalGroup(1, 0.0, 1000.0);
    group.hasMinimum = true;
    group.minimum = -0.001;
    group.hasMaximum = true;
    group.maximum = 0.001;
    const std::vector<double> column = {5.0};
    int consults = 0;
    ASSERT_EQ(generate(group, column, BoundsHandling::Resample,
                       [&] {
                           ++consults;
                           return false;
                       }),
              GenerationOutcome::Completed);
    EXPECT_GT(consults, 0);
    EXPECT_GE(observed_[0], -0.001);
    EXPECT_LE(observed_[0], 0.001);
    const double checked = observed_[0];
    const std::int32_t checkedSeed = seed_;

    generators_ = RandomGenerators();
    seed_ = kSeed;
    ASSERT_EQ(generate(group, column, BoundsHandling::Resample), GenerationOutcome::Completed);
    EXPECT_EQ(Bits(observed_[0]), Bits(checked));
    EXPECT_EQ(seed_, checkedSeed);
}

}  // namespace
}  // namespace velmor
