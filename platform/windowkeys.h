#pragma once

#include <QKeyEvent>

namespace WindowKeys {

// Enter, Tab and Escape belong to the window (the default button, the next
// field, Cancel), not to a box whose key filter takes only what it holds.
inline bool IsWindowKey(const QKeyEvent &key)
{
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

// Ctrl+A selects a box's whole text, as everywhere on the desktop: a box
// whose key filter takes only digits lets it through too, so that what the
// user types next replaces what the box held.
inline bool IsSelectAll(const QKeyEvent &key)
{
    return key.matches(QKeySequence::SelectAll);
}

} // namespace WindowKeys
