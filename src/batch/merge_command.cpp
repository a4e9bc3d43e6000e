#include "batch/merge_command.hpp"

#include <filesystem>
#include <ostream>
#include <variant>

#include "batch/completion_records.hpp"
#include "batch/exit_codes.hpp"
#include "batch/input_file.hpp"
#include "batch/output_files.hpp"
#include "batch/output_names.hpp"
#include "batch/printable.hpp"
#include "batch/shards.hpp"
#include "batch/tests_summary.hpp"

namespace velmor::batch {

int MergeSummaries(const std::string& out, const std::vector<std::string>& parts,
                   std::ostream& err) {
    std::vector<std::pair<std::string, std::string>> texts;
    bool unreadable = false;
    for (const std::string& part : parts) {
        std::string content;
        if (auto problem =
                ReadInputFile(part, std::size_t(1) << 30, "1 GiB", "a summary part", content)) {
            err << "velmor-batch merge: " << Printable(part) << ": " << *problem << "\n";
            unreadable = true;
            continue;
        }
        texts.emplace_back(part, std::move(content));
    }
    if (unreadable) return kExitFailure;
    const auto clashes = FindOutputClashes({}, {}, {out}, parts);
    if (!clashes.empty()) {
        err << "velmor-batch merge: " << Printable(out)
            << " is one of the parts; nothing was written\n";
        return kExitUsage;
    }
    auto merged = MergeParts(texts);
    if (auto* problems = std::get_if<std::vector<std::string>>(&merged)) {
        for (const std::string& problem : *problems)
            err << "velmor-batch merge: " << problem << "\n";
        err << "velmor-batch merge: nothing was written\n";
        return kExitFailure;
    }
    // A merge killed before its rename left its fresh file behind.
    const std::filesystem::path outPath(out);
    RemoveTemporaryFiles(outPath.has_parent_path() ? outPath.parent_path() : ".",
                         {outPath.filename().string()}, true);
    // Parts of the tests CSV carry each condition's rows as one field.
    std::string text = std::get<std::string>(merged);
    if (std::optional<std::string> tests = UnpackedTestsCsv(text)) text = std::move(*tests);
    try {
        SaveAllOrNothing({{out, text}}, {});
    } catch (const WriteError& error) {
        err << "velmor-batch merge: " << error.withReason() << " writing " << Printable(out)
            << "\n";
        return kExitFailure;
    }
    return 0;
}

}  // namespace velmor::batch
