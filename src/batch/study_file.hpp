#pragma once
// Study files: the settings of one run or sample-size search, written by hand
// as `key = value` lines in [group 1], [group 2], [group 3], [run] and an
// optional [search] section, with `#` comments. Values are kept as the texts
// a user would type into the window; the window's own rules judge them.
//
// A file can also describe a grid of conditions: any value may be a
// comma-separated list, and every key with a list is a factor. A [groups]
// section sets keys for all three groups at once (a list there is one factor
// the three groups take together); a key in [group g] overrides it there.

#include <array>
#include <cstddef>
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

// One study: one value per key.
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

// The sections of a file, as indices: groups 1..3, [groups], [run], [search].
enum class SectionId { Group1, Group2, Group3, Groups, Run, Search };
inline constexpr int kSectionCount = 6;

// The name of a key in summaries and design headers: "group1.sd", "groups.n",
// "run.seed", "search.power".
std::string ColumnName(SectionId section, std::string_view key);

// A value as written: one item, or the items of a list.
struct GridValue {
    std::vector<std::string> items;
    int line = 0;
};
using GridSection = std::map<std::string, GridValue, std::less<>>;

// A study file that may vary some of its values.
struct StudyGrid {
    struct Factor {
        SectionId section;
        std::string key;
    };

    std::string path;
    std::array<GridSection, kSectionCount> sections;
    bool searches = false;        // the file has a [search] section
    std::vector<Factor> factors;  // the keys with lists, in the order of the file

    // Conditions: all combinations of the factors, the first factor of the
    // file varying slowest. A file without lists is one condition.
    std::size_t count() const;
    // "grid-007" for condition 7 (from 1) of 120 of grid.study; the file name
    // without its extension for a file without lists.
    std::string conditionName(std::size_t index) const;
    // Condition `index` (from 0) as the study written out by hand: one value
    // per key, [groups] copied into each group that does not set the key.
    Study condition(std::size_t index) const;
    // The value of a factor column ("groups.n") for a condition as written,
    // or empty when the file does not set that key.
    std::string cell(std::size_t index, const std::string& column) const;
    // The columns of the factors, in order.
    std::vector<std::string> factorColumns() const;
};

using StudyReadResult = std::variant<Study, std::vector<StudyError>>;
using GridReadResult = std::variant<StudyGrid, std::vector<StudyError>>;

// The largest study file read; a larger one is a mistake (a data file, a
// device), not a study.
inline constexpr std::size_t kMaxStudyFileBytes = 1 << 20;
// The most conditions one grid may have.
inline constexpr std::size_t kMaxGridConditions = 1000000;

// Parses a study file, lists and all; every problem is reported with its
// line, and a file with any error is not returned (nothing of that grid
// runs). A UTF-8 byte-order mark at the start is skipped; a text without any
// section heading is an error (an empty [run] section asks for the window's
// defaults).
GridReadResult ParseStudyGrid(std::string_view path, std::string_view content);
// Reads and parses a study file. Anything but a regular file of at most
// kMaxStudyFileBytes is refused without being read (a FIFO does not block),
// as is a file that cannot be opened, with the system's reason.
GridReadResult ReadStudyGrid(const std::string& path);

// One study, as ParseStudyGrid reads it; a file with lists is an error here.
StudyReadResult ParseStudy(std::string_view path, std::string_view content);
StudyReadResult ReadStudyFile(const std::string& path);

// Checks one value of a key of a section as the reader does; nothing when it
// is good. Shared with the design reader, so that a design's cells are judged
// exactly as a study file's values.
// `shownAs` names the key in the message when it is not the key itself (a
// design's column name).
std::optional<StudyError> CheckStudyValue(SectionId section, std::string_view key,
                                          std::string_view value, const std::string& path, int line,
                                          std::string_view shownAs = {});
// Whether the key is one of the section's keys.
bool IsStudyKey(SectionId section, std::string_view key);

}  // namespace velmor::batch
