#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace Sim {

struct SimItem;

// Reply classes a test can choose per item. The preparation page answers
// "normal" (the review page with the signed-in user ID and the uiid and stok
// inputs), "signin" (a page without the user ID, as for a lost sign-in),
// "A2" ended by the seller, "A3" invalid item, "A4" Buy It Now ended, "A5"
// export restricted, "A6" ended, or "page" (the chosen text). The
// confirmation answers "auto" (the proxy-bidding outcome), "first",
// "highest", "outbid", "B1" ... "B13", "currency" (the currency notice, whose
// follow-up request is then bid "auto"), "unknown" or "page". The sign-in
// answers with the cookie page while cookie pages are pending.
namespace BidClasses {
QStringList preparation();
QStringList confirmation();
} // namespace BidClasses

// One bidder's maximum in an item's proxy bidding.
struct ProxyBid
{
    QString user;
    double max = 0;
    int quantity = 1;
    QDateTime placedAt; // UTC; an earlier bid wins a tie
};

struct ItemBidding
{
    QString prepare = QStringLiteral("normal");
    QString confirm = QStringLiteral("auto");
    QString page;           // the text of the class "page"
    QList<ProxyBid> maxima; // in order of arrival
    double startPrice = -1; // the starting bid, taken when the first maximum arrives
    QString uiid;           // tokens of the latest preparation page
    QString stok;
    int purchases = 0;      // Buy It Now purchases made

    QJsonObject toJson() const;
    static ItemBidding fromJson(const QJsonObject &json);
};

// The outcome of one maximum bid under eBay's proxy rule.
enum class BidOutcome {
    First,   // the only bidder, at the starting price
    Highest, // the high bidder
    Outbid,  // another bidder's maximum is higher (or as high and earlier)
    TooLow,  // below the smallest bid eBay takes now
};

// The bidding side of the simulated eBay: per-item reply classes, proxy
// bids, issued page tokens, pending cookie pages and received problem
// reports.
class BidDesk final
{
public:
    ItemBidding &item(const QString &number) { return m_items[number]; }
    const ItemBidding *find(const QString &number) const;
    void forget(const QString &number) { m_items.remove(number); }
    QStringList numbers() const { return m_items.keys(); }

    // The sign-ins still to be answered with the cookie page.
    int cookiePages = 0;

    // Places `max` for `user` on the item: the highest maximum leads at the
    // second-highest plus one increment (never above its own maximum), the
    // earlier of two equal maxima leads, and a lone bidder stands at the
    // starting price. Bids the item page counted before any maximum arrived
    // stand as one earlier bidder at the current price. A raised maximum
    // replaces the bidder's old one; a lower or equal one changes nothing.
    // Updates the item's price, bid count and winner.
    BidOutcome placeBid(SimItem &item, const QString &user, double max, int quantity, const QDateTime &now);

    // Problem reports received on the vendor's report page, fields by name.
    QList<QJsonObject> reports;

    QJsonObject toJson() const;
    void clear();

private:
    QMap<QString, ItemBidding> m_items;
};

} // namespace Sim
