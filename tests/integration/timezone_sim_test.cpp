// The user's time zone against the running tick and the simulator: choosing
// another zone in the settings window, with OK or Cancel, moves only the
// shown end time, never a countdown or a snipe, and the list file read back
// after a restart ends at the same moment. The time left above an item page
// in the browser is the item's in every zone.
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/shownmain.h"

#include "engine/ebayclock.h"
#include "engine/trackedauction.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cmath>

using namespace RefreshSim;

namespace {

// Lead time 3 s + bid delay 1 s, as FreshForm sets them.
constexpr int kBidLead = 4;

QDateTime endOf(const QString &number)
{
    return Server().items().find(number)->endsAt.toUTC();
}

// The end, in whole seconds as eBay prints it, as a clock at `hours` from
// UTC reads it: "yyyy-MM-dd HH:mm:ss", the list file's form.
QString endAt(const QString &number, int hours)
{
    return endOf(number).addSecs(qint64(hours) * 3600).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The row's shown end time in that form ("" when it shows none).
QString shownEnd(const ListItem *row)
{
    const auto shown = TrackedAuction::ReadDateText(Field(row, "enddatedisp"));
    return shown ? shown->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

void waitSeconds(double seconds)
{
    RunUntil([] { return false; }, seconds);
}

// The settings window as the user opens it, with the zone of `hours` picked
// from its list.
frmSettings &openSettingsChoosing(int hours)
{
    frmSettings &s = frmSettings::instance();
    s.show();
    s.cboTimeZone->setCurrentIndex(s.cboTimeZone->findData(hours));
    return s;
}

// Every 100 ms while the row counts down: how far its seconds left are from
// the real seconds to the end.
class CountdownWatch
{
public:
    CountdownWatch(const ListItem *row, QDateTime end) : m_row(row), m_end(std::move(end))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { sample(); });
        m_timer.start(100);
    }
    int samples = 0;
    double worst = 0;

private:
    void sample()
    {
        const int shown = SecondsShown(m_row);
        if (shown <= 0 || shown >= 3600)
            return;
        ++samples;
        const double real = double(QDateTime::currentDateTimeUtc().msecsTo(m_end)) / 1000.0;
        worst = std::max(worst, std::fabs(double(shown) - real));
    }
    const ListItem *m_row;
    QDateTime m_end;
    QTimer m_timer;
};

} // namespace

TEST(TimeZoneWithSimulator, ChoosingAnotherZoneMovesNoCountdownAndTheSnipeFiresOnTime)
{
    Form &f = FreshForm();
    ASSERT_TRUE(frmSettings::instance().SaveSettings()); // the test's settings are the stored ones
    const QString number = AddItem(42, 1.0);
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    const QDateTime end = endOf(number);
    CountdownWatch watch(row, end);

    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return SecondsShown(row) > 0 && !shownEnd(row).isEmpty(); }, 10));
    // Shown at GMT-8, without this computer's zone name ("UTC") after it.
    EXPECT_EQ(shownEnd(row), endAt(number, -8));
    EXPECT_FALSE(Field(row, "enddatedisp").contains(QLatin1String("UTC"))) << Field(row, "enddatedisp").toStdString();

    // GMT+1 picked, the window left open while the tick runs (and refreshes),
    // then Cancel.
    frmSettings &picked = openSettingsChoosing(1);
    waitSeconds(3);
    EXPECT_EQ(shownEnd(row), endAt(number, -8));
    picked.cmdCancel->click();
    waitSeconds(1.5);
    EXPECT_EQ(shownEnd(row), endAt(number, -8));

    // GMT+5 picked and saved with OK: the shown end moves, the count does not.
    openSettingsChoosing(5).cmdOK->click();
    EXPECT_EQ(shownEnd(row), endAt(number, 5));
    EXPECT_TRUE(DataFileText(QStringLiteral("data6.dat")).contains(endAt(number, 5)));

    ASSERT_TRUE(RunUntil([&] { return Field(row, "timeleft") == "Ended"; }, 60));
    f.tmrTimer->setEnabled(false);

    EXPECT_GT(watch.samples, 100);
    EXPECT_LE(watch.worst, 2.0);
    ASSERT_EQ(f.bids, QStringList({number}));
    EXPECT_NEAR(double(f.bidMoments.first().toUTC().msecsTo(end)) / 1000.0, double(kBidLead), 2.0);
    EXPECT_EQ(shownEnd(row), endAt(number, 5));
}

