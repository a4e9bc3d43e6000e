#include "batch/grid_run.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <ostream>
#include <variant>

#include "batch/completion_records.hpp"
#include "batch/conditions.hpp"
#include "batch/dry_run.hpp"
#include "batch/folder_lock.hpp"
#include "batch/ordered_pool.hpp"
#include "batch/output_files.hpp"
#include "batch/plain_text.hpp"
#include "batch/printable.hpp"
#include "batch/progress_line.hpp"
#include "batch/study_keys.hpp"
#include "batch/study_outputs.hpp"
#include "batch/summary.hpp"
#include "batch/tests_summary.hpp"
#include "batch/value_changes.hpp"
#include "core/usable_cores.hpp"

namespace velmor::batch {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

StudyOutcome WithStatus(const std::string& path, StudyStatus status) {
    StudyOutcome outcome;
    outcome.path = path;
    outcome.status = status;
    return outcome;
}

// How far the condition on one worker has come, for the progress line.
struct WorkerProgress {
    std::atomic<bool> running{false};
    std::atomic<std::size_t> item{0};
    std::atomic<std::uint64_t> planned{0}, completed{0}, redraws{0};
    std::atomic<bool> search{false};
    std::atomic<Clock::rep> started{0};
    // Since when the replication under way has been redrawing cases (0: it
    // is not), and whether that has been said for this condition.
    std::atomic<Clock::rep> redrawingSince{0};
    std::atomic<bool> redrawSaid{false};
};

// How long one case may redraw before the batch says so: long enough that
// only bounds that leave almost no room for a score reach it.
constexpr std::chrono::seconds kLongRedraw{10};

std::vector<BatchInput> ReadInputs(const BatchOptions& options, std::ostream& err,
                                   bool& unreadable) {
    std::vector<BatchInput> inputs;
    auto add = [&](std::string file, auto read) {
        if (auto* errors = std::get_if<std::vector<StudyError>>(&read)) {
            for (const StudyError& e : *errors) err << e.text() << "\n";
            unreadable = true;
            inputs.push_back({std::move(file), std::move(*errors)});
        } else {
            std::visit(
                [&](auto& source) {
                    inputs.push_back({std::move(file), std::move(source)});
                },
                read);
        }
    };
    if (!options.design.empty())
        add(options.design, ReadDesign(options.design, options.designBase));
    else
        for (const std::string& path : options.studies) add(path, ReadStudyGrid(path));
    return inputs;
}

// How a condition is named in messages: its file, and its name when that is
// not simply the file's.
std::string Label(const ConditionList& conditions, std::size_t i) {
    const std::string& file = conditions.file(i);
    const std::string name = conditions.name(i);
    if (std::filesystem::path(file).stem().string() == name) return Printable(file);
    return Printable(file) + ", condition " + Printable(name);
}

std::size_t TerminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

// Whether some condition chooses a test beside F, so that the tests CSV is
// written (with a row for every condition that has results).
// Whether some condition draws with the counter-based generator, so that
// the summary gains its generator column (in every shard alike: each looks at
// the whole grid).
bool AnyRunsPhilox(const ConditionList& conditions) {
    for (std::size_t i = 0; i < conditions.size(); ++i) {
        if (!conditions.errors(i).empty()) continue;
        const Study study = conditions.study(i);
        const StudyValue* generator = Study::find(study.run, KeyName(StudyKey::Generator));
        if (generator && Lowercase(generator->text) == "philox") return true;
    }
    return false;
}

bool AnyChoosesTests(const ConditionList& conditions) {
    for (std::size_t i = 0; i < conditions.size(); ++i) {
        if (!conditions.errors(i).empty()) continue;
        const Study study = conditions.study(i);
        const StudyValue* tests = Study::find(study.run, KeyName(StudyKey::Tests));
        if (!tests) continue;
        auto parsed = ParseMeanTests(Lowercase(tests->text));
        if (auto* chosen = std::get_if<MeanTestSelection>(&parsed); chosen && chosen->anyBesidesF())
            return true;
    }
    return false;
}

std::uint64_t GridDigest(const ConditionList& conditions, const OutputOptions& output) {
    Digest digest;
    digest.add(SummaryHeader(conditions.factorColumns(), AnyRunsPhilox(conditions)));
    digest.add(std::to_string(conditions.size()));
    for (std::size_t i = 0; i < conditions.size(); ++i) {
        digest.add(conditions.file(i));
        digest.add(conditions.name(i));
        for (const std::string& cell : conditions.factorCells(i)) digest.add(cell);
        digest.add(Digest::hex(conditions.fingerprint(i, output)));
    }
    return digest.value();
}

// One run of the batch: the conditions of this call (of this shard), their
// rows as they come, and the progress line.
class GridRun {
  public:
    GridRun(const BatchOptions& options, const ConditionList& conditions,
            const InterruptFlag& interrupt, std::ostream& err)
        : options_(options),
          conditions_(conditions),
          interrupt_(interrupt),
          err_(err),
          records_(options.output.outDir) {
        for (std::size_t i = 0; i < conditions.size(); ++i)
            if (!options.shard || options.shard->owns(i)) ours_.push_back(i);
        rows_.resize(ours_.size());
        testRows_.resize(ours_.size());
        writesTests_ = !options.summary.empty() && AnyChoosesTests(conditions);
        generatorColumn_ = AnyRunsPhilox(conditions);
        statuses_.resize(ours_.size(), StudyStatus::NotRun);
    }

