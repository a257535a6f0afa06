// Handing a row to a new bid window, and the parts of the bid window and the
// failure report that work without eBay.
#include "engine/frmbid.h"
#include "engine/trackedauction.h"
#include "engine/frmfailurereport.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/passwords.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/numberederror.h"
#include "platform/ticktimer.h"
#include "tests/engine/enginetestutil.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryFile>
#include <QTest>

using namespace EngineTest;

namespace {

// Every host role on a closed loopback port: whatever slips through goes
// nowhere.
void PointHostsNowhere()
{
    static QTemporaryFile hosts;
    if (!hosts.isOpen()) {
        hosts.open();
        for (const char *role : {"signin", "listing", "item", "time", "offer", "vendor"})
            hosts.write(QByteArray(role) + "=127.0.0.1:9\n");
        hosts.flush();
    }
    qputenv("TALLOWMERE_HOSTS", hosts.fileName().toUtf8());
    HostRoles::reload();
}

class BidHandOff : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PointHostsNowhere();
        form = &FreshForm();
        form->SetStatus(QStringLiteral("idle"), true);
        form->blnFreezeStatus = false;
        form->tmrFreezeStatus->setEnabled(false);
        form->blnBidding = false;
        ListItem *account = frmSettings::instance().lvwUsers->FindItem(QStringLiteral("alice"));
        if (!account)
            account = frmSettings::instance().lvwUsers->Add(QStringLiteral("alice"));
        account->setTag(basGeneral::ScramblePassword(QStringLiteral("Open Sesame")));
        QFile::remove(basGeneral::DataFolder() + QStringLiteral("logbids.txt"));
    }

    // The bid window Bid made, taken away before its queued run can start.
    void DropWindow()
    {
        delete BidForm.data();
    }

    QString LastBidLogLine() const
    {
        QFile f(basGeneral::DataFolder() + QStringLiteral("logbids.txt"));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QString first = QString::fromLatin1(f.readLine()).trimmed();
        return first.mid(first.indexOf(QStringLiteral(": ")) + 2);
    }

    TestEngineForm *form = nullptr;
};

} // namespace

TEST_F(BidHandOff, HandsTheRowToANewWindowAndQueuesItsRun)
{
    ListItem *row = AddRow(QStringLiteral("110000000123"), {{"maxbid", QStringLiteral("3 @ 45.10")}, {"user", QStringLiteral("alice")}},
                           QStringLiteral("Local"));
    form->Bid(row, true, false);

    // What the row hands over is proven by the bid tests against the simulator.
    auto *bid = qobject_cast<frmBid *>(BidForm.data());
    ASSERT_NE(bid, nullptr);
    EXPECT_TRUE(form->blnBidding);
    EXPECT_TRUE(form->blnFreezeStatus);
    EXPECT_EQ(bid->BidItem, row);
    EXPECT_FALSE(bid->Buy);
    EXPECT_FALSE(bid->HasActivated) << "the run starts only once the caller has returned";
    EXPECT_EQ(frmBid::ActiveRuns(), 1);
    DropWindow();
    EXPECT_EQ(frmBid::ActiveRuns(), 0);

    // A frozen status keeps its text but is frozen again.
    form->SetStatus(QStringLiteral("Refreshing..."), true);
    form->tmrFreezeStatus->setEnabled(false);
    form->Bid(row, false, true);
    bid = qobject_cast<frmBid *>(BidForm.data());
    ASSERT_NE(bid, nullptr);
    EXPECT_TRUE(bid->Buy);
    EXPECT_EQ(form->PanelText(QStringLiteral("Status")), QStringLiteral("Refreshing..."));
    EXPECT_TRUE(form->tmrFreezeStatus->Enabled());
    DropWindow();
}

