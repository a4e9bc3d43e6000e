// The report's table of the tests run beside F on the same samples.

#include <cstdio>
#include <string>

#include "analysis/added_report_section.hpp"
#include "analysis/test_rates.hpp"
#include "run/number_format.hpp"

namespace velmor {

namespace {

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string NumberOrDash(double x) {
    return x == x ? ShortestRoundTrip(x) : std::string("-");
}

}  // namespace

void WriteTestsReportPart(const RunState& state, std::vector<std::string>& lines) {
    const std::vector<TestRate> rates = DescribeTestRates(state);
    if (rates.empty()) return;
    const double alpha = state.settings.alpha;
    if (rates.front().single) {
        lines.push_back("Tests of equal means on this sample (nominal alpha " +
                        FormatGeneral(alpha) + ")");
        lines.push_back(
            "Test              Statistic               df1   df2                     p");
        for (const TestRate& rate : rates) {
            const MeanTestResult& r = *rate.single;
            std::string row = Padded(std::string(MeanTestName(rate.test)), 18);
            if (!r.computed()) {
                lines.push_back(row + "not defined on these data");
                continue;
            }
            row += Padded(NumberOrDash(r.statistic), 24);
            row += Padded(NumberOrDash(r.df1), 6);
            row += Padded(r.dfCount == 2 ? NumberOrDash(r.df2) : std::string("-"), 24);
            lines.push_back(row + NumberOrDash(r.pValue));
        }
        lines.emplace_back("");
        return;
    }

    const bool nullIsTrue = state.flags.nullIsTrue;
    const int decimals = nullIsTrue ? DecimalsForAlpha(alpha) : 4;
    lines.push_back(std::string(nullIsTrue ? "Actual alpha" : "Actual power") +
                    " of each test on the same " + GroupedCount(rates.front().samples) +
                    " samples (nominal alpha " + FormatGeneral(alpha) +
                    "; 95% Clopper-Pearson intervals)");
    lines.push_back(
        "Test              Rejections  Rate      MC SE     95% interval         Verdict");
    for (const TestRate& rate : rates) {
        const MonteCarloError& e = *rate.error;
        std::string row = Padded(std::string(MeanTestName(rate.test)), 18);
        row += Padded(std::to_string(rate.rejections), 12);
        row += Padded(FormatFixed(e.proportion, 6, decimals), 10);
        row += Padded(FormatFixed(e.standardError, 6, decimals), 10);
        row += Padded(FormatFixed(e.interval.low, 6, decimals) + " to " +
                          FormatFixed(e.interval.high, 6, decimals),
                      21);
        row += VerdictKeyword(rate.verdict);
        lines.push_back(row);
    }
    for (const TestRate& rate : rates) {
        if (!rate.bandReading.empty())
            lines.push_back(Padded(std::string(MeanTestName(rate.test)), 18) + rate.bandReading);
    }
    for (const TestRate& rate : rates) {
        if (rate.notComputed > 0)
            lines.push_back(std::string(MeanTestName(rate.test)) + " was not defined on " +
                            GroupedCount(rate.notComputed) +
                            " samples (a group without variance after trimming, or all "
                            "scores tied); they count as non-rejections.");
    }
    lines.emplace_back("");
}

}  // namespace velmor
