// The program as its own process, sniping items whose sellers wrote a
// "Time left:" into the note of the condition row, which eBay prints as
// plain text above its own "Time left:" row: one far off, one 90 s before
// the real end, beside a plain item. Every snipe is confirmed at its true
// moment, by the end eBay gives.
#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/waitfor.h"

#include "sim/core/pacifictime.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>

TEST(SellerNoteProgram, NotesInTheConditionRowWithAnotherEndLeaveEachSnipeAtItsTrueMoment)
{
    Sim::SimServer &sim = ProgramRun::Server();
    sim.addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto add = [&](qint64 endsIn, const std::function<QString(const QDateTime &end)> &note) {
        Sim::SimItem item;
        item.title = QStringLiteral("Brass lamp");
        item.price = 10.0;
        item.endsAt = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + endsIn, Qt::UTC);
        item.conditionNote = note(item.endsAt);
        return sim.items().add(item);
    };
    const auto timeLeft = [](const QDateTime &end) {
        return QStringLiteral("Time left: 1m 30s (") + Sim::Pacific::shortDate(end) + QLatin1Char(' ')
            + Sim::Pacific::shortTime(end) + QLatin1Char(')');
    };
    const QString later = add(55, [](const QDateTime &) {
        return QStringLiteral("Works well. Time left: 3d 02h (Dec 31, 2030 10:00:00 PST)");
    });
    const QString earlier = add(62, [&](const QDateTime &end) { return QStringLiteral("Works well. ") + timeLeft(end.addSecs(-90)); });
    const QString plain = add(69, [](const QDateTime &) { return QString(); });
    ProgramRun::PrepareFinishedFirstRunToSnipe(5, 2); // bid delay entry 2: 3 s
    using ProgramRun::ListRecord;
    ProgramRun::WriteList({ListRecord(later, QStringLiteral("1 @ 25.00"), QStringLiteral("Local")),
                           ListRecord(earlier, QStringLiteral("1 @ 25.00"), QStringLiteral("Local")),
                           ListRecord(plain, QStringLiteral("1 @ 25.00"), QStringLiteral("Local"))});

    QProcess program;
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartProgram(program));
    const auto confirmed = [](const QString &number) { return !RefreshSim::BidConfirmationsSince(0, number).isEmpty(); };
    const QDateTime lastEnd = sim.items().find(plain)->endsAt;
    const bool allConfirmed = waitFor(
        [&] {
            return (confirmed(later) && confirmed(earlier) && confirmed(plain)) || program.state() == QProcess::NotRunning
                || QDateTime::currentDateTimeUtc() > lastEnd.addSecs(3);
        },
        95000);
    ::kill(pid_t(program.processId()), SIGKILL);
    program.waitForFinished(10000);

    EXPECT_TRUE(allConfirmed);
    for (const QString &number : {later, earlier, plain}) {
        SCOPED_TRACE(number == later ? "the note with a later end" : number == earlier ? "the note with an earlier end" : "the plain item");
        const QList<Sim::LogEntry> confirmations = RefreshSim::BidConfirmationsSince(0, number);
        EXPECT_EQ(confirmations.size(), 1);
        if (confirmations.isEmpty())
            continue;
        const QDateTime end = sim.items().find(number)->endsAt.toLocalTime();
        // Due 3 s before the end: not while the others could still answer
        // for long, and not after it.
        EXPECT_LT(confirmations.first().arrival, end);
        EXPECT_GT(confirmations.first().arrival, end.addSecs(-10));
        EXPECT_EQ(sim.items().find(number)->winner, QStringLiteral("alice"));
    }
}
