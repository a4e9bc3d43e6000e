#pragma once
// Progress of a run or a search as a researcher wants to see it while it
// works: replications done of the total, time elapsed, and a rough time left,
// so that a mistyped count of samples shows at once.

#include <cstdint>
#include <optional>
#include <string>

#include "run/run_state.hpp"

namespace velmor {

// Seconds as a short duration: "0:07", "12:30", "3:05:09", "4 days 6 h".
std::string DurationText(double seconds);

// Follows the progress of one command (a run, or a search with its trials)
// from readings taken now and then. The time left is estimated from the
// rate of the current run since it was first seen, so it settles after a few
// readings and needs no clock inside the run loop.
class ProgressEstimate {
  public:
    // A command starts at `now` (seconds on any steady clock).
    void start(double now, bool search);
    // A reading of the run state's progress at `now`.
    void observe(const RunProgress& progress, double now);

    bool running() const { return running_; }
    std::uint64_t planned() const { return planned_; }
    std::uint64_t completed() const { return completed_; }
    int trial() const { return trial_; }  // runs seen since start (a search's trials)
    double elapsed() const { return elapsed_; }
    // Seconds left in the current run; nothing until a rate is known.
    std::optional<double> secondsLeft() const;
    // One line, for instance "Running: 2,500 of 10,000 replications (25%);
    // elapsed 0:04; about 0:12 left".
    std::string text() const;

  private:
    bool running_ = false;
    bool search_ = false;
    double startedAt_ = 0.0;
    double elapsed_ = 0.0;
    int trial_ = 0;
    std::uint64_t planned_ = 0;
    std::uint64_t completed_ = 0;
    // The current run as first seen: when, and how far it had come.
    double runSeenAt_ = 0.0;
    std::uint64_t runSeenCompleted_ = 0;
    double runElapsed_ = 0.0;
};

}  // namespace velmor
