#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>

#include <functional>

// A minimal HTTP/1.0 server on 127.0.0.1 for tests of the transfer control:
// each request is answered by a handler, or held open ("hang") until the
// client gives up.
class TinyHttp final : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QByteArray method;
        QByteArray target; // path and query
        QHash<QByteArray, QByteArray> headers; // lower-case names
    };
    struct Reply
    {
        int status = 200;
        QByteArray body;
        QList<std::pair<QByteArray, QByteArray>> headers;
        bool hang = false;
        int delayMs = 0;
        QByteArray raw; // when set, sent as it stands instead of the reply above
        bool drop = false; // the connection is closed without an answer
    };
    using Handler = std::function<Reply(const Request &)>;

    explicit TinyHttp(Handler handler, QObject *parent = nullptr);
    quint16 port() const { return m_server.serverPort(); }
    QByteArray url(const QByteArray &target) const;
    const QList<Request> &requests() const { return m_requests; }
    // Held requests whose connection the client has since closed.
    int hangsClosed() const { return m_hangsClosed; }

private:
    void serve(QTcpSocket *socket);

    QTcpServer m_server;
    Handler m_handler;
    QList<Request> m_requests;
    int m_hangsClosed = 0;
};
