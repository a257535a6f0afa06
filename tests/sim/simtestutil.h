#pragma once

// A blocking fetch for the simulator tests.
#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QSslCertificate>
#include <QTimer>

namespace SimTest {

struct Fetched
{
    bool finished = false;
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
    QByteArray date; // the reply's Date header
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
    f.date = reply->rawHeader("Date");
    reply->deleteLater();
    return f;
}

} // namespace SimTest
