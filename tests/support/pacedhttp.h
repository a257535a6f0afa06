#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>

class QTcpSocket;

// A server on 127.0.0.1 that answers every request with the same pieces,
// each after its own pause, then ends the connection its chosen way: a
// lossy link, a server that hangs or one that drops the connection.
class PacedHttp final : public QObject
{
    Q_DISABLE_COPY_MOVE(PacedHttp)

public:
    struct Piece
    {
        int afterMs = 0; // since the previous piece (the request, for the first)
        QByteArray bytes;
    };
    enum class End {
        Close, // an orderly close after the last piece
        Reset, // a reset (RST) after the last piece
        Open,  // left open and silent
    };

    PacedHttp(QList<Piece> pieces, End end, QObject *parent = nullptr);
    QByteArray url(const QByteArray &target) const;
    int requests() const { return m_requests; }
    int connections() const { return m_connections; }
    // The first `count` connections are closed as soon as they are made, as
    // a server does that drops idle connections.
    void closeFirstConnections(int count) { m_closeFirst = count; }

private:
    void answer(QTcpSocket *socket);
    // Sends the pieces from `piece` on, then ends the connection.
    void send(QTcpSocket *socket, qsizetype piece);

    QTcpServer m_server;
    QList<Piece> m_pieces;
    End m_end;
    int m_requests = 0;
    int m_connections = 0;
    int m_closeFirst = 0;
};
