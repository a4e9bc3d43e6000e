#include "batch/batch_command.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ostream>
#include <variant>

#include "batch/output_files.hpp"
#include "batch/printable.hpp"
#include "batch/progress_line.hpp"
#include "core/errors.hpp"

namespace velmor::batch {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The name a study's outputs take: its file name without the extension.
std::string OutputName(const std::string& path) {
    return std::filesystem::path(path).stem().string();
}

StudyOutcome Unreadable(const std::string& path, const std::vector<StudyError>& errors) {
    StudyOutcome failed;
    failed.path = path;
    failed.status = StudyStatus::Failed;
    failed.messages.push_back(errors.front().text());
    return failed;
}

void WriteSummary(const std::string& path, const std::vector<StudyOutcome>& outcomes) {
    std::string csv = SummaryHeader() + "\r\n";
    for (const StudyOutcome& o : outcomes) csv += SummaryRow(o) + "\r\n";
    SaveAllOrNothing({{path, csv}}, {});
}

}  // namespace

void SaveStudy(StudyOutcome& outcome, const StudyTargets& targets, const InterruptFlag& interrupt,
               std::ostream& err) {
    const InterruptCheck interrupted = [&interrupt] { return interrupt.raised(); };
    const bool results = outcome.hasResults();
    std::vector<OutputFile> files;
    if (results && !targets.report.empty()) files.push_back({targets.report, outcome.report});
    if (outcome.hasDataFile && !targets.data.empty())
        files.push_back({targets.data, outcome.dataFile});
    if (results && !targets.means.empty()) files.push_back({targets.means, outcome.meansFile});
    auto markInterrupted = [&] {
        outcome.status = StudyStatus::Interrupted;
        outcome.messages = {std::string("stopped by ") + SignalName(interrupt.signal())};
    };
    try {
        bool complete = files.empty() || SaveAllOrNothing(files, interrupted);
        if (complete && results && targets.report.empty())
            complete = WriteStandardOutput(outcome.report, interrupted);
        if (!complete) markInterrupted();
    } catch (const WriteError& error) {
        // Opening a FIFO waits for its reader; the signal ends the wait.
        if (error.code() == EINTR && interrupt.raised()) return markInterrupted();
        err << Printable(outcome.path) << ": " << error.what() << " writing "
            << Printable(error.target()) << "\n";
        if (!results) return;  // the study had failed already; its message stays
        outcome.status = StudyStatus::SaveFailed;
        // The summary names the file without its folder, so that it reads the
        // same wherever the outputs went.
        const std::string target = error.target() == "standard output"
                                       ? error.target()
                                       : std::filesystem::path(error.target()).filename().string();
        outcome.saveError = std::string(error.what()) + " writing " + target;
    }
}

int RunBatch(const BatchOptions& options, const InterruptFlag& interrupt, std::ostream& err) {
    std::vector<NamedStudy> named;
    for (const std::string& path : options.studies) named.push_back({path, OutputName(path)});
    const std::vector<std::string> clashes =
        FindOutputClashes(named, options.output, options.summary);
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

    const auto started = Clock::now();
    const int total = static_cast<int>(named.size());
    std::vector<StudyOutcome> outcomes;
    for (int k = 0; k < total; ++k) {
        const std::string& path = named[k].path;
        if (interrupt.raised()) {
            StudyOutcome notRun;
            notRun.path = path;
            notRun.status = StudyStatus::NotRun;
            outcomes.push_back(std::move(notRun));
            continue;
        }
        auto read = ReadStudyFile(path);
        if (auto* errors = std::get_if<std::vector<StudyError>>(&read)) {
            for (const StudyError& e : *errors) err << e.text() << "\n";
            outcomes.push_back(Unreadable(path, *errors));
            continue;
        }
        const Study& study = std::get<Study>(read);
        const auto studyStart = Clock::now();
        StudyRunOptions run;
        run.interrupt = &interrupt;
        if (options.showProgress)
            run.progress = [&](const RunProgress& progress, bool search) {
                std::fprintf(
                    stderr, "\r\033[K%s",
                    StudyProgressLine(k + 1, total, progress, search, SecondsSince(studyStart))
                        .c_str());
                std::fflush(stderr);
            };
        StudyOutcome outcome = RunStudy(study, run);
        if (options.showProgress) std::fprintf(stderr, "\r\033[K");
        for (const std::string& message : outcome.messages)
            err << Printable(path) << ": " << message << "\n";
        SaveStudy(outcome, TargetsFor(named[k].name, options.output), interrupt, err);
        outcomes.push_back(std::move(outcome));
    }

    bool failed = false;
    for (const StudyOutcome& o : outcomes) failed = failed || !o.ok();
    if (!options.summary.empty()) {
        try {
            WriteSummary(options.summary, outcomes);
        } catch (const WriteError& error) {
            err << "velmor-batch: " << error.what() << " writing the summary "
                << Printable(options.summary) << "\n";
            failed = true;
        }
    }
    if (interrupt.raised()) {
        int done = 0;
        for (const StudyOutcome& o : outcomes)
            done += o.status != StudyStatus::Interrupted && o.status != StudyStatus::NotRun;
        err << "velmor-batch: stopped by " << SignalName(interrupt.signal()) << " after " << done
            << " of " << total << (total == 1 ? " study" : " studies")
            << "; a study in flight keeps no file";
        if (!options.summary.empty())
            err << "; the summary " << Printable(options.summary)
                << " marks the rest \"interrupted\" or \"not run\"";
        err << "\n";
        return InterruptedExitCode(interrupt.signal());
    }
    if (total > 1) {
        char line[64];
        std::snprintf(line, sizeof line, "%d studies in %.2f s\n", total, SecondsSince(started));
        err << line;
    }
    return failed ? kExitFailure : 0;
}

}  // namespace velmor::batch
