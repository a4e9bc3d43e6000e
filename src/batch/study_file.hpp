#pragma once
// Study files: the settings of one run or sample-size search, written by hand
// as `key = value` lines in [group 1], [group 2], [group 3], [run] and an
// optional [search] section, with `#` comments. Values are kept as the texts
// a user would type into the window; the window's own rules judge them.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmor::batch {

struct StudyValue {
    std::string text;
    int line = 0;
};

using StudySection = std::map<std::string, StudyValue, std::less<>>;

struct Study {
    std::string path;
    std::array<StudySection, 3> groups;
    StudySection run;
    std::optional<StudySection> search;  // present: run the sample-size search

    // The value of a key, or nothing when the key is absent.
    static const StudyValue* find(const StudySection& section, std::string_view key);
};

// A problem with a study file. Line 0 is the file as a whole. A value that is
// not a number gives the window's own message, followed by where it stands.
struct StudyError {
    std::string path;
    int line = 0;
    std::string message;        // control characters of the file already escaped
    bool locationLast = false;  // "message (path:line: ...)" rather than "path:line: message"
    std::string detail;         // with locationLast: the key and value as written
    // The message as shown, with the path escaped.
    std::string text() const;
};

using StudyReadResult = std::variant<Study, std::vector<StudyError>>;

// The largest study file read; a larger one is a mistake (a data file, a
// device), not a study.
inline constexpr std::size_t kMaxStudyFileBytes = 1 << 20;

// Parses a study; every problem is reported with its line, and a study with
// any error is not returned. A UTF-8 byte-order mark at the start is skipped;
// a text without any section heading is an error (an empty [run] section asks
// for the window's defaults).
StudyReadResult ParseStudy(std::string_view path, std::string_view content);
// Reads and parses a study file. Anything but a regular file of at most
// kMaxStudyFileBytes is refused without being read (a FIFO does not block),
// as is a file that cannot be opened, with the system's reason.
StudyReadResult ReadStudyFile(const std::string& path);

}  // namespace velmor::batch
