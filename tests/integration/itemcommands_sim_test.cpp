// Commands of the running main window that act on the page its browser
// shows, against the simulator: Bid/Snipe/Buy, Watch this item, Print, the
// toolbar's Filter button with its pop-up menu, and its Settings and
// Refresh List buttons.
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/shownmain.h"

#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "items/frmaddauction.h"
#include "items/frmitemnumber.h"
#include "items/itemwindows.h"
#include "mainwindow/frmmain.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/pageprinter.h"
#include "platform/toolbar.h"
#include "platform/webbrowser.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

using HostRoles::Role;

void open(frmMain &m, const QString &url)
{
    m.WebBrowser->Navigate(url);
    ASSERT_TRUE(waitFor([&] { return m.WebBrowser->LocationURL() == QUrl(url).toString() && !m.WebBrowser->Busy(); }))
        << qPrintable(m.WebBrowser->LocationURL());
}

QString itemPage(const QString &number)
{
    return HostRoles::url(Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + number);
}

QString otherPage()
{
    return HostRoles::url(Role::Vendor, QStringLiteral("/faq.asp"));
}

// What the wizard showed when it opened modally; it is then cancelled.
struct WizardSeen
{
    bool opened = false;
    bool editMode = false;
    QString number;
    QString selectedRow;
};

WizardSeen runModalWizard(const std::function<void()> &command)
{
    WizardSeen seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        // Cancelled only once the wizard has read the item page.
        if (!frmAddAuction::isLoaded() || !frmAddAuction::instance().isVisible()
            || !frmAddAuction::instance().fraBid->isVisibleTo(&frmAddAuction::instance()))
            return;
        watch.stop();
        seen.opened = true;
        seen.editMode = EditMode;
        seen.number = frmAddAuction::instance().strItemNumber;
        const ListItem *row = MainForm().lvwAuctions->SelectedItem();
        seen.selectedRow = row ? row->Text() : QString();
        frmAddAuction::instance().cmdCancel_Click();
    });
    watch.start(20);
    command();
    // The wizard returns to its caller at once; the user's answer comes later.
    RefreshSim::RunUntil([] { return !frmAddAuction::isLoaded(); }, 30);
    return seen;
}

} // namespace

TEST(ItemCommands, BidSnipeBuyEditsATrackedItemAddsAnUntrackedOneAndElsewhereAsksForTheNumber)
{
    frmMain &m = ShownMain::Show();
    RegisterItemWindows();
    const QString tracked = RefreshSim::AddItem(3600);
    const QString untracked = RefreshSim::AddItem(3600);
    m.lvwAuctions->Add(QStringLiteral("100"));
    // The active user's row: another account's is not the wizard's to edit.
    m.lvwAuctions->setField(m.lvwAuctions->Add(tracked), QStringLiteral("user"), CurrentUser);
    m.lvwAuctions->setSelectedItem(m.lvwAuctions->Item(1));

    // The menu item on a tracked item: the wizard edits its row.
    open(m, itemPage(tracked));
    WizardSeen seen = runModalWizard([&] { m.mnuAuctionsAdd->trigger(); });
    ASSERT_TRUE(seen.opened);
    EXPECT_TRUE(seen.editMode);
    EXPECT_EQ(seen.number, tracked);
    EXPECT_EQ(seen.selectedRow, tracked);

    // The toolbar button on an item not in the list: the wizard adds it.
    open(m, itemPage(untracked));
    seen = runModalWizard([&] { m.Toolbar->ButtonByKey(QStringLiteral("Add Auction"))->trigger(); });
    ASSERT_TRUE(seen.opened);
    EXPECT_FALSE(seen.editMode);
    EXPECT_EQ(seen.number, untracked);
    EXPECT_TRUE(m.lvwAuctions->Sorted());

    // No item shown: the item-number box opens below the "Add Auction" button.
    open(m, otherPage());
    m.mnuAuctionsAdd->trigger();
    ASSERT_TRUE(frmItemNumber::isLoaded());
    const frmItemNumber &box = frmItemNumber::instance();
    EXPECT_TRUE(box.isVisible());
    EXPECT_FALSE(frmAddAuction::isLoaded());
    const QWidget *button = m.Toolbar->widgetForAction(m.Toolbar->ButtonByKey(QStringLiteral("Add Auction")));
    EXPECT_EQ(box.pos().x(), button->mapToGlobal(QPoint(0, 0)).x());
    EXPECT_EQ(box.pos().y(), m.HTMLList->mapToGlobal(QPoint(0, 0)).y() + Desktop::TwipsToPixelsY(700));
    frmItemNumber::unloadInstance();
}

