#include "platform/oncefetch.h"

#include "platform/keptconnections.h"
#include "platform/network.h"
#include "platform/readyconnection.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QSslSocket>

#include <utility>

namespace {

constexpr int kMaxRedirects = 20;
// What a socket holds before it waits for this fetch to read: the data of one
// pass of the event loop, however fast the server sends.
constexpr qint64 kReadSliceBytes = 256 * 1024;
// From a head's first byte to its end. A server writes a head (an interim
// answer's too) at once; one still coming after this is being dripped.
constexpr int kHeadMs = 1000;

NumberedError InetError(int number, const QString &text)
{
    return NumberedError(number, text, QStringLiteral("Inet"));
}

NumberedError SocketError(QAbstractSocket::SocketError code, const QString &text)
{
    switch (code) {
    case QAbstractSocket::HostNotFoundError:
        return InetError(ErrorNumber::InetHostNotFound, QStringLiteral("The server name or address could not be resolved"));
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return InetError(ErrorNumber::InetSslError, QStringLiteral("A secure connection could not be made: ") + text);
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::RemoteHostClosedError:
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::SocketTimeoutError:
    case QAbstractSocket::UnknownSocketError:
        return InetError(ErrorNumber::InetCannotConnect, QStringLiteral("Cannot connect to server: ") + text);
    default:
        return InetError(ErrorNumber::InetRequestFailed, QStringLiteral("The request failed: ") + text);
    }
}

bool IsHttps(const QUrl &url)
{
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

bool SameOrigin(const QUrl &a, const QUrl &b)
{
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 && a.host().compare(b.host(), Qt::CaseInsensitive) == 0
        && a.port(IsHttps(a) ? 443 : 80) == b.port(IsHttps(b) ? 443 : 80);
}

} // namespace

OnceFetch::OnceFetch(const QUrl &url, int timeoutSeconds, Connection connection, qsizetype maxReplyBytes,
                     QObject *parent)
    : QObject(parent), m_url(url), m_connection(connection), m_maxReplyBytes(maxReplyBytes), m_reader(maxReplyBytes)
{
    m_timeout.setSingleShot(true);
    m_timeout.setTimerType(Qt::PreciseTimer); // a coarse timer may fire 5% early
    m_timeout.setInterval(std::max(1, timeoutSeconds) * 1000);
    connect(&m_timeout, &QTimer::timeout, this,
            [this] { finish(InetError(ErrorNumber::InetTimeout, QStringLiteral("The request timed out"))); });
    m_headDeadline.setSingleShot(true);
    m_headDeadline.setTimerType(Qt::PreciseTimer);
    m_headDeadline.setInterval(kHeadMs);
    connect(&m_headDeadline, &QTimer::timeout, this, [this] {
        finish(InetError(ErrorNumber::InetTimeout, QStringLiteral("The request timed out: the reply's head came too slowly")));
    });
}

OnceFetch::~OnceFetch()
{
    dropSocket();
}

void OnceFetch::useConnection(ReadyConnection *ready)
{
    m_ready = ready;
}

void OnceFetch::start()
{
    Network::manager(); // the trusted authorities are in place before any TLS
    m_timeout.start();
    m_sinceStart.start();
    // Started from the event loop: ended() never runs inside start().
    QMetaObject::invokeMethod(this, &OnceFetch::sendHop, Qt::QueuedConnection);
}

void OnceFetch::cancel()
{
    finish(InetError(ErrorNumber::InetCancelled, QStringLiteral("The request was cancelled")));
}

void OnceFetch::sendHop()
{
    if (m_ended)
        return;
    if (!m_url.isValid() || m_url.host().isEmpty() || (m_url.scheme().toLower() != QLatin1String("http") && !IsHttps(m_url))) {
        finish(InetError(ErrorNumber::InetRequestFailed, QStringLiteral("The URL is malformed: ") + m_url.toString()));
        return;
    }
    const bool https = IsHttps(m_url);
    const int port = m_url.port(https ? 443 : 80);
    m_key = KeptConnections::KeyOf(m_url);
    m_received = 0;
    m_reader = HttpReplyReader(m_maxReplyBytes);
    m_headDeadline.stop();

    if (ReadyConnection *ready = std::exchange(m_ready, nullptr)) {
        if (ready->isOpening()) {
            // Not waited for: a fresh connection races it.
            m_otherCandidate = ready;
            connect(ready, &ReadyConnection::settled, this, &OnceFetch::otherCandidateSettled);
        } else {
            m_socket.reset(ready->take(m_url));
        }
    }
    if (m_connection == Connection::Kept && !m_socket)
        m_socket.reset(KeptConnections::Take(m_key));
    const bool reused = m_socket != nullptr;
    if (!reused)
        m_socket.reset(https ? new QSslSocket : new QTcpSocket);

    attach(m_socket.get());
    m_since.start();
    if (reused) {
        m_roundTripsToReply = 1;
        write();
    } else if (https) {
        // TCP's handshake, then TLS's (one round trip in TLS 1.3).
        m_roundTripsToReply = 2;
        auto *ssl = static_cast<QSslSocket *>(m_socket.get());
        connect(ssl, &QSslSocket::encrypted, this, &OnceFetch::secured);
        ssl->connectToHostEncrypted(m_url.host(), quint16(port));
    } else {
        // TCP's handshake, then the request.
        m_roundTripsToReply = 2;
        connect(m_socket.get(), &QTcpSocket::connected, this, &OnceFetch::write);
        m_socket->connectToHost(m_url.host(), quint16(port));
    }
}

void OnceFetch::attach(QTcpSocket *socket)
{
    socket->setReadBufferSize(kReadSliceBytes);
    connect(socket, &QTcpSocket::readyRead, this, [this] { readMore(false); });
    connect(socket, &QTcpSocket::disconnected, this, [this] { readMore(true); });
    connect(socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError)
            readMore(true); // a body that runs to the close ends here
        else
            socketFailed();
    });
}

