// Snipes from the running main tick against the simulator, with real timers
// and auctions that end within a minute: the countdown, fast mode with its
// one sign-in, the bid at lead time + bid delay, the result after the end.
#include "tests/integration/bidsim.h"
#include "tests/integration/monitorstandin.h"
#include "tests/integration/refreshsimutil.h"

#include "engine/ebayclock.h"
#include "engine/frmreminder.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
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

// The monitor program watching a stand-in program through this process's
// heartbeat, with a 30-second stall time instead of 120 (half the minute a
// sign-in left hanging would hold a blocked loop), and the longest the
// heartbeat stood still, sampled apart from the main tick.
class WatchedHeartbeat
{
public:
    static constexpr int kStallS = 30;
    // Loose enough for a loaded sanitizer build; a blocked loop stands still
    // for the sign-in's whole minute.
    static constexpr qint64 kLongestStillMs = 20'000;

    bool start()
    {
        m_program.start(m_standIn.script, {});
        if (!m_program.waitForStarted(30000) || !RunUntil([&] { return m_standIn.starts().size() == 1; }, 30))
            return false;
        SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("False"));
        basGeneral::WriteHeartbeat();
        if (!MonitorSim::StartMonitor(m_monitor, m_program.processId(), m_standIn.script, kStallS))
            return false;
        m_heartbeat = GetSetting(QStringLiteral("Last alive"));
        m_sinceBeat.start();
        m_sampler.setInterval(100);
        QObject::connect(&m_sampler, &QTimer::timeout, [this] {
            const QString now = GetSetting(QStringLiteral("Last alive"));
            if (now != m_heartbeat) {
                m_heartbeat = now;
                m_sinceBeat.restart();
            }
            longestStill = std::max(longestStill, m_sinceBeat.elapsed());
        });
        m_sampler.start();
        return true;
    }
    // Ends the watch: what the monitor did, then a clean end of both.
    void finish()
    {
        m_sampler.stop();
        starts = m_standIn.starts();
        programRunning = m_program.state() == QProcess::Running;
        SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("1"));
        m_program.kill();
        m_program.waitForFinished(5000);
        monitorEnded = m_monitor.waitForFinished(5000);
    }

    qint64 longestStill = 0;
    QStringList starts;
    bool programRunning = false;
    bool monitorEnded = false;

private:
    MonitorSim::StandIn m_standIn;
    QProcess m_program;
    QProcess m_monitor;
    QTimer m_sampler;
    QString m_heartbeat;
    QElapsedTimer m_sinceBeat;
};

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
    // Prepared early, confirmed at the end less the bid delay (1 s), the end
    // being the whole second the item page shows.
    const QDateTime endShown = end.addMSecs(-end.time().msec());
    EXPECT_NEAR(double(confirmation->arrival.msecsTo(endShown)), 1000.0, 150.0);
    EXPECT_TRUE(confirmation->target.contains(QLatin1String("&maxbid=5.00&quant=1"))) << confirmation->target.toStdString();
    // The sign-in before the end, the bid's sign-in and the confirmation
    // carry the password, each over https only.
    EXPECT_EQ(confirmation->scheme, "https");
    EXPECT_EQ(PasswordsInTheClear(seen), QStringList());
    EXPECT_EQ(PasswordsSentSecurely(seen), 3);
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

