#include "app/key_text.hpp"

#include <gtest/gtest.h>

namespace velmor::app {
namespace {

TEST(ShortcutText, FunctionKeysAloneAndWithCtrl) {
    EXPECT_EQ(ShortcutText(Qt::Key_F1, Qt::NoModifier), "F1");
    EXPECT_EQ(ShortcutText(Qt::Key_F5, Qt::NoModifier), "F5");
    EXPECT_EQ(ShortcutText(Qt::Key_F12, Qt::NoModifier), "F12");
    EXPECT_EQ(ShortcutText(Qt::Key_F4, Qt::ControlModifier), "Ctrl+F4");
    EXPECT_EQ(ShortcutText(Qt::Key_F9, Qt::ControlModifier), "Ctrl+F9");
    // The keypad flag comes with some keys and changes nothing.
    EXPECT_EQ(ShortcutText(Qt::Key_F7, Qt::KeypadModifier), "F7");
}

TEST(ShortcutText, CtrlLettersInCapitals) {
    EXPECT_EQ(ShortcutText(Qt::Key_S, Qt::ControlModifier), "Ctrl+S");
    EXPECT_EQ(ShortcutText(Qt::Key_A, Qt::ControlModifier), "Ctrl+A");
    EXPECT_EQ(ShortcutText(Qt::Key_Z, Qt::ControlModifier), "Ctrl+Z");
}

TEST(ShortcutText, OtherCombinationsAreNoShortcut) {
    EXPECT_EQ(ShortcutText(Qt::Key_S, Qt::NoModifier), "");
    EXPECT_EQ(ShortcutText(Qt::Key_F5, Qt::ShiftModifier), "");
    EXPECT_EQ(ShortcutText(Qt::Key_F4, Qt::AltModifier), "");
    EXPECT_EQ(ShortcutText(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier), "");
    EXPECT_EQ(ShortcutText(Qt::Key_1, Qt::ControlModifier), "");
    EXPECT_EQ(ShortcutText(Qt::Key_F13, Qt::NoModifier), "");
    EXPECT_EQ(ShortcutText(Qt::Key_Return, Qt::NoModifier), "");
}

TEST(ProducesCharacter, PrintableBackspaceAndCtrlLetters) {
    EXPECT_TRUE(ProducesCharacter(Qt::Key_7, Qt::NoModifier, QStringLiteral("7")));
    EXPECT_TRUE(ProducesCharacter(Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A")));
    EXPECT_TRUE(ProducesCharacter(Qt::Key_Minus, Qt::NoModifier, QStringLiteral("-")));
    EXPECT_TRUE(ProducesCharacter(Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ")));
    EXPECT_TRUE(ProducesCharacter(Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b")));
    // Ctrl+V whether or not the platform attaches its control character.
    EXPECT_TRUE(ProducesCharacter(Qt::Key_V, Qt::ControlModifier, QString()));
    EXPECT_TRUE(ProducesCharacter(Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16")));
}

TEST(ProducesCharacter, NavigationAndEditingKeysProduceNone) {
    EXPECT_FALSE(ProducesCharacter(Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f")));
    EXPECT_FALSE(ProducesCharacter(Qt::Key_Left, Qt::NoModifier, QString()));
    EXPECT_FALSE(ProducesCharacter(Qt::Key_Home, Qt::ShiftModifier, QString()));
    EXPECT_FALSE(ProducesCharacter(Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t")));
    EXPECT_FALSE(ProducesCharacter(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")));
    EXPECT_FALSE(ProducesCharacter(Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b")));
    EXPECT_FALSE(ProducesCharacter(Qt::Key_F5, Qt::NoModifier, QString()));
    EXPECT_FALSE(ProducesCharacter(Qt::Key_X, Qt::AltModifier, QStringLiteral("x")));
    EXPECT_FALSE(ProducesCharacter(Qt::Key_1, Qt::ControlModifier, QString()));
}

TEST(QtNameFilters, SaveCommandFiltersKeepTheirDescription) {
    EXPECT_EQ(QtNameFilters("Text files (*.out,*.dat,*.txt,*.csv)|*.out;*.dat;*.txt;*.csv"),
              QStringLiteral("Text files (*.out,*.dat,*.txt,*.csv) (*.out *.dat *.txt *.csv)"));
    EXPECT_EQ(QtNameFilters("Data|*.dat"), QStringLiteral("Data (*.dat)"));
}

TEST(QtNameFilters, SeveralEntriesInOrder) {
    EXPECT_EQ(QtNameFilters("Results|*.out|All files|*.*"),
              QStringLiteral("Results (*.out);;All files (*.*)"));
    EXPECT_EQ(QtNameFilters("Text|*.txt; *.csv;"), QStringLiteral("Text (*.txt *.csv)"));
}

TEST(QtNameFilters, DescriptionWithoutPatternsOffersEverything) {
    EXPECT_EQ(QtNameFilters("Anything"), QStringLiteral("Anything (*)"));
    EXPECT_EQ(QtNameFilters(""), QString());
}

}  // namespace
}  // namespace velmor::app
