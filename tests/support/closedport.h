#pragma once

// A loopback port that nobody listens on: one the system just handed out
// and that was closed again at once.
#include <QHostAddress>
#include <QTcpServer>

inline quint16 ClosedLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}
