// The relist schedule in the real program, started as the demo starts it:
// every host role on 127.0.0.1, the simulator's authority given in
// TALLOWMERE_CA, the robot's seconds at their real length. A due entry is
// relisted through the secure sign-in page with the account's stored
// password; a program killed during a relist does not relist the entry again
// in the same period after its restart.
#include "foundation/basgeneral.h"
#include "sellertools/relistfile.h"
#include "sim/core/simserver.h"

#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/procstatus.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

using ProgramRun::Server;
using ProgramRun::Stop;

QString relistFile()
{
    return QDir(basGeneral::DataFolder()).filePath(QStringLiteral("relist.dat"));
}

// A daily entry of alice's, due a minute ago; alice signs in with "pw".
QDateTime scheduleDueEntry(const QString &item)
{
    Server().addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    Server().selling().reset();
    ProgramRun::PrepareFinishedFirstRun();
    ProgramRun::WriteList({});
    QDateTime due = QDateTime::currentDateTime().addSecs(-60);
    due.setTime(QTime(due.time().hour(), due.time().minute(), due.time().second()));
    RelistFile::Save(relistFile(), {RelistFile::Entry{item, QStringLiteral("alice"), QStringLiteral("Oak shelf"),
                                                      QStringLiteral("Every 1 day(s) at 9:00 AM"),
                                                      RelistFile::NextRelistingText(due), QStringLiteral("1")}});
    return due;
}

// The robot's first step: signing the browser out.
int SignOutsSince(qint64 mark)
{
    int n = 0;
    for (const Sim::LogEntry &e : RefreshSim::RequestsSince(mark))
        n += e.target.contains(QLatin1String("ssPageName=h:h:sout"));
    return n;
}

} // namespace

TEST(RelistProgram, ADueEntryIsRelistedThroughTheSecureSignInWithTheStoredPassword)
{
    scheduleDueEntry(QStringLiteral("4200000001"));
    const qint64 mark = RefreshSim::Mark();

    QProcess program;
    ProgramRun::StartProgram(program);
    // The scheduler's first tick a minute after the start, then the robot's
    // waits (55 s).
    const bool relisted = waitFor([] { return Server().selling().relists == 1; }, 200000);
    const QString newNumber = Server().selling().lastNewItem;
    waitFor([&] { return RelistFile::Load(relistFile()).value(0).itemNumber == newNumber; }, 10000);
    Stop(program);

    ASSERT_TRUE(relisted) << RefreshSim::TargetsSince(mark).join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(RefreshSim::PasswordsInTheClear(mark), QStringList());
    EXPECT_EQ(RefreshSim::PasswordsSentSecurely(RefreshSim::RequestsSince(mark)), 1);
    EXPECT_EQ(RelistFile::Load(relistFile()).value(0).itemNumber, newNumber);
}

TEST(RelistProgram, AProgramKilledDuringARelistDoesNotRelistTheEntryAgainInThatPeriod)
{
    const QDateTime due = scheduleDueEntry(QStringLiteral("4200000002"));
    const qint64 mark = RefreshSim::Mark();

    QProcess first;
    ProgramRun::StartProgram(first);
    ASSERT_TRUE(waitFor([&] { return SignOutsSince(mark) == 1; }, 120000));
    ASSERT_TRUE(ProgramRun::Kill(first));
    ASSERT_EQ(Server().selling().relists, 0);
    // Moved on one period before the robot started.
    EXPECT_EQ(RelistFile::ReadNextRelisting(RelistFile::Load(relistFile()).value(0).nextRelisting), due.addDays(1));

    // Started again as the monitor does it; its scheduler ticks a minute
    // after the start and finds nothing due.
    const qint64 restart = RefreshSim::Mark();
    QProcess second;
    ProgramRun::RestartAsTheMonitorDoes(second);
    const bool startedAgain = waitFor([&] { return SignOutsSince(restart) > 0; }, 80000);
    Stop(second);

    EXPECT_FALSE(startedAgain) << "the entry was relisted again in the same period";
    EXPECT_EQ(Server().selling().relists, 0);
    EXPECT_EQ(RelistFile::Load(relistFile()).value(0).itemNumber, QStringLiteral("4200000002"));
}

TEST(RelistProgram, AScheduleFileTooLargeToBeOneIsSetAsideUnreadAtTheStart)
{
    ProgramRun::PrepareFinishedFirstRun();
    ProgramRun::WriteList({});
    // 100 MB of well-formed entries.
    const QByteArray line = "\"4200000003\",\"alice\",\"Oak shelf\",\"Every 1 day(s) at 9:00 AM\",\"2030-01-01 09:00:00\",\"1\"\r\n";
    const qint64 size = 100LL * 1024 * 1024 / line.size() * line.size();
    {
        QFile file(relistFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray block = line.repeated(int(1024 * 1024 / line.size()));
        while (file.size() + block.size() <= size)
            file.write(block);
        while (file.size() < size)
            file.write(line);
    }
    const QDir data(basGeneral::DataFolder());
    const auto setAside = [&data] {
        return data.entryList({QStringLiteral("relist-backup-*.dat")}, QDir::Files);
    };

    QProcess program;
    ProgramRun::StartProgram(program);
    const bool aside = waitFor([&] { return setAside().size() == 1; }, 60000);
    // The most memory the program has held, while it is still running.
    const qint64 peakKb = PeakKb(program.processId());
    Stop(program);

    ASSERT_TRUE(aside) << "the file was not set aside";
    EXPECT_FALSE(QFile::exists(relistFile()));
    EXPECT_EQ(QFileInfo(data.filePath(setAside().value(0))).size(), size) << "set aside as it was";
    EXPECT_GT(peakKb, 0);
    EXPECT_LT(peakKb, 1024 * 1024) << "read into memory";
}
