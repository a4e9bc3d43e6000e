// Simulation core timings. Each replication benchmark is paired with its
// floor: drawing exactly the normal deviates that replication consumes
// (9n for the matrix, 3n for the errors) and nothing else.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "core/fp_faults.hpp"
#include "core/random.hpp"
#include "core/replication.hpp"

namespace velmor {
namespace {

class NoConsole : public Console {
  public:
    void WriteLine(std::string_view) override {}
    void ReadLine() override {}
};

void BM_UniformDeviate(benchmark::State& state) {
    RandomGenerators generators;
    std::int32_t seed = -1432449975;
    for (auto _ : state) benchmark::DoNotOptimize(generators.UniformDeviate(seed));
}
BENCHMARK(BM_UniformDeviate);

void BM_NormalDeviate(benchmark::State& state) {
    RandomGenerators generators;
    std::int32_t seed = -1432449975;
    for (auto _ : state) benchmark::DoNotOptimize(generators.NormalDeviate(seed));
}
BENCHMARK(BM_NormalDeviate);

ReplicationSettings EqualNormalGroups(int n) {
    ReplicationSettings settings;
    for (GroupSettings& group : settings.groups) {
        group.rdoNormal = true;
        group.txtNsize = n;
    }
    settings.deviateRows = n;
    return settings;
}

void BM_Replication(benchmark::State& state) {
    const ReplicationSettings settings = EqualNormalGroups(static_cast<int>(state.range(0)));
    RandomGenerators generators;
    NoConsole console;
    Replicator replicator(generators, console);
    std::int32_t seed = -1432449975;
    std::int32_t rejections = 0;
    ClearFloatingPointFaults();
    for (auto _ : state) {
        replicator.GenerateReplication(settings, seed);
        replicator.TestReplication(settings, rejections);
    }
    benchmark::DoNotOptimize(rejections);
}
BENCHMARK(BM_Replication)->Arg(16)->Arg(200)->Arg(2000);

void BM_ReplicationDeviatesOnly(benchmark::State& state) {
    const auto n = state.range(0);
    RandomGenerators generators;
    std::int32_t seed = -1432449975;
    for (auto _ : state) {
        generators.ClearSpareNormal();
        for (std::int64_t i = 0; i < 12 * n; ++i) {
            benchmark::DoNotOptimize(generators.NormalDeviate(seed));
        }
    }
}
BENCHMARK(BM_ReplicationDeviatesOnly)->Arg(16)->Arg(200)->Arg(2000);

}  // namespace
}  // namespace velmor
