#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Small desktop services the windows use: letting pending events run,
// screen units, the clipboard's text, keeping a window in front, starting
// another program.
namespace Desktop {

// Lets pending window events and timers run, so long work keeps the
// timers firing and the windows answering.
void DoEvents();
// How long a piece of long work on the list runs before it calls DoEvents:
// well within what a bid's timer may be held.
constexpr qint64 kEventSliceMs = 15;

// Waits at least `ms` milliseconds on a monotonic clock while events run, so
// a wait never hangs when the time of day jumps (midnight, clock changes).
void WaitWithEvents(int ms);

// Twips per screen pixel (15 on a 96-dpi screen).
double TwipsPerPixelX();
double TwipsPerPixelY();
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
int PixelsToTwipsX(int pixels);
int PixelsToTwipsY(int pixels);

// The clipboard's text, or "" when it holds none.
QString ClipboardText();
void SetClipboardText(const QString &text);

// Keeps a top-level window in front of the others (or not).
void SetTopMost(QWidget *window, bool onTop = true);

// Moves a top-level window over the middle of `owner` (of the screen while
// the owner is hidden), inside the screen's work area, so it opens where the
// user looks rather than in a corner over the menus and the toolbar.
void CentreOver(QWidget &window, const QWidget &owner);

// Starts another program detached from this one; false when it cannot start.
bool StartProgram(const QString &program, const QStringList &arguments = {});

// Ends the program at once, without unload events or saving (for a start-up
// that cannot go on). Tests install a handler that throws instead. Only the
// steps given to AtEndProgram run first: writes already asked for finish.
[[noreturn]] void EndProgram(int exitCode = 0);
void AtEndProgram(void (*step)());
void setEndProgramHandler(void (*handler)(int exitCode));

} // namespace Desktop
