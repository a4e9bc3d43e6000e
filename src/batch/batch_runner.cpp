#include "batch/batch_runner.hpp"

#include "batch/headless_platform.hpp"
#include "batch/plain_text.hpp"
#include "output/data_files.hpp"
#include "output/line_sink.hpp"
#include "output/report_writer.hpp"
#include "program/program.hpp"
#include "search/sample_size_search.hpp"

namespace velmor::batch {

namespace {

// Types a study's values into the window as a user would, in an order that
// lets the coupling rules see the final mean and SD.
void TypeStudy(const Study& study, Program& program) {
    ui::MainWindow& w = program.mainWindow();
    auto type = [&](const StudySection& section, const char* key, ui::Control& control) {
        if (const StudyValue* v = Study::find(section, key)) control.setText(v->text);
    };
    for (int g = 0; g < 3; ++g) {
        const StudySection& section = study.groups[g];
        const ui::GroupControls& controls = w.groups[g];
        type(section, "mean", controls.txtmean);
        type(section, "sd", controls.txtsd);
        type(section, "n", controls.txtNsize);
        type(section, "reliability", controls.txtReliability);
        if (const StudyValue* v = Study::find(section, "integer"))
            controls.chkInteger.setChecked(Lowercase(v->text) == "yes");
        const StudyValue* distribution = Study::find(section, "distribution");
        if (distribution && Lowercase(distribution->text) == "uniform") {
            controls.rdoUniform.setChecked(true);
            continue;
        }
        const struct {
            const char* key;
            ui::Control& box;
            ui::Control& field;
        } bounds[] = {{"minimum", controls.chkMin, controls.txtMin},
                      {"maximum", controls.chkMax, controls.txtMax}};
        for (const auto& bound : bounds) {
            const StudyValue* v = Study::find(section, bound.key);
            if (!v || v->text.empty()) continue;
            bound.box.setChecked(true);    // proposes a bound ...
            bound.field.setText(v->text);  // ... which the study overwrites
        }
    }
    type(study.run, "alpha", w.hypothesis.txtalpha1);
    if (const StudyValue* seed = Study::find(study.run, "seed")) {
        program.txtseedKeyPress(true);  // typing a seed turns automatic seeds off
        w.monteCarlo.txtseed.setText(seed->text);
    }
    type(study.run, "samples", w.monteCarlo.txtiterations);
    type(study.run, "means_to_keep", w.sampling.txtmeanstokeep);
    if (const StudyValue* bounds = Study::find(study.run, "bounds"))
        (Lowercase(bounds->text) == "winsorized" ? w.menu.Winsorized1 : w.menu.Resampled1)
            .trigger();
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
    // typed in: choices about how a program uses the machine are made here.
    program.setPipelineAllowed(options.secondThread);
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
    const ui::MainMenuItems& menu = program.mainWindow().menu;
    if (study.search) {
        const StudyValue* power = Study::find(*study.search, "power");
        const StudyValue* samples = Study::find(*study.search, "samples");
        platform.answerSetPower(power ? power->text : "0.80",
                                samples ? std::optional<std::string>(samples->text) : std::nullopt);
        menu.GetNforAnyPower1.trigger();
    } else {
        menu.Run1.trigger();
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
                       {about.Panel1.text(), about.Panel2.text(), about.Panel3.text()});
    outcome.report = report.text();
    keepDataSet();
    MemoryLineSink means;
    WriteMeansFile(means, state);
    outcome.meansFile = means.text();

    outcome.seed = state.seedText;
    outcome.result = state.result;
    for (int g = 0; g < 3; ++g) outcome.sizes[g] = state.settings.groups[g].size;
    outcome.details =
        SummaryColumnsOf(outcome.searched ? DescribeSearch(state, program.run().lastOutcome(),
                                                           program.search().trialLog())
                                          : DescribeRun(state, program.run().lastOutcome()));
    return outcome;
}

}  // namespace velmor::batch
