#include "mainwindow/menupages.h"

#include "engine/onlineservice.h"
#include "foundation/hostroles.h"
#include "foundation/pageaccess.h"

namespace MenuPages {

namespace {

using HostRoles::Role;

QString sitePage(Role role, const QString &domain, const QString &pathAndQuery)
{
    return HostRoles::url(role, pathAndQuery, false, domain);
}

// A page of My eBay, by its CurrentPage name.
QString myEbayPage(const QString &domain, const QString &currentPage)
{
    return sitePage(Role::SiteMyEbay, domain, QStringLiteral("/ws/eBayISAPI.dll?MyeBay&CurrentPage=") + currentPage);
}

QString vendorPage(const QString &pathAndQuery)
{
    return HostRoles::url(Role::Vendor, pathAndQuery);
}

} // namespace

QString EbayHome(const QString &domain)
{
    return sitePage(Role::SiteBase, domain, QStringLiteral("/"));
}

QString AdvancedSearch(const QString &domain)
{
    return sitePage(Role::SiteSearch, domain, QStringLiteral("/ws/search/AdvSearch?sofindtype=1"));
}

QString Sell(const QString &domain)
{
    return sitePage(Role::SiteSelling, domain, QStringLiteral("/sell"));
}

QString MyEbayBidding(const QString &domain)
{
    return myEbayPage(domain, QStringLiteral("MyeBayAllBuying"));
}

QString MyEbaySelling(const QString &domain)
{
    return myEbayPage(domain, QStringLiteral("MyeBaySelling"));
}

QString MyEbayFavorites(const QString &domain)
{
    return myEbayPage(domain, QStringLiteral("MyeBayAllFavorites"));
}

QString Feedback(const QString &domain, const QString &user)
{
    return sitePage(Role::SiteFeedback, domain, QStringLiteral("/ws/eBayISAPI.dll?ViewFeedback&userid=") + user);
}

QString Affiliate()
{
    return vendorPage(QStringLiteral("/affiliate/"));
}

QString Donate(const QString &user)
{
    return vendorPage(QStringLiteral("/donate/?user=") + user);
}

QString Faq()
{
    return vendorPage(QStringLiteral("/faq.asp"));
}

QString Support(const QString &user, int build, const QString &syncInterval, const QString &bidDelay)
{
    return vendorPage(QStringLiteral("/contact.asp?user=") + basGeneral::UrlEncode(user) + QStringLiteral("&build=")
                      + QString::number(build) + QStringLiteral("&int=") + syncInterval + QStringLiteral("&delay=")
                      + bidDelay);
}

QString OnlineLogin()
{
    return OnlineService::LoginPageURL();
}

QList<Page> All(const QString &domain, const QString &user)
{
    return {
        {QStringLiteral("GoTo > eBay home"), EbayHome(domain)},
        {QStringLiteral("GoTo > Advanced Search"), AdvancedSearch(domain)},
        {QStringLiteral("GoTo > Sell"), Sell(domain)},
        {QStringLiteral("GoTo > My eBay Bidding/Watching"), MyEbayBidding(domain)},
        {QStringLiteral("GoTo > My eBay Selling"), MyEbaySelling(domain)},
        {QStringLiteral("GoTo > My eBay Favorites"), MyEbayFavorites(domain)},
        {QStringLiteral("User Menu > Feedback Profile"), Feedback(domain, user)},
        {QStringLiteral("File > Join the affiliate program"), Affiliate()},
        {QStringLiteral("File > Make a Donation"), Donate(user)},
        {QStringLiteral("Help > Frequently Asked Questions"), Faq()},
        {QStringLiteral("Help > Contact Support"), Support(user, 1, QStringLiteral("5"), QStringLiteral("0"))},
        {QStringLiteral("Browser > Log into TMR Online"), OnlineLogin()},
    };
}

} // namespace MenuPages
