#include "platform/folders.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace {

QString overrideHome()
{
    return qEnvironmentVariable("TALLOWMERE_HOME");
}

QString xdgOr(const char *variable, const QString &fallbackBelowHome)
{
    // An overridden home ignores the session's XDG folders entirely, so a test
    // can never reach the real user's files.
    if (overrideHome().isEmpty()) {
        const QString xdg = qEnvironmentVariable(variable);
        if (!xdg.isEmpty())
            return QDir::cleanPath(xdg);
    }
    return QDir::cleanPath(Folders::home() + QLatin1Char('/') + fallbackBelowHome);
}

} // namespace

namespace Folders {

QString home()
{
    const QString o = overrideHome();
    return QDir::cleanPath(o.isEmpty() ? QDir::homePath() : o);
}

QString localAppData() { return xdgOr("XDG_DATA_HOME", QStringLiteral(".local/share")); }
QString roamingAppData() { return xdgOr("XDG_CONFIG_HOME", QStringLiteral(".config")); }
QString autostart() { return roamingAppData() + QStringLiteral("/autostart"); }

QString runtime()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isWritable())
        base = QDir::tempPath();
    // One lock folder per home, so parallel test processes never collide.
    const QByteArray tag = QCryptographicHash::hash(home().toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    const QString dir = QStringLiteral("%1/tallowmere-%2-%3").arg(base).arg(getuid()).arg(QString::fromLatin1(tag));
    QDir().mkpath(dir);
    return dir;
}

QString program()
{
    const QString dir = QCoreApplication::applicationDirPath();
    return dir.isEmpty() ? QDir::currentPath() : dir;
}

} // namespace Folders
