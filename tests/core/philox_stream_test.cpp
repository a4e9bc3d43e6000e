// The counter-based streams: the generator is Philox4x32-10 as published,
// every deviate sits where the documented key layout puts it, uniforms stay
// strictly inside (0, 1), and a replication takes exactly the deviates its
// model needs from its own substreams.

#include "core/philox_stream.hpp"

#include <Random123/philox.h>
#include <gtest/gtest.h>

#include <Random123/uniform.hpp>
#include <algorithm>
#include <array>
#include <bit>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/random/normal_distribution.hpp>
#include <cmath>
#include <utility>
#include <vector>

#include "core/extended.hpp"
#include "core/fp_faults.hpp"
#include "core/group_scores.hpp"
#include "core/replication.hpp"
#include "support/quiet_console.hpp"

namespace velmor {
namespace {

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

// The words the manual page tells a reader to compute, written out here
// from its text rather than from PhiloxStream's code.
std::array<std::uint32_t, 4> DocumentedBlock(const PhiloxReplicationKey& k, std::uint32_t s,
                                             std::uint64_t j) {
    using P = r123::Philox4x32_R<10>;
    const P::ctr_type ctr = {{static_cast<std::uint32_t>(j & 0xFFFFFFFFU), k.replication, k.attempt,
                              static_cast<std::uint32_t>(s + 16 * (j >> 32))}};
    const P::key_type key = {{k.seed, k.condition}};
    const P::ctr_type w = P()(ctr, key);
    return {w[0], w[1], w[2], w[3]};
}

std::uint64_t U(const std::array<std::uint32_t, 4>& w, int h) {
    return w[2 * h] + (std::uint64_t{w[2 * h + 1]} << 32);
}

// Overflow block k of deviate i, likewise from the manual page's text.
std::array<std::uint32_t, 4> DocumentedOverflowBlock(const PhiloxReplicationKey& key,
                                                     std::uint32_t s, std::uint64_t i,
                                                     std::uint32_t k) {
    using P = r123::Philox4x32_R<10>;
    const P::ctr_type ctr = {
        {static_cast<std::uint32_t>(i & 0xFFFFFFFFU), key.replication, key.attempt,
         static_cast<std::uint32_t>(s + 16 * k + 65536 * (i >> 32)) | 0x80000000U}};
    const P::key_type pkey = {{key.seed, key.condition}};
    const P::ctr_type w = P()(ctr, pkey);
    return {w[0], w[1], w[2], w[3]};
}

// The words a normal deviate reads, in the documented order: its primary
// half, then u_0 and u_1 of its overflow blocks 0, 1, ...; counts them.
class DocumentedWords {
  public:
    using result_type = std::uint64_t;
    static constexpr result_type min() { return 0; }
    static constexpr result_type max() { return ~result_type{0}; }
    DocumentedWords(const PhiloxReplicationKey& key, std::uint32_t s, std::uint64_t i)
        : key_(key), s_(s), i_(i) {}
    result_type operator()() {
        const int k = taken++;
        if (k == 0) return U(DocumentedBlock(key_, s_, i_ / 2), static_cast<int>(i_ % 2));
        return U(DocumentedOverflowBlock(key_, s_, i_, static_cast<std::uint32_t>((k - 1) / 2)),
                 (k - 1) % 2);
    }
    int taken = 0;