    int run();

  private:
    bool recording() const { return !options_.output.outDir.empty(); }
    StudyTargets targets(std::size_t i) const {
        return TargetsFor(conditions_.name(i), options_.output);
    }
    // `cells`: a condition's summary cells, joined with its test rows.
    void setRow(std::size_t k, const std::string& cells) {
        const std::size_t i = ours_[k];
        std::vector<std::string> testCells;
        const std::string resultCells = SplitConditionCells(cells, testCells);
        rows_[k] = SummaryRow(conditions_.file(i), conditions_.name(i), conditions_.factorCells(i),
                              resultCells);
        testRows_[k].clear();
        for (const std::string& test : testCells)
            testRows_[k].push_back(SummaryRow(conditions_.file(i), conditions_.name(i),
                                              conditions_.factorCells(i), test));
    }
    void removeLeftovers() const;
    void removeStaleFiles(std::size_t i, StudyOutcome& outcome,
                          const std::vector<CompletionRecords::RecordedFile>& saved) const;
    std::size_t skipComplete(std::vector<std::size_t>& toRun);
    StudyOutcome runCondition(unsigned worker, std::size_t k);
    void deliver(std::size_t k, StudyOutcome& outcome);
    void showProgress();
    // Says once per condition, on `err` whether or not it is a terminal,
    // that a case has been redrawn for longer than kLongRedraw.
    void sayLongRedraws();
    // Replaces the progress line with `line` (empty: clears it, as before a
    // message and at the end), in one write.
    void drawProgress(const std::string& line) {
        if (options_.showProgress) err_ << "\r\033[K" + line << std::flush;
    }
    // Writes the records of the conditions completed since the last time,
    // once a second or so, or now when `now`. Returns false after a failure.
    bool flushRecords(bool now);
    bool writeSummary();
    // Says which conditions of a file run the same settings as an earlier
    // one once the window's rules have corrected their values, before
    // anything runs. Returns false when --strict refuses the batch for it.
    bool sayDuplicates();

