#include "tests/support/tinyhttp.h"

#include <QTcpSocket>
#include <QTimer>

TinyHttp::TinyHttp(Handler handler, QObject *parent) : QObject(parent), m_handler(std::move(handler))
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QByteArray TinyHttp::url(const QByteArray &target) const
{
    return "http://127.0.0.1:" + QByteArray::number(port()) + target;
}

void TinyHttp::serve(QTcpSocket *socket)
{
    QByteArray data = socket->property("pending").toByteArray() + socket->readAll();
    const int end = data.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("pending", data);
        return;
    }
    socket->setProperty("pending", QByteArray());
    const QList<QByteArray> lines = data.left(end).split('\n');
    Request request;
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.target = first.value(1);
    for (int i = 1; i < lines.size(); ++i) {
        const int colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    m_requests << request;
    const Reply reply = m_handler(request);
    if (reply.hang) { // never answered
        connect(socket, &QTcpSocket::disconnected, this, [this] { ++m_hangsClosed; });
        return;
    }
    if (reply.drop) {
        socket->disconnectFromHost();
        return;
    }
    auto send = [socket, reply] {
        if (!reply.raw.isEmpty()) {
            socket->write(reply.raw);
            socket->disconnectFromHost();
            return;
        }
        QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " X\r\n";
        for (const auto &[name, value] : reply.headers)
            out += name + ": " + value + "\r\n";
        out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\nConnection: close\r\n\r\n" + reply.body;
        socket->write(out);
        socket->disconnectFromHost();
    };
    if (reply.delayMs > 0)
        QTimer::singleShot(reply.delayMs, socket, send);
    else
        send();
}
