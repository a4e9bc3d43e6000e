// The generators' batch draws against one call at a time: the same deviates
// and the same state afterwards, for every kind, size and mix; and their two
// decisions taken from raw shuffle outputs against the converted values.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/random.hpp"
#include "support/split_mix.hpp"

namespace velmor {
namespace {

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

constexpr std::int64_t kModulus = 2147483563;  // a shuffle output s stands for s / kModulus
constexpr std::int32_t kLargestOutput = 2147483562;

// The polar attempt exactly as NormalDeviate forms it from two uniforms.
bool ExactlyAccepted(std::int32_t first, std::int32_t second) {
    const double x1 =
        static_cast<double>(2.0L * RandomGenerators::ScaleShuffleOutput(first) - 1.0L);
    const double x2 =
        static_cast<double>(2.0L * RandomGenerators::ScaleShuffleOutput(second) - 1.0L);
    const double rsq =
        static_cast<double>(static_cast<long double>(x1) * x1 + static_cast<long double>(x2) * x2);
    return rsq < 1.0 && rsq > 0.0;
}

bool ExactlyNegative(std::int32_t output) {
    return std::signbit(
        static_cast<double>(2.0L * RandomGenerators::ScaleShuffleOutput(output) - 1.0L));
}

// Test inputs (splitmix64), no library distribution.
class TestBits : public velmor::testing::SplitMix64 {
  public:
    TestBits() : SplitMix64(7ULL) {}
    std::int32_t output() { return static_cast<std::int32_t>(1 + next() % kLargestOutput); }
};

TEST(PolarDecisions, AcceptanceMatchesTheConvertedPairAlongTheWholeCircle) {
    // For first outputs across the range, the second outputs where the
    // attempt changes from accepted to rejected (both crossings of the
    // circle), and forty on each side: where a wrong decision would show.
    int checked = 0, accepted = 0, disagreements = 0;
    auto check = [&](std::int32_t first, std::int64_t second) {
        if (second < 1 || second > kLargestOutput) return;
        const auto s = static_cast<std::int32_t>(second);
        const bool exact = ExactlyAccepted(first, s);
        disagreements += RandomGenerators::PolarPairAccepted(first, s) != exact;
        accepted += exact;
        ++checked;
    };
    for (std::int64_t step = 0; step <= 20000; ++step) {
        const auto first = static_cast<std::int32_t>(1 + step * (kLargestOutput - 1) / 20000);
        const long double dx = 2.0L * first - kModulus;
        const long double half = std::sqrt(static_cast<long double>(kModulus) * kModulus - dx * dx);
        for (const long double root : {(kModulus - half) / 2, (kModulus + half) / 2}) {
            const auto centre = static_cast<std::int64_t>(std::llround(root));
            for (std::int64_t d = -40; d <= 40; ++d) check(first, centre + d);
        }
    }
    EXPECT_EQ(disagreements, 0);
    EXPECT_GT(checked, 3000000);
    EXPECT_GT(accepted, checked / 3);
    EXPECT_LT(accepted, 2 * checked / 3);
}

TEST(PolarDecisions, PairsClosestToTheCircleAreDecidedExactly) {
    // Integer points within a hair of the circle (|d| < 2^24, where d is the
    // integer measure (2s1 - M)^2 + (2s2 - M)^2 - M^2) take the exact path;
    // they are rare, so they are searched for over many first outputs.
    int nearPairs = 0, disagreements = 0;
    for (std::int64_t first = 1; first <= kLargestOutput; first += 61) {
        const std::int64_t dx = 2 * first - kModulus;
        const long double half = std::sqrt(static_cast<long double>(kModulus) * kModulus -
                                           static_cast<long double>(dx) * dx);
        for (const long double root : {(kModulus - half) / 2, (kModulus + half) / 2}) {
            const std::int64_t second = std::llround(root);
            if (second < 1 || second > kLargestOutput) continue;
            const std::int64_t dy = 2 * second - kModulus;
            const std::int64_t d = dx * dx + dy * dy - kModulus * kModulus;
            if (d <= -(std::int64_t{1} << 24) || d >= (std::int64_t{1} << 24)) continue;
            ++nearPairs;
            const auto a = static_cast<std::int32_t>(first), b = static_cast<std::int32_t>(second);
            disagreements += RandomGenerators::PolarPairAccepted(a, b) != ExactlyAccepted(a, b);
        }
    }
    EXPECT_EQ(disagreements, 0);
    EXPECT_GT(nearPairs, 10);
}

TEST(PolarDecisions, AcceptanceMatchesAtTheClampAndForRandomPairs) {
    TestBits bits;
    int disagreements = 0;
    // Outputs near the top scale to values at or above the clamp, which
    // moves x by up to 2.4e-7: the circle then admits seconds with |x2| up to
    // about 7e-4 instead of 5e-5 (outputs within about 750000 of the middle).
    std::vector<std::int32_t> seconds = {1, 2000000000, kLargestOutput};
    for (std::int32_t d = -1000000; d <= 1000000; d += 25000) seconds.push_back(1073741782 + d);
    for (std::int32_t first = 2147482900; first <= kLargestOutput; ++first) {
        seconds.push_back(first);
        for (const std::int32_t second : seconds) {
            disagreements += RandomGenerators::PolarPairAccepted(first, second) !=
                             ExactlyAccepted(first, second);
            disagreements += RandomGenerators::PolarPairAccepted(second, first) !=
                             ExactlyAccepted(second, first);
        }
        seconds.pop_back();
    }
    for (int i = 0; i < 2000000; ++i) {
        const std::int32_t a = bits.output(), b = bits.output();
        disagreements += RandomGenerators::PolarPairAccepted(a, b) != ExactlyAccepted(a, b);
    }
    EXPECT_EQ(disagreements, 0);
}

TEST(PolarDecisions, NegativeMembersMatchTheConvertedSign) {
    // The sign flips once, between 1073741781 and 1073741782 (u is
    // non-decreasing in the output); checked around the flip, at both ends
    // and at random.
    EXPECT_TRUE(RandomGenerators::PolarMemberNegative(1073741781));
    EXPECT_FALSE(RandomGenerators::PolarMemberNegative(1073741782));
    TestBits bits;
    int disagreements = 0;
    std::vector<std::int32_t> outputs = {1, 2, kLargestOutput - 1, kLargestOutput};
    for (std::int32_t s = 1073741781 - 100000; s <= 1073741782 + 100000; ++s) outputs.push_back(s);
    for (int i = 0; i < 1000000; ++i) outputs.push_back(bits.output());
    for (const std::int32_t s : outputs) {
        disagreements += RandomGenerators::PolarMemberNegative(s) != ExactlyNegative(s);
    }
    EXPECT_EQ(disagreements, 0);
}

// One step of a mixed script: a batch of one kind on one side, the same
// number of single calls on the other.
enum class Kind { SkipUniforms, FillUniforms, SkipNormals, FillNormals, FillNormalSigns };

class BatchAgainstSingleCalls : public ::testing::Test {
  protected:
    // Applies one batch of `count` deviates and its single-call equivalent;
    // false (with a message) at the first difference.
    ::testing::AssertionResult step(Kind kind, int count) {
        std::vector<double> batch(static_cast<std::size_t>(count), -7.0);
        switch (kind) {
            case Kind::SkipUniforms:
                batched.SkipUniforms(batchSeed, count);
                for (int i = 0; i < count; ++i) single.SkipUniform(singleSeed);
                break;
            case Kind::FillUniforms:
                batched.FillUniforms(batchSeed, batch);
                for (int i = 0; i < count; ++i) {
                    if (Bits(batch[i]) != Bits(single.UniformDeviate(singleSeed)))
                        return ::testing::AssertionFailure() << "uniform " << i;
                }
                break;
            case Kind::SkipNormals:
                batched.SkipNormals(batchSeed, count);
                for (int i = 0; i < count; ++i) single.NormalDeviate(singleSeed);
                break;
            case Kind::FillNormals:
                batched.FillNormals(batchSeed, batch);
                for (int i = 0; i < count; ++i) {
                    if (Bits(batch[i]) != Bits(single.NormalDeviate(singleSeed)))
                        return ::testing::AssertionFailure() << "normal " << i;
                }
                break;
            case Kind::FillNormalSigns:
                batched.FillNormalSigns(batchSeed, batch);
                for (int i = 0; i < count; ++i) {
                    const double deviate = single.NormalDeviate(singleSeed);
                    if (batch[i] != (std::signbit(deviate) ? -1.0 : 1.0))
                        return ::testing::AssertionFailure() << "sign " << i;
                }
                break;
        }
        if (batchSeed != singleSeed) return ::testing::AssertionFailure() << "seed words";
        if (batched.shuffleOutput() != single.shuffleOutput())
            return ::testing::AssertionFailure() << "shuffle outputs";
        return ::testing::AssertionSuccess();
    }

