// The four secondary windows against their models alone: what they show, how
// they close and what result they give, and that their fields and buttons
// reach the model.

#include "app/dialogs.hpp"

#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app_fixture.hpp"

namespace velmor::testing {
namespace {

template <class W>
W* child(QWidget* dialog, const char* name) {
    W* w = dialog->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

class DialogsTest : public ::testing::Test {
  protected:
    void SetUp() override { TestToolkit(); }
};

TEST_F(DialogsTest, InformationShowsTheMemoAndOnlyOkClosesIt) {
    ui::RunBox model;
    app::RunDialog dialog(model, nullptr);
    model.control("Memo1").setText("SAMPLE SIZE must be greater than 1");
    QString text, band;
    bool escapeClosed = true, titleBarClosed = true;
    WhenModal([&](QWidget* modal) {
        EXPECT_EQ(modal, &dialog);
        text = child<QPlainTextEdit>(modal, "Memo1")->toPlainText();
        band = child<QLabel>(modal, "Panel1")->text();
        QTest::keyClick(modal, Qt::Key_Escape);
        escapeClosed = !modal->isVisible();
        modal->close();
        titleBarClosed = !modal->isVisible();
        QTest::keyClick(modal, Qt::Key_Enter);
    });
    EXPECT_EQ(dialog.showModal(), ui::ModalResult::Ok);
    EXPECT_EQ(text, QStringLiteral("SAMPLE SIZE must be greater than 1"));
    EXPECT_EQ(band, QStringLiteral("Run Status"));
    EXPECT_FALSE(escapeClosed);
    EXPECT_FALSE(titleBarClosed);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(DialogsTest, InformationMemoIsReadOnlyWhiteAndTakesNoFocus) {
    ui::RunBox model;
    app::RunDialog dialog(model, nullptr);
    auto* memo = child<QPlainTextEdit>(&dialog, "Memo1");
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(memo->palette().color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_TRUE(child<QPushButton>(&dialog, "BitBtn1")->isDefault());
    EXPECT_EQ(child<QLabel>(&dialog, "Panel1")->palette().color(QPalette::WindowText),
              QColor(0, 128, 0));
}

TEST_F(DialogsTest, SetPowerOkRunsTheModelsOkRuleWithTheTypedTextsThenCloses) {
    ui::PowerBox model;
    std::string powerAtOk, iterationsAtOk;
    int oks = 0;
    model.control("btnOK").setHandler([&] {
        ++oks;
        powerAtOk = model.control("txtPower").text();
        iterationsAtOk = model.control("ssiterations").text();
    });
    app::PowerDialog dialog(model, nullptr);
    WhenModal([&](QWidget* modal) {
        TypeInto(child<QLineEdit>(modal, "txtPower"), QStringLiteral("0.65"));
        TypeInto(child<QLineEdit>(modal, "ssiterations"), QStringLiteral("2000"));
        QTest::keyClick(child<QLineEdit>(modal, "ssiterations"), Qt::Key_Return);  // OK is default
    });
    EXPECT_EQ(dialog.showModal(), ui::ModalResult::Ok);
    EXPECT_EQ(oks, 1);
    EXPECT_EQ(powerAtOk, "0.65");
    EXPECT_EQ(iterationsAtOk, "2000");
}

TEST_F(DialogsTest, SetPowerEscapeCancelsWithoutTheOkRule) {
    ui::PowerBox model;
    int oks = 0, cancels = 0;
    model.control("btnOK").setHandler([&] { ++oks; });
    model.control("btnCancel").setHandler([&] { ++cancels; });
    app::PowerDialog dialog(model, nullptr);
    WhenModal([&](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(dialog.showModal(), ui::ModalResult::Cancel);
    EXPECT_EQ(oks, 0);
    EXPECT_EQ(cancels, 1);
    WhenModal([&](QWidget* modal) { child<QPushButton>(modal, "btnCancel")->click(); });
    EXPECT_EQ(dialog.showModal(), ui::ModalResult::Cancel);
    EXPECT_EQ(cancels, 2);
}

TEST_F(DialogsTest, SetPowerShowsWhatTheCommandWroteBeforeShowingIt) {
    ui::PowerBox model;
    app::PowerDialog dialog(model, nullptr);
    model.control("txtPower").setText("0.80");
    model.control("ssiterations").setText("5000");  // written just before showing
    QString iterations;
    WhenModal([&](QWidget* modal) {
        iterations = child<QLineEdit>(modal, "ssiterations")->text();
        child<QPushButton>(modal, "btnCancel")->click();
    });
    dialog.showModal();
    EXPECT_EQ(iterations, QStringLiteral("5000"));
}

TEST_F(DialogsTest, FixedDialogsHaveNoTitleBarButtonsAndTheViewerIsAnOrdinaryWindow) {
    ui::WindowSet models;
    app::AboutDialog about(models.aboutBox, nullptr);
    app::RunDialog run(models.runBox, nullptr);
    app::PowerDialog power(models.powerBox, nullptr);
    app::UserDialog user(models.userBox, nullptr);
    for (QDialog* fixed : std::initializer_list<QDialog*>{&about, &run, &power}) {
        EXPECT_TRUE(fixed->windowFlags() & Qt::CustomizeWindowHint)
            << fixed->objectName().toStdString();
        EXPECT_FALSE(fixed->windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_EQ(fixed->layout()->sizeConstraint(), QLayout::SetFixedSize);
    }
    EXPECT_FALSE(user.windowFlags() & Qt::CustomizeWindowHint);
    EXPECT_EQ(user.size(), QSize(500, 350));
    EXPECT_EQ(user.objectName(), QStringLiteral("TUserBox"));
    auto* memo = child<QPlainTextEdit>(&user, "Memo1");
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(memo->toPlainText().startsWith(QStringLiteral("LICENSE")));
}

TEST_F(DialogsTest, UserAgreementEditsStayInTheModelAcrossShowings) {
    ui::UserBox model;
    app::UserDialog dialog(model, nullptr);
    WhenModal([&](QWidget* modal) {
        auto* memo = child<QPlainTextEdit>(modal, "Memo1");
        memo->setFocus();
        memo->moveCursor(QTextCursor::Start);
        QTest::keyClicks(memo, QStringLiteral("NOTE "));
        modal->close();  // an ordinary window: its title bar closes it
    });
    dialog.showModal();
    EXPECT_EQ(model.control("Memo1").text().rfind("NOTE LICENSE", 0), 0u);
}

TEST_F(DialogsTest, AboutBoxShowsTheNameLargeOnAWhitePanel) {
    ui::AboutBox model;
    app::AboutDialog dialog(model, nullptr);
    auto* name = child<QLabel>(&dialog, "Panel6");
    EXPECT_EQ(name->text(), QStringLiteral(" VELMOR "));
    EXPECT_EQ(name->font().pixelSize(), 72);
    EXPECT_TRUE(name->font().underline());
    EXPECT_EQ(name->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    EXPECT_TRUE(child<QLabel>(&dialog, "Panel1")->font().bold());
    EXPECT_FALSE(child<QLabel>(&dialog, "Panel5")->font().bold());
    EXPECT_EQ(child<QLabel>(&dialog, "Panel5")->frameShadow(), QFrame::Sunken);
    QWidget* panel = child<QWidget>(&dialog, "whitePanel");
    EXPECT_TRUE(panel->autoFillBackground());
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(255, 255, 255));
    EXPECT_EQ(child<QPushButton>(&dialog, "BitBtn1")->text(), QStringLiteral("&Close"));
}

}  // namespace
}  // namespace velmor::testing
