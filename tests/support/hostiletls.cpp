#include "tests/support/hostiletls.h"

#include "sim/core/simserver.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSslKey>
#include <QSslSocket>

HostileTls::HostileTls(const Sim::SimServer &simulator, Serve serve)
    : HostileTls(simulator.stateDir() + QStringLiteral("/server.pem"), simulator.stateDir() + QStringLiteral("/server.key"),
                 std::move(serve))
{
}

HostileTls::HostileTls(const QString &certFile, const QString &keyFile, Serve serve) : m_serve(std::move(serve))
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    QFile cert(certFile);
    QFile key(keyFile);
    EXPECT_TRUE(cert.open(QIODevice::ReadOnly) && key.open(QIODevice::ReadOnly));
    tls.setLocalCertificate(QSslCertificate(cert.readAll(), QSsl::Pem));
    tls.setPrivateKey(QSslKey(key.readAll(), QSsl::Ec, QSsl::Pem));
    m_server.setSslConfiguration(tls);
    EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (auto *socket = qobject_cast<QSslSocket *>(m_server.nextPendingConnection())) {
            socket->setParent(this);
            connect(socket, &QSslSocket::readyRead, this, [this, socket] {
                const QByteArray head = socket->property("head").toByteArray() + socket->readAll();
                socket->setProperty("head", head);
                if (!head.contains("\r\n\r\n") || socket->property("served").toBool())
                    return;
                socket->setProperty("served", true);
                ++m_requests;
                m_serve(socket);
            });
        }
    });
}
