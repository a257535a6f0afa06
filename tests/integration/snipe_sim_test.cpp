// Snipes from the running main tick against the simulator, with real timers
// and auctions that end within a minute: the countdown, fast mode with its
// one sign-in, the bid at lead time + bid delay, the result after the end.
#include "tests/integration/bidsim.h"
#include "tests/integration/refreshsimutil.h"

#include "engine/ebayclock.h"
#include "engine/frmreminder.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "platform/listview.h"
#include "platform/vbtimer.h"

#include <gtest/gtest.h>

#include <QRadioButton>
#include <QSet>
#include <QTimer>

using namespace RefreshSim;

namespace {

// Lead time 3 s + bid delay 1 s, as FreshForm sets them.
constexpr int kBidLead = 4;

// The distinct Tags a row went through, in order, sampled every 50 ms.
class TagTrail
{
public:
    explicit TagTrail(ListItem *row) : m_row(row)
    {
        m_timer.setInterval(50);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { sample(); });
        sample();
        m_timer.start();
    }
    // Up to now: the last change may have come after the last sample.
    QStringList tags()
    {
        sample();
        return m_tags;
    }

private:
    void sample()
    {
        const QString tag = m_row->Tag();
        if (m_tags.isEmpty() || m_tags.last() != tag)
            m_tags << tag;
    }
    ListItem *m_row;
    QTimer m_timer;
    QStringList m_tags;
};

QDateTime endOf(const QString &number)
{
    return Server().items().find(number)->endsAt.toLocalTime();
}

// A request of the given kind (see BidSim::Kind), for `number` if one is named.
bool is(const Sim::LogEntry &e, const char *kind, const QString &number = {})
{
    return BidSim::Kind(e) == QLatin1String(kind) && (number.isEmpty() || e.target.contains(QStringLiteral("item=") + number));
}

} // namespace

TEST(SnipeWithSimulator, BidsAtLeadTimePlusBidDelayAndReportsTheResult)
{
    Form &f = FreshForm();
    f.realBid = true;
    const QString number = AddItem(24, 1.0);
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    const qint64 mark = Mark();
    TagTrail trail(row);
    int lastSeconds = 99;
    bool countedDown = true;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const int s = SecondsShown(row);
        if (s > 0 && s < 30) {
            countedDown = countedDown && s <= lastSeconds;
            lastSeconds = s;
        }
    });
    watch.start(200);

    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return Field(row, "timeleft") == "Ended"; }, 60));
    f.tmrTimer->setEnabled(false);

    EXPECT_TRUE(countedDown);
    EXPECT_LT(lastSeconds, 10);
    ASSERT_EQ(f.bids, QStringList({number}));
    const QDateTime end = endOf(number);
    // The bid's first request within 2 s of end - (lead time + bid delay).
    const QList<Sim::LogEntry> seen = RequestsSince(mark);
    const Sim::LogEntry *bidSignIn = nullptr;
    const Sim::LogEntry *preparation = nullptr;
    const Sim::LogEntry *confirmation = nullptr;
    int signInsBefore = 0;
    int signOutsBefore = 0;
    for (const Sim::LogEntry &e : seen) {
        if (e.arrival < f.bidMoments.first()) {
            signInsBefore += is(e, "signin");
            signOutsBefore += is(e, "signout");
        } else if (!bidSignIn && is(e, "signin")) {
            bidSignIn = &e;
        }
        if (!preparation && is(e, "prepare", number))
            preparation = &e;
        if (!confirmation && is(e, "confirm", number))
            confirmation = &e;
    }
    ASSERT_NE(bidSignIn, nullptr);
    EXPECT_NEAR(double(bidSignIn->arrival.msecsTo(end)) / 1000.0, double(kBidLead), 2.0);
    ASSERT_NE(preparation, nullptr);
    EXPECT_TRUE(preparation->target.contains(QLatin1String("&maxbid=5.00&qty=1"))) << preparation->target.toStdString();
    ASSERT_NE(confirmation, nullptr);
    EXPECT_LT(confirmation->arrival, end);
    EXPECT_TRUE(confirmation->target.contains(QLatin1String("&maxbid=5.00&quant=1"))) << confirmation->target.toStdString();
    // One sign-out and sign-in when fast mode began, none before.
    EXPECT_EQ(signInsBefore, 1);
    EXPECT_EQ(signOutsBefore, 1);

    EXPECT_EQ(trail.tags(), QStringList({"Local", "Ready to bid", "Bid complete"}));
    EXPECT_EQ(Field(row, "won"), "True");
    const QString log = DataFileText(QStringLiteral("logbids.txt"));
    for (const QString &step : {QStringLiteral("Signing in to bid on item # ") + number, QStringLiteral("Preparing bid"),
                                QStringLiteral("Confirming bid")})
        EXPECT_TRUE(log.contains(step)) << step.toStdString();
    bool leadOk = false;
    const int lead = GetSetting(QStringLiteral("Lead time")).toInt(&leadOk);
    EXPECT_TRUE(leadOk);
    EXPECT_GE(lead, 3);
    EXPECT_LE(lead, 30);
}

