#pragma once

// Small helpers for the simulator tests: requests without a network, the
// program's way of cutting text out of a page, and a blocking fetch.
#include "sim/core/simhttp.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QSslCertificate>
#include <QString>
#include <QTimer>

#include <ostream>

// Readable QStrings in test failures.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace SimTest {

inline Sim::Request request(const QString &target, bool https = false, const QString &method = QStringLiteral("GET"))
{
    Sim::Request r;
    r.method = method;
    const qsizetype q = target.indexOf(QLatin1Char('?'));
    r.path = q < 0 ? target : target.left(q);
    r.rawQuery = q < 0 ? QString() : target.mid(q + 1);
    r.https = https;
    return r;
}

// Text after the first `start` (any letter case) up to the first `end`
// (exact), as the program reads pages; "" when `start` is missing.
inline QString between(const QString &text, const QString &start, const QString &end)
{
    const qsizetype s = start.isEmpty() ? 0 : text.indexOf(start, 0, Qt::CaseInsensitive);
    if (s < 0)
        return {};
    const QString rest = text.mid(s + start.size());
    const qsizetype e = end.isEmpty() ? -1 : rest.indexOf(end);
    return e < 0 ? rest : rest.left(e);
}

inline QString stripTags(QString html)
{
    QString out;
    while (!html.isEmpty()) {
        const qsizetype lt = html.indexOf(QLatin1Char('<'));
        const qsizetype gt = lt < 0 ? -1 : html.indexOf(QLatin1Char('>'), lt);
        if (gt < 0) {
            out += html;
            break;
        }
        out += html.left(lt);
        html = html.mid(gt + 1);
    }
    return out.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
}

// The page as the item-field reader prepares it: no line breaks, no Tabs.
inline QString prepared(QString page)
{
    page.remove(QChar(0xC2));
    page.remove(QLatin1Char('\t'));
    page.remove(QLatin1Char('\r'));
    page.remove(QLatin1Char('\n'));
    return page;
}

struct Fetched
{
    bool finished = false;
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
    qint64 elapsedMs = 0;
};

// GET (or another verb) through `nam`, waiting at most `timeoutMs`; a reply
// still open then is aborted and reported as not finished.
inline Fetched fetch(QNetworkAccessManager &nam, const QString &url, int timeoutMs = 5000, const QString &caFile = {},
                     const QByteArray &verb = "GET", const QByteArray &body = {})
{
    QNetworkRequest req{QUrl(url)};
    if (!caFile.isEmpty()) {
        QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
        conf.addCaCertificates(QSslCertificate::fromPath(caFile));
        req.setSslConfiguration(conf);
    }
    if (!body.isEmpty())
        req.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    QElapsedTimer clock;
    clock.start();
    QNetworkReply *reply = nam.sendCustomRequest(req, verb, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    Fetched f;
    f.elapsedMs = clock.elapsed();
    f.finished = reply->isFinished();
    if (!f.finished)
        reply->abort();
    f.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    f.error = reply->error();
    f.body = reply->readAll();
    reply->deleteLater();
    return f;
}

} // namespace SimTest
