#include "sim/core/biddesk.h"

#include "sim/core/itemstore.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>

namespace Sim {

namespace BidClasses {

QStringList preparation()
{
    return {QStringLiteral("normal"), QStringLiteral("signin"), QStringLiteral("A2"), QStringLiteral("A3"),
            QStringLiteral("A4"),     QStringLiteral("A5"),     QStringLiteral("A6"), QStringLiteral("page")};
}

QStringList confirmation()
{
    QStringList classes = {QStringLiteral("auto"), QStringLiteral("first"), QStringLiteral("highest"), QStringLiteral("outbid")};
    for (int row = 1; row <= 13; ++row)
        classes << QStringLiteral("B%1").arg(row);
    classes << QStringLiteral("currency") << QStringLiteral("unknown") << QStringLiteral("page") << QStringLiteral("redirect");
    return classes;
}

} // namespace BidClasses

namespace {

double cents(double amount)
{
    return std::round(amount * 100.0) / 100.0;
}

// Highest maximum first; the earlier of two equal ones first.
void rank(QList<ProxyBid> &maxima)
{
    std::stable_sort(maxima.begin(), maxima.end(), [](const ProxyBid &a, const ProxyBid &b) {
        if (a.max != b.max)
            return a.max > b.max;
        return a.placedAt < b.placedAt;
    });
}

} // namespace

QJsonObject ItemBidding::toJson() const
{
    QJsonArray bids;
    for (const ProxyBid &b : maxima)
        bids.append(QJsonObject{{QStringLiteral("user"), b.user},
                                {QStringLiteral("max"), b.max},
                                {QStringLiteral("quantity"), b.quantity},
                                {QStringLiteral("placedAt"), b.placedAt.toString(Qt::ISODateWithMs)}});
    return QJsonObject{{QStringLiteral("prepare"), prepare},  {QStringLiteral("confirm"), confirm},
                       {QStringLiteral("maxima"), bids},      {QStringLiteral("uiid"), uiid},
                       {QStringLiteral("stok"), stok},        {QStringLiteral("purchases"), purchases},
                       {QStringLiteral("startPrice"), startPrice}, {QStringLiteral("page"), page}};
}

ItemBidding ItemBidding::fromJson(const QJsonObject &json)
{
    ItemBidding b;
    b.prepare = json.value(QLatin1String("prepare")).toString(b.prepare);
    b.confirm = json.value(QLatin1String("confirm")).toString(b.confirm);
    b.page = json.value(QLatin1String("page")).toString();
    for (const auto &value : json.value(QLatin1String("maxima")).toArray()) {
        const QJsonObject o = value.toObject();
        b.maxima.append(ProxyBid{o.value(QLatin1String("user")).toString(), o.value(QLatin1String("max")).toDouble(),
                                 o.value(QLatin1String("quantity")).toInt(1),
                                 QDateTime::fromString(o.value(QLatin1String("placedAt")).toString(), Qt::ISODateWithMs)});
    }
    b.startPrice = json.value(QLatin1String("startPrice")).toDouble(-1);
    b.uiid = json.value(QLatin1String("uiid")).toString();
    b.stok = json.value(QLatin1String("stok")).toString();
    b.purchases = json.value(QLatin1String("purchases")).toInt();
    return b;
}

const ItemBidding *BidDesk::find(const QString &number) const
{
    const auto it = m_items.constFind(number);
    return it == m_items.cend() ? nullptr : &it.value();
}

BidOutcome BidDesk::placeBid(SimItem &item, const QString &user, double max, int quantity, const QDateTime &now)
{
    ItemBidding &state = m_items[item.number];
    if (state.maxima.isEmpty()) {
        if (item.bids > 0) {
            // Bids made before the simulator kept maxima: one earlier bidder
            // whose maximum is the current price.
            state.startPrice = item.price;
            state.maxima.append({QStringLiteral("earlier_bidder"), item.price, 1, QDateTime::fromSecsSinceEpoch(0, Qt::UTC)});
        } else {
            state.startPrice = item.price;
        }
    }

    auto own = std::find_if(state.maxima.begin(), state.maxima.end(),
                            [&](const ProxyBid &b) { return b.user.compare(user, Qt::CaseInsensitive) == 0; });
    const bool leading = !state.maxima.isEmpty() && state.maxima.first().user.compare(user, Qt::CaseInsensitive) == 0;
    max = cents(max);

    const bool hadOwn = own != state.maxima.end();
    if (hadOwn) {
        if (max > own->max) {
            own->max = max;
            own->quantity = quantity;
            ++item.bids;
        }
    } else {
        if (max < item.minimumBid() - 0.001)
            return BidOutcome::TooLow;
        state.maxima.append({user, max, quantity, now});
        ++item.bids;
    }
    if (leading && hadOwn) {
        // The leader raising its own maximum keeps the price where it stands.
        return state.maxima.size() == 1 ? BidOutcome::First : BidOutcome::Highest;
    }

    rank(state.maxima);
    const ProxyBid &high = state.maxima.first();
    double price = state.startPrice;
    if (state.maxima.size() > 1) {
        const double second = state.maxima.at(1).max;
        price = std::min(high.max, cents(second + bidIncrement(second)));
        price = std::max(price, state.startPrice);
    }
    item.price = price;
    item.winner = high.user;

    if (high.user.compare(user, Qt::CaseInsensitive) != 0)
        return BidOutcome::Outbid;
    return state.maxima.size() == 1 ? BidOutcome::First : BidOutcome::Highest;
}

QJsonObject BidDesk::toJson() const
{
    QJsonObject items;
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it)
        items.insert(it.key(), it.value().toJson());
    return QJsonObject{{QStringLiteral("cookiePages"), cookiePages},
                       {QStringLiteral("items"), items},
                       {QStringLiteral("reports"), double(reports.size())}};
}

void BidDesk::clear()
{
    m_items.clear();
    cookiePages = 0;
    reports.clear();
}

} // namespace Sim
