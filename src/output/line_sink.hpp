#pragma once
// Where the writers of the saved files put their lines. A writer hands over
// one line at a time without its line end; the sink adds CR LF and checks it.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmor {

class LineSink {
  public:
    virtual ~LineSink() = default;
    // Writes one line; throws IoError when it cannot be written.
    virtual void writeLine(std::string_view line) = 0;
};

// Keeps the lines in memory; text() is what a file would hold.
class MemoryLineSink final : public LineSink {
  public:
    void writeLine(std::string_view line) override { lines.emplace_back(line); }
    // Every line followed by CR LF.
    std::string text() const;

    std::vector<std::string> lines;
};

// Writes a text file, each line followed by CR LF, without ever leaving the
// user with half a file in place of a good one.
//
// For a regular file (new or existing) the lines go to a fresh file beside
// it, which replaces the target only in commit(), after every line, the flush
// to disk and the close succeeded. On any failure the fresh file is removed,
// an existing target is left exactly as it was, and IoError carries errno.
// A target that exists but is not a regular file (a device such as a printer
// port or /dev/full, a pipe) cannot be replaced by renaming; it is opened and
// written directly, and its errors are reported the same way. A symbolic link
// is followed, so the file it names is the one replaced.
//
// Lines written but not committed are discarded by the destructor.
class TextFileSink final : public LineSink {
  public:
    // Whether finish() waits until the fresh file is on disk. A caller that
    // writes many files and makes them durable together (one syncfs) skips it.
    enum class Flush { ToDisk, Deferred };
    // Opens the file to write; throws IoError when it cannot be created.
    explicit TextFileSink(const std::filesystem::path& target, Flush flush = Flush::ToDisk);
    ~TextFileSink() override;
    TextFileSink(const TextFileSink&) = delete;
    TextFileSink& operator=(const TextFileSink&) = delete;

    void writeLine(std::string_view line) override;
    // Flushes to disk and closes the file, still under its fresh name (a
    // device or pipe is simply closed); throws IoError on failure, removing
    // the fresh file. Lets a caller complete several files before it puts any
    // in place. Call at most once, after the last line.
    void finish();
    // Finishes the file if that was not done, and puts it in place; throws
    // IoError on failure (the target then stays as it was). Call once.
    void commit();

  private:
    [[noreturn]] void fail(int code);
    void discard() noexcept;

    std::filesystem::path target_;     // the file the user chose (links resolved)
    std::filesystem::path temporary_;  // empty when writing the target directly
    int fd_ = -1;
    Flush flush_;
    bool finished_ = false;
    std::string buffer_;  // one line and its CR LF, reused
};

}  // namespace velmor
