#include "batch/summary.hpp"

#include "batch/csv.hpp"
#include "run/number_format.hpp"

namespace velmor::batch {

namespace {

// A cell of a result that only a study with results has.
template <class F>
std::string WithResults(const StudyOutcome& o, F&& cell) {
    return o.hasResults() ? cell(o) : std::string();
}

std::string AchievedCell(const StudyOutcome& o, int group) {
    if (!o.hasResults() || !o.achieved) return {};
    return ShortestRoundTrip(o.achieved->mcError[group]);
}

// A shaped group's achieved skewness or excess kurtosis; empty for a normal
// or uniform group.
template <int G, bool Skewness>
std::string AchievedShapeCell(const StudyOutcome& o) {
    return WithResults(o, [](auto& r) {
        const AchievedShape& a = r.result.achievedShape[G];
        return a.shaped ? ShortestRoundTrip(Skewness ? a.skewness : a.kurtosis) : std::string();
    });
}

struct ResultColumn {
    const char* name;
    std::string (*cell)(const StudyOutcome&);
};

// The result columns in order. A column added here appears in the header and
// in every row.
const ResultColumn kResultColumns[] = {
    {"status", [](const StudyOutcome& o) { return std::string(StatusText(o.status)); }},
    {"seed", [](const StudyOutcome& o) { return WithResults(o, [](auto& r) { return r.seed; }); }},
    {"samples",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) { return std::to_string(r.result.completed); });
     }},
    {"rejections",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) { return std::to_string(r.result.rejections); });
     }},
    {"proportion",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) { return ShortestRoundTrip(r.result.proportion); });
     }},
    {"verdict",
     [](const StudyOutcome& o) {
         return WithResults(o,
                            [](auto& r) { return std::string(VerdictKeyword(r.result.verdict)); });
     }},
    {"mean1",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) { return ShortestRoundTrip(r.result.meanOfMeans[0]); });
     }},
    {"mean2",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) { return ShortestRoundTrip(r.result.meanOfMeans[1]); });
     }},
    {"mean3",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) { return ShortestRoundTrip(r.result.meanOfMeans[2]); });
     }},
    {"se1",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) { return ShortestRoundTrip(r.result.seOfMeans[0]); });
     }},
    {"se2",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) { return ShortestRoundTrip(r.result.seOfMeans[1]); });
     }},
    {"se3",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) { return ShortestRoundTrip(r.result.seOfMeans[2]); });
     }},
    {"n1",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) { return std::to_string(r.sizes[0]); });
     }},
    {"n2",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) { return std::to_string(r.sizes[1]); });
     }},
    {"n3",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) { return std::to_string(r.sizes[2]); });
     }},
    // A study not run was not read either: whether it searches is not known.
    {"search",
     [](const StudyOutcome& o) {
         return std::string(o.status == StudyStatus::NotRun ? "" : o.searched ? "yes" : "no");
     }},
    // The window's first message (a refusal, the search's difficulty note),
    // or why a study with results was not saved.
    // Then what the window's rules changed of the study's values.
    {"message",
     [](const StudyOutcome& o) {
         std::string text = o.status == StudyStatus::SaveFailed ? o.saveError
                            : o.messages.empty()                ? std::string()
                                                                : o.messages.front();
         for (const std::string& note : o.notes) text += (text.empty() ? "" : "; ") + note;
         return CsvField(text);
     }},
    // Monte Carlo error, the interval's reading against the robustness bands
    // and the normal-theory power; empty where they do not apply.
    {"mc_se", [](const StudyOutcome& o) { return o.details.mcSe; }},
    {"ci_low", [](const StudyOutcome& o) { return o.details.ciLow; }},
    {"ci_high", [](const StudyOutcome& o) { return o.details.ciHigh; }},
    {"band_reading", [](const StudyOutcome& o) { return CsvField(o.details.bandReading); }},
    {"normal_theory_power", [](const StudyOutcome& o) { return o.details.normalTheoryPower; }},
    // Added later, so after every older column: a search's trials, the normal-theory group-1 size
    // for its target and, with `confirm = yes`, the confirming trial at the sizes it ended on.
    {"trials",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) {
             return r.searched ? std::to_string(r.searchTrials) : std::string();
         });
     }},
    {"normal_theory_n1",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) {
             return r.theorySizeForTarget ? std::to_string(*r.theorySizeForTarget) : std::string();
         });
     }},
    {"confirm_samples",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) {
             return r.confirmation ? std::to_string(r.confirmation->samples) : std::string();
         });
     }},
    {"confirm_rejections",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) {
             return r.confirmation ? std::to_string(r.confirmation->rejections) : std::string();
         });
     }},
    {"confirm_power",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) {
             return r.confirmation ? ShortestRoundTrip(r.confirmation->power) : std::string();
         });
     }},
    {"confirm_ci_low",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) {
             return r.confirmation ? ShortestRoundTrip(r.confirmation->low) : std::string();
         });
     }},
    {"confirm_ci_high",
     [](const StudyOutcome& o) {
         return WithResults(o, [](auto& r) {
             return r.confirmation ? ShortestRoundTrip(r.confirmation->high) : std::string();
         });
     }},
    // The Monte Carlo error of mean1..mean3 (the achieved population means),
    // and with equal entered means whether the achieved means differ beyond
    // it (then the run measured power; see band_reading).
    {"mean1_mc_se", [](const StudyOutcome& o) { return AchievedCell(o, 0); }},
    {"mean2_mc_se", [](const StudyOutcome& o) { return AchievedCell(o, 1); }},
    {"mean3_mc_se", [](const StudyOutcome& o) { return AchievedCell(o, 2); }},
    {"means_differ",
     [](const StudyOutcome& o) {
         if (!o.hasResults() || !o.achieved || !o.achieved->enteredEqual) return std::string();
         return std::string(o.achieved->differ ? "yes" : "no");
     }},
    // With `no_variance = skip`: the samples set aside, also of a run that
    // reached the cap and ended without results.
    {"discarded_no_variance",
     [](const StudyOutcome& o) {
         return o.discardedNoVariance ? std::to_string(*o.discardedNoVariance) : std::string();
     }},
    // Why the run ended where it did: all its samples, or a checkpoint where
    // its rates were precise enough or its verdicts settled.
    {"stop_reason",
     [](const StudyOutcome& o) {
         return WithResults(
             o, [](auto& r) { return std::string(StopReasonWord(r.result.stopReason)); });
     }},
    // Population shapes: each group's achieved skewness and excess kurtosis.
    {"skew1", AchievedShapeCell<0, true>},
    {"kurt1", AchievedShapeCell<0, false>},
    {"skew2", AchievedShapeCell<1, true>},
    {"kurt2", AchievedShapeCell<1, false>},
    {"skew3", AchievedShapeCell<2, true>},
    {"kurt3", AchievedShapeCell<2, false>},
};

