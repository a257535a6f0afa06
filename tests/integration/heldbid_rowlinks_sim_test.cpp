// A snipe's confirmation waits for the end less the bid delay; meanwhile the
// user works on its row through the list's links. The confirmation goes out
// only for the row as it stands then: removed or turned into a watched item
// it never goes, a changed maximum is prepared again and confirmed.
#include "tests/integration/bidsim.h"
#include "tests/integration/shownmain.h"
#include "tests/integration/wizardsim.h"

#include "engine/ebayclock.h"
#include "engine/trackedauction.h"
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

constexpr int kEndsInS = 10;

// The running main window with one snipe of 1 @ 55.00 on an item that ends
// in kEndsInS, its bid started as the main tick starts it and prepared: the
// confirmation now waits for its moment.
struct HeldSnipe
{
    frmMain *main = nullptr;
    QString number;
    ListItem *row = nullptr;
    qint64 from = 0;
    QPointer<frmBid> bid;

    HeldSnipe()
    {
        WizardSim::Fresh();
        main = &ShownMain::Show();
        main->tmrTimer->setEnabled(false); // the bid is started here, once
        RegisterItemWindows();
        BidSim::ClearBidLog();
        number = AddItem(kEndsInS, 1.0);
        row = AddRow(number, {{"itemtitle", "Brass lamp"}, {"maxbid", "1 @ 55.00"}, {"user", "alice"}}, "Local");
        SetField(row, "enddate", TrackedAuction::EndDateSerial(EbayClock::LocalNow().addSecs(EbayClock::Offset() + kEndsInS)));
        from = Mark();
        main->Bid(row, true, false);
        row->setTag(QStringLiteral("Ready to bid"));
        bid = BidSim::LatestBidWindow();
    }

    // Prepared and waiting: the preparation's reply is in.
    bool held() const
    {
        return !bid.isNull() && RunUntil([&] { return BidSim::BidLog().contains(QStringLiteral("Preparing bid")) && !bid->strUIID.isEmpty(); }, 10)
            && bid->IsRunning();
    }

    // Follows a row link of the list page.
    void link(const QString &command)
    {
        bool cancel = false;
        main->HTMLList_BeforeNavigate2(QStringLiteral("tmr:///") + command + QString::number(row->Index()), cancel);
    }

    // The bid's requests: sign-in, preparation, confirmation, sign-out.
    QStringList bidKinds() const
    {
        static const QStringList bidding{"signin", "prepare", "confirm", "currency", "signout"};
        QStringList out;
        for (const Sim::LogEntry &e : RequestsSince(from))
            if (bidding.contains(BidSim::Kind(e)))
                out << BidSim::Kind(e);
        return out;
    }

    QStringList preparedAmounts() const
    {
        QStringList out;
        for (const Sim::LogEntry &e : RequestsSince(from))
            if (BidSim::Kind(e) == QLatin1String("prepare") && e.target.contains(QStringLiteral("item=") + number))
                out << e.target.section(QStringLiteral("&maxbid="), 1);
        return out;
    }
};

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

// The Edit link of the row: the wizard on it, changed by `change` and
// finished.
bool editThroughLink(HeldSnipe &s, const std::function<void(frmAddAuction &)> &change)
{
    bool finished = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (!frmAddAuction::isLoaded())
            return;
        frmAddAuction &w = frmAddAuction::instance();
        if (!w.isVisible() || !w.fraBid->isVisibleTo(&w))
            return;
        answer.stop();
        change(w);
        WizardSim::Finish(w);
        finished = !frmAddAuction::isLoaded();
    });
    answer.start(20);
    s.link(QStringLiteral("edit="));
    return finished;
}

bool editMaximumThroughLink(HeldSnipe &s, const QString &amount)
{
    return editThroughLink(s, [&](frmAddAuction &w) { w.txtMaxBid->setText(amount); });
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

void expectConfirmedAt(HeldSnipe &s, const QString &amount)
{
    ASSERT_TRUE(RunUntil([&] { return s.bid.isNull(); }, kEndsInS + 10));
    const QList<Sim::LogEntry> confirmations = BidConfirmationsSince(s.from, s.number);
    ASSERT_EQ(confirmations.size(), 1);
    EXPECT_TRUE(confirmations.first().target.contains(QStringLiteral("&maxbid=") + amount + QStringLiteral("&quant=1&")))
        << confirmations.first().target.toStdString();
    // Prepared again for the new maximum, with the tokens of that page.
    EXPECT_EQ(s.preparedAmounts(), QStringList({"55.00&qty=1", amount + "&qty=1"}));
    const Sim::ItemBidding &state = Server().bids().item(s.number);
    EXPECT_TRUE(confirmations.first().target.contains(QStringLiteral("&uiid=") + state.uiid + QStringLiteral("&")));
    ASSERT_EQ(state.maxima.size(), 1);
    EXPECT_DOUBLE_EQ(state.maxima.first().max, amount.toDouble());
    EXPECT_TRUE(BidSim::BidLog().contains(QStringLiteral("Maximum bid changed to 1 @ ") + amount + QStringLiteral(", preparing again")));
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
    ASSERT_TRUE(editMaximumThroughLink(s, QStringLiteral("60.00"))) << MsgBoxScript::instance().lastPrompt().toStdString();
    EXPECT_EQ(Field(s.row, "maxbid"), "1 @ 60.00");
    expectConfirmedAt(s, QStringLiteral("60.00"));
}

TEST(HeldSnipeRowLinks, ALoweredMaximumIsNeverExceeded)
{
    HeldSnipe s;
    ASSERT_TRUE(s.held());
    ASSERT_TRUE(editMaximumThroughLink(s, QStringLiteral("40.00"))) << MsgBoxScript::instance().lastPrompt().toStdString();
    expectConfirmedAt(s, QStringLiteral("40.00"));
}

TEST(HeldSnipeRowLinks, ASnipeEditedToBePlacedOnlineOnlyIsNotConfirmedFromHere)
{
    HeldSnipe s;
    ASSERT_TRUE(s.held());
    ASSERT_TRUE(editThroughLink(s, [](frmAddAuction &w) {
        w.chkLocal->setChecked(false);
        w.chkOnline->setChecked(true);
    })) << MsgBoxScript::instance().lastPrompt().toStdString();
    ASSERT_EQ(s.row->Tag(), "Online");
    expectTakenBack(s);
}
