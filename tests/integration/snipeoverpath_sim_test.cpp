// A snipe over a slow network path: its confirmation goes on a connection
// opened and secured before the moment, written early by the path's one-way
// delay, so it reaches eBay at the moment and not several handshakes later.
// The bound is the auction's end, a second after the moment: a busy machine
// cannot cross it, a confirmation that opens its connection at the moment
// over this path does.
#include "tests/integration/bidsim.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/snipetiming.h"

#include "engine/frmbid.h"
#include "foundation/hostroles.h"
#include "foundation/settingsstore.h"
#include "platform/ticktimer.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cstdlib>

namespace {

// One way; a fresh secured connection costs five of them before eBay reads
// the request, half the bid delay.
constexpr int kPathMs = 100;
constexpr int kBidDelayS = 1;
// eBay's clock ahead of this computer's by a fraction of a second, more than
// the time left between the moment and the end once the path is added.
constexpr qint64 kEbayAheadMs = 600;

// The confirmations the simulator logged since `mark`.
QList<Sim::LogEntry> confirmationsSince(qint64 mark)
{
    QList<Sim::LogEntry> found;
    for (const Sim::LogEntry &e : RefreshSim::RequestsSince(mark))
        if (e.target.contains(QLatin1String("MfcISAPICommand=MakeBid")) && e.target.contains(QLatin1String("stok=")))
            found << e;
    return found;
}

// A snipe over the slow path whose secure host misbehaves: it is confirmed
// once, before the end, and the item won.
void expectWonOnce(const SnipeTiming::Setup &misbehaving, qint64 mark)
{
    SnipeTiming::Setup setup = misbehaving;
    // Signed in and prepared long before the host misbehaves.
    setup.freshInstall = true;
    setup.bidDelayS = kBidDelayS;
    setup.pathDelayMs = kPathMs;
    const SnipeTiming::Result run = SnipeTiming::Run(1, setup);
    ASSERT_TRUE(run.problems.isEmpty()) << run.problems.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(run.snipes.size(), 1);
    EXPECT_LT(run.snipes.first().confirmErrorMs, kBidDelayS * 1000) << "the confirmation reached eBay after the end";
    EXPECT_EQ(run.won, QStringList{run.snipes.first().item});
    EXPECT_EQ(confirmationsSince(mark).size(), 1);
}

} // namespace

TEST(SnipeOverPathWithSimulator, TheConfirmationReachesEbayBeforeTheEndAndTheItemIsWon)
{
    const qint64 mark = RefreshSim::Mark();
    // No lead time measured yet, so the bid starts early enough for the
    // slow path.
    const SnipeTiming::Result run =
        SnipeTiming::Run(1, {.freshInstall = true, .bidDelayS = kBidDelayS, .ebayAheadMs = kEbayAheadMs, .pathDelayMs = kPathMs});
    ASSERT_TRUE(run.problems.isEmpty()) << run.problems.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(run.snipes.size(), 1);
    EXPECT_LT(std::abs(run.offsetErrorMs), 1000);
    const SnipeTiming::Snipe &snipe = run.snipes.first();
    EXPECT_LT(snipe.confirmErrorMs, kBidDelayS * 1000) << "the confirmation reached eBay after the end";
    EXPECT_GE(snipe.confirmErrorMs, SnipeTiming::kEarliestMs);
    EXPECT_EQ(run.won, QStringList{snipe.item});

    // The bid log gives the path's one-way delay it measured: never less
    // than the path, and not the several round trips a handshake takes.
    const QStringList lines = BidSim::BidLog().filter(QStringLiteral("One-way delay to eBay: "));
    ASSERT_EQ(lines.size(), 1);
    const QRegularExpressionMatch ms = QRegularExpression(QStringLiteral("(\\d+) ms$")).match(lines.first());
    ASSERT_TRUE(ms.hasMatch()) << lines.first().toStdString();
    EXPECT_GE(ms.captured(1).toInt(), kPathMs - 2);
    EXPECT_LT(ms.captured(1).toInt(), 2 * kPathMs - 20) << "half the shortest round trip, not all of it";

    // It went on the connection opened seconds ahead, not on one opened at
    // the moment (whose handshakes take five one-way delays).
    const QList<Sim::LogEntry> confirmations = confirmationsSince(mark);
    ASSERT_EQ(confirmations.size(), 1);
    EXPECT_GE(confirmations.first().connectionAgeMs, 2000);
}

