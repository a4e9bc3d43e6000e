#pragma once
// Reading a file the batch was given (a study, a design): only a regular file
// of bounded size is read, and a FIFO is refused rather than waited on.

#include <cstddef>
#include <optional>
#include <string>

namespace velmor::batch {

// Reads the whole file into `content`. Returns what is wrong instead, as a
// sentence without the path: "cannot be read: <the system's reason>", "is a
// directory, not a regular file", "is larger than <limit> bytes (<limit in
// words>), the limit for <what>".
std::optional<std::string> ReadInputFile(const std::string& path, std::size_t limit,
                                         const char* limitInWords, const char* what,
                                         std::string& content);

}  // namespace velmor::batch
