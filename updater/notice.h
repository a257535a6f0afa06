#pragma once

#include <QString>

// What the updater tells the user. Every notice goes to standard error; when
// the updater runs on a display, a failure is also shown in a message box, as
// nobody may be watching a terminal after the program has ended.
namespace Notice {

// Whether a window can be shown: a display is named and Qt is not told to
// draw off screen.
bool HasDisplay();

void Progress(const QString &text);
void Failure(const QString &text);

} // namespace Notice
