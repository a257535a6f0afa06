// The program killed as its bid confirmation reaches eBay, then started
// again before the auction's end as the monitor does it: the bid is not
// placed a second time, the row shows the bid as made, and the refresh after
// the end decides the result.
#include "sim/core/simserver.h"

#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace {

using ProgramRun::Server;
using ProgramRun::Stop;

int Count(const QString &marker, const QString &number)
{
    int n = 0;
    for (const Sim::LogEntry &e : Server().requestLog().since(0))
        n += e.target.contains(marker) && e.target.contains(QStringLiteral("item=") + number);
    return n;
}

int Confirmations(const QString &number)
{
    return int(RefreshSim::BidConfirmationsSince(0, number).size());
}

QStringList ListRecord()
{
    const QString text = RefreshSim::DataFileText(QStringLiteral("data6.dat"));
    if (text.isEmpty())
        return {};
    QStringList fields = text.trimmed().split(QStringLiteral("\",\""));
    if (!fields.isEmpty()) {
        fields.first().remove(QLatin1Char('"'));
        fields.last().remove(QLatin1Char('"'));
    }
    return fields;
}

} // namespace

TEST(BidRestart, AProgramKilledAtTheConfirmationDoesNotBidAgainAfterItsRestart)
{
    const QString number = ProgramRun::ListSnipeOnNewItem(QStringLiteral("Killed at the bid"), 70);
    // The confirmation reaches eBay (the bid is placed) and no answer comes.
    RefreshSim::AddFault(QStringLiteral("MfcISAPICommand=MakeBid"), Sim::FaultMode::Hang);
    // The bid window starts 3 s (the lead time) + 30 s (the bid delay, entry
    // 13) before the end.
    ProgramRun::PrepareFinishedFirstRunToSnipe(3, 13);

    QProcess first;
    ProgramRun::StartProgram(first);
    ASSERT_TRUE(waitFor([&] { return Confirmations(number) == 1; }, 60000));
    ASSERT_TRUE(ProgramRun::Kill(first));
    const QDateTime end = Server().items().find(number)->endsAt;
    ASSERT_GT(QDateTime::currentDateTimeUtc().secsTo(end), 20) << "killed well before the end";
    ASSERT_EQ(Server().items().find(number)->winner, QStringLiteral("alice"));

    // As the monitor starts it again.
    const int preparations = Count(QStringLiteral("?MakeBid&"), number);
    QProcess second;
    ProgramRun::RestartAsTheMonitorDoes(second);
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