    const BatchOptions& options_;
    const ConditionList& conditions_;
    const InterruptFlag& interrupt_;
    std::ostream& err_;
    CompletionRecords records_;
    std::vector<std::size_t> ours_;  // the conditions of this call, by number in the grid
    std::vector<std::uint64_t> fingerprints_;
    std::vector<std::string> rows_;
    // The tests CSV's rows of each condition, and whether it is written: when
    // some condition of the grid chooses tests beside F.
    std::vector<std::vector<std::string>> testRows_;
    bool writesTests_ = false;
    bool generatorColumn_ = false;  // some condition runs generator = philox
    std::vector<StudyStatus> statuses_;
    std::vector<WorkerProgress> workers_;
    // Each study may put its random chain on a second thread only while the
    // workers leave a core free for it.
    bool secondThreads_ = false;
    unsigned studyThreads_ = 1;
    Clock::time_point started_ = Clock::now();
    std::size_t done_ = 0;           // conditions with a row, skipped ones included
    std::size_t doneByThisRun_ = 0;  // of which this run ran
    std::size_t terminalColumns_ = 0;
    Clock::time_point lastProgress_{};
    std::mutex pendingMutex_;
    std::vector<CompletionRecords::Record> pending_;  // complete, not yet recorded
    // Conditions with a record that does not vouch for their files, and why.
    std::vector<std::pair<std::size_t, std::string>> runAgain_;
    Clock::time_point lastRecords_ = Clock::now();
    bool recordsFailed_ = false;
    // Condition (by number in the grid) -> the earlier one it repeats.
    std::map<std::size_t, std::size_t> duplicateOf_;
};

void GridRun::removeLeftovers() const {
    if (!options_.summary.empty()) {
        const std::filesystem::path summary =
            options_.shard ? PartPath(options_.summary, *options_.shard) : options_.summary;
        const std::filesystem::path folder =
            summary.has_parent_path() ? summary.parent_path() : std::filesystem::path(".");
        // The summary may lie outside the locked output folder.
        RemoveTemporaryFiles(folder, {summary.filename().string()}, true);
    }
    std::vector<std::string> files, names;
    for (const std::size_t i : ours_) {
        const StudyTargets t = targets(i);
        for (const auto* path : {&t.report, &t.data, &t.means})
            if (!path->empty()) files.push_back(path->filename().string());
        names.push_back(conditions_.name(i));
    }
    if (recording())
        records_.removeLeftovers(files, names);
    else if (options_.output.data || options_.output.means)
        RemoveTemporaryFiles(".", files, true);  // no lock guards the working folder
}

std::size_t GridRun::skipComplete(std::vector<std::size_t>& toRun) {
    std::size_t skipped = 0;
    for (std::size_t k = 0; k < ours_.size(); ++k) {
        std::optional<std::string> cells;
        if (options_.resume && conditions_.errors(ours_[k]).empty()) {
            CompletionRecords::Verdict verdict =
                records_.check(conditions_.name(ours_[k]), fingerprints_[k]);
            if (!verdict.why.empty()) runAgain_.emplace_back(ours_[k], std::move(verdict.why));
            cells = std::move(verdict.cells);
        }
        if (!cells) {
            toRun.push_back(k);
            continue;
        }
        setRow(k, *cells);
        statuses_[k] = cells->starts_with("ok,") ? StudyStatus::Ok : StudyStatus::Failed;
        ++skipped;
        ++done_;
    }
    return skipped;
}

// A condition's files that this run does not write (no --means now, or a
// study refused this time) go with the replacement: an earlier run's means
// file must not stay beside the new report as if it belonged to it. Their
// record was removed before the run began, so a kill before this point
// leaves the condition to run again.
void GridRun::removeStaleFiles(std::size_t i, StudyOutcome& outcome,
                               const std::vector<CompletionRecords::RecordedFile>& saved) const {
    const StudyTargets every =
        TargetsFor(conditions_.name(i), {options_.output.outDir, true, true});
    for (const auto* path : {&every.report, &every.data, &every.means}) {
        const std::string name = path->filename().string();
        bool written = false;
        for (const auto& file : saved) written = written || file.name == name;
        if (written || ::unlink(path->c_str()) == 0 || errno == ENOENT) continue;
        const WriteError error(errno, path->string());
        outcome.saveFailure = error.withReason() + " removing " + Printable(path->string()) +
                              ", which this run does not write";
        if (outcome.status == StudyStatus::Ok) {
            outcome.status = StudyStatus::SaveFailed;
            outcome.saveError = std::string(error.what()) + " removing " + name;
        }
        return;
    }
}

StudyOutcome GridRun::runCondition(unsigned worker, std::size_t k) {
    const std::size_t i = ours_[k];
    const std::string& file = conditions_.file(i);
    if (interrupt_.raised()) return WithStatus(file, StudyStatus::NotRun);
    if (const auto& errors = conditions_.errors(i); !errors.empty()) {
        StudyOutcome failed = WithStatus(file, StudyStatus::Failed);
        failed.messages.push_back(errors.front().text());
        return failed;
    }
    WorkerProgress& progress = workers_[worker];
    progress.item = k;
    progress.planned = progress.completed = progress.redraws = 0;
    progress.redrawingSince = 0;
    progress.redrawSaid = false;
    progress.started = Clock::now().time_since_epoch().count();
    progress.running = true;
    StudyRunOptions run;
    run.interrupt = &interrupt_;
    if (options_.maxSeconds)
        run.deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(*options_.maxSeconds));
    run.secondThread = secondThreads_;
    run.strict = options_.strict;
    run.threads = studyThreads_;
    run.conditionIndex = static_cast<std::uint32_t>(conditions_.indexInInput(i));
    run.progress = [&progress](const RunProgress& p, bool search) {
        // A replication that redraws restarts the clock; one that completes stops it.
        if (p.redraws == 0)
            progress.redrawingSince = 0;
        else if (progress.redrawingSince == 0 || p.completed != progress.completed)
            progress.redrawingSince = Clock::now().time_since_epoch().count();
        progress.planned = p.planned;
        progress.completed = p.completed;
        progress.redraws = p.redraws;
        progress.search = search;
    };
    StudyOutcome outcome = RunStudy(conditions_.study(i), run);
    progress.running = false;
    if (const auto d = duplicateOf_.find(i); d != duplicateOf_.end())
        outcome.notes.push_back("runs the same settings as condition " +
                                Printable(conditions_.name(d->second)));
    if (outcome.status == StudyStatus::Interrupted) return outcome;

