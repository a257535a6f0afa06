#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Starts the save helper program that lands beside the test program.
inline void StartSaveHelper(QProcess &process, const QStringList &arguments)
{
    process.setProgram(QStringLiteral(TALLOWMERE_SAVEHELPER));
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
}
