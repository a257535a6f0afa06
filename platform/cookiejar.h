#pragma once

#include <QNetworkCookieJar>

// The program's one cookie jar, with bounds: a server that sets cookies
// without end (a head full of Set-Cookie lines, new names on every reply)
// cannot make the jar grow, and with it the time every reply's cookies and
// every request's Cookie line take. Past a bound the cookies set longest ago
// go first.
class CookieJar final : public QNetworkCookieJar
{
    Q_DISABLE_COPY_MOVE(CookieJar)

public:
    // Kept per domain (one reply sets no more: the rest of its cookies are
    // ignored) and kept in all.
    static constexpr int kPerDomain = 180;
    static constexpr int kTotal = 3000;

    using QNetworkCookieJar::QNetworkCookieJar;

    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;

private:
    void dropBeyondBounds();
};