    const StudyTargets t = targets(i);
    std::vector<CompletionRecords::RecordedFile> saved;
    SaveStudyFiles(outcome, t, interrupt_, &saved,
                   !options_.testKillBetweenRenames.empty() &&
                       conditions_.name(i) == options_.testKillBetweenRenames);
    const bool complete =
        outcome.status == StudyStatus::Ok || outcome.status == StudyStatus::Failed;
    if (recording() && complete) removeStaleFiles(i, outcome, saved);
    // Complete: its files are in place (a refused study has none). A record
    // will vouch for that once they are on disk; a condition whose files are
    // not all written has none and runs again on --resume.
    if (recording() &&
        (outcome.status == StudyStatus::Ok || outcome.status == StudyStatus::Failed ||
         outcome.status == StudyStatus::NotFound)) {
        // (A stale file that could not be removed made it SaveFailed.)
        std::lock_guard lock(pendingMutex_);
        pending_.push_back(
            {conditions_.name(i), fingerprints_[k], std::move(saved),
             JoinConditionCells(ResultCells(outcome, generatorColumn_), TestRowCells(outcome))});
    }
    // Only what goes to standard output waits for its turn; the rest is on disk.
    outcome.dataFile = std::string();
    outcome.meansFile = std::string();
    if (!t.report.empty()) outcome.report = std::string();
    return outcome;
}

