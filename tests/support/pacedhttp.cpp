#include "tests/support/pacedhttp.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

PacedHttp::PacedHttp(QList<Piece> pieces, End end, QObject *parent)
    : QObject(parent), m_pieces(std::move(pieces)), m_end(end)
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            if (++m_connections <= m_closeFirst) {
                socket->disconnectFromHost();
                continue;
            }
            auto request = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
                const bool begun = request->contains("\r\n\r\n");
                *request += socket->readAll();
                if (!begun && request->contains("\r\n\r\n"))
                    answer(socket);
            });
        }
    });
}

QByteArray PacedHttp::url(const QByteArray &target) const
{
    return "http://127.0.0.1:" + QByteArray::number(m_server.serverPort()) + target;
}

void PacedHttp::answer(QTcpSocket *socket)
{
    ++m_requests;
    send(socket, 0);
}

void PacedHttp::send(QTcpSocket *socket, qsizetype piece)
{
    if (piece < m_pieces.size()) {
        QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(m_pieces[piece].afterMs, socket, [this, guard, piece] {
            if (!guard || guard->state() != QAbstractSocket::ConnectedState)
                return;
            guard->write(m_pieces[piece].bytes);
            send(guard, piece + 1);
        });
        return;
    }
    if (m_end == End::Reset) {
        // A zero linger time makes the close a reset.
        socket->flush();
        const linger now{1, 0};
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
        socket->abort();
    } else if (m_end == End::Close) {
        socket->disconnectFromHost();
    }
}