TEST(ItemCommands, WatchThisItemIsEnabledExactlyOnItemPagesAndAddsTheShownItem)
{
    frmMain &m = ShownMain::Show();
    auto bothEnabled = [&m] {
        EXPECT_EQ(m.mnuAuctionsWatch->isEnabled(), m.Toolbar->Enabled(QStringLiteral("Watch Auction")));
        return m.mnuAuctionsWatch->isEnabled();
    };
    EXPECT_FALSE(bothEnabled());
    const QString number = RefreshSim::AddItem(3600);
    open(m, itemPage(number));
    EXPECT_TRUE(bothEnabled());

    m.mnuAuctionsWatch->trigger();
    ASSERT_TRUE(waitFor([&] { return m.lvwAuctions->FindItem(number) != nullptr; }));
    EXPECT_EQ(RefreshSim::Field(m.lvwAuctions->FindItem(number), "maxbid"), "(watching)");

    open(m, otherPage());
    EXPECT_FALSE(bothEnabled());
    m.Toolbar_ButtonClick(QStringLiteral("Back"));
    ASSERT_TRUE(waitFor([&] { return m.WebBrowser->LocationURL().contains(number) && !m.WebBrowser->Busy(); }));
    EXPECT_TRUE(bothEnabled());
}

TEST(PrintCommand, PrintsTheShownPageToThePrinterChosenAndNothingWhenTheDialogIsCancelled)
{
    frmMain &m = ShownMain::Show();
    open(m, otherPage());
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    int asked = 0;
    bool chooseIt = false;
    QWidget *askedOver = nullptr;
    PagePrinter::ChoosePrinter = [&](QPrinter &printer, QWidget *parent) {
        ++asked;
        askedOver = parent;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return chooseIt;
    };

    m.mnuFilePrint->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(askedOver, &m);
    QTest::qWait(300);
    EXPECT_FALSE(QFile::exists(pdf)) << "a cancelled dialog prints nothing";

    bool finished = false;
    bool printed = false;
    QObject::connect(m.WebBrowser, &QWebEngineView::printFinished, [&](bool ok) {
        finished = true;
        printed = ok;
    });
    chooseIt = true;
    m.mnuFilePrint->trigger();
    // A second print while the first runs is not started.
    EXPECT_FALSE(PagePrinter::Print(m.WebBrowser, &m));
    EXPECT_EQ(asked, 2);
    ASSERT_TRUE(waitFor([&] { return finished; }));
    EXPECT_TRUE(printed);
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
    EXPECT_GT(file.size(), 1000);

    // Once finished, the page prints again.
    finished = false;
    EXPECT_TRUE(PagePrinter::Print(m.WebBrowser, &m));
    EXPECT_TRUE(waitFor([&] { return finished; }));
    PagePrinter::ChoosePrinter = {};
}

