#pragma once
// The tests CSV written beside the summary when a study chooses tests beside
// F: long format, one row per condition and test, so that it goes straight
// into a plotting library without reshaping. Its columns: the summary's
// file, condition and factor columns, then test, samples, rejections, rate,
// mc_se, ci_low, ci_high, verdict, band_reading, and for a run of one sample
// the test's statistic, df1, df2 and p_value (empty otherwise).

#include <string>
#include <vector>

#include "batch/study_runner.hpp"

namespace velmor::batch {

// S.tests.csv for S.csv (S.tests.csv beside any other name, too).
std::string TestsSummaryPath(const std::string& summary);

std::string TestsHeader(const std::vector<std::string>& factorColumns);

// The cells a condition adds after its factor cells, one entry per test row;
// none when the condition chose no test beside F or has no results.
std::vector<std::string> TestRowCells(const StudyOutcome& outcome);

// What a condition's completion record keeps: its summary cells, and its
// test rows after them, each after a record separator (U+001E, which no cell
// can hold: messages are made printable), so that a resumed grid writes the
// tests CSV an uninterrupted one does.
std::string JoinConditionCells(const std::string& summaryCells,
                               const std::vector<std::string>& testRows);
// The inverse: the summary cells, and the test rows into `testRows`.
std::string SplitConditionCells(const std::string& joined, std::vector<std::string>& testRows);

}  // namespace velmor::batch
