// The refresh schedule of the main tick against the simulator, both clocks
// driven on five seconds a tick: with auctions ending every few minutes, fast
// mode comes and goes and the countdown to the next full refresh starts
// again and again, and an auction far from its end is still read at least
// once per refresh interval, its reminders within that interval.
#include "tests/integration/refreshsimutil.h"

#include "engine/frmreminder.h"
#include "foundation/frmsettings.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/statusbar.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QMap>
#include <QScopeGuard>

using namespace RefreshSim;

namespace {

constexpr qint64 kStep = 5;          // the fast interval, seconds
constexpr qint64 kInterval = 900;    // the normal interval, 15 minutes

// One tick a step, the clocks moved on first; what happened is recorded at
// the step's virtual second.
struct Drive
{
    Form &f;
    qint64 elapsed = 0;

    void step()
    {
        LetTimePass(kStep);
        elapsed += kStep;
        f.tmrTimer_Timer();
        // The sign-in before an end goes out without a wait of its own.
        RunUntil([this] { return !f.Inet->StillExecuting(); }, 10);
    }
};

} // namespace

TEST(RefreshSchedule, AFarAuctionIsReadOncePerIntervalWhileOthersEndEveryFewMinutes)
{
    Form &f = FreshForm();
    frmSettings &s = frmSettings::instance();
    s.ddnSyncInterval->setCurrentIndex(s.ddnSyncInterval->findData(int(kInterval)));
    ASSERT_EQ(s.SyncIntervalSeconds(), kInterval);

    // Six auctions end six minutes apart, so fast mode is on for five
    // minutes and off for one, over and over; the far one ends in 52 minutes
    // and waits for news of bids, for its price to reach 46 and for less
    // than 40 minutes to be left.
    for (int k = 1; k <= 6; ++k)
        AddRow(AddItem(k * 360), {{"maxbid", QStringLiteral("(watching)")}, {"user", QStringLiteral("alice")}});
    const QString far = AddItem(52 * 60, 30.0, [](Sim::SimItem &item) { item.bids = 1; });
    AddRow(far, {{"maxbid", QStringLiteral("(watching)")}, {"user", QStringLiteral("alice")}, {"reminders", QStringLiteral("bt40[0]p46;")}});

    QMap<QString, qint64> firedAt; // reminder message's start -> virtual second
    Drive drive{f};
    const auto clocksBack = qScopeGuard([&drive] { LetTimePass(-drive.elapsed); });
    f.onRemind = [&](const QString &number) {
        if (number != far)
            return;
        // Each reminder is told apart by how its message begins.
        const ListView &listed = *frmReminder::instance().lvwReminders;
        for (int i = 1; i <= listed.Count(); ++i) {
            const ListItem *row = listed.Item(i);
            for (const char *start : {"Amount of bids", "The current price", "Time left is less than"})
                if (row->Text() == far && row->Tag().startsWith(QLatin1String(start))
                    && !firedAt.contains(QLatin1String(start)))
                    firedAt.insert(QLatin1String(start), drive.elapsed);
        }
    };

    QList<qint64> reads;
    qint64 mark = Mark();
    QStringList statuses;
    constexpr qint64 kNewsAt = 180; // a rival's bid on the far item
    for (qint64 t = 0; t < 40 * 60; t += kStep) {
        if (drive.elapsed == kNewsAt) {
            Sim::SimItem *item = Server().items().find(far);
            item->price = 46.0;
            item->bids = 2;
        }
        drive.step();
        for (const Sim::LogEntry &e : RequestsSince(mark))
            if (e.target.endsWith(QStringLiteral("item=") + far))
                reads << drive.elapsed;
        mark = Mark();
        statuses << f.PanelText(QStringLiteral("Status"));
    }

    ASSERT_FALSE(reads.isEmpty());
    EXPECT_LE(reads.first(), kStep);
    reads << drive.elapsed; // the end of the run counts as a read due
    qint64 longest = 0;
    for (int i = 1; i < reads.size(); ++i)
        longest = std::max(longest, reads[i] - reads[i - 1]);
    EXPECT_LE(longest, kInterval) << "reads of the far item at: " << testing::PrintToString(reads);
    // The list did go in and out of fast mode meanwhile.
    EXPECT_TRUE(statuses.contains(QStringLiteral("Refreshing in 5 seconds")));
    EXPECT_GT(statuses.filter(QStringLiteral(" minutes")).size(), 0);

    // Every reminder within one interval of the moment it was due.
    const qint64 under40At = 12 * 60;
    ASSERT_TRUE(firedAt.contains(QStringLiteral("Amount of bids")));
    ASSERT_TRUE(firedAt.contains(QStringLiteral("The current price")));
    ASSERT_TRUE(firedAt.contains(QStringLiteral("Time left is less than")));
    EXPECT_LE(firedAt.value(QStringLiteral("Amount of bids")), kNewsAt + kInterval);
    EXPECT_LE(firedAt.value(QStringLiteral("The current price")), kNewsAt + kInterval);
    EXPECT_LE(firedAt.value(QStringLiteral("Time left is less than")), under40At + kInterval);
}
