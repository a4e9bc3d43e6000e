#pragma once
// Translations between Qt's keyboard and dialog vocabulary and the window
// model's: key texts for the menu's shortcut rule, the seed field's notion of
// a keystroke that produces a character, and the save dialog's filter.

#include <QString>
#include <Qt>
#include <string>

namespace velmor::app {

// The model's text for a key combination that could be a menu shortcut:
// "F1".."F12" without modifiers, "Ctrl+A".."Ctrl+Z" and "Ctrl+F1".."Ctrl+F12"
// with Ctrl alone. Anything else gives an empty text: it is never a shortcut.
std::string ShortcutText(int key, Qt::KeyboardModifiers modifiers);

// Whether a keystroke puts a character into a line edit: printable text,
// Backspace, and Ctrl+letter (Ctrl+V pastes, Ctrl+Z undoes ...). Delete, the
// arrows, Tab, Enter and Escape produce none.
bool ProducesCharacter(int key, Qt::KeyboardModifiers modifiers, const QString& text);

// "Desc|*.a;*.b|Other|*.c" becomes the Qt filter list
// "Desc (*.a *.b);;Other (*.c)"; the first entry stays the selected one.
QString QtNameFilters(const std::string& filter);

}  // namespace velmor::app
