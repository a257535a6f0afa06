#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QTcpServer>

namespace Sim {

// A network path in front of one of the simulator's ports: a relay on
// 127.0.0.1 that hands every byte on, in each direction, a one-way delay
// (plus up to `jitterMs` more, order kept) after it came. A connection's
// handshake pays too: the kernel lets the client's connect through at once,
// so the client's first bytes reach the server no sooner than three one-way
// delays after the connect, as they would after a real TCP handshake. A
// close is passed on after the bytes before it; a reset reaches the other
// side as a close. With no delay the relay passes bytes on at once.
//
// It can misbehave as servers behind load balancers do (Misbehaviour):
// leave the handshake of the next connections unanswered, close the next
// connections as their first bytes (a TLS hello) arrive, or close any
// connection that carried nothing either way for a while.
class NetworkPath final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NetworkPath)

public:
    NetworkPath(quint16 targetPort, QObject *parent = nullptr);

    // Listens on any free loopback port; 0 when it cannot.
    quint16 listen();
    quint16 port() const { return m_server.serverPort(); }

    struct Misbehaviour
    {
        int stallHandshakes = 0; // the next N connections: the client's bytes never reach the server
        int closeAtHello = 0;    // the next N connections: closed when the client's first bytes arrive
        int closeIdleMs = 0;     // a connection idle this long either way is closed (0: never)
        bool any() const { return stallHandshakes > 0 || closeAtHello > 0 || closeIdleMs > 0; }
    };

    // Applies to connections opened from now on.
    void setDelay(int oneWayMs, int jitterMs);
    // The same; the counts are of connections from now on, and what is
    // left of them is what misbehaviour() gives.
    void setMisbehaviour(const Misbehaviour &misbehaviour) { m_misbehaviour = misbehaviour; }
    const Misbehaviour &misbehaviour() const { return m_misbehaviour; }

    // What the relay saw of the connection that reaches the simulator from
    // the relay's port `relayPort` (the simulator's peer port).
    struct Connection
    {
        QDateTime openedAt; // when the client opened it; invalid when none is open
        // How long the client's side had carried nothing either way when the
        // client began its latest bytes (those after the server last reached
        // it): about nothing for a request written with its handshake's last
        // flight, the wait for one written on a connection made ready ahead.
        qint64 quietBeforeMs = -1;
    };
    Connection connection(quint16 relayPort) const { return m_connections.value(relayPort); }
    void noteOpened(quint16 relayPort, const QDateTime &at) { m_connections[relayPort].openedAt = at; }
    void noteQuietBefore(quint16 relayPort, qint64 ms) { m_connections[relayPort].quietBeforeMs = ms; }
    void noteClosed(quint16 relayPort) { m_connections.remove(relayPort); }
    int delayMs() const { return m_delayMs; }
    int jitterMs() const { return m_jitterMs; }

private:
    void accept();

    QTcpServer m_server;
    quint16 m_targetPort;
    int m_delayMs = 0;
    int m_jitterMs = 0;
    Misbehaviour m_misbehaviour;
    QHash<quint16, Connection> m_connections;
};

} // namespace Sim
