#include "mainwindow/pagerules.h"

#include "engine/onlineservice.h"
#include "foundation/hostroles.h"

#include <QUrl>

namespace PageRules {

bool IsSecureAddress(const QString &url)
{
    return url.startsWith(QLatin1String("https://"));
}

bool IsItemAddress(const QString &url)
{
    for (const char *marker : {"-/", "itemZ", "/itm/", "item="})
        if (url.contains(QLatin1String(marker)))
            return true;
    const QString lower = url.toLower();
    for (const char *marker : {"?cmd=viewitem", "?pt=", "?ru="})
        if (lower.contains(QLatin1String(marker)))
            return true;
    return false;
}

QString TitleText(const QString &title, const QString &url)
{
    QString text = title.isEmpty() ? url : title;
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QString TabCaption(const QString &titleText)
{
    return titleText.size() <= 30 ? titleText : titleText.left(28) + QStringLiteral("...");
}

QString SearchURL(const QString &domain, const QString &words)
{
    QString query;
    for (const QChar c : words) {
        switch (c.unicode()) {
        case '%': query += QStringLiteral("%25"); break;
        case '&': query += QStringLiteral("%26"); break;
        case '#': query += QStringLiteral("%23"); break;
        case '+': query += QStringLiteral("%2B"); break;
        default: query += c;
        }
    }
    return HostRoles::url(HostRoles::Role::SiteSearch, QStringLiteral("/search/search.dll?MfcISAPICommand=GetResult&query="),
                          false, domain)
        + query;
}

bool IsEbaySignInForm(const QString &url, const QString &lowerHtml)
{
    return url.contains(QLatin1String("ebay.")) && !lowerHtml.contains(QLatin1String("your user id or password is incorrect"))
        && lowerHtml.contains(QLatin1String("user id")) && lowerHtml.contains(QLatin1String("<form id=signinform"));
}

bool IsOnlineLoginPage(const QString &url)
{
    const QString login = QUrl(OnlineService::LoginPageURL()).path();
    return QUrl(url).path().compare(login, Qt::CaseInsensitive) == 0 && url.contains(login)
        && !url.contains(QLatin1String("error="));
}

} // namespace PageRules
