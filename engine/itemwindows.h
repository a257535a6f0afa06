#pragma once

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

} // namespace ItemWindows