  private:
    PhiloxReplicationKey key_;
    std::uint32_t s_;
    std::uint64_t i_;
};

// Boost.Random's ziggurat (the manual page names it) over those words.
double DocumentedNormal(const PhiloxReplicationKey& key, std::uint32_t s, std::uint64_t i,
                        int* taken = nullptr) {
    DocumentedWords words(key, s, i);
    const double z = boost::random::normal_distribution<double>()(words);
    if (taken) *taken = words.taken;
    return z;
}

TEST(PhiloxStream, GeneratorIsThePublishedPhilox4x32_10) {
    // Known-answer vectors published with Random123 (kat_vectors,
    // "philox4x32 10"): counter and key all zero, all ones, and the digits of pi.
    using P = r123::Philox4x32_R<10>;
    struct Kat {
        P::ctr_type ctr;
        P::key_type key;
        std::array<std::uint32_t, 4> out;
    };
    const Kat kats[] = {
        {{{0, 0, 0, 0}}, {{0, 0}}, {0x6627e8d5, 0xe169c58d, 0xbc57ac4c, 0x9b00dbd8}},
        {{{0xffffffff, 0xffffffff, 0xffffffff, 0xffffffff}},
         {{0xffffffff, 0xffffffff}},
         {0x408f276d, 0x41c83b0e, 0xa20bc7c6, 0x6d5451fd}},
        {{{0x243f6a88, 0x85a308d3, 0x13198a2e, 0x03707344}},
         {{0xa4093822, 0x299f31d0}},
         {0xd16cfe09, 0x94fdcceb, 0x5001e420, 0x24126ea1}},
    };
    for (const Kat& kat : kats) {
        const P::ctr_type w = P()(kat.ctr, kat.key);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(w[i], kat.out[i]) << "word " << i;
    }
}

TEST(PhiloxStream, DeviatesSitWhereTheKeyLayoutPutsThem) {
    const PhiloxReplicationKey keys[] = {
        {0, 0, 0, 0}, {PhiloxSeedWord(-5), 3, 4999, 0}, {1432449975, 7, 123, 2}};
    for (const PhiloxReplicationKey& key : keys) {
        const PhiloxStream stream(key);
        for (std::uint32_t s : {0U, 4U, 8U, 11U}) {
            for (std::uint64_t i : {0ULL, 1ULL, 2ULL, 7ULL, 3999ULL, (1ULL << 33) + 1}) {
                const auto w = DocumentedBlock(key, s, i / 2);
                const int h = static_cast<int>(i % 2);
                const double uniform = static_cast<double>((U(w, h) >> 11) | 1) * 0x1p-53;
                EXPECT_EQ(Bits(stream.Uniform(s, i)), Bits(uniform)) << s << " " << i;
                EXPECT_EQ(Bits(stream.Normal(s, i)), Bits(DocumentedNormal(key, s, i)))
                    << s << " " << i;
            }
        }
    }
}

TEST(PhiloxStream, DeviatesRejectedAtFirstTakeTheirOwnOverflowWords) {
    // Deviates whose first word is rejected, or falls in the tail, read
    // overflow words; some read past their first overflow block. Each must
    // still be the documented one, in a batch as alone.
    const PhiloxReplicationKey key{1432449975, 4, 17, 0};
    const PhiloxStream stream(key);
    const std::uint32_t s = 3;
    std::vector<double> batch(40000);
    stream.FillNormals(s, 0, batch);
    int overflowed = 0, secondBlock = 0;
    for (std::uint64_t i = 0; i < batch.size(); ++i) {
        int taken = 0;
        const double z = DocumentedNormal(key, s, i, &taken);
        if (taken == 1) continue;
        ++overflowed;
        if (taken > 3) ++secondBlock;
        EXPECT_EQ(Bits(batch[i]), Bits(z)) << i;
        EXPECT_EQ(Bits(stream.Normal(s, i)), Bits(z)) << i;
    }
    // About one deviate in 36 reads beyond its primary word.
    EXPECT_GT(overflowed, 600);
    EXPECT_LT(overflowed, 1700);
    EXPECT_GT(secondBlock, 0);
}

TEST(PhiloxStream, NormalsFollowTheNormalDistributionIntoTheTails) {
    // 2,000,000 deviates in 18 bins, edges at 0, +-.5, ..., +-3.5 and +-4:
    // the outer bins lie wholly in the ziggurat's tail (beyond 3.44), drawn
    // from overflow words. Chi-square against the exact normal probabilities
    // (Boost.Math, not Boost.Random), at the 1e-6 level: a fault in a layer,
    // the sign, the tail or the overflow words moves it far beyond.
    const PhiloxStream stream({7, 0, 0, 0});
    std::vector<double> z(2000000);
    stream.FillNormals(0, 0, z);
    const std::vector<double> edges = {-4,  -3.5, -3,  -2.5, -2,  -1.5, -1,  -0.5, 0,
                                       0.5, 1,    1.5, 2,    2.5, 3,    3.5, 4};
    std::vector<double> counts(edges.size() + 1, 0.0);
    double sum = 0.0;
    for (const double x : z) {
        counts[std::upper_bound(edges.begin(), edges.end(), x) - edges.begin()] += 1.0;
        sum += x;
    }
    const boost::math::normal_distribution<double> normal;
    double chi = 0.0;
    for (std::size_t b = 0; b < counts.size(); ++b) {
        const double low = b == 0 ? 0.0 : boost::math::cdf(normal, edges[b - 1]);
        const double high = b == edges.size() ? 1.0 : boost::math::cdf(normal, edges[b]);
        const double expected = (high - low) * static_cast<double>(z.size());
        chi += (counts[b] - expected) * (counts[b] - expected) / expected;
    }
    const boost::math::chi_squared_distribution<double> reference(
        static_cast<double>(counts.size() - 1));
    EXPECT_LT(chi, boost::math::quantile(boost::math::complement(reference, 1e-6)));
    // The mean: SE 1 / sqrt(2e6) = .00071; 5 SE.
    EXPECT_NEAR(sum / static_cast<double>(z.size()), 0.0, 0.0036);
    // Both tails beyond 4 are reached (expected 63 of 2e6 together).
    EXPECT_GT(counts.front(), 10.0);
    EXPECT_GT(counts.back(), 10.0);
}

TEST(PhiloxStream, KnownStreamsAreTheSameOnEveryProcessor) {
    // A digest (FNV-1a over the bit patterns) of 100,000 normals and as many
    // uniforms, recorded once. The stream is made by one of two compilations,
    // for processors with and without 512-bit vectors; both were checked to
    // give these digests (the second by forcing it on a processor with the
    // vectors), so a philox study reproduces on any x86-64 machine.
    const PhiloxStream stream({1432449975, 3, 999, 0});
    auto digest = [](const std::vector<double>& values) {
        std::uint64_t h = 0xcbf29ce484222325ULL;
        for (const double v : values) {
            h ^= Bits(v);
            h *= 0x100000001b3ULL;
        }
        return h;
    };
    std::vector<double> normals(100000), uniforms(100000);
    stream.FillNormals(4, 5, normals);
    stream.FillUniforms(7, 3, uniforms);
    EXPECT_EQ(digest(normals), 0x528d07e1301b050cULL);
    EXPECT_EQ(digest(uniforms), 0xb14015424e318134ULL);
}

TEST(PhiloxStream, RefusesDeviatesBeyondTheLayout) {
    const PhiloxStream stream({1, 0, 0, 0});
    double x = 0.0;
    EXPECT_NO_THROW(x = stream.Normal(0, kPhiloxSubstreamDeviates - 1));
    EXPECT_TRUE(std::isfinite(x));
    EXPECT_THROW((void)stream.Normal(0, kPhiloxSubstreamDeviates), std::length_error);
    EXPECT_THROW((void)stream.Uniform(6, kPhiloxSubstreamDeviates), std::length_error);
    std::vector<double> two(2);
    EXPECT_THROW(stream.FillNormals(1, kPhiloxSubstreamDeviates - 1, two), std::length_error);
}

TEST(PhiloxStream, BatchesEqualSingleDeviatesFromAnyStart) {
    const PhiloxStream stream({42, 1, 9, 0});
    for (std::uint64_t first : {0ULL, 1ULL, 6ULL}) {
        for (std::size_t count : {std::size_t{1}, std::size_t{2}, std::size_t{5}}) {
            std::vector<double> normals(count), uniforms(count);
            stream.FillNormals(2, first, normals);
            stream.FillUniforms(2, first, uniforms);
            for (std::size_t k = 0; k < count; ++k) {
                EXPECT_EQ(Bits(normals[k]), Bits(stream.Normal(2, first + k)));
                EXPECT_EQ(Bits(uniforms[k]), Bits(stream.Uniform(2, first + k)));
            }
        }
    }
}

TEST(PhiloxStream, UniformsStayStrictlyInsideTheUnitInterval) {
    // The conversion's extremes: the smallest and largest 64-bit words.
    EXPECT_EQ(r123::u01fixedpt<double>(std::uint64_t{0}), 0x1p-53);
    EXPECT_EQ(r123::u01fixedpt<double>(~std::uint64_t{0}), 1.0 - 0x1p-53);
    const PhiloxStream stream({1, 0, 0, 0});
    std::vector<double> u(100000);
    stream.FillUniforms(0, 0, u);
    double low = 1.0, high = 0.0, sum = 0.0;
    for (double x : u) {
        low = std::min(low, x);
        high = std::max(high, x);
        sum += x;
    }
    EXPECT_GT(low, 0.0);
    EXPECT_LT(high, 1.0);
    // Mean of 100000 uniforms: SE 0.00091; 5 SE.
    EXPECT_NEAR(sum / 1e5, 0.5, 0.0046);
}

ReplicationSettings Groups(int n) {
    ReplicationSettings settings;
    for (GroupSettings& group : settings.groups) {
        group.distribution = Distribution::Normal;
        group.size = n;
    }
    settings.deviateRows = n;
    settings.alpha = 0.05;
    return settings;
}

TEST(PhiloxReplication, TakesEachGroupsColumnAndErrorsOnlyBelowReliabilityOne) {
    ClearFloatingPointFaults();
    RandomGenerators generators;
    testing::QuietConsole console;
    Replicator replicator(generators, console);
    ReplicationSettings settings = Groups(7);
    settings.groups[0].mean = 10.0;
    settings.groups[0].sd = 2.0;
    settings.groups[1].distribution = Distribution::Uniform;
    settings.groups[1].minimum = -1.0;
    settings.groups[1].maximum = 3.0;
    settings.groups[2].reliability = 0.64;
    settings.groups[2].size = 5;
    const PhiloxReplicationKey key{77, 2, 31, 0};
    const PhiloxStream stream(key);
    ASSERT_EQ(replicator.GenerateReplication(settings, stream), Replicator::Outcome::Completed);

    const GroupSpread spread2 = ComputeGroupSpread(settings.groups[2]);
    for (int k = 0; k < 7; ++k) {
        // Group 1: normal, reliability 1: column 0 and a +0 error. A philox
        // replication forms its scores in double arithmetic.
        const double t0 = stream.Normal(0, k) * 2.0 + 10.0;
        EXPECT_EQ(Bits(replicator.trueScores(0)[k]), Bits(t0));
        EXPECT_EQ(Bits(replicator.errorScores(0)[k]), Bits(0.0));
        EXPECT_EQ(Bits(replicator.observedScores(0)[k]), Bits(t0));
        // Group 2: uniform on [-1, 3] from column 1.
        const double scaled = 4.0 * stream.Uniform(1, k);
        EXPECT_EQ(Bits(replicator.trueScores(1)[k]), Bits(scaled + -1.0));
    }
    for (int k = 0; k < 5; ++k) {
        // Group 3: reliability .64, its errors from substream 3 + 2.
        EXPECT_EQ(Bits(replicator.errorScores(2)[k]), Bits(stream.Normal(5, k) * spread2.errorSD));
        EXPECT_EQ(Bits(replicator.trueScores(2)[k]), Bits(stream.Normal(2, k) * spread2.trueSD));
    }
    // Drawn again from the same key, alone: the same replication; another
    // replication index or condition: another.
    const double mean = replicator.result().groupMean[0];
    ASSERT_EQ(replicator.GenerateReplication(settings, stream), Replicator::Outcome::Completed);
    EXPECT_EQ(Bits(replicator.result().groupMean[0]), Bits(mean));
    for (const PhiloxReplicationKey other :
         {PhiloxReplicationKey{77, 2, 32, 0}, PhiloxReplicationKey{77, 3, 31, 0},
          PhiloxReplicationKey{78, 2, 31, 0}, PhiloxReplicationKey{77, 2, 31, 1}}) {
        ASSERT_EQ(replicator.GenerateReplication(settings, PhiloxStream(other)),
                  Replicator::Outcome::Completed);
        EXPECT_NE(Bits(replicator.result().groupMean[0]), Bits(mean));
    }
}

// Mean and variance (divisor n - 1) in long double, two passes.
std::pair<long double, long double> MeanAndVariance(std::span<const double> x) {
    long double sum = 0.0L;
    for (const double v : x) sum += v;
    const long double mean = sum / x.size();
    long double squares = 0.0L;
    for (const double v : x) squares += (v - mean) * (v - mean);
    return {mean, squares / (x.size() - 1)};
}

TEST(PhiloxReplication, DescribesEveryGroupSizeAsTwoPassesInLongDouble) {
    // The description in double keeps its sums in four parts: sizes on every
    // residue of 4, and a large group, must all come out as the long-double
    // two-pass moments, to a few units in the last place.
    ClearFloatingPointFaults();
    RandomGenerators generators;
    testing::QuietConsole console;
    Replicator replicator(generators, console);
    for (const int n : {2, 3, 4, 5, 6, 7, 8, 9, 2000}) {
        ReplicationSettings settings = Groups(n);
        settings.groups[0].mean = 1e4;  // a mean large against the spread
        settings.groups[1].reliability = 0.7;
        settings.groups[2].wholeNumbers = true;
        settings.groups[2].sd = 10.0;
        ASSERT_EQ(replicator.GenerateReplication(settings, PhiloxStream({9, 1, 2, 0})),
                  Replicator::Outcome::Completed);
        const ReplicationResult& r = replicator.result();
        for (int g = 0; g < kGroups; ++g) {
            const auto [mean, variance] = MeanAndVariance(replicator.observedScores(g));
            EXPECT_NEAR(r.groupMean[g], mean, 4e-16 * std::fabs(mean) + 1e-15) << n << " " << g;
            EXPECT_NEAR(r.groupVariance[g], variance, 1e-13 * variance) << n << " " << g;
            EXPECT_NEAR(r.groupSD[g] * r.groupSD[g], variance, 1e-13 * variance);
        }
        const long double errorVariance = MeanAndVariance(replicator.errorScores(1)).second;
        EXPECT_NEAR(r.sampleReliability[1],
                    1.0L - errorVariance / MeanAndVariance(replicator.observedScores(1)).second,
                    1e-12)
            << n;
    }
}

TEST(PhiloxReplication, TheBandRejectsExactlyTheSamplesTheProbabilityRejects) {
    // Small groups, alpha .10 and a mean difference: ratios spread widely
    // around the critical value, and those inside the band go to the
    // probability. Each sample's decision must be the probability's own.
    ClearFloatingPointFaults();
    RandomGenerators generators;
    testing::QuietConsole console;
    Replicator replicator(generators, console);
    ReplicationSettings settings = Groups(4);
    settings.alpha = 0.10;
    settings.groups[2].mean = 1.0;
    const FCriticalBand band(2.0, 9.0, settings.alpha);
    const FCriticalBand none;
    std::int64_t byBand = 0, byProbability = 0, undecided = 0;
    for (std::uint32_t k = 0; k < 5000; ++k) {
        ASSERT_EQ(replicator.GenerateReplication(settings, PhiloxStream({3, 0, k, 0})),
                  Replicator::Outcome::Completed);
        const std::int64_t before = byBand;
        replicator.TestReplication(settings, band, byBand);
        if (!std::isnan(replicator.result().pValue)) ++undecided;
        replicator.TestReplication(settings, none, byProbability);
        ASSERT_EQ(byBand - before, replicator.result().pValue <= 0.10 ? 1 : 0) << k;
    }
    EXPECT_EQ(byBand, byProbability);
    EXPECT_GT(byBand, 500);  // a real mix of both decisions
    EXPECT_LT(undecided, 50);
}

TEST(PhiloxReplication, RedrawsComeFromTheGroupsRedrawSubstreams) {
    ClearFloatingPointFaults();
    RandomGenerators generators;
    testing::QuietConsole console;
    Replicator replicator(generators, console);
    ReplicationSettings settings = Groups(40);
    settings.bounds = BoundsHandling::Resample;
    GroupSettings& g1 = settings.groups[1];
    g1.reliability = 0.8;
    g1.hasMinimum = g1.hasMaximum = true;
    g1.minimum = -0.5;
    g1.maximum = 0.5;
    g1.wholeNumbers = false;
    const GroupSpread spread = ComputeGroupSpread(g1);
    bool sawRedraw = false;
    for (std::uint32_t r = 0; r < 20 && !sawRedraw; ++r) {
        const PhiloxStream stream({5, 0, r, 0});
        ASSERT_EQ(replicator.GenerateReplication(settings, stream), Replicator::Outcome::Completed);
        for (double x : replicator.observedScores(1)) {
            EXPECT_GE(x, -0.5);
            EXPECT_LE(x, 0.5);
        }
        // The first case out of bounds takes redraw 0 of substreams 7 and 10
        // (when that one is within bounds).
        for (int k = 0; k < 40; ++k) {
            const double t = stream.Normal(1, k) * spread.trueSD;
            const double e = stream.Normal(4, k) * spread.errorSD;
            const double x = t + e;
            if (x >= -0.5 && x <= 0.5) {
                EXPECT_EQ(Bits(replicator.observedScores(1)[k]), Bits(x));
                continue;
            }
            const double t2 = stream.Normal(7, 0) * spread.trueSD;
            const double e2 = stream.Normal(10, 0) * spread.errorSD;
            const double x2 = t2 + e2;
            if (x2 >= -0.5 && x2 <= 0.5) {
                EXPECT_EQ(Bits(replicator.observedScores(1)[k]), Bits(x2));
                EXPECT_EQ(Bits(replicator.trueScores(1)[k]), Bits(t2));
                sawRedraw = true;
            }
            break;
        }
    }
    EXPECT_TRUE(sawRedraw);
}

}  // namespace
}  // namespace velmor
