#include "tests/integration/monitorstandin.h"

#include "foundation/basgeneral.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <csignal>

namespace MonitorSim {

QString MonitorProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tallowmere-monitor");
}

StandIn::StandIn(Kind kind)
{
    script = dir.path() + QStringLiteral("/program");
    QFile f(script);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\necho \"$$ $*\" >> \"$0.log\"\n");
    if (kind == Kind::Sleeps)
        f.write("exec sleep 300\n");
    else
        f.write("while [ ! -e \"$0.running.$$\" ]; do sleep 0.02; done\nkill -9 $$\n");
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
}

StandIn::~StandIn()
{
    for (int n = 0; n < starts().size(); ++n)
        if (pidOfStart(n) > 0)
            ::kill(pidOfStart(n), SIGKILL);
}

QStringList StandIn::starts() const
{
    QFile f(script + QStringLiteral(".log"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

pid_t StandIn::pidOfStart(int n) const
{
    return pid_t(starts().value(n).section(QLatin1Char(' '), 0, 0).toInt());
}

void StandIn::markRunning(int n) const
{
    QFile(script + QStringLiteral(".running.") + QString::number(pidOfStart(n))).open(QIODevice::WriteOnly);
}

bool Running(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && close + 2 < line.size() && line.at(close + 2) != 'Z';
}

bool StartMonitor(QProcess &monitor, qint64 pid, const QString &program, int stallSeconds, int restartWindowSeconds)
{
    QStringList arguments = {QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--program"), program,
                             QStringLiteral("--stall-seconds"), QString::number(stallSeconds),
                             QStringLiteral("--poll-ms"), QStringLiteral("50")};
    if (restartWindowSeconds > 0)
        arguments << QStringLiteral("--restart-window-seconds") << QString::number(restartWindowSeconds);
    monitor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    monitor.start(MonitorProgram(), arguments);
    return monitor.waitForStarted(5000);
}

QStringList CommandLineOf(pid_t pid)
{
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(cmdline.readAll()).split(QChar(0), Qt::SkipEmptyParts);
}

pid_t MonitorOf(qint64 program)
{
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QStringList parts = CommandLineOf(pid_t(entry.toInt()));
        const qsizetype at = parts.indexOf(QStringLiteral("--pid"));
        if (!parts.isEmpty() && parts.first().endsWith(QStringLiteral("tallowmere-monitor")) && at > 0
            && parts.value(at + 1) == QString::number(program))
            return pid_t(entry.toInt());
    }
    return 0;
}

pid_t LockHolder()
{
    QFile lock(basGeneral::DataFolder() + QStringLiteral("instance.lock"));
    if (!lock.open(QIODevice::ReadOnly))
        return 0;
    return pid_t(lock.readLine().trimmed().toInt());
}

Leftovers::~Leftovers()
{
    for (const pid_t pid : {monitor, program})
        if (pid > 0 && Running(pid))
            ::kill(pid, SIGKILL);
}

} // namespace MonitorSim
