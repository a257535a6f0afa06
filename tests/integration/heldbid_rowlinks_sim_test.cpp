// A snipe's confirmation waits for the end less the bid delay; meanwhile the
// user works on its row through the list's links. The confirmation goes out
// only for the row as it stands then: removed or turned into a watched item
// it never goes, a changed maximum, quantity or account is prepared again
// and confirmed, a bid changed over and over is stopped.
#include "tests/integration/bidsim.h"
#include "tests/integration/heldsnipe.h"
#include "tests/integration/shownmain.h"
#include "tests/integration/wizardsim.h"

#include "engine/ebayclock.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/passwords.h"
#include "items/frmaddauction.h"
#include "items/frmremove.h"
#include "items/itemwindows.h"
#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <functional>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace RefreshSim;

namespace {

constexpr int kEndsInS = HeldSnipe::kEndsInS;

// What the remove window showed before its button was pressed.
struct RemoveSeen
{
    bool opened = false;
    bool bidNoteShown = false;
    QString bidNote;
};

// The × link of the row: the remove window, answered with its Remove (or,
// with keepWatching, "Cancel my bid ..." and Cancel Bid) button.
RemoveSeen removeThroughLink(HeldSnipe &s, bool keepWatching)
{
    RemoveSeen seen;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (!frmRemove::isLoaded() || !frmRemove::instance().isVisible())
            return;
        answer.stop();
        frmRemove &w = frmRemove::instance();
        seen.opened = true;
        seen.bidNoteShown = w.lblBidUnderWay->isVisibleTo(&w);
        seen.bidNote = w.lblBidUnderWay->text();
        if (keepWatching)
            w.chkCancelBid->click();
        w.cmdRem->click();
    });
    answer.start(20);
    s.link(QStringLiteral("remove="));
    return seen;
}

void expectRemoveWindowNamedTheBid(const RemoveSeen &seen)
{
    ASSERT_TRUE(seen.opened);
    EXPECT_TRUE(seen.bidNoteShown);
    EXPECT_EQ(seen.bidNote, QStringLiteral("A bid on this item is under way. Removing the item or cancelling the bid stops it "
                                           "before it is sent to eBay."));
}

void expectTakenBack(HeldSnipe &s)
{
    // The window signs out and closes at once, long before the moment.
    ASSERT_TRUE(RunUntil([&] { return s.bid.isNull(); }, 3)) << "still waiting for its moment";
    EXPECT_FALSE(s.main->blnBidding);
    // Past the moment and the end: nothing more arrives.
    RunUntil([] { return false; }, kEndsInS);
    EXPECT_EQ(s.bidKinds(), QStringList({"signin", "prepare", "signout"}));
    EXPECT_TRUE(BidConfirmationsSince(s.from, s.number).isEmpty());
    const QStringList log = BidSim::BidLog();
    EXPECT_TRUE(log.contains(QStringLiteral("Bid cancelled, signing out"))) << log.join(" | ").toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("Confirming bid")));
}

// The one confirmation went out for `qty` @ `amount` from `user`, with the
// tokens of the latest preparation; `prepared` lists every preparation.
void expectConfirmedAs(HeldSnipe &s, int qty, const QString &amount, const QString &user, const QStringList &prepared)
{
    ASSERT_TRUE(s.ended());
    const QList<Sim::LogEntry> confirmations = BidConfirmationsSince(s.from, s.number);
    ASSERT_EQ(confirmations.size(), 1);
    const QString target = confirmations.first().target;
    EXPECT_TRUE(target.contains(QStringLiteral("&maxbid=") + amount + QStringLiteral("&quant=") + QString::number(qty) + "&"))
        << target.toStdString();
    EXPECT_TRUE(target.contains(QStringLiteral("&user=") + user + QStringLiteral("&"))) << target.toStdString();
    EXPECT_EQ(s.preparedAmounts(), prepared);
    const Sim::ItemBidding &state = Server().bids().item(s.number);
    EXPECT_TRUE(target.contains(QStringLiteral("&uiid=") + state.uiid + QStringLiteral("&")));
    ASSERT_EQ(state.maxima.size(), 1);
    EXPECT_DOUBLE_EQ(state.maxima.first().max, amount.toDouble());
    EXPECT_EQ(state.maxima.first().quantity, qty);
    EXPECT_EQ(state.maxima.first().user, user);
    EXPECT_TRUE(BidSim::BidLog().contains(QStringLiteral("Maximum bid changed to ") + QString::number(qty) + " @ " + amount
                                          + QStringLiteral(", preparing again")));
}

