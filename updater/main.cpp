// tallowmere-updater: started by the program's "Update Now", which then ends.
// Installs the release named in the data folder's "update.inf" and starts
// the program again (see updater.h).
//
//     tallowmere-updater --pid PID [--program PATH]
//
// The release's address and checksum are read from "update.inf" rather than
// passed by the program: the check that offered the release has just saved
// it there, and the program's own reader passes over those lines.
#include "platform/folders.h"
#include "updater/notice.h"
#include "updater/updater.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    // Widgets only where a message box can be seen.
    std::unique_ptr<QCoreApplication> app(Notice::HasDisplay() ? new QApplication(argc, argv)
                                                               : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("tallowmere-updater"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Installs a new Tallowmere release."));
    parser.addHelpOption();
    const QCommandLineOption pidOption(QStringLiteral("pid"), QStringLiteral("The program's process, to wait for."),
                                       QStringLiteral("pid"));
    const QCommandLineOption programOption(QStringLiteral("program"), QStringLiteral("The program to update and start again."),
                                           QStringLiteral("path"));
    parser.addOptions({pidOption, programOption});
    parser.process(*app);

    Updater::Options options;
    bool ok = false;
    options.pid = pid_t(parser.value(pidOption).toLongLong(&ok));
    if (!ok || options.pid <= 0) {
        std::fprintf(stderr, "tallowmere-updater: --pid is required\n");
        return 2;
    }
    options.program = parser.isSet(programOption)
        ? parser.value(programOption)
        : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tallowmere"));
    options.updateInfo = Folders::localAppData() + QStringLiteral("/Tallowmere/update.inf");
    return Updater::Run(options);
}