TEST_F(BidHandOff, ABidThatCannotStartReleasesTheFlagAndSaysWhy)
{
    struct Case
    {
        QString maxBid;
        QString user;
    };
    const QList<Case> cases = {
        {QStringLiteral("1 @ 5.00"), QStringLiteral("nobody")},      // no such account
        {QStringLiteral("(watching)"), QStringLiteral("alice")},     // nothing to bid
        {QStringLiteral("0 @ 5.00"), QStringLiteral("alice")},
        {QStringLiteral("1 @ 0"), QStringLiteral("alice")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.maxBid.toStdString() + " " + c.user.toStdString());
        ListItem *row = AddRow(QStringLiteral("777"), {{"maxbid", c.maxBid}, {"user", c.user}}, QStringLiteral("Local"));
        form->blnFreezeStatus = true; // the failure is shown all the same
        form->Bid(row, true, false);
        EXPECT_TRUE(BidForm.isNull()) << "no window";
        EXPECT_FALSE(form->blnBidding) << "refreshes must not wait for a bid that never started";
        EXPECT_TRUE(form->PanelText(QStringLiteral("Status")).startsWith(QStringLiteral("Bid on item #777 could not be started: ")));
        EXPECT_TRUE(LastBidLogLine().startsWith(QStringLiteral("Bid on item #777 could not be started: ")));
        EXPECT_EQ(row->Tag(), QStringLiteral("Local"));
    }
    EXPECT_EQ(frmBid::ActiveRuns(), 0);

    // Bid(nullptr) is turned down the same way.
    form->Bid(nullptr, true, false);
    EXPECT_FALSE(form->blnBidding);
}

TEST_F(BidHandOff, AFailedStartLeavesTheFlagToAWindowStillWorking)
{
    ListItem *good = AddRow(QStringLiteral("1"), {{"maxbid", QStringLiteral("1 @ 5.00")}, {"user", QStringLiteral("alice")}});
    ListItem *bad = AddRow(QStringLiteral("2"), {{"maxbid", QStringLiteral("1 @ 5.00")}, {"user", QStringLiteral("nobody")}});
    form->Bid(good, true, false);
    QPointer<QWidget> working = BidForm;
    form->Bid(bad, true, false);
    EXPECT_TRUE(form->blnBidding);
    delete working.data();
}

TEST_F(BidHandOff, AnItemWhoseWindowIsAtWorkGetsNoSecondWindow)
{
    ListItem *row = AddRow(QStringLiteral("5150"), {{"maxbid", QStringLiteral("1 @ 20.00")},
                                                    {"user", QStringLiteral("alice")},
                                                    {"enddate", TrackedAuction::EndDateSerial(QDateTime::currentDateTime().addSecs(600))}});
    form->Bid(row, true, false);
    QPointer<frmBid> first = qobject_cast<frmBid *>(BidForm.data());
    ASSERT_NE(first, nullptr);
    const QDateTime moment = first->ConfirmAt;
    ASSERT_TRUE(moment.isValid());

    // The row edited and started again: the window at work takes it, and the
    // status names the new amount over the frozen text of the first.
    form->lvwAuctions->setField(row, QStringLiteral("maxbid"), QStringLiteral("1 @ 27.00"));
    ASSERT_TRUE(form->blnFreezeStatus);
    form->Bid(row, true, false);
    EXPECT_EQ(BidForm.data(), first.data());
    EXPECT_EQ(frmBid::ActiveRuns(), 1);
    EXPECT_EQ(first->ConfirmAt, moment);
    EXPECT_EQ(form->PanelText(QStringLiteral("Status")), QStringLiteral("Bidding 27.00 on item #5150..."));

    // Bought now: the same window, which then waits for no moment.
    form->Bid(row, false, true);
    EXPECT_EQ(frmBid::ActiveRuns(), 1);
    EXPECT_TRUE(first->Buy);
    EXPECT_FALSE(first->ConfirmAt.isValid());

    // Once its bid is taken back it cannot take another, nor may a second
    // window start beside it.
    first->WithdrawBid();
    form->Bid(row, true, false);
    EXPECT_EQ(BidForm.data(), first.data());
    EXPECT_EQ(frmBid::ActiveRuns(), 1);
    EXPECT_TRUE(form->blnBidding);
    EXPECT_TRUE(LastBidLogLine().startsWith(QStringLiteral("Bid on item #5150 could not be started: ")));

    // Gone: the next start makes a window of its own.
    DropWindow();
    form->Bid(row, true, false);
    EXPECT_NE(BidForm.data(), nullptr);
    EXPECT_EQ(frmBid::ActiveRuns(), 1);
    DropWindow();
}

