#include "batch/study_file.hpp"

#include <filesystem>
#include <set>

#include "analysis/stopping_text.hpp"
#include "batch/input_file.hpp"
#include "batch/plain_text.hpp"
#include "batch/printable.hpp"
#include "batch/study_keys.hpp"
#include "batch/study_shapes.hpp"
#include "core/mean_test_kind.hpp"
#include "run/number_reading.hpp"
#include "run/settings_step.hpp"

namespace velmor::batch {

namespace {

constexpr int kGroups = 3;
constexpr auto kCommon = static_cast<std::size_t>(SectionId::Groups);
constexpr auto kRun = static_cast<std::size_t>(SectionId::Run);
constexpr auto kSearch = static_cast<std::size_t>(SectionId::Search);

// An empty text means "not given" only where a value is optional. A number is
// judged by the window's own reading, so the window's own message applies.
std::optional<std::string> CheckValue(ValueKind kind, std::string_view value, bool& notNumeric) {
    const std::string v = Lowercase(value);
    notNumeric = false;
    switch (kind) {
        case ValueKind::Number:
        case ValueKind::OptionalNumber:
            if (kind == ValueKind::OptionalNumber && value.empty()) return std::nullopt;
            if (ReadNumber(value)) return std::nullopt;
            notNumeric = true;
            return kNotNumericMessage;
        case ValueKind::Distribution:
            if (v != "normal" && v != "uniform" && !ShapeFamilyNamed(v))
                return "distribution must be normal, uniform, fleishman, g-and-h, lognormal, "
                       "exponential, chi-square, t or contaminated";
            return std::nullopt;
        case ValueKind::YesNo:
            if (v != "yes" && v != "no") return "integer must be yes or no";
            return std::nullopt;
        case ValueKind::Bounds:
            if (v != "resampled" && v != "winsorized")
                return "bounds must be resampled or winsorized";
            return std::nullopt;
        case ValueKind::Confirm:
            if (v != "yes" && v != "no") return "confirm must be yes or no";
            return std::nullopt;
        case ValueKind::ConditionSeeds:
            if (v != "common" && v != "independent") return "seeds must be common or independent";
            return std::nullopt;
        case ValueKind::Seeds:
            if (v != "chained" && v != "fixed") return "seeds must be chained or fixed";
            return std::nullopt;
        case ValueKind::Precision: {
            const std::optional<double> h = ReadNumber(value);
            if (!h) {
                notNumeric = true;
                return kNotNumericMessage;
            }
            // The Details window refuses a typed half-width in the same words.
            if (!ReadPrecision(value)) return kPrecisionMessage;
            return std::nullopt;
        }
        case ValueKind::Decide:
            if (v != "bradley" && v != "robey") return "decide must be bradley or robey";
            return std::nullopt;
        case ValueKind::Generator:
            if (v != "classic" && v != "philox") return "generator must be classic or philox";
            return std::nullopt;
        case ValueKind::NoVariance:
            if (v != "stop" && v != "skip") return "no_variance must be stop or skip";
            return std::nullopt;
        case ValueKind::Tests: {
            auto parsed = ParseMeanTests(v);
            if (auto* message = std::get_if<std::string>(&parsed)) return *message;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

const StudyKeyRule* RuleFor(SectionId section, std::string_view key) {
    switch (section) {
        case SectionId::Run:
            return FindStudyKey(KeySection::Run, key);
        case SectionId::Search:
            return FindStudyKey(KeySection::Search, key);
        default:
            return FindStudyKey(KeySection::Group, key);
    }
}

std::vector<StudyError> FileError(const std::string& path, std::string message) {
    return {StudyError{path, 0, std::move(message), false, {}}};
}

// The items of a value: split at commas, each trimmed. A value without a
// comma is one item, kept whole.
std::vector<std::string> Items(std::string_view value) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = value.find(',', start);
        items.emplace_back(Trimmed(value.substr(start, comma - start)));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return items;
}

const GridValue* Find(const GridSection& section, std::string_view key) {
    auto it = section.find(key);
    return it == section.end() ? nullptr : &it->second;
}

// Which item each factor takes in a condition, the last factor fastest.
std::vector<std::size_t> Choices(const StudyGrid& grid, std::size_t index) {
    std::vector<std::size_t> choices(grid.factors.size());
    for (std::size_t f = grid.factors.size(); f-- > 0;) {
        const GridValue* value = Find(
            grid.sections[static_cast<std::size_t>(grid.factors[f].section)], grid.factors[f].key);
        choices[f] = index % value->items.size();
        index /= value->items.size();
    }
    return choices;
}

// The item a value takes in a condition: its only one, or its factor's choice.
const std::string& ItemOf(const StudyGrid& grid, SectionId section, const std::string& key,
                          const GridValue& value, const std::vector<std::size_t>& choices) {
    if (value.items.size() == 1) return value.items.front();
    for (std::size_t f = 0; f < grid.factors.size(); ++f)
        if (grid.factors[f].section == section && grid.factors[f].key == key)
            return value.items[choices[f]];
    return value.items.front();
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

std::string ColumnName(SectionId section, std::string_view key) {
    switch (section) {
        case SectionId::Groups:
            return "groups." + std::string(key);
        case SectionId::Run:
            return "run." + std::string(key);
        case SectionId::Search:
            return "search." + std::string(key);
        default:
            return "group" + std::to_string(static_cast<int>(section) + 1) + "." + std::string(key);
    }
}

bool IsStudyKey(SectionId section, std::string_view key) {
    return RuleFor(section, key) != nullptr;
}

std::optional<StudyError> CheckStudyValue(SectionId section, std::string_view key,
                                          std::string_view value, const std::string& path, int line,
                                          std::string_view shownAs) {
    const StudyKeyRule* rule = RuleFor(section, key);
    const std::string shown(shownAs.empty() ? key : shownAs);
    if (!rule) return StudyError{path, line, "unknown key '" + Printable(key) + "'", false, {}};
    bool notNumeric = false;
    auto problem = CheckValue(rule->kind, value, notNumeric);
    if (!problem) return std::nullopt;
    if (notNumeric) return StudyError{path, line, *problem, true, shown + " = " + Printable(value)};
    return StudyError{path, line, shown + ": " + *problem, false, {}};
}

std::size_t StudyGrid::count() const {
    std::size_t n = 1;
    for (const Factor& f : factors)
        n *= Find(sections[static_cast<std::size_t>(f.section)], f.key)->items.size();
    return n;
}

std::string StudyGrid::conditionName(std::size_t index) const {
    const std::string stem = std::filesystem::path(path).stem().string();
    if (factors.empty()) return stem;
    const std::string total = std::to_string(count());
    std::string number = std::to_string(index + 1);
    number.insert(0, total.size() - number.size(), '0');
    return stem + "-" + number;
}

Study StudyGrid::condition(std::size_t index) const {
    const std::vector<std::size_t> choices = Choices(*this, index);
    Study study;
    study.path = path;
    auto fill = [&](StudySection& into, SectionId id) {
        for (const auto& [key, value] : sections[static_cast<std::size_t>(id)])
            into[key] = StudyValue{ItemOf(*this, id, key, value, choices), value.line};
    };
    for (int g = 0; g < kGroups; ++g) {
        fill(study.groups[g], SectionId::Groups);  // a group's own keys then override
        fill(study.groups[g], static_cast<SectionId>(g));
    }
    fill(study.run, SectionId::Run);
    if (searches) fill(study.search.emplace(), SectionId::Search);
    return study;
}

std::string StudyGrid::cell(std::size_t index, const std::string& column) const {
    for (int s = 0; s < kSectionCount; ++s) {
        const auto id = static_cast<SectionId>(s);
        for (const auto& [key, value] : sections[s]) {
            if (ColumnName(id, key) != column) continue;
            if (value.items.size() == 1) return value.items.front();
            return ItemOf(*this, id, key, value, Choices(*this, index));
        }
    }
    return {};
}

std::vector<std::string> StudyGrid::factorColumns() const {
    std::vector<std::string> columns;
    for (const Factor& f : factors) columns.push_back(ColumnName(f.section, f.key));
    return columns;
}

GridReadResult ParseStudyGrid(std::string_view path, std::string_view content) {
    StudyGrid grid;
    grid.path = std::string(path);
    std::vector<StudyError> errors;
    auto error = [&](int line, std::string message) {
        errors.push_back({grid.path, line, std::move(message), false, {}});
    };

    // The section the lines belong to; none before the first heading and
    // inside an unknown or broken one.
    bool inSection = false;
    SectionId section = SectionId::Run;
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
        line = Trimmed(line);
        if (line.empty()) {
            if (end == content.size()) break;
            continue;
        }
        if (line.front() == '[') {
            inSection = false;
            if (line.back() != ']') {
                error(lineNumber, "a section heading must end with ]");
                continue;
            }
            std::string name = Printable(Lowercase(Trimmed(line.substr(1, line.size() - 2))));
            std::string squeezed;
            for (char c : name)
                if (c != ' ' || (squeezed.size() && squeezed.back() != ' ')) squeezed += c;
            name = squeezed;
            if (seenSections.count(name)) {
                error(lineNumber, "section [" + name + "] appears twice");
                continue;
            }
            seenSections.insert(name);
            if (name == "group 1" || name == "group 2" || name == "group 3") {
                section = static_cast<SectionId>(name.back() - '1');
                inSection = true;
            } else if (name == "groups") {
                section = SectionId::Groups;
                inSection = true;
            } else if (name == "run") {
                section = SectionId::Run;
                inSection = true;
            } else if (name == "search") {
                section = SectionId::Search;
                inSection = true;
                grid.searches = true;
            } else {
                error(lineNumber, "unknown section [" + name + "]");
            }
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) {
            error(lineNumber, "expected key = value");
            continue;
        }
        const std::string key = Printable(Lowercase(Trimmed(line.substr(0, equals))));
        const std::string_view value = Trimmed(line.substr(equals + 1));
        if (!inSection) {
            if (seenSections.empty()) error(lineNumber, "'" + key + "' stands before any section");
            continue;  // inside an unknown section: its heading was reported
        }
        if (!IsStudyKey(section, key)) {
            error(lineNumber, "unknown key '" + key + "'");
            continue;
        }
        GridSection& current = grid.sections[static_cast<std::size_t>(section)];
        if (const GridValue* first = Find(current, key)) {
            error(lineNumber, "duplicate key '" + key + "' (first at line " +
                                  std::to_string(first->line) + ")");
            continue;
        }
        GridValue parsed{Items(value), lineNumber};
        bool good = true;
        for (const std::string& item : parsed.items) {
            if (auto problem = CheckStudyValue(section, key, item, grid.path, lineNumber)) {
                errors.push_back(std::move(*problem));
                good = false;
                break;  // one error a line
            }
        }
        if (!good) continue;
        if (parsed.items.size() > 1) grid.factors.push_back({section, key});
        current.emplace(key, std::move(parsed));
    }

    if (errors.empty() && seenSections.empty())
        error(0,
              "has no section; a study needs at least one of [group 1], [group 2], [group 3], "
              "[run] and [search] (an empty [run] runs the window's defaults)");
    if (!errors.empty()) return errors;

    // The size of a grid, counted without overflowing.
    std::size_t conditions = 1;
    for (const StudyGrid::Factor& f : grid.factors) {
        const std::size_t items =
            Find(grid.sections[static_cast<std::size_t>(f.section)], f.key)->items.size();
        if (conditions > kMaxGridConditions / items) {
            error(0, "has more than " + std::to_string(kMaxGridConditions) +
                         " conditions, the most one grid may have");
            return errors;
        }
        conditions *= items;
    }
    // A search's trials estimate power from their full samples, and its
    // confirmation is asked for with its full number of samples: a stopping
    // rule applies to plain runs only.
    if (grid.searches) {
        for (const StudyKey key : {StudyKey::Precision, StudyKey::Decide}) {
            if (Find(grid.sections[kRun], KeyName(key)))
                error(0, std::string(KeyName(key)) +
                             " stops a plain run early; a sample-size search draws all the samples "
                             "of each trial, so a study with [search] cannot have it");
        }
        if (!errors.empty()) return errors;
    }
    errors = CheckGridShapeKeys(grid);
    if (!errors.empty()) return errors;
    return grid;
}

GridReadResult ReadStudyGrid(const std::string& path) {
    std::string content;
    if (auto problem = ReadInputFile(path, kMaxStudyFileBytes, "1 MiB", "a study file", content))
        return FileError(path, *problem);
    return ParseStudyGrid(path, content);
}

namespace {

StudyReadResult SingleStudy(GridReadResult read) {
    if (auto* errors = std::get_if<std::vector<StudyError>>(&read)) return std::move(*errors);
    const StudyGrid& grid = std::get<StudyGrid>(read);
    if (grid.count() != 1)
        return FileError(grid.path, "holds lists of values: it is a grid of " +
                                        std::to_string(grid.count()) + " conditions");
    return grid.condition(0);
}

}  // namespace

StudyReadResult ParseStudy(std::string_view path, std::string_view content) {
    return SingleStudy(ParseStudyGrid(path, content));
}

StudyReadResult ReadStudyFile(const std::string& path) {
    return SingleStudy(ReadStudyGrid(path));
}

}  // namespace velmor::batch
