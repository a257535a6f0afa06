// The rules a snipe's moment and its silence rest on: the eBay clock
// offsets readings of eBay's time give, whole and fine, and which rows whose
// auction is over tell that their snipe never went out.
#include "engine/confirmationearly.h"
#include "engine/ebayclock.h"
#include "engine/ebayclockwatch.h"
#include "engine/ebayfineclock.h"
#include "engine/missedsnipe.h"
#include "engine/trackedauction.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>
#include <QStringList>

#include <algorithm>
#include <random>

namespace {

// `ms` less its whole seconds, in [0, 1000) also before 1970.
qint64 Modulo(qint64 ms)
{
    return ((ms % 1000) + 1000) % 1000;
}

const QDateTime kBase(QDate(2013, 12, 6), QTime(14, 3, 22), Qt::UTC);

// eBay's clock in microseconds at a true offset from the monotonic clock:
// a reading asked at `askUs`, made by eBay `outUs` later and answered
// `backUs` after that, with its moments cut to whole milliseconds as the
// program takes them.
struct Path
{
    qint64 offsetUs;

    EbayFineClock::Reading read(qint64 askUs, qint64 outUs, qint64 backUs) const
    {
        const qint64 madeUs = askUs + outUs;
        const qint64 ebayMs = (madeUs + offsetUs) / 1000;
        return {ebayMs - ebayMs % 1000, askUs / 1000, (madeUs + backUs) / 1000};
    }
    bool heldBy(const EbayFineClock::Offset &o) const
    {
        return o.lowMs * 1000 <= offsetUs && offsetUs < o.highMs * 1000;
    }
};

// Around the present readings of eBay's clock and of a monotonic one.
constexpr qint64 kEbayNowUs = 1'765'000'000'000'000LL;
constexpr qint64 kSteadyNowUs = 86'400'000'000LL;

} // namespace

