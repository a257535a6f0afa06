#pragma once

#include <QList>
#include <QString>

// The addresses the menus open in the browser pane. `domain` is the chosen
// eBay site, lower-cased ("ebay.com"); `user` the current user ID.
namespace MenuPages {

QString EbayHome(const QString &domain);
QString AdvancedSearch(const QString &domain);
QString Sell(const QString &domain);
QString MyEbayBidding(const QString &domain);
QString MyEbaySelling(const QString &domain);
QString MyEbayFavorites(const QString &domain);
QString Feedback(const QString &domain, const QString &user);

QString Affiliate();
QString Donate(const QString &user);
QString Faq();
// The support form, told the program's build and its sync and bid settings.
QString Support(const QString &user, int build, const QString &syncInterval, const QString &bidDelay);
QString OnlineLogin();

struct Page
{
    QString command; // the menu command, as the user reads it
    QString url;
};

// Every address above, the support form with the given figures.
QList<Page> All(const QString &domain, const QString &user);

} // namespace MenuPages
