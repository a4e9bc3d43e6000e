#include "app/chart_panel.hpp"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGraphicsScene>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QSvgGenerator>
#include <QVBoxLayout>

namespace velmor::app {

ChartPanel::ChartPanel(const QString& fileStem, QWidget* parent)
    : QWidget(parent), view_(new QChartView(new QChart)), fileStem_(fileStem) {
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(420, 300);
    view_->chart()->setAnimationOptions(QChart::NoAnimation);

    save_ = new QPushButton(tr("Save &Plot..."));
    save_->setObjectName(QStringLiteral("savePlot"));
    save_->setToolTip(tr("Save this plot as a PNG or SVG file"));
    copy_ = new QPushButton(tr("C&opy Plot"));
    copy_->setObjectName(QStringLiteral("copyPlot"));
    copy_->setToolTip(tr("Copy this plot to the clipboard as a picture"));
    connect(save_, &QPushButton::clicked, this, &ChartPanel::saveAs);
    connect(copy_, &QPushButton::clicked, this, &ChartPanel::copyToClipboard);
    setPlotted(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(copy_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);
}

QChart* ChartPanel::chart() const {
    return view_->chart();
}

QString ChartPanel::proposedFileName() const {
    return fileSuffix_.isEmpty()
               ? fileStem_ + QStringLiteral(".png")
               : fileStem_ + QLatin1Char('_') + fileSuffix_ + QStringLiteral(".png");
}

void ChartPanel::setPlotted(bool plotted) {
    plotted_ = plotted;
    save_->setEnabled(plotted);
    copy_->setEnabled(plotted);
}

template <class Paint>
void ChartPanel::renderAt(const QSize& size, Paint&& paint) const {
    QChart* c = chart();
    const QRectF drawn = c->geometry();
    // The chart lays itself out for the new size (type stays its size, the
    // plot area takes the room), is painted, and goes back to the view's size.
    c->setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
    paint(QRectF(QPointF(0, 0), QSizeF(size)));
    c->setGeometry(drawn);
}

bool ChartPanel::saveTo(const QString& path, QString* error) const {
    const QSize size = imageSize_.isValid() && !imageSize_.isEmpty() ? imageSize_ : view_->size();
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            *error = file.errorString();
            return false;
        }
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(chart()->title());
        QPainter painter(&svg);
        renderAt(size, [&](const QRectF& area) { view_->scene()->render(&painter, area, area); });
        painter.end();
        if (file.error() != QFileDevice::NoError) {
            *error = file.errorString();
            return false;
        }
        return true;
    }
    // The image writer says only that it failed; the file says why.
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = probe.errorString();
        return false;
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderAt(size, [&](const QRectF& area) { view_->scene()->render(&painter, area, area); });
    }
    if (!image.save(&probe, "PNG")) {
        *error = tr("the picture could not be written");
        return false;
    }
    return true;
}

void ChartPanel::copyToClipboard() const {
    if (!plotted_) return;
    QApplication::clipboard()->setImage(view_->grab().toImage());
}

void ChartPanel::saveAs() {
    if (!plotted_) return;
    QString path;
    if (saveChooser_) {
        path = saveChooser_(proposedFileName());
    } else {
        QFileDialog dialog(this, tr("Save Plot"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDirectory(QDir::current());
        dialog.setNameFilters({tr("PNG image (*.png)"), tr("SVG image (*.svg)")});
        dialog.setDefaultSuffix(QStringLiteral("png"));
        dialog.selectFile(proposedFileName());
        // The picture's size, below the file name: the chart as drawn unless
        // the user asks for another (a figure for a paper, a slide).
        const QSize start =
            imageSize_.isValid() && !imageSize_.isEmpty() ? imageSize_ : view_->size();
        auto* width = new QSpinBox;
        auto* height = new QSpinBox;
        for (QSpinBox* box : {width, height}) {
            box->setRange(200, 8000);
            box->setSuffix(tr(" px"));
        }
        width->setValue(start.width());
        height->setValue(start.height());
        auto* sizeRow = new QHBoxLayout;
        sizeRow->addWidget(width);
        sizeRow->addWidget(new QLabel(tr("by")));
        sizeRow->addWidget(height);
        sizeRow->addStretch();
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            const int row = grid->rowCount();
            auto* label = new QLabel(tr("Image si&ze:"));
            label->setBuddy(width);
            grid->addWidget(label, row, 0);
            grid->addLayout(sizeRow, row, 1, 1, grid->columnCount() - 1);
        }
        // The filter chosen decides the format of a name typed without one.
        connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            dialog.setDefaultSuffix(filter.contains(QStringLiteral("svg")) ? QStringLiteral("svg")
                                                                           : QStringLiteral("png"));
        });
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            path = dialog.selectedFiles().front();
            imageSize_ = QSize(width->value(), height->value());
        }
    }
    if (path.isEmpty()) return;
    QString error;
    if (!saveTo(path, &error))
        QMessageBox::warning(this, QStringLiteral("VELMOR"),
                             tr("The plot could not be saved to %1: %2").arg(path, error));
}

}  // namespace velmor::app
