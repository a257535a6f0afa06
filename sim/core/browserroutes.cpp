// Pages the program shows in its embedded browser rather than fetching:
//
//   /search/search.dll?MfcISAPICommand=GetResult&query=words[&fgtp=n]
//       the results of a search, four items a page, each row tall enough
//       that a page scrolls; "Page n</B> of m", a "Next" link with its
//       picture while a later page exists, and the form "find" (field
//       "fgtp") that moves to another page.
// (eBay's sign-in page, Pages::signInPage, is served by the selling routes.)
//
// And the site's pages the GoTo and user menus open, each a small page that
// says what the real one was, with a link back to the home page:
//   /ws/search/AdvSearch, /sell, /ws/eBayISAPI.dll?MyeBay&CurrentPage=...
#include "sim/core/simserver.h"

namespace Sim {

namespace {

constexpr int kResultsPerPage = 4;

QString resultsPage(const QString &words, int page, int pages,
                    const QList<const SimItem *> &shown)
{
    const QString escaped = htmlEscape(words);
    QString html = QStringLiteral("<html><head><title>") + escaped
        + QStringLiteral(" | eBay search</title></head><body>\r\n"
                         "<form name=\"find\" id=\"find\" action=\"/search/search.dll\" method=\"get\">"
                         "<input type=\"hidden\" name=\"MfcISAPICommand\" value=\"GetResult\">"
                         "<input type=\"text\" name=\"query\" value=\"")
        + escaped
        + QStringLiteral("\"><input type=\"hidden\" name=\"fgtp\" value=\"\"><input type=\"submit\" value=\"Search\"></form>\r\n"
                         "<p>Search words: <span id=\"searchwords\">")
        + escaped + QStringLiteral("</span></p>\r\n<table width=\"100%\"><tr><td valign=\"top\" width=\"100%\"><b>Page ")
        + QString::number(page) + QStringLiteral("</b> of ") + QString::number(pages) + QStringLiteral("</td></tr></table>\r\n");
    for (const SimItem *item : shown)
        html += QStringLiteral("<div class=\"result\" style=\"height:250px\"><a href=\"")
            + QStringLiteral("/ws/eBayISAPI.dll?ViewItem&amp;item=") + htmlEscape(item->number) + QStringLiteral("\">")
            + htmlEscape(item->title) + QStringLiteral("</a></div>\r\n");
    if (shown.isEmpty())
        html += QStringLiteral("<p>0 items found.</p>\r\n");
    if (page < pages)
        html += QStringLiteral("<p><a href=\"/search/search.dll?MfcISAPICommand=GetResult&amp;fgtp=")
            + QString::number(page + 1) + QStringLiteral("\">Next<img src=\"/pics/next.gif\" width=\"8\" height=\"8\" "
                                                         "border=\"0\"></a></p>\r\n");
    return html + QStringLiteral("</body></html>");
}

// A page the simulator stands in for with a short note.
Response menuPage(const QString &title, const QString &what)
{
    return Response::html(QStringLiteral("<html><head><title>") + htmlEscape(title)
                          + QStringLiteral(" | eBay (simulated)</title></head><body><h1>") + htmlEscape(title)
                          + QStringLiteral("</h1><p>") + htmlEscape(what)
                          + QStringLiteral("</p><p>The simulator has no such page; its items are on "
                                           "<a href=\"/\">its home page</a>.</p></body></html>"));
}

} // namespace

void SimServer::addBrowserRoutes()
{
    m_routes.add(QStringLiteral("sitesearch"), QStringLiteral("/ws/search/AdvSearch"), QString(), Scheme::Any,
                 [](const Request &) {
                     return menuPage(QStringLiteral("Advanced Search"),
                                     QStringLiteral("eBay's search by words, category, price and seller."));
                 });
    m_routes.add(QStringLiteral("siteselling"), QStringLiteral("/sell"), QString(), Scheme::Any, [](const Request &) {
        return menuPage(QStringLiteral("Sell"), QStringLiteral("eBay's page for listing an item for sale."));
    });
    const QList<std::pair<QString, QString>> myEbay = {
        {QStringLiteral("MyeBayAllBuying"), QStringLiteral("Bidding and watching: the items you bid on and watch.")},
        {QStringLiteral("MyeBaySelling"), QStringLiteral("Selling: the items you have for sale and have sold.")},
        {QStringLiteral("MyeBayAllFavorites"), QStringLiteral("Favorites: your saved searches, sellers and categories.")},
    };
    for (const auto &entry : myEbay) {
        // Named copies: clang 14 cannot capture a structured binding in a lambda.
        const QString page = entry.first;
        const QString what = entry.second;
        Route route;
        route.role = QStringLiteral("sitemyebay");
        route.path = QStringLiteral("/ws/eBayISAPI.dll");
        route.command = QStringLiteral("MyeBay");
        route.when = [page](const Request &r) {
            return r.param(QStringLiteral("CurrentPage")).compare(page, Qt::CaseInsensitive) == 0;
        };
        route.handler = [this, what](const Request &r) {
            const QString user = sessionUser(r);
            return menuPage(QStringLiteral("My eBay"),
                            what + (user.isEmpty() ? QString() : QStringLiteral(" Signed in as ") + user + QLatin1Char('.')));
        };
        m_routes.add(route);
    }

    m_routes.add(QStringLiteral("sitesearch"), QStringLiteral("/search/search.dll"), QStringLiteral("GetResult"), Scheme::Any,
                 [this](const Request &r) {
                     const QString words = r.param(QStringLiteral("query")).simplified();
                     QList<const SimItem *> found;
                     for (const SimItem *item : itemsEndingFirst())
                         if (Pages::matchesSearch(*item, words))
                             found << item;
                     const int pages = std::max<int>(1, (found.size() + kResultsPerPage - 1) / kResultsPerPage);
                     const int page = std::clamp(r.param(QStringLiteral("fgtp")).toInt(), 1, pages);
                     return Response::html(resultsPage(words, page, pages,
                                                       found.mid((page - 1) * kResultsPerPage, kResultsPerPage)));
                 });
}

} // namespace Sim
