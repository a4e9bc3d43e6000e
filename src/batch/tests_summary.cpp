#include "batch/tests_summary.hpp"

#include <algorithm>
#include <iterator>

#include "batch/csv.hpp"
#include "run/number_format.hpp"

namespace velmor::batch {

namespace {

constexpr char kRecordSeparator = '\x1e';

std::string Number(double x) {
    return x == x ? ShortestRoundTrip(x) : std::string();
}

}  // namespace

std::string TestsSummaryPath(const std::string& summary) {
    const std::string suffix = ".csv";
    if (summary.size() > suffix.size() && summary.ends_with(suffix))
        return summary.substr(0, summary.size() - suffix.size()) + ".tests.csv";
    return summary + ".tests.csv";
}

std::string TestsHeader(const std::vector<std::string>& factorColumns) {
    std::string header = "file,condition";
    for (const std::string& column : factorColumns) header += "," + CsvField(column);
    return header +
           ",test,samples,rejections,rate,mc_se,ci_low,ci_high,verdict,band_reading,statistic,df1,"
           "df2,p_value";
}

std::vector<std::string> TestRowCells(const StudyOutcome& outcome) {
    std::vector<std::string> rows;
    if (!outcome.hasResults()) return rows;
    for (const TestRate& rate : outcome.testRates) {
        std::string row(MeanTestName(rate.test));
        row += "," + std::to_string(rate.samples) + "," + std::to_string(rate.rejections);
        if (rate.error) {
            row += "," + Number(rate.error->proportion) + "," + Number(rate.error->standardError) +
                   "," + Number(rate.error->interval.low) + "," + Number(rate.error->interval.high);
        } else {
            row += ",,,,";
        }
        row += std::string(",") + VerdictKeyword(rate.verdict) + "," + CsvField(rate.bandReading);
        if (rate.single && rate.single->computed()) {
            const MeanTestResult& r = *rate.single;
            row += "," + Number(r.statistic) + "," + Number(r.df1) + "," +
                   (r.dfCount == 2 ? Number(r.df2) : std::string()) + "," + Number(r.pValue);
        } else {
            row += ",,,,";
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string PackedTestRows(const std::vector<std::string>& rows) {
    std::string packed;
    for (const std::string& row : rows) packed += row + "\n";
    // Always quoted, so that a condition without rows is a field too.
    std::string field = "\"";
    for (const char c : packed) field += c == '"' ? std::string("\"\"") : std::string(1, c);
    return field + "\"";
}

std::optional<std::string> UnpackedTestsCsv(std::string_view merged) {
    std::vector<CsvRecord> records;
    if (ParseCsv(merged, records) || records.empty()) return std::nullopt;
    const std::vector<std::string>& header = records.front().fields;
    const auto test = std::find(header.begin(), header.end(), "test");
    if (test == header.end() || std::next(test) == header.end() || *std::next(test) != "samples")
        return std::nullopt;
    const std::size_t lineEnd = merged.find("\r\n");
    std::string csv(merged.substr(0, lineEnd == std::string_view::npos ? 0 : lineEnd + 2));
    for (std::size_t r = 1; r < records.size(); ++r) {
        if (records[r].fields.size() != 1) return std::nullopt;
        std::string_view rows = records[r].fields[0];
        while (!rows.empty()) {
            const std::size_t end = rows.find('\n');
            if (end == std::string_view::npos) return std::nullopt;
            csv += std::string(rows.substr(0, end)) + "\r\n";
            rows.remove_prefix(end + 1);
        }
    }
    return csv;
}

std::string JoinConditionCells(const std::string& summaryCells,
                               const std::vector<std::string>& testRows) {
    std::string joined = summaryCells;
    for (const std::string& row : testRows) joined += kRecordSeparator + row;
    return joined;
}

std::string SplitConditionCells(const std::string& joined, std::vector<std::string>& testRows) {
    testRows.clear();
    std::size_t end = joined.find(kRecordSeparator);
    const std::string summary = joined.substr(0, end);
    while (end != std::string::npos) {
        const std::size_t start = end + 1;
        end = joined.find(kRecordSeparator, start);
        testRows.push_back(joined.substr(start, end == std::string::npos ? end : end - start));
    }
    return summary;
}

}  // namespace velmor::batch
