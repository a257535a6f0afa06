// Readings of eBay's time page some of which a cache served stale: what they
// agree on never puts the snipe's moment after eBay's.
#include "engine/ebayclockwatch.h"
#include "engine/ebayfineclock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

constexpr qint64 kEbayNowUs = 1'765'000'000'000'000LL;

// eBay's clock at a true offset from the monotonic clock (microseconds); a
// page served `staleUs` behind shows the second eBay's clock read that long
// before it was asked.
struct StalePath
{
    qint64 offsetUs;

    EbayFineClock::Reading read(qint64 askUs, qint64 outUs, qint64 backUs, qint64 staleUs) const
    {
        const qint64 madeUs = askUs + outUs;
        const qint64 ebayMs = (madeUs + offsetUs - staleUs) / 1000;
        return {ebayMs - ebayMs % 1000, askUs / 1000, (madeUs + backUs) / 1000};
    }
    // The moment taken at `o`'s late end is not after eBay's.
    bool notLate(const EbayFineClock::Offset &o) const { return offsetUs < o.highMs * 1000; }
    bool holds(const EbayFineClock::Offset &o) const { return o.lowMs * 1000 <= offsetUs && notLate(o); }
};

struct Draw
{
    std::mt19937_64 random;
    qint64 between(qint64 low, qint64 high) { return std::uniform_int_distribution<qint64>(low, high)(random); }
    bool chance(double p) { return std::bernoulli_distribution(p)(random); }
};

} // namespace

// Whichever readings were stale, the low ends hold; readings that cannot all
// be true together are told apart, a fresh one never set aside; and once any
// is set aside the interval holds eBay's clock.
TEST(EbayStaleClockRule, ReadingsThatDisagreeAreSeenAndTheIntervalThenHoldsTheTruth)
{
    Draw draw{std::mt19937_64(55'2026)};
    int disagreed = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        const StalePath path{kEbayNowUs + draw.between(0, 3'600'000'000LL)};
        const double staleShare = std::array{0.0, 0.2, 0.5, 0.8}[trial % 4];
        const qint64 tripUs = draw.between(200, 300'000);
        std::vector<EbayFineClock::Offset> readings;
        int stale = 0;
        qint64 askUs = 0;
        const int count = int(draw.between(1, 24));
        for (int n = 0; n < count; ++n) {
            askUs += draw.between(0, 1'500'000);
            const qint64 outUs = draw.between(0, tripUs);
            // The last reading is fresh: with none, nothing tells eBay's clock.
            const bool isStale = n + 1 < count && draw.chance(staleShare);
            stale += isStale;
            const qint64 staleUs = isStale ? draw.between(300'000, 1'000'000) : 0;
            readings.push_back(EbayFineClock::Allowed(path.read(askUs, outUs, tripUs - outUs, staleUs)));
        }
        std::shuffle(readings.begin(), readings.end(), draw.random);
        const EbayFineClock::Agreement agreed = EbayFineClock::Agreed(readings);
        SCOPED_TRACE(testing::Message() << "trial " << trial << ", " << stale << " of " << count << " stale");
        ASSERT_EQ(agreed.readings, count);
        ASSERT_LE(agreed.offset.lowMs * 1000, path.offsetUs) << "every low end holds";
        ASSERT_LE(agreed.disagreeing, stale) << "a fresh reading is never set aside";
        ASSERT_GT(agreed.offset.widthMs(), 0);
        ASSERT_LE(agreed.offset.lowMs, agreed.narrowest.lowMs);
        ASSERT_GE(agreed.offset.highMs, agreed.narrowest.highMs);
        if (stale == 0)
            ASSERT_TRUE(path.holds(agreed.offset)) << "fresh readings all agree, and narrow it";
        if (agreed.disagreeing > 0) {
            ++disagreed;
            ASSERT_TRUE(path.holds(agreed.offset)) << "disagreement makes the moment early, never late";
        }
    }
    EXPECT_GT(disagreed, 300) << "stale readings are seen";
}

// The clock watch's readings, aimed at the change of the second and beyond
// the high end, some served stale: once a stale one is seen the moment is
// never late; before, never by more than what the readings beyond the high
// end could not show up yet (the way back of an answer and the margin).
TEST(EbayStaleClockRule, TheWatchsReadingsShowUpAStalePageAndTheMomentIsNotLate)
{
    Draw draw{std::mt19937_64(20'35)};
    for (int trial = 0; trial < 600; ++trial) {
        EbayFineClock::Forget();
        // Readings of the last minute, as the watch makes them before a snipe.
        const qint64 startUs = (EbayFineClock::SteadyNowMs() - 60'000) * 1000;
        const StalePath path{kEbayNowUs - startUs + draw.between(0, 999'999)};
        const qint64 oneWayUs = draw.between(100, 60'000);
        // Every second reading, every fifth, or a random share of them.
        const int pattern = trial % 3;
        const bool wholeSecond = draw.chance(0.5);
        auto staleUs = [&](int n) -> qint64 {
            const bool isStale = pattern == 0 ? n % 2 == 1 : pattern == 1 ? n % 5 == 4 : draw.chance(0.3);
            return !isStale ? 0 : wholeSecond ? 1'000'000 : draw.between(300'000, 1'000'000);
        };
        qint64 nowUs = startUs;
        int n = 0;
        auto record = [&](qint64 askMs) {
            const qint64 askUs = askMs * 1000;
            EbayFineClock::Record(path.read(askUs, oneWayUs, oneWayUs, staleUs(n++)));
            return askUs + 2 * oneWayUs;
        };
        record(nowUs / 1000);
        SCOPED_TRACE(testing::Message() << "trial " << trial << ", pattern " << pattern << ", one way " << oneWayUs
                                        << " us");
        for (int change = 0; change < 30; ++change) {
            const auto agreement = EbayFineClock::CurrentAgreement();
            ASSERT_TRUE(agreement.has_value());
            const qint64 tripMs = *EbayFineClock::QuickestRoundTripMs();
            qint64 lastUs = nowUs;
            for (const qint64 askMs : EbayClockWatch::CombAskMs(*agreement, nowUs / 1000, tripMs)) {
                ASSERT_GT(askMs * 1000, nowUs);
                lastUs = std::max(lastUs, record(askMs));
            }
            nowUs = lastUs + draw.between(0, 400'000);
        }
        const auto agreement = EbayFineClock::CurrentAgreement();
        ASSERT_TRUE(agreement.has_value());
        const auto known = std::optional(agreement->offset);
        if (agreement->disagreeing > 0)
            EXPECT_TRUE(path.notLate(*known)) << "a stale page seen: never late";
        // Before any is seen: beyond the high end by the way back and 10 ms,
        // a stale cut closer to eBay's clock than that, and the readings'
        // widening for drift over the minute (7 ms each side), are not shown up.
        // A one-way delay claimed larger than the path's (an answer slow on
        // its way back) moves the moment from the late end at most to the
        // middle, never below it.
        const qint64 middleMs = known->lowMs + known->widthMs() / 2;
        EXPECT_EQ(EbayFineClock::LatestOffsetMs(*known, 100'000), middleMs);
        EXPECT_EQ(EbayFineClock::LatestOffsetMs(*known, 0), known->highMs - 1);
        const qint64 slackUs = oneWayUs + 10'000 + 2 * 7'000 + 3'000;
        EXPECT_LT(path.offsetUs, known->highMs * 1000 + slackUs)
            << "low " << known->lowMs << ", high " << known->highMs << ", true " << path.offsetUs / 1000;
        EXPECT_LE(known->lowMs * 1000, path.offsetUs);
    }
    EbayFineClock::Forget();
}
