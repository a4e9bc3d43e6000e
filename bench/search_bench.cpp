// The whole F8 search for Cohen's medium effect (means 0.31, 0, -0.31, unit
// SDs, 16 per group to start, count 10000) through the scripted platform,
// against its floor: one ordinary run of the full count at the size found.
// The ratio says how many full-count runs a search costs.
#include <benchmark/benchmark.h>

#include "search/sample_size_search.hpp"
#include "support/run_fixture.hpp"

namespace {

using velmor::SampleSizeSearch;
using velmor::testing::RunFixture;

struct SearchBench : RunFixture {
    SearchBench() : search(windows, platform, state, run) {
        set("txtmean1", "0.31");
        set("txtmean2", "0");
        set("txtmean3", "-0.31");
    }
    SampleSizeSearch search;
};

void BM_MediumEffectSearch(benchmark::State& bench) {
    int trials = 0;
    long long replications = 0;
    int size = 0;
    for (auto _ : bench) {
        bench.PauseTiming();
        auto rig = std::make_unique<SearchBench>();
        bench.ResumeTiming();
        rig->search.GetPower801Click();
        trials = rig->search.trialsRun();
        replications = rig->search.replicationsRun();
        size = rig->state.settings.groups[0].size;
        bench.PauseTiming();
        rig.reset();
        bench.ResumeTiming();
    }
    bench.counters["trials"] = trials;
    bench.counters["replications"] = static_cast<double>(replications);
    bench.counters["size_found"] = size;
}
BENCHMARK(BM_MediumEffectSearch)->Unit(benchmark::kMillisecond);

void BM_FullCountRunAtTheSizeFound(benchmark::State& bench) {
    SearchBench rig;
    for (const char* field : {"txtNsize1", "txtNsize2", "txtNsize3"}) rig.set(field, "52");
    for (auto _ : bench) rig.run.btnRunClick();
    bench.counters["replications"] = static_cast<double>(rig.state.tallies.completedReplications);
}
BENCHMARK(BM_FullCountRunAtTheSizeFound)->Unit(benchmark::kMillisecond);

}  // namespace
