#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>

#include <functional>

class QTcpSocket;

// A plain HTTP server on 127.0.0.1 that answers each request the way a
// hostile peer does: framing no client can read, heads and trailers without
// end, a head that trickles in a byte at a time, interim answers without
// end, a page behind a flood of cookies. What is endless is sent as fast as
// the client reads it.
class HostileHttp final : public QObject
{
    Q_DISABLE_COPY_MOVE(HostileHttp)

public:
    enum class Kind {
        ChunkSize15Digits,  // a chunk size of 15 hex digits, then bytes without end
        ChunkSize32Digits,  // a chunk size of 32 hex digits
        NegativeChunkSize,  // a chunk size of -1
        HeaderFlood,        // header lines without end
        TrailerFlood,       // a last chunk followed by trailer lines without end
        LongChunkExtension, // a chunk-size line with a 10 MB extension
        OneByteChunks,      // chunks of one byte without end
        SlowHeaders,        // a header line that grows by one byte every 50 ms
        EndlessContinue,    // "100 Continue" answers without end
        CookieFlood,        // a small page behind a 60 KB head of cookies never set before
    };
    // Every kind but the cookie flood: answers no client can take.
    static const QList<Kind> &Failing();
    static QByteArray Name(Kind kind);

    // `kindOf` chooses each request's answer from its target (path and query).
    explicit HostileHttp(std::function<Kind(const QByteArray &target)> kindOf, QObject *parent = nullptr);
    quint16 port() const { return m_server.serverPort(); }
    QByteArray url(const QByteArray &target) const;
    int requests() const { return m_requests; }
    // Cookies the floods have set so far; they are named "flood1", "flood2"...
    int cookiesSet() const { return m_cookies; }

private:
    void answer(QTcpSocket *socket, Kind kind);
    void topUp(QTcpSocket *socket);

    QTcpServer m_server;
    std::function<Kind(const QByteArray &)> m_kindOf;
    int m_requests = 0;
    int m_cookies = 0;
};
