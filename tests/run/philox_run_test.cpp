// The Run command under the counter-based generator: every number, text and
// message is the same on one, two or three threads; a replication drawn
// alone from its key equals the one the run made; a stop keeps whole blocks.

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <string>
#include <vector>

#include "support/quiet_console.hpp"
#include "support/run_fixture.hpp"

using namespace velmor;
using velmor::testing::RunFixture;

namespace {

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

struct PhiloxRig : RunFixture {
    explicit PhiloxRig(unsigned threads) {
        state.choices.generator = Generator::Philox;
        run.setPhiloxThreads(threads);
    }
};

struct Scenario {
    std::string name;
    std::function<void(RunFixture&)> setUp;
    std::string message;  // how the message shown begins, if any
};

void PrintTo(const Scenario& scenario, std::ostream* os) {
    *os << scenario.name;
}

std::vector<Scenario> Scenarios() {
    return {
        {"TwoThousandSamples", [](RunFixture& r) { r.set("txtiterations", "2000"); }, ""},
        // A last block of 234, whole numbers, an error variance, kept means.
        {"PartialLastBlock",
         [](RunFixture& r) {
             r.set("txtiterations", "1234");
             r.set("txtmeanstokeep", "1234");
             r.set("txtReliability3", "0.7");
             r.control("chkInteger1").setChecked(true);
             r.set("txtmean2", "0.4");
         },
         ""},
        // Narrow bounds, resampled: most replications redraw cases.
        {"ResampledBounds",
         [](RunFixture& r) {
             r.state.settings.groups[1].hasMinimum = true;
             r.state.settings.groups[1].hasMaximum = true;
             r.set("txtMin2", "-0.6");
             r.set("txtMax2", "0.9");
             r.set("txtReliability2", "0.8");
             r.set("txtiterations", "1000");
         },
         ""},
        {"UniformGroup",
         [](RunFixture& r) {
             r.control("rdoUniform2").setChecked(true);
             r.state.settings.groups[1].distribution = Distribution::Uniform;
             r.state.settings.groups[1].hasMinimum = true;
             r.state.settings.groups[1].hasMaximum = true;
             r.set("txtMin2", "0");
             r.set("txtMax2", "10");
             r.set("txtiterations", "1500");
         },
         ""},
        {"ShapedGroupsAndTests",
         [](RunFixture& r) {
             r.state.choices.shapes[0] = PopulationShape::Fleishman(1.0, 2.0);
             r.state.choices.shapes[2] = PopulationShape::Exponential();
             r.state.choices.tests = MeanTestSelection::All();
             r.set("txtReliability3", "0.8");
             r.set("txtiterations", "1000");
         },
         ""},
        {"OneSampleWithTests",
         [](RunFixture& r) {
             r.state.choices.tests = MeanTestSelection::All();
             r.set("txtiterations", "1");
         },
         ""},
        // Five whole-number scores around 0.5: now and then no variance.
        {"NoVariance",
         [](RunFixture& r) {
             r.set("txtNsize1", "5");
             r.set("txtmean1", "0.5");
             r.set("txtsd1", "0.3");
             r.control("chkInteger1").setChecked(true);
             r.set("txtiterations", "3000");
         },
         "There may have been NO VARIANCE"},
        {"NoVarianceSkipped",
         [](RunFixture& r) {
             r.set("txtNsize1", "5");
             r.set("txtmean1", "0.5");
             r.set("txtsd1", "0.3");
             r.control("chkInteger1").setChecked(true);
             r.state.choices.skipNoVarianceSamples = true;
             r.set("txtiterations", "1500");
         },
         ""},
        {"OverflowFault",
         [](RunFixture& r) {
             for (const char* mean : {"txtmean1", "txtmean2", "txtmean3"}) r.set(mean, "1e308");
             for (const char* sd : {"txtsd1", "txtsd2", "txtsd3"}) r.set(sd, "1e308");
         },
         "Floating point overflow"},
    };
}

class PhiloxRun : public ::testing::TestWithParam<Scenario> {};

TEST_P(PhiloxRun, IsTheSameOnAnyNumberOfThreads) {
    PhiloxRig one(1), two(2), three(3);
    for (PhiloxRig* rig : {&one, &two, &three}) {
        GetParam().setUp(*rig);
        rig->run.btnRunClick();
    }
    const std::vector<std::string> messages = one.platform.messages();
    if (GetParam().message.empty()) {
        EXPECT_EQ(messages, std::vector<std::string>{});
        EXPECT_TRUE(one.state.result.hasResults());
        EXPECT_EQ(one.state.result.generator, Generator::Philox);
    } else {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].rfind(GetParam().message, 0), 0u) << messages[0];
    }
    if (GetParam().name == "NoVarianceSkipped") {
        EXPECT_GT(one.state.result.discardedNoVariance, 0);
    }
    if (GetParam().name == "ShapedGroupsAndTests") {
        EXPECT_GT(one.state.result.tally(MeanTestKind::Welch).rejections, 0);
    }
    for (PhiloxRig* other : {&two, &three}) {
        const RunResult& a = one.state.result;
        const RunResult& b = other->state.result;
        EXPECT_EQ(a.end, b.end);
        EXPECT_EQ(a.completed, b.completed);
        EXPECT_EQ(a.rejections, b.rejections);
        EXPECT_EQ(Bits(a.proportion), Bits(b.proportion));
        EXPECT_EQ(a.verdict, b.verdict);
        EXPECT_EQ(a.discardedNoVariance, b.discardedNoVariance);
        for (int g = 0; g < kGroups; ++g) {
            EXPECT_EQ(Bits(a.meanOfMeans[g]), Bits(b.meanOfMeans[g]));
            EXPECT_EQ(Bits(a.seOfMeans[g]), Bits(b.seOfMeans[g]));
            EXPECT_EQ(Bits(a.meanReliability[g]), Bits(b.meanReliability[g]));
            EXPECT_EQ(a.achievedShape[g].scores, b.achievedShape[g].scores);
            EXPECT_EQ(Bits(a.achievedShape[g].skewness), Bits(b.achievedShape[g].skewness));
            EXPECT_EQ(Bits(a.achievedShape[g].kurtosis), Bits(b.achievedShape[g].kurtosis));
            EXPECT_EQ(one.state.tallies.keptMeans[g], other->state.tallies.keptMeans[g]);
            const auto x = one.replicator.observedScores(g);
            const auto y = other->replicator.observedScores(g);
            EXPECT_TRUE(std::equal(x.begin(), x.end(), y.begin(), y.end())) << "group " << g + 1;
        }
        for (const MeanTestKind kind : kAllMeanTests) {
            EXPECT_EQ(a.tally(kind).rejections, b.tally(kind).rejections);
            EXPECT_EQ(a.tally(kind).notComputed, b.tally(kind).notComputed);
            EXPECT_EQ(Bits(a.tally(kind).last.pValue), Bits(b.tally(kind).last.pValue));
        }
        EXPECT_EQ(one.state.tallies.keptMeansOfLastRun, other->state.tallies.keptMeansOfLastRun);
        EXPECT_EQ(Bits(one.state.lastPValue), Bits(other->state.lastPValue));
        EXPECT_EQ(Bits(one.state.fRatio), Bits(other->state.fRatio));
        for (const char* field :
             {"txtrej1", "txtprop1", "txtActualM1", "txtActualM2", "txtActualM3", "txtSEmean1",
              "txtSEmean2", "txtSEmean3", "btnStopRun", "memoresults", "txtseed"})
            EXPECT_EQ(one.text(field), other->text(field)) << field;
        EXPECT_EQ(messages, other->platform.messages());
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, PhiloxRun, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                             return info.param.name;
                         });

