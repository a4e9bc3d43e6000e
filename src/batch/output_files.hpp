#pragma once
// Writing what a study leaves behind: its files all together or none of them,
// and its report on standard output with every write checked.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.hpp"
#include "output/line_sink.hpp"

namespace velmor::batch {

// One file to write; the text carries its own CR LF line ends.
struct OutputFile {
    std::filesystem::path path;
    std::string_view text;
};

// A file, or standard output, that could not be written: what() is the
// program's "I/O error N", target() what was being written.
class WriteError : public IoError {
  public:
    WriteError(int code, std::string target) : IoError(code), target_(std::move(target)) {}
    const std::string& target() const { return target_; }
    // "I/O error 28 (No space left on device)": the program's words and the
    // system's reason.
    std::string withReason() const;

  private:
    std::string target_;
};

// True once the run has been asked to stop (SIGINT, SIGTERM).
using InterruptCheck = std::function<bool()>;

// Writes every file under a fresh name beside its target, flushed to disk,
// and only when all are complete puts them in place, so that a failure part
// way never leaves one study's new report beside another run's means file.
// Throws WriteError on the first failure; nothing is then replaced and the
// fresh files are removed. When `interrupted` says so once all are written, nothing
// is replaced either and the result is false.
// With Deferred, the files are not flushed to disk one by one; the caller
// makes them durable together (syncfs) before it relies on them.
// `afterRename`, when given, is called after each file is put in place, with
// its index.
bool SaveAllOrNothing(const std::vector<OutputFile>& files, const InterruptCheck& interrupted,
                      TextFileSink::Flush flush = TextFileSink::Flush::ToDisk,
                      const std::function<void(std::size_t)>& afterRename = {});

// Writes the text to standard output in full. Throws WriteError with the
// system's code (EBADF when standard output is closed, ENOSPC on a full
// device, EPIPE when the reader has gone). A write blocked on a pipe that is
// interrupted by a signal gives up when `interrupted` says so (false).
bool WriteStandardOutput(std::string_view text, const InterruptCheck& interrupted);

// A closed standard stream would be taken by the next file opened, and a
// report for standard output would then land in it. Each closed one of the
// three is held by /dev/null, opened read-only, so that writes to a closed
// standard output still fail (EBADF) as they should.
void HoldClosedStandardStreams();

}  // namespace velmor::batch
