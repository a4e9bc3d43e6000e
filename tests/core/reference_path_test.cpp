// The fast replication against the plain reference path of
// tests/support/reference_replication.hpp: over a broad mix of studies every
// score, every result field, the rejection tally and the generator state must
// agree bit for bit after every replication, on one thread and with the
// random chain on a producer thread.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "core/fp_faults.hpp"
#include "core/replication.hpp"
#include "core/replication_draws.hpp"
#include "core/replication_pipeline.hpp"
#include "support/reference_replication.hpp"

namespace velmor {
namespace {

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

class SilentConsole : public Console {
  public:
    void WriteLine(std::string_view) override {}
    void ReadLine() override {}
};

GroupSettings Normal(int n, double mean = 0.0, double sd = 1.0, double reliability = 1.0) {
    return {.mean = mean,
            .sd = sd,
            .size = n,
            .reliability = reliability,
            .distribution = Distribution::Normal};
}

GroupSettings Uniform(int n, double min, double max, double reliability = 1.0) {
    return {.mean = (min + max) / 2,
            .sd = (max - min) / 3.4641016151377544,
            .size = n,
            .reliability = reliability,
            .distribution = Distribution::Uniform,
            .minimum = min,
            .maximum = max};
}

GroupSettings Bounded(GroupSettings group, bool hasMin, double min, bool hasMax, double max,
                      bool integer) {
    group.hasMinimum = hasMin;
    group.minimum = min;
    group.hasMaximum = hasMax;
    group.maximum = max;
    group.wholeNumbers = integer;
    return group;
}

struct Study {
    std::string name;
    ReplicationSettings settings;
    int replications;
    std::int32_t seed;
};

Study Make(std::string name, GroupSettings g1, GroupSettings g2, GroupSettings g3, int replications,
           std::int32_t seed = -1432449975, bool resampled = true, bool winsorized = false) {
    Study study{std::move(name), {}, replications, seed};
    study.settings.groups = {g1, g2, g3};
    study.settings.bounds = BoundsHandlingOf(resampled, winsorized);
    study.settings.deviateRows = std::max({g1.size, g2.size, g3.size});
    return study;
}

// Parameterised test names carry the study's name; print only that.
void PrintTo(const Study& study, std::ostream* os) {
    *os << study.name;
}

std::vector<Study> Studies() {
    std::vector<Study> studies;
    studies.push_back(Make("DefaultGroups", Normal(16), Normal(16), Normal(16), 3000));
    studies.push_back(Make("UnequalSizesAndReliabilities", Normal(10, 0.0, 1.0, 0.8),
                           Normal(5, 0.5, 2.0, 0.5), Normal(20, -1.0, 1.5, 1.0), 2000, -77));
    // Odd sizes leave a spare normal at the end of a column; the uniform
    // column between two normal ones must neither use nor drop it.
    studies.push_back(Make("OddSizesUniformBetweenNormals", Normal(7, 1.0, 1.0, 0.9),
                           Uniform(13, 0.0, 10.0, 0.75), Normal(9, 2.0, 3.0, 1.0), 2000, -9));
    studies.push_back(Make("UniformGroupsOnly", Uniform(15, 0.0, 1.0, 1.0),
                           Uniform(16, -5.0, 5.0, 0.6), Uniform(17, 100.0, 160.0, 1.0), 1500, -3));
    studies.push_back(Make("WholeNumbersResampledWithinBounds",
                           Bounded(Normal(25, 50.0, 10.0, 0.7), true, 40.0, true, 65.0, true),
                           Bounded(Normal(24, 50.0, 10.0, 1.0), true, 45.0, false, 0.0, true),
                           Bounded(Normal(23, 50.0, 10.0, 0.9), false, 0.0, true, 55.0, false),
                           1500, -1234567));
    studies.push_back(Make("NarrowBoundsRedrawMostCases",
                           Bounded(Normal(12, 0.0, 1.0, 1.0), true, -0.5, true, 0.5, false),
                           Bounded(Normal(11, 0.0, 1.0, 0.5), true, -0.3, true, 0.6, false),
                           Normal(12), 1000, -31));
    studies.push_back(Make(
        "WinsorizedWholeNumbers", Bounded(Normal(30, 1.0, 2.0, 0.8), true, 0.0, true, 3.5, true),
        Bounded(Normal(31, 0.2, 1.0, 1.0), true, 0.0, false, 0.0, false),
        Bounded(Normal(29, 5.0, 1.0, 0.6), false, 0.0, true, 5.5, true), 1500, -2024, false, true));
    studies.push_back(Make("BoundsWithNeitherPolicy",
                           Bounded(Normal(14, 0.0, 1.0, 0.9), true, -0.2, true, 0.2, false),
                           Normal(15), Normal(16), 1000, -55, false, false));
    studies.push_back(Make("BothPoliciesResamplingWins",
                           Bounded(Normal(14, 0.0, 1.0, 0.9), true, -1.0, true, 1.0, true),
                           Normal(15), Normal(16), 1000, -56, true, true));
    studies.push_back(Make("TinyReliabilityLargeMeans", Normal(16, 1.0e6, 3.0, 0.0001),
                           Normal(17, -2.5e7, 0.01, 0.5), Uniform(18, 1.0e9, 1.0e9 + 1.0, 0.3),
                           1000, -8));
    studies.push_back(
        Make("SmallestGroups", Normal(2), Normal(2, 0.0, 1.0, 0.5), Normal(2), 5000, -2));
    studies.push_back(Make("SingleReplication", Normal(16), Normal(16), Normal(16), 1, -5));
    studies.push_back(Make("SeedZeroStartsAsOne", Normal(16), Normal(3), Normal(8), 50, 0));
    // Whole numbers between 1 and 2 around a mean of 1.2 with a tiny SD: every
    // score rounds to 1 and the group has no variance.
    studies.push_back(Make("NoVariance",
                           Bounded(Normal(10, 1.2, 0.01, 1.0), true, 1.0, true, 2.0, true),
                           Normal(10), Normal(10), 30, -41, false, true));
    studies.push_back(
        Make("LargestGroups", Normal(2000, 0.0, 1.0, 1.0), Uniform(1999, 0.0, 1.0, 0.9),
             Bounded(Normal(2000, 100.0, 15.0, 0.8), true, 60.0, true, 140.0, true), 4, -99));
    // The largest groups again with nothing redrawn: odd and even sizes,
    // every kind of group, clamped bounds.
    studies.push_back(Make("LargestGroupsWinsorized", Normal(1999, 0.0, 1.0, 0.7),
                           Uniform(2000, -3.0, 3.0, 1.0),
                           Bounded(Normal(2000, 100.0, 15.0, 0.8), true, 70.0, true, 130.0, true),
                           5, -98, false, true));
    // Bounds about three SDs out: long runs of cases without a redraw, now
    // and then one that is redrawn, in groups of every kind of error.
    studies.push_back(Make("WideBoundsRarelyRedraw",
                           Bounded(Normal(1500, 0.0, 1.0, 0.9), true, -2.9, true, 2.9, false),
                           Bounded(Normal(1400, 10.0, 2.0, 1.0), true, 4.5, true, 15.0, true),
                           Bounded(Normal(1600, 0.0, 1.0, 0.5), false, 0.0, true, 2.4, false), 6,
                           -77777));
    studies.push_back(Make("MediumGroupsLowReliability", Normal(200, 0.3, 1.0, 0.6),
                           Normal(199, 0.0, 1.0, 0.7), Normal(201, -0.3, 1.0, 0.8), 30, -200));
    return studies;
}

::testing::AssertionResult SameScores(std::span<const double> fast, std::span<const double> plain) {
    if (fast.size() != plain.size()) {
        return ::testing::AssertionFailure() << "sizes " << fast.size() << " and " << plain.size();
    }
    for (std::size_t k = 0; k < fast.size(); ++k) {
        if (Bits(fast[k]) != Bits(plain[k])) {
            return ::testing::AssertionFailure()
                   << "case " << k << ": " << fast[k] << " and " << plain[k];
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameResult(const ReplicationResult& a, const ReplicationResult& b) {
    auto differs = [](const char* field, double x, double y) {
        return ::testing::AssertionFailure() << field << ": " << x << " and " << y;
    };
    for (int g = 0; g < kGroups; ++g) {
        if (Bits(a.groupMean[g]) != Bits(b.groupMean[g]))
            return differs("groupMean", a.groupMean[g], b.groupMean[g]);
        if (Bits(a.groupSD[g]) != Bits(b.groupSD[g]))
            return differs("groupSD", a.groupSD[g], b.groupSD[g]);
        if (Bits(a.groupVariance[g]) != Bits(b.groupVariance[g]))
            return differs("groupVariance", a.groupVariance[g], b.groupVariance[g]);
        if (Bits(a.groupSS[g]) != Bits(b.groupSS[g]))
            return differs("groupSS", a.groupSS[g], b.groupSS[g]);
        if (Bits(a.sampleReliability[g]) != Bits(b.sampleReliability[g]))
            return differs("sampleReliability", a.sampleReliability[g], b.sampleReliability[g]);
    }
    if (a.noVariance != b.noVariance) return ::testing::AssertionFailure() << "noVariance";
    if (a.totalN != b.totalN) return ::testing::AssertionFailure() << "totalN";
    const std::pair<const char*, std::pair<double, double>> fields[] = {
        {"grandMean", {a.grandMean, b.grandMean}}, {"ssBetween", {a.ssBetween, b.ssBetween}},
        {"ssWithin", {a.ssWithin, b.ssWithin}},    {"dfBetween", {a.dfBetween, b.dfBetween}},
        {"dfWithin", {a.dfWithin, b.dfWithin}},    {"dfTotal", {a.dfTotal, b.dfTotal}},
        {"msBetween", {a.msBetween, b.msBetween}}, {"msWithin", {a.msWithin, b.msWithin}},
        {"fRatio", {a.fRatio, b.fRatio}},          {"pValue", {a.pValue, b.pValue}}};
    for (const auto& [field, values] : fields) {
        if (Bits(values.first) != Bits(values.second))
            return differs(field, values.first, values.second);
    }
    return ::testing::AssertionSuccess();
}

// How the fast replications are driven.
enum class Path { SingleThread, Pipelined };

std::string PathName(Path path) {
    return path == Path::Pipelined ? "Pipelined" : "SingleThread";
}

// The fast and the plain replicator side by side, each with its own generators.
class SideBySide {
  public:
    explicit SideBySide(Path path = Path::SingleThread)
        : fast_(generators_, console_), pipeline_(fast_, generators_), plain_(console_) {
        pipeline_.setAllowed(path == Path::Pipelined);
        pipeline_.setOverlapChecked(false);  // the pipelined path, however busy the machine
    }

    // Runs one study; both seed words continue from the values they hold.
    // Pipelined, a study runs as one pipelined run wherever a run would be.
    void run(const Study& study) {
        const ReplicationPipeline::Run pipelined(pipeline_, study.settings, fastSeed,
                                                 static_cast<std::uint64_t>(study.replications));
        if (pipeline_.allowed()) {
            ASSERT_EQ(pipeline_.lastRunPipelined(),
                      study.replications > 1 && !AnyGroupRedraws(study.settings));
        }
        pipelinedStudies += pipeline_.lastRunPipelined() ? 1 : 0;
        for (int i = 0; i < study.replications; ++i) {
            SCOPED_TRACE(study.name + ", replication " + std::to_string(i + 1));
            ASSERT_EQ(pipeline_.GenerateReplication(study.settings, fastSeed),
                      Replicator::Outcome::Completed);
            plain_.GenerateReplication(study.settings, plainSeed);
            for (int g = 0; g < kGroups; ++g) {
                SCOPED_TRACE("group " + std::to_string(g + 1));
                ASSERT_TRUE(SameScores(fast_.trueScores(g), plain_.trueScores(g))) << "true scores";
                ASSERT_TRUE(SameScores(fast_.errorScores(g), plain_.errorScores(g))) << "errors";
                ASSERT_TRUE(SameScores(fast_.observedScores(g), plain_.observedScores(g)))
                    << "observed scores";
            }
            if (!fast_.result().noVariance) {
                fast_.TestReplication(study.settings, fastRejections);
                plain_.TestReplication(study.settings, plainRejections);
                ++tested;
            } else {
                ++withoutVariance;
            }
            ASSERT_TRUE(SameResult(fast_.result(), plain_.result()));
            ASSERT_EQ(fastRejections, plainRejections);
            ASSERT_EQ(fastSeed, plainSeed);
            ASSERT_EQ(generators_.shuffleOutput(), plain_.generators.shuffleOutput);
        }
    }

    std::int32_t fastSeed = 0;
    std::int32_t plainSeed = 0;
    std::int64_t fastRejections = 0;
    std::int64_t plainRejections = 0;
    int tested = 0;
    int withoutVariance = 0;
    int pipelinedStudies = 0;
    RandomGenerators generators_;
    reference::ReferenceReplicator& plain() { return plain_; }

  private:
    SilentConsole console_;
    Replicator fast_;
    ReplicationPipeline pipeline_;
    reference::ReferenceReplicator plain_;
};

class ReferencePath : public ::testing::TestWithParam<std::tuple<Study, Path>> {
  protected:
    void SetUp() override { ClearFloatingPointFaults(); }
    void TearDown() override { ClearFloatingPointFaults(); }
};

TEST_P(ReferencePath, FastReplicationMatchesThePlainOneBitForBit) {
    const auto& [study, path] = GetParam();
    SideBySide pair(path);
    pair.fastSeed = pair.plainSeed = study.seed;
    pair.run(study);
    // The streams go on identically after the study.
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(Bits(pair.generators_.UniformDeviate(pair.fastSeed)),
                  Bits(pair.plain().generators.UniformDeviate(pair.plainSeed)));
    }
}

INSTANTIATE_TEST_SUITE_P(Studies, ReferencePath,
                         ::testing::Combine(::testing::ValuesIn(Studies()),
                                            ::testing::Values(Path::SingleThread, Path::Pipelined)),
                         [](const ::testing::TestParamInfo<std::tuple<Study, Path>>& info) {
                             return std::get<0>(info.param).name + "_" +
                                    PathName(std::get<1>(info.param));
                         });

class ReferencePathSequence : public ::testing::TestWithParam<Path> {};

TEST_P(ReferencePathSequence, StudiesBackToBackOnOneStreamAgree) {
    // Settings change between replications while the generators carry on, as
    // in a sample-size search: nothing may linger from the previous study.
    ClearFloatingPointFaults();
    SideBySide pair(GetParam());
    pair.fastSeed = pair.plainSeed = -1432449975;
    for (Study study : Studies()) {
        if (study.settings.deviateRows > 500) continue;
        study.replications = std::min(study.replications, 200);
        pair.run(study);
        if (::testing::Test::HasFatalFailure()) return;
    }
    // Rejections were counted, so the comparison of the tally is not empty,
    // and replications without variance were compared too.
    EXPECT_GT(pair.tested, 2000);
    EXPECT_GT(pair.fastRejections, 0);
    EXPECT_GT(pair.withoutVariance, 0);
    if (GetParam() == Path::Pipelined) {
        EXPECT_GT(pair.pipelinedStudies, 10);
    }
    ClearFloatingPointFaults();
}

INSTANTIATE_TEST_SUITE_P(Paths, ReferencePathSequence,
                         ::testing::Values(Path::SingleThread, Path::Pipelined),
                         [](const ::testing::TestParamInfo<Path>& info) {
                             return PathName(info.param);
                         });

TEST(ReferencePathYardstick, DefaultGroupsRejectAboutFivePercent) {
    // A sanity check of the yardstick itself: under the null hypothesis the
    // plain path rejects close to alpha (2000 replications, SE about 0.5%).
    ClearFloatingPointFaults();
    SilentConsole console;
    reference::ReferenceReplicator plain(console);
    const Study study = Studies().front();
    std::int32_t seed = study.seed;
    std::int64_t rejections = 0;
    for (int i = 0; i < 2000; ++i) {
        plain.GenerateReplication(study.settings, seed);
        plain.TestReplication(study.settings, rejections);
    }
    EXPECT_NEAR(rejections / 2000.0, 0.05, 0.015);
}

}  // namespace
}  // namespace velmor
