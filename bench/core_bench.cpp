// Simulation core timings. A replication is paired with its floor: drawing
// exactly the uniform deviates that replication consumes and nothing else.
// Every uniform depends on the one before it, so that chain bounds a
// replication from below; the ratio says how much the rest still costs.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/fp_faults.hpp"
#include "core/random.hpp"
#include "core/replication.hpp"
#include "support/quiet_console.hpp"
#include "support/reference_replication.hpp"

namespace velmor {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

constexpr std::int32_t kDefaultSeedWord = -1432449975;

void BM_UniformDeviate(benchmark::State& state) {
    RandomGenerators generators;
    std::int32_t seed = kDefaultSeedWord;
    for (auto _ : state) benchmark::DoNotOptimize(generators.UniformDeviate(seed));
}
BENCHMARK(BM_UniformDeviate);

void BM_NormalDeviate(benchmark::State& state) {
    RandomGenerators generators;
    std::int32_t seed = kDefaultSeedWord;
    for (auto _ : state) benchmark::DoNotOptimize(generators.NormalDeviate(seed));
}
BENCHMARK(BM_NormalDeviate);

// The uniform chain with the two forms of the shuffle slot: the defining
// floating-point quotient and the exact integer division the generator uses
// (the two agree for every output, see tests/core/shuffle_slot_test.cpp).
template <bool kFloatingSlot>
void BM_ShuffleChain(benchmark::State& state) {
    std::int32_t table[33];
    for (int j = 1; j <= 32; ++j) table[j] = 60000000 * j + 7;
    std::int32_t first = 12345, second = 678, output = 777;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            std::int32_t k = first / 53668;
            first = 40014 * (first - k * 53668) - k * 12211;
            if (first < 0) first += 2147483563;
            k = second / 52774;
            second = 40692 * (second - k * 52774) - k * 3791;
            if (second < 0) second += 2147483399;
            const int j = kFloatingSlot ? static_cast<int>(std::trunc(output / 67108862.3125 + 1.0))
                                        : RandomGenerators::ShuffleSlot(output);
            output = table[j] - second;
            table[j] = first;
            if (output < 1) output += 2147483562;
        }
        benchmark::DoNotOptimize(output);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ShuffleChain<true>)->Name("BM_ShuffleChain/FloatingSlot");
BENCHMARK(BM_ShuffleChain<false>)->Name("BM_ShuffleChain/IntegerSlot");

ReplicationSettings EqualNormalGroups(int n) {
    ReplicationSettings settings;
    for (GroupSettings& group : settings.groups) {
        group.rdoNormal = true;
        group.txtNsize = n;
    }
    settings.deviateRows = n;
    return settings;
}

// A replication of three normal groups of n (the start-up settings otherwise)
// against its uniforms, both timed in the same loop. The uniforms each
// replication consumes are counted once, beforehand, by the reference path
// from the same seed; the replicator restarts that seed every cycle so the
// counts stay its own. Two floors are timed:
//   vs_calls: a loop of UniformDeviate calls, one per uniform;
//   vs_chain: the same uniforms as one FillUniforms batch, the chain with
//             its words in registers, the true lower bound.
void BM_ReplicationAgainstItsUniforms(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const ReplicationSettings settings = EqualNormalGroups(n);
    const int cycle = n >= 1000 ? 40 : n >= 100 ? 200 : 2000;
    velmor::testing::QuietConsole console;
    ClearFloatingPointFaults();

    std::vector<std::int64_t> uniforms(cycle);
    {
        reference::ReferenceReplicator plain(console);
        std::int32_t seed = kDefaultSeedWord;
        std::int64_t rejections = 0;
        for (int i = 0; i < cycle; ++i) {
            const std::int64_t before = plain.generators.uniformsDrawn;
            plain.GenerateReplication(settings, seed);
            plain.TestReplication(settings, rejections);
            uniforms[i] = plain.generators.uniformsDrawn - before;
        }
    }
    std::int64_t largest = 0;
    for (const std::int64_t count : uniforms) largest = std::max(largest, count);
    std::vector<double> buffer(static_cast<std::size_t>(largest));

    RandomGenerators generators;
    Replicator replicator(generators, console);
    RandomGenerators floorGenerators;
    std::int32_t seed = kDefaultSeedWord;
    std::int32_t floorSeed = kDefaultSeedWord;
    std::int64_t rejections = 0;
    double replicationTime = 0.0, callsTime = 0.0, chainTime = 0.0;
    double sink = 0.0;
    std::int64_t drawn = 0;
    int i = 0;
    for (auto _ : state) {
        if (i == cycle) {
            i = 0;
            seed = kDefaultSeedWord;
        }
        const auto t0 = Clock::now();
        replicator.GenerateReplication(settings, seed);
        replicator.TestReplication(settings, rejections);
        const auto t1 = Clock::now();
        const std::int64_t count = uniforms[i++];
        double sum = 0.0;
        for (std::int64_t k = 0; k < count; ++k) sum += floorGenerators.UniformDeviate(floorSeed);
        benchmark::DoNotOptimize(sum);
        const auto t2 = Clock::now();
        floorGenerators.FillUniforms(floorSeed, {buffer.data(), static_cast<std::size_t>(count)});
        benchmark::DoNotOptimize(buffer.data());
        const auto t3 = Clock::now();
        sink += sum + buffer[0];
        replicationTime += Seconds(t0, t1);
        callsTime += Seconds(t1, t2);
        chainTime += Seconds(t2, t3);
        drawn += count;
        state.SetIterationTime(Seconds(t0, t1));
    }
    benchmark::DoNotOptimize(sink);
    benchmark::DoNotOptimize(rejections);
    state.counters["uniforms"] =
        static_cast<double>(drawn) / static_cast<double>(state.iterations());
    state.counters["vs_calls"] = replicationTime / callsTime;
    state.counters["vs_chain"] = replicationTime / chainTime;
    state.counters["ns_per_uniform"] = 1e9 * replicationTime / static_cast<double>(drawn);
}
BENCHMARK(BM_ReplicationAgainstItsUniforms)->Arg(16)->Arg(200)->Arg(2000)->UseManualTime();

}  // namespace
}  // namespace velmor
