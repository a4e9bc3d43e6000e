#pragma once
// One chart of the Details window with its own buttons: save it as a PNG or
// SVG file, or copy it to the clipboard as a picture.

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

    // Writes the chart as drawn now: SVG when the path ends in .svg, PNG
    // otherwise. On failure returns false with the reason in `error`.
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
    QChartView* view_;
    QString fileStem_;
    QString fileSuffix_;
    SaveChooser saveChooser_;
};

}  // namespace velmor::app
