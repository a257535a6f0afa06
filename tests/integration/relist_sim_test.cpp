// The relist robot against the simulator's selling pages: a due entry is
// relisted once and takes the new item number, which "relist.dat" keeps; a
// step that eBay does not show ends in the failure window once the watchdog
// runs out, with nothing relisted. The robot's seconds are shortened.
#include "tests/integration/refreshsimutil.h"

#include "foundation/basgeneral.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "sellertools/frmrelist.h"
#include "sellertools/frmrelistitems.h"
#include "sellertools/relistfile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

using namespace RefreshSim;

namespace {

// The robot checks each page a fixed number of its seconds after asking for
// it. Tests that need it to get through every page give a page 2.5 s to
// load (ten of these), also in a browser under the sanitizers on a busy
// machine, where a second of 100 ms once left it short of the last page.
constexpr int kPageStepSecondMs = 250;

// The simulator's hosts with the sign-in and relisting roles under a name
// that holds "ebay.", as the robot expects of eBay's pages. One name for
// both, so the session cookie of the sign-in reaches the selling pages.
class EbayNamedHosts
{
public:
    EbayNamedHosts()
    {
        QFile in(Server().hostsFile());
        in.open(QIODevice::ReadOnly);
        QByteArray text = in.readAll();
        for (const char *role : {"signin", "relist"}) {
            text += QByteArray(role) + ".http=" + "signin.ebay.localhost:" + QByteArray::number(Server().httpPort()) + '\n';
            text += QByteArray(role) + ".https=" + "signin.ebay.localhost:" + QByteArray::number(Server().httpsPort()) + '\n';
        }
        QFile out(m_dir.filePath("hosts"));
        out.open(QIODevice::WriteOnly);
        out.write(text);
        out.close();
        qputenv("TALLOWMERE_HOSTS", out.fileName().toUtf8());
        HostRoles::reload();
    }
    ~EbayNamedHosts()
    {
        qputenv("TALLOWMERE_HOSTS", Server().hostsFile().toUtf8());
        HostRoles::reload();
    }

private:
    QTemporaryDir m_dir;
};

// A schedule of entries of alice's, each due a minute ago, weekly.
frmRelistItems &dueSchedule(const QStringList &items)
{
    FreshForm();
    Server().selling().reset();
    const QDateTime due = QDateTime::currentDateTime().addSecs(-60);
    QList<RelistFile::Entry> entries;
    for (const QString &item : items)
        entries << RelistFile::Entry{item, "alice", "Blue \"vase\"", "Every 7 day(s) at 9:00 AM", RelistFile::NextRelistingText(due), "7"};
    RelistFile::Save(QDir(basGeneral::DataFolder()).filePath("relist.dat"), entries);
    if (frmRelistItems::isLoaded())
        frmRelistItems::unloadInstance();
    frmRelistItems::RelistHook = nullptr;
    frmRelistItems::Clock = nullptr;
    return frmRelistItems::instance();
}

} // namespace

TEST(RelistRobotWithSimulator, ADueEntryIsRelistedOnceAndKeepsTheNewNumberAcrossARestart)
{
    Server();
    EbayNamedHosts hosts;
    frmRelist::SecondMs = kPageStepSecondMs;
    frmRelistItems &w = dueSchedule({"4100000001"});
    const qint64 mark = RefreshSim::Mark();

    w.tmrTimer_Timer();

    EXPECT_FALSE(RelistInProgress);
    EXPECT_EQ(Server().selling().relists, 1);
    // The robot's sign-in form went to the secure sign-in host only.
    EXPECT_EQ(RefreshSim::PasswordsInTheClear(mark), QStringList());
    EXPECT_EQ(RefreshSim::PasswordsSentSecurely(RefreshSim::RequestsSince(mark)), 1);
    const QString newNumber = Server().selling().lastNewItem;
    ASSERT_FALSE(newNumber.isEmpty());
    EXPECT_EQ(w.lvwRelist->Item(1)->Text(), newNumber);
    EXPECT_FALSE(frmRelistFailed::isLoaded());

    // A second tick finds nothing due: the date moved on a week.
    w.tmrTimer_Timer();
    EXPECT_EQ(Server().selling().relists, 1);

    frmRelistItems::unloadInstance();
    const QList<RelistFile::Entry> stored = RelistFile::Load(QDir(basGeneral::DataFolder()).filePath("relist.dat"));
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].itemNumber, newNumber);
    EXPECT_EQ(stored[0].title, "Blue \"vase\"");
    EXPECT_EQ(frmRelistItems::instance().lvwRelist->Item(1)->Text(), newNumber);
}

