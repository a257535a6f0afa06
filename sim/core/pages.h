#pragma once

#include <QDateTime>
#include <QString>

namespace Sim {

struct SimItem;

// What every page builder needs to know about the moment and the server.
struct PageContext
{
    QDateTime now;            // real time, UTC
    qint64 clockOffset = 0;   // seconds eBay's clock runs ahead of the real one
    QString httpBase;         // "http://127.0.0.1:port"

    // The instant as eBay's clock shows it.
    QDateTime ebay(const QDateTime &utc) const { return utc.addSecs(clockOffset); }
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

QString signInAccepted(const QString &user);
QString signInRejected(const QString &user);
QString signOut();
QString home(const PageContext &ctx);
QString notFound(const QString &target);

// Time left as the item page prints it: "3d 04h", "2h 05m", "4m 09s".
QString timeLeftText(qint64 seconds);

} // namespace Pages

} // namespace Sim
