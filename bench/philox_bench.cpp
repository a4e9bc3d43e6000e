// Costs under the counter-based generator, per deviate and per replication:
// where a philox run's time goes, part by part, measured in one run so that
// the ratios between the parts mean something on a noisy machine.

#include <benchmark/benchmark.h>

#include <vector>

#include "core/philox_stream.hpp"
#include "core/random.hpp"
#include "core/replication.hpp"
#include "support/quiet_console.hpp"

namespace velmor {
namespace {

// Deviates in runs of a group's size: normals (the ziggurat over Philox
// words) and as many uniforms (the words alone, with an exact conversion).
template <bool kNormal>
void BM_PhiloxDeviates(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    std::vector<double> out(n);
    PhiloxReplicationKey key{1432449975, 0, 0, 0};
    for (auto _ : state) {
        if (kNormal) {
            PhiloxStream(key).FillNormals(kPhiloxColumn, 0, out);
        } else {
            PhiloxStream(key).FillUniforms(kPhiloxColumn, 0, out);
        }
        benchmark::DoNotOptimize(out.data());
        ++key.replication;
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(n));
}
BENCHMARK(BM_PhiloxDeviates<true>)->Name("BM_PhiloxNormals")->Arg(20)->Arg(80);
BENCHMARK(BM_PhiloxDeviates<false>)->Name("BM_PhiloxUniforms")->Arg(20)->Arg(80);

// A whole replication of three normal groups of n, drawn, described and
// tested by F through the run's critical band, as a block of a philox run
// makes it.
void BM_PhiloxReplication(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ReplicationSettings settings;
    for (GroupSettings& group : settings.groups) {
        group.distribution = Distribution::Normal;
        group.size = n;
        group.sd = 1.0;
    }
    settings.deviateRows = n;
    settings.alpha = 0.05;
    RandomGenerators unused;
    testing::QuietConsole console;
    Replicator replicator(unused, console);
    const FCriticalBand band(2.0, 3.0 * n - 3.0, settings.alpha);
    PhiloxReplicationKey key{1432449975, 0, 0, 0};
    std::int64_t rejections = 0;
    for (auto _ : state) {
        replicator.GenerateReplication(settings, PhiloxStream(key));
        replicator.TestReplication(settings, band, rejections);
        ++key.replication;
    }
    benchmark::DoNotOptimize(rejections);
    state.SetItemsProcessed(state.iterations() * 3 * n);
}
BENCHMARK(BM_PhiloxReplication)->Arg(20)->Arg(80);

}  // namespace
}  // namespace velmor
