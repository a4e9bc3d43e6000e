#include "batch/input_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace velmor::batch {

namespace {

const char* FileKind(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO (named pipe)";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

std::string Unreadable(int code) {
    return "cannot be read: " + std::generic_category().message(code);
}

}  // namespace

std::optional<std::string> ReadInputFile(const std::string& path, std::size_t limit,
                                         const char* limitInWords, const char* what,
                                         std::string& content) {
    // Opened without blocking, so that a FIFO is refused instead of waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return Unreadable(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0) return Unreadable(errno);
    if (!S_ISREG(status.st_mode))
        return std::string("is ") + FileKind(status.st_mode) + ", not a regular file";
    const std::string tooLarge = "is larger than " + std::to_string(limit) + " bytes (" +
                                 limitInWords + "), the limit for " + what;
    if (static_cast<std::uintmax_t>(status.st_size) > limit) return tooLarge;

    // Read to the end, never past the limit, even if the file grows meanwhile.
    content.clear();
    std::size_t size = 0;
    for (;;) {
        if (size == content.size()) {
            if (content.size() > limit) break;
            const std::size_t room =
                std::max<std::size_t>(static_cast<std::size_t>(status.st_size) + 1, 4096);
            content.resize(std::min(limit + 1, std::max(room, 2 * content.size())));
        }
        const ssize_t got = ::read(fd, content.data() + size, content.size() - size);
        if (got < 0) {
            if (errno == EINTR) continue;
            return Unreadable(errno);
        }
        if (got == 0) break;
        size += static_cast<std::size_t>(got);
    }
    if (size > limit) return tooLarge;
    content.resize(size);
    return std::nullopt;
}

}  // namespace velmor::batch