TEST(PhiloxRunKeys, AReplicationDrawnAloneEqualsTheOneTheRunMade) {
    PhiloxRig rig(2);
    rig.state.choices.conditionIndex = 4;
    rig.set("txtiterations", "600");
    rig.set("txtmeanstokeep", "600");
    rig.set("txtReliability1", "0.9");
    rig.run.btnRunClick();
    ASSERT_EQ(rig.state.result.completed, 600);
    const RunSettings& s = rig.state.settings;

    RandomGenerators unused;
    velmor::testing::QuietConsole console;
    Replicator alone(unused, console);
    for (std::uint32_t k : {1U, 2U, 250U, 251U, 500U, 600U}) {
        const PhiloxReplicationKey key{PhiloxSeedWord(s.txtseed), 4, k - 1, 0};
        ASSERT_EQ(alone.GenerateReplication(s, PhiloxStream(key)), Replicator::Outcome::Completed);
        for (int g = 0; g < kGroups; ++g)
            EXPECT_EQ(Bits(alone.result().groupMean[g]),
                      Bits(rig.state.tallies.keptMeans[g][k - 1]))
                << "replication " << k << " group " << g + 1;
    }
    // The last one is the data set the run leaves.
    for (int g = 0; g < kGroups; ++g) {
        const auto x = alone.observedScores(g);
        const auto y = rig.replicator.observedScores(g);
        EXPECT_TRUE(std::equal(x.begin(), x.end(), y.begin(), y.end()));
    }
    // Another condition of the same grid draws other samples from the seed.
    PhiloxRig other(1);
    other.set("txtiterations", "600");
    other.set("txtReliability1", "0.9");
    other.run.btnRunClick();
    EXPECT_NE(Bits(other.state.result.meanOfMeans[0]), Bits(rig.state.result.meanOfMeans[0]));
}

