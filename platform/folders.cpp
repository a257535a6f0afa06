#include "platform/folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>
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

bool makePrivate(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st = {};
    if (::lstat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    return (st.st_mode & 077) == 0 || ::chmod(native.constData(), 0700) == 0;
}

QString privateData(const QString &title)
{
    const QString base = localAppData();
    const QString dir = base + QLatin1Char('/') + title;
    if (!QDir().mkpath(base) || !makePrivate(dir))
        return {};
    return dir;
}

QString program()
{
    const QString dir = QCoreApplication::applicationDirPath();
    return dir.isEmpty() ? QDir::currentPath() : dir;
}

} // namespace Folders
