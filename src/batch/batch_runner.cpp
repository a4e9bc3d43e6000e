#include "batch/batch_runner.hpp"

#include "batch/headless_platform.hpp"
#include "output/data_files.hpp"
#include "output/line_sink.hpp"
#include "output/report_writer.hpp"
#include "program/program.hpp"
#include "search/sample_size_search.hpp"

namespace velmor::batch {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Types a study's values into the window as a user would, in an order that
// lets the coupling rules see the final mean and SD.
void TypeStudy(const Study& study, Program& program) {
    ui::MainWindow& w = program.mainWindow();
    auto type = [&](const StudySection& section, const char* key, const std::string& control) {
        if (const StudyValue* v = Study::find(section, key)) w.control(control).setText(v->text);
    };
    for (int g = 0; g < 3; ++g) {
        const StudySection& section = study.groups[g];
        const std::string n = std::to_string(g + 1);
        type(section, "mean", "txtmean" + n);
        type(section, "sd", "txtsd" + n);
        type(section, "n", "txtNsize" + n);
        type(section, "reliability", "txtReliability" + n);
        if (const StudyValue* v = Study::find(section, "integer"))
            w.control("chkInteger" + n).setChecked(Lower(v->text) == "yes");
        const StudyValue* distribution = Study::find(section, "distribution");
        if (distribution && Lower(distribution->text) == "uniform") {
            w.control("rdoUniform" + n).setChecked(true);
            continue;
        }
        for (const char* bound : {"minimum", "maximum"}) {
            const StudyValue* v = Study::find(section, bound);
            if (!v || v->text.empty()) continue;
            const std::string suffix = std::string(bound) == "minimum" ? "Min" : "Max";
            w.control("chk" + suffix + n).setChecked(true);  // proposes a bound ...
            w.control("txt" + suffix + n).setText(v->text);  // ... which the study overwrites
        }
    }
    type(study.run, "alpha", "txtalpha1");
    if (const StudyValue* seed = Study::find(study.run, "seed")) {
        program.txtseedKeyPress(true);  // typing a seed turns automatic seeds off
        w.control("txtseed").setText(seed->text);
    }
    type(study.run, "samples", "txtiterations");
    type(study.run, "means_to_keep", "txtmeanstokeep");
    if (const StudyValue* bounds = Study::find(study.run, "bounds"))
        w.menus()
            .item(Lower(bounds->text) == "winsorized" ? "Winsorized1" : "Resampled1")
            .trigger();
}

std::string VerdictKind(const RunState& state) {
    if (state.settings.txtiterations == 1) return "NONE";
    const std::string& first = state.resultLines[0];
    for (const char* kind : {"CAUTION", "ROBUST", "INFLATED", "CONSERVATIVE"})
        if (first.find(kind) != std::string::npos) return kind;
    return "POWER";
}

// The diagnostics of the F probability, kept as the study's messages; with
// no one at a keyboard, waiting for Enter returns at once.
class StudyConsole final : public Console {
  public:
    explicit StudyConsole(std::vector<std::string>& lines) : lines_(lines) {}
    void WriteLine(std::string_view line) override { lines_.emplace_back(line); }
    void ReadLine() override {}

  private:
    std::vector<std::string>& lines_;
};

}  // namespace

const char* StatusText(StudyStatus status) {
    switch (status) {
        case StudyStatus::Ok:
            return "ok";
        case StudyStatus::Failed:
            return "failed";
        case StudyStatus::SaveFailed:
            return "save failed";
        case StudyStatus::Interrupted:
            return "interrupted";
        case StudyStatus::NotRun:
            return "not run";
    }
    return "failed";
}

StudyOutcome RunStudy(const Study& study, const StudyRunOptions& options) {
    std::vector<std::string> diagnostics;
    StudyConsole console(diagnostics);
    HeadlessPlatform platform;
    Program program(platform, &console);
    // The one place where a worker's program is set up before the study is
    // typed in: a choice about how a program uses the machine (such as
    // keeping its replication loop on this thread, while the batch keeps
    // every core busy with one program per condition) is made here.
    const RunState& state = program.state();
    platform.attach(program.windows(), state);
    platform.watchInterrupt(options.interrupt);

    StudyOutcome outcome;
    outcome.path = study.path;
    outcome.searched = study.search.has_value();
    if (options.progress)
        platform.setProgress(
            [&](const RunProgress& progress) { options.progress(progress, outcome.searched); });

    TypeStudy(study, program);
    ui::MenuBar& menus = program.mainWindow().menus();
    if (study.search) {
        const StudyValue* power = Study::find(*study.search, "power");
        const StudyValue* samples = Study::find(*study.search, "samples");
        platform.answerSetPower(power ? power->text : "0.80",
                                samples ? std::optional<std::string>(samples->text) : std::nullopt);
        menus.item("GetNforAnyPower1").trigger();
    } else {
        menus.item("Run1").trigger();
    }

    outcome.messages = platform.messages();
    outcome.messages.insert(outcome.messages.end(), diagnostics.begin(), diagnostics.end());
    if (options.interrupt && options.interrupt->raised()) {
        // Stopped from outside, not by the study: none of it is a result.
        outcome.status = StudyStatus::Interrupted;
        outcome.messages = {std::string("stopped by ") + SignalName(options.interrupt->signal())};
        return outcome;
    }
    const Replicator& replicator = program.replicator();
    auto keepDataSet = [&] {
        MemoryLineSink data;
        WriteDataFile(data, {replicator.observedScores(0), replicator.observedScores(1),
                             replicator.observedScores(2)});
        outcome.dataFile = data.text();
        outcome.hasDataFile = true;
    };
    // A search refused before its first trial, or ended on a refused trial,
    // leaves the last Run command's outcome short of Completed, as does a run
    // that failed its settings, found no variance, or was abandoned.
    const RunController::Outcome ended = program.run().lastOutcome();
    if (ended == RunController::Outcome::NoVariance && !outcome.searched) keepDataSet();
    if (ended != RunController::Outcome::Completed) {
        outcome.status = StudyStatus::Failed;
        return outcome;
    }
    outcome.status = StudyStatus::Ok;

    MemoryLineSink report;
    const ui::AboutBox& about = program.windows().aboutBox;
    WriteResultsReport(report, state,
                       {about.control("Panel1").text(), about.control("Panel2").text(),
                        about.control("Panel3").text()});
    outcome.report = report.text();
    keepDataSet();
    MemoryLineSink means;
    WriteMeansFile(means, state);
    outcome.meansFile = means.text();

    const RunTallies& t = state.tallies;
    outcome.seed = state.seedText;
    outcome.samples = t.completedReplications;
    outcome.rejections = t.rejections;
    outcome.proportion = t.rejectionProportion;
    outcome.verdict = outcome.searched ? "POWER" : VerdictKind(state);
    for (int g = 0; g < 3; ++g) {
        outcome.means[g] = t.completedReplications > 0
                               ? t.sumOfMeans[g] / static_cast<double>(t.completedReplications)
                               : 0.0;
        outcome.standardErrors[g] = t.seOfMeans[g];
        outcome.sizes[g] = state.settings.groups[g].txtNsize;
    }
    outcome.details =
        SummaryColumnsOf(outcome.searched ? DescribeSearch(state, program.run().lastOutcome(),
                                                           program.search().trialLog())
                                          : DescribeRun(state, program.run().lastOutcome()));
    return outcome;
}

}  // namespace velmor::batch