void expectConfirmedAt(HeldSnipe &s, const QString &amount)
{
    // Prepared again for the new maximum, with the tokens of that page.
    expectConfirmedAs(s, 1, amount, QStringLiteral("alice"), {"55.00&qty=1", amount + "&qty=1"});
}

// Sets the row's maximum to 1 @ `amount` and waits for the bid window to
// prepare the bid at it.
bool changeMaximumAndWait(HeldSnipe &s, const QString &amount)
{
    SetField(s.row, "maxbid", QStringLiteral("1 @ ") + amount);
    return RunUntil([&] { return s.preparedAmounts().contains(amount + QStringLiteral("&qty=1")); }, 5);
}

} // namespace

TEST(HeldSnipeRowLinks, RemovingTheRowStopsTheWaitingBidAndNoConfirmationGoes)
{
    HeldSnipe s;
    ASSERT_TRUE(s.held());
    const RemoveSeen seen = removeThroughLink(s, false);
    expectRemoveWindowNamedTheBid(seen);
    EXPECT_EQ(s.main->lvwAuctions->FindItem(s.number), nullptr);
    expectTakenBack(s);
}

TEST(HeldSnipeRowLinks, CancellingTheBidButWatchingStopsTheWaitingBidAndNoConfirmationGoes)
{
    HeldSnipe s;
    ASSERT_TRUE(s.held());
    const RemoveSeen seen = removeThroughLink(s, true);
    ASSERT_NE(s.main->lvwAuctions->FindItem(s.number), nullptr);
    expectRemoveWindowNamedTheBid(seen);
    EXPECT_EQ(Field(s.row, "maxbid"), "(watching)");
    expectTakenBack(s);
}

TEST(HeldSnipeRowLinks, ARaisedMaximumIsPreparedAgainAndConfirmedAtTheNewAmount)
{
    HeldSnipe s;
    ASSERT_TRUE(s.held());
    ASSERT_TRUE(EditMaximumThroughLink(s, QStringLiteral("60.00"))) << MsgBoxScript::instance().lastPrompt().toStdString();
    EXPECT_EQ(Field(s.row, "maxbid"), "1 @ 60.00");
    // The status bar names the amount now being bid, not the first one.
    const QString bidding = QStringLiteral("Bidding 60.00 on item #") + s.number + QStringLiteral("...");
    EXPECT_TRUE(RunUntil([&] { return s.main->PanelText(QStringLiteral("Status")) == bidding; }, 3))
        << s.main->PanelText(QStringLiteral("Status")).toStdString();
    expectConfirmedAt(s, QStringLiteral("60.00"));
}

TEST(HeldSnipeRowLinks, ALoweredMaximumIsNeverExceeded)
{
    HeldSnipe s;
    ASSERT_TRUE(s.held());
    ASSERT_TRUE(EditMaximumThroughLink(s, QStringLiteral("40.00"))) << MsgBoxScript::instance().lastPrompt().toStdString();
    expectConfirmedAt(s, QStringLiteral("40.00"));
}

TEST(HeldSnipeRowLinks, ASnipeEditedToBePlacedOnlineOnlyIsNotConfirmedFromHere)
{
    HeldSnipe s;
    ASSERT_TRUE(s.held());
    ASSERT_TRUE(EditThroughLink(s, [](frmAddAuction &w) {
        w.chkLocal->setChecked(false);
        w.chkOnline->setChecked(true);
    })) << MsgBoxScript::instance().lastPrompt().toStdString();
    ASSERT_EQ(s.row->Tag(), "Online");
    expectTakenBack(s);
}

TEST(HeldSnipeRowLinks, AChangedQuantityAloneIsPreparedAgainAndConfirmedForTheNewQuantity)
{
    HeldSnipe s;
    ASSERT_TRUE(s.held());
    // The wizard asks for one of a single item: changed as it changes it
    // for an item sold by the dozen.
    SetField(s.row, "maxbid", QStringLiteral("2 @ 55.00"));
    expectConfirmedAs(s, 2, QStringLiteral("55.00"), QStringLiteral("alice"), {"55.00&qty=1", "55.00&qty=2"});
}

