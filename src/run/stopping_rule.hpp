#pragma once
// Runs that stop when their answer is precise or decided. A run asked for
// either is judged at fixed replication counts, every kCheckpointSamples, so
// where it stops depends only on its settings and seed, never on threads or
// the speed of the machine; `samples` is then the most it may draw. While no
// rule is chosen a run is exactly the one its samples ask for.

#include <cstdint>
#include <functional>
#include <optional>

namespace velmor {

inline constexpr std::uint64_t kCheckpointSamples = 1000;

// The band a run with equal means may stop against once every chosen test's
// interval lies wholly inside or wholly outside it.
enum class DecideBand { None, Bradley, RobeyBarcikowski };

struct StoppingChoice {
    // Stop once every chosen test's 95% interval lies within its rate +- H.
    std::optional<double> precision;
    DecideBand decide = DecideBand::None;

    bool any() const { return precision.has_value() || decide != DecideBand::None; }
    bool operator==(const StoppingChoice&) const = default;
};

// Why a run ended where it did: it drew all its samples, or a checkpoint
// found its rates precise enough or its verdicts settled.
enum class StopReason { Samples, Precision, Decided };

// "samples", "precision", "decided", as the summary writes it.
const char* StopReasonWord(StopReason reason);

// A checkpoint's judgement: a reason to stop there, or none to go on; and how
// many samples the run is expected to need in all, for progress displays
// (it never decides where the run stops).
struct CheckpointVerdict {
    std::optional<StopReason> stop;
    std::optional<std::uint64_t> expectedSamples;
};

// After how many checkpoints the expected count replaces the maximum in the
// progress shown: fewer give too rough an estimate of the rates.
inline constexpr std::uint64_t kCheckpointsBeforeEstimate = 3;

struct RunState;
// Judges a checkpoint after `completed` replications. Supplied by the layer
// that knows the intervals.
using CheckpointJudge =
    std::function<CheckpointVerdict(const RunState& state, std::uint64_t completed)>;

}  // namespace velmor
