// The Run command with its random chain on a producer thread against the
// same command on one thread: the same tallies, texts, messages, data set
// and generator state after a run that ends normally, on a stop, on a data
// set without variance and on a floating-point fault; and a stop in a run
// of large groups is answered before the next replication.

#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <string>
#include <vector>

#include "support/run_fixture.hpp"

using namespace velmor;
using velmor::testing::RunFixture;

namespace {

struct Scenario {
    std::string name;
    std::function<void(RunFixture&)> setUp;
    long long stopAtPump = 0;  // 0: no stop
    std::string message;       // how the message shown begins, if any
    long long leastPumps = 1;  // the run reaches at least this far
};

void PrintTo(const Scenario& scenario, std::ostream* os) {
    *os << scenario.name;
}

struct Rig : RunFixture {
    explicit Rig(bool pipelined) {
        run.setPipelineAllowed(pipelined);
        run.pipeline().setOverlapChecked(false);  // the pipelined path, however busy the machine
    }

    void runScenario(const Scenario& scenario) {
        scenario.setUp(*this);
        if (scenario.stopAtPump > 0) {
            platform.onEvents = [this, pump = scenario.stopAtPump](long long n) {
                if (n == pump) control("btnStopRun").click();
            };
        }
        run.btnRunClick();
    }
};

std::vector<Scenario> Scenarios() {
    return {
        {"RunToTheEnd", [](RunFixture& r) { r.set("txtiterations", "3000"); }, 0, "", 3000},
        {"StopAfterFortyOne",
         [](RunFixture& r) {
             r.set("txtNsize2", "41");
             r.set("txtReliability3", "0.7");
         },
         42, "-- Processing Stopped by User", 42},
        {"StopBeforeTheFirst", [](RunFixture&) {}, 1, "-- Processing Stopped by User"},
        // Whole numbers of five scores around 0.5 with a small spread: now and
        // then all five round alike, some replications into the run.
        {"NoVarianceAfterSomeReplications",
         [](RunFixture& r) {
             r.set("txtNsize1", "5");
             r.set("txtmean1", "0.5");
             r.set("txtsd1", "0.3");
             r.control("chkInteger1").setChecked(true);
         },
         0, "There may have been NO VARIANCE", 3},
        {"OverflowFault",
         [](RunFixture& r) {
             for (const char* mean : {"txtmean1", "txtmean2", "txtmean3"}) r.set(mean, "1e308");
             for (const char* sd : {"txtsd1", "txtsd2", "txtsd3"}) r.set(sd, "1e308");
         },
         0, "Floating point overflow"},
        {"UniformGroupsAndMeansKept",
         [](RunFixture& r) {
             r.control("rdoUniform2").setChecked(true);
             r.state.settings.groups[1].distribution = Distribution::Uniform;
             // The coupling rules check the bounds of a uniform group.
             r.state.settings.groups[1].hasMinimum = true;
             r.state.settings.groups[1].hasMaximum = true;
             r.set("txtMin2", "0");
             r.set("txtMax2", "10");
             r.set("txtiterations", "1500");
             r.set("txtmeanstokeep", "1500");
         },
         0, "", 1500},
        // A normal-input and a quantile shape beside a normal group.
        {"ShapedGroups",
         [](RunFixture& r) {
             r.state.choices.shapes[0] = PopulationShape::Fleishman(1.0, 2.0);
             r.state.choices.shapes[2] = PopulationShape::Exponential();
             r.set("txtReliability3", "0.8");
             r.set("txtiterations", "1500");
         },
         0, "", 1500},
        // Tests beside F move the valuing of the deviates to the producer:
        // normal errors (reliability below 1), signs only (reliability 1),
        // a uniform group and an odd size that leaves a spare behind.
        {"TestsBesideF",
         [](RunFixture& r) {
             for (const MeanTestKind kind : kAllMeanTests) r.state.choices.tests.choose(kind);
             r.set("txtNsize2", "41");
             r.set("txtReliability3", "0.7");
             r.control("rdoUniform1").setChecked(true);
             r.state.settings.groups[0].distribution = Distribution::Uniform;
             r.state.settings.groups[0].hasMinimum = true;
             r.state.settings.groups[0].hasMaximum = true;
             r.set("txtMin1", "0");
             r.set("txtMax1", "10");
             r.set("txtiterations", "1500");
         },
         0, "", 1500},
        {"TestsBesideFStopped",
         [](RunFixture& r) {
             for (const MeanTestKind kind : kAllMeanTests) r.state.choices.tests.choose(kind);
             r.state.choices.shapes[1] = PopulationShape::Exponential();
             r.set("txtReliability2", "0.6");
         },
         42, "-- Processing Stopped by User", 42},
    };
}

std::uint64_t Bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

class PipelinedRun : public ::testing::TestWithParam<Scenario> {};

TEST_P(PipelinedRun, LeavesWhatTheSingleThreadRunLeaves) {
    Rig single(false), pipelined(true);
    single.runScenario(GetParam());
    pipelined.runScenario(GetParam());
    EXPECT_FALSE(single.run.pipeline().lastRunPipelined());
    EXPECT_TRUE(pipelined.run.pipeline().lastRunPipelined());
    EXPECT_FALSE(pipelined.run.pipeline().producerThreadExists());
    // The scenario came about as meant.
    const std::vector<std::string> messages = pipelined.platform.messages();
    if (GetParam().message.empty()) {
        EXPECT_EQ(messages, std::vector<std::string>{});
    } else {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].rfind(GetParam().message, 0), 0u) << messages[0];
    }
    EXPECT_GE(pipelined.platform.eventPumps, GetParam().leastPumps);

    const RunTallies& a = single.state.tallies;
    const RunTallies& b = pipelined.state.tallies;
    EXPECT_EQ(a.rejections, b.rejections);
    EXPECT_EQ(a.completedReplications, b.completedReplications);
    for (int g = 0; g < kGroups; ++g) {
        EXPECT_EQ(Bits(a.sumOfMeans[g]), Bits(b.sumOfMeans[g]));
        EXPECT_EQ(Bits(a.sumOfSquaredMeans[g]), Bits(b.sumOfSquaredMeans[g]));
        EXPECT_EQ(Bits(a.sumOfReliabilities[g]), Bits(b.sumOfReliabilities[g]));
        EXPECT_EQ(Bits(a.seOfMeans[g]), Bits(b.seOfMeans[g]));
        EXPECT_EQ(a.keptMeans[g], b.keptMeans[g]);
        const auto x = single.replicator.observedScores(g);
        const auto y = pipelined.replicator.observedScores(g);
        EXPECT_TRUE(std::equal(x.begin(), x.end(), y.begin(), y.end())) << "group " << g + 1;
    }
    EXPECT_EQ(a.keptMeansOfLastRun, b.keptMeansOfLastRun);
    if (GetParam().name == "ShapedGroups") {
        EXPECT_TRUE(single.state.result.achievedShape[0].shaped);
        EXPECT_EQ(single.state.result.achievedShape[2].scores, 1500 * 16);
    }
    for (int g = 0; g < kGroups; ++g) {
        const AchievedShape& x = single.state.result.achievedShape[g];
        const AchievedShape& y = pipelined.state.result.achievedShape[g];
        EXPECT_EQ(x.shaped, y.shaped);
        EXPECT_EQ(x.scores, y.scores);
        EXPECT_EQ(Bits(x.skewness), Bits(y.skewness));
        EXPECT_EQ(Bits(x.kurtosis), Bits(y.kurtosis));
    }
    // Who values the deviates depends on whether tests beside F run.
    const bool withTests = pipelined.state.choices.tests.anyBesidesF();
    EXPECT_EQ(pipelined.run.pipeline().producerValues(), withTests);
    for (const MeanTestKind kind : kAllMeanTests) {
        const TestTally& x = single.state.result.tally(kind);
        const TestTally& y = pipelined.state.result.tally(kind);
        EXPECT_EQ(x.rejections, y.rejections) << MeanTestName(kind);
        EXPECT_EQ(x.notComputed, y.notComputed) << MeanTestName(kind);
        if (withTests && kind != MeanTestKind::F && b.completedReplications >= 1000) {
            EXPECT_GT(y.rejections, 0) << MeanTestName(kind);
        }
    }
    EXPECT_EQ(Bits(single.state.lastPValue), Bits(pipelined.state.lastPValue));
    for (const char* field :
         {"txtrej1", "txtprop1", "txtActualM1", "txtActualM2", "txtActualM3", "txtSEmean1",
          "txtSEmean2", "txtSEmean3", "Label7", "btnStopRun", "memoresults", "txtseed"}) {
        EXPECT_EQ(single.text(field), pipelined.text(field)) << field;
    }
    EXPECT_EQ(single.platform.messages(), pipelined.platform.messages());
    EXPECT_EQ(single.platform.eventPumps, pipelined.platform.eventPumps);

    // The generators are left exactly where the single-thread run left them.
    EXPECT_EQ(single.state.seeds.deviateSeed, pipelined.state.seeds.deviateSeed);
    EXPECT_EQ(single.generators.shuffleOutput(), pipelined.generators.shuffleOutput());
    std::int32_t x = single.state.seeds.deviateSeed, y = pipelined.state.seeds.deviateSeed;
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(Bits(single.generators.NormalDeviate(x)),
                  Bits(pipelined.generators.NormalDeviate(y)));
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, PipelinedRun, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                             return info.param.name;
                         });

TEST(PipelinedRunOfLargeGroups, StopIsAnsweredBeforeTheNextReplication) {
    Rig rig(true);
    for (const char* size : {"txtNsize1", "txtNsize2", "txtNsize3"}) rig.set(size, "2000");
    rig.set("txtiterations", "1000");
    // The producer is well ahead by the time Stop is clicked.
    std::int32_t seedSeenAtStop = 0;
    rig.platform.onEvents = [&](long long n) {
        if (n == 4) {
            rig.control("btnStopRun").click();
            seedSeenAtStop = rig.state.seeds.deviateSeed;
        }
    };
    rig.run.btnRunClick();
    EXPECT_TRUE(rig.run.pipeline().lastRunPipelined());
    EXPECT_FALSE(rig.run.pipeline().producerThreadExists());
    // Three replications done, none after the stop.
    EXPECT_EQ(rig.platform.eventPumps, 4);
    EXPECT_EQ(rig.state.tallies.completedReplications, 3);
    EXPECT_EQ(rig.text("btnStopRun"), "FINISHED 3 Iterations");
    EXPECT_EQ(rig.state.seeds.deviateSeed, seedSeenAtStop);

    // What three replications on one thread leave.
    Rig single(false);
    for (const char* size : {"txtNsize1", "txtNsize2", "txtNsize3"}) single.set(size, "2000");
    single.set("txtiterations", "3");
    single.run.btnRunClick();
    EXPECT_EQ(single.state.seeds.deviateSeed, rig.state.seeds.deviateSeed);
    EXPECT_EQ(single.generators.shuffleOutput(), rig.generators.shuffleOutput());
    EXPECT_EQ(single.text("txtrej1"), rig.text("txtrej1"));
    EXPECT_EQ(single.text("txtActualM2"), rig.text("txtActualM2"));
    const auto x = single.replicator.observedScores(2);
    const auto y = rig.replicator.observedScores(2);
    EXPECT_TRUE(std::equal(x.begin(), x.end(), y.begin(), y.end()));
}

}  // namespace
