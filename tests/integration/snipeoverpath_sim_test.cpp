// A snipe over a slow network path: its confirmation goes on a connection
// opened and secured before the moment, written early by the path's one-way
// delay, so it reaches eBay at the moment and not several handshakes later.
// The bound is the auction's end, a second after the moment: a busy machine
// cannot cross it, a confirmation that opens its connection at the moment
// over this path does.
#include "tests/integration/bidsim.h"
#include "tests/integration/snipetiming.h"

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

} // namespace

TEST(SnipeOverPathWithSimulator, TheConfirmationReachesEbayBeforeTheEndAndTheItemIsWon)
{
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
    EXPECT_LT(ms.captured(1).toInt(), 4 * kPathMs);
}