TEST(PhiloxRunStop, KeepsWholeBlocksAndEndsSoon) {
    PhiloxRig rig(2);
    for (const char* size : {"txtNsize1", "txtNsize2", "txtNsize3"}) rig.set(size, "2000");
    rig.set("txtiterations", "100000");
    rig.platform.onEvents = [&](long long n) {
        if (n == 3) rig.control("btnStopRun").click();
    };
    rig.run.btnRunClick();
    EXPECT_EQ(rig.state.result.end, RunEnd::Stopped);
    EXPECT_LT(rig.state.result.completed, 100000);
    EXPECT_EQ(rig.state.result.completed % static_cast<std::int64_t>(kPhiloxBlockSamples), 0);
    EXPECT_EQ(rig.text("btnStopRun"),
              "FINISHED " + std::to_string(rig.state.result.completed) + " Iterations");
    // The figures are exactly those of the same run with that many samples.
    if (rig.state.result.completed > 0) {
        PhiloxRig whole(1);
        for (const char* size : {"txtNsize1", "txtNsize2", "txtNsize3"}) whole.set(size, "2000");
        whole.set("txtiterations", std::to_string(rig.state.result.completed));
        whole.run.btnRunClick();
        EXPECT_EQ(whole.state.result.rejections, rig.state.result.rejections);
        EXPECT_EQ(Bits(whole.state.result.meanOfMeans[1]), Bits(rig.state.result.meanOfMeans[1]));
    }
}

// A case whose bounds it can hardly ever meet redraws for ever: the stop must
// reach it from inside the replication, on the run's own thread as on a
// worker's.
class PhiloxRunEndlessRedraw : public ::testing::TestWithParam<unsigned> {};

TEST_P(PhiloxRunEndlessRedraw, IsStoppedFromInsideTheReplication) {
    PhiloxRig rig(GetParam());
    rig.state.settings.groups[1].hasMinimum = true;
    rig.state.settings.groups[1].hasMaximum = true;
    // A case lands inside the bounds with a chance of about 1e-12.
    rig.set("txtMin2", "-0.0000000000005");
    rig.set("txtMax2", "0.0000000000005");
    rig.set("txtiterations", "1000");
    rig.platform.onEvents = [&](long long n) {
        if (n == 5) rig.control("btnStopRun").click();
    };
    rig.run.btnRunClick();
    EXPECT_EQ(rig.state.result.end, RunEnd::Stopped);
    EXPECT_EQ(rig.state.result.completed, 0);
    EXPECT_EQ(rig.platform.messages(),
              std::vector<std::string>{
                  "-- Processing Stopped by User\n   \n-- Results may not be complete."});
}

INSTANTIATE_TEST_SUITE_P(Threads, PhiloxRunEndlessRedraw, ::testing::Values(1U, 2U));

}  // namespace