TEST(HeldSnipeRowLinks, ARowMovedToAnotherAccountIsConfirmedFromThatAccountOnly)
{
    HeldSnipe s;
    Server().addAccount(QStringLiteral("bob"), QStringLiteral("Bob pass"));
    frmSettings::instance().lvwUsers->Add(QStringLiteral("bob"))->setTag(basGeneral::ScramblePassword(QStringLiteral("Bob pass")));
    ASSERT_TRUE(s.held());
    // The wizard edits only rows of the current account: moved as it moves them.
    SetField(s.row, "user", QStringLiteral("bob"));
    expectConfirmedAs(s, 1, QStringLiteral("55.00"), QStringLiteral("bob"), {"55.00&qty=1", "55.00&qty=1"});
    EXPECT_EQ(s.bidKinds(), QStringList({"signin", "prepare", "signin", "prepare", "confirm", "signout"}));
    EXPECT_TRUE(BidSim::BidLog().contains(QStringLiteral("Account changed to bob, signing in again")));
}

TEST(HeldSnipeRowLinks, ARowMovedToAnAccountNotSetUpStopsTheBid)
{
    HeldSnipe s;
    ASSERT_TRUE(s.held());
    SetField(s.row, "user", QStringLiteral("carol"));
    expectTakenBack(s);
}

TEST(HeldSnipeRowLinks, FiveChangesOfTheMaximumAreFollowedAndASixthStopsTheBid)
{
    {
        HeldSnipe s;
        ASSERT_TRUE(s.held());
        for (const char *amount : {"56.00", "57.00", "58.00", "59.00", "60.00"})
            ASSERT_TRUE(changeMaximumAndWait(s, QString::fromLatin1(amount))) << amount;
        ASSERT_TRUE(s.ended());
        const QList<Sim::LogEntry> confirmations = BidConfirmationsSince(s.from, s.number);
        ASSERT_EQ(confirmations.size(), 1);
        EXPECT_TRUE(confirmations.first().target.contains(QStringLiteral("&maxbid=60.00&quant=1&")));
    }
    {
        HeldSnipe s;
        ASSERT_TRUE(s.held());
        for (const char *amount : {"56.00", "57.00", "58.00", "59.00", "60.00"})
            ASSERT_TRUE(changeMaximumAndWait(s, QString::fromLatin1(amount))) << amount;
        SetField(s.row, "maxbid", QStringLiteral("1 @ 61.00"));
        ASSERT_TRUE(s.ended());
        EXPECT_TRUE(BidConfirmationsSince(s.from, s.number).isEmpty());
        EXPECT_FALSE(s.preparedAmounts().contains(QStringLiteral("61.00&qty=1")));
        EXPECT_TRUE(BidSim::BidLog().contains(QStringLiteral("Bid cancelled, signing out")));
    }
}

TEST(HeldSnipeRowLinks, ARowListedAheadUnderTheSameNumberLeavesTheBidOnItsOwnRow)
{
    HeldSnipe s;
    ASSERT_TRUE(s.held());
    // A second row for the number, found first by the number: watched, at
    // another amount and changed meanwhile. The bid is not its bid.
    auto *other = new ListItem(s.number);
    s.main->lvwAuctions->insertTopLevelItem(0, other);
    SetField(other, "maxbid", QStringLiteral("(watching)"));
    SetField(other, "user", QStringLiteral("alice"));
    ASSERT_EQ(s.main->lvwAuctions->FindItem(s.number), other);
    RunUntil([] { return false; }, 1);
    SetField(other, "maxbid", QStringLiteral("1 @ 20.00"));

    ASSERT_TRUE(s.ended());
    const QList<Sim::LogEntry> confirmations = BidConfirmationsSince(s.from, s.number);
    ASSERT_EQ(confirmations.size(), 1);
    EXPECT_TRUE(confirmations.first().target.contains(QStringLiteral("&maxbid=55.00&quant=1&")));
    EXPECT_EQ(s.preparedAmounts(), QStringList({"55.00&qty=1"}));
    EXPECT_FALSE(BidSim::BidLog().contains(QStringLiteral("Bid cancelled, signing out")));
}

