// What the tests beside F cost a whole run: the same study through the batch
// runner with `tests = all` and with F alone, alternating in one benchmark so
// that both see the same machine. The ratio is the number to read; the default
// study (groups of 16, 10000 samples) and groups of 2000 with 1000 samples.

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <variant>

#include "batch/study_file.hpp"
#include "batch/study_runner.hpp"

namespace {

using Clock = std::chrono::steady_clock;

velmor::batch::Study Parsed(const std::string& text) {
    auto parsed = velmor::batch::ParseStudy("bench.study", text);
    return std::get<velmor::batch::Study>(parsed);
}

void BM_AllTestsAgainstFAlone(benchmark::State& state) {
    const std::string base = state.range(0) == 16
                                 ? std::string("[run]\n")
                                 : std::string("[groups]\nn = 2000\n[run]\nsamples = 1000\n");
    const velmor::batch::Study fAlone = Parsed(base);
    const velmor::batch::Study allTests = Parsed(base + "tests = all\n");
    velmor::batch::StudyRunOptions options;
    options.secondThread = true;  // as a single study runs: the producer on its own thread
    double fTime = 0.0, allTime = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const auto f = velmor::batch::RunStudy(fAlone, options);
        const auto t1 = Clock::now();
        const auto all = velmor::batch::RunStudy(allTests, options);
        const auto t2 = Clock::now();
        if (!f.ok() || !all.ok() || f.result.rejections != all.result.rejections) {
            state.SkipWithError("the runs failed or differ in F");
            break;
        }
        fTime += std::chrono::duration<double>(t1 - t0).count();
        allTime += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(std::chrono::duration<double>(t2 - t1).count());
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["f_ms"] = 1e3 * fTime / runs;
    state.counters["all_ms"] = 1e3 * allTime / runs;
    state.counters["ratio"] = allTime / fTime;
}
BENCHMARK(BM_AllTestsAgainstFAlone)
    ->Arg(16)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
