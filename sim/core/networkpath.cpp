#include "sim/core/networkpath.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QQueue>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace Sim {

namespace {

// What one direction holds in transit before it stops reading its source:
// a server sending without end meets the client's pace, not the relay's memory.
constexpr qint64 kInTransitLimit = 1024 * 1024;

// One connection through the path: the client's socket, the one to the
// server, and the bytes in transit each way.
class Link final : public QObject
{
public:
    enum class Fault { None, Stall, CloseAtHello };

    Link(QTcpSocket *client, quint16 targetPort, int delayMs, int jitterMs, Fault fault, int closeIdleMs, NetworkPath *path)
        : QObject(path), m_delayMs(delayMs), m_jitterMs(jitterMs), m_fault(fault), m_path(path)
    {
        m_clock.start();
        client->setParent(this);
        auto *server = new QTcpSocket(this);
        // The client thinks itself connected now; its bytes leave when a real
        // handshake would have let them, after one round trip.
        m_up.from = client;
        m_up.to = server;
        m_up.notBeforeMs = 2 * qint64(delayMs);
        m_down.from = server;
        m_down.to = client;
        for (Direction *d : {&m_up, &m_down}) {
            d->from->setReadBufferSize(64 * 1024);
            d->timer.setSingleShot(true);
            d->timer.setTimerType(Qt::PreciseTimer);
            connect(&d->timer, &QTimer::timeout, this, [this, d] { deliver(*d); });
            connect(d->from, &QTcpSocket::readyRead, this, [this, d] { take(*d); });
            connect(d->from, &QTcpSocket::disconnected, this, [this, d] { sourceEnded(*d); });
            connect(d->from, &QAbstractSocket::errorOccurred, this, [this, d] { sourceEnded(*d); });
            connect(d->from, &QAbstractSocket::stateChanged, this, &Link::finishIfDone);
        }
        if (closeIdleMs > 0) {
            m_idle.setSingleShot(true);
            m_idle.setInterval(closeIdleMs);
            connect(&m_idle, &QTimer::timeout, this, [this] {
                // Closed by the server's side: each side sees the close.
                m_up.from->disconnectFromHost();
                m_down.from->disconnectFromHost();
            });
            m_idle.start();
        }
        const QDateTime opened = QDateTime::currentDateTime();
        connect(server, &QTcpSocket::connected, this, [this, server, opened] {
            m_relayPort = server->localPort();
            m_path->noteOpened(m_relayPort, opened);
            if (m_quietBeforeMs >= 0)
                m_path->noteQuietBefore(m_relayPort, m_quietBeforeMs);
        });
        server->connectToHost(QHostAddress::LocalHost, targetPort);
        take(m_up); // what the client sent before this link was made
    }
    ~Link() override
    {
        if (m_path && m_relayPort != 0)
            m_path->noteClosed(m_relayPort);
    }

private:
    struct Piece
    {
        qint64 dueMs;
        QByteArray bytes; // empty: the source closed
    };
    struct Direction
    {
        QTcpSocket *from = nullptr;
        QTcpSocket *to = nullptr;
        QQueue<Piece> transit;
        qint64 inTransit = 0;
        qint64 lastDueMs = 0;
        qint64 notBeforeMs = 0;
        bool ended = false;
        QTimer timer;
    };

    qint64 dueFromNow(Direction &d)
    {
        const int jitter = m_jitterMs > 0 ? int(QRandomGenerator::global()->bounded(m_jitterMs + 1)) : 0;
        d.lastDueMs = std::max({m_clock.elapsed() + m_delayMs + jitter, d.lastDueMs, d.notBeforeMs + m_delayMs});
        return d.lastDueMs;
    }

    void take(Direction &d)
    {
        if (&d == &m_up && m_fault != Fault::None && d.from->bytesAvailable() > 0) {
            if (m_fault == Fault::CloseAtHello) {
                m_fault = Fault::None;
                m_up.from->abort();
                m_down.from->abort();
                deleteLater();
            }
            return; // stalled: nothing reaches the server, nothing answers
        }
        if (m_idle.interval() > 0 && d.from->bytesAvailable() > 0)
            m_idle.start();
        while (!d.ended && d.inTransit < kInTransitLimit && d.from->bytesAvailable() > 0) {
            const QByteArray bytes = d.from->read(kInTransitLimit - d.inTransit);
            if (bytes.isEmpty())
                break;
            if (&d == &m_up)
                clientSent();
            d.inTransit += bytes.size();
            d.transit.enqueue({dueFromNow(d), bytes});
        }
        schedule(d);
    }

