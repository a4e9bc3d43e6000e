#pragma once
// What a run leaves as its answer, as one value: the front ends, the batch
// summary, the Details window and the search read it, never the window's
// fields or sentences.

#include <array>
#include <cstdint>

#include "core/group_settings.hpp"

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
