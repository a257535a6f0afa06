#pragma once

#include "platform/httpreply.h"
#include "platform/numberederror.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QTcpSocket;
class ReadyConnection;

// One GET that reaches the server at most once. A connection dropped or
// reset before the answer ends the fetch with an error; it is never sent
// again underneath, so a page or a purchase goes out exactly as often as
// its caller decides. Cookies are read from and stored in the program's one
// cookie jar; a redirect is followed as a new request; the time-out counts
// over the whole fetch with a precise timer. Answers of any HTTP status are
// pages. TLS uses the program's trusted authorities (platform/network).
// A reply whose body goes past maxReplyBytes fails as soon as it does, so an
// endless answer never fills memory; arriving data is read in bounded slices
// and each byte looked at once, so no reply holds up the event loop. A head
// (an interim answer's too) that has begun must be complete within a second:
// a server dripping it to hold the request open fails then, not at the
// time-out, unless the caller lets the head take the whole time-out.
class OnceFetch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OnceFetch)

public:
    enum class Connection {
        Kept, // may use a kept connection and leave its own open for the next
        Own,  // a new connection, closed after the answer
    };

    OnceFetch(const QUrl &url, int timeoutSeconds, Connection connection, qsizetype maxReplyBytes,
              QObject *parent = nullptr);
    ~OnceFetch() override;

    // A redirect to another scheme, host or port ends the fetch with an
    // error instead of being followed (set before start()).
    void keepToOrigin() { m_keepToOrigin = true; }
    // A head that has begun may take the rest of the time-out (set before
    // start()): for a request to a trusted host whose answer must not be
    // given up on because a lossy link held part of it back.
    void allowSlowHead() { m_slowHeadAllowed = true; }
    // The request is written only while `mayWrite` holds at the moment of
    // writing (set before start()); otherwise the fetch ends with "cancelled"
    // and requestWritten() false. A connection may take seconds to open.
    void writeOnlyWhile(std::function<bool()> mayWrite) { m_mayWrite = std::move(mayWrite); }

    // The first request goes on `ready`'s connection when it is ready then,
    // otherwise on a fresh one opened then; one still in its handshakes is
    // kept as the other candidate, and the request goes on whichever of the
    // two is ready first (set before start()).
    void useConnection(ReadyConnection *ready);

    // Sends the request; ended() follows, never inside this call.
    void start();
    // Ends the fetch at once with "cancelled" (ended() inside this call); no
    // effect once ended.
    void cancel();

    bool isEnded() const { return m_ended; }
    const QByteArray &body() const { return m_reader.reply().body; }
    // Set when the fetch failed.
    const std::optional<NumberedError> &error() const { return m_error; }
    // Whether the request was handed to a connection: until then a failed
    // fetch cannot have reached the server.
    bool requestWritten() const { return m_requestWritten; }
    // The shortest round trip to the server this fetch saw (ms), from its
    // handshakes and from its requests to their answers' first bytes; -1
    // when it saw none.
    qint64 roundTripMs() const { return m_roundTripMs; }
    // Milliseconds from start() to the writing of the last request (the one
    // the reply answers): the server read it no sooner. -1 before.
    qint64 writtenAfterMs() const { return m_writtenAfterMs; }
    // Whether the answer came at the end of a redirect: it is another
    // page's, not the server's answer to the request itself.
    bool redirected() const { return m_hops > 0; }
    // A header of the answer (name lower-cased); empty when it has none.
    QByteArray replyHeader(const QByteArray &name) const { return m_reader.reply().header(name); }

signals:
    void ended();

private:
    void sendHop();
    void attach(QTcpSocket *socket);
    void otherCandidateSettled();
    void write();
    void secured();
    void roundTrip(qint64 ms);
    void readMore(bool closed);
    void keepCookies(const HttpReply &reply);
    void socketFailed();
    void finish(std::optional<NumberedError> error);
    void dropSocket();

    QUrl m_url;
    Connection m_connection;
    QTimer m_timeout;
    QTimer m_headDeadline;
    std::unique_ptr<QTcpSocket> m_socket;
    QString m_key;
    qsizetype m_maxReplyBytes;
    HttpReplyReader m_reader;
    qint64 m_received = 0;
    std::optional<NumberedError> m_error;
    int m_hops = 0;
    bool m_keepToOrigin = false;
    bool m_slowHeadAllowed = false;
    std::function<bool()> m_mayWrite;
    bool m_requestWritten = false;
    QPointer<ReadyConnection> m_ready;
    QPointer<ReadyConnection> m_otherCandidate; // still in its handshakes at start
    // Since the round trips still to come before the reply's first byte
    // began: the handshakes' and the request's own.
    QElapsedTimer m_since;
    int m_roundTripsToReply = 0;
    qint64 m_roundTripMs = -1;
    QElapsedTimer m_sinceStart;
    qint64 m_writtenAfterMs = -1;
    bool m_ended = false;
};
