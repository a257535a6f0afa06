#pragma once

#include <functional>

class QPrinter;
class QWebEngineView;
class QWidget;

// Prints the page a browser view shows: the user picks the printer in the
// print dialog, then the page is rendered to it.
namespace PagePrinter {

// Sets up `printer` as the user chooses; false when the user cancels. Empty
// means Qt's print dialog (modal, over `parent`); tests answer through it.
inline std::function<bool(QPrinter &printer, QWidget *parent)> ChoosePrinter;

// Asks for a printer and starts printing `view`'s page; printing runs on
// after the call returns and ends with the view's printFinished signal.
// Returns false when nothing was started (the dialog was cancelled, or an
// earlier print of this view is still running).
bool Print(QWebEngineView *view, QWidget *parent);

} // namespace PagePrinter
