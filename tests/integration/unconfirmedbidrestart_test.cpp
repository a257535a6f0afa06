// The program killed right after it recorded a bid confirmation as sent,
// while the bid host refused its secure connection, so eBay never got the
// bid; started again, it must not count the item as won from the price
// alone, nor hold back the rest of the bid group.
#include "foundation/basgeneral.h"
#include "platform/ansi.h"
#include "sim/core/simserver.h"

#include "tests/integration/closedoffer.h"
#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

namespace {

using ProgramRun::Server;
using ProgramRun::Stop;

// Lead time 3 s and a bid delay of 5 s (entry 4): a bid starts 8 s before
// its end and confirms 5 s before it.
constexpr int kLeadTimeS = 3;
constexpr int kBidDelayEntry = 4;

QString AddItem(qint64 endsInS, double price)
{
    Sim::SimItem item;
    item.price = price;
    item.endsAt = QDateTime::currentDateTimeUtc().addSecs(endsInS);
    return Server().items().add(item);
}

QString GroupSnipeRecord(const QString &number)
{
    return ProgramRun::ListRecord(number, QStringLiteral("1 @ 120.00"), QStringLiteral("Local"))
        .replace(QStringLiteral("\"alice\",\"\""), QStringLiteral("\"alice\",\"G\""));
}

// The saved records of the list file, by item number, each as its fields.
QMap<QString, QStringList> SavedRows()
{
    QMap<QString, QStringList> rows;
    const QString text = RefreshSim::DataFileText(QStringLiteral("data6.dat"));
    for (const QString &line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        QStringList fields = line.split(QStringLiteral("\",\""));
        fields.first().remove(QLatin1Char('"'));
        fields.last().remove(QLatin1Char('"'));
        if (fields.size() == 17)
            rows.insert(fields.first(), fields);
    }
    return rows;
}

bool RecordedAsSent(const QString &number)
{
    return RefreshSim::DataFileText(QStringLiteral("bidresults.dat"))
        .contains(QLatin1Char('"') + number + QStringLiteral("\",\"sent\""));
}

QString BidLog()
{
    QFile file(basGeneral::DataFolder() + QStringLiteral("logbids.txt"));
    return file.open(QIODevice::ReadOnly) ? Ansi::decode(file.readAll()) : QString();
}

} // namespace

TEST(UnconfirmedBidRestart, AKilledProgramsUnconfirmedBidIsNotWonAndHoldsTheGroupsNextSnipeWithItsLine)
{
    Server().addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    // bob leads the first item at 84, within our 120, and the page names no
    // winner. The second item of the group ends 45 s later.
    const QString first = AddItem(35, 84.0);
    Server().bids().placeBid(*Server().items().find(first), QStringLiteral("bob"), 90.0, 1,
                             QDateTime::currentDateTimeUtc().addSecs(-60));
    Server().items().find(first)->winner.clear();
    const QString second = AddItem(80, 10.0);
    ProgramRun::PrepareFinishedFirstRunToSnipe(kLeadTimeS, kBidDelayEntry);
    ProgramRun::WriteList({GroupSnipeRecord(first), GroupSnipeRecord(second)});

    {
        const ClosedOfferHttps closed(Server());
        QProcess killed;
        ASSERT_NO_FATAL_FAILURE(ProgramRun::StartProgram(killed));
        const bool sent = waitFor([&] { return RecordedAsSent(first); }, 60000);
        ASSERT_TRUE(ProgramRun::Kill(killed));
        ASSERT_TRUE(sent) << "the bid was never sent";
    }
    ASSERT_TRUE(RefreshSim::BidConfirmationsSince(0, first).isEmpty()) << "eBay got no confirmation";

    // As the monitor starts it again.
    QProcess again;
    ASSERT_NO_FATAL_FAILURE(ProgramRun::RestartAsTheMonitorDoes(again));
    const bool decided = waitFor([&] { return SavedRows().value(second).value(2) == QLatin1String("Ended"); }, 100000);
    const QMap<QString, QStringList> rows = SavedRows();
    Stop(again);

    const QStringList a = rows.value(first);
    const QStringList b = rows.value(second);
    ASSERT_TRUE(decided) << a.join(QLatin1Char('|')).toStdString() << '\n' << b.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(a.value(2), QStringLiteral("Ended"));
    EXPECT_EQ(a.value(14), QStringLiteral("False"));
    EXPECT_EQ(a.value(16), QStringLiteral("Bid outcome unknown"));
    EXPECT_TRUE(BidLog().contains(QStringLiteral("Bid on item # ") + first
                                  + QStringLiteral(" not confirmed by eBay, outcome unknown: check the item on eBay")))
        << BidLog().toStdString();
    EXPECT_TRUE(RefreshSim::BidConfirmationsSince(0, first).isEmpty()) << "not sent again";

    // Whether the first bid went in nobody can tell: its ended page names no
    // winner and shows a price the bid would have won at. The group's next
    // snipe is held, and says why.
    EXPECT_TRUE(RefreshSim::BidConfirmationsSince(0, second).isEmpty()) << "the group's next snipe is held";
    EXPECT_TRUE(BidLog().contains(QStringLiteral("Snipe on item # ") + second + QStringLiteral(" not placed: item # ") + first
                                  + QStringLiteral(" of its group has a bid out whose outcome is not known yet")))
        << BidLog().toStdString();
    EXPECT_EQ(b.value(14), QStringLiteral("False"));
}
