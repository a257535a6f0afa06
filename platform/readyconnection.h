#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QUrl>

#include <memory>

class QTcpSocket;

// A connection to a request's server opened ahead of the request, its TLS
// handshake done, so that a request due at a chosen moment only has to be
// written then: the handshakes' round trips are paid before the moment, not
// after it. The connection carries one request (OnceFetch::useConnection)
// and is handed out only while nothing has come on it and the server has not
// closed it; otherwise the request opens a fresh connection, nothing having
// been written on this one.
class ReadyConnection final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReadyConnection)

public:
    // For requests to `url`'s scheme, host and port.
    explicit ReadyConnection(const QUrl &url, QObject *parent = nullptr);
    ~ReadyConnection() override;

    // Starts connecting; settled() follows once the connection is ready or
    // has failed, never inside this call, and again when the server closes a
    // ready connection before it was taken.
    void open();
    bool isOpening() const { return m_socket && !m_ready && !m_failed; }
    // Connected (and encrypted for https), nothing arrived, not closed.
    bool isReady() const;

    // The round trip the handshakes took (ms): the TCP handshake and, for
    // https, the TLS one's first flight, each one round trip; -1 before.
    qint64 roundTripMs() const { return m_roundTripMs; }
    // How long the connection had been ready, untaken, when the server closed
    // it (ms): the server's idle time-out, at most; -1 when it did not.
    qint64 closedIdleAfterMs() const { return m_closedIdleAfterMs; }

    // The connection for a request to `url`, its owner from now on, when it
    // is ready and goes to that url's server; nullptr otherwise (it is then
    // closed). Handed out once.
    QTcpSocket *take(const QUrl &url);

signals:
    void settled();

private:
    void becameReady();
    void failed();
    void drop();

    QUrl m_url;
    std::unique_ptr<QTcpSocket> m_socket;
    QElapsedTimer m_since;
    qint64 m_roundTripMs = -1;
    QElapsedTimer m_readySince;
    qint64 m_closedIdleAfterMs = -1;
    bool m_ready = false;
    bool m_failed = false;
};
