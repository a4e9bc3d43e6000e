// The counter-based streams: the generator is Philox4x32-10 as published,
// every deviate sits where the documented key layout puts it, uniforms stay
// strictly inside (0, 1), and a replication takes exactly the deviates its
// model needs from its own substreams.

#include "core/philox_stream.hpp"

#include <Random123/philox.h>
#include <gtest/gtest.h>

#include <Random123/boxmuller.hpp>
#include <array>
#include <bit>
#include <cmath>
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
                const r123::double2 pair = r123::boxmuller(U(w, 0), U(w, 1));
                EXPECT_EQ(Bits(stream.Normal(s, i)), Bits(h == 0 ? pair.x : pair.y))
                    << s << " " << i;
            }
        }
    }
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
        // Group 1: normal, reliability 1: column 0 and a +0 error.
        const double t0 = Stored(Ext(stream.Normal(0, k)) * 2.0 + 10.0);
        EXPECT_EQ(Bits(replicator.trueScores(0)[k]), Bits(t0));
        EXPECT_EQ(Bits(replicator.errorScores(0)[k]), Bits(0.0));
        EXPECT_EQ(Bits(replicator.observedScores(0)[k]), Bits(t0));
        // Group 2: uniform on [-1, 3] from column 1.
        const double scaled = Stored(Ext(4.0) * stream.Uniform(1, k));
        EXPECT_EQ(Bits(replicator.trueScores(1)[k]), Bits(Stored(Ext(scaled) + -1.0)));
    }
    for (int k = 0; k < 5; ++k) {
        // Group 3: reliability .64, its errors from substream 3 + 2.
        EXPECT_EQ(Bits(replicator.errorScores(2)[k]),
                  Bits(Stored(Ext(stream.Normal(5, k)) * spread2.errorSD)));
        EXPECT_EQ(Bits(replicator.trueScores(2)[k]),
                  Bits(Stored(Ext(stream.Normal(2, k)) * spread2.trueSD)));
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
            const double t = Stored(Ext(stream.Normal(1, k)) * spread.trueSD);
            const double e = Stored(Ext(stream.Normal(4, k)) * spread.errorSD);
            const double x = Stored(Ext(t) + e);
            if (x >= -0.5 && x <= 0.5) {
                EXPECT_EQ(Bits(replicator.observedScores(1)[k]), Bits(x));
                continue;
            }
            const double t2 = Stored(Ext(stream.Normal(7, 0)) * spread.trueSD);
            const double e2 = Stored(Ext(stream.Normal(10, 0)) * spread.errorSD);
            const double x2 = Stored(Ext(t2) + e2);
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
