#include "batch/completion_records.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <system_error>

#include "batch/conditions.hpp"
#include "batch/output_files.hpp"

namespace velmor::batch {

namespace {

constexpr std::string_view kFirstLine = "velmor-batch completion record 2";
// Records before sizes and hashes listed only names; their conditions run again.
constexpr std::string_view kOldFirstLine = "velmor-batch completion record\r\n";

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

namespace {

// Splits a record into lines; the result cells may hold line ends of their
// own, so they are what is left between the file lines and the last line.
struct Reader {
    std::string_view text;
    std::size_t start = 0;
    std::optional<std::string_view> line() {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) return std::nullopt;
        std::string_view found = text.substr(start, end - start);
        start = end + 2;
        return found;
    }
};

std::optional<std::uint64_t> Number(std::string_view text) {
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string ReadRecord(const std::filesystem::path& path, std::string& why) {
    // Without blocking: a FIFO in a record's place must not hang --resume.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno != ENOENT)
            why = "its record cannot be read: " + std::generic_category().message(errno);
        return {};
    }
    struct stat status {};
    std::string text;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        why = "its record is not a regular file";
    } else if (status.st_size > (1 << 24)) {
        why = "its record is damaged or was edited";
    } else {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                why = "its record cannot be read: " + std::generic_category().message(errno);
                text.clear();
                break;
            }
            if (got == 0) break;
            text.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return text;
}

}  // namespace

CompletionRecords::Verdict CompletionRecords::check(const std::string& name,
                                                    std::uint64_t fingerprint) const {
    Verdict verdict;
    const std::string text = ReadRecord(recordPath(name), verdict.why);
    if (text.empty()) {
        if (verdict.why.empty() && std::filesystem::exists(recordPath(name)))
            verdict.why = "its record is damaged or was edited";
        return verdict;
    }
    // The last line is the hash of everything before it.
    const std::size_t last =
        text.size() >= 4 ? text.rfind("\r\n", text.size() - 3) : std::string::npos;
    if (!text.ends_with("\r\n") || last == std::string::npos ||
        text.compare(last + 2, 7, "sha256 ") != 0 ||
        text.substr(last + 9, text.size() - last - 11) !=
            Sha256::Of(std::string_view(text).substr(0, last + 2))) {
        verdict.why = text.starts_with(kOldFirstLine)
                          ? "its record was written by an earlier version"
                          : "its record is damaged or was edited";
        return verdict;
    }
    Reader reader{std::string_view(text).substr(0, last + 2)};
    const auto first = reader.line(), print = reader.line(), count = reader.line();
    if (!first || *first != kFirstLine || !print || !count || !count->starts_with("files ")) {
        verdict.why = "its record is damaged or was edited";
        return verdict;
    }
    if (*print != "fingerprint " + Digest::hex(fingerprint)) {
        verdict.why = "it was run with other settings or by another version";
        return verdict;
    }
    const auto files = Number(count->substr(6));
    if (!files || *files > 16) {
        verdict.why = "its record is damaged or was edited";
        return verdict;
    }
    for (std::uint64_t f = 0; f < *files; ++f) {
        // file <size> <sha256> <name>
        const auto line = reader.line();
        if (!line || !line->starts_with("file ")) {
            verdict.why = "its record is damaged or was edited";
            return verdict;
        }
        const std::string_view rest = line->substr(5);
        const std::size_t space = rest.find(' ');
        const auto size = Number(rest.substr(0, space));
        if (!size || space == std::string_view::npos || rest.size() < space + 67 ||
            rest[space + 65] != ' ') {
            verdict.why = "its record is damaged or was edited";
            return verdict;
        }
        const std::string sha(rest.substr(space + 1, 64));
        const std::string file(rest.substr(space + 66));
        if (file.empty() || file.find('/') != std::string::npos) {
            verdict.why = "its record is damaged or was edited";
            return verdict;
        }
        const FileCheck found = DigestOfFile(outDir_ / file);
        if (!found.digest) {
            verdict.why = file + " " + found.problem;
            return verdict;
        }
        if (found.digest->size != *size) {
            verdict.why = file + " holds " + std::to_string(found.digest->size) +
                          " bytes where its record says " + std::to_string(*size);
            return verdict;
        }
        if (found.digest->sha256 != sha) {
            verdict.why = file + " is not the file its record describes (another SHA-256)";
            return verdict;
        }
    }
    const std::string_view cells =
        std::string_view(text).substr(reader.start, last + 2 - reader.start);
    if (cells.size() < 2) {
        verdict.why = "its record is damaged or was edited";
        return verdict;
    }
    verdict.cells = std::string(cells.substr(0, cells.size() - 2));
    return verdict;
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
                           Digest::hex(r.fingerprint) + "\r\n" + "files " +
                           std::to_string(r.files.size()) + "\r\n";
        for (const RecordedFile& f : r.files)
            text += "file " + std::to_string(f.digest.size) + " " + f.digest.sha256 + " " + f.name +
                    "\r\n";
        text += r.resultCells + "\r\n";
        text += "sha256 " + Sha256::Of(text) + "\r\n";
        // A record lost on a power loss only makes its condition run again.
        SaveAllOrNothing({{recordPath(r.name), text}}, {}, TextFileSink::Flush::Deferred);
    }
}

void CompletionRecords::forget(const std::vector<std::string>& names) const {
    if (names.empty()) return;
    std::error_code ec;
    if (!std::filesystem::is_directory(folder_, ec)) return;  // no record to outlive anything
    bool removed = false;
    for (const std::string& name : names) {
        const std::filesystem::path path = recordPath(name);
        if (::unlink(path.c_str()) == 0) {
            removed = true;
        } else if (errno != ENOENT) {
            throw WriteError(errno, path.string());
        }
    }
    if (!removed) return;
    // The removals reach the disk before any file they vouched for is replaced.
    const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw WriteError(errno, folder_.string());
    const int synced = ::fsync(fd);
    const int code = errno;
    ::close(fd);
    if (synced != 0) throw WriteError(code, folder_.string());
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
                          const std::vector<std::string>& fileNames, bool onlyOfEndedProcesses) {
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
        if (!wanted.count(target) || name.rfind(TemporaryPrefix(target), 0) != 0) continue;
        if (onlyOfEndedProcesses) {
            // ".<target>.velmor-<pid>-<n>.tmp"
            const std::string rest = name.substr(marker + 8);
            pid_t pid = 0;
            auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
            if (error != std::errc() || pid <= 0) continue;
            if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
        }
        std::filesystem::remove(entry.path(), ec);
    }
}

}  // namespace velmor::batch
