#include "tests/integration/programrun.h"

#include "foundation/basgeneral.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/testfiles.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QProcessEnvironment>

#include <csignal>

namespace ProgramRun {

Sim::SimServer &Server()
{
    return RefreshSim::Server();
}

void PrepareFinishedFirstRun()
{
    SaveSetting("1st Run", "False");
    SaveSetting("Exit OK", "1");
    SaveSetting("Username", "alice");
    SaveSetting("Password", basGeneral::ScramblePassword("pw"));
    SaveSetting("Login", "QXR");
    SaveSetting("Has TMRO Account", "True");
    SaveSetting("TMRO Default Shown", "True");
    SaveSetting("Last Load Step", "not started");
}

void PrepareFinishedFirstRunToSnipe(int leadTimeS, int bidDelayIndex)
{
    PrepareFinishedFirstRun();
    SaveSetting("Lead time", QString::number(leadTimeS));
    SaveSetting("Bid Delay 3", QString::number(bidDelayIndex));
    SaveSetting("Fast Sync Interval", "0");
}

QString ListRecord(const QString &number, const QString &maxBid, const QString &tag)
{
    return QStringLiteral("\"%1\",\"Retrieving...\",\"Retrieving...\",\"N/A\",\"Retrieving...\",\"Retrieving...\","
                          "\"Retrieving...\",\"%2\",\"alice\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"%3\"\r\n")
        .arg(number, maxBid, tag);
}

void WriteList(const QStringList &records)
{
    writeBytes(basGeneral::DataFolder() + QStringLiteral("data6.dat"), records.join(QString()).toLatin1());
}

QString ListSnipeOnNewItem(const QString &title, int endsInS)
{
    Sim::SimItem item;
    item.title = title;
    item.price = 10.0;
    item.endsAt = QDateTime::currentDateTimeUtc().addSecs(endsInS);
    const QString number = Server().items().add(item);
    Server().addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    WriteList({ListRecord(number, QStringLiteral("1 @ 25.00"), QStringLiteral("Local"))});
    return number;
}

QString ProgramFile()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tallowmere");
}

QString DrivenProgramFile()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/tallowmere-driven");
}

QStringList DrivenLog()
{
    QFile log(qEnvironmentVariable("TALLOWMERE_HOME") + QStringLiteral("/driven.log"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList DrivenLogOf(qint64 pid, const QString &what)
{
    QStringList lines;
    const QString head = QString::number(pid) + QLatin1Char(' ') + what;
    for (const QString &line : DrivenLog())
        if (line.startsWith(head))
            lines << line;
    return lines;
}

namespace {

void Start(QProcess &p, const QString &program, const QString &hostsFile, const QStringList &arguments,
           const QProcessEnvironment &extra = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TALLOWMERE_HOSTS"), hostsFile.isEmpty() ? Server().hostsFile() : hostsFile);
    env.insert(QStringLiteral("TALLOWMERE_CA"), Server().caFile());
    env.insert(extra);
    p.setProcessEnvironment(env);
    p.setProgram(program.isEmpty() ? ProgramFile() : program);
    p.setArguments(arguments);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start();
    ASSERT_TRUE(p.waitForStarted(10000));
}

} // namespace

void StartProgram(QProcess &p, const QString &program, const QString &hostsFile)
{
    Start(p, program, hostsFile, {QStringLiteral("/nomon")});
}

void StartWithItsMonitor(QProcess &p)
{
    Start(p, {}, {}, {});
}

void StartDriven(QProcess &p, const QStringList &arguments, const QProcessEnvironment &driving)
{
    Start(p, DrivenProgramFile(), {}, arguments, driving);
}

bool Kill(QProcess &p)
{
    ::kill(pid_t(p.processId()), SIGKILL);
    return p.waitForFinished(10000);
}

void RestartAsTheMonitorDoes(QProcess &p)
{
    SaveSetting("Exit OK", "1");
    StartProgram(p);
}

void Stop(QProcess &p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(p.processId()), SIGTERM);
    // Events run while it ends: the simulator in this process answers the
    // program's last requests.
    if (!waitFor([&p] { return p.state() == QProcess::NotRunning; }, 20000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}

} // namespace ProgramRun
