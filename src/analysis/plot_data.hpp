#pragma once
// The plots of the Details window as data: every point a chart draws is
// computed here, without a toolkit, so it can be checked headless. The front
// end only turns these into series and axes.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/monte_carlo_error.hpp"
#include "core/group_settings.hpp"
#include "run/run_state.hpp"
#include "search/sample_size_search.hpp"

namespace velmor {

struct PlotPoint {
    double x = 0.0;
    double y = 0.0;
};

// Axis ranges a chart should show so that all of its data fits.
struct PlotRange {
    double xMin = 0.0;
    double xMax = 1.0;
    double yMin = 0.0;
    double yMax = 1.0;
    // Ticks at whole multiples of these steps inside the range; 0: the
    // chart chooses. The range itself is never widened to meet a tick.
    double xStep = 0.0;
    double yStep = 0.0;
};

// A step of 1, 2, 2.5 or 5 times a power of ten that cuts `span` into at
// most `mostTicks` parts: round tick values on an axis that fits the data.
double NiceStep(double span, int mostTicks);

// The kept means of one group as a density histogram (counts divided by the
// means kept and the bin width, so that it shares a scale with a density).
struct GroupHistogram {
    int group = 1;                       // 1..3
    std::vector<std::int32_t> counts;    // per bin
    std::vector<PlotPoint> outline;      // the bars' step outline, from 0 back to 0
    std::vector<PlotPoint> normalCurve;  // the theory's density of the mean; may be empty
    std::string curveNote;               // why there is no curve, when there is none
};

// Histograms of the three groups' kept means on one set of bins.
struct MeansHistogram {
    std::int32_t keptMeans = 0;  // means per group; 0: nothing to draw
    std::int32_t bins = 0;
    double binStart = 0.0;
    double binWidth = 0.0;
    std::array<GroupHistogram, kGroups> groups;
    PlotRange range;
};

// The number of bins for n values: 2 n^(1/3) (the Rice rule), 10 to 60.
std::int32_t HistogramBins(std::int32_t values);

// The kept means of the last run (keptMeansOfLastRun per group), with the
// normal curve of each group whose mean is exactly normal in theory.
MeansHistogram HistogramOfKeptMeans(const RunTallies& tallies, const RunSettings& settings);

// One trial of a sample-size search on the power curve.
struct TrialMark {
    int number = 1;  // 1-based, in the order run
    GroupSizes sizes{};
    std::int64_t samples = 0;  // completed replications
    double power = 0.0;        // the trial's proportion of rejections
    ProportionInterval interval;
    double normalTheory = -1.0;  // at the trial's sizes; below 0 when not available
};

// The power curve of a search over the group-1 size: the trials with their
// intervals, the normal-theory curve over the same sizes (groups 2 and 3 by
// the last trial's ratios, as the search moves them) and the target.
struct PowerCurve {
    std::vector<TrialMark> trials;
    std::vector<PlotPoint> normalTheory;  // empty when the theory does not hold
    std::string theoryNote;               // why, when empty
    double target = 0.0;                  // the power asked for
    bool unequalSizes = false;            // groups 2 and 3 follow group 1 by ratios
    // The bisection jumps across sizes from 2 to 2000 before it settles; on a
    // logarithmic size axis the settling sizes keep their room.
    bool logarithmicSizes = false;
    PlotRange range;  // xMin > 0 on a logarithmic axis
};

PowerCurve PowerCurveOf(const std::vector<SearchTrial>& trials, const RunSettings& settings,
                        double target);

// An estimate with its interval drawn against shaded bands and marked values:
// actual alpha against the two robustness bands, or actual power against its
// normal-theory value.
struct ShadedBand {
    std::string label;
    double lower = 0.0;
    double upper = 0.0;
};
struct ReferenceMark {
    std::string label;
    double value = 0.0;
};
struct IntervalPicture {
    std::string title;
    std::string axisTitle;
    std::string estimateLabel;
    double estimate = 0.0;
    ProportionInterval interval;
    std::vector<ShadedBand> bands;  // widest first, so narrower ones are drawn over it
    std::vector<ReferenceMark> references;
    PlotRange range;
};

// Actual alpha with its interval, Bradley's and Robey & Barcikowski's bands
// and nominal alpha.
IntervalPicture RobustnessPicture(const MonteCarloError& error, double alpha);
// Actual power with its interval and, when available, the normal-theory power.
IntervalPicture PowerPicture(const MonteCarloError& error, double normalTheoryPower,
                             bool theoryAvailable);

}  // namespace velmor
