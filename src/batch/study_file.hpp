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

struct StudyError {
    std::string path;
    int line = 0;
    std::string message;
    std::string text() const { return path + ":" + std::to_string(line) + ": " + message; }
};

using StudyReadResult = std::variant<Study, std::vector<StudyError>>;

// Parses a study; every problem is reported with its line, and a study with
// any error is not returned.
StudyReadResult ParseStudy(std::string_view path, std::string_view content);
// Reads and parses a study file; an unreadable file is an error at line 0.
StudyReadResult ReadStudyFile(const std::string& path);

}  // namespace velmor::batch
