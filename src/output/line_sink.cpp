#include "output/line_sink.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "core/errors.hpp"

namespace velmor {

std::string MemoryLineSink::text() const {
    std::string all;
    for (const auto& line : lines) {
        all += line;
        all += "\r\n";
    }
    return all;
}

namespace {

constexpr int kOpenFlags = O_WRONLY | O_CLOEXEC | O_NOCTTY;
// Room left in a file name for the temporary file's prefix and suffix.
constexpr std::size_t kMaxTemporaryStem = 200;
constexpr int kTemporaryNameAttempts = 1000;

}  // namespace

TextFileSink::TextFileSink(const std::filesystem::path& target, Flush flush)
    : target_(target), flush_(flush) {
    // As opening "" would; without this the temporary file would land in the
    // working directory.
    if (target.empty()) throw IoError(ENOENT);
    struct stat status {};
    const bool exists = ::stat(target.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) {
        // A device or pipe cannot be replaced by a rename: write to it as it
        // is. A directory fails here with EISDIR.
        fd_ = ::open(target.c_str(), kOpenFlags | O_CREAT | O_TRUNC, 0666);
        if (fd_ < 0) throw IoError(errno);
        return;
    }
    if (exists) {
        // A rename would replace a file the user protected against writing;
        // ask the system whether it could be opened for writing as it stands
        // (nothing is changed by opening without truncation).
        const int probe = ::open(target.c_str(), kOpenFlags);
        if (probe < 0) throw IoError(errno);
        ::close(probe);
        std::error_code ec;
        std::filesystem::path resolved = std::filesystem::canonical(target, ec);
        if (!ec) target_ = std::move(resolved);
    }

    // The fresh file sits in the target's directory so that the final rename
    // stays on one file system and cannot half-succeed.
    std::string stem = target_.filename().string().substr(0, kMaxTemporaryStem);
    const std::string prefix = "." + stem + ".velmor-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        std::filesystem::path candidate =
            target_.parent_path() / (prefix + std::to_string(attempt) + ".tmp");
        fd_ = ::open(candidate.c_str(), kOpenFlags | O_CREAT | O_EXCL, 0666);
        if (fd_ >= 0) {
            temporary_ = std::move(candidate);
            break;
        }
        if (errno != EEXIST) throw IoError(errno);
    }
    if (fd_ < 0) throw IoError(EEXIST);
    // The replacement keeps the permissions of the file it replaces; failing
    // to copy them is not worth refusing the save.
    if (exists) (void)::fchmod(fd_, status.st_mode & 07777);
}

TextFileSink::~TextFileSink() {
    discard();
}

void TextFileSink::writeLine(std::string_view line) {
    if (fd_ < 0) throw IoError(EBADF);
    buffer_.assign(line);
    buffer_ += "\r\n";
    const char* data = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        if (written == 0) fail(EIO);
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

void TextFileSink::finish() {
    if (fd_ < 0) throw IoError(EBADF);
    // On a regular file, errors that the file system reports late (delayed
    // allocation, a network share) surface in fsync or close, not in write.
    if (!temporary_.empty() && flush_ == Flush::ToDisk && ::fsync(fd_) != 0) fail(errno);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) fail(errno);
    finished_ = true;
}

void TextFileSink::commit() {
    if (!finished_) finish();
    if (temporary_.empty()) return;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) fail(errno);
    temporary_.clear();
}

void TextFileSink::fail(int code) {
    discard();
    throw IoError(code);
}

void TextFileSink::discard() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

}  // namespace velmor
