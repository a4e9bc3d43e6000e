#pragma once
// Where each study's outputs go, and the checks made before anything runs:
// no two studies may write the same file, and no output may replace an input.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmor::batch {

struct OutputOptions {
    std::filesystem::path outDir;  // empty: reports go to standard output
    bool data = false;             // write <name>_data.TXT
    bool means = false;            // write <name>_means.DAT
};

// The files one study writes; an empty path is a file not written (the
// report then goes to standard output when no folder was given).
struct StudyTargets {
    std::filesystem::path report;
    std::filesystem::path data;
    std::filesystem::path means;
};

// <name>.OUT, <name>_data.TXT and <name>_means.DAT in the output folder (data
// and means in the working folder when there is none), as asked for.
StudyTargets TargetsFor(const std::string& name, const OutputOptions& options);

// One condition of the batch: the file it comes from and the name its
// outputs take.
struct NamedStudy {
    std::string path;
    std::string name;
};

// Every way the batch would overwrite its own work: two conditions writing
// the same file, an output or a summary replacing an input (a study file, a
// design, a base study), a summary replacing an output. One message per
// clash; empty when there is none.
std::vector<std::string> FindOutputClashes(const std::vector<NamedStudy>& studies,
                                           const OutputOptions& options,
                                           const std::vector<std::string>& summaries,
                                           const std::vector<std::string>& otherInputs = {});

// What the file system would refuse only once the conditions have run: an
// output name longer than its folder's file system allows (a record's name
// too), a path too long, a summary whose folder does not exist or cannot be
// written. One message per problem (a few at most); empty when there is none.
std::vector<std::string> FindUnwritableOutputs(const std::vector<NamedStudy>& studies,
                                               const OutputOptions& options,
                                               const std::vector<std::string>& summaries);

// Creates the output folder (and its parents) when it does not exist.
// Returns a message naming the folder when it cannot be used.
std::optional<std::string> PrepareOutputFolder(const std::filesystem::path& folder);

}  // namespace velmor::batch