void GridRun::deliver(std::size_t k, StudyOutcome& outcome) {
    const std::size_t i = ours_[k];
    const std::string label = Label(conditions_, i);
    drawProgress("");
    // The errors of an input that could not be read were shown as it was read.
    if (conditions_.errors(i).empty())
        for (const std::string& message : outcome.messages)
            err_ << label << ": " << message << "\n";
    for (const std::string& note : outcome.notes) err_ << label << ": " << note << "\n";
    if (!outcome.saveFailure.empty()) err_ << label << ": " << outcome.saveFailure << "\n";
    if (outcome.hasResults() && !recording() &&
        (outcome.status == StudyStatus::Ok || outcome.status == StudyStatus::NotFound)) {
        try {
            if (!WriteStandardOutput(outcome.report, [this] { return interrupt_.raised(); })) {
                outcome.status = StudyStatus::Interrupted;
                outcome.messages = {StoppedBy(interrupt_)};
            }
        } catch (const WriteError& error) {
            err_ << label << ": " << error.withReason() << " writing standard output\n";
            outcome.status = StudyStatus::SaveFailed;
            outcome.saveError = std::string(error.what()) + " writing standard output";
        }
    }
    setRow(k, JoinConditionCells(ResultCells(outcome, generatorColumn_), TestRowCells(outcome)));
    statuses_[k] = outcome.status;
    if (outcome.status != StudyStatus::NotRun && outcome.status != StudyStatus::Interrupted) {
        ++done_;
        ++doneByThisRun_;
    }
}

void GridRun::showProgress() {
    if (!options_.showProgress) return;
    const auto now = Clock::now();
    if (now - lastProgress_ < std::chrono::milliseconds(250)) return;
    lastProgress_ = now;
    std::string line;
    std::size_t running = 0;
    const WorkerProgress* single = nullptr;
    for (const WorkerProgress& w : workers_)
        if (w.running) {
            ++running;
            single = &w;
        }
    const std::size_t total = ours_.size();
    if (total > 1)
        line = GridProgressLine(done_, total, doneByThisRun_, running, SecondsSince(started_));
    // One condition at a time: its own progress, as for a single study.
    if (workers_.size() == 1 && single && (single->planned > 0 || single->redraws > 0)) {
        const RunProgress p{single->planned, single->completed, single->redraws};
        const double elapsed =
            std::chrono::duration<double>(Clock::now().time_since_epoch() -
                                          Clock::duration(single->started.load()))
                .count();
        const std::string study =
            StudyProgressLine(static_cast<int>(single->item + 1), static_cast<int>(total), p,
                              single->search, elapsed);
        line = total > 1 ? line + "; " + study : study;
    }
    drawProgress(FitToTerminal(line, terminalColumns_));
}

void GridRun::sayLongRedraws() {
    const Clock::rep now = Clock::now().time_since_epoch().count();
    const Clock::rep limit = std::chrono::duration_cast<Clock::duration>(kLongRedraw).count();
    for (WorkerProgress& w : workers_) {
        const Clock::rep since = w.redrawingSince;
        if (!w.running || since == 0 || w.redrawSaid || now - since < limit) continue;
        w.redrawSaid = true;
        drawProgress("");
        err_ << Label(conditions_, ours_[w.item]) << ": one case has been redrawn for more than "
             << kLongRedraw.count() << " s (" << w.redraws
             << " redraws so far): its minimum and maximum may leave almost no room for a score; "
                "--max-time limits the time of a condition\n";
    }
}

bool GridRun::flushRecords(bool now) {
    if (!now && Clock::now() - lastRecords_ < std::chrono::seconds(1)) return !recordsFailed_;
    lastRecords_ = Clock::now();
    std::vector<CompletionRecords::Record> records;
    {
        std::lock_guard lock(pendingMutex_);
        records.swap(pending_);
    }
    try {
        if (recording()) {
            records_.record(records);
            // At the end, everything the run wrote is on disk when it exits.
            if (now) SyncFileSystem(options_.output.outDir);
        } else if (now && (options_.output.data || options_.output.means)) {
            SyncFileSystem(".");  // the data and means files in the working folder
        }
    } catch (const WriteError& error) {
        drawProgress("");
        err_ << "velmor-batch: " << error.withReason() << " writing " << Printable(error.target())
             << "; " << records.size()
             << " complete conditions are not recorded as such and would run again on --resume\n";
        recordsFailed_ = true;
    }
    return !recordsFailed_;
}

