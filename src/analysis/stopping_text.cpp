#include "analysis/stopping_text.hpp"

#include "analysis/bands.hpp"
#include "analysis/checkpoint_judge.hpp"
#include "run/number_format.hpp"
#include "run/number_reading.hpp"

namespace velmor {

namespace {

std::string Count(std::uint64_t n) {
    return GroupedCount(static_cast<std::int64_t>(n));
}

// Four decimals tell apart reaches either side of a half-width such as .005.
std::string Reach(double reach) {
    return FormatFixed(reach, 6, 4);
}

std::string BandName(DecideBand band) {
    return band == DecideBand::Bradley ? "Bradley's band" : "Robey & Barcikowski's band";
}

}  // namespace

std::optional<double> ReadPrecision(std::string_view text) {
    const std::optional<double> h = ReadNumber(text);
    // Written so that a NaN could not pass either.
    if (!h || !(*h > 0.0 && *h < 0.5)) return std::nullopt;
    return h;
}

std::string StoppingTargetText(const StoppingChoice& rule) {
    if (!rule.any()) return "No stopping rule: every run draws all its samples.";
    std::string asked;
    if (rule.precision)
        asked = "every chosen test's 95% interval within its rate +/- " +
                FormatGeneral(*rule.precision);
    if (rule.decide != DecideBand::None) {
        if (!asked.empty()) asked += ", or ";
        asked += "every verdict against " + BandName(rule.decide) + " settled (equal means only)";
    }
    return "Target: " + asked + ", judged every " + Count(kCheckpointSamples) +
           " samples; Samples is the most a run draws.";
}

std::string StoppingProgressText(const RunState& state, std::uint64_t completed) {
    if (completed == 0) return {};
    return "Now: the widest interval reaches " + Reach(LargestReach(state, completed)) +
           " from its rate after " + Count(completed) + " samples.";
}

std::string StoppingOutcomeText(const RunState& state, const StoppingChoice& rule) {
    const RunResult& result = state.result;
    if (!rule.any() || !result.hasResults()) return {};
    const auto completed = static_cast<std::uint64_t>(result.completed);
    const std::string widest = "(widest reach " + Reach(LargestReach(state, completed)) + ")";
    const std::string where =
        Count(completed) + " of at most " + Count(result.maximumSamples) + " samples";
    switch (result.stopReason) {
        case StopReason::Precision:
            return "Stopped at " + where + ": the rates are precise enough " + widest + ".";
        case StopReason::Decided:
            return "Stopped at " + where + ": every verdict against " + BandName(rule.decide) +
                   " is settled " + widest + ".";
        case StopReason::Samples:
            break;
    }
    std::string text =
        result.end == RunEnd::Stopped
            ? "Stopped by the user at " + where + ", before the target was met " + widest + "."
            : "Drew all " + Count(completed) +
                  " samples: the target was not met at any checkpoint " + widest + ".";
    // Said, so that a band that could never stop the run is not taken for one
    // that merely did not.
    if (rule.decide != DecideBand::None && !state.flags.nullIsTrue)
        text += " The band decides only a run with equal population means.";
    return text;
}

}  // namespace velmor