void OnceFetch::otherCandidateSettled()
{
    const QPointer<ReadyConnection> other = std::exchange(m_otherCandidate, nullptr);
    if (!other)
        return;
    other->disconnect(this);
    if (m_ended || m_requestWritten || m_hops > 0)
        return;
    QTcpSocket *socket = other->take(m_url);
    if (!socket)
        return; // it failed: the fresh connection carries on
    // Ready before the fresh one: the request goes on it, the fresh one closes.
    dropSocket();
    m_socket.reset(socket);
    attach(socket);
    m_since.start();
    m_roundTripsToReply = 1;
    write();
}

void OnceFetch::secured()
{
    roundTrip(m_since.elapsed() / 2);
    m_since.start();
    m_roundTripsToReply = 1;
    write();
}

void OnceFetch::roundTrip(qint64 ms)
{
    if (m_roundTripMs < 0 || ms < m_roundTripMs)
        m_roundTripMs = ms;
}

void OnceFetch::write()
{
    if (m_mayWrite && !m_mayWrite()) {
        finish(NumberedError(ErrorNumber::InetCancelled, QStringLiteral("The request was no longer to be sent"),
                             QStringLiteral("Inet")));
        return;
    }
    const bool https = IsHttps(m_url);
    const int port = m_url.port(https ? 443 : 80);
    QByteArray target = m_url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (m_url.hasQuery())
        target += '?' + m_url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: " + m_url.host(QUrl::FullyEncoded).toLatin1();
    if (port != (https ? 443 : 80))
        request += ':' + QByteArray::number(port);
    request += "\r\nUser-Agent: Mozilla/4.0 (compatible; Tallowmere)\r\nAccept: */*\r\n";
    QByteArray cookies;
    for (const QNetworkCookie &c : Network::manager().cookieJar()->cookiesForUrl(m_url))
        cookies += (cookies.isEmpty() ? "" : "; ") + c.toRawForm(QNetworkCookie::NameAndValueOnly);
    if (!cookies.isEmpty())
        request += "Cookie: " + cookies + "\r\n";
    request += m_connection == Connection::Kept ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    if (const QPointer<ReadyConnection> other = std::exchange(m_otherCandidate, nullptr))
        other->disconnect(this); // the other candidate is not needed
    m_requestWritten = true;
    m_writtenAfterMs = m_sinceStart.isValid() ? m_sinceStart.elapsed() : -1;
    m_socket->write(request);
}

