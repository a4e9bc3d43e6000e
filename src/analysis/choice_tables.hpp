#pragma once
// What the Details window shows of the choices made beside the main window,
// as data: the table of the chosen tests' rates and its plot, and the table
// of the shaped groups' target and achieved moments. The front end only
// turns these into widgets and series.

#include <optional>
#include <string>
#include <vector>

#include "analysis/plot_data.hpp"
#include "analysis/test_rates.hpp"
#include "core/population_shape.hpp"
#include "run/run_result.hpp"

namespace velmor {

// The test as the window names it: "F", "Welch", "Brown-Forsythe", "James",
// "Alexander-Govern", "Kruskal-Wallis", "Trimmed Welch (20%)".
std::string MeanTestTitle(MeanTestKind kind);

// A table of text cells, one row per entry, every row as wide as `columns`.
struct TextTable {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

// The chosen tests' table. For a run of many samples: test, samples,
// rejections, rate, MC SE, 95% interval, verdict and, when the means are
// equal, band reading (a "Not computed" column joins them when some test
// could not be computed on some sample). For a run of one sample: test, statistic, df1, df2, p.
// Rates take the decimals of the robustness figures for `alpha` when the means are equal, four
// otherwise. Empty rows when `rates` is empty.
TextTable TestRatesTable(const std::vector<TestRate>& rates, double alpha, bool equalMeans);

// Each test's rate with its interval on one axis, the tests one above the
// other (F on top): against the two robustness bands and the nominal alpha
// when the means are equal, as power otherwise.
struct TestRateMark {
    std::string label;  // the test's title
    double rate = 0.0;
    ProportionInterval interval;
    double position = 0.0;  // on the tests' axis: F highest
};
struct TestRatesPicture {
    std::string title;
    std::string axisTitle;
    std::vector<TestRateMark> marks;
    std::vector<ShadedBand> bands;  // widest first; only with equal means
    std::vector<ReferenceMark> references;
    PlotRange range;  // x: the proportion; y: the tests' positions with room
};

// Nothing when no test has a rate (a run of one sample, no run, no tests).
std::optional<TestRatesPicture> TestRatesPictureOf(const std::vector<TestRate>& rates, double alpha,
                                                   bool equalMeans);

// The shaped groups of the last run: group, shape, target and achieved
// skewness and excess kurtosis, scores the moments are over. `shapes` are the
// shapes that run drew from (for their names); a group the result does not
// mark as shaped has no row.
TextTable AchievedShapeTable(const RunResult& result,
                             const std::array<std::optional<PopulationShape>, kGroups>& shapes);

}  // namespace velmor
