// tallowmere-updater: started by the program's "Update Now", which then ends.
// Installs the release named in the data folder's "update.inf" and starts
// the program again (see updater.h).
//
//     tallowmere-updater --pid PID --revision N [--program PATH] [--stall-seconds N] [--deadline-seconds N]
//
// N is the running program's revision: only a newer release is installed.
// The release's address, size, checksum and signature are read from
// "update.inf" rather than passed by the program: the check that offered the
// release has just saved it there and read it with the same reader. The limits can only be made shorter than their defaults.
//
// The vendor's public key is fixed when the updater is built
// (TALLOWMERE_RELEASE_KEY_DER, from the key file CMake is given); there is no
// way to hand it another key when it runs.
#include "platform/folders.h"
#include "platform/network.h"
#include "updater/notice.h"
#include "updater/updater.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <limits>
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
    const QCommandLineOption revisionOption(QStringLiteral("revision"),
                                            QStringLiteral("The program's revision; only a newer release is installed."),
                                            QStringLiteral("n"));
    const QCommandLineOption stallOption(QStringLiteral("stall-seconds"),
                                         QStringLiteral("Give the download up sooner when it stalls."), QStringLiteral("n"));
    const QCommandLineOption deadlineOption(QStringLiteral("deadline-seconds"),
                                            QStringLiteral("Give the download up sooner."), QStringLiteral("n"));
    parser.addOptions({pidOption, programOption, revisionOption, stallOption, deadlineOption});
    parser.process(*app);

    Updater::Options options;
    bool ok = false;
    options.pid = pid_t(parser.value(pidOption).toLongLong(&ok));
    if (!ok || options.pid <= 0) {
        std::fprintf(stderr, "tallowmere-updater: --pid is required\n");
        return 2;
    }
    options.runningRevision = parser.value(revisionOption).toInt(&ok);
    if (!ok) {
        std::fprintf(stderr, "tallowmere-updater: --revision is required\n");
        return 2;
    }
    options.program = parser.isSet(programOption)
        ? parser.value(programOption)
        : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tallowmere"));
    options.updateInfo = Folders::localAppData() + QStringLiteral("/Tallowmere/update.inf");
    options.releaseKey = QByteArray::fromBase64(QByteArrayLiteral(TALLOWMERE_RELEASE_KEY_DER));
    const auto shorter = [&](const QCommandLineOption &option, int *limit, int longest) {
        const int n = parser.value(option).toInt(&ok);
        if (parser.isSet(option) && ok && n > 0)
            *limit = std::min(n, longest);
    };
    shorter(stallOption, &options.stallSeconds, options.stallSeconds);
    shorter(deadlineOption, &options.deadlineSeconds, std::numeric_limits<int>::max());
    // The simulator's authority when TALLOWMERE_CA names one, as for the program.
    Network::trustConfiguredAuthority();
    return Updater::Run(options);
}
