#include "batch/design_file.hpp"

#include <filesystem>
#include <map>

#include "batch/csv.hpp"
#include "batch/input_file.hpp"
#include "batch/plain_text.hpp"
#include "batch/printable.hpp"
#include "batch/study_shapes.hpp"

namespace velmor::batch {

namespace {

// "group2.n" -> section and key, when the key belongs to the section.
std::optional<DesignColumn> ReadColumn(const std::string& name) {
    const auto dot = name.find('.');
    if (dot == std::string::npos) return std::nullopt;
    const std::string section = name.substr(0, dot), key = name.substr(dot + 1);
    SectionId id;
    if (section == "group1" || section == "group2" || section == "group3")
        id = static_cast<SectionId>(section.back() - '1');
    else if (section == "groups")
        id = SectionId::Groups;
    else if (section == "run")
        id = SectionId::Run;
    else if (section == "search")
        id = SectionId::Search;
    else
        return std::nullopt;
    if (!IsStudyKey(id, key)) return std::nullopt;
    return DesignColumn{name, id, key};
}

// A name becomes a file name: nothing that leaves the output folder, hides
// the file or acts on a terminal.
bool UsableName(const std::string& name) {
    if (name.empty() || name.front() == '.' || name.find('/') != std::string::npos) return false;
    return Printable(name) == name;
}

}  // namespace

std::string Design::conditionName(std::size_t index) const {
    if (named) return rows[index].name;
    const std::string total = std::to_string(rows.size());
    std::string number = std::to_string(index + 1);
    number.insert(0, total.size() - number.size(), '0');
    return std::filesystem::path(path).stem().string() + "-" + number;
}

Study Design::condition(std::size_t index) const {
    Study study = base.condition(0);
    study.path = path;
    const Row& row = rows[index];
    auto set = [&](StudySection& section, const std::string& key, const std::string& text) {
        section[key] = StudyValue{text, row.line};
    };
    // [groups] columns first, so that a group's own column has the last word.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const DesignColumn& column = columns[c];
            const bool common = column.section == SectionId::Groups;
            if ((pass == 0) != common) continue;
            switch (column.section) {
                case SectionId::Groups:
                    for (StudySection& g : study.groups) set(g, column.key, row.cells[c]);
                    break;
                case SectionId::Run:
                    set(study.run, column.key, row.cells[c]);
                    break;
                case SectionId::Search:
                    if (!study.search) study.search.emplace();
                    set(*study.search, column.key, row.cells[c]);
                    break;
                default:
                    set(study.groups[static_cast<std::size_t>(column.section)], column.key,
                        row.cells[c]);
            }
        }
    }
    return study;
}

std::string Design::cell(std::size_t index, const std::string& column) const {
    for (std::size_t c = 0; c < columns.size(); ++c)
        if (columns[c].name == column) return rows[index].cells[c];
    return base.cell(0, column);
}

