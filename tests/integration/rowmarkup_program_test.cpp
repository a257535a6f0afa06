// The program as its own process, sniping items whose pages print the
// "Time left:" row with a line break in the label's cell, with comments
// around it, and as one cell with its value, beside a plain item: every
// snipe is confirmed before its end.
#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>

TEST(RowMarkupProgram, SnipesOnPagesWithHarmlessMarkupInTheirTimeLeftRowGoOutOnTime)
{
    Sim::SimServer &sim = ProgramRun::Server();
    sim.addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const char *const markups[] = {"linebreak", "comment", "onecell", ""};
    QStringList numbers;
    QStringList records;
    for (int i = 0; i < int(std::size(markups)); ++i) {
        Sim::SimItem item;
        item.title = QStringLiteral("Brass lamp");
        item.price = 10.0;
        item.rowMarkup = QLatin1String(markups[i]);
        item.endsAt = QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + 55 + 7 * i, Qt::UTC);
        numbers << sim.items().add(item);
        records << ProgramRun::ListRecord(numbers.last(), QStringLiteral("1 @ 25.00"), QStringLiteral("Local"));
    }
    ProgramRun::PrepareFinishedFirstRunToSnipe(5, 2); // bid delay entry 2: 3 s
    ProgramRun::WriteList(records);

    QProcess program;
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartProgram(program));
    const auto confirmed = [](const QString &number) { return !RefreshSim::BidConfirmationsSince(0, number).isEmpty(); };
    const QDateTime lastEnd = sim.items().find(numbers.last())->endsAt;
    const bool allConfirmed = waitFor(
        [&] {
            return std::all_of(numbers.cbegin(), numbers.cend(), confirmed) || program.state() == QProcess::NotRunning
                || QDateTime::currentDateTimeUtc() > lastEnd.addSecs(3);
        },
        100000);
    ::kill(pid_t(program.processId()), SIGKILL);
    program.waitForFinished(10000);

    EXPECT_TRUE(allConfirmed);
    for (int i = 0; i < numbers.size(); ++i) {
        const QList<Sim::LogEntry> confirmations = RefreshSim::BidConfirmationsSince(0, numbers.at(i));
        ASSERT_EQ(confirmations.size(), 1) << "markup \"" << markups[i] << "\"";
        EXPECT_LT(confirmations.first().arrival, sim.items().find(numbers.at(i))->endsAt.toLocalTime()) << markups[i];
        EXPECT_EQ(sim.items().find(numbers.at(i))->winner, QStringLiteral("alice")) << markups[i];
    }
}
