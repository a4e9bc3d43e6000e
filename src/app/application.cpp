#include "app/application.hpp"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include "app/shapes_panel.hpp"
#include "program/shape_choices.hpp"
#include "run/run_controller.hpp"

namespace velmor::app {

void ConfigureToolkit(QApplication& application) {
    // The classic style: flat silver faces, sunken fields and captions set
    // into the frame of their box. It also paints the window in about a third
    // of the time the gradients of Fusion take, which a run's progress
    // updates notice. Fusion where the classic style is missing.
    QStyle* style = QStyleFactory::create(QStringLiteral("Windows"));
    if (!style) style = QStyleFactory::create(QStringLiteral("Fusion"));
    if (style) QApplication::setStyle(style);
    QPalette palette = QApplication::style()->standardPalette();
    palette.setColor(QPalette::Window, QColor(192, 192, 192));
    palette.setColor(QPalette::Button, QColor(192, 192, 192));
    QApplication::setPalette(palette);
    // Small sans-serif type. The narrower Helvetica-like faces keep the
    // captions inside boxes of about 200 pixels. One family, found here once:
    // a list of families would be resolved again on every repaint.
    QString family = QStringLiteral("Sans Serif");
    for (const char* candidate :
         {"Liberation Sans", "Arimo", "Arial", "Nimbus Sans", "Helvetica", "DejaVu Sans"}) {
        if (QFontDatabase::hasFamily(QLatin1String(candidate))) {
            family = QLatin1String(candidate);
            break;
        }
    }
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    QApplication::setFont(font);
    application.setApplicationName(QStringLiteral("VELMOR"));
    application.setQuitOnLastWindowClosed(true);
}

Application::Application() {
    program_ = std::make_unique<Program>(platform_);
    ui::WindowSet& models = program_->windows();
    MainWindowView::Commands commands;
    commands.pressShortcut = [this](std::string_view key) { return program_->pressShortcut(key); };
    commands.seedKeyPress = [this](bool character) { program_->txtseedKeyPress(character); };
    commands.commandInProgress = [this] { return program_->commandInProgress(); };
    // One flag stops both a run and a search.
    commands.stop = [this] { program_->run().btnStopRunClick(); };
    commands.chooseShapes = [this] {
        if (details_) details_->shapesPanel()->chooseShapes(mainWindow_.get());
    };
    mainWindow_ = std::make_unique<MainWindowView>(models.mainWindow, std::move(commands));
    about_ = std::make_unique<AboutDialog>(models.aboutBox, mainWindow_.get());
    run_ = std::make_unique<RunDialog>(models.runBox, mainWindow_.get());
    power_ = std::make_unique<PowerDialog>(models.powerBox, mainWindow_.get());
    user_ = std::make_unique<UserDialog>(models.userBox, mainWindow_.get());
    platform_.attach({mainWindow_.get(), about_.get(), run_.get(), power_.get(), user_.get()});
    details_ = std::make_unique<DetailsWindow>(*program_, mainWindow_.get());
    program_->setAnalysisObserver(
        {[this](Program::Analysis kind) { details_->analysisStarted(kind); },
         [this](Program::Analysis kind) { details_->analysisFinished(kind); },
         [this] {
             details_->resultsCleared();
             showShapeNote();
         }});
    QObject::connect(details_.get(), &DetailsWindow::shapesChanged, mainWindow_.get(),
                     [this] { showShapeNote(); });
    models.mainWindow.menu.Details1.setCommand([this] { details_->showAndRaise(); });
}

Application::~Application() {
    // The windows go before the models they mirror; the platform forgets them.
    platform_.attach({});
    program_->setAnalysisObserver({});
    program_->mainWindow().menu.Details1.setCommand({});
    details_.reset();
    user_.reset();
    power_.reset();
    run_.reset();
    about_.reset();
    mainWindow_.reset();
}

void Application::showShapeNote() {
    const GroupShapes& shapes = program_->state().choices.shapes;
    mainWindow_->showShapeNote(
        QString::fromStdString(ShapeNoteText(shapes)),
        QString::fromStdString(ShapedGroupsText(shapes)),
        // One line per group in the tip.
        QStringLiteral("Shapes:\n") + QString::fromStdString(ShapeChoiceText(shapes))
                                          .replace(QStringLiteral("; "), QStringLiteral("\n")));
}

void Application::show() {
    mainWindow_->show();
}

}  // namespace velmor::app
