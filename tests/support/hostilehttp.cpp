#include "tests/support/hostilehttp.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr qint64 kQueuedBytes = 256 * 1024;

QByteArray Repeated(const QByteArray &piece)
{
    QByteArray out;
    while (out.size() < 64 * 1024)
        out += piece;
    return out;
}

const QByteArray kChunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

} // namespace

const QList<HostileHttp::Kind> &HostileHttp::Failing()
{
    static const QList<Kind> kinds = {Kind::ChunkSize15Digits, Kind::ChunkSize32Digits, Kind::NegativeChunkSize,
                                      Kind::HeaderFlood,       Kind::TrailerFlood,      Kind::LongChunkExtension,
                                      Kind::OneByteChunks,     Kind::SlowHeaders,       Kind::EndlessContinue};
    return kinds;
}

QByteArray HostileHttp::Name(Kind kind)
{
    switch (kind) {
    case Kind::ChunkSize15Digits: return "chunk size of 15 digits";
    case Kind::ChunkSize32Digits: return "chunk size of 32 digits";
    case Kind::NegativeChunkSize: return "chunk size -1";
    case Kind::HeaderFlood: return "header flood";
    case Kind::TrailerFlood: return "trailer flood";
    case Kind::LongChunkExtension: return "10 MB chunk extension";
    case Kind::OneByteChunks: return "one-byte chunks";
    case Kind::SlowHeaders: return "slow headers";
    case Kind::EndlessContinue: return "endless 100 Continue";
    case Kind::CookieFlood: return "cookie flood";
    }
    return {};
}

HostileHttp::HostileHttp(std::function<Kind(const QByteArray &)> kindOf, QObject *parent)
    : QObject(parent), m_kindOf(std::move(kindOf))
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray head = socket->property("head").toByteArray() + socket->readAll();
                if (socket->property("answered").toBool())
                    return;
                socket->setProperty("head", head);
                if (!head.contains("\r\n\r\n"))
                    return;
                socket->setProperty("answered", true);
                ++m_requests;
                answer(socket, m_kindOf(head.split(' ').value(1)));
            });
            connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] { topUp(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QByteArray HostileHttp::url(const QByteArray &target) const
{
    return "http://127.0.0.1:" + QByteArray::number(port()) + target;
}

void HostileHttp::answer(QTcpSocket *socket, Kind kind)
{
    QByteArray head;
    QByteArray endless;
    switch (kind) {
    case Kind::ChunkSize15Digits:
        head = kChunkedHead + "fffffffffffffff\r\n";
        endless = Repeated("x");
        break;
    case Kind::ChunkSize32Digits:
        head = kChunkedHead + "ffffffffffffffffffffffffffffffff\r\n";
        endless = Repeated("x");
        break;
    case Kind::NegativeChunkSize:
        head = kChunkedHead + "-1\r\n";
        endless = Repeated("x");
        break;
    case Kind::HeaderFlood:
        head = "HTTP/1.1 200 OK\r\n";
        endless = Repeated("X-Flood: flood\r\n");
        break;
    case Kind::TrailerFlood:
        head = kChunkedHead + "1\r\nx\r\n0\r\n";
        endless = Repeated("X-Trailer: flood\r\n");
        break;
    case Kind::LongChunkExtension:
        head = kChunkedHead + "1;" + QByteArray(10 * 1024 * 1024, 'e') + "\r\nx\r\n0\r\n\r\n";
        break;
    case Kind::OneByteChunks:
        head = kChunkedHead;
        endless = Repeated("1\r\nx\r\n");
        break;
    case Kind::SlowHeaders: {
        socket->write("HTTP/1.1 200 OK\r\nX-Slow: ");
        auto *drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket] { socket->write("s"); });
        drip->start(50);
        return;
    }
    case Kind::EndlessContinue:
        endless = Repeated("HTTP/1.1 100 Continue\r\n\r\n");
        break;
    case Kind::CookieFlood: {
        const QByteArray page = "<html><body>An item</body></html>";
        head = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: "
            + QByteArray::number(page.size()) + "\r\n";
        while (head.size() < 60 * 1024)
            head += "Set-Cookie: flood" + QByteArray::number(++m_cookies) + "=1; Path=/\r\n";
        socket->write(head + "\r\n" + page);
        socket->disconnectFromHost();
        return;
    }
    }
    socket->setProperty("endless", endless);
    socket->write(head);
    topUp(socket);
}

void HostileHttp::topUp(QTcpSocket *socket)
{
    const QByteArray endless = socket->property("endless").toByteArray();
    if (endless.isEmpty())
        return;
    while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < kQueuedBytes)
        socket->write(endless);
}
