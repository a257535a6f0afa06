#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

namespace Sim {

// One listing. Its end is a real instant: the eBay clock offset shifts how
// the end is printed, never when the auction actually closes.
struct SimItem
{
    QString number;
    QString title = QStringLiteral("Simulated item");
    QString seller = QStringLiteral("simseller");
    double price = 1.0;                  // current bid, or the starting bid without bids
    QString currency = QStringLiteral("US $");
    int quantity = 1;
    int bids = 0;
    QString shipping = QStringLiteral("FREE"); // as printed
    QString picture;                     // empty: the page shows a spacer
    QDateTime endsAt;                    // UTC
    QString layout = QStringLiteral("default");
    QString rowMarkup;                   // how the page prints its rows' labels (LayoutPages::RowMarkup)
    QString winner;                      // shown as winning bidder once ended
    QString greeted;                     // the member the default page's header greets; "" for none
    int feedbackScore = 100;
    double feedbackPercent = 100.0;
    double buyItNow = 0;                 // 0: no Buy It Now price
    QString conditionNote;               // the seller's note in the condition row; empty: no row
    // What else a seller fills in, each printed only when set: the subtitle,
    // the item location, the return text and one item specific.
    QString subtitle;
    QString location;
    QString returns;
    QString specificName;
    QString specificValue;

    bool ended(const QDateTime &now) const { return !endsAt.isValid() || now >= endsAt; }
    qint64 secondsLeft(const QDateTime &now) const;
    // The smallest bid eBay would take now.
    double minimumBid() const;
};

// eBay's US bid increment for a current price.
double bidIncrement(double price);

// "US $1,234.50": the currency prefix, thousands separated by commas unless
// `grouped` is false ("US $1234.50", as eBay wrote the minimum bid).
QString formatPrice(const QString &currency, double amount, bool grouped = true);

// Fields of the control endpoint: item, title, seller, price, currency,
// quantity, bids, shipping (number or text), picture, endsIn (seconds from
// now), layout, rowMarkup, winner, greeted, feedbackScore, feedbackPercent, buyItNow,
// conditionNote, subtitle, location, returns, specificName, specificValue.
// Fields absent from `json` are left as they are. Returns false with a reason
// on a malformed field.
bool applyItemJson(SimItem &item, const QJsonObject &json, const QDateTime &now, QString *error);
QJsonObject itemToJson(const SimItem &item, const QDateTime &now);

class ItemStore final
{
public:
    // Stores the item; an empty number gets the next free one. Returns the number.
    QString add(SimItem item);
    SimItem *find(const QString &number);
    const SimItem *find(const QString &number) const;
    bool remove(const QString &number);
    void clear() { m_items.clear(); }
    QStringList numbers() const { return m_items.keys(); }
    qsizetype size() const { return m_items.size(); }

private:
    QMap<QString, SimItem> m_items;
    qint64 m_next = 110000000001LL;
};

} // namespace Sim
