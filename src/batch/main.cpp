// velmor-batch: runs study files without a window, exactly as the window would.
#include <unistd.h>

#include <iostream>
#include <string>

#include "batch/batch_command.hpp"
#include "batch/interruption.hpp"
#include "batch/output_files.hpp"
#include "batch/printable.hpp"

namespace {

const char* const kUsage =
    "usage: velmor-batch [--out DIR] [--data] [--means] [--summary FILE.csv] STUDY...\n"
    "\n"
    "Runs each study file (see examples/) as the VELMOR window would and writes its results "
    "report\n"
    "to standard output, or to DIR/<study>.OUT with --out.\n"
    "  --out DIR          write reports (and data and means files) into DIR\n"
    "  --data             also write the last data set as <study>_data.TXT\n"
    "  --means            also write the kept means as <study>_means.DAT\n"
    "  --summary FILE     write one CSV row per study to FILE\n"
    "Messages go to standard error; the exit code is 1 when a study failed, 2 for a usage error,\n"
    "130 or 143 when stopped by SIGINT or SIGTERM (the study in flight keeps no file).\n";

enum class Parsed { Run, Help, Usage };

Parsed ParseArguments(int argc, char** argv, velmor::batch::BatchOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) {
                std::cerr << "velmor-batch: " << arg << " needs a value\n";
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            return Parsed::Help;
        } else if (arg == "--out") {
            std::string dir;
            if (!value(dir)) return Parsed::Usage;
            options.output.outDir = dir;
        } else if (arg == "--data") {
            options.output.data = true;
        } else if (arg == "--means") {
            options.output.means = true;
        } else if (arg == "--summary") {
            if (!value(options.summary)) return Parsed::Usage;
        } else if (!arg.empty() && arg[0] == '-') {
            std::cerr << "velmor-batch: unknown option " << velmor::batch::Printable(arg) << "\n";
            return Parsed::Usage;
        } else {
            options.studies.push_back(arg);
        }
    }
    return options.studies.empty() ? Parsed::Usage : Parsed::Run;
}

}  // namespace

int main(int argc, char** argv) {
    velmor::batch::HoldClosedStandardStreams();
    velmor::batch::BatchOptions options;
    switch (ParseArguments(argc, argv, options)) {
        case Parsed::Help:
            try {
                velmor::batch::WriteStandardOutput(kUsage, {});
            } catch (const velmor::batch::WriteError& error) {
                std::cerr << "velmor-batch: " << error.what() << " writing standard output\n";
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
    // Lives as long as the process: the signal handlers write to it.
    static velmor::batch::InterruptFlag interrupt;
    velmor::batch::InstallInterruptHandlers(interrupt);
    return velmor::batch::RunBatch(options, interrupt, std::cerr);
}