void OnceFetch::readMore(bool closed)
{
    if (m_ended || !m_socket)
        return;
    using Progress = HttpReply::Progress;
    Progress progress = Progress::Incomplete;
    // What the socket holds now (at most one read slice); more comes with the
    // next pass of the event loop. Bytes past a complete answer are read too,
    // so the reader sees that the connection carried more than was asked.
    while (progress == Progress::Incomplete || progress == Progress::Complete) {
        const QByteArray piece = m_socket->read(kReadSliceBytes);
        if (piece.isEmpty())
            break;
        if (m_received == 0 && m_roundTripsToReply > 0) {
            roundTrip(m_since.elapsed() / m_roundTripsToReply);
            m_roundTripsToReply = 0;
        }
        m_received += piece.size();
        progress = m_reader.feed(piece);
    }
    if (closed && (progress == Progress::Incomplete || progress == Progress::Complete))
        progress = m_reader.closed();
    if (!m_reader.inHead())
        m_headDeadline.stop();
    else if (!m_headDeadline.isActive() && !m_slowHeadAllowed)
        m_headDeadline.start();
    if (progress == Progress::Incomplete)
        return;
    if (progress == Progress::TooLarge) {
        finish(InetError(ErrorNumber::InetRequestFailed,
                         QStringLiteral("The request failed: the reply is larger than the %1 KB allowed")
                             .arg(m_maxReplyBytes / 1024)));
        return;
    }
    if (progress == Progress::Broken) {
        finish(InetError(ErrorNumber::InetCannotConnect,
                         m_received == 0 ? QStringLiteral("Cannot connect to server: the connection was closed before the reply")
                                         : QStringLiteral("Cannot connect to server: the reply was cut off")));
        return;
    }
    const HttpReply &reply = m_reader.reply();

    keepCookies(reply);

    // The answer is whole: its connection is kept or closed, never reused
    // by this fetch for anything else.
    if (m_connection == Connection::Kept && reply.keepAlive && m_socket->state() == QAbstractSocket::ConnectedState) {
        m_socket->disconnect(this);
        KeptConnections::Keep(m_key, m_socket.release());
    } else {
        dropSocket();
    }

    const QByteArray location = reply.header("location");
    if (reply.status >= 300 && reply.status < 400 && !location.isEmpty()) {
        if (++m_hops > kMaxRedirects) {
            finish(InetError(ErrorNumber::InetRequestFailed, QStringLiteral("The request failed: too many redirects")));
            return;
        }
        const QUrl next = m_url.resolved(QUrl(QString::fromLatin1(location), QUrl::TolerantMode));
        if (m_keepToOrigin && !SameOrigin(m_url, next)) {
            finish(InetError(ErrorNumber::InetRequestFailed,
                             QStringLiteral("The request failed: redirected to another server: ") + next.toString()));
            return;
        }
        m_url = next;
        sendHop();
        return;
    }
    finish(std::nullopt);
}

void OnceFetch::keepCookies(const HttpReply &reply)
{
    // Handed over at once, so the jar can bound what one reply sets.
    QList<QNetworkCookie> cookies;
    for (const auto &h : reply.headers)
        if (h.first == "set-cookie")
            cookies += QNetworkCookie::parseCookies(h.second);
    if (!cookies.isEmpty())
        Network::manager().cookieJar()->setCookiesFromUrl(cookies, m_url);
}

void OnceFetch::socketFailed()
{
    if (m_ended || !m_socket)
        return;
    finish(SocketError(m_socket->error(), m_socket->errorString()));
}

void OnceFetch::finish(std::optional<NumberedError> error)
{
    if (m_ended)
        return;
    m_ended = true;
    m_timeout.stop();
    m_headDeadline.stop();
    m_error = std::move(error);
    if (m_error)
        m_reader = HttpReplyReader(m_maxReplyBytes);
    dropSocket();
    emit ended();
}

void OnceFetch::dropSocket()
{
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    m_socket->abort();
    // Deleted later: this may run inside one of the socket's own signals.
    m_socket.release()->deleteLater();
}
