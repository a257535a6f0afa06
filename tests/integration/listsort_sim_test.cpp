// Sorting the running window's list by "Time Left" and "Ends" against the
// simulator: rows whose list order (by price) differs from their end order
// are put in end order by a click on either header, in both directions, in
// the HTML page and in the list view behind it, and again after a restart
// that reads the list file back; in more than one time zone.
#include "tests/integration/refreshsimutil.h"
#include "engine/listsavewriter.h"

#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QRadioButton>

#include <algorithm>

namespace {

// A start after a clean exit with alice's account, in the zone of `hours`.
void settleSettings(int hours)
{
    SaveSetting(QStringLiteral("1st Run"), QStringLiteral("False"));
    SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("1"));
    SaveSetting(QStringLiteral("Username"), QStringLiteral("alice"));
    SaveSetting(QStringLiteral("Password"), basGeneral::ScramblePassword(QStringLiteral("pw")));
    SaveSetting(QStringLiteral("Login"), QString());
    SaveSetting(QStringLiteral("Has TMRO Account"), QStringLiteral("True"));
    SaveSetting(QStringLiteral("TMRO Default Shown"), QStringLiteral("True"));
    SaveSetting(QStringLiteral("Active User"), QStringLiteral("alice"));
    frmSettings &s = frmSettings::instance();
    s.lvwUsers->Clear();
    s.lvwUsers->Add(QStringLiteral("alice"))->setTag(basGeneral::ScramblePassword(QStringLiteral("pw")));
    s.optNotAlwaysOn->setChecked(true);
    s.ddnSyncInterval->setCurrentIndex(s.ddnSyncInterval->findData(60));
    s.cboTimeZone->setCurrentIndex(s.cboTimeZone->findData(hours));
    SaveSetting(QStringLiteral("Time Zone"), QString::number(s.cboTimeZone->currentIndex()));
    CurrentUser = QStringLiteral("alice");
    CommandLine = QStringLiteral("/nomon");
}

frmMain &shownMain()
{
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    frmMain::registerAsMainWindow();
    frmMain &m = frmMain::instance();
    m.tmrLoadProcess->setEnabled(false);
    m.resize(1000, 800);
    m.show();
    return m;
}

// The item numbers the page shows, in its order (the template's own empty
// row left out).
QStringList pageOrder(frmMain &m)
{
    return m.HTMLList->ElementTexts(QStringLiteral("itemnumber")).mid(0, m.lvwAuctions->Count());
}

QStringList listOrder(frmMain &m)
{
    QStringList numbers;
    for (int i = 1; i <= m.lvwAuctions->Count(); ++i)
        numbers << m.lvwAuctions->Item(i)->Text();
    return numbers;
}

// Clicks the header link with that caption in the list page.
void clickHeader(frmMain &m, const QString &caption)
{
    m.HTMLList->ExecScript(QStringLiteral("Array.from(document.querySelectorAll('.head a'))"
                                          ".find(a => a.textContent === '%1').click()")
                               .arg(caption));
}

// The page and the list view show `expected` after the click, and still do
// once the tick has run a few times.
void expectOrderAfterClick(frmMain &m, const QString &caption, const QStringList &expected)
{
    clickHeader(m, caption);
    QStringList shown;
    const bool ok = waitFor([&] {
        shown = pageOrder(m);
        return shown == expected;
    }, 10000);
    EXPECT_TRUE(ok) << caption.toStdString() << ": " << shown.join(' ').toStdString();
    EXPECT_EQ(listOrder(m), expected) << caption.toStdString();
    RefreshSim::RunUntil([] { return false; }, 1.5);
    EXPECT_EQ(pageOrder(m), expected) << caption.toStdString() << ", a while later";
}

QStringList reversed(QStringList list)
{
    std::reverse(list.begin(), list.end());
    return list;
}

class ListSortByEnd : public ::testing::TestWithParam<int>
{
};

} // namespace

