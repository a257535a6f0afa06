// Won or not by the winner the item page names: eBay user IDs do not depend
// on letter case, so the row's user shown in any case has won, and only
// eBay's own "Winning bidder" entry names the winner; the user's ID
// elsewhere on the page (its header's greeting) names nobody. A win holds
// back the rest of the row's bid group; anything else leaves it to bid.
#include "tests/integration/refreshsimutil.h"

#include "engine/bidrecord.h"
#include "engine/winnerentry.h"
#include "foundation/sellertext.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "sim/core/pages.h"

#include <gtest/gtest.h>

using namespace RefreshSim;

namespace {

const QString kMax = QStringLiteral("1 @ 120.00");

// A group's two rows: the first already bid on (this program's bid
// confirmed, price 85 under a maximum of 120) and over, the page naming
// `shownWinner`; the second a snipe ending in `secondEndsIn` seconds.
struct Group
{
    ListItem *first;
    ListItem *second;
};

Group AddGroup(const QString &name, const QString &rowUser, const QString &shownWinner, double price = 85.0,
               const QString &greeted = {}, qint64 secondEndsIn = 20)
{
    const QString first = AddItem(3600, price, [&](Sim::SimItem &item) {
        item.bids = 2;
        item.greeted = greeted;
    });
    BidRecord::MarkConfirmed(first);
    Sim::SimItem *item = Server().items().find(first);
    item->endsAt = Server().now().addSecs(-1);
    item->winner = shownWinner;
    const QString second = AddItem(secondEndsIn, 10.0);
    return {AddRow(first, {{"maxbid", kMax}, {"user", rowUser}, {"group", name}}, QStringLiteral("Local")),
            AddRow(second, {{"maxbid", kMax}, {"user", rowUser}, {"group", name}}, QStringLiteral("Local"))};
}

// Runs the main tick until every second row's auction is over.
bool RunUntilSecondsEnd(Form &f, const QList<Group> &groups)
{
    f.tmrTimer->setEnabled(true);
    const bool ended = RunUntil(
        [&] {
            for (const Group &g : groups)
                if (Field(g.second, "timeleft") != "Ended")
                    return false;
            return true;
        },
        60);
    f.tmrTimer->setEnabled(false);
    return ended;
}

} // namespace

TEST(WinnerUserId, TheRowsUserShownAsWinnerInAnyLetterCaseHasWonAndHoldsBackTheGroupsNextSnipe)
{
    Form &f = FreshForm();
    const struct
    {
        const char *rowUser, *shown;
    } cases[] = {{"alice", "Alice"}, {"alice", "ALICE"}, {"alice", "alice"}, {"Alice", "alice"}, {"aLiCe", "AlIcE"}};
    QList<Group> groups;
    for (const auto &c : cases)
        groups.append(AddGroup(QStringLiteral("G") + QString::number(groups.size()), QString::fromLatin1(c.rowUser),
                               QString::fromLatin1(c.shown)));

    f.RefreshAuctions(QString(), false, false);
    for (qsizetype i = 0; i < groups.size(); ++i) {
        SCOPED_TRACE(std::string("row ") + cases[i].rowUser + ", shown " + cases[i].shown);
        EXPECT_EQ(Field(groups[i].first, "timeleft"), "Ended");
        EXPECT_EQ(Field(groups[i].first, "won"), "True");
        EXPECT_EQ(groups[i].second->Tag(), "Other in group won");
    }

    ASSERT_TRUE(RunUntilSecondsEnd(f, groups));
    EXPECT_TRUE(f.bids.isEmpty()) << "no group buys twice: " << f.bids.join(' ').toStdString();
    for (const Group &g : groups)
        EXPECT_EQ(g.second->Tag(), "Other in group won");
}

TEST(WinnerUserId, TheUsersIdOutsideTheWinnerEntryWinsNothingAndTheGroupBidsOn)
{
    // The page's header greets the user while bob holds the winner entry.
    Form &f = FreshForm();
    const Group greeted = AddGroup(QStringLiteral("G"), QStringLiteral("alice"), QStringLiteral("bob"), 85.0,
                                   QStringLiteral("alice"));
    const QString page = Sim::Pages::item(*Server().items().find(greeted.first->Text()), Server().pageContext());
    ASSERT_TRUE(page.contains(QLatin1String(">alice</a>"))) << "the user's ID is on the page";

    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(Field(greeted.first, "timeleft"), "Ended");
    EXPECT_EQ(Field(greeted.first, "won"), "False");
    EXPECT_EQ(greeted.second->Tag(), "Local");

    ASSERT_TRUE(RunUntilSecondsEnd(f, {greeted}));
    EXPECT_EQ(f.bids, QStringList({greeted.second->Text()}));
}

TEST(WinnerUserId, EveryLayoutsWinnerEntryIsReadAndNothingElseOnThePage)
{
    // The item page in each layout that shows a winner, with the user as
    // the seller, greeted in the header and as the winner in another case.
    const QString layouts[] = {QStringLiteral("default"), QStringLiteral("ended_table"), QStringLiteral("ended_div"),
                               QStringLiteral("fixed_price"), QStringLiteral("fixed_price_sale")};
    for (const QString &layout : layouts) {
        SCOPED_TRACE(layout.toStdString());
        Sim::SimItem item;
        item.number = QStringLiteral("110000000001");
        item.layout = layout;
        item.seller = QStringLiteral("alice");
        item.greeted = QStringLiteral("alice");
        item.bids = 3;
        item.endsAt = Server().now().addSecs(-60);
        const auto readWinner = [&] {
            const QString page = Sim::Pages::item(item, Server().pageContext());
            return WinnerEntry::Read(basGeneral::WithoutSellerText(page));
        };
        EXPECT_EQ(readWinner(), std::nullopt) << "no winner entry";
        item.winner = QStringLiteral("Bob");
        EXPECT_EQ(readWinner(), QStringLiteral("Bob"));
        item.winner = QStringLiteral("ALICE");
        EXPECT_EQ(readWinner(), QStringLiteral("ALICE"));
    }
}
