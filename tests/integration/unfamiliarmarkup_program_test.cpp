// The program as its own process against item and bid pages in markup its
// readers were never taught (the simulator's "unfamiliar" layout: the title
// in a heading of another class, the condition note in a span of another
// class beside the condition, the bid pages naming the item in a plain
// paragraph). Sellers' notes and titles there carry eBay's labels and
// notices: another end, ended, removed, moved, a refusal. Every snipe is
// confirmed at its true moment, by the end eBay gives.
#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/waitfor.h"

#include "sim/core/pacifictime.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <functional>

#include <csignal>

namespace {

QString pacific(const QDateTime &utc)
{
    return Sim::Pacific::shortDate(utc) + QLatin1Char(' ') + Sim::Pacific::shortTime(utc);
}

} // namespace

TEST(UnfamiliarMarkupProgram, NotesAndTitlesWithEbaysTextsLeaveEachSnipeAtItsTrueMoment)
{
    Sim::SimServer &sim = ProgramRun::Server();
    sim.addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    struct Planted
    {
        const char *what;
        std::function<void(Sim::SimItem &)> plant;
        QString number;
    };
    QList<Planted> items = {
        {"a note with an end in 2030",
         [](Sim::SimItem &i) { i.conditionNote = QStringLiteral("Works. Time left: 3d (Dec 31, 2030 10:00:00 PST) on the warranty."); }},
        {"a note with an end 90 s early",
         [](Sim::SimItem &i) {
             i.conditionNote = QStringLiteral("Works. Time left: 1m 30s (") + pacific(i.endsAt.addSecs(-90)) + QStringLiteral(") on the warranty.");
         }},
        {"a title with the export restriction",
         [](Sim::SimItem &i) { i.title = QStringLiteral("Lamp: this item is restricted for export by the U.S. Department of State (DOS)"); }},
        {"a title \"Ended:\"", [](Sim::SimItem &i) { i.title = QStringLiteral("Ended:"); }},
        {"a title ending in the removed notice",
         [](Sim::SimItem &i) { i.title = QStringLiteral("Lamp. This listing (1) has been removed, or this item is not available."); }},
        {"a title with the moved notice",
         [](Sim::SimItem &i) { i.title = QStringLiteral("Lamp. This item is not available for purchase on eBay United States"); }},
        {"a title with an end 3 minutes late",
         [](Sim::SimItem &i) { i.title = QStringLiteral("Time left: (") + pacific(i.endsAt.addSecs(180)) + QLatin1Char(')'); }},
        {"a plain item", [](Sim::SimItem &) {}},
    };
    QStringList records;
    for (int n = 0; n < items.size(); ++n) {
        Sim::SimItem item;
        item.title = QStringLiteral("Brass lamp");
        item.price = 10.0;
        item.layout = QStringLiteral("unfamiliar");
        item.endsAt = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + 55 + 7 * n, Qt::UTC);
        items[n].plant(item);
        items[n].number = sim.items().add(item);
        records << ProgramRun::ListRecord(items[n].number, QStringLiteral("1 @ 25.00"), QStringLiteral("Local"));
    }
    ProgramRun::PrepareFinishedFirstRunToSnipe(5, 2); // bid delay entry 2: 3 s
    ProgramRun::WriteList(records);

    QProcess program;
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartProgram(program));
    const auto confirmed = [](const QString &number) { return !RefreshSim::BidConfirmationsSince(0, number).isEmpty(); };
    const QDateTime lastEnd = sim.items().find(items.last().number)->endsAt;
    const bool allConfirmed = waitFor(
        [&] {
            return std::all_of(items.begin(), items.end(), [&](const Planted &p) { return confirmed(p.number); })
                || program.state() == QProcess::NotRunning || QDateTime::currentDateTimeUtc() > lastEnd.addSecs(3);
        },
        150000);
    ::kill(pid_t(program.processId()), SIGKILL);
    program.waitForFinished(10000);

    EXPECT_TRUE(allConfirmed);
    for (const Planted &p : std::as_const(items)) {
        SCOPED_TRACE(p.what);
        const QList<Sim::LogEntry> confirmations = RefreshSim::BidConfirmationsSince(0, p.number);
        EXPECT_EQ(confirmations.size(), 1);
        if (confirmations.isEmpty())
            continue;
        const QDateTime end = sim.items().find(p.number)->endsAt.toLocalTime();
        // Due 3 s before the end: not while the others could still answer
        // for long, and not after it.
        EXPECT_LT(confirmations.first().arrival, end);
        EXPECT_GT(confirmations.first().arrival, end.addSecs(-10));
        EXPECT_EQ(sim.items().find(p.number)->winner, QStringLiteral("alice"));
    }
}
