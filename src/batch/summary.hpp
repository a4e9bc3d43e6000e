#pragma once
// The summary CSV: one row per condition, ready for read.csv or
// pandas.read_csv. Its columns: the study or design file as given, the
// condition's name, one column per varied key (named as in a design header),
// then the results. The header and the result cells come from one list of
// columns, so that they cannot drift apart.

#include <string>
#include <vector>

#include "batch/study_runner.hpp"

namespace velmor::batch {

// "file,condition,<factor columns>,status,seed,...,message,mc_se,ci_low,ci_high,
// band_reading,normal_theory_power".
// `generatorColumn`: the batch runs some condition with `generator = philox`,
// and every row ends with the generator that made its numbers.
std::string SummaryHeader(const std::vector<std::string>& factorColumns,
                          bool generatorColumn = false);

// The result cells of a row, "status,seed,...,normal_theory_power": all a condition
// adds to its row, and what its completion record keeps.
std::string ResultCells(const StudyOutcome& outcome, bool generatorColumn = false);

// A row: the file and condition, the factor cells, then the result cells.
std::string SummaryRow(const std::string& file, const std::string& condition,
                       const std::vector<std::string>& factorCells, const std::string& resultCells);

}  // namespace velmor::batch
