#pragma once
// Draws the plot data of the analysis layer into Qt charts: the histograms of
// the kept means with their normal curves, a search's power curve, and an
// estimate with its interval against the robustness bands. Each function
// clears the chart and builds its series and axes anew; nothing is computed
// here beyond turning data into series.

#include <QString>

#include "analysis/choice_tables.hpp"
#include "analysis/plot_data.hpp"

class QChart;

namespace velmor::app {

// Series names, which the legend shows and tests look for.
QString HistogramSeriesName(int group);    // "Group 1 means"
QString NormalCurveSeriesName(int group);  // "Group 1 theory"

void DrawMeansHistogram(QChart& chart, const MeansHistogram& histogram);
void DrawPowerCurve(QChart& chart, const PowerCurve& curve);
void DrawIntervalPicture(QChart& chart, const IntervalPicture& picture);
// The chosen tests' rates one above the other, each with its interval.
void DrawTestRates(QChart& chart, const TestRatesPicture& picture);
// An empty chart whose title says why there is nothing to draw.
void DrawNothing(QChart& chart, const QString& title);

}  // namespace velmor::app
