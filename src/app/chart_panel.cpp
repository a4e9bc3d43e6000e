#include "app/chart_panel.hpp"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSvgGenerator>
#include <QVBoxLayout>

namespace velmor::app {

ChartPanel::ChartPanel(const QString& fileStem, QWidget* parent)
    : QWidget(parent), view_(new QChartView(new QChart)), fileStem_(fileStem) {
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(420, 300);
    view_->chart()->setAnimationOptions(QChart::NoAnimation);

    auto* save = new QPushButton(tr("Save &Plot..."));
    save->setToolTip(tr("Save this plot as a PNG or SVG file"));
    auto* copy = new QPushButton(tr("C&opy Plot"));
    copy->setToolTip(tr("Copy this plot to the clipboard as a picture"));
    connect(save, &QPushButton::clicked, this, &ChartPanel::saveAs);
    connect(copy, &QPushButton::clicked, this, &ChartPanel::copyToClipboard);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(copy);
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

bool ChartPanel::saveTo(const QString& path, QString* error) const {
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            *error = file.errorString();
            return false;
        }
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(view_->size());
        svg.setViewBox(QRect(QPoint(0, 0), view_->size()));
        svg.setTitle(chart()->title());
        QPainter painter(&svg);
        view_->render(&painter);
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
    if (!view_->grab().save(&probe, "PNG")) {
        *error = tr("the picture could not be written");
        return false;
    }
    return true;
}

void ChartPanel::copyToClipboard() const {
    QApplication::clipboard()->setImage(view_->grab().toImage());
}

void ChartPanel::saveAs() {
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
        // The filter chosen decides the format of a name typed without one.
        connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            dialog.setDefaultSuffix(filter.contains(QStringLiteral("svg")) ? QStringLiteral("svg")
                                                                           : QStringLiteral("png"));
        });
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().front();
    }
    if (path.isEmpty()) return;
    QString error;
    if (!saveTo(path, &error))
        QMessageBox::warning(this, QStringLiteral("VELMOR"),
                             tr("The plot could not be saved to %1: %2").arg(path, error));
}

}  // namespace velmor::app
