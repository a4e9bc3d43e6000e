#include "batch/output_names.hpp"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <set>
#include <system_error>

#include "batch/printable.hpp"

namespace velmor::batch {

namespace {

// The same file, whether or not it exists yet: links and ".." resolved. The
// folders of many targets are the same, so each is resolved once.
class Identities {
  public:
    std::string of(const std::filesystem::path& path) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
        if (std::filesystem::symlink_status(absolute, ec).type() !=
            std::filesystem::file_type::not_found) {
            const auto resolved = std::filesystem::weakly_canonical(absolute, ec);
            return ec ? absolute.lexically_normal().string() : resolved.string();
        }
        const std::filesystem::path folder = absolute.parent_path();
        auto it = folders_.find(folder.string());
        if (it == folders_.end()) {
            auto resolved = std::filesystem::weakly_canonical(folder, ec);
            if (ec) resolved = folder.lexically_normal();
            it = folders_.emplace(folder.string(), resolved).first;
        }
        return (it->second / absolute.filename()).string();
    }

  private:
    std::map<std::string, std::filesystem::path> folders_;
};

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
                                           const std::vector<std::string>& summaries,
                                           const std::vector<std::string>& otherInputs) {
    std::vector<Target> targets;
    for (const NamedStudy& study : studies) {
        const StudyTargets t = TargetsFor(study.name, options);
        const bool ownName = std::filesystem::path(study.path).stem().string() == study.name;
        const std::string of =
            " of " + (ownName ? Printable(study.path)
                              : Printable(study.name) + " (" + Printable(study.path) + ")");
        if (!t.report.empty()) targets.push_back({t.report, "the report" + of});
        if (!t.data.empty()) targets.push_back({t.data, "the data file" + of});
        if (!t.means.empty()) targets.push_back({t.means, "the means file" + of});
    }
    for (const std::string& summary : summaries)
        targets.push_back({summary, "the summary " + Printable(summary)});

    Identities identities;
    std::vector<std::string> clashes;
    std::map<std::string, const Target*> written;
    for (const Target& target : targets) {
        auto [it, fresh] = written.emplace(identities.of(target.path), &target);
        if (!fresh)
            clashes.push_back(it->second->what + " and " + target.what + " would both be " +
                              Printable(target.path.string()));
    }
    std::vector<std::string> inputs = otherInputs;
    for (const NamedStudy& study : studies)
        if (inputs.empty() || inputs.back() != study.path) inputs.push_back(study.path);
    std::set<std::string> checked;
    for (const std::string& input : inputs) {
        if (!checked.insert(input).second) continue;
        auto it = written.find(identities.of(input));
        const Target* hit = it == written.end() ? nullptr : it->second;
        // A hard link is the same file under another name.
        for (const Target& target : targets) {
            if (hit) break;
            if (SameExistingFile(target.path, input)) hit = &target;
        }
        if (hit) clashes.push_back(hit->what + " would replace the input " + Printable(input));
    }
    return clashes;
}

namespace {

// The longest file name the file system of `folder` takes, asked of the
// folder or, when it does not exist yet, of the nearest one that does.
long NameMax(std::filesystem::path folder) {
    std::error_code ec;
    folder = std::filesystem::absolute(folder, ec);
    while (!std::filesystem::is_directory(folder, ec) && folder.has_relative_path())
        folder = folder.parent_path();
    const long max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return max > 0 ? max : NAME_MAX;
}

}  // namespace

std::vector<std::string> FindUnwritableOutputs(const std::vector<NamedStudy>& studies,
                                               const OutputOptions& options,
                                               const std::vector<std::string>& summaries) {
    std::vector<std::string> problems;
    constexpr std::size_t kShown = 5;
    std::size_t tooLong = 0;
    std::map<std::string, long> nameMax;
    auto check = [&](const std::filesystem::path& path, const std::string& what) {
        const std::filesystem::path folder =
            path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
        auto it = nameMax.find(folder.string());
        if (it == nameMax.end()) it = nameMax.emplace(folder.string(), NameMax(folder)).first;
        const std::string name = path.filename().string();
        std::error_code ec;
        const std::size_t length = std::filesystem::absolute(path, ec).string().size();
        std::string problem;
        if (name.size() > static_cast<std::size_t>(it->second))
            problem = what + " " + Printable(name) + " is longer (" + std::to_string(name.size()) +
                      " bytes) than the file system of " + Printable(folder.string()) +
                      " allows for a name (" + std::to_string(it->second) + ")";
        else if (length >= PATH_MAX)
            problem = what + " " + Printable(path.string()) + " has a path longer than " +
                      std::to_string(PATH_MAX - 1) + " bytes";
        if (problem.empty()) return;
        if (++tooLong <= kShown) problems.push_back(problem);
    };
    for (const NamedStudy& study : studies) {
        const StudyTargets t = TargetsFor(study.name, options);
        if (!t.report.empty()) check(t.report, "the report");
        if (!t.data.empty()) check(t.data, "the data file");
        if (!t.means.empty()) check(t.means, "the means file");
        if (!options.outDir.empty())
            check(options.outDir / ".velmor-batch" / (study.name + ".done"),
                  "the completion record");
    }
    if (tooLong > kShown)
        problems.push_back("and " + std::to_string(tooLong - kShown) + " more names too long");
    for (const std::string& summary : summaries) {
        const std::filesystem::path path(summary);
        const std::filesystem::path folder =
            path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
        std::error_code ec;
        // A device or a pipe is written as it is, not replaced in its folder.
        const auto itself = std::filesystem::status(path, ec);
        if (std::filesystem::exists(itself) && !std::filesystem::is_regular_file(itself)) continue;
        const auto status = std::filesystem::status(folder, ec);
        if (!std::filesystem::exists(status))
            problems.push_back("the folder of the summary " + Printable(summary) +
                               " does not exist");
        else if (!std::filesystem::is_directory(status))
            problems.push_back("the folder of the summary " + Printable(summary) +
                               " is not a folder");
        else if (::access(folder.c_str(), W_OK | X_OK) != 0)
            problems.push_back("the folder of the summary " + Printable(summary) +
                               " cannot be written: " + std::generic_category().message(errno));
        else
            check(path, "the summary");
    }
    return problems;
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
