#include "foundation/hostroles.h"

#include <QFile>
#include <QHash>
#include <QTextStream>
#include <QUrl>

namespace HostRoles {

namespace {

struct RoleInfo
{
    Role role;
    const char *name;
    const char *defaultHost; // for Site roles: the prefix before the domain
};

constexpr RoleInfo kRoles[] = {
    {Role::SignIn, "signin", "signin.ebay.com"},
    {Role::Listing, "listing", "cgi5.ebay.com"},
    {Role::Item, "item", "cgi.ebay.com"},
    {Role::Time, "time", "cgi1.ebay.com"},
    {Role::Feedback, "feedback", "feedback.ebay.com"},
    {Role::Offer, "offer", "offer.ebay.com"},
    {Role::MemberProfile, "member", "myworld.ebay.com"},
    {Role::MyEbay, "myebay", "my.ebay.com"},
    {Role::Payments, "payments", "payments.ebay.com"},
    {Role::StaticPics, "pics", "pics.ebaystatic.com"},
    {Role::Search, "search", "search.ebay.com"},
    {Role::Relist, "relist", "cgi5.ebay.com"},
    {Role::Www, "www", "www.ebay.com"},
    {Role::SiteBase, "site", ""},
    {Role::SiteItem, "siteitem", "cgi."},
    {Role::SiteSearch, "sitesearch", "search."},
    {Role::SiteSelling, "siteselling", "cgi5."},
    {Role::SiteMyEbay, "sitemyebay", "my."},
    {Role::SiteFeedback, "sitefeedback", "feedback."},
    {Role::Vendor, "vendor", "www.vendor.invalid"},
    {Role::VendorSecure, "vendorsecure", "secure.vendor.invalid"},
};

const RoleInfo &info(Role role)
{
    for (const auto &r : kRoles)
        if (r.role == role)
            return r;
    return kRoles[0];
}

bool isSiteRole(Role role)
{
    return role >= Role::SiteBase && role <= Role::SiteFeedback;
}

// name, name.http, name.https -> host[:port]
QHash<QString, QString> &overrides()
{
    static QHash<QString, QString> table;
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        reload();
    }
    return table;
}

} // namespace

void reload()
{
    auto &table = overrides();
    table.clear();
    const QString file = qEnvironmentVariable("TALLOWMERE_HOSTS");
    if (file.isEmpty())
        return;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        table.insert(line.left(eq).trimmed().toLower(), line.mid(eq + 1).trimmed());
    }
}

QString name(Role role)
{
    return QString::fromLatin1(info(role).name);
}

QString host(Role role, bool https, const QString &domain)
{
    const auto &table = overrides();
    const QString key = name(role);
    const QString scheme = key + (https ? QStringLiteral(".https") : QStringLiteral(".http"));
    const QString plain = table.value(key);
    const QString perScheme = table.value(scheme);
    if (!perScheme.isEmpty())
        return perScheme;
    if (!plain.isEmpty())
        return plain;
    const QString base = QString::fromLatin1(info(role).defaultHost);
    return isSiteRole(role) ? base + domain : base;
}

QString url(Role role, const QString &pathAndQuery, bool https, const QString &domain)
{
    return (https ? QStringLiteral("https://") : QStringLiteral("http://")) + host(role, https, domain) + pathAndQuery;
}

bool servedOverHttps(const QString &url, Role role)
{
    const QUrl page(url);
    if (page.scheme() != QLatin1String("https") || page.host().isEmpty())
        return false;
    const QUrl expected(QStringLiteral("https://") + host(role, true));
    return page.host().compare(expected.host(), Qt::CaseInsensitive) == 0 && page.port(443) == expected.port(443);
}

} // namespace HostRoles
