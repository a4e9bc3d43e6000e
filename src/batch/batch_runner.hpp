#pragma once
// Runs studies exactly as the window would: each study's values are typed
// into a fresh program's window model, then its Run command or sample-size
// search runs on a headless platform.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/run_details.hpp"
#include "batch/study_file.hpp"

namespace velmor::batch {

struct StudyOutcome {
    std::string path;
    bool ok = false;
    std::vector<std::string> messages;  // what the window would have shown
    std::string report;                 // the results report, CR LF line ends (when ok)
    std::string dataFile;               // the data file text (when ok)
    std::string meansFile;              // the means file text (when ok)
    bool searched = false;
    std::string seed;
    std::int64_t samples = 0;  // completed replications of the last run
    std::int32_t rejections = 0;
    double proportion = 0.0;
    std::string verdict;  // ROBUST, INFLATED, CONSERVATIVE, POWER, CAUTION, or NONE for one sample
    std::array<double, 3> means{};
    std::array<double, 3> standardErrors{};
    std::array<std::int32_t, 3> sizes{};
    // Monte Carlo error, band reading and normal-theory power (when ok).
    SummaryColumns details;
};

// Progress of the study at hand: replications done so far (all trials of a
// search), and the replications one run will make (0 for a search).
using ProgressCallback = std::function<void(long long done, long long planned)>;

StudyOutcome RunStudy(const Study& study, const ProgressCallback& progress = {});

// The summary CSV: a header and one row per study.
std::string SummaryHeader();
std::string SummaryRow(const StudyOutcome& outcome);

}  // namespace velmor::batch
