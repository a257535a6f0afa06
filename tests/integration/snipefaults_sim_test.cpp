// Faults from the network at every step of a snipe: the refresh before it
// (eBay's time page and the item page) and the bid's sign-in, preparation,
// confirmation and sign-out. Each step meets a reset connection, a hang, a
// page cut off in transit and an empty reply. For each, the requests that
// reach eBay are exactly those the retry rule sends (none sent again by the
// network stack underneath), a purchase is never sent twice, the window and
// the row tell what really happened, "logbids.txt" records it, and the next
// snipe still goes through.
#include "tests/integration/bidsim.h"

#include "engine/ebayclock.h"
#include "engine/frmfailurereport.h"
#include "engine/frminet.h"
#include "engine/trackedauction.h"
#include "platform/inet.h"
#include "platform/listview.h"

#include <gtest/gtest.h>

using namespace BidSim;

namespace {

const QString kUser = QStringLiteral("alice");
const QString kPassword = QStringLiteral("Secret 1&");

struct Fault
{
    Sim::FaultMode mode;
    const char *name;
};
const Fault kFaults[] = {
    {Sim::FaultMode::Reset, "reset"},
    {Sim::FaultMode::Hang, "hang"},
    {Sim::FaultMode::Truncate, "truncate"},
    {Sim::FaultMode::Empty, "empty"},
};

// What one fault at one step must lead to.
struct Expected
{
    QStringList requests; // request kinds, in order
    QString logLine;      // a line "logbids.txt" must hold ("" for none beyond the steps)
    bool failed = false;  // the window reports a failure
};

class SnipeFaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSimulatorAndAccount(kUser, kPassword);
    }

    // A snipe on a fresh item, its bid run with `fault` on the first request
    // matching `pattern`; requests time out after a second.
    RunResult Faulted(const QString &pattern, Sim::FaultMode fault, bool purchase = false)
    {
        ClearBidLog();
        number = AddItem(3600, 10.0);
        ListItem *row = AddSnipe(number, QStringLiteral("1"), QStringLiteral("12.50"), kUser);
        from = Server().requestLog().nextIndex();
        AddFault(pattern, fault, 1);
        const RunResult r = RunBid(row, purchase, [](frmBid &f) { f.InetBid->RequestTimeout = 1; });
        Server().faults().clear();
        return r;
    }

    // A later snipe with no fault is signed in, prepared, confirmed and
    // signed out once each, and succeeds.
    void ExpectNextSnipePlaced()
    {
        if (frmFailureReport::isLoaded())
            frmFailureReport::instance().hide();
        const QString next = AddItem(3600, 10.0);
        ListItem *row = AddSnipe(next, QStringLiteral("1"), QStringLiteral("12.50"), kUser);
        const qint64 mark = Server().requestLog().nextIndex();
        const RunResult r = RunBid(row);
        EXPECT_TRUE(r.ended);
        EXPECT_FALSE(r.failed);
        EXPECT_EQ(RequestKinds(mark), QStringList({"signin", "prepare", "confirm", "signout"}));
        EXPECT_EQ(Server().bids().item(next).maxima.size(), 1);
    }

    void Check(const QString &pattern, const std::map<std::string, Expected> &table)
    {
        for (const Fault &fault : kFaults) {
            SCOPED_TRACE(fault.name);
            const Expected &want = table.at(fault.name);
            const RunResult r = Faulted(pattern, fault.mode);
            EXPECT_TRUE(r.ended);
            EXPECT_EQ(RequestKinds(from), want.requests);
            EXPECT_EQ(r.failed, want.failed) << r.caption.toStdString();
            const QStringList log = BidLog();
            EXPECT_EQ(log.value(0), QStringLiteral("Signing in to bid on item # ") + number);
            EXPECT_TRUE(log.contains(QStringLiteral("Signing out")));
            if (!want.logLine.isEmpty())
                EXPECT_TRUE(log.contains(want.logLine)) << log.join(QLatin1Char('|')).toStdString();
            // One maximum stands at eBay, however often it was confirmed.
            EXPECT_EQ(Server().bids().item(number).maxima.size(), 1);
            ExpectNextSnipePlaced();
        }
    }

    qint64 from = 0;
    QString number;
};

const QString kCannotConnect = QStringLiteral("Error # 35754");
const QString kTimedOut = QStringLiteral("Request timed out, retry 1");
const QStringList kClean = {"signin", "prepare", "confirm", "signout"};

} // namespace