TEST(SnipeOverPathWithSimulator, AConnectionTheHostClosesBeforeTheMomentIsReplacedByOneReadyAndStillOpenAtIt)
{
    struct Closing
    {
        const char *what;
        Sim::NetworkPath::Misbehaviour misbehaviour;
        qint64 beforeMs; // set this long before the moment (-1: from the start)
    };
    // The first connection, opened seconds ahead, is closed well before the
    // moment: idle, its replacement due later (700 ms) or at once (1300 ms),
    // or at its hello.
    for (const Closing &closing : {Closing{"closed idle after 700 ms", {.closeIdleMs = 700}, -1},
                                   Closing{"closed idle after 1300 ms", {.closeIdleMs = 1300}, -1},
                                   Closing{"closed at its hello", {.closeAtHello = 1}, 4000}}) {
        SCOPED_TRACE(closing.what);
        const qint64 mark = RefreshSim::Mark();
        SnipeTiming::Setup setup;
        setup.misbehaviour = closing.misbehaviour;
        setup.misbehaveBeforeMs = closing.beforeMs;
        expectWonOnce(setup, mark);
        const QList<Sim::LogEntry> confirmations = confirmationsSince(mark);
        ASSERT_EQ(confirmations.size(), 1);
        const Sim::LogEntry &confirmation = confirmations.first();
        // Opened again after the host closed the first, in time for its
        // handshakes: written after a quiet on a connection whose handshakes
        // were over. One opened at the moment carries its request with its
        // handshake's last flight (a quiet of the client's own few ms), five
        // one-way delays after its connect.
        EXPECT_GE(confirmation.quietBeforeMs, kPathMs / 2) << "written on a connection still in its handshakes";
        EXPECT_GE(confirmation.connectionAgeMs, 6 * kPathMs);
        if (const int idleMs = closing.misbehaviour.closeIdleMs; idleMs > 0)
            EXPECT_LT(confirmation.connectionAgeMs, idleMs + 5 * kPathMs) << "the host had closed it by then";
    }
}

TEST(SnipeOverPathWithSimulator, AConnectionWhoseHandshakeStallsOrClosesAtItsHelloNeverHoldsTheConfirmation)
{
    for (const bool stall : {true, false}) {
        SCOPED_TRACE(stall ? "stalled" : "closed at hello");
        const qint64 mark = RefreshSim::Mark();
        BidSim::ClearBidLog();
        SnipeTiming::Setup setup;
        // From before the connection opened ahead, until every one it
        // would open again and the first the moment opens are spent.
        setup.misbehaveBeforeMs = 4000;
        if (stall)
            setup.misbehaviour.stallHandshakes = 1;
        else
            setup.misbehaviour.closeAtHello = 5;
        expectWonOnce(setup, mark);
        if (stall) {
            // A second connection, opened beside the stalled one before the
            // moment, carried it after its handshakes, not one opened then.
            const QList<Sim::LogEntry> confirmations = confirmationsSince(mark);
            ASSERT_EQ(confirmations.size(), 1);
            EXPECT_GE(confirmations.first().quietBeforeMs, kPathMs / 2) << "written on a connection still in its handshakes";
        } else {
            EXPECT_FALSE(BidSim::BidLog().filter(QStringLiteral("Bid not sent (Error # ")).isEmpty())
                << "the try never written went again at once: " << BidSim::BidLog().join(QLatin1Char('\n')).toStdString();
        }
    }
}

TEST(SnipeOverPathWithSimulator, AMomentThatComesSecondsNearerOnceTheBidHasStartedStillGetsItsFirstConnectionOpenedAhead)
{
    using namespace RefreshSim;
    constexpr int kLeadS = 12;
    constexpr qint64 kNearerS = 5;
    Form &f = FreshForm();
    f.realBid = true;
    SaveSetting(QStringLiteral("Lead time"), QString::number(kLeadS));
    Server().setPathMisbehaviour({}, 0, 0);
    ASSERT_TRUE(Server().setNetworkPath(kPathMs));
    HostRoles::reload();
    const auto offPath = qScopeGuard([] {
        Server().setNetworkPath(0);
        HostRoles::reload();
    });
    const qint64 endS = Server().now().toSecsSinceEpoch() + 30;
    const QString number =
        AddItem(0, 1.0, [endS](Sim::SimItem &item) { item.endsAt = QDateTime::fromSecsSinceEpoch(endS, Qt::UTC); });
    AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    // The bid starts by the clock it knows, its run meaning to open the
    // confirmation's connection 3 s before that moment. eBay's clock moves
    // as the bid signs in: the moment read then is 5 s nearer, and that time
    // comes only after it.
    bool moved = false;
    const QMetaObject::Connection onSignIn = QObject::connect(&Server(), &Sim::SimServer::requestLogged, [&](qint64 index) {
        const QList<Sim::LogEntry> logged = Server().requestLog().since(index);
        if (!moved && !f.bids.isEmpty() && !logged.isEmpty() && logged.first().target.contains(QLatin1String("SignInWelcome"))) {
            moved = true;
            Server().moveEbayClock(kNearerS);
        }
    });
    const auto unhook = qScopeGuard([&] { QObject::disconnect(onSignIn); });
    const qint64 mark = Mark();
    f.tmrTimer->setEnabled(true);
    const auto secondsLeft = [&] { return Server().now().secsTo(Server().items().find(number)->endsAt); };
    RunUntil([&] { return secondsLeft() < -3 && frmBid::ActiveRuns() == 0; }, 60);
    f.tmrTimer->setEnabled(false);

    const QList<Sim::LogEntry> confirmations = BidConfirmationsSince(mark, number);
    ASSERT_TRUE(moved);
    ASSERT_EQ(confirmations.size(), 1) << BidSim::BidLog().join(QLatin1Char('\n')).toStdString();
    // Opened by the wait for the moment, which follows the clock, in time
    // for its handshakes.
    EXPECT_GE(confirmations.first().quietBeforeMs, kPathMs / 2) << "written on a connection still in its handshakes";
    EXPECT_GE(confirmations.first().connectionAgeMs, 6 * kPathMs);
    EXPECT_EQ(Server().items().find(number)->winner, QStringLiteral("alice"));
}