    void sourceEnded(Direction &d)
    {
        if (d.ended)
            return;
        take(d);
        d.ended = true;
        d.transit.enqueue({dueFromNow(d), QByteArray()});
        schedule(d);
    }

    void schedule(Direction &d)
    {
        if (d.transit.isEmpty())
            return;
        d.timer.start(int(std::max<qint64>(0, d.transit.head().dueMs - m_clock.elapsed())));
    }

    void deliver(Direction &d)
    {
        while (!d.transit.isEmpty() && d.transit.head().dueMs <= m_clock.elapsed()) {
            const Piece piece = d.transit.dequeue();
            d.inTransit -= piece.bytes.size();
            if (!piece.bytes.isEmpty()) {
                if (m_idle.interval() > 0)
                    m_idle.start();
                if (&d == &m_down)
                    clientReached();
                d.to->write(piece.bytes);
                continue;
            }
            // The source closed: so does the other side, once its bytes are out.
            d.to->disconnectFromHost();
            sourceEnded(&d == &m_up ? m_down : m_up);
        }
        take(d);
        finishIfDone();
    }

    // The client's side of the connection, as the client sees it: the quiet
    // before each of its turns, a turn being what it sends after the server
    // last reached it.
    void clientSent()
    {
        const qint64 now = m_clock.elapsed();
        if (!m_clientTurnOpen) {
            m_clientTurnOpen = true;
            m_quietBeforeMs = now - m_clientLastMs;
            if (m_path && m_relayPort != 0)
                m_path->noteQuietBefore(m_relayPort, m_quietBeforeMs);
        }
        m_clientLastMs = now;
    }
    void clientReached()
    {
        m_clientLastMs = m_clock.elapsed();
        m_clientTurnOpen = false;
    }

    // Gone once both sides have closed and written out what they were given.
    void finishIfDone()
    {
        if (m_up.ended && m_down.ended && m_up.transit.isEmpty() && m_down.transit.isEmpty()
            && m_up.from->state() == QAbstractSocket::UnconnectedState
            && m_down.from->state() == QAbstractSocket::UnconnectedState)
            deleteLater();
    }

    QElapsedTimer m_clock;
    int m_delayMs;
    int m_jitterMs;
    Fault m_fault;
    QPointer<NetworkPath> m_path;
    quint16 m_relayPort = 0;
    qint64 m_clientLastMs = 0; // the connect, or the latest bytes either way on the client's side
    bool m_clientTurnOpen = false;
    qint64 m_quietBeforeMs = -1;
    QTimer m_idle;
    Direction m_up;   // client to server
    Direction m_down; // server to client
};

} // namespace

NetworkPath::NetworkPath(quint16 targetPort, QObject *parent) : QObject(parent), m_targetPort(targetPort)
{
    connect(&m_server, &QTcpServer::newConnection, this, &NetworkPath::accept);
}

quint16 NetworkPath::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0) ? m_server.serverPort() : 0;
}

void NetworkPath::setDelay(int oneWayMs, int jitterMs)
{
    m_delayMs = std::max(0, oneWayMs);
    m_jitterMs = std::max(0, jitterMs);
}

void NetworkPath::accept()
{
    while (QTcpSocket *client = m_server.nextPendingConnection()) {
        Link::Fault fault = Link::Fault::None;
        if (m_misbehaviour.stallHandshakes > 0) {
            --m_misbehaviour.stallHandshakes;
            fault = Link::Fault::Stall;
        } else if (m_misbehaviour.closeAtHello > 0) {
            --m_misbehaviour.closeAtHello;
            fault = Link::Fault::CloseAtHello;
        }
        new Link(client, m_targetPort, m_delayMs, m_jitterMs, fault, m_misbehaviour.closeIdleMs, this);
    }
}

} // namespace Sim
