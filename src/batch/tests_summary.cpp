#include "batch/tests_summary.hpp"

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
