// Two snipes of one bid group from the list, ending in the same second,
// run by the main tick against the simulator: the group never has two bids
// out, so one is confirmed and the other is reported as not placed.
#include "tests/integration/bidsim.h"
#include "tests/integration/refreshsimutil.h"

#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

using namespace RefreshSim;

TEST(GroupSnipeWithSimulator, TwoSnipesOfAGroupEndingInTheSameSecondPlaceOneBid)
{
    Form &f = FreshForm();
    f.realBid = true;
    BidSim::ClearBidLog();
    MsgBoxScript::instance().clear();
    const QString first = AddItem(24, 1.0);
    const QDateTime end = Server().items().find(first)->endsAt;
    const QString second = AddItem(24, 1.0, [&](Sim::SimItem &item) { item.endsAt = end; });
    ListItem *a = AddRow(first, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}, {"group", "lamps"}}, QStringLiteral("Local"));
    ListItem *b = AddRow(second, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}, {"group", "lamps"}}, QStringLiteral("Local"));
    const qint64 mark = Mark();

    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return Field(a, "timeleft") == "Ended" && Field(b, "timeleft") == "Ended"; }, 60));
    f.tmrTimer->setEnabled(false);

    // Both bids were started; only one confirmation went out.
    EXPECT_EQ(f.bids.size(), 2);
    const qsizetype confirmedFirst = BidConfirmationsSince(mark, first).size();
    const qsizetype confirmedSecond = BidConfirmationsSince(mark, second).size();
    ASSERT_EQ(confirmedFirst + confirmedSecond, 1);
    const QString placed = confirmedFirst ? first : second;
    const QString held = confirmedFirst ? second : first;
    const QString missed = QStringLiteral("Snipe on item # ") + held + QStringLiteral(" not placed: item # ") + placed
        + QStringLiteral(" of its group has a bid out whose outcome is not known yet");
    EXPECT_TRUE(BidSim::BidLog().contains(missed)) << BidSim::BidLog().join(" | ").toStdString();
    EXPECT_EQ(Field(confirmedFirst ? a : b, "won"), "True");
    EXPECT_EQ(Field(confirmedFirst ? b : a, "won"), "False");

    // The two rows were told of as a pair too close to share a group.
    bool told = false;
    for (const Desktop::MsgBoxCall &call : MsgBoxScript::instance().calls())
        told = told || call.prompt.contains(QStringLiteral("Group \"lamps\": items # ") + first + " and # " + second);
    EXPECT_TRUE(told);
}
