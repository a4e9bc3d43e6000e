#include "batch/output_files.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <system_error>

namespace velmor::batch {

namespace {

void WriteLines(TextFileSink& sink, std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string_view::npos) {
            sink.writeLine(text.substr(start));
            break;
        }
        sink.writeLine(text.substr(start, end - start));
        start = end + 2;
    }
}

}  // namespace

std::string WriteError::withReason() const {
    return std::string(what()) + " (" + std::generic_category().message(code()) + ")";
}

bool SaveAllOrNothing(const std::vector<OutputFile>& files, const InterruptCheck& interrupted,
                      TextFileSink::Flush flush,
                      const std::function<void(std::size_t)>& afterRename) {
    std::vector<std::unique_ptr<TextFileSink>> sinks;
    sinks.reserve(files.size());
    std::size_t at = 0;
    try {
        for (; at < files.size(); ++at) {
            sinks.push_back(std::make_unique<TextFileSink>(files[at].path, flush));
            WriteLines(*sinks.back(), files[at].text);
            sinks.back()->finish();
        }
        // A stop asked for while the files were written still keeps none.
        if (interrupted && interrupted()) return false;
        // Renames within one folder; they fail only as the writes would have.
        for (at = 0; at < files.size(); ++at) {
            sinks[at]->commit();
            if (afterRename) afterRename(at);
        }
    } catch (const IoError& error) {
        throw WriteError(error.code(), files[at].path.string());
    }
    return true;
}

bool WriteStandardOutput(std::string_view text, const InterruptCheck& interrupted) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, left);
        if (written < 0) {
            if (errno != EINTR) throw WriteError(errno, "standard output");
            if (interrupted && interrupted()) return false;
            continue;
        }
        if (written == 0) throw WriteError(EIO, "standard output");
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

void HoldClosedStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open returns the lowest free descriptor: this very one.
        const int held = ::open("/dev/null", O_RDONLY);
        if (held >= 0 && held != fd) {
            ::dup2(held, fd);
            ::close(held);
        }
    }
}

}  // namespace velmor::batch
