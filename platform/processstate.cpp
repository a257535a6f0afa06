#include "platform/processstate.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cerrno>
#include <csignal>

namespace {

// The state letter of /proc/<pid>/stat ('Z' for a process that has ended but
// was not reaped yet), or 0 when it cannot be read.
char processState(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // The command name is in parentheses and may hold anything, ")" included.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0 || close + 2 >= line.size())
        return 0;
    return line.at(close + 2);
}

} // namespace

bool ProcessRunning(pid_t pid)
{
    if (pid <= 0)
        return false;
    if (::kill(pid, 0) != 0 && errno != EPERM)
        return false;
    const char state = processState(pid);
    return state != 'Z' && state != 'X';
}
