#pragma once

#include <QString>

class frmMainEngine;

// The clipboard scanner: once a second the main window looks at the text
// clipboard, and a newly copied eBay item number or item address is offered
// to the user ("Copy Option": ask, open the wizard, or watch it).
namespace ClipboardScan {

// The item number a copied text stands for, or "" when it stands for none.
// `lastText` is the last copied text that gave a number: the same text is
// never acted on twice. When a number is found `lastText` becomes `text`.
QString ItemNumberOfCopiedText(const QString &text, QString &lastText);

// One tick of the main window's tmrClipboardScan.
void tmrClipboardScan_Timer(frmMainEngine &main);

} // namespace ClipboardScan
