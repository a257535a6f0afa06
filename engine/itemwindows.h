#pragma once

#include <QPoint>
#include <QString>

#include <functional>

// Item windows that the main window (and the add-item wizard) open without
// linking to them. The program installs them when it registers its windows;
// left empty, the command does nothing.
namespace ItemWindows {

// The "Add Auction" command: the wizard on the item the browser shows, or
// the item-number box below the toolbar.
inline std::function<void()> AddAuction;
// The report of an item page the wizard could not read: the page and the
// item number, sent to the vendor so the reader can be mended.
inline std::function<void(const QString &html, const QString &itemNumber)> ShowItemPageReport;
// A copied item number: the prompt that offers to bid on it or watch it.
inline std::function<void(const QString &itemNumber)> AskAboutCopiedItem;
// A copied item number: the wizard on it, topmost and without messages,
// shown modally.
inline std::function<void(const QString &itemNumber)> BidOnCopiedItem;

// The row commands of the HTML list. Each works on the selected row of the
// auction list, which the caller selects first.
// The remove window (modal).
inline std::function<void()> ShowRemove;
// The row's notification settings (modal).
inline std::function<void()> ShowRemind;
// The row's note (not modal), with `title` on its strip and its top-left
// corner at `topLeft` (screen pixels).
inline std::function<void(const QString &title, const QPoint &topLeft)> ShowNotes;
// The add-item wizard on a tracked item (modal); the caller sets EditMode.
inline std::function<void(const QString &itemNumber)> EditAuction;

} // namespace ItemWindows
