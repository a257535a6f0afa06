#include "platform/cookiejar.h"

#include <QHash>
#include <QNetworkCookie>

#include <algorithm>

bool CookieJar::setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url)
{
    const bool added =
        QNetworkCookieJar::setCookiesFromUrl(cookieList.first(std::min<qsizetype>(cookieList.size(), kPerDomain)), url);
    if (added)
        dropBeyondBounds();
    return added;
}

void CookieJar::dropBeyondBounds()
{
    const QList<QNetworkCookie> all = allCookies();
    if (all.size() <= kPerDomain)
        return;
    // The jar lists cookies in the order they were last set: walk from the
    // newest and keep what fits.
    QHash<QString, int> perDomain;
    QList<QNetworkCookie> kept;
    for (auto it = all.crbegin(); it != all.crend() && kept.size() < kTotal; ++it) {
        QString domain = it->domain().toLower();
        if (domain.startsWith(QLatin1Char('.')))
            domain.remove(0, 1);
        if (++perDomain[domain] <= kPerDomain)
            kept.append(*it);
    }
    if (kept.size() == all.size())
        return;
    std::reverse(kept.begin(), kept.end());
    setAllCookies(kept);
}
