#pragma once
// Designs: one condition per row of a CSV file, as a researcher generates
// them (R's expand.grid, pandas), for patterns that crossing cannot express.
// The header names keys as in the summary (group1.sd, groups.n, run.seed,
// search.power), with an optional `name` column; a base study supplies what
// the columns leave out.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "batch/study_file.hpp"

namespace velmor::batch {

struct DesignColumn {
    std::string name;  // as in the header, lower case: "group2.n"
    SectionId section;
    std::string key;
};

struct Design {
    std::string path;
    std::vector<DesignColumn> columns;  // without the name column
    bool named = false;                 // the design has a name column
    struct Row {
        int line = 0;
        std::string name;                // from the name column, when there is one
        std::vector<std::string> cells;  // one a column, trimmed
    };
    std::vector<Row> rows;
    StudyGrid base;  // one condition; an empty [run] when no base study was given

    std::size_t count() const { return rows.size(); }
    // The row's name, or "<design>-<k>" with k zero-padded to the width of the count.
    std::string conditionName(std::size_t index) const;
    // The base study with the row's values: a group's own column over a
    // groups.* column over the base.
    Study condition(std::size_t index) const;
    // The row's cell of a column of the design, or the base's value as written.
    std::string cell(std::size_t index, const std::string& column) const;
};

using DesignReadResult = std::variant<Design, std::vector<StudyError>>;

inline constexpr std::size_t kMaxDesignFileBytes = 16 << 20;

// Reads a design and its optional base study; every problem is reported with
// the file and line of the row (or the header), and nothing of a design with
// a problem runs. Each cell is judged as the same value written in a study
// file would be, and holds one value.
DesignReadResult ParseDesign(const std::string& path, std::string_view content,
                             const std::optional<StudyGrid>& base);
DesignReadResult ReadDesign(const std::string& path, const std::string& basePath);

}  // namespace velmor::batch