TEST(BidWindow, LeadTimeRoundsHalvesToEvenAndIsKeptWithinThreeToThirty)
{
    EXPECT_EQ(frmBid::RoundLeadTime(1.4), 1);
    EXPECT_EQ(frmBid::RoundLeadTime(2.5), 2);
    EXPECT_EQ(frmBid::RoundLeadTime(3.5), 4);
    EXPECT_EQ(frmBid::RoundLeadTime(45.0), 45);
    EXPECT_EQ(frmBid::ClampLeadTime(1), 3);
    EXPECT_EQ(frmBid::ClampLeadTime(4), 4);
    EXPECT_EQ(frmBid::ClampLeadTime(45), 30);
}

TEST(BidWindow, CloseCountdownNamesTheTimeLeftAndUnloadsAtTheEnd)
{
    QPointer<frmBid> bid = new frmBid;
    EXPECT_LE(bid->height(), bid->Label1->y()) << "only the status part shows";
    bid->CloseTime = 62;
    bid->closeTimer_Timer();
    EXPECT_EQ(bid->windowTitle(), QStringLiteral("Bid Complete (Closing in 1:01)"));
    bid->CloseTime = 1;
    bid->closeTimer_Timer();
    EXPECT_EQ(bid->windowTitle(), QStringLiteral("Bid Complete (Closing in 1:01)")) << "the last tick only unloads";
    QTest::qWait(10);
    EXPECT_TRUE(bid.isNull());
}

TEST(BidWindow, SaveDataReplacesTheFileWithTheTextAndALineEnd)
{
    QDir().mkpath(basGeneral::DataFolder());
    frmBid bid;
    bid.SaveData(QStringLiteral("first, longer text"), QStringLiteral("dump.htm"));
    bid.SaveData(QStringLiteral("caf\u00e9"), QStringLiteral("dump.htm"));
    QFile f(basGeneral::DataFolder() + QStringLiteral("dump.htm"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("caf\xe9\r\n"));
    EXPECT_THROW(bid.SaveData(QStringLiteral("x"), QStringLiteral("no/such/folder/f.htm")), NumberedError);
}

TEST(FailureReport, ShowsTheItemAndFollowsItsTitleUntilTheRefreshHasOne)
{
    TestEngineForm &main = FreshForm();
    ListItem *row = AddRow(QStringLiteral("4242"), {{"itemtitle", QStringLiteral("Retrieving...")}});
    frmFailureReport &report = frmFailureReport::instance();
    report.strItemNumber = QStringLiteral("4242");
    report.Show();
    EXPECT_EQ(report.lblItemNum->text(), QStringLiteral("Item #4242"));

    report.Timer_Timer();
    EXPECT_EQ(report.lblTitle->text(), QStringLiteral("Retrieving..."));
    EXPECT_TRUE(report.Timer->Enabled());
    main.lvwAuctions->setField(row, QStringLiteral("itemtitle"), QStringLiteral("Brass compass"));
    report.Timer_Timer();
    EXPECT_EQ(report.lblTitle->text(), QStringLiteral("Brass compass"));
    EXPECT_FALSE(report.Timer->Enabled());

    report.strItemNumber = QStringLiteral("gone");
    report.Timer->setEnabled(true);
    report.Timer_Timer();
    EXPECT_FALSE(report.Timer->Enabled()) << "an item no longer listed has no title to wait for";
}

TEST(FailureReport, NotSendingTurnsTheButtonIntoClose)
{
    FreshForm();
    frmFailureReport &report = frmFailureReport::instance();
    report.Show();
    report.optDontSend->click();
    EXPECT_EQ(report.cmdSend->text(), QStringLiteral("Close"));
    report.cmdSend->click();
    EXPECT_FALSE(frmFailureReport::isLoaded());
}
