#include "tests/support/keepaliveserver.h"

#include <QTcpSocket>

#include <sys/socket.h>

KeepAliveServer::KeepAliveServer()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++connections;
            socket->setParent(this);
            m_open << socket;
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this] {
                if (!m_closing)
                    ++closedByClient;
            });
        }
    });
}

QString KeepAliveServer::url(const char *path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(QLatin1String(path));
}

void KeepAliveServer::closeIdle()
{
    m_closing = true;
    for (QTcpSocket *s : std::as_const(m_open))
        if (s)
            s->disconnectFromHost();
    m_closing = false;
}

void KeepAliveServer::serve(QTcpSocket *socket)
{
    QByteArray data = socket->property("pending").toByteArray() + socket->readAll();
    for (qsizetype end; (end = data.indexOf("\r\n\r\n")) >= 0; data = data.mid(end + 4)) {
        targets << data.left(data.indexOf("\r\n")).split(' ').value(1);
        if (targets.size() == resetAt) {
            const linger now{1, 0};
            ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
            m_closing = true;
            socket->abort();
            m_closing = false;
            return;
        }
        const QByteArray body = "page " + targets.last();
        socket->write("HTTP/1.1 200 OK\r\nConnection: keep-alive\r\nContent-Length: " + QByteArray::number(body.size())
                      + "\r\n\r\n" + body);
    }
    socket->setProperty("pending", data);
}
