#include "platform/readyconnection.h"

#include "platform/keptconnections.h"
#include "platform/network.h"

#include <QSslSocket>

namespace {

bool IsHttps(const QUrl &url)
{
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

} // namespace

ReadyConnection::ReadyConnection(const QUrl &url, QObject *parent) : QObject(parent), m_url(url)
{
}

ReadyConnection::~ReadyConnection()
{
    drop();
}

void ReadyConnection::open()
{
    if (m_socket || m_ready || m_failed)
        return;
    const bool https = IsHttps(m_url);
    if (!m_url.isValid() || m_url.host().isEmpty() || (!https && m_url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) != 0)) {
        m_failed = true;
        QMetaObject::invokeMethod(this, &ReadyConnection::settled, Qt::QueuedConnection);
        return;
    }
    Network::manager(); // the trusted authorities are in place before any TLS
    const quint16 port = quint16(m_url.port(https ? 443 : 80));
    m_socket.reset(https ? new QSslSocket : new QTcpSocket);
    connect(m_socket.get(), &QTcpSocket::disconnected, this, &ReadyConnection::failed);
    connect(m_socket.get(), &QAbstractSocket::errorOccurred, this, &ReadyConnection::failed);
    m_since.start();
    if (https) {
        auto *ssl = static_cast<QSslSocket *>(m_socket.get());
        connect(ssl, &QSslSocket::encrypted, this, &ReadyConnection::becameReady);
        ssl->connectToHostEncrypted(m_url.host(), port);
    } else {
        connect(m_socket.get(), &QTcpSocket::connected, this, &ReadyConnection::becameReady);
        m_socket->connectToHost(m_url.host(), port);
    }
}

bool ReadyConnection::isReady() const
{
    return m_ready && m_socket && m_socket->state() == QAbstractSocket::ConnectedState && m_socket->bytesAvailable() == 0;
}

void ReadyConnection::becameReady()
{
    // A TLS 1.3 handshake costs one round trip after the TCP one; an older
    // one two, which only makes this reading longer than the path.
    const qint64 roundTrips = IsHttps(m_url) ? 2 : 1;
    m_roundTripMs = m_since.elapsed() / roundTrips;
    m_ready = true;
    m_readySince.start();
    emit settled();
}

void ReadyConnection::failed()
{
    if (m_failed)
        return;
    m_failed = true;
    if (m_ready)
        m_closedIdleAfterMs = m_readySince.elapsed();
    m_ready = false;
    drop();
    emit settled();
}

QTcpSocket *ReadyConnection::take(const QUrl &url)
{
    if (!m_socket)
        return nullptr;
    m_socket->disconnect(this);
    // Take in a close or stray bytes that have already arrived.
    if (m_ready && m_socket->state() == QAbstractSocket::ConnectedState && m_socket->bytesAvailable() == 0)
        m_socket->waitForReadyRead(0);
    if (!isReady() || KeptConnections::KeyOf(url) != KeptConnections::KeyOf(m_url)) {
        m_ready = false;
        drop();
        return nullptr;
    }
    m_ready = false;
    return m_socket.release();
}

void ReadyConnection::drop()
{
    if (!m_socket)
        return;
    m_socket->disconnect(this);
    m_socket->abort();
    // Deleted later: this may run inside one of the socket's own signals.
    m_socket.release()->deleteLater();
}
