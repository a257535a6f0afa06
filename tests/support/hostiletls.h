#pragma once

#include <QObject>
#include <QSslServer>

#include <functional>

class QSslSocket;
namespace Sim {
class SimServer;
}

// A TLS server on 127.0.0.1 with the certificate of `simulator`, which the
// program trusts: each request's head is handed to `serve` with its socket,
// to answer as a hostile server would.
class HostileTls : public QObject
{
public:
    using Serve = std::function<void(QSslSocket *socket)>;
    HostileTls(const Sim::SimServer &simulator, Serve serve);
    // The same with a certificate and key of the test's own making.
    HostileTls(const QString &certFile, const QString &keyFile, Serve serve);
    quint16 port() const { return m_server.serverPort(); }
    int requests() const { return m_requests; }

private:
    QSslServer m_server;
    Serve m_serve;
    int m_requests = 0;
};
