// The program as its own process, sniping an item whose seller wrote a
// far-off "Time left:" into its title, beside a plain item: both snipes are
// confirmed before their ends.
#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>

TEST(SellerTitleProgram, AnItemWhoseTitleCarriesAFarTimeLeftIsSnipedBeforeItsRealEnd)
{
    Sim::SimServer &sim = ProgramRun::Server();
    sim.addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto add = [&](const QString &title, qint64 endsIn) {
        Sim::SimItem item;
        item.title = title;
        item.price = 10.0;
        item.endsAt = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + endsIn, Qt::UTC);
        return sim.items().add(item);
    };
    const QString lamp = add(QStringLiteral("Brass lamp - Time left: (Dec 31, 2030 10:00:00 PST)"), 55);
    const QString control = add(QStringLiteral("Brass lamp"), 62);
    ProgramRun::PrepareFinishedFirstRunToSnipe(5, 2); // bid delay entry 2: 3 s
    using ProgramRun::ListRecord;
    ProgramRun::WriteList({ListRecord(lamp, QStringLiteral("1 @ 25.00"), QStringLiteral("Local")),
                           ListRecord(control, QStringLiteral("1 @ 25.00"), QStringLiteral("Local"))});

    QProcess program;
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartProgram(program));
    const auto confirmed = [](const QString &number) { return !RefreshSim::BidConfirmationsSince(0, number).isEmpty(); };
    const QDateTime lastEnd = sim.items().find(control)->endsAt;
    const bool bothConfirmed = waitFor(
        [&] {
            return (confirmed(lamp) && confirmed(control)) || program.state() == QProcess::NotRunning
                || QDateTime::currentDateTimeUtc() > lastEnd.addSecs(3);
        },
        85000);
    ::kill(pid_t(program.processId()), SIGKILL);
    program.waitForFinished(10000);

    EXPECT_TRUE(bothConfirmed);
    for (const QString &number : {lamp, control}) {
        const QList<Sim::LogEntry> confirmations = RefreshSim::BidConfirmationsSince(0, number);
        ASSERT_EQ(confirmations.size(), 1) << (number == lamp ? "the item with the title" : "the plain item");
        EXPECT_LT(confirmations.first().arrival, sim.items().find(number)->endsAt.toLocalTime());
        EXPECT_EQ(sim.items().find(number)->winner, QStringLiteral("alice"));
    }
}
