#include "analysis/run_details.hpp"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>

#include "run/number_format.hpp"
#include "run/verdicts.hpp"
#include "search/search_rules.hpp"

namespace velmor {

namespace {

// The Boost evaluations may leave floating-point flags behind; the next
// command must start with the flags as the program left them.
class FloatingPointFlagsKept {
  public:
    FloatingPointFlagsKept() { std::fegetexceptflag(&flags_, FE_ALL_EXCEPT); }
    ~FloatingPointFlagsKept() { std::fesetexceptflag(&flags_, FE_ALL_EXCEPT); }
    FloatingPointFlagsKept(const FloatingPointFlagsKept&) = delete;
    FloatingPointFlagsKept& operator=(const FloatingPointFlagsKept&) = delete;

  private:
    std::fexcept_t flags_{};
};

std::string Fixed(double x, int decimals = 4) {
    return FormatFixed(x, 6, decimals);
}

std::string Count(std::int64_t n) {
    return GroupedCount(n);
}

std::string RightAligned(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string LeftAligned(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

// A table row: each cell right-aligned in its width, or left-aligned when the
// width is negative; headers and rows share the widths, so columns line up.
struct Cell {
    std::string text;
    int width;
};
std::string Row(std::initializer_list<Cell> cells) {
    std::string row;
    for (const Cell& c : cells)
        row += c.width < 0 ? LeftAligned(c.text, static_cast<std::size_t>(-c.width))
                           : RightAligned(c.text, static_cast<std::size_t>(c.width));
    while (!row.empty() && row.back() == ' ') row.pop_back();
    return row;
}

std::string Sizes(const GroupSizes& sizes) {
    return std::to_string(sizes[0]) + ", " + std::to_string(sizes[1]) + ", " +
           std::to_string(sizes[2]);
}

GroupSizes SizesOf(const RunSettings& settings) {
    return {settings.groups[0].size, settings.groups[1].size, settings.groups[2].size};
}

// The verdict of the point estimate by one band, judged exactly as the main
// window's verdict judges it.
std::string PointVerdict(const MonteCarloError& e, double alpha, const RobustnessBand& band) {
    if (CompareProportionWithAlphaMultiple(e.rejections, e.replications, alpha,
                                           band.upperPercent) == Comparison::Above)
        return "above the band";
    if (CompareProportionWithAlphaMultiple(e.rejections, e.replications, alpha,
                                           band.lowerPercent) == Comparison::Below)
        return "below the band";
    return "inside the band";
}

// The means of means and their standard errors, as the main window shows them.
std::vector<MeansRow> MeansRowsOf(const RunState& state) {
    std::vector<MeansRow> rows;
    const RunResult& result = state.result;
    if (result.completed < 1) return rows;
    for (int g = 0; g < kGroups; ++g) {
        MeansRow row;
        row.group = g + 1;
        row.meanOfMeans = result.meanOfMeans[g];
        row.seOfMeans = result.seOfMeans[g];
        row.mcError = result.completed > 1
                          ? result.seOfMeans[g] / std::sqrt(static_cast<double>(result.completed))
                          : 0.0;
        row.theory = NormalMeanDistribution(state.settings.groups[g]);
        rows.push_back(row);
    }
    return rows;
}

void AddErrorLines(std::vector<std::string>& lines, const MonteCarloError& e,
                   const std::string& what, int decimals) {
    lines.push_back("Rejections: " + Count(e.rejections) + " of " + Count(e.replications) + ", " +
                    what + " " + Fixed(e.proportion, decimals));
    lines.push_back("Monte Carlo standard error: " + Fixed(e.standardError, decimals));
    lines.push_back("95% interval (Clopper-Pearson): " + Fixed(e.interval.low, decimals) + " to " +
                    Fixed(e.interval.high, decimals));
}

void AddTheoryLine(std::vector<std::string>& lines, const NormalTheoryPower& theory,
                   const std::optional<MonteCarloError>& error, bool nullIsTrue) {
    if (!theory.available) {
        lines.push_back("Normal theory: not available, because " + theory.reason +
                        ". The Monte Carlo result is the answer here.");
        return;
    }
    const std::string df =
        "df " + ShortestRoundTrip(theory.df1) + " and " + ShortestRoundTrip(theory.df2);
    std::string line =
        nullIsTrue ? "Normal theory: the F test rejects at exactly alpha, " + Fixed(theory.power)
                   : "Normal-theory power: " + Fixed(theory.power) + " (noncentral F, lambda " +
                         Fixed(theory.noncentrality) + ", " + df + ")";
    if (error) {
        const bool inside =
            error->interval.low <= theory.power && theory.power <= error->interval.high;
        line += inside ? "; inside the Monte Carlo 95% interval"
                       : "; outside the Monte Carlo 95% interval: the simulation and the theory "
                         "differ by more than Monte Carlo error";
    }
    lines.push_back(line + ".");
}

void AddMeansLines(std::vector<std::string>& lines, const RunDetails& d) {
    if (d.means.empty()) return;
    lines.push_back("");
    lines.push_back(
        "Sampling distributions of the group means (" +
        (d.histogram.keptMeans > 0
             ? Count(d.histogram.keptMeans) + " means per group kept and drawn"
             : std::string("no means kept: set Number of means to Keep above 0 to draw them")) +
        ")");
    lines.push_back(Row({{"Group", 5},
                         {"Mean of means", 15},
                         {"MC error", 10},
                         {"Theory mean", 13},
                         {"SE of means", 13},
                         {"Theory SE", 11}}));
    for (const MeansRow& row : d.means)
        lines.push_back(Row({{std::to_string(row.group), 5},
                             {Fixed(row.meanOfMeans), 15},
                             {Fixed(row.mcError), 10},
                             {row.theory ? Fixed(row.theory->mean) : "-", 13},
                             {Fixed(row.seOfMeans), 13},
                             {row.theory ? Fixed(row.theory->standardError) : "-", 11}}));
    for (const GroupHistogram& g : d.histogram.groups)
        if (!g.curveNote.empty())
            lines.push_back("Group " + std::to_string(g.group) + ": " + g.curveNote + ".");
}

// Equal entered means whose populations came out different: said beside
// every band reading and once in full.
const char* const kNotTypeOneNote =
    "not a Type I error rate: the achieved means differ (see below)";

std::string DifferingMeansLine(const AchievedMeans& a) {
    return "The entered population means are equal, but the achieved means (the means of the "
           "sample means) differ by more than Monte Carlo error: groups " +
           std::to_string(a.groupA) + " and " + std::to_string(a.groupB) + " lie " +
           FormatGeneral(a.difference) + " apart, " + FormatFixed(a.z, 6, 1) +
           " combined Monte Carlo errors (more than " + FormatGeneral(kAchievedMeansCriticalZ) +
           "). The minimum, maximum or whole-number scores moved the populations apart, so "
           "this run measured power, not a Type I error rate, and the band readings do not "
           "apply.";
}

// A run that set samples without variance aside (as asked) says how many.
void AddDiscardedLine(std::vector<std::string>& lines, const RunState& state) {
    if (!state.choices.skipNoVarianceSamples) return;
    lines.push_back("Samples set aside because a group had no variance: " +
                    Count(state.result.discardedNoVariance) +
                    " (skipped as asked; fresh samples took their place, and no figure here "
                    "includes them).");
}

std::string RunsWord(std::int64_t n) {
    return n == 1 ? " replication" : " replications";
}

RunDetails NoResult(std::string heading, std::string why) {
    RunDetails d;
    d.kind = DetailsKind::NoResult;
    d.heading = std::move(heading);
    d.lines = {d.heading, why};
    return d;
}

std::string OutcomeWithoutResult(RunController::Outcome outcome) {
    switch (outcome) {
        case RunController::Outcome::SettingsFailed:
            return "The run was refused: its settings had an error, and no replication was made.";
        case RunController::Outcome::NothingCompleted:
            return "The run was stopped before its first replication: there are no results.";
        case RunController::Outcome::NoVariance:
            return "The run ended on a data set without variance: there are no results to "
                   "describe.";
        case RunController::Outcome::Abandoned:
            return "The run was abandoned by an error: what it computed is not a result.";
        case RunController::Outcome::Completed:
            break;
    }
    return {};
}

}  // namespace

RunDetails DescribeRun(const RunState& state, RunController::Outcome outcome) {
    const FloatingPointFlagsKept keep;
    if (outcome == RunController::Outcome::NoVariance && state.choices.skipNoVarianceSamples)
        return NoResult("Last run: no results",
                        "The run set aside " + Count(state.result.discardedNoVariance) +
                            " samples without variance, as many as a run may (its planned "
                            "samples, at least 1,000), and then ended on a data set without "
                            "variance: there are no results to describe.");
    if (outcome != RunController::Outcome::Completed)
        return NoResult("Last run: no results", OutcomeWithoutResult(outcome));

    const RunSettings& s = state.settings;
    const RunTallies& t = state.tallies;
    RunDetails d;
    const std::int64_t done = t.completedReplications;
    const std::int64_t planned = s.txtiterations;
    d.error = MonteCarloErrorOf(t.rejections, done);
    d.theory = NormalTheoryPowerOf(s);
    const bool nullIsTrue = state.flags.nullIsTrue;
    const int decimals = nullIsTrue ? DecimalsForAlpha(s.alpha) : 4;

    auto& lines = d.lines;
    if (planned == 1) {
        // One sample is a study of its own: its F test and its groups. Its
        // means have no sampling distribution, and their spread across the
        // groups is no standard error.
        d.kind = DetailsKind::SingleReplication;
        d.heading = "One sample: its F test and its groups";
        lines.push_back(d.heading);
        const GroupSizes sizes = SizesOf(s);
        const std::int64_t total = std::int64_t{sizes[0]} + sizes[1] + sizes[2];
        lines.push_back("Group sizes " + Sizes(sizes) + "; seed " + state.seedText);
        AddDiscardedLine(lines, state);
        lines.push_back("F = " + Fixed(state.fRatio) + " with df 2 and " +
                        std::to_string(total - kGroups) + ", probability " +
                        Fixed(state.lastPValue) + ": " +
                        (t.rejections > 0 ? "significant" : "not significant") + " at alpha " +
                        FormatGeneral(s.alpha) + ".");
        lines.push_back(
            "One sample gives a rejection or none; it has no proportion whose Monte "
            "Carlo error could be stated. Run more samples for that.");
        AddTheoryLine(lines, d.theory, std::nullopt, nullIsTrue);
        lines.push_back("");
        lines.push_back("The sample's groups");
        lines.push_back(Row({{"Group", 5}, {"Size", 8}, {"Mean", 15}, {"SD", 13}}));
        for (int g = 0; g < kGroups; ++g)
            lines.push_back(Row({{std::to_string(g + 1), 5},
                                 {std::to_string(sizes[g]), 8},
                                 {Fixed(t.sumOfMeans[g]), 15},
                                 {Fixed(t.seOfMeans[g]), 13}}));
        return d;
    }
    d.means = MeansRowsOf(state);
    d.histogram = HistogramOfKeptMeans(t, s);

    d.kind = nullIsTrue ? DetailsKind::Robustness : DetailsKind::Power;
    d.heading =
        nullIsTrue
            ? "Robustness run: equal population means, nominal alpha " + FormatGeneral(s.alpha)
            : "Power run: population means " + FormatGeneral(s.groups[0].mean) + ", " +
                  FormatGeneral(s.groups[1].mean) + ", " + FormatGeneral(s.groups[2].mean) +
                  "; nominal alpha " + FormatGeneral(s.alpha);
    lines.push_back(d.heading);
    lines.push_back("Replications: " + Count(done) + " of " + Count(planned) + "; group sizes " +
                    Sizes(SizesOf(s)) + "; seed " + state.seedText);
    if (done < planned)
        d.stopNote = "Stopped by the user after " + Count(done) + " of " + Count(planned) +
                     " replications: every figure here covers only the " + Count(done) +
                     RunsWord(done) + " done.";
    if (d.stopNote) lines.push_back(*d.stopNote);
    AddDiscardedLine(lines, state);
    d.achieved = AchievedMeansOf(state);
    const bool differ = d.achieved && d.achieved->differ;

    const MonteCarloError& e = *d.error;
    if (nullIsTrue) {
        AddErrorLines(lines, e, "actual alpha", decimals);
        for (const RobustnessBand& band : {BradleyBand(s.alpha), RobeyBarcikowskiBand(s.alpha)}) {
            d.bands.push_back(ReadAgainstBand(e, band, decimals));
            const bool bradley = band.lowerPercent == 90;
            lines.push_back(std::string(bradley ? "Bradley (1978), within 10%"
                                                : "Robey & Barcikowski (1992), within 25%") +
                            ": the estimate lies " + PointVerdict(e, s.alpha, band) + "; " +
                            d.bands.back().words +
                            (differ ? std::string("; ") + kNotTypeOneNote : std::string()));
        }
        if (differ) lines.push_back(DifferingMeansLine(*d.achieved));
        d.picture = RobustnessPicture(e, s.alpha);
    } else {
        AddErrorLines(lines, e, "actual power", decimals);
        d.picture = PowerPicture(e, d.theory.power, d.theory.available);
    }
    AddTheoryLine(lines, d.theory, d.error, nullIsTrue);
    AddMeansLines(lines, d);
    return d;
}

std::optional<std::int32_t> TheorySizeForPower(const RunSettings& settings,
                                               const SizeRatios& ratios, double target) {
    auto powerAt = [&](std::int32_t n) {
        GroupSizes sizes = SizesForGroup1(n, ratios);
        for (std::int32_t& size : sizes) size = std::clamp(size, 2, 2000);
        return NormalTheoryPowerAt(settings, sizes);
    };
    const NormalTheoryPower top = powerAt(2000);
    if (!top.available || top.power < target) return std::nullopt;
    // Power grows with the sizes: bisect for the first size that reaches it.
    std::int32_t lo = 2;
    std::int32_t hi = 2000;
    if (powerAt(lo).power >= target) return lo;
    while (hi - lo > 1) {
        const std::int32_t mid = lo + (hi - lo) / 2;
        (powerAt(mid).power >= target ? hi : lo) = mid;
    }
    return hi;
}

RunDetails DescribeSearch(const RunState& state, RunController::Outcome lastOutcome,
                          const std::vector<SearchTrial>& trials,
                          const std::optional<SizeRatios>& allocation) {
    const FloatingPointFlagsKept keep;
    if (trials.empty()) {
        if (lastOutcome == RunController::Outcome::NothingCompleted)
            return NoResult("Last search: no results",
                            "The search was stopped before its first trial made a replication.");
        return NoResult("Last search: no results",
                        "The search made no trial that completed replications (it was refused, "
                        "or its first trial was).");
    }
    const RunSettings& s = state.settings;
    const double target = state.targetPower;
    const SearchTrial& last = trials.back();
    RunDetails d;
    d.kind = DetailsKind::SampleSize;
    d.powerCurve = PowerCurveOf(trials, s, target);
    d.trials = d.powerCurve.trials;
    d.error = MonteCarloErrorOf(last.rejections, last.samplesCompleted);
    d.theory = NormalTheoryPowerAt(s, last.sizes);
    // The search's allocation, where known: ratios read back from rounded
    // sizes drift from it by the rounding.
    d.theorySizeForTarget =
        TheorySizeForPower(s, allocation.value_or(RatiosOf(last.sizes)), target);
    const bool lastRunIsLastTrial = lastOutcome == RunController::Outcome::Completed;
    if (lastRunIsLastTrial) {
        d.means = MeansRowsOf(state);
        d.histogram = HistogramOfKeptMeans(state.tallies, s);
        d.picture = PowerPicture(*d.error, d.theory.power, d.theory.available);
    }

    std::int64_t all = 0;
    for (const SearchTrial& t : trials) all += t.samplesCompleted;
    auto& lines = d.lines;
    d.heading = "Sample-size search for power " + FormatFixed(target, 6, 2) + ": " +
                std::to_string(trials.size()) + (trials.size() == 1 ? " trial, " : " trials, ") +
                Count(all) + " replications in all";
    lines.push_back(d.heading);
    if (last.samplesCompleted < last.samplesPlanned)
        d.stopNote = "Stopped by the user during trial " + std::to_string(trials.size()) +
                     " after " + Count(last.samplesCompleted) + " of " +
                     Count(last.samplesPlanned) +
                     " replications: that trial's figures cover only the " +
                     Count(last.samplesCompleted) + RunsWord(last.samplesCompleted) + " done.";
    else if (lastOutcome == RunController::Outcome::NothingCompleted)
        d.stopNote =
            "Stopped by the user before the next trial made a replication: the figures "
            "are those of the last trial that completed replications.";
    if (d.stopNote) lines.push_back(*d.stopNote);
    lines.push_back("Sizes found (the last trial's): " + Sizes(last.sizes) + "; seed " +
                    state.seedText);
    if (lastRunIsLastTrial) AddDiscardedLine(lines, state);
    AddErrorLines(lines, *d.error, "actual power", 4);
    AddTheoryLine(lines, d.theory, d.error, false);
    if (d.theorySizeForTarget)
        lines.push_back(
            "By normal theory, power " + FormatFixed(target, 6, 2) +
            " is first reached at group 1 size " + std::to_string(*d.theorySizeForTarget) +
            (d.powerCurve.unequalSizes ? " (groups 2 and 3 by the same ratios)." : "."));
    else if (d.theory.available)
        lines.push_back("By normal theory, power " + FormatFixed(target, 6, 2) +
                        " is not reached at any group 1 size up to 2000.");
    d.confirmationAt = lines.size();

    lines.push_back("");
    lines.push_back("Trials");
    lines.push_back(Row({{"Trial", 5},
                         {"", 2},
                         {"Group sizes", -16},
                         {"Samples", 8},
                         {"Rejections", 12},
                         {"Power", 8},
                         {"", 2},
                         {"95% interval", -16},
                         {"Theory", 8}}));
    for (std::size_t i = 0; i < trials.size(); ++i) {
        const SearchTrial& t = trials[i];
        const TrialMark& m = d.trials[i];
        lines.push_back(Row({{std::to_string(m.number), 5},
                             {"", 2},
                             {Sizes(t.sizes), -16},
                             {Count(t.samplesCompleted), 8},
                             {Count(t.rejections), 12},
                             {Fixed(t.proportion), 8},
                             {"", 2},
                             {Fixed(m.interval.low) + " to " + Fixed(m.interval.high), -16},
                             {m.normalTheory >= 0.0 ? Fixed(m.normalTheory) : "-", 8}}));
    }
    AddMeansLines(lines, d);
    return d;
}

namespace {

std::vector<std::string> ConfirmationLines(const SearchConfirmation& c) {
    std::vector<std::string> lines;
    const std::string target = FormatFixed(c.targetPower, 6, 2);
    lines.push_back("");
    lines.push_back("Confirmation run (asked for in this window): group sizes " + Sizes(c.sizes) +
                    ", " + Count(c.samples) + " samples, seed " + c.seedText);
    if (!c.sameSettings)
        lines.push_back(
            "The populations or alpha in the main window were changed after the search: this "
            "run is of the changed settings and confirms nothing about the search.");
    if (c.outcome != RunController::Outcome::Completed || !c.error) {
        lines.push_back(OutcomeWithoutResult(c.outcome) +
                        " The search's figures above stand unconfirmed.");
    } else {
        const MonteCarloError& e = *c.error;
        if (e.replications < c.samples)
            lines.push_back("Stopped by the user after " + Count(e.replications) + " of " +
                            Count(c.samples) + " samples: its figures cover only those.");
        AddErrorLines(lines, e, "confirmed power", 4);
        // The target is judged by the interval, not the point: only an
        // interval wholly on one side says more than Monte Carlo error.
        std::string reading;
        if (e.interval.low > c.targetPower)
            reading =
                "the whole interval lies above the target " + target + ": these sizes reach it.";
        else if (e.interval.high < c.targetPower)
            reading = "the whole interval lies below the target " + target +
                      ": these sizes fall short of it.";
        else
            reading =
                "the interval holds the target " + target +
                ": the power of these sizes differs from it by no more than Monte Carlo error.";
        lines.push_back("Against the target: " + reading);
    }
    if (c.typedSeed)
        lines.push_back("Its seed is the next of the chain from the typed seed " + *c.typedSeed +
                        ", so its numbers are fresh (the trials all drew from " + *c.typedSeed +
                        "); the seed field keeps " + *c.typedSeed + ".");
    else
        lines.push_back("Its seed is the next automatic seed, so its numbers are fresh.");
    lines.push_back(
        "It is an ordinary run: the main window now shows its results in place of the "
        "search's paragraph, its size and sample fields hold the values above, and the save "
        "commands save this run.");
    return lines;
}

}  // namespace

RunDetails WithConfirmation(RunDetails search, const SearchConfirmation& confirmation) {
    const FloatingPointFlagsKept keep;
    auto& lines = search.lines;
    const std::size_t at = std::min(search.confirmationAt, lines.size());
    if (search.confirmation) {
        // An earlier confirmation's section: the lines up to the blank line
        // before the trials (or the end).
        std::size_t end = at + 1;
        while (end < lines.size() && !lines[end].empty()) ++end;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at),
                    lines.begin() + static_cast<std::ptrdiff_t>(end));
    }
    const std::vector<std::string> added = ConfirmationLines(confirmation);
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
    search.confirmation = confirmation;
    return search;
}

std::string DetailsText(const RunDetails& details) {
    std::string text;
    for (const std::string& line : details.lines) text += line + "\n";
    return text;
}

SummaryColumns SummaryColumnsOf(const RunDetails& details) {
    SummaryColumns c;
    if (details.error && details.kind != DetailsKind::SingleReplication) {
        c.mcSe = ShortestRoundTrip(details.error->standardError);
        c.ciLow = ShortestRoundTrip(details.error->interval.low);
        c.ciHigh = ShortestRoundTrip(details.error->interval.high);
    }
    if (details.kind == DetailsKind::Robustness && details.bands.size() == 2) {
        c.bandReading =
            "Bradley " + details.bands[0].code + "; Robey & Barcikowski " + details.bands[1].code;
        if (details.achieved && details.achieved->differ)
            c.bandReading = kPowerRunReading + c.bandReading;
    }
    if (details.theory.available && details.kind != DetailsKind::NoResult)
        c.normalTheoryPower = ShortestRoundTrip(details.theory.power);
    return c;
}

}  // namespace velmor
