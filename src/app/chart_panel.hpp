#pragma once
// One chart of the Details window with its own buttons: save it as a PNG or
// SVG file, or copy it to the clipboard as a picture.

#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>

class QChart;
class QChartView;
class QPushButton;

namespace velmor::app {

class ChartPanel : public QWidget {
    Q_OBJECT
  public:
    // `fileStem` begins the file name the save dialog proposes.
    ChartPanel(const QString& fileStem, QWidget* parent = nullptr);

    QChart* chart() const;
    QChartView* chartView() const { return view_; }
    // The seed or other text that ends the proposed file name.
    void setFileSuffix(const QString& suffix) { fileSuffix_ = suffix; }
    QString proposedFileName() const;

    // Whether the chart shows data. Saving or copying a chart that only says
    // there is nothing to draw makes a blank picture: both wait for data.
    void setPlotted(bool plotted);
    bool plotted() const { return plotted_; }

    // The size of the saved picture in pixels; empty: the size as drawn.
    void setImageSize(const QSize& size) { imageSize_ = size; }
    QSize imageSize() const { return imageSize_; }

    // Writes the chart at the image size (laid out anew for it, not scaled):
    // SVG when the path ends in .svg, PNG otherwise. On failure returns
    // false with the reason in `error`.
    bool saveTo(const QString& path, QString* error) const;
    // The chart as a picture on the clipboard.
    void copyToClipboard() const;

    // Replaces the save dialog (tests, tools): given the proposed name,
    // returns the chosen path, or an empty text for cancel.
    using SaveChooser = std::function<QString(const QString& proposed)>;
    void setSaveChooser(SaveChooser chooser) { saveChooser_ = std::move(chooser); }

    // Asks for a file name and saves; a failure is reported in a message box.
    void saveAs();

  private:
    // The chart drawn at `size` by `paint`, then given back its own size.
    template <class Paint>
    void renderAt(const QSize& size, Paint&& paint) const;

    QChartView* view_;
    QPushButton* save_;
    QPushButton* copy_;
    bool plotted_ = false;
    QSize imageSize_;
    QString fileStem_;
    QString fileSuffix_;
    SaveChooser saveChooser_;
};

}  // namespace velmor::app
