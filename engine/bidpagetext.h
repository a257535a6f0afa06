#pragma once
// What a bid page's answer says in eBay's own places, read apart from the
// seller's title: the message boxes a bid's or a purchase's outcome stands
// in, and the page without the title where it names the item.

#include <QString>
#include <QStringList>

// The texts of a bid page's message boxes (the elements of class
// "statusmsg" or "msg"), in page order, each with its tags aside, its
// character references decoded and its blanks (no-break spaces too)
// collapsed to single spaces. A window title, script or style sheet is
// never one.
QStringList BidPageMessages(const QString &page);

// The page without the item's title where a text names the item by it
// before its number ("(123)", "(Item number: 123)"), in whatever form the
// page spells it: the title as given and as its references read, compared
// with blanks collapsed, references decoded and in any letter case. A
// title made of the page's own message, standing anywhere else, leaves the
// message as it is.
QString WithoutTitleBeforeNumber(const QString &page, const QString &title);