bool GridRun::writeSummary() {
    if (options_.summary.empty()) return true;
    std::string csv;
    std::string path = options_.summary;
    if (options_.shard) {
        path = PartPath(options_.summary, *options_.shard);
        std::vector<std::pair<std::size_t, std::string>> rows;
        for (std::size_t k = 0; k < ours_.size(); ++k) rows.emplace_back(ours_[k], rows_[k]);
        csv = PartText(*options_.shard, conditions_.size(),
                       GridDigest(conditions_, options_.output), !interrupt_.raised(),
                       SummaryHeader(conditions_.factorColumns(), generatorColumn_), rows);
    } else {
        csv += SummaryHeader(conditions_.factorColumns(), generatorColumn_) + "\r\n";
        for (const std::string& row : rows_) csv += row + "\r\n";
    }
    std::vector<OutputFile> files = {{path, csv}};
    std::string tests;  // the files hold views of their texts
    if (writesTests_ && options_.shard) {
        // A part holds one row per condition, as merge checks them: each
        // condition's test rows travel as one field, which merge unpacks.
        std::vector<std::pair<std::size_t, std::string>> rows;
        for (std::size_t k = 0; k < ours_.size(); ++k)
            rows.emplace_back(ours_[k], PackedTestRows(testRows_[k]));
        tests =
            PartText(*options_.shard, conditions_.size(), GridDigest(conditions_, options_.output),
                     !interrupt_.raised(), TestsHeader(conditions_.factorColumns()), rows);
        files.push_back({PartPath(TestsSummaryPath(options_.summary), *options_.shard), tests});
    } else if (writesTests_) {
        tests = TestsHeader(conditions_.factorColumns()) + "\r\n";
        for (const auto& rows : testRows_)
            for (const std::string& row : rows) tests += row + "\r\n";
        files.push_back({TestsSummaryPath(options_.summary), tests});
    }
    try {
        SaveAllOrNothing(files, {});
    } catch (const WriteError& error) {
        err_ << "velmor-batch: " << error.withReason() << " writing the summary " << Printable(path)
             << "\n";
        return false;
    }
    return true;
}

bool GridRun::sayDuplicates() {
    // Every condition of the grid, not only this shard's, so that every shard
    // comes to the same answer.
    std::map<std::pair<std::string, std::string>, std::size_t> first;
    std::map<std::size_t, std::vector<std::size_t>> repeats;  // first -> its repeats
    for (std::size_t i = 0; i < conditions_.size(); ++i) {
        if (!conditions_.errors(i).empty()) continue;
        const bool alone =
            (i == 0 || conditions_.file(i - 1) != conditions_.file(i)) &&
            (i + 1 == conditions_.size() || conditions_.file(i + 1) != conditions_.file(i));
        if (alone) continue;
        const Study study = conditions_.study(i);
        const std::optional<RunSettings> settings = StudySettings(study);
        if (!settings) continue;  // refused by the window: its own message says why
        const auto [it, inserted] =
            first.try_emplace({conditions_.file(i), SettingsFingerprint(study, *settings)}, i);
        if (inserted) continue;
        duplicateOf_[i] = it->second;
        repeats[it->second].push_back(i);
    }
    if (repeats.empty()) return true;
    drawProgress("");
    constexpr std::size_t kShown = 20;
    std::size_t shown = 0;
    for (const auto& [original, copies] : repeats) {
        if (shown++ == kShown) {
            err_ << "velmor-batch:   and " << repeats.size() - kShown << " more\n";
            break;
        }
        std::string names;
        for (const std::size_t c : copies)
            names += (names.empty() ? "" : ", ") + conditions_.name(c);
        err_ << "velmor-batch: " << Printable(conditions_.file(original)) << ": "
             << (copies.size() == 1 ? "condition " : "conditions ") << Printable(names)
             << (copies.size() == 1 ? " runs" : " run") << " the same settings as "
             << Printable(conditions_.name(original))
             << " once the window's rules have corrected their values\n";
    }
    if (!options_.strict) return true;
    err_ << "velmor-batch: --strict: conditions that repeat another's settings; nothing was run\n";
    return false;
}

