// The random chain on its own thread. Each figure is a ratio of two things
// timed alternately in the same loop:
//
//   BM_ReplicationsAgainstTheChain/n: a block of replications of three normal
//     groups of n, pipelined (begin, replications, end: the thread's start
//     and join included) and on one thread, each against the chain alone
//     drawing the same uniforms (bench/chain_floor.hpp). pipelined_vs_chain
//     is the figure to hold near 1; single_vs_chain is the same figure
//     without the pipeline (core_bench's vs_chain). The cpu_ counters split
//     the pipelined block by processor time, the producer thread's and the
//     run loop's, each against the chain's: on a machine whose other core is
//     busy the wall-clock figures suffer, these do not, and the larger of
//     the two is what the wall-clock figure comes to on two free cores.
//   BM_Study/...: whole Run commands or the F8 search on the scripted
//     platform, pipelined against single-threaded (pipelined_vs_single).
//     "Resampled" has bounds that are redrawn, where runs stay on one thread
//     by design: its ratio shows what that choice costs (nothing).
//   fell_back: the share of pipelined blocks or runs that went back to one
//     thread because the two did not overlap (near 0 on a quiet machine;
//     bench/busy_machine.sh runs these beside busy programs).
//
// The machine may be busy with other work; rerun with repetitions, e.g.
//   build/bench/pipeline_bench --benchmark_repetitions=5
//   (add --benchmark_report_aggregates_only=true for the medians alone)

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>

#include "chain_floor.hpp"
#include "core/fp_faults.hpp"
#include "core/replication_pipeline.hpp"
#include "search/sample_size_search.hpp"
#include "support/run_fixture.hpp"

namespace velmor {
namespace {

using bench::Clock;
using bench::EqualNormalGroups;
using bench::kDefaultSeedWord;
using bench::Seconds;

// Processor time used so far by the calling thread, or by the whole process.
double ThreadSeconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}
double ProcessSeconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// One block of replications from the default seed word, as a run makes them.
std::int64_t Block(ReplicationPipeline& pipeline, Replicator& replicator,
                   const ReplicationSettings& settings, int replications) {
    std::int32_t seed = kDefaultSeedWord;
    std::int64_t rejections = 0;
    const ReplicationPipeline::Run run(pipeline, settings, seed,
                                       static_cast<std::uint64_t>(replications));
    for (int i = 0; i < replications; ++i) {
        pipeline.GenerateReplication(settings, seed);
        replicator.TestReplication(settings, rejections);
    }
    return rejections;
}

void BM_ReplicationsAgainstTheChain(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const ReplicationSettings settings = EqualNormalGroups(n);
    const int block = n >= 1000 ? 40 : n >= 100 ? 200 : 2000;
    ClearFloatingPointFaults();
    bench::ChainFloor floor(bench::UniformsPerReplication(settings, kDefaultSeedWord, block));

    velmor::testing::QuietConsole console;
    RandomGenerators generators;
    Replicator replicator(generators, console);
    ReplicationPipeline pipeline(replicator, generators);
    double pipelinedTime = 0.0, singleTime = 0.0, chainTime = 0.0, sink = 0.0;
    double loopCpu = 0.0, producerCpu = 0.0, chainCpu = 0.0;
    std::int64_t drawn = 0, blocks = 0, fellBack = 0;
    for (auto _ : state) {
        const double thread0 = ThreadSeconds(), process0 = ProcessSeconds();
        const auto t0 = Clock::now();
        pipeline.setAllowed(true);
        const std::int64_t pipelined = Block(pipeline, replicator, settings, block);
        ++blocks;
        fellBack += pipeline.lastRunFellBack() || !pipeline.lastRunPipelined();
        const auto t1 = Clock::now();
        const double thread1 = ThreadSeconds(), process1 = ProcessSeconds();
        pipeline.setAllowed(false);
        const std::int64_t single = Block(pipeline, replicator, settings, block);
        const auto t2 = Clock::now();
        const double thread2 = ThreadSeconds();
        for (std::size_t i = 0; i < floor.replications(); ++i) {
            sink += floor.draw(i);
            drawn += floor.uniforms(i);
        }
        const auto t3 = Clock::now();
        chainCpu += ThreadSeconds() - thread2;
        loopCpu += thread1 - thread0;
        producerCpu += (process1 - process0) - (thread1 - thread0);
        if (pipelined != single) {
            state.SkipWithError("the two paths disagree");
            break;
        }
        pipelinedTime += Seconds(t0, t1);
        singleTime += Seconds(t1, t2);
        chainTime += Seconds(t2, t3);
        state.SetIterationTime(Seconds(t0, t1));
    }
    benchmark::DoNotOptimize(sink);
    state.counters["replications"] = block;
    state.counters["pipelined_vs_chain"] = pipelinedTime / chainTime;
    state.counters["single_vs_chain"] = singleTime / chainTime;
    state.counters["pipelined_vs_single"] = pipelinedTime / singleTime;
    state.counters["cpu_loop_vs_chain"] = loopCpu / chainCpu;
    state.counters["cpu_producer_vs_chain"] = producerCpu / chainCpu;
    state.counters["ns_per_uniform"] = 1e9 * pipelinedTime / static_cast<double>(drawn);
    state.counters["fell_back"] = static_cast<double>(fellBack) / static_cast<double>(blocks);
}
BENCHMARK(BM_ReplicationsAgainstTheChain)->Arg(16)->Arg(200)->Arg(2000)->UseManualTime();

// Which thread values the deviates: blocks of F-alone replications with the
// producer valuing them against blocks where the run's own thread does
// (producer_values_vs_caller; the bits are the same). A run values on the
// producer only when it has tests beside F to keep its own thread busy, so
// this is what that choice would cost or gain a run of F alone.
void BM_WhereDeviatesAreValued(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const ReplicationSettings settings = EqualNormalGroups(n);
    const int block = n >= 1000 ? 40 : 2000;
    ClearFloatingPointFaults();
    velmor::testing::QuietConsole console;
    RandomGenerators generators;
    Replicator replicator(generators, console);
    ReplicationPipeline pipeline(replicator, generators);
    pipeline.setAllowed(true);
    double producerTime = 0.0, callerTime = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        pipeline.setProducerValues(true);
        const std::int64_t byProducer = Block(pipeline, replicator, settings, block);
        const auto t1 = Clock::now();
        pipeline.setProducerValues(false);
        const std::int64_t byCaller = Block(pipeline, replicator, settings, block);
        const auto t2 = Clock::now();
        if (byProducer != byCaller) {
            state.SkipWithError("the two placements disagree");
            break;
        }
        producerTime += Seconds(t0, t1);
        callerTime += Seconds(t1, t2);
        state.SetIterationTime(Seconds(t0, t1));
    }
    state.counters["producer_values_vs_caller"] = producerTime / callerTime;
}
BENCHMARK(BM_WhereDeviatesAreValued)->Arg(16)->Arg(2000)->UseManualTime();

// A Run command rig on the scripted platform, with the search beside it.
struct StudyRig : velmor::testing::RunFixture {
    explicit StudyRig(bool pipelined) : search(windows, platform, state, run) {
        run.setPipelineAllowed(pipelined);
    }
    void setSizes(const char* size) {
        for (const char* field : {"txtNsize1", "txtNsize2", "txtNsize3"}) set(field, size);
    }
    SampleSizeSearch search;
};

enum class Study { DefaultRun, LargeGroups, MediumEffectSearch, Resampled };

// Runs the study on a fresh rig; returns its rejections (of the last trial).
std::int64_t RunStudy(Study study, bool pipelined, bool& wasPipelined, bool& fellBack) {
    StudyRig rig(pipelined);
    switch (study) {
        case Study::DefaultRun:
            break;
        case Study::LargeGroups:
            rig.setSizes("2000");
            rig.set("txtiterations", "200");
            break;
        case Study::MediumEffectSearch:
            rig.set("txtmean1", "0.31");
            rig.set("txtmean2", "0");
            rig.set("txtmean3", "-0.31");
            break;
        case Study::Resampled:
            rig.setSizes("200");
            rig.set("txtiterations", "1000");
            for (auto& group : rig.state.settings.groups)
                group.hasMinimum = group.hasMaximum = true;
            for (const char* min : {"txtMin1", "txtMin2", "txtMin3"}) rig.set(min, "-2.5");
            for (const char* max : {"txtMax1", "txtMax2", "txtMax3"}) rig.set(max, "2.5");
            break;
    }
    if (study == Study::MediumEffectSearch) {
        rig.search.GetPower801Click();
    } else {
        rig.run.btnRunClick();
    }
    wasPipelined = rig.run.pipeline().lastRunPipelined();
    fellBack = rig.run.pipeline().lastRunFellBack();
    return rig.state.tallies.rejections + 1000000 * (rig.platform.messages().size() != 0);
}

void StudyBenchmark(benchmark::State& state, Study study) {
    double pipelinedTime = 0.0, singleTime = 0.0;
    bool pipelinedRun = false, singleRun = false, fellBack = false, singleFellBack = false;
    std::int64_t runs = 0, fellBackRuns = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const std::int64_t pipelined = RunStudy(study, true, pipelinedRun, fellBack);
        const auto t1 = Clock::now();
        ++runs;
        fellBackRuns += fellBack;
        const std::int64_t single = RunStudy(study, false, singleRun, singleFellBack);
        const auto t2 = Clock::now();
        if (pipelined != single || singleRun) {
            state.SkipWithError("the two runs disagree");
            break;
        }
        pipelinedTime += Seconds(t0, t1);
        singleTime += Seconds(t1, t2);
        state.SetIterationTime(Seconds(t0, t1));
    }
    state.counters["pipelined"] = pipelinedRun ? 1 : 0;
    state.counters["fell_back"] = static_cast<double>(fellBackRuns) / static_cast<double>(runs);
    state.counters["pipelined_vs_single"] = pipelinedTime / singleTime;
}

void BM_Study_DefaultRun(benchmark::State& state) {
    StudyBenchmark(state, Study::DefaultRun);
}
void BM_Study_LargeGroups(benchmark::State& state) {
    StudyBenchmark(state, Study::LargeGroups);
}
void BM_Study_MediumEffectSearch(benchmark::State& state) {
    StudyBenchmark(state, Study::MediumEffectSearch);
}
void BM_Study_Resampled(benchmark::State& state) {
    StudyBenchmark(state, Study::Resampled);
}
BENCHMARK(BM_Study_DefaultRun)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Study_LargeGroups)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Study_MediumEffectSearch)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Study_Resampled)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmor
