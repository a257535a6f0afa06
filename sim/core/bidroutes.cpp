// The bid pages: preparation, confirmation (with the currency notice),
// Buy It Now, the cookie page at sign-in, and the vendor's report page; and
// the control paths that choose their replies:
//
//   GET    /_sim/bids               cookie pages pending, every item's bidding
//   POST   /_sim/bids               {"cookiePages": n}: the next n sign-ins get the cookie page
//   GET    /_sim/bids/<n>           one item's reply classes, maxima, tokens, purchases
//   POST   /_sim/bids/<n>           {"prepare", "confirm", "page", "uiid", "stok",
//                                    "rival": {"user", "max"}, "rivals": [...]}
//   DELETE /_sim/bids/<n>           back to "normal"/"auto" without maxima
//   GET    /_sim/reports            the problem reports received
//   DELETE /_sim/reports            forget them
#include "sim/core/bidpages.h"
#include "sim/core/layoutpages.h"
#include "sim/core/simserver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <cmath>

namespace Sim {

namespace {

const QString kIsapi = QStringLiteral("/ws/eBayISAPI.dll");

QString newToken()
{
    return QString::number(QRandomGenerator::global()->generate64(), 16).toUpper();
}

// A form body sent as application/x-www-form-urlencoded.
QJsonObject formFields(const QByteArray &body)
{
    QJsonObject fields;
    for (const QByteArray &pair : body.split('&')) {
        if (pair.isEmpty())
            continue;
        const qsizetype eq = pair.indexOf('=');
        QByteArray name = eq < 0 ? pair : pair.left(eq);
        QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        name.replace('+', ' ');
        value.replace('+', ' ');
        fields.insert(percentDecode(QString::fromLatin1(name)), percentDecode(QString::fromLatin1(value)));
    }
    return fields;
}

bool isPreparationClass(const QString &name) { return BidClasses::preparation().contains(name); }
bool isConfirmationClass(const QString &name) { return BidClasses::confirmation().contains(name); }

// The confirmation class "redirect": the answer sends the client on to the
// item's own page, and nothing is bid or bought.
Response redirectToItem(const QString &number)
{
    return Response::redirect(kIsapi + QStringLiteral("?ViewItem&item=") + number);
}

} // namespace

void SimServer::addBidRoutes()
{
    // The cookie page at sign-in, while a test asks for it; otherwise the
    // sign-in route of the eBay pages answers.
    Route cookies;
    cookies.role = QStringLiteral("signin");
    cookies.path = kIsapi;
    cookies.command = QStringLiteral("SignInWelcome");
    cookies.when = [this](const Request &) { return m_bids.cookiePages > 0; };
    cookies.handler = [this](const Request &) {
        --m_bids.cookiePages;
        return Response::html(BidPages::cookiesBlocked());
    };
    m_routes.add(cookies);

    // Preparation: "MakeBid&item=...&fb=2&maxbid=...&qty=...".
    Route prepare;
    prepare.role = QStringLiteral("offer");
    prepare.path = kIsapi;
    prepare.command = QStringLiteral("MakeBid");
    prepare.when = [](const Request &r) { return !r.hasParam(QStringLiteral("MfcISAPICommand")); };
    prepare.handler = [this](const Request &r) {
        const QString number = r.param(QStringLiteral("item")).trimmed();
        const QString user = sessionUser(r);
        SimItem *item = m_items.find(number);
        if (!item)
            return Response::html(BidPages::preparationFailure(QStringLiteral("A3"), number, user));
        ItemBidding &state = m_bids.item(number);
        const QString &kind = state.prepare;
        if (kind == QLatin1String("page"))
            return Response::html(state.page);
        if (kind == QLatin1String("A2") || kind == QLatin1String("A3") || kind == QLatin1String("A4") || kind == QLatin1String("A5"))
            return Response::html(BidPages::preparationFailure(kind, number, user, item));
        if (kind == QLatin1String("A6") || item->ended(now()))
            return Response::html(BidPages::ended(*item));
        if (kind == QLatin1String("signin") || user.isEmpty())
            return Response::html(BidPages::signInRequired());
        state.uiid = newToken();
        state.stok = newToken();
        return Response::html(BidPages::review(*item, user, r.param(QStringLiteral("maxbid")), r.param(QStringLiteral("qty")),
                                               state.uiid, state.stok));
    };
    m_routes.add(prepare);

    // The reply a test chose for a confirmation, or nothing for the real
    // outcome.
    auto chosenReply = [this](const SimItem &item, const ItemBidding &state, const QString &user, QString *page) {
        const QString &kind = state.confirm;
        if (kind == QLatin1String("page"))
            *page = state.page;
        else if (kind == QLatin1String("unknown"))
            *page = BidPages::unknownReply();
        else if (kind == QLatin1String("first"))
            *page = BidPages::firstBidder(item, user);
        else if (kind == QLatin1String("highest"))
            *page = BidPages::highestBidder(item, user);
        else if (kind == QLatin1String("outbid"))
            *page = BidPages::outbid(item);
        else if (kind == QLatin1String("B1"))
            *page = BidPages::tooLow(item);
        else if (kind.startsWith(QLatin1Char('B')))
            *page = BidPages::confirmationFailure(kind, &item);
        else
            return false;
        return true;
    };

    // Whether the request may act for `user`: its password when it carries
    // one, otherwise the sign-in cookie. Fills `refusal` when not.
    auto authorised = [this](const Request &r, const QString &user, QString *refusal) {
        if (r.hasParam(QStringLiteral("pass"))) {
            if (!acceptsSignIn(user, r.param(QStringLiteral("pass")))) {
                *refusal = BidPages::wrongPassword();
                return false;
            }
            return true;
        }
        if (sessionUser(r).isEmpty()) {
            *refusal = BidPages::signInRequired();
            return false;
        }
        return true;
    };

    // Confirmation: "MfcISAPICommand=MakeBid&uiid=...". The answer to the
    // currency notice carries firedFilteredId and is always bid for real.
    Route confirm;
    confirm.role = QStringLiteral("offer");
    confirm.path = kIsapi;
    confirm.command = QStringLiteral("MakeBid");
    confirm.when = [](const Request &r) { return r.hasParam(QStringLiteral("MfcISAPICommand")); };
    confirm.handler = [this, chosenReply, authorised](const Request &r) {
        const QString number = r.param(QStringLiteral("item")).trimmed();
        SimItem *item = m_items.find(number);
        if (!item)
            return Response::html(Pages::removedItem(number));
        ItemBidding &state = m_bids.item(number);
        QString user = r.param(QStringLiteral("user"));
        if (user.isEmpty())
            user = sessionUser(r);
        const bool currencyAnswer = r.hasParam(QStringLiteral("firedFilteredId"));

        QString page;
        if (!currencyAnswer && state.confirm == QLatin1String("redirect"))
            return redirectToItem(number);
        if (!currencyAnswer && chosenReply(*item, state, user, &page))
            return Response::html(page);
        if (state.uiid.isEmpty() || r.param(QStringLiteral("uiid")) != state.uiid
            || (r.hasParam(QStringLiteral("stok")) && r.param(QStringLiteral("stok")) != state.stok))
            return Response::html(BidPages::sessionExpired());
        if (!authorised(r, user, &page))
            return Response::html(page);
        if (item->ended(now()))
            return Response::html(BidPages::biddingEnded(*item));
        if (!currencyAnswer && state.confirm == QLatin1String("currency"))
            return Response::html(BidPages::currencyNotice(*item, state.uiid, newToken(), state.stok));

        bool amountOk = false;
        const double max = r.param(QStringLiteral("maxbid")).toDouble(&amountOk);
        if (!amountOk)
            return Response::html(BidPages::tooLow(*item));
        // A bid that meets the Buy It Now price would be a purchase: eBay
        // refuses it as a bid.
        if (item->buyItNow > 0 && std::round(max * 100.0) >= std::round(item->buyItNow * 100.0))
            return Response::html(BidPages::confirmationFailure(QStringLiteral("B9"), item));
        const QString quantity = r.param(r.hasParam(QStringLiteral("quant")) ? QStringLiteral("quant") : QStringLiteral("quantity"));
        switch (m_bids.placeBid(*item, user, max, std::max(1, quantity.toInt()), now())) {
        case BidOutcome::First: return Response::html(BidPages::firstBidder(*item, user));
        case BidOutcome::Highest: return Response::html(BidPages::highestBidder(*item, user));
        case BidOutcome::Outbid: return Response::html(BidPages::outbid(*item));
        case BidOutcome::TooLow: break;
        }
        return Response::html(BidPages::tooLow(*item));
    };
    m_routes.add(confirm);

    // Buy It Now: "MfcISAPICommand=BinConfirm&uiid=...&item=...&Quantity=...".
    m_routes.add(QStringLiteral("offer"), kIsapi, QStringLiteral("BinConfirm"), Scheme::Any,
                 [this, chosenReply, authorised](const Request &r) {
                     const QString number = r.param(QStringLiteral("item")).trimmed();
                     SimItem *item = m_items.find(number);
                     if (!item)
                         return Response::html(Pages::removedItem(number));
                     ItemBidding &state = m_bids.item(number);
                     const QString user = r.param(QStringLiteral("user"));
                     QString page;
                     if (state.confirm == QLatin1String("redirect"))
                         return redirectToItem(number);
                     if (chosenReply(*item, state, user, &page))
                         return Response::html(page);
                     if (state.uiid.isEmpty() || r.param(QStringLiteral("uiid")) != state.uiid)
                         return Response::html(BidPages::sessionExpired());
                     if (!authorised(r, user, &page))
                         return Response::html(page);
                     if (item->ended(now()))
                         return Response::html(BidPages::preparationFailure(QStringLiteral("A4"), number, user, item));
                     const double price = LayoutPages::purchasePrice(*item);
                     if (price <= 0)
                         return Response::html(BidPages::noBuyItNow(*item));
                     // An auction's Buy It Now goes with its first bid.
                     if (!LayoutPages::fixedPrice(*item) && item->bids > 0)
                         return Response::html(BidPages::buyItNowGone(*item));
                     const int wanted = std::max(1, r.param(QStringLiteral("Quantity")).toInt());
                     if (wanted > item->quantity)
                         return Response::html(BidPages::quantityNotAvailable(*item));
                     ++state.purchases;
                     item->price = price;
                     item->winner = user;
                     // What is left stays for sale; the last one sold ends the listing.
                     if (wanted < item->quantity)
                         item->quantity -= wanted;
                     else
                         item->endsAt = now();
                     return Response::html(BidPages::purchased(*item, user, price));
                 });

    // The vendor's problem-report page, on its secure host: a report may
    // hold the user's e-mail address.
    m_routes.add(QStringLiteral("vendorsecure"), QStringLiteral("/sendreport.asp"), QString(), Scheme::Https, [this](const Request &r) {
        if (r.method != QLatin1String("POST"))
            return Response::html(BidPages::reportForm());
        QJsonObject report = formFields(r.body);
        report.insert(QStringLiteral("_received"), r.arrival.toString(Qt::ISODateWithMs));
        m_bids.reports.append(report);
        return Response::html(BidPages::reportSent());
    });
}

Response SimServer::bidControl(const Request &request, const QStringList &parts, const QJsonObject &body)
{
    const QString &method = request.method;
    const bool write = method == QLatin1String("POST") || method == QLatin1String("PUT") || method == QLatin1String("PATCH");
    auto ok = [](const QJsonObject &o) { return Response::json(QJsonDocument(o)); };

    if (parts.value(0) == QLatin1String("reports")) {
        if (method == QLatin1String("DELETE")) {
            m_bids.reports.clear();
            return ok(QJsonObject{{QStringLiteral("ok"), true}});
        }
        QJsonArray reports;
        for (const QJsonObject &r : std::as_const(m_bids.reports))
            reports.append(r);
        return Response::json(QJsonDocument(reports));
    }

    if (parts.size() == 1) {
        if (write && body.contains(QLatin1String("cookiePages")))
            m_bids.cookiePages = std::max(0, body.value(QLatin1String("cookiePages")).toInt());
        return ok(m_bids.toJson());
    }

    const QString number = parts.value(1);
    SimItem *item = m_items.find(number);
    if (!item)
        return Response::jsonError(QStringLiteral("no item ") + number, 404);
    if (method == QLatin1String("DELETE")) {
        m_bids.forget(number);
        return ok(QJsonObject{{QStringLiteral("ok"), true}});
    }
    ItemBidding &state = m_bids.item(number);
    if (write) {
        const QString prepareClass = body.value(QLatin1String("prepare")).toString(state.prepare);
        const QString confirmClass = body.value(QLatin1String("confirm")).toString(state.confirm);
        if (!isPreparationClass(prepareClass))
            return Response::jsonError(QStringLiteral("unknown preparation class ") + prepareClass);
        if (!isConfirmationClass(confirmClass))
            return Response::jsonError(QStringLiteral("unknown confirmation class ") + confirmClass);
        state.prepare = prepareClass;
        state.confirm = confirmClass;
        state.page = body.value(QLatin1String("page")).toString(state.page);
        state.uiid = body.value(QLatin1String("uiid")).toString(state.uiid);
        state.stok = body.value(QLatin1String("stok")).toString(state.stok);
        QJsonArray rivals = body.value(QLatin1String("rivals")).toArray();
        if (body.value(QLatin1String("rival")).isObject())
            rivals.append(body.value(QLatin1String("rival")));
        for (const QJsonValue &value : std::as_const(rivals)) {
            const QJsonObject rival = value.toObject();
            const QString user = rival.value(QLatin1String("user")).toString();
            if (user.isEmpty() || !rival.value(QLatin1String("max")).isDouble())
                return Response::jsonError(QStringLiteral("a rival needs \"user\" and \"max\""));
            m_bids.placeBid(*item, user, rival.value(QLatin1String("max")).toDouble(), 1, now());
        }
    }
    return ok(state.toJson());
}

} // namespace Sim
