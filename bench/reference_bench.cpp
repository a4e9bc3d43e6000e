// Before and after: the plain reference replication of
// tests/support/reference_replication.hpp against the program's own, on the
// three workloads that matter most:
//   DefaultRun:         three normal groups of 16, 10000 samples;
//   LargeGroups:        three normal groups of 2000, 1000 samples;
//   MediumEffectSearch: the F8 search for Cohen's medium effect.
// "RunCommand" drives the program's Run command (and search) through the
// scripted platform, window model included. "Reference" performs exactly the
// same replications with the reference path in a plain loop: the same
// settings and seed words; for the search, the very trials the search ran,
// recorded from a run of it. Run with repetitions and random interleaving so
// both sides are measured together, e.g.
//   reference_bench --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "search/sample_size_search.hpp"
#include "support/reference_replication.hpp"
#include "support/run_fixture.hpp"

namespace {

using velmor::ReplicationSettings;
using velmor::testing::RunFixture;
using velmor::testing::SilentConsole;

// One run's worth of replications: settings, seed word and count.
struct Trial {
    ReplicationSettings settings;
    std::int32_t seedWord = 0;
    std::int64_t replications = 0;
};

// The reference path through the trials, as the run loop does it: every
// replication is generated, and tested unless a group has no variance.
std::int64_t ReferenceReplications(const std::vector<Trial>& trials) {
    SilentConsole console;
    velmor::reference::ReferenceReplicator plain(console);
    std::int64_t rejections = 0;
    for (const Trial& trial : trials) {
        std::int32_t seed = trial.seedWord;
        for (std::int64_t i = 0; i < trial.replications; ++i) {
            plain.GenerateReplication(trial.settings, seed);
            if (plain.result().noVariance) break;
            plain.TestReplication(trial.settings, rejections);
        }
    }
    return rejections;
}

// A Run command rig whose platform records every run it pumps events for: a
// run's first pump still sees the seed word the settings step left (not yet
// positive), each pump is followed by one replication.
struct RecordingRig : RunFixture {
    RecordingRig() : search(windows, platform, state, run) {
        platform.onEvents = [this](long long) {
            if (state.seeds.deviateSeed <= 0) {
                trials.push_back({state.settings, state.seeds.deviateSeed, 0});
            }
            ++trials.back().replications;
        };
    }
    void setSizes(const char* size) {
        for (const char* field : {"txtNsize1", "txtNsize2", "txtNsize3"}) set(field, size);
    }
    velmor::SampleSizeSearch search;
    std::vector<Trial> trials;
};

std::vector<Trial> RecordRun(const char* size, const char* samples) {
    RecordingRig rig;
    rig.setSizes(size);
    rig.set("txtiterations", samples);
    rig.run.btnRunClick();
    return rig.trials;
}

std::vector<Trial> RecordMediumEffectSearch() {
    RecordingRig rig;
    rig.set("txtmean1", "0.31");
    rig.set("txtmean2", "0");
    rig.set("txtmean3", "-0.31");
    rig.search.GetPower801Click();
    return rig.trials;
}

void Report(benchmark::State& state, const std::vector<Trial>& trials) {
    std::int64_t replications = 0;
    for (const Trial& trial : trials) replications += trial.replications;
    state.counters["trials"] = static_cast<double>(trials.size());
    state.counters["replications"] = static_cast<double>(replications);
}

void ReferenceBenchmark(benchmark::State& state, const std::vector<Trial>& trials) {
    for (auto _ : state) benchmark::DoNotOptimize(ReferenceReplications(trials));
    Report(state, trials);
}

void BM_DefaultRun_Reference(benchmark::State& state) {
    ReferenceBenchmark(state, RecordRun("16", "10000"));
}

void BM_DefaultRun_RunCommand(benchmark::State& state) {
    RecordingRig rig;
    for (auto _ : state) {
        rig.trials.clear();
        rig.run.btnRunClick();
    }
    Report(state, rig.trials);
}

void BM_LargeGroups_Reference(benchmark::State& state) {
    ReferenceBenchmark(state, RecordRun("2000", "1000"));
}

void BM_LargeGroups_RunCommand(benchmark::State& state) {
    RecordingRig rig;
    rig.setSizes("2000");
    rig.set("txtiterations", "1000");
    for (auto _ : state) {
        rig.trials.clear();
        rig.run.btnRunClick();
    }
    Report(state, rig.trials);
}

void BM_MediumEffectSearch_Reference(benchmark::State& state) {
    ReferenceBenchmark(state, RecordMediumEffectSearch());
}

void BM_MediumEffectSearch_RunCommand(benchmark::State& state) {
    std::vector<Trial> trials;
    for (auto _ : state) {
        state.PauseTiming();
        auto rig = std::make_unique<RecordingRig>();
        rig->set("txtmean1", "0.31");
        rig->set("txtmean2", "0");
        rig->set("txtmean3", "-0.31");
        state.ResumeTiming();
        rig->search.GetPower801Click();
        state.PauseTiming();
        trials = rig->trials;
        rig.reset();
        state.ResumeTiming();
    }
    Report(state, trials);
}

BENCHMARK(BM_DefaultRun_Reference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DefaultRun_RunCommand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargeGroups_Reference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargeGroups_RunCommand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MediumEffectSearch_Reference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MediumEffectSearch_RunCommand)->Unit(benchmark::kMillisecond);

}  // namespace
