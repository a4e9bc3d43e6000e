// A whole default run (three normal groups of 16, 10000 samples) through the
// Run command on the scripted test platform, against the same study through
// the batch runner on its headless platform. Both sides build a fresh program
// each time and run from the default seed; the ratio says what the window
// model and the test platform cost on top of the replications.

#include <benchmark/benchmark.h>

#include <chrono>
#include <stdexcept>

#include "batch/study_runner.hpp"
#include "support/run_fixture.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

void BM_DefaultRunFakeAgainstHeadless(benchmark::State& state) {
    const velmor::batch::Study defaultStudy;  // no settings: the window's defaults
    double fakeTime = 0.0, headlessTime = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        auto rig = std::make_unique<velmor::testing::RunFixture>();
        rig->run.btnRunClick();
        const std::int64_t rejections = rig->state.tallies.rejections;
        rig.reset();
        const auto t1 = Clock::now();
        const velmor::batch::StudyOutcome outcome = velmor::batch::RunStudy(defaultStudy);
        const auto t2 = Clock::now();
        if (!outcome.ok() || outcome.result.completed != 10000 ||
            outcome.result.rejections != rejections) {
            state.SkipWithError("the two runs differ");
            break;
        }
        fakeTime += Seconds(t0, t1);
        headlessTime += Seconds(t1, t2);
        state.SetIterationTime(Seconds(t0, t1));
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["fake_ms"] = 1e3 * fakeTime / runs;
    state.counters["headless_ms"] = 1e3 * headlessTime / runs;
    state.counters["ratio"] = fakeTime / headlessTime;
}
BENCHMARK(BM_DefaultRunFakeAgainstHeadless)->Unit(benchmark::kMillisecond)->UseManualTime();

// The same default run through the Run command against its replications run
// bare (generate, test, nothing else): the ratio is the command's overhead
// (settings, event pump, tallies, progress texts, verdict).
void BM_DefaultRunCommandAgainstBareReplications(benchmark::State& state) {
    double commandTime = 0.0, bareTime = 0.0;
    velmor::testing::RunFixture rig;
    velmor::RandomGenerators generators;
    velmor::testing::SilentConsole console;
    velmor::Replicator replicator(generators, console);
    for (auto _ : state) {
        const auto t0 = Clock::now();
        rig.state.flags.seedFromField = true;
        rig.run.btnRunClick();
        const auto t1 = Clock::now();
        velmor::ReplicationSettings settings = rig.state.settings;
        std::int32_t seed = -1432449975;
        std::int64_t rejections = 0;
        for (int i = 0; i < 10000; ++i) {
            replicator.GenerateReplication(settings, seed);
            replicator.TestReplication(settings, rejections);
        }
        const auto t2 = Clock::now();
        if (rejections != rig.state.tallies.rejections) {
            state.SkipWithError("the two runs differ");
            break;
        }
        commandTime += Seconds(t0, t1);
        bareTime += Seconds(t1, t2);
        state.SetIterationTime(Seconds(t0, t1));
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["command_ms"] = 1e3 * commandTime / runs;
    state.counters["bare_ms"] = 1e3 * bareTime / runs;
    state.counters["ratio"] = commandTime / bareTime;
}
BENCHMARK(BM_DefaultRunCommandAgainstBareReplications)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace
