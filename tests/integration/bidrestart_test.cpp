// The program killed as its bid confirmation reaches eBay, then started
// again before the auction's end as the monitor does it: the bid is not
// placed a second time, the row shows the bid as made, and the refresh after
// the end decides the result.
#include "foundation/basgeneral.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "sim/core/simserver.h"

#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <csignal>

namespace {

Sim::SimServer &Server()
{
    static Sim::SimServer *server = [] {
        auto *s = new Sim::SimServer;
        if (!s->start())
            qFatal("simulator: %s", qPrintable(s->errorString()));
        return s;
    }();
    return *server;
}

// A finished first run; the bid window starts 3 s (the lead time) + 30 s
// (the bid delay) before the end, the fast refresh runs every 5 s.
void PrepareSettings()
{
    SaveSetting("1st Run", "False");
    SaveSetting("Exit OK", "1");
    SaveSetting("Username", "alice");
    SaveSetting("Password", basGeneral::ScramblePassword("pw"));
    SaveSetting("Login", "QXR");
    SaveSetting("Has TMRO Account", "True");
    SaveSetting("TMRO Default Shown", "True");
    SaveSetting("Lead time", "3");
    SaveSetting("Bid Delay 3", "13");
    SaveSetting("Fast Sync Interval", "0");
}

void WriteSnipe(const QString &number)
{
    QDir().mkpath(basGeneral::DataFolder());
    QFile f(basGeneral::DataFolder() + QStringLiteral("data6.dat"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QStringLiteral("\"%1\",\"Retrieving...\",\"Retrieving...\",\"N/A\",\"Retrieving...\",\"Retrieving...\","
                           "\"Retrieving...\",\"1 @ 25.00\",\"alice\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"Local\"\r\n")
                .arg(number)
                .toLatin1());
}

void StartProgram(QProcess &p)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TALLOWMERE_HOSTS"), Server().hostsFile());
    env.insert(QStringLiteral("TALLOWMERE_CA"), Server().caFile());
    p.setProcessEnvironment(env);
    p.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/tallowmere"));
    p.setArguments({QStringLiteral("/nomon")});
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start();
    ASSERT_TRUE(p.waitForStarted(10000));
}

int Count(const QString &marker, const QString &number)
{
    int n = 0;
    for (const Sim::LogEntry &e : Server().requestLog().since(0))
        n += e.target.contains(marker) && e.target.contains(QStringLiteral("item=") + number);
    return n;
}

int Confirmations(const QString &number)
{
    return Count(QStringLiteral("MfcISAPICommand=MakeBid"), number);
}

QStringList ListRecord()
{
    QFile f(basGeneral::DataFolder() + QStringLiteral("data6.dat"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList fields = QString::fromLatin1(f.readAll()).trimmed().split(QStringLiteral("\",\""));
    if (!fields.isEmpty()) {
        fields.first().remove(QLatin1Char('"'));
        fields.last().remove(QLatin1Char('"'));
    }
    return fields;
}

void Stop(QProcess &p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(p.processId()), SIGTERM);
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}

} // namespace

TEST(BidRestart, AProgramKilledAtTheConfirmationDoesNotBidAgainAfterItsRestart)
{
    Sim::SimItem item;
    item.title = QStringLiteral("Killed at the bid");
    item.price = 10.0;
    item.endsAt = QDateTime::currentDateTimeUtc().addSecs(70);
    const QString number = Server().items().add(item);
    Server().addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    // The confirmation reaches eBay (the bid is placed) and no answer comes.
    Sim::FaultRule silent;
    silent.pattern = QStringLiteral("MfcISAPICommand=MakeBid");
    silent.mode = Sim::FaultMode::Hang;
    silent.remaining = 1;
    Server().faults().add(silent);
    PrepareSettings();
    WriteSnipe(number);

    QProcess first;
    StartProgram(first);
    ASSERT_TRUE(waitFor([&] { return Confirmations(number) == 1; }, 60000));
    ::kill(pid_t(first.processId()), SIGKILL);
    ASSERT_TRUE(first.waitForFinished(10000));
    const QDateTime end = Server().items().find(number)->endsAt;
    ASSERT_GT(QDateTime::currentDateTimeUtc().secsTo(end), 20) << "killed well before the end";
    ASSERT_EQ(Server().items().find(number)->winner, QStringLiteral("alice"));

    // As the monitor starts it again.
    SaveSetting("Exit OK", "1");
    const int preparations = Count(QStringLiteral("?MakeBid&"), number);
    QProcess second;
    StartProgram(second);
    const bool decided = waitFor(
        [&] {
            const QStringList record = ListRecord();
            return record.size() == 17 && record.at(2) == QLatin1String("Ended");
        },
        60000);
    const QStringList record = ListRecord();
    Stop(second);

    EXPECT_EQ(Confirmations(number), 1) << "no second confirmation";
    EXPECT_EQ(Count(QStringLiteral("?MakeBid&"), number), preparations) << "no second bid started";
    ASSERT_TRUE(decided) << record.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(record.at(16), QStringLiteral("Bid complete"));
    EXPECT_EQ(record.at(14), QStringLiteral("True"));
}
