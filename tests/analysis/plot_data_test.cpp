// The plot data: histograms of kept means that are densities, normal curves
// where the theory is exact, a search's power curve and the interval picture.
#include "analysis/plot_data.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace velmor {
namespace {

RunSettings NormalGroups() {
    RunSettings s;
    for (GroupSettings& g : s.groups) g.distribution = Distribution::Normal;
    return s;
}

// Area under a step outline: the bars' heights times their widths.
double Area(const std::vector<PlotPoint>& outline) {
    double area = 0.0;
    for (std::size_t i = 1; i + 1 < outline.size(); i += 2)
        area += outline[i].y * (outline[i + 1].x - outline[i].x);
    return area;
}

TEST(PlotData, HistogramBinsFollowTheRiceRule) {
    EXPECT_EQ(HistogramBins(10000), 44);  // 2 x 21.54
    EXPECT_EQ(HistogramBins(1000), 20);
    EXPECT_EQ(HistogramBins(1), 10);
    EXPECT_EQ(HistogramBins(100000000), 60);
}

TEST(PlotData, HistogramIsADensityOnSharedBins) {
    RunTallies t;
    t.keptMeansOfLastRun = 1000;
    // Group g's means run evenly over [g, g + 1): a flat density of 1.
    for (int g = 0; g < kGroups; ++g)
        for (int i = 0; i < 1000; ++i) t.keptMeans[g][i] = g + (i + 0.5) / 1000.0;
    RunSettings s = NormalGroups();
    s.groups[1].distribution = Distribution::Uniform;
    s.groups[2].wholeNumbers = true;
    const MeansHistogram h = HistogramOfKeptMeans(t, s);
    EXPECT_EQ(h.keptMeans, 1000);
    EXPECT_EQ(h.bins, 20);
    EXPECT_DOUBLE_EQ(h.binStart, 0.0005);
    for (const GroupHistogram& g : h.groups) {
        EXPECT_EQ(std::accumulate(g.counts.begin(), g.counts.end(), 0), 1000);
        EXPECT_NEAR(Area(g.outline), 1.0, 1e-12);
        EXPECT_EQ(g.outline.front().y, 0.0);
        EXPECT_EQ(g.outline.back().y, 0.0);
        EXPECT_EQ(g.outline.size(), 2u * 20 + 2);
    }
    // The largest mean lies on the last edge and counts in the last bin.
    EXPECT_GT(h.groups[2].counts.back(), 0);
    EXPECT_EQ(h.groups[0].counts.back(), 0);
    // Only the plain normal group has a curve: N(0, 1/sqrt(16)) here.
    ASSERT_EQ(h.groups[0].normalCurve.size(), 161u);
    const PlotPoint peak = h.groups[0].normalCurve[80];
    EXPECT_NEAR(peak.x, 0.0, 1e-15);
    EXPECT_NEAR(peak.y, 4.0 / std::sqrt(2.0 * M_PI), 1e-12);
    EXPECT_TRUE(h.groups[1].normalCurve.empty());
    EXPECT_EQ(h.groups[1].curveNote, "uniform scores: the mean is only near normal");
    EXPECT_EQ(h.groups[2].curveNote, "bounded or rounded scores: no exact normal curve");
    EXPECT_LE(h.range.xMin, -1.0);  // the curve's reach, 4 SE below 0
    EXPECT_GE(h.range.yMax, peak.y);

    t.keptMeansOfLastRun = 0;
    EXPECT_EQ(HistogramOfKeptMeans(t, s).keptMeans, 0);
    EXPECT_TRUE(HistogramOfKeptMeans(t, s).groups[0].outline.empty());
}

TEST(PlotData, NiceStepsCutASpanIntoAtMostSoManyParts) {
    struct Row {
        double span;
        int most;
        double step;
    } rows[] = {{2.2, 8, 0.5},    {1.0, 8, 0.2},    {10.0, 5, 2.0}, {7.0, 8, 1.0},
                {0.03, 6, 0.005}, {250.0, 8, 50.0}, {0.0, 8, 0.0},  {1.0, 0, 0.0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.span);
        EXPECT_NEAR(NiceStep(r.span, r.most), r.step, r.step * 1e-12);
        if (r.step > 0.0) {
            EXPECT_LE(r.span / NiceStep(r.span, r.most), r.most + 1e-9);
        }
    }
}

// Means within +-1 (normal groups of 16 with SD 1: SE 0.25, curves to
// +-1) are drawn on an axis that hugs them, not one widened to -2..2.
TEST(PlotData, HistogramAxisFitsTheMeansAndCurves) {
    RunTallies t;
    t.keptMeansOfLastRun = 1000;
    for (int g = 0; g < kGroups; ++g)
        for (int i = 0; i < 1000; ++i) t.keptMeans[g][i] = -0.9 + 1.8 * i / 999.0 + 0.05 * g;
    const MeansHistogram h = HistogramOfKeptMeans(t, NormalGroups());
    EXPECT_LE(h.range.xMin, -1.0);
    EXPECT_GE(h.range.xMax, 1.0);
    EXPECT_GE(h.range.xMin, -1.1);
    EXPECT_LE(h.range.xMax, 1.1);
    EXPECT_GT(h.range.xStep, 0.0);
    EXPECT_GE((h.range.xMax - h.range.xMin) / h.range.xStep, 3.0);  // some ticks to read
}

TEST(PlotData, PowerCurveOfTrials) {
    RunSettings s = NormalGroups();
    s.groups[0].mean = 0.31;
    s.groups[2].mean = -0.31;
    const std::vector<SearchTrial> trials = {
        {{16, 16, 16}, 100, 100, 33, 0.33},
        {{60, 60, 60}, 500, 500, 430, 0.86},
        {{52, 52, 52}, 1000, 1000, 805, 0.805},
    };
    const PowerCurve c = PowerCurveOf(trials, s, kTargetPower80);
    ASSERT_EQ(c.trials.size(), 3u);
    EXPECT_EQ(c.trials[2].number, 3);
    EXPECT_NEAR(c.trials[2].normalTheory, 0.8071, 0.5e-4);
    EXPECT_EQ(c.trials[0].interval.low, ClopperPearsonInterval(33, 100).low);
    EXPECT_FALSE(c.unequalSizes);
    EXPECT_FALSE(c.logarithmicSizes);
    ASSERT_EQ(c.normalTheory.size(), 45u);  // sizes 16 to 60
    EXPECT_EQ(c.normalTheory[36].x, 52.0);
    EXPECT_NEAR(c.normalTheory[36].y, 0.8071, 0.5e-4);
    EXPECT_LT(c.range.xMin, 16.0);
    EXPECT_GT(c.range.xMax, 60.0);
    // A trial at power 1 (or 0) is drawn whole: the axis reaches past both.
    EXPECT_GE(c.range.yMax, 1.03);
    EXPECT_LE(c.range.yMin, -0.03);
    EXPECT_EQ(c.range.yStep, 0.2);

    // Unequal sizes follow group 1 by the last trial's ratios; a wide span
    // of sizes goes on a logarithmic axis.
    std::vector<SearchTrial> wide = {{{10, 20, 20}, 100, 100, 20, 0.2},
                                     {{500, 1000, 1000}, 100, 100, 100, 1.0}};
    const PowerCurve w = PowerCurveOf(wide, s, kTargetPower80);
    EXPECT_TRUE(w.unequalSizes);
    EXPECT_TRUE(w.logarithmicSizes);
    EXPECT_GT(w.range.xMin, 0.0);
    EXPECT_LE(w.normalTheory.size(), 401u);
    EXPECT_EQ(w.normalTheory.back().x, 500.0);

    // Without the theory there is no curve, and the reason.
    s.groups[0].hasMaximum = true;
    const PowerCurve none = PowerCurveOf(trials, s, kTargetPower80);
    EXPECT_TRUE(none.normalTheory.empty());
    EXPECT_EQ(none.theoryNote, "group 1 has a maximum possible score in force");
    EXPECT_LT(none.trials[0].normalTheory, 0.0);
}

TEST(PlotData, IntervalPictures) {
    const MonteCarloError e = *MonteCarloErrorOf(520, 10000);
    const IntervalPicture r = RobustnessPicture(e, 0.05);
    ASSERT_EQ(r.bands.size(), 2u);
    EXPECT_EQ(r.bands[0].label, "Robey & Barcikowski, within 25%");  // the widest first
    EXPECT_EQ(r.bands[1].lower, 0.045);
    EXPECT_EQ(r.references[0].label, "Nominal alpha 0.05");
    EXPECT_EQ(r.estimateLabel, "Actual alpha 0.0520");
    EXPECT_LT(r.range.xMin, 0.0375);
    EXPECT_GT(r.range.xMax, 0.0625);

    const IntervalPicture p = PowerPicture(*MonteCarloErrorOf(3095, 10000), 0.3098, true);
    EXPECT_TRUE(p.bands.empty());
    EXPECT_EQ(p.references[0].value, 0.3098);
    EXPECT_LT(p.range.xMin, p.interval.low);
    EXPECT_GT(p.range.xMax, p.interval.high);
    EXPECT_TRUE(PowerPicture(*MonteCarloErrorOf(3095, 10000), 0.0, false).references.empty());
    // An interval at 1 keeps the axis within the proportions.
    EXPECT_LE(PowerPicture(*MonteCarloErrorOf(100, 100), 0.999, true).range.xMax, 1.0);
}

}  // namespace
}  // namespace velmor
