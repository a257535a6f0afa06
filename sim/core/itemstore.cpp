#include "sim/core/itemstore.h"

#include <QJsonValue>

#include <cmath>

namespace Sim {

qint64 SimItem::secondsLeft(const QDateTime &now) const
{
    if (!endsAt.isValid())
        return 0;
    return std::max<qint64>(0, now.secsTo(endsAt));
}

double SimItem::minimumBid() const
{
    if (bids == 0)
        return price;
    return std::round((price + bidIncrement(price)) * 100.0) / 100.0;
}

double bidIncrement(double price)
{
    struct Step { double below; double increment; };
    static constexpr Step kSteps[] = {
        {1.00, 0.05}, {5.00, 0.25}, {25.00, 0.50}, {100.00, 1.00}, {250.00, 2.50},
        {500.00, 5.00}, {1000.00, 10.00}, {2500.00, 25.00}, {5000.00, 50.00},
    };
    for (const Step &s : kSteps)
        if (price < s.below)
            return s.increment;
    return 100.00;
}

QString formatPrice(const QString &currency, double amount, bool grouped)
{
    const qint64 cents = qint64(std::llround(amount * 100.0));
    QString whole = QString::number(std::llabs(cents) / 100);
    for (qsizetype i = whole.size() - 3; grouped && i > 0; i -= 3)
        whole.insert(i, QLatin1Char(','));
    const QString fraction = QStringLiteral("%1").arg(std::llabs(cents) % 100, 2, 10, QLatin1Char('0'));
    return currency + (cents < 0 ? QStringLiteral("-") : QString()) + whole + QLatin1Char('.') + fraction;
}

namespace {

bool readNumber(const QJsonObject &json, const char *key, double *out, QString *error)
{
    const QJsonValue v = json.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull())
        return true;
    if (v.isDouble()) {
        *out = v.toDouble();
        return true;
    }
    if (v.isString()) {
        bool ok = false;
        const double d = v.toString().toDouble(&ok);
        if (ok) {
            *out = d;
            return true;
        }
    }
    *error = QStringLiteral("field \"%1\" must be a number").arg(QLatin1String(key));
    return false;
}

bool readInt(const QJsonObject &json, const char *key, int *out, QString *error)
{
    double d = *out;
    if (!readNumber(json, key, &d, error))
        return false;
    *out = int(d);
    return true;
}

void readText(const QJsonObject &json, const char *key, QString *out)
{
    const QJsonValue v = json.value(QLatin1String(key));
    if (v.isString())
        *out = v.toString();
    else if (v.isDouble())
        *out = QString::number(v.toDouble(), 'f', 0);
}

} // namespace

bool applyItemJson(SimItem &item, const QJsonObject &json, const QDateTime &now, QString *error)
{
    QString dummy;
    if (!error)
        error = &dummy;
    readText(json, "item", &item.number);
    readText(json, "title", &item.title);
    readText(json, "seller", &item.seller);
    readText(json, "currency", &item.currency);
    readText(json, "picture", &item.picture);
    readText(json, "layout", &item.layout);
    readText(json, "rowMarkup", &item.rowMarkup);
    readText(json, "winner", &item.winner);
    readText(json, "greeted", &item.greeted);
    readText(json, "conditionNote", &item.conditionNote);
    readText(json, "subtitle", &item.subtitle);
    readText(json, "location", &item.location);
    readText(json, "returns", &item.returns);
    readText(json, "specificName", &item.specificName);
    readText(json, "specificValue", &item.specificValue);
    if (!readNumber(json, "price", &item.price, error) || !readInt(json, "quantity", &item.quantity, error)
        || !readInt(json, "bids", &item.bids, error) || !readInt(json, "feedbackScore", &item.feedbackScore, error)
        || !readNumber(json, "feedbackPercent", &item.feedbackPercent, error)
        || !readNumber(json, "buyItNow", &item.buyItNow, error))
        return false;

    const QJsonValue shipping = json.value(QLatin1String("shipping"));
    if (shipping.isDouble())
        item.shipping = shipping.toDouble() == 0 ? QStringLiteral("FREE") : formatPrice(item.currency, shipping.toDouble(), false);
    else if (shipping.isString())
        item.shipping = shipping.toString();

    double endsIn = 0;
    if (json.contains(QLatin1String("endsIn"))) {
        if (!readNumber(json, "endsIn", &endsIn, error))
            return false;
        item.endsAt = now.addMSecs(qint64(endsIn * 1000.0));
    }
    if (item.layout.isEmpty())
        item.layout = QStringLiteral("default");
    return true;
}

QJsonObject itemToJson(const SimItem &item, const QDateTime &now)
{
    return QJsonObject{
        {QStringLiteral("item"), item.number},
        {QStringLiteral("title"), item.title},
        {QStringLiteral("seller"), item.seller},
        {QStringLiteral("price"), item.price},
        {QStringLiteral("currency"), item.currency},
        {QStringLiteral("quantity"), item.quantity},
        {QStringLiteral("bids"), item.bids},
        {QStringLiteral("shipping"), item.shipping},
        {QStringLiteral("picture"), item.picture},
        {QStringLiteral("endsIn"), double(item.secondsLeft(now))},
        {QStringLiteral("endTime"), item.endsAt.toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("ended"), item.ended(now)},
        {QStringLiteral("layout"), item.layout},
        {QStringLiteral("rowMarkup"), item.rowMarkup},
        {QStringLiteral("winner"), item.winner},
        {QStringLiteral("greeted"), item.greeted},
        {QStringLiteral("feedbackScore"), item.feedbackScore},
        {QStringLiteral("feedbackPercent"), item.feedbackPercent},
        {QStringLiteral("buyItNow"), item.buyItNow},
        {QStringLiteral("conditionNote"), item.conditionNote},
        {QStringLiteral("subtitle"), item.subtitle},
        {QStringLiteral("location"), item.location},
        {QStringLiteral("returns"), item.returns},
        {QStringLiteral("specificName"), item.specificName},
        {QStringLiteral("specificValue"), item.specificValue},
        {QStringLiteral("minimumBid"), item.minimumBid()},
    };
}

QString ItemStore::add(SimItem item)
{
    if (item.number.isEmpty()) {
        while (m_items.contains(QString::number(m_next)))
            ++m_next;
        item.number = QString::number(m_next++);
    }
    const QString number = item.number;
    m_items.insert(number, std::move(item));
    return number;
}

SimItem *ItemStore::find(const QString &number)
{
    auto it = m_items.find(number);
    return it == m_items.end() ? nullptr : &it.value();
}

const SimItem *ItemStore::find(const QString &number) const
{
    auto it = m_items.constFind(number);
    return it == m_items.cend() ? nullptr : &it.value();
}

bool ItemStore::remove(const QString &number)
{
    return m_items.remove(number) > 0;
}

} // namespace Sim