TEST(SnipeWithSimulator, AnEbayClockAheadBy37SecondsMovesTheBidEarlierAndRemindersFireOnce)
{
    Form &f = FreshForm();
    Server().setClockOffset(37);
    const QString number = AddItem(20, 1.0);
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}, {"reminders", "bt1[0]"}},
                           QStringLiteral("Local"));
    bool bidsChanged = false;
    QTimer change;
    QObject::connect(&change, &QTimer::timeout, [&] {
        // A rival's bid between two refreshes.
        if (!bidsChanged && SecondsShown(row) > 0 && SecondsShown(row) < 15) {
            Server().items().find(number)->bids = 2;
            bidsChanged = true;
        }
    });
    change.start(100);

    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return !f.bids.isEmpty(); }, 40));
    ASSERT_TRUE(RunUntil([&] { return Field(row, "timeleft") == "Ended"; }, 30));
    f.tmrTimer->setEnabled(false);

    EXPECT_NEAR(double(EbayTimeOffset), double(EbayClock::EstimatedOffset() + 37), 1.0);
    // The page shows the end 37 s later than it happens on this computer's
    // clock; the bid goes by eBay's clock, lead time + bid delay before the end.
    const QDateTime end = endOf(number);
    const QDateTime printedEnd = end.addSecs(37);
    EXPECT_NEAR(double(f.bidMoments.first().msecsTo(end)) / 1000.0, double(kBidLead), 2.0);
    EXPECT_NEAR(double(f.bidMoments.first().msecsTo(printedEnd)) / 1000.0, double(kBidLead + 37), 2.0);
    EXPECT_EQ(f.bids.size(), 1);

    ASSERT_TRUE(frmReminder::isLoaded());
    ListView &reminders = *frmReminder::instance().lvwReminders;
    QStringList texts;
    for (int i = 1; i <= reminders.Count(); ++i)
        texts << reminders.Item(i)->Tag();
    ASSERT_EQ(texts.size(), 3) << texts.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(texts[0].startsWith("Time left is less than 1 m at "));
    EXPECT_TRUE(texts[1].startsWith("Amount of bids has changed from Retrieving... to 0, "));
    EXPECT_TRUE(texts[2].startsWith("Amount of bids has changed from 0 to 2, "));
    EXPECT_EQ(Field(row, "reminders"), "b");
}

TEST(SnipeWithSimulator, WhenTheFirstSnipeOfAGroupIsWonTheSecondIsNeverBid)
{
    Form &f = FreshForm();
    f.realBid = true;
    const QString first = AddItem(14, 1.0);
    const QString second = AddItem(38, 1.0);
    ListItem *a = AddRow(first, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}, {"group", "G"}}, QStringLiteral("Local"));
    ListItem *b = AddRow(second, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}, {"group", "G"}}, QStringLiteral("Local"));
    const qint64 mark = Mark();

    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return b->Tag() == "Other in group won"; }, 40));
    // Past the second one's bid moment and its end.
    ASSERT_TRUE(RunUntil([&] { return Field(b, "timeleft") == "Ended"; }, 40));
    f.tmrTimer->setEnabled(false);

    EXPECT_EQ(f.bids, QStringList({first}));
    EXPECT_EQ(Field(a, "won"), "True");
    EXPECT_EQ(a->Tag(), "Bid complete");
    EXPECT_EQ(b->Tag(), "Other in group won");
    for (const Sim::LogEntry &e : RequestsSince(mark))
        EXPECT_FALSE(is(e, "prepare", second) || is(e, "confirm", second)) << e.target.toStdString();
}