TEST(FilterButton, AChosenFilterAppliesAtOnceAndAMenuClosedWithoutAChoiceLeavesTheButtonAsTheFiltersStand)
{
    frmMain &m = ShownMain::Show();
    const QString filter = QStringLiteral("Filter");
    ASSERT_TRUE(m.mnuFilterAll->isChecked());
    ListItem *ended = RefreshSim::AddRow(QStringLiteral("201"), {{"timeleft", QStringLiteral("Ended")}, {"user", CurrentUser}});
    ListItem *running = RefreshSim::AddRow(QStringLiteral("202"), {{"timeleft", QStringLiteral("2h 5m")}, {"user", CurrentUser}});
    ASSERT_TRUE(m.ItemPassesFilter(running));

    // Closed without a choice while every item is listed: released again.
    m.Toolbar->ButtonByKey(filter)->trigger();
    ASSERT_TRUE(waitFor([&] { return m.mnuFilter->isVisible(); }));
    EXPECT_EQ(m.Toolbar->Value(filter), 1);
    const QWidget *button = m.Toolbar->widgetForAction(m.Toolbar->ButtonByKey(filter));
    EXPECT_EQ(m.mnuFilter->pos(), button->mapToGlobal(QPoint(0, button->height())));
    m.mnuFilter->hide();
    EXPECT_EQ(m.Toolbar->Value(filter), 0);

    // A filter chosen from the menu applies and keeps the button pressed.
    m.Toolbar->ButtonByKey(filter)->trigger();
    ASSERT_TRUE(waitFor([&] { return m.mnuFilter->isVisible(); }));
    QTest::mouseClick(m.mnuFilter, Qt::LeftButton, {}, m.mnuFilter->actionGeometry(m.mnuFilterEnded).center());
    EXPECT_FALSE(m.mnuFilter->isVisible());
    EXPECT_TRUE(m.mnuFilterEnded->isChecked());
    EXPECT_FALSE(m.mnuFilterAll->isChecked());
    EXPECT_EQ(m.Toolbar->Value(filter), 1);
    EXPECT_TRUE(m.ItemPassesFilter(ended));
    EXPECT_FALSE(m.ItemPassesFilter(running));

    // The button toggles itself up when clicked while pressed; with a filter
    // on, closing the menu without a choice shows it pressed still.
    m.Toolbar->ButtonByKey(filter)->trigger();
    ASSERT_TRUE(waitFor([&] { return m.mnuFilter->isVisible(); }));
    m.mnuFilter->hide();
    EXPECT_EQ(m.Toolbar->Value(filter), 1);

    // "All Items" chosen: the button is released.
    m.Toolbar->ButtonByKey(filter)->trigger();
    ASSERT_TRUE(waitFor([&] { return m.mnuFilter->isVisible(); }));
    QTest::mouseClick(m.mnuFilter, Qt::LeftButton, {}, m.mnuFilter->actionGeometry(m.mnuFilterAll).center());
    EXPECT_TRUE(m.mnuFilterAll->isChecked());
    EXPECT_FALSE(m.mnuFilterEnded->isChecked());
    EXPECT_EQ(m.Toolbar->Value(filter), 0);
    EXPECT_TRUE(m.ItemPassesFilter(running));
}

TEST(ToolbarButtons, SettingsOpensTheSettingsWindowAndRefreshListFetchesEveryRow)
{
    frmMain &m = ShownMain::Show();
    bool settingsShown = false;
    QTimer::singleShot(0, [&settingsShown] {
        settingsShown = frmSettings::isLoaded() && frmSettings::instance().isVisible();
        frmSettings::instance().cmdCancel_Click();
    });
    m.Toolbar->ButtonByKey(QStringLiteral("Settings"))->trigger();
    EXPECT_TRUE(settingsShown);

    const QString first = RefreshSim::AddItem(3600);
    const QString second = RefreshSim::AddItem(7200);
    RefreshSim::AddRow(first, {{"user", CurrentUser}});
    RefreshSim::AddRow(second, {{"user", CurrentUser}});
    const qint64 mark = RefreshSim::Mark();
    m.Toolbar->ButtonByKey(QStringLiteral("Refresh List"))->trigger();
    ASSERT_TRUE(waitFor([&m] { return !m.blnRefreshing; }));
    const QString requested = RefreshSim::TargetsSince(mark).join(QLatin1Char('\n'));
    EXPECT_TRUE(requested.contains("item=" + first)) << qPrintable(requested);
    EXPECT_TRUE(requested.contains("item=" + second)) << qPrintable(requested);
}
