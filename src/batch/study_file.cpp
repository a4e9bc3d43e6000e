#include "batch/study_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <system_error>

#include "batch/printable.hpp"
#include "run/number_reading.hpp"
#include "run/settings_step.hpp"

namespace velmor::batch {

namespace {

enum class ValueKind { Number, OptionalNumber, Distribution, YesNo, Bounds };

struct KeyRule {
    const char* key;
    ValueKind kind;
};

const KeyRule kGroupKeys[] = {{"distribution", ValueKind::Distribution},
                              {"mean", ValueKind::Number},
                              {"sd", ValueKind::Number},
                              {"n", ValueKind::Number},
                              {"reliability", ValueKind::Number},
                              {"integer", ValueKind::YesNo},
                              {"minimum", ValueKind::OptionalNumber},
                              {"maximum", ValueKind::OptionalNumber}};
const KeyRule kRunKeys[] = {{"alpha", ValueKind::Number},
                            {"seed", ValueKind::Number},
                            {"samples", ValueKind::Number},
                            {"means_to_keep", ValueKind::Number},
                            {"bounds", ValueKind::Bounds}};
const KeyRule kSearchKeys[] = {{"power", ValueKind::Number}, {"samples", ValueKind::Number}};

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// An empty text means "not given" only where a value is optional. A number is
// judged by the window's own reading, so the window's own message applies.
std::optional<std::string> CheckValue(ValueKind kind, std::string_view value, bool& notNumeric) {
    const std::string v = Lower(value);
    notNumeric = false;
    switch (kind) {
        case ValueKind::Number:
        case ValueKind::OptionalNumber:
            if (kind == ValueKind::OptionalNumber && value.empty()) return std::nullopt;
            if (ReadNumber(value)) return std::nullopt;
            notNumeric = true;
            return kNotNumericMessage;
        case ValueKind::Distribution:
            if (v != "normal" && v != "uniform") return "distribution must be normal or uniform";
            return std::nullopt;
        case ValueKind::YesNo:
            if (v != "yes" && v != "no") return "integer must be yes or no";
            return std::nullopt;
        case ValueKind::Bounds:
            if (v != "resampled" && v != "winsorized")
                return "bounds must be resampled or winsorized";
            return std::nullopt;
    }
    return std::nullopt;
}

template <std::size_t N>
const KeyRule* FindRule(const KeyRule (&rules)[N], std::string_view key) {
    for (const KeyRule& rule : rules)
        if (key == rule.key) return &rule;
    return nullptr;
}

const char* FileKind(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO (named pipe)";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

std::vector<StudyError> FileError(const std::string& path, std::string message) {
    return {StudyError{path, 0, std::move(message), false, {}}};
}

std::string Reason(int code) {
    return std::generic_category().message(code);
}

}  // namespace

std::string StudyError::text() const {
    std::string where = Printable(path);
    if (line > 0) where += ":" + std::to_string(line);
    if (locationLast) return message + " (" + where + ": " + detail + ")";
    return where + ": " + message;
}

const StudyValue* Study::find(const StudySection& section, std::string_view key) {
    auto it = section.find(key);
    return it == section.end() ? nullptr : &it->second;
}

StudyReadResult ParseStudy(std::string_view path, std::string_view content) {
    Study study;
    study.path = std::string(path);
    std::vector<StudyError> errors;
    auto error = [&](int line, std::string message) {
        errors.push_back({study.path, line, std::move(message), false, {}});
    };

    enum class Section { None, Group, Run, Search };
    Section section = Section::None;
    int group = 0;
    StudySection* current = nullptr;
    std::set<std::string> seenSections;

    int lineNumber = 0;
    std::size_t start = 0;
    // Editors on some systems start a UTF-8 file with a byte-order mark.
    if (content.substr(0, 3) == "\xEF\xBB\xBF") start = 3;
    while (start <= content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string_view::npos) end = content.size();
        std::string_view line = content.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (const auto hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        line = Trim(line);
        if (line.empty()) {
            if (end == content.size()) break;
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']') {
                error(lineNumber, "a section heading must end with ]");
                current = nullptr;
                section = Section::None;
                continue;
            }
            std::string name = Printable(Lower(Trim(line.substr(1, line.size() - 2))));
            std::string squeezed;
            for (char c : name)
                if (c != ' ' || (squeezed.size() && squeezed.back() != ' ')) squeezed += c;
            name = squeezed;
            if (seenSections.count(name)) {
                error(lineNumber, "section [" + name + "] appears twice");
                current = nullptr;
                section = Section::None;
                continue;
            }
            seenSections.insert(name);
            if (name == "group 1" || name == "group 2" || name == "group 3") {
                section = Section::Group;
                group = name.back() - '1';
                current = &study.groups[group];
            } else if (name == "run") {
                section = Section::Run;
                current = &study.run;
            } else if (name == "search") {
                section = Section::Search;
                study.search.emplace();
                current = &*study.search;
            } else {
                error(lineNumber, "unknown section [" + name + "]");
                section = Section::None;
                current = nullptr;
            }
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            error(lineNumber, "expected key = value");
            continue;
        }
        const std::string key = Printable(Lower(Trim(line.substr(0, equals))));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (section == Section::None) {
            if (current == nullptr && seenSections.empty())
                error(lineNumber, "'" + key + "' stands before any section");
            continue;  // inside an unknown section: its heading was reported
        }
        const KeyRule* rule = section == Section::Group ? FindRule(kGroupKeys, key)
                              : section == Section::Run ? FindRule(kRunKeys, key)
                                                        : FindRule(kSearchKeys, key);
        if (!rule) {
            error(lineNumber, "unknown key '" + key + "'");
            continue;
        }
        if (current->count(key)) {
            error(lineNumber, "duplicate key '" + key + "' (first at line " +
                                  std::to_string(current->at(key).line) + ")");
            continue;
        }
        bool notNumeric = false;
        if (auto problem = CheckValue(rule->kind, value, notNumeric)) {
            if (notNumeric)
                errors.push_back(
                    {study.path, lineNumber, *problem, true, key + " = " + Printable(value)});
            else
                error(lineNumber, key + ": " + *problem);
            continue;
        }
        (*current)[key] = StudyValue{std::string(value), lineNumber};
    }

