// The refresh alone (no main tick) at an auction's end: a snipe whose
// auction it finds over says so, however it came to be over, and a page read
// in the last second that still shows the auction running is read again
// within the pass.
#include "tests/integration/bidsim.h"
#include "tests/integration/refreshsimutil.h"

#include "engine/readfirst.h"
#include "platform/listview.h"

#include <gtest/gtest.h>

using namespace RefreshSim;

namespace {

// The lines of the bid log that tell the snipe on `number` did not go out.
QStringList toldMissed(const QString &number)
{
    return BidSim::BidLog().filter(QStringLiteral("Snipe on item # ") + number + QStringLiteral(" not placed: "));
}

ListItem *snipeRow(const QString &number, const QString &timeLeft)
{
    return AddRow(number, {{"timeleft", timeLeft}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
}

} // namespace

TEST(RefreshEnds, ASnipeFoundOverUnstartedIsToldByTheRefreshItself)
{
    Form &f = FreshForm();
    BidSim::ClearBidLog();

    // Over while the program was off: the list still shows hours left.
    const QString whileOff = AddItem(-600);
    ListItem *offRow = snipeRow(whileOff, QStringLiteral("2 h 10 m"));
    f.RefreshAuctions(whileOff, false, false);
    EXPECT_EQ(Field(offRow, "timeleft"), "Ended");
    QStringList told = toldMissed(whileOff);
    ASSERT_EQ(told.size(), 1) << BidSim::BidLog().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(told.first().contains(QLatin1String("ended before the bid was started"))) << told.first().toStdString();

    // Ended by eBay earlier than its clock as the program last read it: the
    // clock jumped on while its page could not be read.
    const QString early = AddItem(200);
    ListItem *earlyRow = snipeRow(early, QStringLiteral("10 m"));
    f.RefreshAuctions(early, false, false);
    ASSERT_GT(SecondsShown(earlyRow), 150);
    AddFault(QStringLiteral("EbayTime"), Sim::FaultMode::Empty, -1);
    Server().moveEbayClock(300);
    f.RefreshAuctions(early, false, false);
    Server().faults().clear();
    EXPECT_EQ(Field(earlyRow, "timeleft"), "Ended");
    told = toldMissed(early);
    ASSERT_EQ(told.size(), 1) << BidSim::BidLog().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(told.first().contains(QLatin1String("eBay ended the auction"))) << told.first().toStdString();

    // Told once: a later pass over the ended rows says nothing more.
    f.blnForceRefreshAll = true;
    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(toldMissed(whileOff).size() + toldMissed(early).size(), 2);
    EXPECT_TRUE(f.bids.isEmpty());
}

TEST(RefreshEnds, ASnipeReadInItsLastSecondStillRunningIsReadAgainWithinThePass)
{
    Form &f = FreshForm();
    while (ReadFirst::Take()) {
    }
    // The snipe's bid has gone out; its auction ends in a moment, and the
    // page read first still shows it running.
    const QString ending = AddItem(3);
    ListItem *row = snipeRow(ending, QStringLiteral("1 s"));
    row->setTag(QStringLiteral("Bid complete"));
    // A pass that takes several seconds over rows whose pages answer slowly.
    for (int i = 0; i < 8; ++i) {
        const QString slow = AddItem(240);
        AddRow(slow, {{"timeleft", "4 m"}});
        AddFault(QStringLiteral("ViewItem&item=") + slow, Sim::FaultMode::Hang, 1, 1000);
    }
    ReadFirst::Add(ending);
    const qint64 mark = Mark();
    f.RefreshAuctions(QString(), false, false);

    EXPECT_EQ(Field(row, "timeleft"), "Ended") << "left to the next pass";
    EXPECT_GE(TargetsSince(mark).filter(QStringLiteral("ViewItem&item=") + ending).size(), 2);
}
