// Population shapes: the cost of each shape's standardised transform per
// score, against the production of the normal deviate a normal group's score
// costs (FillNormals, the batch the replication uses). Each iteration draws a
// block of deviates of the shape's input kind and transforms them, timing
// the three parts in the same loop:
//   transform_vs_normal: the transform alone over the normal deviates;
//   score_vs_normal:     the shape's own deviates plus the transform, that
//                        is a shape's score against a normal group's score
//                        (before scaling, which both share).
// The ratios hold on any machine; absolute times on a loaded one do not.

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <variant>

#include "batch/study_file.hpp"
#include "batch/study_runner.hpp"
#include "core/random.hpp"
#include "core/shape_transform.hpp"

namespace velmor {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBlock = 1000;
constexpr std::int32_t kSeedWord = -1432449975;  // the window's default seed

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

void BM_ShapeScore(benchmark::State& state, PopulationShape shape) {
    const ShapeTransform transform(shape);
    RandomGenerators normals, inputs;
    std::int32_t normalSeed = kSeedWord, inputSeed = kSeedWord;
    std::array<double, kBlock> normalBlock{}, inputBlock{};
    double normalTime = 0.0, shapeTime = 0.0, transformTime = 0.0, sink = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        normals.FillNormals(normalSeed, normalBlock);
        benchmark::DoNotOptimize(normalBlock.data());
        const auto t1 = Clock::now();
        if (transform.input() == ShapeInput::Uniform)
            inputs.FillUniforms(inputSeed, inputBlock);
        else
            inputs.FillNormals(inputSeed, inputBlock);
        double sum = 0.0;
        for (double deviate : inputBlock) sum += transform(deviate);
        benchmark::DoNotOptimize(sum);
        const auto t2 = Clock::now();
        // The transform alone, on deviates already drawn (the uniform-input
        // shapes on the uniforms just drawn).
        double again = 0.0;
        for (double deviate : inputBlock) again += transform(deviate);
        benchmark::DoNotOptimize(again);
        const auto t3 = Clock::now();
        normalTime += Seconds(t0, t1);
        shapeTime += Seconds(t1, t2);
        transformTime += Seconds(t2, t3);
        sink += sum + again;
        state.SetIterationTime(Seconds(t1, t2));
    }
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(state.iterations() * kBlock);
    state.counters["transform_vs_normal"] = transformTime / normalTime;
    state.counters["score_vs_normal"] = shapeTime / normalTime;
    state.counters["ns_per_normal"] =
        1e9 * normalTime / (static_cast<double>(state.iterations()) * kBlock);
}

BENCHMARK_CAPTURE(BM_ShapeScore, fleishman, PopulationShape::Fleishman(1.0, 2.0))->UseManualTime();
BENCHMARK_CAPTURE(BM_ShapeScore, g_and_h, PopulationShape::GAndH(0.3, 0.05))->UseManualTime();
BENCHMARK_CAPTURE(BM_ShapeScore, lognormal, PopulationShape::Lognormal(0.5))->UseManualTime();
BENCHMARK_CAPTURE(BM_ShapeScore, exponential, PopulationShape::Exponential())->UseManualTime();
BENCHMARK_CAPTURE(BM_ShapeScore, chi_square, PopulationShape::ChiSquare(3))->UseManualTime();
BENCHMARK_CAPTURE(BM_ShapeScore, t, PopulationShape::StudentT(6))->UseManualTime();
BENCHMARK_CAPTURE(BM_ShapeScore, contaminated, PopulationShape::Contaminated(0.1, 3))
    ->UseManualTime();

}  // namespace
// The default study (three groups of 16, 10000 samples) with group 1
// fleishman (skewness 1, excess kurtosis 2) against the all-normal default,
// both through the batch runner, alternating within each iteration so that
// a busy machine weighs on both alike. "ratio" is shaped over normal; the
// shaped run's extra work is the transform and the achieved-moment
// accumulation of group 1's true scores.
void BM_DefaultStudyFleishmanAgainstNormal(benchmark::State& state) {
    const batch::Study normal;  // no settings: the window's defaults
    const auto read = batch::ParseStudy(
        "f.study", "[group 1]\ndistribution = fleishman\nskewness = 1\nkurtosis = 2\n");
    const batch::Study shaped = std::get<batch::Study>(read);
    double normalTime = 0.0, shapedTime = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const batch::StudyOutcome a = batch::RunStudy(normal);
        const auto t1 = Clock::now();
        const batch::StudyOutcome b = batch::RunStudy(shaped);
        const auto t2 = Clock::now();
        if (!a.ok() || !b.ok() || b.result.completed != 10000 ||
            !b.result.achievedShape[0].shaped) {
            state.SkipWithError("a run failed");
            break;
        }
        normalTime += Seconds(t0, t1);
        shapedTime += Seconds(t1, t2);
        state.SetIterationTime(Seconds(t1, t2));
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["normal_ms"] = 1e3 * normalTime / runs;
    state.counters["fleishman_ms"] = 1e3 * shapedTime / runs;
    state.counters["ratio"] = shapedTime / normalTime;
}
BENCHMARK(BM_DefaultStudyFleishmanAgainstNormal)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace velmor