// Once the confirmation has gone out nothing can stop the bid: the remove
// window says so (also when the bid goes out while it is open), its buttons
// no longer offer to, a press that comes just too late is told so, and the
// row stays with its bid for the outcome.
TEST(HeldSnipeRowLinks, ABidThatHasGoneOutIsNeitherCancelledNorRemoved)
{
    const QString beyondRecall = QStringLiteral("Your bid on this item has already been sent to eBay and cannot be "
                                                "taken back. The item stays in the list until its outcome is known.");
    enum class Met { OutWhileOpenThenCancelBid, OutWhileOpenThenRemove, OpenedAfterItWentOut };
    for (const Met met : {Met::OutWhileOpenThenCancelBid, Met::OutWhileOpenThenRemove, Met::OpenedAfterItWentOut}) {
        SCOPED_TRACE(int(met));
        HeldSnipe s;
        ASSERT_TRUE(s.held());
        auto confirmed = [&] { return !BidConfirmationsSince(s.from, s.number).isEmpty(); };
        if (met == Met::OpenedAfterItWentOut)
            ASSERT_TRUE(RunUntil(confirmed, kEndsInS + 5));
        MsgBoxScript::instance().clear();

        QString noteAtOpen, noteAfter;
        bool cancelOfferedAfter = true, removeOfferedAfter = true, wentOutWhileOpen = false;
        bool lookedAsItWentOut = false, toldAsItWentOut = false, noteWhole = false;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (!frmRemove::isLoaded() || !frmRemove::instance().isVisible())
                return;
            frmRemove &w = frmRemove::instance();
            if (noteAtOpen.isEmpty()) {
                noteAtOpen = w.lblBidUnderWay->text();
                if (met == Met::OutWhileOpenThenCancelBid)
                    w.chkCancelBid->click();
                // Looked at on the event loop's next turn after the bid goes
                // out, long before the window's own half-second look could
                // catch up: only a window that hears it is told by then.
                if (s.bid)
                    QObject::connect(s.bid, &frmBid::ConfirmationGoingOut, &answer, [&] {
                        if (!frmRemove::isLoaded())
                            return;
                        const frmRemove &open = frmRemove::instance();
                        lookedAsItWentOut = true;
                        toldAsItWentOut = open.lblBidUnderWay->text() == beyondRecall && !open.cmdRem->isEnabled();
                    }, Qt::QueuedConnection);
            }
            // Until the bid has gone out (or its window has gone: a window
            // that never noticed is pressed then, so the test ends).
            const bool lookDone = lookedAsItWentOut || met == Met::OpenedAfterItWentOut;
            if ((w.cmdRem->isEnabled() || !lookDone) && !s.bid.isNull())
                return;
            answer.stop();
            wentOutWhileOpen = noteAtOpen != beyondRecall;
            noteAfter = w.lblBidUnderWay->text();
            // The window has grown to show every line of the note.
            noteWhole = w.lblBidUnderWay->height() >= w.lblBidUnderWay->heightForWidth(w.lblBidUnderWay->width());
            cancelOfferedAfter = w.chkCancelBid->isEnabled() || w.chkCancelBid->isChecked();
            removeOfferedAfter = w.cmdRem->isEnabled();
            w.cmdRem_Click(); // a press that arrives just after the bid went out
        });
        answer.start(20);
        s.link(QStringLiteral("remove="));
        answer.stop();

        if (met == Met::OpenedAfterItWentOut) {
            EXPECT_EQ(noteAtOpen, beyondRecall);
        } else {
            EXPECT_TRUE(wentOutWhileOpen) << qPrintable(noteAtOpen);
            ASSERT_TRUE(lookedAsItWentOut);
            EXPECT_TRUE(toldAsItWentOut) << "the window did not hear the bid going out";
        }
        EXPECT_EQ(noteAfter, beyondRecall);
        EXPECT_TRUE(noteWhole);
        EXPECT_FALSE(cancelOfferedAfter);
        EXPECT_FALSE(removeOfferedAfter);
        EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), beyondRecall);
        ASSERT_TRUE(s.ended());
        EXPECT_EQ(BidConfirmationsSince(s.from, s.number).size(), 1);
        ListItem *row = s.main->lvwAuctions->FindItem(s.number);
        ASSERT_EQ(row, s.row) << "the row stays for its outcome";
        EXPECT_EQ(Field(row, "maxbid"), "1 @ 55.00");
    }
}
