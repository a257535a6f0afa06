// The real program against the simulator with nobody at its screen: a
// notice about a file other than the auction list (rows left out of it, a
// damaged favorites file) waits on screen unanswered, and eBay's time page
// fails on every request; the list is read all the same and its snipe goes
// out at its moment.
#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/testfiles.h"
#include "tests/support/waitfor.h"

#include "foundation/basgeneral.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>

#include <functional>

namespace {

using ProgramRun::ListRecord;
using RefreshSim::Server;

struct Unattended
{
    QString number;
    QStringList boxes;
    QStringList answers;
    int confirmations = 0;
    QString winner;
    bool stillRunning = false;
};

// The program started, nobody at its screen, on a list holding alice's snipe
// of 25.00 on a new item that ends in a minute, after `prepare` has had its
// say; watched until the end has passed.
Unattended runUnattended(const std::function<void(const QString &number)> &prepare)
{
    ProgramRun::PrepareFinishedFirstRunToSnipe(5, 2); // bid delay entry 2: 3 s
    Unattended run;
    run.number = ProgramRun::ListSnipeOnNewItem(QStringLiteral("Brass lamp"), 60);
    const QDateTime endsAt = Server().items().find(run.number)->endsAt;
    prepare(run.number);

    QProcessEnvironment away;
    away.insert(QStringLiteral("TALLOWMERE_DRIVEN_AWAY"), QStringLiteral("1"));
    QProcess program;
    ProgramRun::StartDriven(program, {QStringLiteral("/nomon")}, away);
    const qint64 pid = program.processId();
    waitFor([&] { return program.state() == QProcess::NotRunning || Server().now() > endsAt.addSecs(3); }, 90000);
    run.stillRunning = program.state() == QProcess::Running;
    ProgramRun::Stop(program);

    run.boxes = ProgramRun::DrivenLogOf(pid, QStringLiteral("box"));
    run.answers = ProgramRun::DrivenLogOf(pid, QStringLiteral("answer"));
    run.confirmations = int(RefreshSim::BidConfirmationsSince(0, run.number).size());
    run.winner = Server().items().find(run.number)->winner;
    return run;
}

void expectSniped(const Unattended &run)
{
    EXPECT_TRUE(run.stillRunning);
    EXPECT_EQ(run.confirmations, 1);
    EXPECT_EQ(run.winner, QStringLiteral("alice"));
    EXPECT_TRUE(run.answers.isEmpty()) << run.answers.join(QLatin1Char('\n')).toStdString();
}

} // namespace

TEST(StartupNoticesProgram, RowsLeftOutOfTheListAreToldWhileTheSnipeGoesOut)
{
    const Unattended run = runUnattended([](const QString &number) {
        ProgramRun::WriteList({ListRecord(number), ListRecord(number, QStringLiteral("1 @ 25.00"), QStringLiteral("Local"))});
    });
    expectSniped(run);
    ASSERT_EQ(run.boxes.size(), 1) << run.boxes.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(run.boxes.first().contains(QStringLiteral("Item #") + run.number + QStringLiteral(": (watching)")));
}

TEST(StartupNoticesProgram, ADamagedFavoritesFileIsSetAsideWhileTheSnipeGoesOut)
{
    const QByteArray damaged = "\"never closed,\"x\r\n\"";
    const Unattended run = runUnattended([&damaged](const QString &) {
        writeBytes(basGeneral::DataFolder() + QStringLiteral("favorites.dat"), damaged);
    });
    expectSniped(run);
    ASSERT_EQ(run.boxes.size(), 1) << run.boxes.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(run.boxes.first().contains(QLatin1String(" box An error occured while loading your favorites list: ")));
    const QStringList backups = QDir(basGeneral::DataFolder()).entryList({QStringLiteral("favorites-backup-*.dat")});
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(RefreshSim::DataFileText(backups.first()).toLatin1(), damaged);
}

TEST(StartupNoticesProgram, ATimePageThatNeverReadsLeavesTheRowsReadAndTheSnipeGoingOut)
{
    const Unattended run = runUnattended([](const QString &) {
        RefreshSim::AddFault(QStringLiteral("EbayTime"), Sim::FaultMode::Empty, -1);
    });
    expectSniped(run);
    EXPECT_TRUE(run.boxes.isEmpty());
    const QString log = RefreshSim::DataFileText(QStringLiteral("log.txt"));
    EXPECT_EQ(log.count(QLatin1String("eBay's clock could not be read")), 1) << log.toStdString();
    EXPECT_FALSE(log.contains(QLatin1String("Error in RefreshAuctions"))) << log.toStdString();
}
