#include "tests/integration/programrun.h"

#include "foundation/basgeneral.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

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

void StartProgram(QProcess &p, const QString &program, const QString &hostsFile)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TALLOWMERE_HOSTS"), hostsFile.isEmpty() ? Server().hostsFile() : hostsFile);
    env.insert(QStringLiteral("TALLOWMERE_CA"), Server().caFile());
    p.setProcessEnvironment(env);
    p.setProgram(program.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/tallowmere") : program);
    p.setArguments({QStringLiteral("/nomon")});
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start();
    ASSERT_TRUE(p.waitForStarted(10000));
}

} // namespace ProgramRun
