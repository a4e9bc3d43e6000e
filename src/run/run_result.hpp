#pragma once
// What a run leaves as its answer, as one value: the front ends, the batch
// summary, the Details window and the search read it, never the window's
// fields or sentences.

#include <array>
#include <cstdint>

#include "core/group_settings.hpp"
#include "core/mean_test_kind.hpp"
#include "core/mean_test_result.hpp"
#include "run/stopping_rule.hpp"
#include "run/study_choices.hpp"

namespace velmor {

// The verdict the result lines state. None for a run of one sample (it gives
// the sample's F and probability instead) and for a run without results.
enum class Verdict { None, Robust, Inflated, Conservative, Power, Caution };

// How the run ended.
enum class RunEnd {
    Finished,    // every planned replication was made
    Stopped,     // the user stopped it; the figures cover the replications made
    NoVariance,  // a data set had a group without variance; no results
    Fault,       // a floating-point fault or another error abandoned it
    Refused,     // its settings were refused; nothing ran
};

// One test's count over the run's replications. A replication whose test is
// not defined on its data (MeanTestStatus other than Computed) is counted in
// notComputed and is no rejection.
struct TestTally {
    bool chosen = false;
    std::int64_t rejections = 0;
    std::int64_t notComputed = 0;
    MeanTestResult last;  // of the last replication, shown for a run of one sample
};

// A shaped group's target skewness and excess kurtosis and what the true
// scores the run generated achieved (sample moments over all of them).
struct AchievedShape {
    bool shaped = false;
    double targetSkewness = 0.0;
    double targetKurtosis = 0.0;
    double skewness = 0.0;
    double kurtosis = 0.0;
    std::int64_t scores = 0;
};

struct RunResult {
    RunEnd end = RunEnd::Refused;
    std::int64_t completed = 0;  // replications made
    std::int64_t rejections = 0;
    double proportion = 0.0;  // rejections / completed
    // The mean of the group means and their SD across replications (the
    // standard error); for one replication, the sample's mean and SD.
    std::array<double, kGroups> meanOfMeans{};
    std::array<double, kGroups> seOfMeans{};
    // The mean of the sample reliabilities.
    std::array<double, kGroups> meanReliability{};
    Verdict verdict = Verdict::None;
    // Every test of equal means, indexed by MeanTestKind; F's tally repeats
    // the rejections above.
    std::array<TestTally, kMeanTestKinds> tests{};
    std::array<AchievedShape, kGroups> achievedShape{};
    // Samples set aside because a group had no variance (only when the run
    // was asked to skip them instead of ending).
    std::int64_t discardedNoVariance = 0;
    // Why the run ended where it did, and the most samples it could have
    // drawn (its planned samples; with a stopping rule, `samples`).
    StopReason stopReason = StopReason::Samples;
    std::uint64_t maximumSamples = 0;
    // The generator that drew the samples.
    Generator generator = Generator::Classic;

    const TestTally& tally(MeanTestKind kind) const { return tests[static_cast<int>(kind)]; }
    TestTally& tally(MeanTestKind kind) { return tests[static_cast<int>(kind)]; }

    // Whether the figures are results: at least one replication was made and
    // the run ended by finishing or by a stop.
    bool hasResults() const {
        return completed > 0 && (end == RunEnd::Finished || end == RunEnd::Stopped);
    }
};

// The verdict's key word, as the result lines write it ("ROBUST"), "POWER"
// for a power run and "NONE" for a run of one sample.
const char* VerdictKeyword(Verdict verdict);

}  // namespace velmor
