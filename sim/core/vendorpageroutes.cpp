// The vendor's information pages that the program opens in its browser: the
// FAQ, affiliate, donation and support pages, and the two review pages the
// review prompt links to. Each is a small page whose title names it.
#include "sim/core/simserver.h"

namespace Sim {

namespace {

Response infoPage(const QString &title, const Request &request)
{
    return Response::html(QStringLiteral("<html><head><title>") + title.toHtmlEscaped() + QStringLiteral("</title></head><body><h1>")
                          + title.toHtmlEscaped() + QStringLiteral("</h1><p id=\"request\">") + request.target().toHtmlEscaped()
                          + QStringLiteral("</p></body></html>"));
}

} // namespace

void SimServer::addVendorPageRoutes()
{
    const QList<std::pair<QString, QString>> pages = {
        {QStringLiteral("/faq.asp"), QStringLiteral("Frequently Asked Questions")},
        {QStringLiteral("/affiliate/"), QStringLiteral("Affiliate Program")},
        {QStringLiteral("/donate/"), QStringLiteral("Make a Donation")},
        {QStringLiteral("/contact.asp"), QStringLiteral("Contact Support")},
        {QStringLiteral("/reviews/harbor/tallowmere.html"), QStringLiteral("Download Harbor review")},
        {QStringLiteral("/reviews/lantern/tallowmere.html"), QStringLiteral("Shareware Lantern review")},
    };
    for (const auto &[path, title] : pages) {
        const QString t = title;
        m_routes.add(QStringLiteral("vendor"), path, QString(), Scheme::Http,
                     [t](const Request &request) { return infoPage(t, request); });
    }
}

} // namespace Sim
