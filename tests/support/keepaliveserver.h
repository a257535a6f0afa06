#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A loopback HTTP/1.1 server that answers every request on the connection it
// came on and keeps that connection open, whatever the request asked for
// ("Connection: close" included). It counts the connections made and those
// the client closed; the request numbered `resetAt` (1-based) is answered
// with a reset instead.
class KeepAliveServer final : public QObject
{
public:
    KeepAliveServer();
    QString url(const char *path) const;
    // Closes every open connection in the orderly way, as an idle time-out does.
    void closeIdle();

    int connections = 0;
    int closedByClient = 0;
    QList<QByteArray> targets;
    int resetAt = 0;

private:
    void serve(QTcpSocket *socket);

    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_open;
    bool m_closing = false;
};
