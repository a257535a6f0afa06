#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

namespace Sim {

struct SimItem;

// What every page builder needs to know about the moment and the server.
struct PageContext
{
    QDateTime now;            // real time, UTC
    qint64 clockOffsetMs = 0; // milliseconds eBay's clock runs ahead of the real one
    QString httpBase;         // "http://127.0.0.1:port"

    // The instant as eBay's clock shows it.
    QDateTime ebay(const QDateTime &utc) const { return utc.addMSecs(clockOffsetMs); }
};

// The page builders. Each returns the whole HTML text; the marker texts the
// program searches for are written exactly as eBay wrote them.
namespace Pages {

// The item page in the item's layout. `original` asks for the listing itself
// where the layout would otherwise show a notice in front of it.
QString item(const SimItem &item, const PageContext &ctx, bool original = false);

// The page for an item number eBay does not know (removed or never listed).
QString removedItem(const QString &number);

// The official-time page.
QString officialTime(const PageContext &ctx);

// A member's feedback profile: score and the share of positive ratings.
QString feedbackProfile(const QString &user, int score, double percent);

// eBay's sign-in form, as the browser windows fill it.
QString signInPage();
QString signInAccepted(const QString &user);
QString signInRejected(const QString &user);
QString signOut();
// The site's home: the time, a search box and every item, linked to its
// page, in the order given.
QString home(const PageContext &ctx, const QList<const SimItem *> &items);
// eBay's search page ("/sch/i.html?_nkw=words"): the search box and the items
// found, in the order given.
QString searchResults(const PageContext &ctx, const QString &words, const QList<const SimItem *> &found);
// Every word (split at blanks) is part of the title, in any letter
// case, or is the item number or the seller; no words match every item.
bool matchesSearch(const SimItem &item, const QString &words);
QString notFound(const QString &target);
// The answer to a request that sent a password over plain http.
QString passwordOverHttpRefused();

// The text of the condition row's seller note, escaped as every layout
// prints it: "Seller notes: &quot;...&quot;"; "" without a note.
QString sellerNotes(const SimItem &item);

// The subtitle, the item location, the return text and the item specific,
// escaped, in eBay's elements for them; "" for an item without any.
QString sellerDetails(const SimItem &item);

// Time left as the item page prints it: "3d 04h", "2h 05m", "4m 09s".
QString timeLeftText(qint64 seconds);

} // namespace Pages

} // namespace Sim