    // Uniform bounds come from the mean and SD, as in the window.
    for (const StudySection& g : study.groups) {
        const StudyValue* distribution = Study::find(g, "distribution");
        if (!distribution || Lower(distribution->text) != "uniform") continue;
        for (const char* bound : {"minimum", "maximum"}) {
            const StudyValue* v = Study::find(g, bound);
            if (v && !v->text.empty())
                error(v->line, std::string(bound) +
                                   " applies to normal groups only; a uniform group's bounds "
                                   "follow from its mean "
                                   "and sd");
        }
    }
    if (errors.empty() && seenSections.empty())
        error(0,
              "has no section; a study needs at least one of [group 1], [group 2], [group 3], "
              "[run] and "
              "[search] (an empty [run] runs the window's defaults)");
    if (!errors.empty()) return errors;
    return study;
}

StudyReadResult ReadStudyFile(const std::string& path) {
    // Opened without blocking, so that a FIFO is refused instead of waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return FileError(path, "cannot be read: " + Reason(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0) return FileError(path, "cannot be read: " + Reason(errno));
    if (!S_ISREG(status.st_mode))
        return FileError(path,
                         std::string("is ") + FileKind(status.st_mode) + ", not a regular file");
    const std::string tooLarge = "is larger than " + std::to_string(kMaxStudyFileBytes) +
                                 " bytes (1 MiB), the limit for a study file";
    if (static_cast<std::uintmax_t>(status.st_size) > kMaxStudyFileBytes)
        return FileError(path, tooLarge);

    // Read to the end, never past the limit, even if the file grows meanwhile.
    std::string content(kMaxStudyFileBytes + 1, '\0');
    std::size_t size = 0;
    while (size < content.size()) {
        const ssize_t got = ::read(fd, content.data() + size, content.size() - size);
        if (got < 0) {
            if (errno == EINTR) continue;
            return FileError(path, "cannot be read: " + Reason(errno));
        }
        if (got == 0) break;
        size += static_cast<std::size_t>(got);
    }
    if (size > kMaxStudyFileBytes) return FileError(path, tooLarge);
    content.resize(size);
    return ParseStudy(path, content);
}

}  // namespace velmor::batch
