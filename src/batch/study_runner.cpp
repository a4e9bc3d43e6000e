#include "batch/study_runner.hpp"

#include <cstdio>

#include "analysis/achieved_means.hpp"
#include "analysis/added_report_section.hpp"
#include "batch/headless_platform.hpp"
#include "batch/plain_text.hpp"
#include "batch/study_keys.hpp"
#include "batch/study_shapes.hpp"
#include "batch/value_changes.hpp"
#include "output/data_files.hpp"
#include "output/line_sink.hpp"
#include "output/report_writer.hpp"
#include "program/program.hpp"
#include "run/number_format.hpp"
#include "run/number_reading.hpp"
#include "search/sample_size_search.hpp"

namespace velmor::batch {

namespace {

// Types a study's values into the window as a user would, in an order that
// lets the coupling rules see the final mean and SD.
void TypeStudy(const Study& study, Program& program) {
    ui::MainWindow& w = program.mainWindow();
    auto find = [](const StudySection& section, StudyKey key) {
        return Study::find(section, KeyName(key));
    };
    auto type = [&](const StudySection& section, StudyKey key, ui::Control& control) {
        if (const StudyValue* v = find(section, key)) control.setText(v->text);
    };
    for (int g = 0; g < 3; ++g) {
        const StudySection& section = study.groups[g];
        const ui::GroupControls& controls = w.groups[g];
        type(section, StudyKey::Mean, controls.txtmean);
        type(section, StudyKey::Sd, controls.txtsd);
        type(section, StudyKey::N, controls.txtNsize);
        type(section, StudyKey::Reliability, controls.txtReliability);
        if (const StudyValue* v = find(section, StudyKey::Integer))
            controls.chkInteger.setChecked(Lowercase(v->text) == "yes");
        const struct {
            StudyKey key;
            ui::Control& box;
            ui::Control& field;
        } bounds[] = {{StudyKey::Minimum, controls.chkMin, controls.txtMin},
                      {StudyKey::Maximum, controls.chkMax, controls.txtMax}};
        const StudyValue* distribution = find(section, StudyKey::Distribution);
        const bool uniform = distribution && Lowercase(distribution->text) == "uniform";
        // Uniform: choosing it derives both bounds from the mean and sd, and
        // a bound the study gives then replaces the derived one, typed after
        // the mean and sd so that no coupling rule rewrites it.
        if (uniform) controls.rdoUniform.setChecked(true);
        for (const auto& bound : bounds) {
            const StudyValue* v = find(section, bound.key);
            if (!v || v->text.empty()) continue;
            if (!uniform) bound.box.setChecked(true);  // proposes a bound ...
            bound.field.setText(v->text);              // ... which the study overwrites
        }
    }
    type(study.run, StudyKey::Alpha, w.hypothesis.txtalpha1);
    if (const StudyValue* seed = find(study.run, StudyKey::Seed)) {
        // Typing a seed turns automatic seeds off, so every run draws from
        // it. A search instead starts the chain of automatic seeds from it:
        // its first trial takes the typed seed and every later trial the next
        // seed of the chain, fresh numbers each time, as in the window with
        // automatic seeds, and the whole search still reproduces from the
        // study's seed. `[search] seeds = fixed` asks for the typed seed in
        // every trial.
        const StudyValue* seeds = study.search ? find(*study.search, StudyKey::Seeds) : nullptr;
        if (!study.search || (seeds && Lowercase(seeds->text) == "fixed"))
            program.txtseedKeyPress(true);
        w.monteCarlo.txtseed.setText(seed->text);
    }
    type(study.run, StudyKey::Samples, w.monteCarlo.txtiterations);
    type(study.run, StudyKey::MeansToKeep, w.sampling.txtmeanstokeep);
    // A choice beyond the window's controls, as the Details window's options make it.
    // Checked when the study was read.
    program.state().choices.stopping = StudyStoppingChoice(study);
    if (const StudyValue* v = find(study.run, StudyKey::NoVariance))
        program.state().choices.skipNoVarianceSamples = Lowercase(v->text) == "skip";
    if (const StudyValue* tests = find(study.run, StudyKey::Tests)) {
        // Checked when the study was read.
        auto parsed = ParseMeanTests(Lowercase(tests->text));
        if (auto* chosen = std::get_if<MeanTestSelection>(&parsed))
            program.state().choices.tests = *chosen;
    }
    if (const StudyValue* v = find(study.run, StudyKey::Generator))
        program.state().choices.generator =
            Lowercase(v->text) == "philox" ? Generator::Philox : Generator::Classic;
    if (const StudyValue* bounds = find(study.run, StudyKey::Bounds))
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

// Why a search that ran found no sizes it can vouch for, naming the sizes
// its last trial actually ran (the size fields may hold others, set but
// never run).
std::string NotFoundMessage(SearchEnd end, const RunState& state) {
    const char* why = "it ended before its stop test";
    switch (end) {
        case SearchEnd::Looping:
            why = "it kept returning to the same sizes";
            break;
        case SearchEnd::Cycling:
            why = "its trials went round in a circle";
            break;
        case SearchEnd::TrialCap:
            why = "it reached its limit of trials";
            break;
        case SearchEnd::Unreachable:
            why = "no sizes inside 2 to 2000 reach it";
            break;
        case SearchEnd::NoFit:
            why = "the groups' allocation does not fit inside 2 to 2000";
            break;
        case SearchEnd::Stopped:
            why = "it was stopped";
            break;
        default:
            break;
    }
    const auto& g = state.settings.groups;
    const RunTallies& t = state.tallies;
    char power[32];
    std::snprintf(power, sizeof power, "%.4f", t.rejectionProportion);
    return "sample sizes not found: the search for power " + FormatFixed(state.targetPower, 6, 2) +
           " ended without meeting its stop test (" + why + "); its last trial ran " +
           std::to_string(g[0].size) + ", " + std::to_string(g[1].size) + ", " +
           std::to_string(g[2].size) + " with power " + power + " over " +
           std::to_string(t.completedReplications) + " samples";
}

// One more trial at the sizes the search ended on, with the search's full
// number of samples, as an ordinary run. Its seed is the next of the chain
// (or the study's own with `seeds = fixed`), so its numbers are fresh.
std::optional<StudyOutcome::Confirmation> Confirm(Program& program, std::int32_t samples) {
    ui::MainWindow& w = program.mainWindow();
    const RunState& state = program.state();
    for (int g = 0; g < 3; ++g)
        w.groups[g].txtNsize.setText(std::to_string(state.settings.groups[g].size));
    w.monteCarlo.txtiterations.setText(std::to_string(samples));
    w.menu.Run1.trigger();
    if (program.run().lastOutcome() != RunController::Outcome::Completed) return std::nullopt;
    const RunTallies& t = state.tallies;
    const std::optional<MonteCarloError> error =
        MonteCarloErrorOf(t.rejections, t.completedReplications);
    if (!error) return std::nullopt;
    return StudyOutcome::Confirmation{t.completedReplications, t.rejections, error->proportion,
                                      error->interval.low, error->interval.high};
}

// A study stopped at its time limit: as a stopped run, but none of it is kept.
StudyOutcome TimedOut(const std::string& path, bool searched) {
    StudyOutcome outcome;
    outcome.path = path;
    outcome.searched = searched;
    outcome.status = StudyStatus::TimeLimit;
    outcome.messages = {"stopped at its time limit (--max-time); nothing of it is kept"};
    return outcome;
}

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
        case StudyStatus::NotFound:
            return "not found";
        case StudyStatus::TimeLimit:
            return "time limit";
    }
    return "failed";
}

StoppingChoice StudyStoppingChoice(const Study& study) {
    StoppingChoice choice;
    // Checked when the study was read.
    if (const StudyValue* v = Study::find(study.run, KeyName(StudyKey::Precision)))
        choice.precision = ReadNumber(v->text);
    if (const StudyValue* v = Study::find(study.run, KeyName(StudyKey::Decide)))
        choice.decide =
            Lowercase(v->text) == "bradley" ? DecideBand::Bradley : DecideBand::RobeyBarcikowski;
    return choice;
}

StudyOutcome RunStudy(const Study& study, const StudyRunOptions& options) {
    std::vector<std::string> diagnostics;
    StudyConsole console(diagnostics);
    HeadlessPlatform platform;
    Program program(platform, &console);
    // The one place where a worker's program is set up before the study is
    // typed in: choices about how a program uses the machine are made here.
    program.setPipelineAllowed(options.secondThread);
    program.search().setTrialCap(options.searchTrialCap);
    program.run().setPhiloxThreads(options.threads);
    program.state().choices.conditionIndex = options.conditionIndex;
    const RunState& state = program.state();
    platform.attach(program.windows(), state);
    platform.watchInterrupt(options.interrupt);
    platform.setDeadline(options.deadline);

    StudyOutcome outcome;
    outcome.path = study.path;
    outcome.searched = study.search.has_value();
    if (options.progress)
        platform.setProgress(
            [&](const RunProgress& progress) { options.progress(progress, outcome.searched); });

    TypeStudy(study, program);
    // A group's shape is no control of the window: it is the run's choice,
    // as the shape dialog makes it. Whether it is possible the run decides.
    const std::variant<StudyShapes, std::string> shapes = ShapesOfStudy(study);
    if (const std::string* problem = std::get_if<std::string>(&shapes)) {
        outcome.status = StudyStatus::Failed;
        outcome.messages = {*problem};
        return outcome;
    }
    // What the window's rules make of the study's values, before it runs.
    if (const std::optional<RunSettings> settings =
            program.run().settingsAsTyped(outcome.searched)) {
        std::vector<std::string> changes;
        for (const ValueChange& change : FindValueChanges(study, *settings))
            changes.push_back(ChangeText(change));
        std::vector<std::string> moved;
        // Bounds the study gave itself are its own choice, not a change that
        // --strict refuses; that they do not match its mean and sd is said.
        for (const UniformPopulation& p : FindMovedUniformPopulations(study, *settings))
            (p.derived ? changes : moved).push_back(PopulationText(p));
        if (options.strict && !changes.empty()) {
            std::string refusal = "refused (--strict): the window would change values: ";
            for (std::size_t i = 0; i < changes.size(); ++i)
                refusal += (i ? "; " : "") + changes[i];
            outcome.status = StudyStatus::Failed;
            outcome.messages = {refusal + "; nothing was run"};
            return outcome;
        }
        outcome.notes = std::move(changes);
        outcome.notes.insert(outcome.notes.end(), moved.begin(), moved.end());
    }
    // Set only now: the window's rules above never read a shape, and each
    // settings step that has one solves it anew.
    program.state().choices.shapes = std::get<StudyShapes>(shapes);
    const ui::MainMenuItems& menu = program.mainWindow().menu;
    if (study.search) {
        const StudyValue* power = Study::find(*study.search, KeyName(StudyKey::Power));
        const StudyValue* samples = Study::find(*study.search, KeyName(StudyKey::SearchSamples));
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
        outcome.messages = {StoppedBy(*options.interrupt)};
        return outcome;
    }
    if (platform.timedOut()) return TimedOut(study.path, outcome.searched);
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
    if (ended == RunController::Outcome::NoVariance && state.choices.skipNoVarianceSamples) {
        // Skipping could not save the run: it set aside as many samples as it may.
        outcome.discardedNoVariance = state.result.discardedNoVariance;
        outcome.messages.insert(
            outcome.messages.begin(),
            "no_variance = skip set aside " + std::to_string(state.result.discardedNoVariance) +
                " samples without variance, the most a run may (its planned samples, at least "
                "1000), before " +
                std::to_string(state.progress.completed) +
                " counted ones; the run ended with NO VARIANCE");
    }
    if (ended != RunController::Outcome::Completed) {
        outcome.status = StudyStatus::Failed;
        return outcome;
    }
    outcome.status = StudyStatus::Ok;
    if (outcome.searched && program.search().lastEnd() != SearchEnd::Reached) {
        outcome.status = StudyStatus::NotFound;
        outcome.messages.insert(outcome.messages.begin(),
                                NotFoundMessage(program.search().lastEnd(), state));
    }

    MemoryLineSink report;
    const ui::AboutBox& about = program.windows().aboutBox;
    WriteResultsReport(report, state,
                       {about.Panel1.text(), about.Panel2.text(), about.Panel3.text()});
    for (const std::string& line : AddedReportLines(state)) report.writeLine(line);
    outcome.testRates = DescribeTestRates(state);
    outcome.report = report.text();
    keepDataSet();
    MemoryLineSink means;
    WriteMeansFile(means, state);
    outcome.meansFile = means.text();

    outcome.seed = state.seedText;
    outcome.result = state.result;
    for (int g = 0; g < 3; ++g) outcome.sizes[g] = state.settings.groups[g].size;
    const RunDetails described = program.describeLastAnalysis();
    outcome.details = SummaryColumnsOf(described);
    outcome.achieved = AchievedMeansOf(state);
    if (state.choices.skipNoVarianceSamples)
        outcome.discardedNoVariance = state.result.discardedNoVariance;
    if (outcome.searched) {
        const SampleSizeSearch& search = program.search();
        outcome.searchTrials = search.trialsRun();
        outcome.theorySizeForTarget =
            TheorySizeForPower(state.settings, search.allocation(), state.targetPower);
        const StudyValue* confirm = Study::find(*study.search, KeyName(StudyKey::Confirm));
        if (confirm && Lowercase(confirm->text) == "yes")
            outcome.confirmation = Confirm(program, search.searchIterations());
        if (options.interrupt && options.interrupt->raised()) {
            outcome = StudyOutcome{};
            outcome.path = study.path;
            outcome.searched = true;
            outcome.status = StudyStatus::Interrupted;
            outcome.messages = {StoppedBy(*options.interrupt)};
        } else if (platform.timedOut()) {
            outcome = TimedOut(study.path, true);
        }
    }
    return outcome;
}

std::optional<RunSettings> StudySettings(const Study& study) {
    HeadlessPlatform platform;
    Program program(platform);
    TypeStudy(study, program);
    return program.run().settingsAsTyped(study.search.has_value());
}

}  // namespace velmor::batch
