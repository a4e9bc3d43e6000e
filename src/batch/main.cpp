// velmor-batch: runs study files without a window, exactly as the window would.
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>

#include "batch/duration.hpp"
#include "batch/exit_codes.hpp"
#include "batch/grid_run.hpp"
#include "batch/interruption.hpp"
#include "batch/merge_command.hpp"
#include "batch/output_files.hpp"
#include "batch/printable.hpp"
#include "core/platform_check.hpp"

namespace {

const char* const kUsage =
    "usage: velmor-batch [options] STUDY...\n"
    "       velmor-batch [options] --design FILE.csv [BASE.study]\n"
    "       velmor-batch merge OUT.csv PART.csv...\n"
    "       velmor-batch --version\n"
    "\n"
    "Runs each study file (see examples/) as the VELMOR window would and writes its results "
    "report\n"
    "to standard output, or to DIR/<condition>.OUT with --out. A value of a study may be a list\n"
    "(sd = 1, 2, 4): the file is then a grid, one condition per combination, named <study>-<k>.\n"
    "  --out DIR          write reports (and data and means files) into DIR\n"
    "  --data             also write the last data set as <condition>_data.TXT\n"
    "  --means            also write the kept means as <condition>_means.DAT\n"
    "  --summary FILE     write one CSV row per condition to FILE\n"
    "  --design FILE.csv  one condition per row; columns group1.sd, groups.n, run.seed, ..., name\n"
    "  --jobs N           run N conditions at a time (default: one per core)\n"
    "  --threads N        threads of one study with generator = philox (default: the cores\n"
    "                     the --jobs workers leave, at least 1); results do not depend on it\n"
    "  --resume           skip the conditions that an earlier run completed in DIR\n"
    "  --dry-run          list the conditions, their factors and expected samples; run nothing\n"
    "  --strict           refuse a condition whose values the window would change (n = 7.9,\n"
    "                     a seed above 2147483647, rounded uniform bounds), and run nothing\n"
    "                     when conditions of a grid would run the same settings\n"
    "  --max-time TIME    stop a condition that runs longer (90, 10m, 2h, 1:30:00); it keeps\n"
    "                     no file and its status is 'time limit'\n"
    "  --shard K/N        run conditions K, K+N, K+2N, ... and write FILE's part,\n"
    "                     FILE.shard-K-of-N.csv; --shard slurm takes K and N from an array job\n"
    "merge writes the summary of all shards' parts, as one machine would have written it.\n"
    "Messages go to standard error; the exit code is 1 when a condition failed, 2 for a usage "
    "error,\n"
    "130 or 143 when stopped by SIGINT or SIGTERM (conditions in flight keep no file).\n";

enum class Parsed { Run, Help, Version, Usage };

bool Fail(const std::string& message) {
    std::cerr << "velmor-batch: " << message << "\n";
    return false;
}

bool ReadJobs(const std::string& text, unsigned& jobs, const char* option = "--jobs") {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1)
        return Fail(std::string(option) + " needs a whole number of 1 or more, not '" +
                    velmor::batch::Printable(text) + "'");
    jobs = value;
    return true;
}

bool ReadShard(const std::string& text, velmor::batch::BatchOptions& options) {
    std::variant<velmor::batch::Shard, std::string> shard;
    if (text == "slurm") {
        std::map<std::string, std::string> environment;
        for (const char* name :
             {"SLURM_ARRAY_TASK_ID", "SLURM_ARRAY_TASK_MIN", "SLURM_ARRAY_TASK_COUNT"})
            if (const char* value = std::getenv(name)) environment[name] = value;
        shard = velmor::batch::SlurmShard(environment);
    } else {
        shard = velmor::batch::ParseShard(text);
    }
    if (auto* problem = std::get_if<std::string>(&shard)) return Fail(*problem);
    options.shard = std::get<velmor::batch::Shard>(shard);
    return true;
}

