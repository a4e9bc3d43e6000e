#pragma once
// Everything a run leaves behind and the flags that steer it. One RunState
// lives as long as the program; every run overwrites it.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/moment_accumulator.hpp"
#include "run/run_result.hpp"
#include "run/run_settings.hpp"
#include "run/study_choices.hpp"

namespace velmor {

inline constexpr int kMaxKeptMeans = 10000;
inline constexpr int kResultLines = 7;

struct RunTallies {
    std::int64_t rejections = 0;     // up to txtiterations, which may pass 2^31
    std::int32_t typeIIIErrors = 0;  // no rule classifies a Type III error; stays 0
    std::int64_t completedReplications = 0;
    double rejectionProportion = 0.0;
    std::array<double, kGroups> sumOfMeans{};
    std::array<double, kGroups> sumOfSquaredMeans{};
    std::array<double, kGroups> sumOfReliabilities{};
    std::array<double, kGroups> seOfMeans{};
    // Group means of replications 1..10000 of a run, per group; allocated once.
    std::array<std::vector<double>, kGroups> keptMeans{std::vector<double>(kMaxKeptMeans),
                                                       std::vector<double>(kMaxKeptMeans),
                                                       std::vector<double>(kMaxKeptMeans)};
    // How many entries of keptMeans belong to the last run (its completed
    // replications, at most 10000); the means file writes no more than these.
    std::int32_t keptMeansOfLastRun = 0;
    // Every true score of a shaped group in the run's completed replications,
    // for the achieved skewness and kurtosis (left empty for other groups).
    std::array<MomentAccumulator, kGroups> shapeMoments{};
};

struct RunFlags {
    bool searchActive = false;        // a sample-size search drives the run
    bool stopRequested = false;       // the stop button was pressed
    bool sampleSizeAnalysis = false;  // the next report writes its sample-size section
    bool noVariance = false;          // the last replication had a group without variance
    bool nullIsTrue = false;          // the three population means are equal
    bool seedFromField = true;        // the next seed comes from txtseed as it stands
    bool notNumeric = false;          // the settings step met a text that is not a number
};

// How far the run in progress has come, for progress displays that look in
// between replications (the window's pending events, the batch progress line).
struct RunProgress {
    std::uint64_t planned = 0;    // replications this run will make
    std::uint64_t completed = 0;  // replications completed so far
    // Redraws of out-of-bounds cases in the replication under way, counted at
    // its resampling stop checks (so in steps of kRedrawsPerStopCheck); 0 when
    // the replication has not come to one. Tells a display why nothing moves.
    std::uint64_t redraws = 0;
};

struct RunState {
    RunSettings settings;
    // Kept across runs; the settings step reads them with the window's fields.
    StudyChoices choices;
    SeedWords seeds;
    RunTallies tallies;
    RunFlags flags;
    RunProgress progress;
    RunResult result;  // the last run's answer, set when it ends
    std::array<std::string, kResultLines> resultLines;
    std::string seedText;      // decimal text of the seed in effect, for the report banner
    double singleRunF = 0.0;   // F ratio of a one-replication run
    double lastPValue = 0.0;   // p value of the last replication
    double fRatio = 0.0;       // F ratio of the last replication
    double targetPower = 0.0;  // requested power + 1e-8, set by the power commands

    // The seven result lines joined with nothing between them.
    std::string joinedResultLines() const {
        std::string joined;
        for (const auto& line : resultLines) joined += line;
        return joined;
    }
    void clearResultLines(int from = 0) {
        for (int i = from; i < kResultLines; ++i) resultLines[i].clear();
    }
};

}  // namespace velmor
