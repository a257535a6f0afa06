// A bid placed at once in the running main window: as soon as its bid
// window's run has ended, the row shows what the bid left at eBay, long
// before the next scheduled refresh, also when a refresh pass in fast mode is
// under way then, and a row the item-number box added just before a Buy It
// Now has its title, time left and price.
#include "tests/integration/bidsim.h"
#include "tests/integration/shownmain.h"

#include "foundation/timetext.h"
#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"

#include <gtest/gtest.h>

#include <QTimer>

using namespace RefreshSim;

namespace {

// The running main window with its tick off and no refresh due for an hour.
frmMain &quietMain()
{
    frmMain &m = ShownMain::Show();
    m.tmrTimer->setEnabled(false);
    m.NextRefreshTime = QDateTime::currentDateTime().addSecs(3600);
    BidSim::ClearBidLog();
    return m;
}

// Waits for every bid window's run to end.
bool bidsEnded()
{
    return RunUntil([] { return frmBid::ActiveRuns() == 0; }, 60);
}

} // namespace

TEST(BidRowRefresh, ABidNowShowsTheNewPriceAndBidsOnceItsWindowHasEnded)
{
    frmMain &m = quietMain();
    const QString number = AddItem(3600, 10.0);
    Sim::SimItem &item = *Server().items().find(number);
    Server().bids().placeBid(item, QStringLiteral("bob"), 15.0, 1, Server().now());
    // As the last refresh left it: bob's first bid not seen yet.
    ListItem *row = AddRow(number,
                           {{"itemtitle", "Simulated item"}, {"currentbid", "US $10.00"}, {"bids", "0"},
                            {"maxbid", "1 @ 20.00"}, {"user", "alice"}},
                           QStringLiteral("Local"));

    m.Bid(row, false, false);
    ASSERT_TRUE(bidsEnded());
    EXPECT_EQ(item.winner, QStringLiteral("alice"));
    EXPECT_TRUE(RunUntil([&] { return Field(row, "currentbid") == QStringLiteral("US $15.50"); }, 10))
        << "the row still shows " << Field(row, "currentbid").toStdString();
    EXPECT_EQ(Field(row, "bids"), QStringLiteral("2"));
}

TEST(BidRowRefresh, ABuyItNowOnARowNotReadYetFillsItOnceItsWindowHasEnded)
{
    frmMain &m = quietMain();
    const QString number = AddItem(3600, 10.0, [](Sim::SimItem &i) {
        i.buyItNow = 25;
        i.title = QStringLiteral("Brass lamp");
    });
    // As the item-number box adds a row: nothing read from the item page yet.
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 25.00"}, {"user", "alice"}}, QStringLiteral("Local"));

    m.Bid(row, false, true);
    ASSERT_TRUE(bidsEnded());
    EXPECT_TRUE(RunUntil([&] { return Field(row, "itemtitle") == QStringLiteral("Brass lamp"); }, 10))
        << "the title is still " << Field(row, "itemtitle").toStdString();
    EXPECT_FALSE(Field(row, "timeleft").isEmpty());
    EXPECT_FALSE(Field(row, "currentbid").isEmpty());
}

TEST(BidRowRefresh, ABuyItNowEndingWhileAFastPassRunsIsReadWithinSeconds)
{
    frmMain &m = quietMain();
    // Another auction in its last minutes, its page slow enough that the
    // purchase ends while the pass waits for it.
    const QString soon = AddItem(200, 5.0);
    AddRow(soon, {{"timeleft", basGeneral::FormatTimeLeft(200)}, {"maxbid", "(watching)"}, {"user", "alice"}});
    AddFault(QStringLiteral("ViewItem&item=") + soon, Sim::FaultMode::Hang, 1, 10000);
    const QString bought = AddItem(86340, 18.0, [](Sim::SimItem &i) { i.buyItNow = 30; });
    ListItem *row = AddRow(bought,
                           {{"itemtitle", "Simulated item"}, {"timeleft", basGeneral::FormatTimeLeft(86340)},
                            {"currentbid", "US $18.00"}, {"maxbid", "1 @ 30.00"}, {"user", "alice"}},
                           QStringLiteral("Bid complete"));
    // Read a moment ago, far from its end: fast mode passes it over.
    m.NoteRowRead(row);
    m.blnItemsEndingSoon = true;

    // Buy It Now as the pass asks for the slow page.
    bool passRunningAtEnd = false;
    const QMetaObject::Connection buyNow = QObject::connect(&Server(), &Sim::SimServer::requestLogged, &m, [&](qint64 index) {
        const Sim::LogEntry *e = Server().requestLog().at(index);
        if (!e || !e->target.contains(QStringLiteral("ViewItem&item=") + soon))
            return;
        QTimer::singleShot(0, &m, [&] {
            m.Bid(row, false, true);
            if (frmBid *form = frmBid::RunFor(bought))
                QObject::connect(form, &frmBid::RunEnded, form, [&] { passRunningAtEnd = m.blnRefreshing; });
        });
    });
    const qint64 from = Mark();
    m.RefreshAuctions(QString(), false, false);
    QObject::disconnect(buyNow);
    ASSERT_TRUE(bidsEnded());
    ASSERT_TRUE(passRunningAtEnd) << "the purchase was to end while the pass waited for the slow page";
    EXPECT_EQ(Server().bids().item(bought).purchases, 1);

    EXPECT_TRUE(RunUntil([&] { return Field(row, "timeleft") == QStringLiteral("Ended"); }, 10))
        << "the row still shows " << Field(row, "timeleft").toStdString();
    EXPECT_EQ(Field(row, "currentbid"), QStringLiteral("US $30.00"));
    EXPECT_EQ(Field(row, "won"), QStringLiteral("True"));
    int purchaseAt = -1;
    int readAfter = 0;
    const QList<Sim::LogEntry> requests = RequestsSince(from);
    for (int i = 0; i < requests.size(); ++i) {
        if (requests[i].target.contains(QLatin1String("BinConfirm")))
            purchaseAt = i;
        else if (purchaseAt >= 0 && requests[i].target.contains(QStringLiteral("ViewItem&item=") + bought))
            ++readAfter;
    }
    EXPECT_EQ(readAfter, 1) << TargetsSince(from).join(QStringLiteral(" | ")).toStdString();
}
