#include "app/key_text.hpp"

#include <QStringList>
#include <cstdio>

namespace velmor::app {

namespace {

// Modifiers that change what a key means; the keypad flag does not.
constexpr Qt::KeyboardModifiers kMeaningful =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

// "F1".."F12" (with a prefix such as "Ctrl+"), or nothing for another key.
std::string FunctionKeyText(int key, const char* prefix = "") {
    if (key < Qt::Key_F1 || key > Qt::Key_F12) return {};
    char text[16];
    std::snprintf(text, sizeof text, "%sF%d", prefix, key - Qt::Key_F1 + 1);
    return text;
}

}  // namespace

std::string ShortcutText(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers held = modifiers & kMeaningful;
    if (held == Qt::NoModifier) return FunctionKeyText(key);
    if (held != Qt::ControlModifier) return {};
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        const char text[] = {'C', 't', 'r', 'l', '+', static_cast<char>('A' + (key - Qt::Key_A)),
                             0};
        return text;
    }
    return FunctionKeyText(key, "Ctrl+");
}

bool ProducesCharacter(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    const Qt::KeyboardModifiers held = modifiers & kMeaningful;
    if (key == Qt::Key_Backspace) return true;
    if (held == Qt::ControlModifier) return key >= Qt::Key_A && key <= Qt::Key_Z;
    if (held & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    switch (key) {
        case Qt::Key_Delete:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            return false;
        default:
            break;
    }
    // Printable text only: the arrows and other navigation keys carry none,
    // and some platforms attach control characters to keys that print nothing.
    for (const QChar c : text)
        if (c.isPrint()) return true;
    return false;
}

QString QtNameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) p = p.trimmed();
        entries << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    // A description without patterns is still offered, as everything.
    if (parts.size() % 2 == 1 && !parts.back().isEmpty())
        entries << parts.back() + QStringLiteral(" (*)");
    return entries.join(QStringLiteral(";;"));
}

}  // namespace velmor::app
