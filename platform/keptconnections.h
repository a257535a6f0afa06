#pragma once

#include <QString>
#include <QUrl>

class QTcpSocket;

// Connections left open after a complete answer, so a run of requests to one
// server (a refresh of many pages) does not pay a new connection and TLS
// handshake each time. A connection is handed out again only while it is
// fresh and the server has not closed it: a request on it goes out once, and
// a server that drops it anyway makes that request fail, never go out again.
namespace KeptConnections {

// "scheme://host:port" of a request's target.
QString KeyOf(const QString &scheme, const QString &host, int port);
// The same for a URL, its port defaulting to its scheme's.
QString KeyOf(const QUrl &url);

// An idle open connection for `key` (its owner from now on), or nullptr.
QTcpSocket *Take(const QString &key);

// Keeps `socket` (connected, its answer read to the end) for a later request.
void Keep(const QString &key, QTcpSocket *socket);

} // namespace KeptConnections
