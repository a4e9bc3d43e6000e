#include "batch/output_names.hpp"

#include <map>
#include <system_error>

#include "batch/printable.hpp"

namespace velmor::batch {

namespace {

// The same file, whether or not it exists yet: links and ".." resolved, and
// hard links recognised for files that exist.
std::string Identity(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path resolved =
        std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    if (ec) resolved = std::filesystem::absolute(path, ec).lexically_normal();
    return resolved.string();
}

bool SameExistingFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

struct Target {
    std::filesystem::path path;
    std::string what;  // "the report of a.study"
};

}  // namespace

StudyTargets TargetsFor(const std::string& name, const OutputOptions& options) {
    StudyTargets targets;
    if (!options.outDir.empty()) targets.report = options.outDir / (name + ".OUT");
    if (options.data) targets.data = options.outDir / (name + "_data.TXT");
    if (options.means) targets.means = options.outDir / (name + "_means.DAT");
    return targets;
}

std::vector<std::string> FindOutputClashes(const std::vector<NamedStudy>& studies,
                                           const OutputOptions& options,
                                           const std::string& summary) {
    std::vector<Target> targets;
    for (const NamedStudy& study : studies) {
        const StudyTargets t = TargetsFor(study.name, options);
        const std::string of = " of " + Printable(study.path);
        if (!t.report.empty()) targets.push_back({t.report, "the report" + of});
        if (!t.data.empty()) targets.push_back({t.data, "the data file" + of});
        if (!t.means.empty()) targets.push_back({t.means, "the means file" + of});
    }
    if (!summary.empty()) targets.push_back({summary, "the summary"});

    std::vector<std::string> clashes;
    std::map<std::string, const Target*> written;
    for (const Target& target : targets) {
        auto [it, fresh] = written.emplace(Identity(target.path), &target);
        if (!fresh)
            clashes.push_back(it->second->what + " and " + target.what + " would both be " +
                              Printable(target.path.string()));
    }
    for (const NamedStudy& study : studies) {
        const std::string input = Identity(study.path);
        for (const Target& target : targets) {
            if (Identity(target.path) != input && !SameExistingFile(target.path, study.path))
                continue;
            clashes.push_back(target.what + " would replace the study file " +
                              Printable(study.path));
            break;
        }
    }
    return clashes;
}

std::optional<std::string> PrepareOutputFolder(const std::filesystem::path& folder) {
    const std::string name = Printable(folder.string());
    std::error_code ec;
    const auto status = std::filesystem::status(folder, ec);
    if (std::filesystem::exists(status)) {
        if (std::filesystem::is_directory(status)) return std::nullopt;
        return "the output folder " + name + " is not a folder but a file";
    }
    std::filesystem::create_directories(folder, ec);
    if (ec) return "the output folder " + name + " cannot be created: " + ec.message();
    return std::nullopt;
}

}  // namespace velmor::batch
