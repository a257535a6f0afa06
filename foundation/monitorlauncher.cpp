#include "foundation/monitorlauncher.h"

#include "foundation/basgeneral.h"
#include "platform/desktop.h"

#include <QCoreApplication>
#include <QFileInfo>

QString MonitorProgramPath()
{
    return basGeneral::AppPath() + QStringLiteral("tallowmere-monitor");
}

bool StartMonitor()
{
    const QString monitor = MonitorProgramPath();
    if (!QFileInfo(monitor).isExecutable())
        return false;
    return Desktop::StartProgram(monitor, {QStringLiteral("--pid"), QString::number(QCoreApplication::applicationPid()),
                                      QStringLiteral("--program"), QCoreApplication::applicationFilePath()});
}
