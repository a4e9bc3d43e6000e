#include "analysis/progress_estimate.hpp"

#include <cmath>
#include <cstdio>

#include "analysis/bands.hpp"

namespace velmor {

std::string DurationText(double seconds) {
    if (!(seconds >= 0.0)) seconds = 0.0;
    const double whole = std::floor(seconds + 0.5);
    char text[64];
    if (whole >= 2.0 * 86400.0) {
        const double days = std::floor(whole / 86400.0);
        const double hours = std::floor((whole - days * 86400.0) / 3600.0);
        if (days > 1e6) return "more than a million days";
        std::snprintf(text, sizeof text, "%.0f days %.0f h", days, hours);
        return text;
    }
    const auto total = static_cast<long long>(whole);
    const long long h = total / 3600;
    const long long m = total / 60 % 60;
    const long long s = total % 60;
    if (h > 0)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", h, m, s);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", m, s);
    return text;
}

void ProgressEstimate::start(double now, bool search) {
    *this = ProgressEstimate();
    running_ = true;
    search_ = search;
    startedAt_ = now;
}

void ProgressEstimate::observe(const RunProgress& progress, double now) {
    elapsed_ = now - startedAt_;
    // A new run shows a different plan or fewer replications than the last
    // reading (each run starts its count again).
    const bool newRun =
        trial_ == 0 || progress.planned != planned_ || progress.completed < completed_;
    if (newRun && progress.planned > 0) {
        ++trial_;
        runSeenAt_ = now;
        runSeenCompleted_ = progress.completed;
    }
    planned_ = progress.planned;
    completed_ = progress.completed;
    runElapsed_ = now - runSeenAt_;
}

std::optional<double> ProgressEstimate::secondsLeft() const {
    const std::uint64_t done = completed_ - runSeenCompleted_;
    if (done == 0 || runElapsed_ <= 0.0 || completed_ > planned_) return std::nullopt;
    const double rate = static_cast<double>(done) / runElapsed_;
    return static_cast<double>(planned_ - completed_) / rate;
}

std::string ProgressEstimate::text() const {
    if (planned_ == 0) return search_ ? "Searching: preparing the next trial" : "Running: starting";
    const double share = 100.0 * static_cast<double>(completed_) / static_cast<double>(planned_);
    char percent[32];
    std::snprintf(percent, sizeof percent, "%.0f%%", std::floor(share));
    std::string line = search_ ? "Searching, trial " + std::to_string(trial_) + ": " : "Running: ";
    line += GroupedCount(static_cast<std::int64_t>(completed_)) + " of " +
            GroupedCount(static_cast<std::int64_t>(planned_)) + " replications (" + percent +
            "); elapsed " + DurationText(elapsed_);
    if (const auto left = secondsLeft())
        line += search_ ? "; about " + DurationText(*left) + " left in this trial"
                        : "; about " + DurationText(*left) + " left";
    return line;
}

}  // namespace velmor
