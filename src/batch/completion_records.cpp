#include "batch/completion_records.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <system_error>

#include "batch/conditions.hpp"
#include "batch/output_files.hpp"

namespace velmor::batch {

namespace {

constexpr std::string_view kFirstLine = "velmor-batch completion record";

// The name a temporary file of TextFileSink carries for a target, up to the
// process id: ".<target>.velmor-".
std::string TemporaryPrefix(const std::string& fileName) {
    return "." + fileName + ".velmor-";
}

}  // namespace

CompletionRecords::CompletionRecords(std::filesystem::path outDir)
    : outDir_(std::move(outDir)), folder_(outDir_ / kRecordFolder) {}

std::filesystem::path CompletionRecords::recordPath(const std::string& name) const {
    return folder_ / (name + ".done");
}

std::optional<std::string> CompletionRecords::complete(const std::string& name,
                                                       std::uint64_t fingerprint) const {
    std::ifstream in(recordPath(name), std::ios::binary);
    if (!in) return std::nullopt;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // Line 1 names the format, line 2 the fingerprint, line 3 the files, and
    // the rest, up to the final line end, is the result cells (a quoted
    // message may hold line ends of its own).
    std::size_t start = 0;
    auto line = [&]() -> std::optional<std::string_view> {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) return std::nullopt;
        std::string_view found(text.data() + start, end - start);
        start = end + 2;
        return found;
    };
    const auto first = line(), print = line(), files = line();
    if (!first || *first != kFirstLine) return std::nullopt;
    if (!print || *print != "fingerprint " + Digest::hex(fingerprint)) return std::nullopt;
    if (!files || !files->starts_with("files")) return std::nullopt;
    // Names are separated by '/', which no file name holds.
    std::string_view listed = files->substr(5);
    std::error_code ec;
    while (!listed.empty()) {
        listed.remove_prefix(1);
        const std::size_t slash = listed.find('/');
        const std::string file(listed.substr(0, slash));
        if (!std::filesystem::is_regular_file(outDir_ / file, ec)) return std::nullopt;
        listed = slash == std::string_view::npos ? std::string_view() : listed.substr(slash);
    }
    if (text.size() < start + 2 || !text.ends_with("\r\n")) return std::nullopt;
    return text.substr(start, text.size() - start - 2);
}

void CompletionRecords::record(const std::vector<Record>& records) const {
    if (records.empty()) return;
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    if (ec) throw WriteError(ec.value(), folder_.string());
    // The files must be on disk before the records that vouch for them.
    SyncFileSystem(outDir_);
    for (const Record& r : records) {
        std::string text = std::string(kFirstLine) + "\r\n" + "fingerprint " +
                           Digest::hex(r.fingerprint) + "\r\n" + "files";
        for (std::size_t f = 0; f < r.files.size(); ++f) text += (f == 0 ? " " : "/") + r.files[f];
        text += "\r\n" + r.resultCells + "\r\n";
        // A record lost on a power loss only makes its condition run again.
        SaveAllOrNothing({{recordPath(r.name), text}}, {}, TextFileSink::Flush::Deferred);
    }
}

void CompletionRecords::removeLeftovers(const std::vector<std::string>& files,
                                        const std::vector<std::string>& names) const {
    RemoveTemporaryFiles(outDir_, files);
    std::vector<std::string> records;
    for (const std::string& name : names) records.push_back(name + ".done");
    RemoveTemporaryFiles(folder_, records);
}

void SyncFileSystem(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw WriteError(errno, folder.string());
    const int synced = ::syncfs(fd);
    const int code = errno;
    ::close(fd);
    if (synced != 0) throw WriteError(code, folder.string());
}

void RemoveTemporaryFiles(const std::filesystem::path& folder,
                          const std::vector<std::string>& fileNames) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return;
    const std::set<std::string> wanted(fileNames.begin(), fileNames.end());
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        if (name.size() < 2 || name[0] != '.' || !name.ends_with(".tmp")) continue;
        const std::size_t marker = name.rfind(".velmor-");
        if (marker == std::string::npos || marker < 1) continue;
        const std::string target = name.substr(1, marker - 1);
        if (wanted.count(target) && name.rfind(TemporaryPrefix(target), 0) == 0)
            std::filesystem::remove(entry.path(), ec);
    }
}

}  // namespace velmor::batch