TEST(TimeZoneWithSimulator, AListSavedInAnotherZoneReadsBackToTheSameEnd)
{
    Form &before = FreshForm();
    ASSERT_TRUE(frmSettings::instance().SaveSettings());
    const QString number = AddItem(36, 1.0);
    AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    before.RefreshAuctions(QString(), false, false);
    ASSERT_TRUE(DataFileText(QStringLiteral("data6.dat")).contains(endAt(number, -8)));

    // GMT+1 saved; then GMT+3 picked and cancelled.
    openSettingsChoosing(1).cmdOK->click();
    const QString saved = DataFileText(QStringLiteral("data6.dat"));
    EXPECT_TRUE(saved.contains(endAt(number, 1))) << saved.toStdString();
    openSettingsChoosing(3).cmdCancel->click();
    EXPECT_EQ(DataFileText(QStringLiteral("data6.dat")), saved);

    // After a restart the item's page no longer loads: the row counts down
    // from what the file held.
    Form &f = RestartedForm();
    frmSettings::instance().optNotAlwaysOn->setChecked(true);
    ASSERT_TRUE(f.ReadListFile(QStringLiteral("data6.dat")));
    ASSERT_EQ(f.lvwAuctions->Count(), 1);
    ListItem *row = f.lvwAuctions->Item(1);
    AddFault(QStringLiteral("item=") + number, Sim::FaultMode::Empty, -1);
    const QDateTime end = endOf(number);
    EXPECT_EQ(shownEnd(row), endAt(number, 1));
    const auto left = EbayClock::SecondsLeft(Field(row, "enddate"), EbayClock::EbayNow());
    ASSERT_TRUE(left.has_value());
    EXPECT_NEAR(double(*left), double(QDateTime::currentDateTimeUtc().msecsTo(end)) / 1000.0, 2.0);

    f.tmrTimer->setEnabled(true);
    ASSERT_TRUE(RunUntil([&] { return !f.bids.isEmpty(); }, 45));
    f.tmrTimer->setEnabled(false);
    EXPECT_EQ(f.bids, QStringList({number}));
    EXPECT_NEAR(double(f.bidMoments.first().toUTC().msecsTo(end)) / 1000.0, double(kBidLead), 2.0);
}

// Two zones other than this computer's, where the end moved into the
// user's zone and a clock on this computer's zone would hide each other, and
// other than eBay's own, where the end is not moved at all.
TEST(TimeZoneWithSimulator, TheTimeLeftAboveAnItemPageIsTheItemsInEveryZoneBeforeAndAfterARefresh)
{
    Sim::SimServer &sim = Server();
    sim.reset();
    sim.addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    EbayClock::ForgetMeasurement();
    frmMain &m = ShownMain::Show();
    frmSettings &s = frmSettings::instance();

    const QString number = AddItem(3600 + 29 * 60 + 30, 12.5, [](Sim::SimItem &item) {
        item.seller = QStringLiteral("bobsells");
        item.feedbackScore = 12;
        item.feedbackPercent = 100;
    });
    const int machine = QDateTime::currentDateTime().offsetFromUtc() / 3600;
    QList<int> zones;
    for (int hours : {0, 5, -3, 9})
        if (hours != machine && zones.size() < 2)
            zones << hours;
    // The bar's time left after the item page is opened in the zone.
    auto timeLeftIn = [&](int hours) {
        s.cboTimeZone->setCurrentIndex(s.cboTimeZone->findData(hours));
        SaveSetting(QStringLiteral("Time Zone"), QString::number(s.cboTimeZone->currentIndex()));
        m.WebBrowser->Navigate(QStringLiteral("about:blank"));
        waitFor([&] { return m.lblBrowserNotification2->text().isEmpty(); });
        m.WebBrowser->Navigate(sim.url(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + number));
        waitFor([&] { return !m.lblBrowserNotification2->text().isEmpty(); });
        return m.lblBrowserNotification2->text().section(QStringLiteral(" - "), 0, 0).trimmed();
    };
    for (int hours : zones)
        EXPECT_EQ(timeLeftIn(hours), "Time Left: 1 h 29 m") << "before a refresh, GMT" << hours;

    m.RefreshAuctions(QString(), false, false);
    ASSERT_LE(std::abs(EbayTimeOffset - EbayClock::EstimatedOffset()), 2) << "measured from eBay's time page";
    for (int hours : zones)
        EXPECT_EQ(timeLeftIn(hours), "Time Left: 1 h 29 m") << "after a refresh, GMT" << hours;
}
