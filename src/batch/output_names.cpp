#include "batch/output_names.hpp"

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