TEST(EbayFineClockRule, TheIntervalAlwaysHoldsTheTrueOffsetWhateverThePathsDelays)
{
    std::mt19937_64 random(20261208);
    std::uniform_int_distribution<qint64> offsetJitter(0, 3'600'000'000LL);
    // Delays from a loopback's to a congested path's, out and back drawn apart.
    std::uniform_int_distribution<int> shape(0, 3);
    auto delay = [&](int kind) -> qint64 {
        const qint64 limits[] = {2'000, 80'000, 700'000, 4'000'000};
        return std::uniform_int_distribution<qint64>(0, limits[kind])(random);
    };
    for (int trial = 0; trial < 2000; ++trial) {
        const Path path{kEbayNowUs - kSteadyNowUs + offsetJitter(random)};
        const int kind = shape(random);
        qint64 askUs = kSteadyNowUs;
        std::optional<EbayFineClock::Offset> known;
        for (int n = 0; n < 12; ++n) {
            askUs += std::uniform_int_distribution<qint64>(0, 1'500'000)(random);
            const EbayFineClock::Offset one = EbayFineClock::Allowed(path.read(askUs, delay(kind), delay(kind)));
            SCOPED_TRACE(testing::Message() << "trial " << trial << ", reading " << n);
            ASSERT_TRUE(path.heldBy(one));
            known = known ? EbayFineClock::Narrowed(*known, one) : one;
            ASSERT_TRUE(known.has_value()) << "readings of one clock never disagree";
            ASSERT_TRUE(path.heldBy(*known));
        }
    }
}

TEST(EbayFineClockRule, ReadingsAimedAtTheChangeOfTheSecondNarrowItToThePathsRoundTrip)
{
    std::mt19937_64 random(8122026);
    // One reading at each change (halving), or a comb of three (quartering).
    for (int parts : {2, 4}) {
        for (int trial = 0; trial < 500; ++trial) {
            const Path path{kEbayNowUs - kSteadyNowUs + std::uniform_int_distribution<qint64>(0, 999'999)(random)};
            const qint64 tripUs = std::uniform_int_distribution<qint64>(200, 40'000)(random);
            // Out and back unequal: the aim takes half the round trip each way.
            const qint64 outUs = std::uniform_int_distribution<qint64>(0, tripUs)(random);
            qint64 nowUs = kSteadyNowUs;
            EbayFineClock::Offset known = EbayFineClock::Allowed(path.read(nowUs, outUs, tripUs - outUs));
            SCOPED_TRACE(testing::Message() << parts << " parts, trial " << trial << ", round trip " << tripUs
                                            << " us, out " << outUs);
            const int changes = parts == 2 ? 14 : 7;
            for (int n = 0; n < changes; ++n) {
                EbayFineClock::Offset cut = known;
                qint64 lastAnswerUs = nowUs;
                for (int part = 1; part < parts; ++part) {
                    const qint64 askMs = EbayClockWatch::AimedAskMs(known, nowUs / 1000, tripUs / 1000, part, parts);
                    ASSERT_GT(askMs * 1000, nowUs);
                    ASSERT_LT(askMs - nowUs / 1000, 1100 + known.widthMs()) << "the next change of the second";
                    const auto both =
                        EbayFineClock::Narrowed(cut, EbayFineClock::Allowed(path.read(askMs * 1000, outUs, tripUs - outUs)));
                    ASSERT_TRUE(both.has_value());
                    ASSERT_TRUE(path.heldBy(*both));
                    cut = *both;
                    lastAnswerUs = std::max(lastAnswerUs, askMs * 1000 + tripUs);
                }
                ASSERT_LE(cut.widthMs(), known.widthMs());
                known = cut;
                nowUs = lastAnswerUs;
            }
            // Each change cuts what is left into `parts`, down to the round
            // trip (a comb's middle parts keep one each side).
            EXPECT_LE(known.widthMs(), tripUs * parts / (parts == 2 ? 2 : 3) / 1000 + 4);
        }
    }
}

TEST(EbayFineClockRule, TheMomentLessTheOneWayDelayIsNeverLateAndOverAnEvenPathLandsOnTime)
{
    std::mt19937_64 random(12082026);
    for (int trial = 0; trial < 2000; ++trial) {
        const Path path{kEbayNowUs - kSteadyNowUs + std::uniform_int_distribution<qint64>(0, 999'999)(random)};
        // Each way at least the one-way delay, now and then much more.
        const qint64 oneWayMs = std::uniform_int_distribution<qint64>(0, 300)(random);
        const bool even = trial % 2 == 0;
        auto way = [&] {
            return oneWayMs * 1000 + (even ? 0 : std::uniform_int_distribution<qint64>(0, 400'000)(random));
        };
        qint64 nowUs = kSteadyNowUs;
        EbayFineClock::Offset known = EbayFineClock::Allowed(path.read(nowUs, way(), way()));
        SCOPED_TRACE(testing::Message() << "trial " << trial << ", one way " << oneWayMs << " ms");
        for (int n = 0; n < 14; ++n) {
            const qint64 tripMs = 2 * oneWayMs;
            const qint64 askMs = EbayClockWatch::AimedAskMs(known, nowUs / 1000, tripMs, 1, 2);
            const auto both = EbayFineClock::Narrowed(known, EbayFineClock::Allowed(path.read(askMs * 1000, way(), way())));
            ASSERT_TRUE(both.has_value());
            known = *both;
            nowUs = askMs * 1000 + 2 * oneWayMs * 1000 + 400'000;
            // Taken at this offset the moment is never after eBay's.
            const qint64 latestMs = EbayFineClock::LatestOffsetMs(known, oneWayMs);
            ASSERT_LE(path.offsetUs, (latestMs + 1) * 1000);
            ASSERT_GE(latestMs, EbayFineClock::LatestOffsetMs(known, 0) - oneWayMs);
        }
        // Over an even path the readings pin eBay's clock to a few
        // milliseconds, the path's delay no longer counting.
        if (even)
            EXPECT_LE(EbayFineClock::LatestOffsetMs(known, oneWayMs) * 1000 - path.offsetUs, 5'000);
    }
}

TEST(EbayFineClockRule, AReadingThatAgreesWithNoneBeforeIsAMoveOfEbaysClockAndStartsTheIntervalAnew)
{
    EbayFineClock::Forget();
    const qint64 nowUs = EbayFineClock::SteadyNowMs() * 1000;
    for (qint64 moveMs : {37'000LL, -37'000LL, 1'400LL, -2'600LL}) {
        SCOPED_TRACE(moveMs);
        EbayFineClock::Forget();
        const Path before{kEbayNowUs - nowUs + 400'000};
        qint64 askUs = nowUs - 20'000'000;
        for (int n = 0; n < 8; ++n, askUs += 1'300'000)
            EXPECT_EQ(EbayFineClock::Record(before.read(askUs, 1'000, 1'000)), std::nullopt);
        const Path after{before.offsetUs + moveMs * 1000};
        const auto moved = EbayFineClock::Record(after.read(askUs, 1'000, 1'000));
        ASSERT_TRUE(moved.has_value());
        EXPECT_NEAR(double(*moved), double(moveMs), 1'000.0);
        ASSERT_TRUE(EbayFineClock::Known().has_value());
        EXPECT_TRUE(after.heldBy(*EbayFineClock::Known()));
        // A snipe missed after it says what was seen.
        const qint64 seconds = (*moved + (*moved < 0 ? -500 : 500)) / 1000;
        EXPECT_TRUE(MissedSnipe::EndedBeforeStart().startsWith(
            QStringLiteral("eBay's clock moved by ") + (seconds > 0 ? QStringLiteral("+") : QString())
            + QString::number(seconds) + QStringLiteral(" s")))
            << MissedSnipe::EndedBeforeStart().toStdString();
    }
    EbayFineClock::Forget();
    EXPECT_TRUE(MissedSnipe::EndedBeforeStart().startsWith(QStringLiteral("its auction ended")));
}

TEST(EbayFineClockRule, AStepOfThisComputersClockMovesNeitherTheMomentNorTheCountdown)
{
    EbayFineClock::Forget();
    const qint64 nowUs = EbayFineClock::SteadyNowMs() * 1000;
    const Path path{kEbayNowUs - nowUs + 250'000};
    for (qint64 askUs = nowUs - 9'000'000; askUs < nowUs; askUs += 1'250'000)
        EbayFineClock::Record(path.read(askUs, 500, 500));
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(kEbayNowUs / 1000 + 30'000, Qt::UTC);
    const qint64 before = EbayFineClock::MsecsUntil(moment);
    const QDateTime ebayBefore = EbayFineClock::LatestEbayNow();
    for (qint64 stepS : {3600LL, -37LL, 1LL}) {
        SCOPED_TRACE(stepS);
        EbayClock::StepComputerClock(stepS);
        EXPECT_NEAR(double(EbayFineClock::MsecsUntil(moment)), double(before), 50.0);
        EXPECT_LE(std::abs(ebayBefore.secsTo(EbayFineClock::LatestEbayNow())), 1);
    }
    EbayClock::StepComputerClock(0);
}

TEST(EbayClockWatchRule, EbaysClockIsWatchedInASnipesLastMinutesEachSecondWhileWideThenNowAndThen)
{
    const std::optional<qint64> none;
    EXPECT_EQ(EbayClockWatch::ReadEveryMs(none, false), std::nullopt);
    EXPECT_EQ(EbayClockWatch::ReadEveryMs(none, true), std::nullopt);
    std::optional<qint64> lastMinute;
    std::optional<qint64> before;
    for (qint64 seconds = -5; seconds <= 3600; ++seconds) {
        SCOPED_TRACE(testing::Message() << "nearest snipe in " << seconds << " s");
        const auto wide = EbayClockWatch::ReadEveryMs(seconds, false);
        const auto narrow = EbayClockWatch::ReadEveryMs(seconds, true);
        // Watched over the snipe's last three minutes, whatever the offset,
        // and not at all further out or once its moment has passed.
        const bool watched = seconds >= 0 && seconds <= 180;
        ASSERT_EQ(wide.has_value(), watched);
        ASSERT_EQ(narrow.has_value(), watched);
        if (!watched)
            continue;
        // A wide offset is read at each change of the second.
        ASSERT_EQ(*wide, 0);
        ASSERT_GT(*narrow, 0);
        // A narrow one now and then: one interval for the last minute,
        // one for the minutes before it.
        auto &span = seconds <= 60 ? lastMinute : before;
        if (!span)
            span = narrow;
        ASSERT_EQ(*narrow, *span);
    }
    ASSERT_TRUE(lastMinute && before);
    // In the last minute a move of eBay's clock is seen within seconds;
    // before it the page is spared, read several times less often.
    EXPECT_LE(*lastMinute, 5'000);
    EXPECT_GE(*before, 3 * *lastMinute);
    EXPECT_LE(*before, 60'000);
}

TEST(ConfirmationEarlyRule, TheConfirmationGoesEarlyByThePathsOneWayDelayButNeverMoreThanASecond)
{
    // Unmeasured, a loopback's, a distant host's, and paths a slow answer
    // made seem seconds long.
    qint64 previous = 0;
    for (qint64 oneWayMs = -1; oneWayMs <= 30'000; ++oneWayMs) {
        SCOPED_TRACE(testing::Message() << "one way " << oneWayMs << " ms");
        const qint64 early = ConfirmationEarly::EarlyMs(oneWayMs);
        ASSERT_GE(early, 0);
        ASSERT_LE(early, 1'000) << "a slow answer never sends the confirmation seconds early";
        if (oneWayMs >= 0 && oneWayMs <= 1'000)
            ASSERT_EQ(early, oneWayMs) << "a real path's delay is made up in full";
        ASSERT_GE(early, previous) << "a slower path never goes later";
        previous = early;
    }
    EXPECT_EQ(ConfirmationEarly::EarlyMs(5'000), 1'000);
}

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

// A reply's `Date` header read as eBay's clock: on computers in zones with
// and without daylight saving, around the Pacific and the local changes, eBay's
// clock off by up to a minute and replies taking up to 0.3 s, the offset it
// gives is always within a second (and the request's time) of the truth.
TEST(EbayClockOffsetRule, AReplysDateGivesTheOffsetToTheSecondInAnyZoneAcrossDaylightSaving)
{
    const QDateTime edges[] = {
        QDateTime(QDate(2024, 3, 10), QTime(10, 0), Qt::UTC),  // Pacific springs forward
        QDateTime(QDate(2024, 11, 3), QTime(9, 0), Qt::UTC),   // Pacific falls back
        QDateTime(QDate(2024, 3, 31), QTime(1, 0), Qt::UTC),   // Europe springs forward
        QDateTime(QDate(2024, 10, 27), QTime(1, 0), Qt::UTC),  // Europe falls back
        QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59), Qt::UTC), // the year turns
    };
    const char *zones[] = {"UTC", "America/Los_Angeles", "America/New_York", "Europe/Berlin", "Asia/Kolkata",
                           "Australia/Lord_Howe"};
    std::mt19937 random(55);
    std::uniform_int_distribution<qint64> aroundEdgeMs(-7'200'000, 7'200'000);
    std::uniform_int_distribution<qint64> skewMs(-60'000, 60'000);
    std::uniform_int_distribution<qint64> tookMs(0, 300);
    std::uniform_int_distribution<qint64> inForce(-30 * 3600, 30 * 3600);
    const QTimeZone pacific("America/Los_Angeles");
    ASSERT_TRUE(pacific.isValid());
    // A clock reading of `ms` in `zone`, whole seconds.
    auto wall = [](qint64 ms, const QTimeZone &zone) {
        return EbayClock::Reading(QDateTime::fromMSecsSinceEpoch(ms - Modulo(ms), zone));
    };
    for (const QDateTime &edge : edges) {
        for (const char *zoneName : zones) {
            const QTimeZone zone(zoneName);
            ASSERT_TRUE(zone.isValid()) << zoneName;
            for (int i = 0; i < 200; ++i) {
                const qint64 askedMs = edge.toMSecsSinceEpoch() + (i % 2 ? aroundEdgeMs(random) % 5'000 : aroundEdgeMs(random));
                const qint64 took = tookMs(random);
                const qint64 stampedMs = askedMs + took / 2;
                const qint64 skew = skewMs(random);
                // This computer's zone changed during the request: its clock
                // readings say nothing of the moment between them.
                if (zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(askedMs, Qt::UTC))
                    != zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(askedMs + took, Qt::UTC)))
                    continue;
                const qint64 ebayMs = stampedMs + skew;
                const QByteArray date = QLocale::c()
                                            .toString(QDateTime::fromMSecsSinceEpoch(ebayMs, Qt::UTC),
                                                      QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"))
                                            .toLatin1();
                const auto reading = EbayClock::PacificReadingOfHttpDate(date);
                ASSERT_TRUE(reading.has_value()) << date.constData();
                const qint64 got = EbayClock::OffsetFromReading(*reading, wall(askedMs, zone), wall(askedMs + took, zone),
                                                                inForce(random));
                // The truth: eBay's Pacific reading less this computer's, at the stamp.
                const QDateTime stamped = QDateTime::fromMSecsSinceEpoch(stampedMs, Qt::UTC);
                const qint64 truthMs = skew
                    + 1000 * qint64(pacific.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(ebayMs, Qt::UTC)) - zone.offsetFromUtc(stamped));
                EXPECT_LE(std::abs(got * 1000 - truthMs), 1000 + took)
                    << zoneName << " " << date.constData() << " got " << got << " truth " << truthMs << " ms";
            }
        }
    }
    for (const char *bad : {"", "yesterday", "Sun, 31 Feb 2024 10:00:00 GMT", "2024-03-10T10:00:00Z"})
        EXPECT_FALSE(EbayClock::PacificReadingOfHttpDate(bad).has_value()) << bad;
    EXPECT_EQ(EbayClock::PacificReadingOfHttpDate(" Sun, 10 Mar 2024 10:00:00 GMT\r\n"),
              QDateTime(QDate(2024, 3, 10), QTime(3, 0), Qt::UTC));
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

// An auction eBay ended early tells how eBay's clock was known: a move is
// named only when its time page was read, never while it could not be.
TEST(MissedSnipeRule, AnEarlyEndSaysAClockMovedOnlyWhenEbaysTimePageWasRead)
{
    const QLatin1String moved("clock or this computer's moved");
    const QLatin1String unread("eBay's clock could not be read");
    EbayClock::ForgetMeasurement();
    QString said = MissedSnipe::EndedEarlierThanEbaysClockSaid(27);
    EXPECT_TRUE(said.contains(unread) && !said.contains(moved)) << said.toStdString();
    EbayClock::SetOffsetFromReplyDate(37);
    said = MissedSnipe::EndedEarlierThanEbaysClockSaid(27);
    EXPECT_TRUE(said.contains(QLatin1String("replies' dates")) && !said.contains(moved)) << said.toStdString();
    EbayClock::SetMeasuredOffset(0);
    // A time page reading stands against any later reply's date.
    EbayClock::SetOffsetFromReplyDate(37);
    EXPECT_EQ(EbayClock::Offset(), 0);
    EXPECT_EQ(EbayClock::Source(), EbayClock::OffsetSource::TimePage);
    said = MissedSnipe::EndedEarlierThanEbaysClockSaid(27);
    EXPECT_TRUE(said.contains(moved)) << said.toStdString();
    EbayClock::ForgetMeasurement();
}
