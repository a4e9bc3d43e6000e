// The one-pass moment accumulator against scipy, its merge against one pass,
// and its stability far from zero.

#include "core/moment_accumulator.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

namespace velmor {
namespace {

std::vector<double> Scores() {
    std::vector<double> x;
    for (int i = 1; i <= 1000; ++i) x.push_back(std::exp(std::sin(static_cast<double>(i))));
    return x;
}

// x_i = exp(sin(i)), i = 1..1000:
//   /usr/bin/python3 (numpy 1.24, scipy 1.10.1): x.mean(), x.std(ddof=1),
//     stats.skew(x), stats.kurtosis(x)   (bias=True, Fisher: g1 and g2)
// Tolerance 1e-13 relative.
TEST(MomentAccumulator, AgreesWithScipyOnAFixedSample) {
    MomentAccumulator a;
    for (double x : Scores()) a.Add(x);
    EXPECT_EQ(a.count(), 1000);
    EXPECT_NEAR(a.mean(), 1.2670780012745244, 1e-13);
    EXPECT_NEAR(a.sd(), 0.8232390405906791, 1e-13);
    EXPECT_NEAR(a.skewness(), 0.5026268397494909, 1e-13);
    EXPECT_NEAR(a.kurtosis(), -1.2562428283047247, 1e-13);
}

// Blocks of any sizes merged in any grouping give the one-pass values.
TEST(MomentAccumulator, MergedBlocksEqualOnePass) {
    const std::vector<double> x = Scores();
    MomentAccumulator whole;
    for (double v : x) whole.Add(v);
    for (std::size_t block : {1u, 7u, 250u, 999u}) {
        MomentAccumulator merged, lastFirst;
        std::vector<MomentAccumulator> blocks;
        for (std::size_t start = 0; start < x.size(); start += block) {
            MomentAccumulator b;
            for (std::size_t i = start; i < std::min(x.size(), start + block); ++i) b.Add(x[i]);
            blocks.push_back(b);
        }
        for (const auto& b : blocks) merged.Merge(b);
        for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) lastFirst.Merge(*it);
        for (const MomentAccumulator* m : {&merged, &lastFirst}) {
            EXPECT_EQ(m->count(), whole.count()) << block;
            EXPECT_NEAR(m->mean(), whole.mean(), 1e-14) << block;
            EXPECT_NEAR(m->sd(), whole.sd(), 1e-14) << block;
            EXPECT_NEAR(m->skewness(), whole.skewness(), 1e-12) << block;
            EXPECT_NEAR(m->kurtosis(), whole.kurtosis(), 1e-12) << block;
        }
    }
}

// Blocks added at once (as a run adds each replication's true scores) give
// the scipy values above, and far from zero keep the shape.
TEST(MomentAccumulator, AddedBlocksAgreeWithScipy) {
    const std::vector<double> x = Scores();
    for (std::size_t block : {1u, 16u, 333u, 1000u}) {
        MomentAccumulator a, shifted;
        std::vector<double> far;
        for (std::size_t start = 0; start < x.size(); start += block) {
            const std::size_t n = std::min(block, x.size() - start);
            a.AddBlock(std::span<const double>(x).subspan(start, n));
            far.assign(x.begin() + static_cast<long>(start),
                       x.begin() + static_cast<long>(start + n));
            for (double& v : far) v += 1e8;
            shifted.AddBlock(far);
        }
        EXPECT_EQ(a.count(), 1000) << block;
        EXPECT_NEAR(a.mean(), 1.2670780012745244, 1e-13) << block;
        EXPECT_NEAR(a.sd(), 0.8232390405906791, 1e-13) << block;
        EXPECT_NEAR(a.skewness(), 0.5026268397494909, 1e-13) << block;
        EXPECT_NEAR(a.kurtosis(), -1.2562428283047247, 1e-13) << block;
        EXPECT_NEAR(shifted.skewness(), 0.5026268397494909, 1e-6) << block;
        EXPECT_NEAR(shifted.kurtosis(), -1.2562428283047247, 1e-6) << block;
    }
}

// The same scores shifted by 1e8 have the same SD, skewness and kurtosis; sums
// of powers would have lost every digit of the kurtosis here. Tolerances:
// the shift leaves about 1e-8 absolute of each score's value.
TEST(MomentAccumulator, ShiftFarFromZeroKeepsTheShape) {
    MomentAccumulator shifted;
    for (double x : Scores()) shifted.Add(x + 1e8);
    EXPECT_NEAR(shifted.mean(), 1e8 + 1.2670780012745244, 1e-6);
    EXPECT_NEAR(shifted.sd(), 0.8232390405906791, 1e-7);
    EXPECT_NEAR(shifted.skewness(), 0.5026268397494909, 1e-6);
    EXPECT_NEAR(shifted.kurtosis(), -1.2562428283047247, 1e-6);
}

TEST(MomentAccumulator, UndefinedValuesAreNaN) {
    MomentAccumulator a;
    EXPECT_TRUE(std::isnan(a.sd()));
    EXPECT_TRUE(std::isnan(a.skewness()));
    a.Add(3.0);
    a.Add(3.0);
    EXPECT_EQ(a.mean(), 3.0);
    EXPECT_EQ(a.sd(), 0.0);
    EXPECT_TRUE(std::isnan(a.kurtosis()));
    MomentAccumulator empty;
    a.Merge(empty);
    EXPECT_EQ(a.count(), 2);
    empty.Merge(a);
    EXPECT_EQ(empty.count(), 2);
    EXPECT_EQ(empty.mean(), 3.0);
}

}  // namespace
}  // namespace velmor