DesignReadResult ParseDesign(const std::string& path, std::string_view content,
                             const std::optional<StudyGrid>& base) {
    std::vector<StudyError> errors;
    auto error = [&](int line, std::string message) {
        errors.push_back({path, line, std::move(message), false, {}});
    };
    Design design;
    design.path = path;
    if (base) {
        if (base->count() != 1)
            return std::vector<StudyError>{{base->path,
                                            0,
                                            "holds lists of values; the base study of a design "
                                            "gives one value per key",
                                            false,
                                            {}}};
        design.base = *base;
    } else {
        design.base.path = path;
    }

    if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
    std::vector<CsvRecord> records;
    if (auto problem = ParseCsv(content, records)) {
        error(0, *problem);
        return errors;
    }
    // Lines of blanks only (a spreadsheet's empty rows) are not rows.
    std::erase_if(records, [](const CsvRecord& r) {
        for (const std::string& f : r.fields)
            if (!Trimmed(f).empty()) return false;
        return true;
    });
    if (records.empty()) {
        error(0, "is empty; a design needs a header line and a row per condition");
        return errors;
    }

    const CsvRecord& header = records.front();
    std::vector<int> role;  // per field: -1 the name column, else the column's index
    std::map<std::string, int> seen;
    for (const std::string& field : header.fields) {
        const std::string name = Lowercase(Trimmed(field));
        if (seen.count(name)) {
            error(header.line, "column '" + Printable(name) + "' appears twice");
            role.push_back(-2);
            continue;
        }
        seen[name] = 1;
        if (name == "name") {
            design.named = true;
            role.push_back(-1);
            continue;
        }
        auto column = ReadColumn(name);
        if (!column) {
            error(header.line, "unknown column '" + Printable(name) +
                                   "'; columns name a key as group1.sd, groups.n, run.seed or "
                                   "search.power, or are 'name'");
            role.push_back(-2);
            continue;
        }
        role.push_back(static_cast<int>(design.columns.size()));
        design.columns.push_back(*column);
    }
    if (!errors.empty()) return errors;
    if (records.size() == 1) {
        error(0, "has a header and no rows; a design needs a row per condition");
        return errors;
    }
    if (records.size() - 1 > kMaxGridConditions) {
        error(0, "has more than " + std::to_string(kMaxGridConditions) +
                     " rows, the most one design may have");
        return errors;
    }

    std::map<std::string, int> names;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        if (record.fields.size() != header.fields.size()) {
            error(record.line, std::to_string(record.fields.size()) + " values for " +
                                   std::to_string(header.fields.size()) + " columns");
            continue;
        }
        Design::Row row;
        row.line = record.line;
        row.cells.resize(design.columns.size());
        bool good = true;
        for (std::size_t f = 0; f < record.fields.size(); ++f) {
            const std::string cell(Trimmed(record.fields[f]));
            if (role[f] == -1) {
                row.name = cell;
                continue;
            }
            const DesignColumn& column = design.columns[static_cast<std::size_t>(role[f])];
            if (cell.find(',') != std::string::npos) {
                error(record.line, column.name + ": a design gives one value per cell, not '" +
                                       Printable(cell) + "'");
                good = false;
                continue;
            }
            if (auto problem = CheckStudyValue(column.section, column.key, cell, path, record.line,
                                               column.name)) {
                errors.push_back(std::move(*problem));
                good = false;
                continue;
            }
            row.cells[static_cast<std::size_t>(role[f])] = cell;
        }
        if (design.named) {
            if (!UsableName(row.name)) {
                error(record.line, "the name '" + Printable(row.name) +
                                       "' cannot name files: it must not be empty, start with '.', "
                                       "hold '/' or control characters");
                good = false;
            } else if (auto [it, fresh] = names.emplace(row.name, record.line); !fresh) {
                error(record.line,
                      "the name '" + row.name + "' is taken by line " + std::to_string(it->second));
                good = false;
            }
        }
        if (good) design.rows.push_back(std::move(row));
    }
    if (!errors.empty()) return errors;
    for (std::size_t k = 0; k < design.rows.size(); ++k) {
        for (StudyError& e : CheckShapeKeys(design.condition(k), false)) {
            e.line = design.rows[k].line;
            errors.push_back(std::move(e));
        }
    }
    if (!errors.empty()) return errors;
    return design;
}

DesignReadResult ReadDesign(const std::string& path, const std::string& basePath) {
    std::optional<StudyGrid> base;
    if (!basePath.empty()) {
        auto read = ReadStudyGrid(basePath);
        if (auto* errors = std::get_if<std::vector<StudyError>>(&read)) return std::move(*errors);
        base = std::move(std::get<StudyGrid>(read));
    }
    std::string content;
    if (auto problem = ReadInputFile(path, kMaxDesignFileBytes, "16 MiB", "a design", content))
        return std::vector<StudyError>{{path, 0, *problem, false, {}}};
    return ParseDesign(path, content, base);
}

}  // namespace velmor::batch