Parsed ParseArguments(int argc, char** argv, velmor::batch::BatchOptions& options) {
    options.jobs = velmor::batch::AvailableCores();
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return Fail(arg + " needs a value");
            into = argv[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            return Parsed::Help;
        } else if (arg == "--version") {
            return Parsed::Version;
        } else if (arg == "--out") {
            if (!value(text)) return Parsed::Usage;
            options.output.outDir = text;
        } else if (arg == "--data") {
            options.output.data = true;
        } else if (arg == "--means") {
            options.output.means = true;
        } else if (arg == "--summary") {
            if (!value(options.summary)) return Parsed::Usage;
        } else if (arg == "--design") {
            if (!value(options.design)) return Parsed::Usage;
        } else if (arg == "--jobs") {
            if (!value(text) || !ReadJobs(text, options.jobs)) return Parsed::Usage;
        } else if (arg == "--threads") {
            if (!value(text) || !ReadJobs(text, options.threads, "--threads")) return Parsed::Usage;
        } else if (arg == "--max-time") {
            if (!value(text)) return Parsed::Usage;
            options.maxSeconds = velmor::batch::ParseDuration(text);
            if (!options.maxSeconds) {
                Fail("--max-time needs a duration above zero (90, 90s, 10m, 2h, 1:30:00), not '" +
                     velmor::batch::Printable(text) + "'");
                return Parsed::Usage;
            }
        } else if (arg == "--strict") {
            options.strict = true;
        } else if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--resume") {
            options.resume = true;
        } else if (arg == "--shard") {
            if (!value(text) || !ReadShard(text, options)) return Parsed::Usage;
        } else if (!arg.empty() && arg[0] == '-') {
            Fail("unknown option " + velmor::batch::Printable(arg));
            return Parsed::Usage;
        } else {
            positional.push_back(arg);
        }
    }
    if (!options.design.empty()) {
        if (positional.size() > 1) {
            Fail("--design takes one base study at most, not " + std::to_string(positional.size()));
            return Parsed::Usage;
        }
        if (!positional.empty()) options.designBase = positional.front();
    } else {
        if (positional.empty()) return Parsed::Usage;
        options.studies = positional;
    }
    if (options.resume && options.output.outDir.empty()) {
        Fail("--resume needs --out DIR: the record of what is complete lives in the output folder");
        return Parsed::Usage;
    }
    return Parsed::Run;
}

int Merge(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: velmor-batch merge OUT.csv PART.csv...\n";
        return velmor::batch::kExitUsage;
    }
    return velmor::batch::MergeSummaries(argv[2], std::vector<std::string>(argv + 3, argv + argc),
                                         std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    velmor::batch::HoldClosedStandardStreams();
    if (velmor::RefuseUnfitPlatform(std::cerr, "velmor-batch"))
        return 3;  // results would not reproduce
    if (argc >= 2 && std::string(argv[1]) == "merge") return Merge(argc, argv);
    velmor::batch::BatchOptions options;
    switch (const Parsed parsed = ParseArguments(argc, argv, options)) {
        case Parsed::Help:
        case Parsed::Version:
            try {
                const std::string version = std::string("velmor-batch ") + VELMOR_VERSION + "\n";
                velmor::batch::WriteStandardOutput(parsed == Parsed::Help ? kUsage : version, {});
            } catch (const velmor::batch::WriteError& error) {
                std::cerr << "velmor-batch: " << error.withReason() << " writing standard output\n";
                return velmor::batch::kExitFailure;
            }
            return 0;
        case Parsed::Usage:
            std::cerr << kUsage;
            return velmor::batch::kExitUsage;
        case Parsed::Run:
            break;
    }
    options.showProgress = isatty(STDERR_FILENO);
    // A test hook (see BatchOptions); unset in normal use.
    if (const char* kill = std::getenv("VELMOR_BATCH_TEST_KILL_BETWEEN_RENAMES"))
        options.testKillBetweenRenames = kill;
    // Lives as long as the process: the signal handlers write to it.
    static velmor::batch::InterruptFlag interrupt;
    velmor::batch::InstallInterruptHandlers(interrupt);
    return velmor::batch::RunBatch(options, interrupt, std::cerr);
}
