// A list file holding one item number on two rows, as a damaged or
// hand-edited file does, started as the real program against the simulator:
// one row is loaded for the number, the user is told of the row left out with
// its amount and note, and the snipe goes out once, at its own maximum.
#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <functional>

namespace {

using ProgramRun::ListRecord;

QString withNote(QString record, const QString &note)
{
    return record.replace(QStringLiteral("\"alice\",\"\",\"\""), QStringLiteral("\"alice\",\"\",\"") + note + QLatin1Char('"'));
}

struct Outcome
{
    QString number;
    QStringList boxes;
    QList<Sim::LogEntry> confirmations;
    QString winner;
    int savedRows = 0; // records of the number in the list file at the end
};

// The program started on the list `records` gives for a new item at 10.00
// that ends in a minute, watched until the end has passed.
Outcome runOnList(const std::function<QStringList(const QString &number)> &records)
{
    Sim::SimServer &sim = ProgramRun::Server();
    sim.addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    Sim::SimItem item;
    item.title = QStringLiteral("Brass lamp");
    item.price = 10.0;
    item.endsAt = QDateTime::currentDateTimeUtc().addSecs(60);
    Outcome out;
    out.number = sim.items().add(item);
    ProgramRun::PrepareFinishedFirstRunToSnipe(5, 2); // bid delay entry 2: 3 s
    ProgramRun::WriteList(records(out.number));

    QProcess program;
    ProgramRun::StartDriven(program, {QStringLiteral("/nomon")});
    const qint64 pid = program.processId();
    waitFor([&] { return program.state() == QProcess::NotRunning || QDateTime::currentDateTimeUtc() > item.endsAt.addSecs(3); },
            90000);
    ProgramRun::Stop(program);

    out.boxes = ProgramRun::DrivenLogOf(pid, QStringLiteral("box"));
    out.confirmations = RefreshSim::BidConfirmationsSince(0, out.number);
    out.winner = sim.items().find(out.number)->winner;
    for (const QString &line : RefreshSim::DataFileText(QStringLiteral("data6.dat")).split(QStringLiteral("\r\n")))
        out.savedRows += line.startsWith(QLatin1Char('"') + out.number + QLatin1Char('"'));
    return out;
}

void expectToldOnce(const Outcome &run, const QString &leftOut)
{
    ASSERT_EQ(run.boxes.size(), 1) << run.boxes.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(run.boxes.first().contains(QStringLiteral("Item #") + run.number + QStringLiteral(": ") + leftOut))
        << run.boxes.first().toStdString();
}

void expectOneConfirmationAt(const Outcome &run, const QString &amount)
{
    ASSERT_EQ(run.confirmations.size(), 1);
    EXPECT_TRUE(run.confirmations.first().target.contains(QStringLiteral("&maxbid=") + amount + QLatin1Char('&')))
        << run.confirmations.first().target.toStdString();
    EXPECT_EQ(run.winner, QStringLiteral("alice"));
}

} // namespace

TEST(ListedTwiceProgram, AWatchedRowAboveTheSnipesRowLeavesTheSnipeToGoOutAtItsMaximum)
{
    const Outcome run = runOnList([](const QString &number) {
        return QStringList{withNote(ListRecord(number), QStringLiteral("watch the lid")),
                           ListRecord(number, QStringLiteral("1 @ 25.00"), QStringLiteral("Local"))};
    });
    expectOneConfirmationAt(run, QStringLiteral("25.00"));
    expectToldOnce(run, QStringLiteral("(watching) for alice, note \"watch the lid\" (the row kept: 1 @ 25.00)"));
    EXPECT_EQ(run.savedRows, 1);
}

TEST(ListedTwiceProgram, TwoSnipesOfTheSameUserKeepTheFirstAndNameTheOther)
{
    const Outcome run = runOnList([](const QString &number) {
        return QStringList{ListRecord(number, QStringLiteral("1 @ 50.00"), QStringLiteral("Local")),
                           withNote(ListRecord(number, QStringLiteral("1 @ 120.00"), QStringLiteral("Local")),
                                    QStringLiteral("raised"))};
    });
    expectOneConfirmationAt(run, QStringLiteral("50.00"));
    expectToldOnce(run, QStringLiteral("1 @ 120.00 for alice, note \"raised\" (the row kept: 1 @ 50.00)"));
    EXPECT_EQ(run.savedRows, 1);
}