TEST(RelistRobotWithSimulator, AStepEbayDoesNotShowFailsThroughTheWatchdogWithoutARelist)
{
    Server();
    EbayNamedHosts hosts;
    frmRelist::SecondMs = kPageStepSecondMs;
    frmRelistItems &w = dueSchedule({"4100000002"});
    Server().selling().failStep = "review";
    Desktop::SetClipboardText("");

    w.tmrTimer_Timer();

    EXPECT_EQ(Server().selling().relists, 0);
    EXPECT_EQ(w.lvwRelist->Item(1)->Text(), "4100000002");
    ASSERT_TRUE(frmRelistFailed::isLoaded());
    EXPECT_EQ(frmRelistFailed::instance().lblMsg->text(), "Failed to relist item #4100000002\r\nBlue \"vase\"");
    EXPECT_TRUE(Desktop::ClipboardText().contains("Check your listing"));
    // The entry waits for its next period: its date moved on, its number did not.
    const QList<RelistFile::Entry> stored = RelistFile::Load(QDir(basGeneral::DataFolder()).filePath("relist.dat"));
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].itemNumber, "4100000002");
    EXPECT_GT(*RelistFile::ReadNextRelisting(stored[0].nextRelisting), QDateTime::currentDateTime());
    frmRelistFailed::unloadInstance();
}

TEST(RelistRobotWithSimulator, ASellingPageThatNeverLoadsEndsInTheFailureWindow)
{
    Server();
    EbayNamedHosts hosts;
    frmRelist::SecondMs = 100;
    frmRelistItems &w = dueSchedule({"4100000003"});
    AddFault("SellSimilarItem", Sim::FaultMode::Hang, -1);

    w.tmrTimer_Timer();

    Server().faults().clear();
    EXPECT_EQ(Server().selling().relists, 0);
    EXPECT_EQ(w.lvwRelist->Item(1)->Text(), "4100000003");
    EXPECT_TRUE(frmRelistFailed::isLoaded());
}

TEST(RelistRobotWithSimulator, ASecondDueEntryWaitsWhenAnAuctionComesNearItsEndDuringTheFirst)
{
    Server();
    EbayNamedHosts hosts;
    frmRelist::SecondMs = 150;
    frmRelistItems &w = dueSchedule({"4100000004", "4100000005"});
    // A watched auction a few seconds before its last five minutes, and the
    // main tick running; the first relist (the robot's waits make it some
    // ten seconds) lasts until the tick has seen that auction come near its end.
    auto &f = static_cast<Form &>(EngineForm());
    const QString watched = AddItem(303);
    AddRow(watched, {{"maxbid", "(watching)"}, {"user", "alice"}});
    f.RefreshAuctions(QString(), false, false);
    ASSERT_FALSE(f.blnItemsEndingSoon);
    f.tmrTimer->setEnabled(true);

    w.tmrTimer_Timer();

    f.tmrTimer->setEnabled(false);
    EXPECT_TRUE(f.blnItemsEndingSoon);
    EXPECT_EQ(Server().selling().relists, 1);
    // The second entry was not taken: its date has not moved.
    const QList<RelistFile::Entry> stored = RelistFile::Load(QDir(basGeneral::DataFolder()).filePath("relist.dat"));
    ASSERT_EQ(stored.size(), 2);
    EXPECT_GT(*RelistFile::ReadNextRelisting(stored[0].nextRelisting), QDateTime::currentDateTime());
    EXPECT_LT(*RelistFile::ReadNextRelisting(stored[1].nextRelisting), QDateTime::currentDateTime());
    EXPECT_EQ(w.lvwRelist->Item(2)->Text(), "4100000005");

    // Once the auction is no longer near its end, the next tick takes it up.
    f.blnItemsEndingSoon = false;
    w.tmrTimer_Timer();
    EXPECT_EQ(Server().selling().relists, 2);
    EXPECT_NE(w.lvwRelist->Item(2)->Text(), "4100000005");
}
