#include "platform/inet.h"

#include "platform/ansi.h"
#include "platform/network.h"
#include "platform/numberederror.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include <memory>

namespace {

NumberedError transferError(QNetworkReply::NetworkError code, const QString &text)
{
    switch (code) {
    case QNetworkReply::HostNotFoundError:
        return NumberedError(ErrorNumber::InetHostNotFound, QStringLiteral("The server name or address could not be resolved"), QStringLiteral("Inet"));
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::UnknownNetworkError:
        return NumberedError(ErrorNumber::InetCannotConnect, QStringLiteral("Cannot connect to server: ") + text, QStringLiteral("Inet"));
    case QNetworkReply::SslHandshakeFailedError:
        return NumberedError(ErrorNumber::InetSslError, QStringLiteral("A secure connection could not be made: ") + text, QStringLiteral("Inet"));
    default:
        return NumberedError(ErrorNumber::InetRequestFailed, QStringLiteral("The request failed: ") + text, QStringLiteral("Inet"));
    }
}

} // namespace

Inet::Inet(QObject *parent) : QObject(parent) {}

Inet::~Inet()
{
    if (m_reply) {
        // A request begun with Begin() ends without its completion: whoever
        // waits for it goes with this control's owner.
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

QNetworkReply *Inet::send(const QString &url)
{
    if (m_reply)
        throw NumberedError(ErrorNumber::InetStillExecuting, QStringLiteral("Still executing last request"), QStringLiteral("Inet"));

    const QUrl target(url, QUrl::TolerantMode);
    if (!target.isValid() || target.host().isEmpty())
        throw NumberedError(ErrorNumber::InetRequestFailed, QStringLiteral("The URL is malformed: ") + url, QStringLiteral("Inet"));

    QNetworkRequest request(target);
    // Both ways between http and https: sign-in and sign-out hop schemes.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(20);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Mozilla/4.0 (compatible; Tallowmere)"));

    m_lastUrl = url;
    // Per request: a Cancel() belongs to the request it stopped, even when
    // the control has been reused by a later request meanwhile.
    m_cancelled = std::make_shared<bool>(false);
    QNetworkReply *reply = Network::manager().get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::redirected, reply, &QNetworkReply::redirectAllowed);
    // The control is free again as soon as its reply is done.
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        if (m_reply == reply)
            m_reply = nullptr;
    });
    return reply;
}

QString Inet::result(QNetworkReply *reply, bool timedOut, bool cancelled)
{
    if (m_reply == reply)
        m_reply = nullptr;
    const QByteArray body = reply->readAll();
    const auto error = reply->error();
    const QString errorText = reply->errorString();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    reply->deleteLater();

    if (timedOut)
        throw NumberedError(ErrorNumber::InetTimeout, QStringLiteral("The request timed out"), QStringLiteral("Inet"));
    if (cancelled)
        throw NumberedError(ErrorNumber::InetCancelled, QStringLiteral("The request was cancelled"), QStringLiteral("Inet"));
    // An HTTP error status still has a page: the program reads it like any other.
    if (error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied)
        throw transferError(error, errorText);
    if (error != QNetworkReply::NoError && body.isEmpty() && status.isNull())
        throw transferError(error, errorText);
    return Ansi::decode(body);
}

QString Inet::OpenURL(const QString &url)
{
    QNetworkReply *reply = send(url);
    const std::shared_ptr<bool> cancelled = m_cancelled;

    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5% early
    bool timedOut = false;
    connect(&timeout, &QTimer::timeout, &loop, [&] { timedOut = true; reply->abort(); });
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timeout.start(std::max(1, RequestTimeout) * 1000);
    if (!reply->isFinished())
        loop.exec(QEventLoop::AllEvents);
    timeout.stop();

    return result(reply, timedOut, *cancelled);
}

void Inet::Begin(const QString &url, Completion done)
{
    QNetworkReply *reply = send(url);
    const std::shared_ptr<bool> cancelled = m_cancelled;
    auto timedOut = std::make_shared<bool>(false);
    auto *timeout = new QTimer(reply);
    timeout->setSingleShot(true);
    timeout->setTimerType(Qt::PreciseTimer);
    connect(timeout, &QTimer::timeout, reply, [reply, timedOut] {
        *timedOut = true;
        reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, timeout, cancelled, timedOut, done = std::move(done)] {
        timeout->stop();
        QString page;
        try {
            page = result(reply, *timedOut, *cancelled);
        } catch (const NumberedError &e) {
            done(QString(), &e);
            return;
        }
        done(page, nullptr);
    });
    timeout->start(std::max(1, RequestTimeout) * 1000);
}

void Inet::Cancel()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    if (m_cancelled)
        *m_cancelled = true;
    reply->abort();
}
