#include "app/details_charts.hpp"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QFont>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QLogValueAxis>
#include <QPen>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <vector>

namespace velmor::app {

namespace {

// Three colours that stay apart for readers with a colour-vision deficiency.
const QColor kGroupColours[] = {QColor(0, 114, 178), QColor(230, 159, 0), QColor(0, 158, 115)};
const QColor kEstimateColour(128, 0, 0);
const QColor kTheoryColour(0, 0, 128);
const QColor kTargetColour(128, 0, 128);

// The Monte Carlo estimates of a plot: filled markers in the estimate colour.
QScatterSeries* EstimateMarkers(const QString& name, double size) {
    auto* markers = new QScatterSeries;
    markers->setName(name);
    markers->setMarkerSize(size);
    markers->setColor(kEstimateColour);
    markers->setBorderColor(kEstimateColour);
    return markers;
}

// Type sizes for the charts, in pixels: the window's 11-pixel type for axis
// labels and legend, a little larger for titles.
constexpr int kLabelPixels = 11;
constexpr int kTitlePixels = 13;

QFont Font(int pixels, bool bold = false) {
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void Clear(QChart& chart) {
    chart.removeAllSeries();
    for (QAbstractAxis* axis : chart.axes()) {
        chart.removeAxis(axis);
        delete axis;
    }
    chart.setTitleFont(Font(kTitlePixels, true));
    chart.legend()->setFont(Font(kLabelPixels));
    chart.legend()->setAlignment(Qt::AlignBottom);
    chart.legend()->setVisible(true);
}

QValueAxis* ValueAxis(const QString& title, double min, double max) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setTitleFont(Font(kLabelPixels, true));
    axis->setLabelsFont(Font(kLabelPixels));
    axis->setRange(min, max);
    return axis;
}

// Ticks at multiples of `step` inside the axis's range, labelled with as
// many decimals as the step needs; the range stays as given.
void TicksEvery(QValueAxis& axis, double step) {
    if (!(step > 0.0)) return;
    axis.setTickType(QValueAxis::TicksDynamic);
    axis.setTickAnchor(0.0);
    axis.setTickInterval(step);
    int decimals = 0;
    while (decimals < 6 && std::abs(step * std::pow(10.0, decimals) -
                                    std::round(step * std::pow(10.0, decimals))) > 1e-9)
        ++decimals;
    axis.setLabelFormat(QStringLiteral("%.") + QString::number(decimals) + QStringLiteral("f"));
}

QLineSeries* Line(const std::vector<PlotPoint>& points) {
    auto* series = new QLineSeries;
    QList<QPointF> list;
    list.reserve(static_cast<qsizetype>(points.size()));
    for (const PlotPoint& p : points) list.append(QPointF(p.x, p.y));
    series->replace(list);
    return series;
}

void Attach(QChart& chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y) {
    chart.addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

void HideFromLegend(QChart& chart, QAbstractSeries* series) {
    for (QLegendMarker* marker : chart.legend()->markers(series)) marker->setVisible(false);
}

}  // namespace

QString HistogramSeriesName(int group) {
    return QStringLiteral("Group %1 means").arg(group);
}

QString NormalCurveSeriesName(int group) {
    return QStringLiteral("Group %1 theory").arg(group);
}

void DrawNothing(QChart& chart, const QString& title) {
    Clear(chart);
    chart.setTitle(title);
    chart.legend()->setVisible(false);
}

void DrawMeansHistogram(QChart& chart, const MeansHistogram& h) {
    if (h.keptMeans == 0) {
        DrawNothing(chart,
                    QStringLiteral("No means were kept: set Number of means to Keep above 0"));
        return;
    }
    Clear(chart);
    chart.setTitle(QStringLiteral("Sampling distributions of the group means (%1 means per group)")
                       .arg(QLocale(QLocale::English).toString(h.keptMeans)));
    QValueAxis* x = ValueAxis(QStringLiteral("Mean of a sample"), h.range.xMin, h.range.xMax);
    QValueAxis* y = ValueAxis(QStringLiteral("Density"), 0.0, h.range.yMax);
    // The x axis fits the means and curves exactly; widening it to round
    // numbers could double its span.
    TicksEvery(*x, h.range.xStep);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%.1f"));
    chart.addAxis(x, Qt::AlignBottom);
    chart.addAxis(y, Qt::AlignLeft);
    // Six entries: beside the plot they keep their whole names.
    chart.legend()->setAlignment(Qt::AlignRight);
    for (const GroupHistogram& g : h.groups) {
        const QColor colour = kGroupColours[g.group - 1];
        QLineSeries* outline = Line(g.outline);
        auto* bars = new QAreaSeries(outline);
        outline->setParent(bars);
        bars->setName(HistogramSeriesName(g.group));
        QColor fill = colour;
        fill.setAlpha(70);
        bars->setBrush(fill);
        bars->setPen(QPen(colour, 1.0));
        Attach(chart, bars, x, y);
    }
    // Curves over the bars, so that none is hidden by a later group's fill.
    for (const GroupHistogram& g : h.groups) {
        if (g.normalCurve.empty()) continue;
        QLineSeries* curve = Line(g.normalCurve);
        curve->setName(NormalCurveSeriesName(g.group));
        curve->setPen(QPen(kGroupColours[g.group - 1].darker(140), 2.0, Qt::DashLine));
        Attach(chart, curve, x, y);
    }
}

void DrawPowerCurve(QChart& chart, const PowerCurve& curve) {
    if (curve.trials.empty()) {
        DrawNothing(chart,
                    QStringLiteral("The power curve follows a sample-size search (F7, F8, F9)"));
        return;
    }
    Clear(chart);
    chart.setTitle(QStringLiteral("Power of the search's trials, target %1")
                       .arg(QString::number(curve.target, 'f', 2)));
    const QString sizeTitle = curve.unequalSizes
                                  ? QStringLiteral("Group 1 size (groups 2 and 3 by ratio)")
                                  : QStringLiteral("Group size");
    QAbstractAxis* x = nullptr;
    if (curve.logarithmicSizes) {
        auto* log = new QLogValueAxis;
        log->setBase(2.0);
        log->setLabelFormat(QStringLiteral("%.0f"));
        log->setTitleText(sizeTitle + QStringLiteral(", logarithmic"));
        log->setTitleFont(Font(kLabelPixels, true));
        log->setLabelsFont(Font(kLabelPixels));
        log->setRange(curve.range.xMin, curve.range.xMax);
        x = log;
    } else {
        x = ValueAxis(sizeTitle, curve.range.xMin, curve.range.xMax);
        static_cast<QValueAxis*>(x)->setLabelFormat(QStringLiteral("%.0f"));
    }
    QValueAxis* y = ValueAxis(QStringLiteral("Power"), curve.range.yMin, curve.range.yMax);
    TicksEvery(*y, curve.range.yStep);
    chart.addAxis(x, Qt::AlignBottom);
    chart.addAxis(y, Qt::AlignLeft);

    if (!curve.normalTheory.empty()) {
        QLineSeries* theory = Line(curve.normalTheory);
        theory->setName(QStringLiteral("Normal theory"));
        theory->setPen(QPen(kTheoryColour, 2.0));
        Attach(chart, theory, x, y);
    }
    QLineSeries* target =
        Line({{curve.range.xMin, curve.target}, {curve.range.xMax, curve.target}});
    target->setName(QStringLiteral("Target %1").arg(QString::number(curve.target, 'f', 2)));
    target->setPen(QPen(kTargetColour, 1.5, Qt::DashLine));
    Attach(chart, target, x, y);

    QScatterSeries* points =
        EstimateMarkers(QStringLiteral("Monte Carlo power with 95% interval"), 7.0);
    for (const TrialMark& m : curve.trials) {
        points->append(m.sizes[0], m.power);
        QLineSeries* bar =
            Line({{double(m.sizes[0]), m.interval.low}, {double(m.sizes[0]), m.interval.high}});
        bar->setName(QStringLiteral("Trial %1 interval").arg(m.number));
        bar->setPen(QPen(kEstimateColour, 1.0));
        Attach(chart, bar, x, y);
        HideFromLegend(chart, bar);
    }
    Attach(chart, points, x, y);
}

void DrawIntervalPicture(QChart& chart, const IntervalPicture& picture) {
    Clear(chart);
    chart.setTitle(QString::fromStdString(picture.title));
    QValueAxis* x = ValueAxis(QString::fromStdString(picture.axisTitle), picture.range.xMin,
                              picture.range.xMax);
    x->setLabelFormat(picture.range.xMax - picture.range.xMin < 0.05 ? QStringLiteral("%.4f")
                                                                     : QStringLiteral("%.3f"));
    x->applyNiceNumbers();
    QValueAxis* y = ValueAxis(QString(), 0.0, 1.0);
    y->setVisible(false);
    // Five entries with their numbers: beside the plot they keep them whole.
    chart.legend()->setAlignment(Qt::AlignRight);
    chart.addAxis(x, Qt::AlignBottom);
    chart.addAxis(y, Qt::AlignLeft);

    // Bands as shaded columns, the widest first.
    const QColor bandColours[] = {QColor(0, 158, 115, 45), QColor(0, 158, 115, 90)};
    int shade = 0;
    for (const ShadedBand& band : picture.bands) {
        QLineSeries* top = Line({{band.lower, 1.0}, {band.upper, 1.0}});
        QLineSeries* bottom = Line({{band.lower, 0.0}, {band.upper, 0.0}});
        auto* area = new QAreaSeries(top, bottom);
        top->setParent(area);
        bottom->setParent(area);
        // The edges are on the axis and in the numbers; the legend names the band.
        area->setName(QString::fromStdString(band.label));
        area->setBrush(bandColours[std::min(shade++, 1)]);
        area->setPen(QPen(QColor(0, 110, 80), 1.0));
        Attach(chart, area, x, y);
    }
    for (const ReferenceMark& mark : picture.references) {
        QLineSeries* line = Line({{mark.value, 0.0}, {mark.value, 1.0}});
        line->setName(QString::fromStdString(mark.label));
        line->setPen(QPen(kTheoryColour, 2.0, Qt::DashLine));
        Attach(chart, line, x, y);
    }
    // The interval as a bar with end caps, the estimate as a point on it.
    const double lo = picture.interval.low;
    const double hi = picture.interval.high;
    QLineSeries* bar = Line({{lo, 0.42}, {lo, 0.58}, {lo, 0.5}, {hi, 0.5}, {hi, 0.58}, {hi, 0.42}});
    bar->setName(QStringLiteral("95% interval %1 to %2")
                     .arg(QString::number(lo, 'f', 4), QString::number(hi, 'f', 4)));
    bar->setPen(QPen(kEstimateColour, 2.0));
    Attach(chart, bar, x, y);
    QScatterSeries* point = EstimateMarkers(QString::fromStdString(picture.estimateLabel), 10.0);
    point->append(picture.estimate, 0.5);
    Attach(chart, point, x, y);
}

void DrawTestRates(QChart& chart, const TestRatesPicture& picture) {
    Clear(chart);
    chart.setTitle(QString::fromStdString(picture.title));
    QValueAxis* x = ValueAxis(QString::fromStdString(picture.axisTitle), picture.range.xMin,
                              picture.range.xMax);
    x->setLabelFormat(picture.range.xMax - picture.range.xMin < 0.05 ? QStringLiteral("%.4f")
                                                                     : QStringLiteral("%.3f"));
    x->applyNiceNumbers();
    // The tests' names stand on the vertical axis, each at its own row.
    auto* y = new QCategoryAxis;
    y->setLabelsFont(Font(kLabelPixels));
    y->setRange(picture.range.yMin, picture.range.yMax);
    y->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    y->setGridLineVisible(false);
    // A category axis takes its categories from the lowest up.
    std::vector<const TestRateMark*> upwards;
    for (const TestRateMark& mark : picture.marks) upwards.push_back(&mark);
    std::sort(upwards.begin(), upwards.end(), [](const TestRateMark* a, const TestRateMark* b) {
        return a->position < b->position;
    });
    for (const TestRateMark* mark : upwards)
        y->append(QString::fromStdString(mark->label), mark->position);
    // Four entries with long names: beside the plot they keep them whole.
    chart.legend()->setAlignment(Qt::AlignRight);
    chart.addAxis(x, Qt::AlignBottom);
    chart.addAxis(y, Qt::AlignLeft);

    // Bands as shaded columns across every test, the widest first.
    const QColor bandColours[] = {QColor(0, 158, 115, 45), QColor(0, 158, 115, 90)};
    int shade = 0;
    for (const ShadedBand& band : picture.bands) {
        QLineSeries* top =
            Line({{band.lower, picture.range.yMax}, {band.upper, picture.range.yMax}});
        QLineSeries* bottom =
            Line({{band.lower, picture.range.yMin}, {band.upper, picture.range.yMin}});
        auto* area = new QAreaSeries(top, bottom);
        top->setParent(area);
        bottom->setParent(area);
        area->setName(QString::fromStdString(band.label));
        area->setBrush(bandColours[std::min(shade++, 1)]);
        area->setPen(QPen(QColor(0, 110, 80), 1.0));
        Attach(chart, area, x, y);
    }
    for (const ReferenceMark& mark : picture.references) {
        QLineSeries* line =
            Line({{mark.value, picture.range.yMin}, {mark.value, picture.range.yMax}});
        line->setName(QString::fromStdString(mark.label));
        line->setPen(QPen(kTheoryColour, 2.0, Qt::DashLine));
        Attach(chart, line, x, y);
    }
    // Each interval as a bar with end caps, one legend entry for them all.
    QScatterSeries* points = EstimateMarkers(QStringLiteral("Rate, 95% interval"), 9.0);
    for (const TestRateMark& mark : picture.marks) {
        const double lo = mark.interval.low;
        const double hi = mark.interval.high;
        const double at = mark.position;
        QLineSeries* bar = Line({{lo, at - 0.15},
                                 {lo, at + 0.15},
                                 {lo, at},
                                 {hi, at},
                                 {hi, at + 0.15},
                                 {hi, at - 0.15}});
        bar->setName(QString::fromStdString(mark.label) + QStringLiteral(" interval"));
        bar->setPen(QPen(kEstimateColour, 2.0));
        Attach(chart, bar, x, y);
        HideFromLegend(chart, bar);
        points->append(mark.rate, at);
    }
    Attach(chart, points, x, y);
}

}  // namespace velmor::app