TEST(SnipeWithSimulator, ASnipeReadBackAfterARestartFiresWithOneRefreshedBeforeIt)
{
    // The user's zone is GMT+1 while this computer keeps UTC.
    Form &before = FreshForm(1);
    const QString refreshed = AddItem(30, 1.0);
    const QString loaded = AddItem(30, 1.0);
    Server().items().find(loaded)->endsAt = Server().items().find(refreshed)->endsAt;
    AddRow(refreshed, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    AddRow(loaded, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    before.RefreshAuctions(QString(), false, false);
    ASSERT_TRUE(DataFileText(QStringLiteral("data6.dat")).contains(loaded));

    // After the restart one item's page no longer loads: that row counts
    // down from what the list file held.
    Form &f = RestartedForm();
    frmSettings::instance().optNotAlwaysOn->setChecked(true);
    ASSERT_TRUE(f.ReadListFile(QStringLiteral("data6.dat")));
    ASSERT_EQ(f.lvwAuctions->Count(), 2);
    AddFault(QStringLiteral("item=") + loaded, Sim::FaultMode::Empty, -1);

    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return f.bids.size() == 2; }, 45));
    f.tmrTimer->setEnabled(false);

    const QDateTime end = endOf(refreshed);
    EXPECT_EQ(QSet<QString>(f.bids.begin(), f.bids.end()), QSet<QString>({refreshed, loaded}));
    EXPECT_LE(std::abs(f.bidMoments[0].msecsTo(f.bidMoments[1])), 1100);
    for (const QDateTime &moment : f.bidMoments)
        EXPECT_NEAR(double(moment.msecsTo(end)) / 1000.0, double(kBidLead), 2.0);
}

TEST(SnipeWithSimulator, AfterARestartTheSnipeIsStillPlacedAndDecided)
{
    Form &before = FreshForm(1);
    const QString number = AddItem(28, 1.0);
    AddRow(number, {{"maxbid", "2 @ 7.50"}, {"user", "alice"}}, QStringLiteral("Both"));
    before.RefreshAuctions(QString(), false, false);

    Form &f = RestartedForm();
    f.realBid = true;
    frmSettings::instance().optNotAlwaysOn->setChecked(true);
    ASSERT_TRUE(f.ReadListFile(QStringLiteral("data6.dat")));
    ListItem *row = f.lvwAuctions->Item(1);
    ASSERT_NE(row, nullptr);
    TagTrail trail(row);
    const qint64 mark = Mark();

    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return Field(row, "timeleft") == "Ended"; }, 60));
    f.tmrTimer->setEnabled(false);

    ASSERT_EQ(f.bids, QStringList({number}));
    const QDateTime end = endOf(number);
    EXPECT_NEAR(double(f.bidMoments.first().msecsTo(end)) / 1000.0, double(kBidLead), 2.0);
    const QList<Sim::LogEntry> seen = RequestsSince(mark);
    const Sim::LogEntry *confirmation = nullptr;
    for (const Sim::LogEntry &e : seen)
        if (!confirmation && is(e, "confirm", number))
            confirmation = &e;
    ASSERT_NE(confirmation, nullptr);
    EXPECT_LT(confirmation->arrival, end);
    EXPECT_TRUE(confirmation->target.contains(QLatin1String("&maxbid=7.50&quant=2"))) << confirmation->target.toStdString();
    EXPECT_EQ(trail.tags(), QStringList({"Both", "Ready to bid", "Bid complete"}));
    EXPECT_EQ(Field(row, "won"), "True");
}
