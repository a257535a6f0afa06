#include "platform/keptconnections.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QTcpSocket>

namespace KeptConnections {

namespace {

// Well inside the few seconds servers keep an idle connection: a connection
// older than this may be closed by the server just as a request is written.
constexpr qint64 kFreshMs = 2000;
constexpr int kPerServer = 4;

struct Idle
{
    QPointer<QTcpSocket> socket;
    QElapsedTimer since;
};

// Owns the idle sockets; lives as long as the program.
QObject &Owner()
{
    static QObject *owner = new QObject;
    return *owner;
}

QHash<QString, QList<Idle>> &Pool()
{
    static QHash<QString, QList<Idle>> pool;
    return pool;
}

void Discard(QTcpSocket *socket)
{
    if (!socket)
        return;
    socket->disconnect(&Owner());
    socket->abort();
    socket->deleteLater();
}

} // namespace

QString KeyOf(const QString &scheme, const QString &host, int port)
{
    return scheme.toLower() + QStringLiteral("://") + host.toLower() + QLatin1Char(':') + QString::number(port);
}

QString KeyOf(const QUrl &url)
{
    const bool https = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    return KeyOf(url.scheme(), url.host(), url.port(https ? 443 : 80));
}

QTcpSocket *Take(const QString &key)
{
    auto it = Pool().find(key);
    if (it == Pool().end())
        return nullptr;
    QList<Idle> &idle = *it;
    while (!idle.isEmpty()) {
        Idle last = idle.takeLast(); // the most recently used first
        QTcpSocket *socket = last.socket;
        if (!socket)
            continue;
        // Take in a close or stray bytes that have already arrived.
        if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesAvailable() == 0)
            socket->waitForReadyRead(0);
        if (socket->state() != QAbstractSocket::ConnectedState || socket->bytesAvailable() > 0
            || last.since.elapsed() > kFreshMs) {
            Discard(socket);
            continue;
        }
        socket->disconnect(&Owner());
        socket->setParent(nullptr);
        return socket;
    }
    return nullptr;
}

void Keep(const QString &key, QTcpSocket *socket)
{
    socket->disconnect();
    socket->setParent(&Owner());
    // A connection the server closes while idle goes at once.
    QObject::connect(socket, &QTcpSocket::disconnected, &Owner(), [socket] { Discard(socket); });
    QList<Idle> &idle = Pool()[key];
    Idle kept;
    kept.socket = socket;
    kept.since.start();
    idle.append(kept);
    while (idle.size() > kPerServer)
        Discard(idle.takeFirst().socket);
}

} // namespace KeptConnections