// Which generator drew a condition's samples. It appears only in the summary
// of a batch that runs some condition under the counter-based generator, as
// the tests file appears only when some condition chooses tests: a batch of
// classic conditions writes the summary it always wrote, byte for byte.
const ResultColumn kGeneratorColumn = {
    "generator", [](const StudyOutcome& o) {
        return WithResults(o,
                           [](auto& r) { return std::string(GeneratorWord(r.result.generator)); });
    }};

}  // namespace

std::string SummaryHeader(const std::vector<std::string>& factorColumns, bool generatorColumn) {
    std::string header = "file,condition";
    for (const std::string& column : factorColumns) header += "," + CsvField(column);
    for (const ResultColumn& column : kResultColumns) header += std::string(",") + column.name;
    if (generatorColumn) header += std::string(",") + kGeneratorColumn.name;
    return header;
}

std::string ResultCells(const StudyOutcome& outcome, bool generatorColumn) {
    std::string cells;
    for (const ResultColumn& column : kResultColumns) {
        if (&column != kResultColumns) cells += ',';
        cells += column.cell(outcome);
    }
    if (generatorColumn) cells += ',' + kGeneratorColumn.cell(outcome);
    return cells;
}

std::string SummaryRow(const std::string& file, const std::string& condition,
                       const std::vector<std::string>& factorCells,
                       const std::string& resultCells) {
    std::string row = CsvField(file) + "," + CsvField(condition);
    for (const std::string& cell : factorCells) row += "," + CsvField(cell);
    return row + "," + resultCells;
}

}  // namespace velmor::batch