    // The streams go on alike, a waiting spare included.
    ::testing::AssertionResult sameContinuation() {
        for (int i = 0; i < 5; ++i) {
            if (Bits(batched.NormalDeviate(batchSeed)) != Bits(single.NormalDeviate(singleSeed)))
                return ::testing::AssertionFailure() << "continuation " << i;
        }
        return ::testing::AssertionSuccess();
    }

    RandomGenerators batched, single;
    std::int32_t batchSeed = -1432449975, singleSeed = -1432449975;
};

TEST_F(BatchAgainstSingleCalls, EveryKindAndSizeLeavesTheSameStream) {
    const Kind kinds[] = {Kind::SkipUniforms, Kind::FillUniforms, Kind::SkipNormals,
                          Kind::FillNormals, Kind::FillNormalSigns};
    // Empty, single, odd and even, across the batches' chunk of 128 pairs,
    // and the size of the largest deviate column.
    const int counts[] = {0, 1, 2, 3, 7, 16, 255, 256, 257, 258, 1001, 4000};
    for (const Kind first : kinds) {
        for (const Kind second : kinds) {
            for (const int count : counts) {
                SCOPED_TRACE(std::to_string(static_cast<int>(first)) + "/" +
                             std::to_string(static_cast<int>(second)) + " count " +
                             std::to_string(count));
                // Odd counts leave a spare for the second batch to take first.
                ASSERT_TRUE(step(first, count));
                ASSERT_TRUE(step(second, count + 1));
                ASSERT_TRUE(sameContinuation());
            }
        }
    }
}

TEST_F(BatchAgainstSingleCalls, MixedWithSingleCallsAndClearedSparesAtRandom) {
    TestBits bits;
    for (int round = 0; round < 3000; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const auto kind = static_cast<Kind>(bits.next() % 5);
        const int count = static_cast<int>(bits.next() % 40);
        ASSERT_TRUE(step(kind, count));
        switch (bits.next() % 4) {
            case 0:  // a skipped spare, then valued by a single call
                batched.SkipNormal(batchSeed);
                single.SkipNormal(singleSeed);
                break;
            case 1:
                ASSERT_EQ(batched.NormalDeviateSign(batchSeed),
                          single.NormalDeviateSign(singleSeed));
                break;
            case 2:  // as at the start of a replication
                batched.ClearSpareNormal();
                single.ClearSpareNormal();
                break;
            default:
                break;
        }
    }
    ASSERT_TRUE(sameContinuation());
}

TEST(BatchDraws, AnEmptyBatchDoesNotStartTheGenerator) {
    // Like a call that draws nothing, an empty batch leaves a restart pending.
    RandomGenerators generators;
    std::int32_t seed = -5;
    generators.SkipUniforms(seed, 0);
    generators.FillUniforms(seed, {});
    generators.SkipNormals(seed, 0);
    generators.FillNormals(seed, {});
    generators.FillNormalSigns(seed, {});
    EXPECT_EQ(seed, -5);
    double first = 0.0;
    generators.FillUniforms(seed, {&first, 1});
    RandomGenerators fresh;
    std::int32_t freshSeed = -5;
    EXPECT_EQ(Bits(first), Bits(fresh.UniformDeviate(freshSeed)));
    EXPECT_EQ(seed, freshSeed);
}

TEST(BatchDraws, ANegativeSeedWordRestartsTheStreamInsideABatch) {
    RandomGenerators generators;
    std::int32_t seed = -99;
    std::vector<double> before(300), after(300);
    generators.FillNormals(seed, before);
    seed = -99;
    generators.ClearSpareNormal();
    generators.FillNormals(seed, after);
    for (std::size_t i = 0; i < before.size(); ++i) ASSERT_EQ(Bits(before[i]), Bits(after[i])) << i;
}

}  // namespace
}  // namespace velmor