TEST_F(SnipeFaults, AtTheSignIn)
{
    const QStringList again = {"signin", "signin", "prepare", "confirm", "signout"};
    Check(QStringLiteral("SignInWelcome"),
          {{"reset", {again, kCannotConnect}},
           {"hang", {again, kTimedOut}},
           {"truncate", {again, kCannotConnect}},
           {"empty", {{"signin", "prepare", "signin", "prepare", "confirm", "signout"}, QStringLiteral("Prepare bid failed, retry 1")}}});
}

TEST_F(SnipeFaults, AtThePreparation)
{
    const QStringList again = {"signin", "prepare", "prepare", "confirm", "signout"};
    Check(QStringLiteral("?MakeBid&"),
          {{"reset", {again, kCannotConnect}},
           {"hang", {again, kTimedOut}},
           {"truncate", {again, kCannotConnect}},
           {"empty", {{"signin", "prepare", "signin", "prepare", "confirm", "signout"}, QStringLiteral("Prepare bid failed, retry 1")}}});
}

TEST_F(SnipeFaults, AtTheConfirmation)
{
    // A confirmation that reached eBay is never sent again, answered or not;
    // an empty reply confirms nothing: the run is reported, not taken for done.
    const QString notSent = QStringLiteral("Bid not confirmed, not sent again: Error # ");
    Check(QStringLiteral("MfcISAPICommand=MakeBid"),
          {{"reset", {kClean, notSent + QStringLiteral("35754"), true}},
           {"hang", {kClean, notSent + QStringLiteral("35761"), true}},
           {"truncate", {kClean, notSent + QStringLiteral("35754"), true}},
           {"empty", {kClean, {}, true}}});
}

TEST_F(SnipeFaults, AtTheSignOut)
{
    const QStringList again = {"signin", "prepare", "confirm", "signout", "signout"};
    Check(QStringLiteral("ssPageName=h:h:sout"),
          {{"reset", {again, kCannotConnect}},
           {"hang", {again, kTimedOut}},
           {"truncate", {again, kCannotConnect}},
           {"empty", {kClean}}});
}

TEST_F(SnipeFaults, APurchaseIsNeverSentTwice)
{
    for (const Fault &fault : kFaults) {
        SCOPED_TRACE(fault.name);
        const RunResult r = Faulted(QStringLiteral("MfcISAPICommand=BinConfirm"), fault.mode, true);
        EXPECT_EQ(BidRequestKinds(from), QStringList({"signin", "prepare", "purchase", "signout"}));
        // No reply, or no confirming one: reported, never taken for done.
        EXPECT_TRUE(r.failed);
        EXPECT_TRUE(r.unknownFail);
        if (fault.mode != Sim::FaultMode::Empty)
            EXPECT_TRUE(BidLog().filter(QStringLiteral("Purchase not confirmed, not sent again")).size() == 1)
                << BidLog().join(QLatin1Char('|')).toStdString();
        ExpectNextSnipePlaced();
    }
}

TEST_F(SnipeFaults, ASnipeHeldPastItsEndIsNeverConfirmedAndSaysItMissed)
{
    // The preparation answers only after the end the row holds (eBay's page
    // would still take the bid): whatever held the run, no confirmation goes
    // out after the end, and the bid log says the snipe was not placed.
    ClearBidLog();
    number = AddItem(3600, 10.0);
    ListItem *row = AddSnipe(number, QStringLiteral("1"), QStringLiteral("12.50"), kUser);
    MainWindow().lvwAuctions->setField(row, QStringLiteral("enddate"),
                                       TrackedAuction::EndDateSerial(EbayClock::EbayNow().addSecs(2)));
    from = Server().requestLog().nextIndex();
    AddFault(QStringLiteral("?MakeBid&"), Sim::FaultMode::Hang, 1, 4000);
    const RunResult r = RunBid(row);
    Server().faults().clear();
    EXPECT_TRUE(r.ended);
    const QStringList kinds = RequestKinds(from);
    EXPECT_FALSE(kinds.contains(QStringLiteral("confirm"))) << kinds.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(kinds.contains(QStringLiteral("prepare")) && kinds.contains(QStringLiteral("signout")));
    EXPECT_TRUE(r.failed);
    EXPECT_FALSE(r.unknownFail);
    EXPECT_EQ(BidLog().filter(QStringLiteral("Snipe on item # ") + number + QStringLiteral(" not placed")).size(), 1)
        << BidLog().join(QLatin1Char('|')).toStdString();
    ExpectNextSnipePlaced();
}
