#pragma once

// Memory figures of a running process, from its /proc status.
#include <QFile>
#include <QRegularExpression>
#include <QString>

// A kB figure of the process's status ("VmRSS", "VmHWM"); 0 when it is gone.
inline qint64 StatusKb(qint64 pid, const char *field)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QRegularExpression line(QStringLiteral("^%1:\\s+(\\d+) kB").arg(QLatin1String(field)),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromLatin1(f.readAll())).captured(1).toLongLong();
}

// The most memory the process has held so far (kB).
inline qint64 PeakKb(qint64 pid)
{
    return StatusKb(pid, "VmHWM");
}

// Starts this process's peak afresh from what it holds now, so PeakKb then
// tells what a step took at its most; false where the system cannot.
inline bool ResetOwnPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}
