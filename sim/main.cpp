// tallowmere-sim: eBay and the vendor's server on 127.0.0.1 for tests and the
// demo. Prints its ports and files, one per line, then "ready".
#include "sim/core/simserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool readPort(const QCommandLineParser &parser, const QString &option, quint16 *port)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const uint value = parser.value(option).toUInt(&ok);
    if (!ok || value > 65535)
        return false;
    *port = quint16(value);
    return true;
}

// SIGTERM and SIGINT end the event loop, so temporary state is cleaned up.
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[0], &byte, 1);
}

void quitOnSignals(QCoreApplication &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void say(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tallowmere-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("eBay and vendor simulator on 127.0.0.1"));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("http-port"), QStringLiteral("Plain HTTP port (0: any free one)."), QStringLiteral("N"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("https-port"), QStringLiteral("HTTPS port (0: any free one)."), QStringLiteral("N"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("state-dir"), QStringLiteral("Folder for the certificates and the hosts file (default: a temporary folder)."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("hosts-file"), QStringLiteral("Where to write the hosts file (default: <state-dir>/hosts)."), QStringLiteral("PATH")});
    parser.addOption({QStringLiteral("scenario"), QStringLiteral("JSON file with items, accounts, faults and clockOffset to start with."), QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("state-file"),
                      QStringLiteral("Keeps items (with their end times and bids), accounts, sign-ins, online-service accounts and the clock offset in FILE; "
                                     "a run starts from it when it exists, in place of --scenario."),
                      QStringLiteral("FILE")});
    parser.addOption({QStringLiteral("path-delay"),
                      QStringLiteral("A network path of MS milliseconds each way in front of both ports (the hosts file names its ports)."),
                      QStringLiteral("MS"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("path-jitter"), QStringLiteral("Up to MS milliseconds more on the network path, at random."),
                      QStringLiteral("MS"), QStringLiteral("0")});
    parser.process(app);

    Sim::SimServer::Options options;
    if (!readPort(parser, QStringLiteral("http-port"), &options.httpPort)
        || !readPort(parser, QStringLiteral("https-port"), &options.httpsPort)) {
        std::fputs("tallowmere-sim: ports are numbers from 0 to 65535\n", stderr);
        return 2;
    }
    options.stateDir = parser.value(QStringLiteral("state-dir"));
    options.hostsFile = parser.value(QStringLiteral("hosts-file"));
    bool delayOk = false;
    bool jitterOk = false;
    options.pathDelayMs = parser.value(QStringLiteral("path-delay")).toInt(&delayOk);
    options.pathJitterMs = parser.value(QStringLiteral("path-jitter")).toInt(&jitterOk);
    if (!delayOk || !jitterOk || options.pathDelayMs < 0 || options.pathJitterMs < 0 || options.pathDelayMs > 10000
        || options.pathJitterMs > 10000) {
        std::fputs("tallowmere-sim: the path's delay and jitter are milliseconds from 0 to 10000\n", stderr);
        return 2;
    }

    Sim::SimServer server;
    const QString stateFile = parser.value(QStringLiteral("state-file"));
    if (!stateFile.isEmpty() && QFile::exists(stateFile)) {
        QString error;
        if (!server.loadState(stateFile, &error)) {
            std::fprintf(stderr, "tallowmere-sim: state: %s\n", qPrintable(error));
            return 2;
        }
    } else if (parser.isSet(QStringLiteral("scenario"))) {
        QFile file(parser.value(QStringLiteral("scenario")));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "tallowmere-sim: cannot read %s\n", qPrintable(file.fileName()));
            return 2;
        }
        QJsonParseError parseError;
        const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
        QString error = parseError.error == QJsonParseError::NoError ? QString() : parseError.errorString();
        if (error.isEmpty())
            server.loadScenario(doc.object(), &error);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "tallowmere-sim: scenario: %s\n", qPrintable(error));
            return 2;
        }
    }

    if (!server.start(options)) {
        std::fprintf(stderr, "tallowmere-sim: %s\n", qPrintable(server.errorString()));
        return 1;
    }

    say(QStringLiteral("http-port %1").arg(server.httpPort()));
    say(QStringLiteral("https-port %1").arg(server.httpsPort()));
    if (server.pathInFront()) {
        say(QStringLiteral("path-http-port %1").arg(server.publicHttpPort()));
        say(QStringLiteral("path-https-port %1").arg(server.publicHttpsPort()));
    }
    say(QStringLiteral("hosts-file ") + server.hostsFile());
    say(QStringLiteral("ca-file ") + server.caFile());
    if (!stateFile.isEmpty()) {
        server.keepStateIn(stateFile);
        say(QStringLiteral("state-file ") + stateFile);
    }
    say(QStringLiteral("ready"));
    quitOnSignals(app);
    return app.exec();
}