TEST(SnipeWithSimulator, ASignInBeforeAnEndThatHangsHoldsBackNeitherTheHeartbeatNorAnotherRowsSnipe)
{
    Form &f = FreshForm();
    f.realBid = true;
    const QString watched = AddItem(200, 1.0);
    const QString number = AddItem(22, 1.0);
    ListItem *first = AddRow(watched, {{"maxbid", "(watching)"}, {"user", "alice"}});
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    // A first refresh fills the rows in (they had no time left yet, so it
    // neither signs in nor begins fast mode); then no refresh runs by itself.
    f.RefreshAuctions(QString(), false, false);
    ASSERT_FALSE(f.blnItemsEndingSoon);
    ASSERT_GT(SecondsShown(first), 0);
    ASSERT_GT(SecondsShown(row), 10);
    frmSettings::instance().optNotAlwaysOn->setChecked(true);
    // The next sign-in gets no answer until the program gives up on it (60 s).
    AddFault(QStringLiteral("SignInWelcome"), Sim::FaultMode::Hang, 1);
    const qint64 mark = Mark();
    WatchedHeartbeat watch;
    ASSERT_TRUE(watch.start());

    f.tmrTimer->setEnabled(true);
    const bool completed = RunUntil([&] { return row->Tag() == "Bid complete"; }, 40);
    // After the bid the sign-in is tried again and fast mode begins; its
    // refreshes read the result.
    const bool fastMode = completed && RunUntil([&] { return f.blnItemsEndingSoon; }, 20);
    const bool decided = fastMode && RunUntil([&] { return Field(row, "timeleft") == "Ended"; }, 20);
    f.tmrTimer->setEnabled(false);
    watch.finish();

    ASSERT_TRUE(completed);
    EXPECT_TRUE(fastMode);
    EXPECT_TRUE(decided);
    // The heartbeat went on every second; the monitor restarted nothing.
    EXPECT_LT(watch.longestStill, WatchedHeartbeat::kLongestStillMs);
    EXPECT_EQ(watch.starts.size(), 1) << watch.starts.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(watch.programRunning);
    EXPECT_TRUE(watch.monitorEnded);

    // The snipe went out on time, by its own sign-in.
    ASSERT_EQ(f.bids, QStringList({number}));
    const QDateTime end = endOf(number);
    EXPECT_NEAR(double(f.bidMoments.first().msecsTo(end)) / 1000.0, double(kBidLead), 2.0);
    const Sim::LogEntry *confirmation = nullptr;
    int signInsBefore = 0;
    int signOutsBefore = 0;
    QString hungFault;
    for (const Sim::LogEntry &e : RequestsSince(mark)) {
        if (e.arrival < f.bidMoments.first()) {
            signInsBefore += is(e, "signin");
            signOutsBefore += is(e, "signout");
            if (is(e, "signin"))
                hungFault = e.fault;
        }
        if (!confirmation && is(e, "confirm", number))
            confirmation = &e;
    }
    ASSERT_NE(confirmation, nullptr);
    EXPECT_LT(confirmation->arrival, end);
    EXPECT_EQ(Field(row, "won"), "True");
    // One sign-out and sign-in pair while its sign-in hung, not one a tick.
    EXPECT_EQ(signOutsBefore, 1);
    EXPECT_EQ(signInsBefore, 1);
    EXPECT_EQ(hungFault, "hang");
    // The bid stopped the hung sign-in.
    EXPECT_TRUE(DataFileText(QStringLiteral("log.txt"))
                    .contains(QStringLiteral("Sign-in before an auction's end failed: Error #35755")));
}

TEST(SnipeWithSimulator, ABidWhoseRequestHangsHoldsBackNeitherTheHeartbeatNorTheNextSnipe)
{
    Form &f = FreshForm();
    f.realBid = true;
    const QString slow = AddItem(20, 1.0);
    const QString number = AddItem(23, 1.0);
    AddRow(slow, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    f.RefreshAuctions(QString(), false, false);
    ASSERT_GT(SecondsShown(row), 10);
    frmSettings::instance().optNotAlwaysOn->setChecked(true);
    // The first snipe's bid page answers only 8 seconds later, after both ends.
    AddFault(QStringLiteral("?MakeBid&item=") + slow, Sim::FaultMode::Hang, 1, 8000);
    const qint64 mark = Mark();
    WatchedHeartbeat watch;
    ASSERT_TRUE(watch.start());

    f.tmrTimer->setEnabled(true);
    const bool started = RunUntil([&] { return f.bids.size() == 2; }, 40);
    const bool confirmed = started && RunUntil([&] {
        for (const Sim::LogEntry &e : RequestsSince(mark))
            if (is(e, "confirm", number))
                return true;
        return false;
    }, 10);
    // Until the first bid's run has ended as well.
    RunUntil([&] { return frmBid::ActiveRuns() == 0; }, 20);
    f.tmrTimer->setEnabled(false);
    watch.finish();

    ASSERT_TRUE(started) << f.bids.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(f.bids, QStringList({slow, number}));
    // The second snipe started at its own moment while the first one waited.
    const QDateTime end = endOf(number);
    EXPECT_NEAR(double(f.bidMoments.at(1).msecsTo(end)) / 1000.0, double(kBidLead), 2.0);
    for (const Sim::LogEntry &e : RequestsSince(mark))
        if (is(e, "confirm", number))
            EXPECT_LT(e.arrival, end);
    EXPECT_LT(watch.longestStill, WatchedHeartbeat::kLongestStillMs);
    EXPECT_EQ(watch.starts.size(), 1) << watch.starts.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(watch.programRunning);
    EXPECT_TRUE(watch.monitorEnded);
}