int GridRun::run() {
    terminalColumns_ = options_.showProgress ? TerminalColumns() : 0;
    if (!sayDuplicates()) return kExitFailure;
    for (const std::size_t i : ours_) {
        std::uint64_t fingerprint = conditions_.fingerprint(i, options_.output);
        // A strict run refuses what a run without --strict ran with a note:
        // the records of one do not vouch for the other.
        if (options_.strict) {
            Digest digest;
            digest.add(Digest::hex(fingerprint));
            digest.add("--strict");
            fingerprint = digest.value();
        }
        fingerprints_.push_back(fingerprint);
    }
    removeLeftovers();
    std::vector<std::size_t> toRun;
    const std::size_t skipped = skipComplete(toRun);
    if (options_.resume) {
        err_ << "velmor-batch: resuming: skipped " << skipped << " of " << ours_.size()
             << " conditions, complete before; running " << toRun.size() << "\n";
        if (!runAgain_.empty())
            err_ << "velmor-batch: resuming: " << runAgain_.size() << " of them run again because "
                 << "their record does not vouch for their files:\n";
        constexpr std::size_t kShown = 20;
        for (std::size_t r = 0; r < runAgain_.size() && r < kShown; ++r)
            err_ << "velmor-batch:   " << Label(conditions_, runAgain_[r].first) << ": "
                 << Printable(runAgain_[r].second) << "\n";
        if (runAgain_.size() > kShown)
            err_ << "velmor-batch:   and " << runAgain_.size() - kShown << " more\n";
    }
    // No record may outlive the files it vouched for: those of the conditions
    // about to run go before any of their files is replaced.
    if (recording()) {
        std::vector<std::string> names;
        for (const std::size_t k : toRun) names.push_back(conditions_.name(ours_[k]));
        try {
            records_.forget(names);
        } catch (const WriteError& error) {
            err_ << "velmor-batch: " << error.withReason() << " removing "
                 << Printable(error.target()) << "; nothing was run\n";
            return kExitFailure;
        }
    }

    // No more workers than conditions to run, and at least one.
    const std::size_t jobs = std::clamp<std::size_t>(toRun.size(), 1, std::max(1u, options_.jobs));
    workers_ = std::vector<WorkerProgress>(jobs);
    secondThreads_ = 2 * jobs <= AvailableCores();
    // A study under the counter-based generator waits while its threads
    // work, so its worker's own core is among those it may use.
    studyThreads_ = options_.threads > 0
                        ? options_.threads
                        : std::max(1U, AvailableCores() / static_cast<unsigned>(jobs));
    OrderedPool::Run(
        toRun.size(), static_cast<unsigned>(workers_.size()),
        [&](std::size_t worker, std::size_t j) {
            return runCondition(static_cast<unsigned>(worker), toRun[j]);
        },
        [&](std::size_t j, StudyOutcome& outcome) { deliver(toRun[j], outcome); },
        [&] {
            showProgress();
            sayLongRedraws();
            flushRecords(false);
        },
        interrupt_);
    drawProgress("");
    // Conditions never handed to a worker (an interrupt before the pool began).
    for (std::size_t k = 0; k < ours_.size(); ++k)
        if (rows_[k].empty())
            setRow(k, ResultCells(WithStatus(conditions_.file(ours_[k]), StudyStatus::NotRun),
                                  generatorColumn_));

    bool failed = !flushRecords(true);
    failed = !writeSummary() || failed;
    for (const StudyStatus status : statuses_) failed = failed || status != StudyStatus::Ok;
    if (interrupt_.raised()) {
        err_ << "velmor-batch: " << StoppedBy(interrupt_) << " after " << done_ << " of "
             << ours_.size() << " conditions; a condition in flight keeps no file";
        if (!options_.summary.empty())
            err_ << "; the summary marks the rest \"interrupted\" or \"not run\"";
        err_ << "\n";
        return InterruptedExitCode(interrupt_.signal());
    }
    if (ours_.size() > 1) {
        char line[96];
        std::snprintf(line, sizeof line, "%zu conditions in %.2f s\n", ours_.size(),
                      SecondsSince(started_));
        err_ << line;
    }
    return failed ? kExitFailure : 0;
}

}  // namespace

