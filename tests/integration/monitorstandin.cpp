#include "tests/integration/monitorstandin.h"

#include <QCoreApplication>
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

bool StartMonitor(QProcess &monitor, qint64 pid, const QString &program, int stallSeconds)
{
    monitor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    monitor.start(MonitorProgram(), {QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--program"), program,
                                     QStringLiteral("--stall-seconds"), QString::number(stallSeconds),
                                     QStringLiteral("--poll-ms"), QStringLiteral("50")});
    return monitor.waitForStarted(5000);
}

} // namespace MonitorSim
