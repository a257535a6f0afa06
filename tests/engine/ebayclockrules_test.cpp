// The two rules a snipe's moment and its silence rest on: the eBay clock
// offset a reading of eBay's time gives, and which rows whose auction is
// over tell that their snipe never went out.
#include "engine/ebayclock.h"
#include "engine/missedsnipe.h"
#include "engine/trackedauction.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QStringList>

#include <algorithm>

namespace {

const QDateTime kBase(QDate(2013, 12, 6), QTime(14, 3, 22), Qt::UTC);

} // namespace

TEST(EbayClockOffsetRule, AReadingGivesTheOffsetInForceWhenItAgreesAndOtherwiseTheNearestItAllows)
{
    // eBay showed its reading at some moment of a request that took 0 to 3
    // whole seconds on this computer's clock; every offset in force from
    // far behind to far ahead.
    for (qint64 trueOffset : {-3600LL, -37LL, -1LL, 0LL, 1LL, 37LL, 10800LL}) {
        for (int took = 0; took <= 3; ++took) {
            for (int printedAt = 0; printedAt <= took; ++printedAt) {
                const QDateTime before = kBase;
                const QDateTime after = kBase.addSecs(took);
                const QDateTime reading = kBase.addSecs(printedAt + trueOffset);
                for (qint64 inForce = trueOffset - 60; inForce <= trueOffset + 60; ++inForce) {
                    SCOPED_TRACE(testing::Message() << "offset " << trueOffset << ", took " << took << " s, printed at "
                                                    << printedAt << ", in force " << inForce);
                    const qint64 got = EbayClock::OffsetFromReading(reading, before, after, inForce);
                    const qint64 low = trueOffset + printedAt - took;
                    const qint64 high = trueOffset + printedAt;
                    // Always one the reading allows, the true one among them.
                    EXPECT_GE(got, low);
                    EXPECT_LE(got, high);
                    // The offset in force stands while the reading allows it,
                    // else the change is the smallest the reading asks for.
                    EXPECT_EQ(got, std::clamp(inForce, low, high));
                    // A request within one second reads the true offset.
                    if (took == 0)
                        EXPECT_EQ(got, trueOffset);
                    // The local readings handed over the wrong way round read alike.
                    EXPECT_EQ(EbayClock::OffsetFromReading(reading, after, before, inForce), got);
                }
            }
        }
    }
}

TEST(MissedSnipeRule, OnlyThisComputersSnipesThatNeverStartedTellTheyDidNotGoOut)
{
    const QString cause = QStringLiteral("the cause seen");
    const QStringList tags{SnipeState::Watched,    SnipeState::Local,           SnipeState::Online,
                           SnipeState::Both,       SnipeState::ReadyToBid,      SnipeState::BidComplete,
                           SnipeState::OtherInGroupWon, SnipeState::OutcomeUnknown, QStringLiteral("damaged")};
    const QStringList maxima{QStringLiteral("1 @ 5.00"), QStringLiteral("3 @ 1,250.00"), QStringLiteral(" 1 @ 5 "),
                             TrackedAuction::kWatching,  TrackedAuction::kNotAvailable, QString(),
                             QStringLiteral("  ")};
    for (const QString &tag : tags) {
        for (const QString &maxBid : maxima) {
            for (bool groupWon : {false, true}) {
                SCOPED_TRACE(testing::Message() << "tag '" << tag.toStdString() << "', maximum '" << maxBid.toStdString()
                                                << "', group won " << groupWon);
                const auto reason = MissedSnipe::Reason(tag, maxBid, groupWon, cause);
                const bool bid = !maxBid.trimmed().isEmpty() && maxBid != TrackedAuction::kWatching
                    && maxBid != TrackedAuction::kNotAvailable;
                const bool neverStarted = tag == SnipeState::Local || tag == SnipeState::Both;
                const bool heldForGroup = tag == SnipeState::OtherInGroupWon || (neverStarted && groupWon);
                // Watched rows, the online service's snipes and bids whose
                // window was started (it reports them) say nothing here.
                EXPECT_EQ(reason.has_value(), bid && (neverStarted || heldForGroup));
                if (!reason)
                    continue;
                EXPECT_EQ(*reason, heldForGroup ? QStringLiteral("another item of its group was won") : cause);
            }
        }
    }
}