unsigned AvailableCores() {
    unsigned cores = UsableCores();
    // A Slurm task may be given fewer cores than the node's, without a CPU
    // mask to say so.
    if (const char* perTask = std::getenv("SLURM_CPUS_PER_TASK")) {
        unsigned given = 0;
        const std::string_view text(perTask);
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), given);
        if (ec == std::errc() && end == text.data() + text.size() && given > 0 && given < cores)
            cores = given;
    }
    return cores;
}

int RunBatch(const BatchOptions& options, const InterruptFlag& interrupt, std::ostream& err) {
    bool unreadable = false;
    const ConditionList conditions(ReadInputs(options, err, unreadable));
    if (options.dryRun) {
        const int code = DryRun(options, conditions, err);
        return unreadable ? kExitFailure : code;
    }

    std::vector<NamedStudy> named;
    named.reserve(conditions.size());
    for (std::size_t i = 0; i < conditions.size(); ++i)
        named.push_back({conditions.file(i), conditions.name(i)});
    std::vector<std::string> summaries;
    if (!options.summary.empty())
        summaries.push_back(options.shard ? PartPath(options.summary, *options.shard)
                                          : options.summary);
    std::vector<std::string> otherInputs;
    if (!options.designBase.empty()) otherInputs.push_back(options.designBase);
    const std::vector<std::string> clashes =
        FindOutputClashes(named, options.output, summaries, otherInputs);
    if (!clashes.empty()) {
        for (const std::string& clash : clashes) err << "velmor-batch: " << clash << "\n";
        err << "velmor-batch: nothing was run\n";
        return kExitUsage;
    }
    if (!options.output.outDir.empty()) {
        if (auto problem = PrepareOutputFolder(options.output.outDir)) {
            err << "velmor-batch: " << *problem << "\n";
            return kExitFailure;
        }
    }
    // The summary often goes into the output folder, made just now.
    const std::vector<std::string> unwritable =
        FindUnwritableOutputs(named, options.output, summaries);
    if (!unwritable.empty()) {
        for (const std::string& problem : unwritable) err << "velmor-batch: " << problem << "\n";
        err << "velmor-batch: nothing was run\n";
        return kExitFailure;
    }
    std::optional<FolderLock> lock;
    if (!options.output.outDir.empty()) {
        std::vector<std::size_t> ours;
        for (std::size_t i = 0; i < conditions.size(); ++i)
            if (options.shard && options.shard->owns(i)) ours.push_back(i);
        std::string warning;
        auto taken = FolderLock::Take(options.output.outDir, ours, !options.shard, warning);
        if (auto* problem = std::get_if<std::string>(&taken)) {
            err << "velmor-batch: " << *problem << "; nothing was run\n";
            return kExitFailure;
        }
        if (!warning.empty()) err << "velmor-batch: " << warning << "\n";
        lock.emplace(std::move(std::get<FolderLock>(taken)));
    }
    GridRun grid(options, conditions, interrupt, err);
    const int code = grid.run();
    return code == 0 && unreadable ? kExitFailure : code;
}

}  // namespace velmor::batch
