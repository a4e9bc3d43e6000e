// velmor-batch: runs study files without a window, exactly as the window would.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "batch/batch_runner.hpp"
#include "core/errors.hpp"
#include "output/line_sink.hpp"

namespace {

const char* const kUsage =
    "usage: velmor-batch [--out DIR] [--data] [--means] [--summary FILE.csv] STUDY...\n"
    "       velmor-batch --version\n"
    "\n"
    "Runs each study file (see examples/) as the VELMOR window would and writes its results report\n"
    "to standard output, or to DIR/<study>.OUT with --out.\n"
    "  --out DIR          write reports (and data and means files) into DIR\n"
    "  --data             also write the last data set as <study>_data.TXT\n"
    "  --means            also write the kept means as <study>_means.DAT\n"
    "  --summary FILE     write one CSV row per study to FILE\n"
    "Messages go to standard error; the exit code is 1 when a study failed, 2 for a usage error.\n";

struct Options {
    std::filesystem::path outDir;
    bool data = false;
    bool means = false;
    std::string summary;
    std::vector<std::string> studies;
};

bool ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "--version") {
            std::cout << "velmor-batch " << VELMOR_VERSION << "\n";
            std::exit(0);
        } else if (arg == "--out") {
            std::string dir;
            if (!value(dir)) return false;
            options.outDir = dir;
        } else if (arg == "--data") {
            options.data = true;
        } else if (arg == "--means") {
            options.means = true;
        } else if (arg == "--summary") {
            if (!value(options.summary)) return false;
        } else if (!arg.empty() && arg[0] == '-') {
            std::cerr << "velmor-batch: unknown option " << arg << "\n";
            return false;
        } else {
            options.studies.push_back(arg);
        }
    }
    return !options.studies.empty();
}

// Writes text that already carries its CR LF line ends, through the sink that
// never leaves half a file in place of a good one.
void WriteFile(const std::filesystem::path& path, const std::string& text) {
    velmor::TextFileSink sink(path);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            sink.writeLine(std::string_view(text).substr(start));
            break;
        }
        sink.writeLine(std::string_view(text).substr(start, end - start));
        start = end + 2;
    }
    sink.commit();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArguments(argc, argv, options)) {
        std::cerr << kUsage;
        return 2;
    }
    const bool showProgress = isatty(STDERR_FILENO);
    const auto started = std::chrono::steady_clock::now();
    const int total = static_cast<int>(options.studies.size());
    bool anyFailed = false;
    std::vector<velmor::batch::StudyOutcome> outcomes;

    for (int k = 0; k < total; ++k) {
        const std::string& path = options.studies[k];
        auto read = velmor::batch::ReadStudyFile(path);
        if (auto* errors = std::get_if<std::vector<velmor::batch::StudyError>>(&read)) {
            for (const auto& e : *errors) std::cerr << e.text() << "\n";
            velmor::batch::StudyOutcome failed;
            failed.path = path;
            failed.messages.push_back(errors->front().text());
            outcomes.push_back(failed);
            anyFailed = true;
            continue;
        }
        const auto& study = std::get<velmor::batch::Study>(read);
        const auto studyStart = std::chrono::steady_clock::now();
        auto progress = [&](long long done, long long planned) {
            const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - studyStart).count();
            std::fprintf(stderr, "\rstudy %d of %d: %lld", k + 1, total, done);
            if (planned > 0) {
                const double left = done > 0 ? elapsed * static_cast<double>(planned - done) / static_cast<double>(done) : 0.0;
                std::fprintf(stderr, " of %lld replications, %.1f s elapsed, about %.1f s left   ", planned, elapsed, left);
            } else {
                std::fprintf(stderr, " replications (search), %.1f s elapsed   ", elapsed);
            }
            std::fflush(stderr);
        };
        velmor::batch::StudyOutcome outcome =
            velmor::batch::RunStudy(study, showProgress ? velmor::batch::ProgressCallback(progress) : nullptr);
        if (showProgress) std::fprintf(stderr, "\r\033[K");
        for (const auto& message : outcome.messages) std::cerr << path << ": " << message << "\n";
        if (!outcome.ok) {
            anyFailed = true;
            outcomes.push_back(std::move(outcome));
            continue;
        }
        const std::string stem = std::filesystem::path(path).stem().string();
        try {
            if (!options.outDir.empty()) {
                std::filesystem::create_directories(options.outDir);
                WriteFile(options.outDir / (stem + ".OUT"), outcome.report);
            } else {
                std::cout << outcome.report << std::flush;
            }
            if (options.data) WriteFile(options.outDir / (stem + "_data.TXT"), outcome.dataFile);
            if (options.means) WriteFile(options.outDir / (stem + "_means.DAT"), outcome.meansFile);
        } catch (const velmor::IoError& error) {
            std::cerr << path << ": " << error.what() << "\n";
            anyFailed = true;
        } catch (const std::filesystem::filesystem_error& error) {
            std::cerr << path << ": " << error.what() << "\n";
            anyFailed = true;
        }
        outcomes.push_back(std::move(outcome));
    }

    if (!options.summary.empty()) {
        std::string csv = velmor::batch::SummaryHeader() + "\r\n";
        for (const auto& o : outcomes) csv += velmor::batch::SummaryRow(o) + "\r\n";
        try {
            WriteFile(options.summary, csv);
        } catch (const velmor::IoError& error) {
            std::cerr << options.summary << ": " << error.what() << "\n";
            anyFailed = true;
        }
    }
    if (total > 1)
        std::fprintf(stderr, "%d studies in %.2f s\n", total,
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    return anyFailed ? 1 : 0;
}
