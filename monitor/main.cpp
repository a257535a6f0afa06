// tallowmere-monitor: started by the program at load. It watches the
// program's heartbeat ("Last alive") and, while the program runs ("Exit OK"
// is "False"), restarts it with "/nomon" once the heartbeat has stood still
// longer than any pause of normal use, or once the process has ended without
// a clean exit (after the first run). It ends when the program has ended
// cleanly, or gives up when the program had to be restarted a few times in a
// short while.
//
//     tallowmere-monitor --pid PID [--program PATH] [--stall-seconds N]
//                        [--restart-window-seconds N] [--poll-ms N]
//
// TALLOWMERE_MONITOR_STALL_SECONDS and TALLOWMERE_MONITOR_RESTART_WINDOW_SECONDS
// give those times when they are not on the command line (the program starts
// the monitor without either).
#include "monitor/watch.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <optional>

namespace {

// A whole number of seconds from the command line, else from the environment;
// nothing when neither gives one, and -1 for one that is not a number of at
// least one second.
std::optional<int> secondsFrom(const QCommandLineParser &parser, const QCommandLineOption &option, const char *variable)
{
    const QString text = parser.isSet(option) ? parser.value(option) : qEnvironmentVariable(variable);
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const int seconds = text.toInt(&ok);
    return ok && seconds >= 1 ? seconds : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallowmere-monitor"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Restarts Tallowmere when it stops responding or ends without a clean exit."));
    parser.addHelpOption();
    const QCommandLineOption pidOption(QStringLiteral("pid"), QStringLiteral("Process to watch."), QStringLiteral("pid"));
    const QCommandLineOption programOption(QStringLiteral("program"), QStringLiteral("Program to start again."),
                                           QStringLiteral("path"));
    const QCommandLineOption stallOption(QStringLiteral("stall-seconds"),
                                         QStringLiteral("Seconds without a heartbeat before a restart (default 120)."),
                                         QStringLiteral("seconds"));
    const QCommandLineOption windowOption(
        QStringLiteral("restart-window-seconds"),
        QStringLiteral("Restarts older than this no longer count towards giving up (default 900)."), QStringLiteral("seconds"));
    const QCommandLineOption pollOption(QStringLiteral("poll-ms"), QStringLiteral("Milliseconds between looks (default 1000)."),
                                        QStringLiteral("ms"));
    parser.addOptions({pidOption, programOption, stallOption, windowOption, pollOption});
    parser.process(app);

    Monitor::Options options;
    bool ok = false;
    options.pid = pid_t(parser.value(pidOption).toLongLong(&ok));
    if (!ok || options.pid <= 0) {
        std::fprintf(stderr, "tallowmere-monitor: --pid is required\n");
        return 2;
    }
    options.program = parser.isSet(programOption)
        ? parser.value(programOption)
        : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tallowmere"));

    if (const std::optional<int> stall = secondsFrom(parser, stallOption, "TALLOWMERE_MONITOR_STALL_SECONDS")) {
        if (*stall < 1) {
            std::fprintf(stderr, "tallowmere-monitor: the stall time must be a whole number of seconds\n");
            return 2;
        }
        options.stallSeconds = *stall;
    }
    if (const std::optional<int> window = secondsFrom(parser, windowOption, "TALLOWMERE_MONITOR_RESTART_WINDOW_SECONDS")) {
        if (*window < 1) {
            std::fprintf(stderr, "tallowmere-monitor: the restart window must be a whole number of seconds\n");
            return 2;
        }
        options.restartWindowSeconds = *window;
    }
    if (parser.isSet(pollOption)) {
        const int ms = parser.value(pollOption).toInt(&ok);
        if (!ok || ms < 10) {
            std::fprintf(stderr, "tallowmere-monitor: the poll time must be at least 10 ms\n");
            return 2;
        }
        options.pollMs = ms;
    }
    return Monitor::Run(options);
}
