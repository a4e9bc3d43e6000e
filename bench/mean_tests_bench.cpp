// The tests of equal means beside F, each against the F test on the same
// three groups. Both are timed in the same loop, call by call in turn, so a
// busy machine slows both alike; the counters are the ratios:
//   vs_f_test:  the test (statistic and p-value) over the F test as a
//               replication computes it (group means and sums of squares,
//               the F ratio, and its probability from core/fprobability
//               with the run's log-gamma memo);
//   vs_f_ratio: the test over the F ratio alone, without its probability.
// Groups are normal with SDs 3, 2, 1 (sizes n, n, n).

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

#include "chain_floor.hpp"
#include "core/alexander_govern_test.hpp"
#include "core/brown_forsythe_test.hpp"
#include "core/fprobability.hpp"
#include "core/james_test.hpp"
#include "core/kruskal_wallis_test.hpp"
#include "core/random.hpp"
#include "core/trimmed_welch_test.hpp"
#include "core/welch_test.hpp"
#include "support/quiet_console.hpp"

namespace velmor {
namespace {

using bench::Clock;
using bench::Seconds;

struct FRatio {
    double f;
    double dfWithin;
};

// The F ratio as the replication forms it: two-pass group moments, sums of
// squares between and within.
FRatio FRatioOf(const ThreeGroups& groups) {
    std::array<double, kGroups> mean{};
    double total = 0.0, grandSum = 0.0, within = 0.0;
    for (int g = 0; g < kGroups; ++g) {
        double sum = 0.0;
        for (const double x : groups[g]) sum += x;
        const double n = static_cast<double>(groups[g].size());
        mean[g] = sum / n;
        double ss = 0.0;
        for (const double x : groups[g]) ss += (x - mean[g]) * (x - mean[g]);
        within += ss;
        total += n;
        grandSum += sum;
    }
    const double grand = grandSum / total;
    double between = 0.0;
    for (int g = 0; g < kGroups; ++g)
        between += static_cast<double>(groups[g].size()) * (mean[g] - grand) * (mean[g] - grand);
    const double dfWithin = total - kGroups;
    return {between / 2.0 / (within / dfWithin), dfWithin};
}

template <int kKind>
MeanTestResult Test(const ThreeGroups& groups, MeanTestScratch& scratch) {
    if constexpr (kKind == 0) return WelchTest(groups);
    if constexpr (kKind == 1) return BrownForsytheTest(groups);
    if constexpr (kKind == 2) return JamesTest(groups);
    if constexpr (kKind == 3) return AlexanderGovernTest(groups);
    if constexpr (kKind == 4) return KruskalWallisTest(groups, scratch);
    if constexpr (kKind == 5) return TrimmedWelchTest(groups, scratch);
}

template <int kKind>
void BM_AgainstF(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    RandomGenerators generators;
    std::int32_t seed = bench::kDefaultSeedWord;
    std::array<std::vector<double>, kGroups> scores;
    const std::array<double, kGroups> sd = {3.0, 2.0, 1.0};
    for (int g = 0; g < kGroups; ++g)
        for (int i = 0; i < n; ++i) scores[g].push_back(sd[g] * generators.NormalDeviate(seed));
    const ThreeGroups groups = {scores[0], scores[1], scores[2]};
    MeanTestScratch scratch(static_cast<std::size_t>(n));
    velmor::testing::QuietConsole console;
    LnGammaMemo memo;
    // Enough calls per timing that the clock's own cost does not count.
    const int calls = n < 100 ? 200 : 2;
    double testSeconds = 0.0, fSeconds = 0.0, ratioSeconds = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        for (int i = 0; i < calls; ++i) benchmark::DoNotOptimize(Test<kKind>(groups, scratch));
        const auto t1 = Clock::now();
        for (int i = 0; i < calls; ++i) {
            const FRatio f = FRatioOf(groups);
            benchmark::DoNotOptimize(FProbability(f.f, 2.0, f.dfWithin, console, memo));
        }
        const auto t2 = Clock::now();
        for (int i = 0; i < calls; ++i) benchmark::DoNotOptimize(FRatioOf(groups));
        const auto t3 = Clock::now();
        testSeconds += Seconds(t0, t1);
        fSeconds += Seconds(t1, t2);
        ratioSeconds += Seconds(t2, t3);
        state.SetIterationTime(Seconds(t0, t1));
    }
    // The reported time is per iteration of `calls` tests; per test it is
    // that over calls (items per second counts tests).
    state.SetItemsProcessed(state.iterations() * calls);
    state.counters["vs_f_test"] = testSeconds / fSeconds;
    state.counters["vs_f_ratio"] = testSeconds / ratioSeconds;
}

BENCHMARK(BM_AgainstF<0>)->Name("Welch")->Arg(16)->Arg(2000)->UseManualTime();
BENCHMARK(BM_AgainstF<1>)->Name("BrownForsythe")->Arg(16)->Arg(2000)->UseManualTime();
BENCHMARK(BM_AgainstF<2>)->Name("James")->Arg(16)->Arg(2000)->UseManualTime();
BENCHMARK(BM_AgainstF<3>)->Name("AlexanderGovern")->Arg(16)->Arg(2000)->UseManualTime();
BENCHMARK(BM_AgainstF<4>)->Name("KruskalWallis")->Arg(16)->Arg(2000)->UseManualTime();
BENCHMARK(BM_AgainstF<5>)->Name("TrimmedWelch")->Arg(16)->Arg(2000)->UseManualTime();

}  // namespace
}  // namespace velmor
