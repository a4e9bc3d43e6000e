#include "batch/folder_lock.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "batch/completion_records.hpp"
#include "batch/printable.hpp"

namespace velmor::batch {

FolderLock::FolderLock(FolderLock&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

FolderLock::~FolderLock() {
    // Closing the only descriptor of the file releases every lock on it.
    if (fd_ >= 0) ::close(fd_);
}

std::variant<FolderLock, std::string> FolderLock::Take(const std::filesystem::path& outDir,
                                                       const std::vector<std::size_t>& conditions,
                                                       bool all, std::string& warning) {
    const std::filesystem::path folder = outDir / kRecordFolder;
    const std::string name = Printable(outDir.string());
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return "the output folder " + name + " cannot be locked: " + ec.message();
    const std::filesystem::path path = folder / "lock";
    const int fd =
        ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd < 0)
        return "the output folder " + name +
               " cannot be locked: " + std::generic_category().message(errno);
    FolderLock lock(fd);
    auto take = [&](off_t start, off_t length) -> std::optional<std::string> {
        struct flock range {};
        range.l_type = F_WRLCK;
        range.l_whence = SEEK_SET;
        range.l_start = start;
        range.l_len = length;  // 0: to the end of any file, however long
        if (::fcntl(fd, F_SETLK, &range) == 0) return std::nullopt;
        const int code = errno;
        if (code == ENOLCK || code == EOPNOTSUPP || code == ENOSYS) {
            warning = "the output folder " + name + " cannot be locked (" +
                      std::generic_category().message(code) +
                      "); running without the lock: no other run may write there meanwhile";
            return std::nullopt;
        }
        if (code != EACCES && code != EAGAIN)
            return "the output folder " + name +
                   " cannot be locked: " + std::generic_category().message(code);
        struct flock holder {};
        holder.l_type = F_WRLCK;
        holder.l_whence = SEEK_SET;
        holder.l_start = start;
        holder.l_len = length;
        std::string who = "another run";
        if (::fcntl(fd, F_GETLK, &holder) == 0 && holder.l_type != F_UNLCK && holder.l_pid > 0)
            who = "another run (process " + std::to_string(holder.l_pid) + ")";
        return "the output folder " + name + " is in use by " + who +
               " of velmor-batch; one run at a time may write the same conditions there";
    };
    if (all) {
        if (auto problem = take(0, 0)) return *problem;
    } else {
        for (const std::size_t i : conditions) {
            if (auto problem = take(static_cast<off_t>(i), 1)) return *problem;
            if (!warning.empty()) break;
        }
    }
    return lock;
}

}  // namespace velmor::batch