TEST_P(ListSortByEnd, TimeLeftAndEndsOrderTheRowsByTheirEndBeforeAndAfterARestart)
{
    Sim::SimServer &sim = RefreshSim::Server();
    sim.reset();
    sim.addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    MsgBoxScript::instance().clear();
    settleSettings(GetParam());
    QFile::remove(basGeneral::DataFolder() + QStringLiteral("data6.dat"));

    // By end: soon (40 m), mid (2 h 59 m), later (8 h 59 m), last (1 d 23 h);
    // by price the other way about in part. The time-left texts sort as
    // texts otherwise again.
    const QString later = RefreshSim::AddItem(9 * 3600 - 30, 30.0);
    const QString soon = RefreshSim::AddItem(40 * 60, 20.0);
    const QString last = RefreshSim::AddItem(47 * 3600, 12.0);
    const QString mid = RefreshSim::AddItem(3 * 3600 - 30, 5.0);
    const QStringList byEnd = {soon, mid, later, last};

    frmMain &m = shownMain();
    for (const QString &number : {later, soon, last, mid}) {
        ListItem *row = m.lvwAuctions->Add(number);
        m.lvwAuctions->setField(row, QStringLiteral("maxbid"), QStringLiteral("(watching)"));
        m.lvwAuctions->setField(row, QStringLiteral("user"), QStringLiteral("alice"));
    }
    m.RebuildHTMLList();
    m.RefreshAuctions(QString(), false, false);
    ASSERT_FALSE(m.lvwAuctions->Field(m.lvwAuctions->Item(4), QStringLiteral("enddate")).isEmpty());
    m.tmrTimer->setEnabled(true);

    // Sorted by price first, highest first.
    m.lvwAuctions->SortOrder = 0;
    expectOrderAfterClick(m, QStringLiteral("Price"), {later, soon, last, mid});
    expectOrderAfterClick(m, QStringLiteral("Time Left"), byEnd);
    expectOrderAfterClick(m, QStringLiteral("Ends"), reversed(byEnd));
    expectOrderAfterClick(m, QStringLiteral("Time Left"), byEnd);
    EXPECT_EQ(GetSetting(QStringLiteral("Sort Key")), QString::number(m.lvwAuctions->SubItemIndex(QStringLiteral("enddate"))));
    EXPECT_EQ(GetSetting(QStringLiteral("Sort Order")), QStringLiteral("0"));

    // The last click chose the end, latest first. The list file is left
    // holding the rows in another order (by price, lowest first), which the
    // restart must not keep.
    expectOrderAfterClick(m, QStringLiteral("Ends"), reversed(byEnd));
    EXPECT_EQ(GetSetting(QStringLiteral("Sort Order")), QStringLiteral("1"));
    m.tmrTimer->setEnabled(false);
    m.lvwAuctions->SortKey = m.lvwAuctions->SubItemIndex(QStringLiteral("currentbid"));
    m.lvwAuctions->SortOrder = 0;
    m.lvwAuctions->setSorted(true);
    m.SaveList(false);
    ListSaveWriter::Flush();
    const QString file = RefreshSim::DataFileText(QStringLiteral("data6.dat"));
    ASSERT_LT(file.indexOf(mid), file.indexOf(last));
    ASSERT_LT(file.indexOf(soon), file.indexOf(later));

    frmMain &again = shownMain();
    again.tmrLoadProcess_Timer();
    ASSERT_EQ(again.lvwAuctions->Count(), 4);
    // Connected now: the tick refreshes the list at once, and the sort stays.
    frmSettings::instance().optAlwaysOn->setChecked(true);
    again.tmrTimer->setEnabled(true);
    QStringList shown;
    EXPECT_TRUE(waitFor([&] {
        shown = pageOrder(again);
        return shown == reversed(byEnd);
    }, 10000)) << shown.join(' ').toStdString();
    EXPECT_EQ(listOrder(again), reversed(byEnd));
    expectOrderAfterClick(again, QStringLiteral("Time Left"), byEnd);
    expectOrderAfterClick(again, QStringLiteral("Ends"), reversed(byEnd));
    again.tmrTimer->setEnabled(false);
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty()) << MsgBoxScript::instance().lastPrompt().toStdString();
}

// Two zones other than this computer's (which runs in UTC here) and other
// than eBay's own.
INSTANTIATE_TEST_SUITE_P(Zones, ListSortByEnd, ::testing::Values(3, -5));
