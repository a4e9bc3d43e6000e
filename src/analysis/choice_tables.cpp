#include "analysis/choice_tables.hpp"

#include <algorithm>
#include <cmath>

#include "run/number_format.hpp"

namespace velmor {

namespace {

// A share of the data's span left free beside it, as the other plots leave.
constexpr double kMargin = 0.08;

std::string Fixed(double x, int decimals) {
    return FormatFixed(x, 6, decimals);
}

// A statistic or a degree of freedom of one sample: four decimals, or the
// whole number a df of the F test is.
std::string Figure(double x) {
    if (std::isnan(x)) return "";
    if (std::isfinite(x) && x == std::round(x) && std::fabs(x) < 1e9) return FormatFixed(x, 15, 0);
    return FormatFixed(x, 15, 4);
}

// A p-value to four decimals; one too small to show so reads "< 0.0001".
std::string PValue(double p) {
    if (std::isnan(p)) return "";
    return p < 0.00005 ? std::string("< 0.0001") : FormatFixed(p, 15, 4);
}

std::string WhyNotComputed(MeanTestStatus status) {
    switch (status) {
        case MeanTestStatus::Computed:
            return "";
        case MeanTestStatus::TooFewCases:
            return "not computed: too few cases";
        case MeanTestStatus::NoVariance:
            return "not computed: no variance";
        case MeanTestStatus::NotFinite:
            return "not computed: a score is not finite";
    }
    return "not computed";
}

}  // namespace

std::string MeanTestTitle(MeanTestKind kind) {
    switch (kind) {
        case MeanTestKind::F:
            return "F";
        case MeanTestKind::Welch:
            return "Welch";
        case MeanTestKind::BrownForsythe:
            return "Brown-Forsythe";
        case MeanTestKind::James:
            return "James";
        case MeanTestKind::AlexanderGovern:
            return "Alexander-Govern";
        case MeanTestKind::KruskalWallis:
            return "Kruskal-Wallis";
        case MeanTestKind::TrimmedWelch:
            return "Trimmed Welch (20%)";
    }
    return "";
}

TextTable TestRatesTable(const std::vector<TestRate>& rates, double alpha, bool equalMeans) {
    TextTable table;
    const bool single =
        !rates.empty() && std::all_of(rates.begin(), rates.end(),
                                      [](const TestRate& r) { return r.single.has_value(); });
    if (single) {
        table.columns = {"Test", "Statistic", "df1", "df2", "p"};
        for (const TestRate& r : rates) {
            const MeanTestResult& t = *r.single;
            if (!t.computed()) {
                table.rows.push_back({MeanTestTitle(r.test), WhyNotComputed(t.status), "", "", ""});
                continue;
            }
            table.rows.push_back({MeanTestTitle(r.test), Figure(t.statistic),
                                  t.dfCount >= 1 ? Figure(t.df1) : "",
                                  t.dfCount >= 2 ? Figure(t.df2) : "", PValue(t.pValue)});
        }
        return table;
    }
    const bool anyNotComputed = std::any_of(rates.begin(), rates.end(),
                                            [](const TestRate& r) { return r.notComputed > 0; });
    table.columns = {"Test", "Samples", "Rejections", "Rate", "MC SE", "95% interval"};
    if (anyNotComputed) table.columns.push_back("Not computed");
    table.columns.push_back("Verdict");
    // Only an actual alpha is read against the bands.
    if (equalMeans) table.columns.push_back("Band reading");
    const int decimals = equalMeans ? DecimalsForAlpha(alpha) : 4;
    for (const TestRate& r : rates) {
        std::vector<std::string> row{MeanTestTitle(r.test), GroupedCount(r.samples),
                                     GroupedCount(r.rejections)};
        if (r.error) {
            row.push_back(Fixed(r.error->proportion, decimals));
            row.push_back(Fixed(r.error->standardError, decimals));
            row.push_back(Fixed(r.error->interval.low, decimals) + " to " +
                          Fixed(r.error->interval.high, decimals));
        } else {
            // No sample on which the test could be computed: no rate.
            row.insert(row.end(), {"", "", ""});
        }
        if (anyNotComputed) row.push_back(GroupedCount(r.notComputed));
        row.push_back(r.verdict == Verdict::None ? std::string() : VerdictKeyword(r.verdict));
        if (equalMeans) row.push_back(r.bandReading);
        table.rows.push_back(std::move(row));
    }
    return table;
}

std::optional<TestRatesPicture> TestRatesPictureOf(const std::vector<TestRate>& rates, double alpha,
                                                   bool equalMeans) {
    std::vector<const TestRate*> shown;
    for (const TestRate& r : rates)
        if (r.error && !r.single) shown.push_back(&r);
    if (shown.empty()) return std::nullopt;

    TestRatesPicture picture;
    picture.title = equalMeans ? "Each test's actual alpha against the robustness bands"
                               : "Each test's actual power and its 95% interval";
    picture.axisTitle = equalMeans ? "Proportion of rejections (actual alpha)"
                                   : "Proportion of rejections (actual power)";
    double low = 1.0;
    double high = 0.0;
    const auto count = static_cast<double>(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const TestRate& r = *shown[i];
        picture.marks.push_back({MeanTestTitle(r.test), r.error->proportion, r.error->interval,
                                 count - 1.0 - static_cast<double>(i)});
        low = std::min(low, r.error->interval.low);
        high = std::max(high, r.error->interval.high);
    }
    if (equalMeans) {
        const RobustnessBand robey = RobeyBarcikowskiBand(alpha);
        const RobustnessBand bradley = BradleyBand(alpha);
        picture.bands.push_back({"Robey & Barcikowski, within 25%", robey.lower, robey.upper});
        picture.bands.push_back({"Bradley, within 10%", bradley.lower, bradley.upper});
        picture.references.push_back({"Nominal alpha " + FormatGeneral(alpha), alpha});
        low = std::min(low, robey.lower);
        high = std::max(high, robey.upper);
    }
    const double pad = high > low ? (high - low) * kMargin : 0.01;
    picture.range.xMin = std::max(0.0, low - pad);
    picture.range.xMax = std::min(1.0, high + pad);
    picture.range.yMin = -0.6;
    picture.range.yMax = count - 0.4;
    return picture;
}

TextTable AchievedShapeTable(const RunResult& result,
                             const std::array<std::optional<PopulationShape>, kGroups>& shapes) {
    TextTable table;
    // Kurtosis is excess kurtosis throughout, as the shapes are chosen.
    table.columns = {"Group",
                     "Shape",
                     "Target skewness",
                     "Achieved skewness",
                     "Target excess kurtosis",
                     "Achieved excess kurtosis",
                     "Scores"};
    for (int g = 0; g < kGroups; ++g) {
        const AchievedShape& a = result.achievedShape[g];
        if (!a.shaped) continue;
        table.rows.push_back(
            {std::to_string(g + 1), shapes[g] ? std::string(ShapeName(shapes[g]->family)) : "",
             Fixed(a.targetSkewness, 4), Fixed(a.skewness, 4), Fixed(a.targetKurtosis, 4),
             Fixed(a.kurtosis, 4), GroupedCount(a.scores)});
    }
    return table;
}

}  // namespace velmor
