// The eBay pages: which request gets which page. New pages are one more
// routes().add(...) here, or from a test.
#include "sim/core/simserver.h"

#include "sim/core/layoutpages.h"

#include <algorithm>

namespace Sim {

namespace {

const QString kIsapi = QStringLiteral("/ws/eBayISAPI.dll");
const QString kIsapi2 = QStringLiteral("/ws2/eBayISAPI.dll");

// A transparent 1x1 GIF, for every picture the pages refer to.
const QByteArray &spacerGif()
{
    static const QByteArray gif = QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==");
    return gif;
}

QByteArray sessionCookie(const QString &token)
{
    return SimServer::sessionCookieName().toLatin1() + '=' + token.toLatin1() + "; path=/";
}

QByteArray expiredSessionCookie()
{
    return SimServer::sessionCookieName().toLatin1() + "=; path=/; expires=Thu, 01-Jan-1970 00:00:01 GMT; max-age=0";
}

} // namespace

QList<const SimItem *> SimServer::itemsEndingFirst() const
{
    const QDateTime t = now();
    QList<const SimItem *> items;
    for (const QString &number : m_items.numbers())
        items << m_items.find(number);
    // Running auctions by their end, the soonest first; ended ones after them.
    std::stable_sort(items.begin(), items.end(), [&t](const SimItem *a, const SimItem *b) {
        const bool aEnded = a->ended(t), bEnded = b->ended(t);
        if (aEnded != bEnded)
            return bEnded;
        return !aEnded && a->endsAt < b->endsAt;
    });
    return items;
}

void SimServer::addEbayRoutes()
{
    // Item page: the listing, or the removed-item page for a number eBay does not know.
    const auto itemPage = [this](const Request &r, bool original) {
        const QString number = r.param(QStringLiteral("item")).trimmed();
        const SimItem *item = m_items.find(number);
        if (!item)
            return Response::html(Pages::removedItem(number));
        return LayoutPages::reply(item->layout, Pages::item(*item, pageContext(), original));
    };
    m_routes.add(QStringLiteral("item"), kIsapi, QStringLiteral("ViewItem"), Scheme::Any,
                 [itemPage](const Request &r) { return itemPage(r, r.hasParam(QStringLiteral("orig"))); });

    // The item page as the "www" host shows it to a browser.
    m_routes.add(QStringLiteral("www"), QStringLiteral("/itm") + kIsapi, QStringLiteral("ViewItem"), Scheme::Any,
                 [itemPage](const Request &r) { return itemPage(r, false); });

    // A member's feedback profile; the numbers come from the account, if there is one.
    m_routes.add(QStringLiteral("feedback"), kIsapi, QStringLiteral("ViewFeedback"), Scheme::Any, [this](const Request &r) {
        const QString user = r.param(QStringLiteral("userid"));
        const Account *a = account(user);
        return Response::html(Pages::feedbackProfile(user, a ? a->feedbackScore : 0, a ? a->feedbackPercent : 100.0));
    });

    m_routes.add(QStringLiteral("time"), kIsapi, QStringLiteral("EbayTime"), Scheme::Any,
                 [this](const Request &) {
                     PageContext ctx = pageContext();
                     // Every so many readings come from a cache, behind.
                     if (m_staleEvery > 0 && ++m_timeReadings % m_staleEvery == 0)
                         ctx.clockOffsetMs -= m_staleMs;
                     return Response::html(Pages::officialTime(ctx));
                 });

    // Sign-in: the full and the short request both carry MfcISAPICommand=SignInWelcome,
    // userid and pass. Accepted sign-ins get a session cookie.
    m_routes.add(QStringLiteral("signin"), kIsapi, QStringLiteral("SignInWelcome"), Scheme::Any, [this](const Request &r) {
        const QString user = r.param(QStringLiteral("userid"));
        const QString password = r.param(QStringLiteral("pass"));
        if (!acceptsSignIn(user, password))
            return Response::html(Pages::signInRejected(user));
        Response response = Response::html(Pages::signInAccepted(user));
        response.addHeader("Set-Cookie", sessionCookie(startSession(user)));
        return response;
    });

    // Sign-out: "/ws2/eBayISAPI.dll?SignIn&ssPageName=h:h:sout:US".
    Route signOut;
    signOut.role = QStringLiteral("signin");
    signOut.path = kIsapi2;
    signOut.command = QStringLiteral("SignIn");
    signOut.when = [](const Request &r) {
        return r.param(QStringLiteral("ssPageName")).contains(QLatin1String("sout"), Qt::CaseInsensitive);
    };
    signOut.handler = [this](const Request &r) {
        endSession(r.cookie(sessionCookieName()));
        Response response = Response::html(Pages::signOut());
        response.addHeader("Set-Cookie", expiredSessionCookie());
        return response;
    };
    m_routes.add(signOut);

    // Pictures, wherever a page points to them.
    Route pictures;
    pictures.role = QStringLiteral("pics");
    pictures.path = QStringLiteral("/*");
    pictures.when = [](const Request &r) {
        static const QStringList kinds = {QStringLiteral(".gif"), QStringLiteral(".jpg"), QStringLiteral(".jpeg"),
                                          QStringLiteral(".png")};
        for (const QString &kind : kinds)
            if (r.path.endsWith(kind, Qt::CaseInsensitive))
                return true;
        return false;
    };
    pictures.handler = [](const Request &) {
        Response response;
        response.contentType = "image/gif";
        response.body = spacerGif();
        return response;
    };
    m_routes.add(pictures);

    // Search: eBay's "/sch/i.html?_nkw=words", the home page's search box.
    m_routes.add(QStringLiteral("sitesearch"), QStringLiteral("/sch/i.html"), QString(), Scheme::Any, [this](const Request &r) {
        // A form sends blanks as "+".
        const QString words = r.param(QStringLiteral("_nkw")).replace(QLatin1Char('+'), QLatin1Char(' ')).simplified();
        QList<const SimItem *> found;
        for (const SimItem *item : itemsEndingFirst())
            if (Pages::matchesSearch(*item, words))
                found << item;
        return Response::html(Pages::searchResults(pageContext(), words, found));
    });

    m_routes.add(QStringLiteral("site"), QStringLiteral("/"), QString(), Scheme::Any,
                 [this](const Request &) { return Response::html(Pages::home(pageContext(), itemsEndingFirst())); });
}

} // namespace Sim
