// What sellers and users type, against the simulator: titles with quotes,
// ampersands and tags read from item pages show exactly as written in the
// list view, the HTML list, the windows that name an item and the
// information bar, never as markup; notes, groups and titles read back as
// typed after a save and a restart.
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/shownmain.h"
#include "tests/integration/wizardsim.h"

#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "items/frmaddauction.h"
#include "items/frmnotes.h"
#include "items/frmremove.h"
#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "platform/webbrowser.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>

using namespace RefreshSim;

namespace {

const QString kVinyl = QStringLiteral("12\" vinyl record & sleeve <rare>");
const QString kBold = QStringLiteral("<b>Bold</b> <img src=x onerror=\"window.__ran = 1\"> &amp; more");
const QString kSeller = QStringLiteral("r&b_records");

// The HTML list's title of the row of `number`, as the page shows it.
QString shownTitle(frmMain &m, const QString &number)
{
    WebBrowser &page = *m.HTMLList;
    for (int i = 0; i < page.ElementCount(QStringLiteral("itemnumber")); ++i) {
        if (page.Element(QStringLiteral("itemnumber"), i).innerText() == number)
            return page.Element(QStringLiteral("itemtitle"), i).innerText();
    }
    return QStringLiteral("(no row)");
}

// Elements inside the list's titles: a seller's markup would add some.
int elementsInTitles(frmMain &m)
{
    return m.HTMLList->ExecScript(QStringLiteral("document.querySelectorAll('#itemtitle *').length")).toInt();
}

QString itemPage(const QString &number)
{
    return HostRoles::url(HostRoles::Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + number);
}

} // namespace

TEST(SellerText, TitlesShowAsWrittenInTheListViewAndTheHtmlListBeforeAndAfterARestart)
{
    frmMain &m = ShownMain::Show();
    const QString vinyl = AddItem(3600, 12, [](Sim::SimItem &it) {
        it.title = kVinyl;
        it.seller = kSeller;
    });
    const QString bold = AddItem(7200, 3, [](Sim::SimItem &it) { it.title = kBold; });

    m.WatchAuction(vinyl);
    m.WatchAuction(bold);
    ListView &list = *m.lvwAuctions;
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(Field(list.FindItem(vinyl), "itemtitle"), kVinyl);
    EXPECT_EQ(Field(list.FindItem(bold), "itemtitle"), kBold);
    EXPECT_EQ(shownTitle(m, vinyl), kVinyl);
    EXPECT_EQ(shownTitle(m, bold), kBold);
    EXPECT_EQ(elementsInTitles(m), 0);
    EXPECT_FALSE(m.HTMLList->ExecScript(QStringLiteral("!!window.__ran")).toBool());

    // A refresh writes the rows in place: the same texts.
    m.RefreshAuctions(QString(), false, false);
    m.SyncHTMLList(true, QString());
    EXPECT_EQ(Field(list.FindItem(vinyl), "itemtitle"), kVinyl);
    EXPECT_EQ(shownTitle(m, vinyl), kVinyl);
    EXPECT_EQ(shownTitle(m, bold), kBold);
    EXPECT_EQ(elementsInTitles(m), 0);

    // The information bar over the item page names the seller as written.
    m.WebBrowser->Navigate(itemPage(vinyl));
    EXPECT_TRUE(waitFor([&] { return m.lblBrowserNotification1->text().startsWith(QStringLiteral("Seller: ")); }));
    EXPECT_TRUE(m.lblBrowserNotification1->text().startsWith(QStringLiteral("Seller: r&b_records (Feedback: ")))
        << qPrintable(m.lblBrowserNotification1->text());

    // Started again: the list file gives the same titles.
    frmMain &again = ShownMain::Show();
    again.LoadListFiles();
    again.RebuildHTMLList();
    ASSERT_EQ(again.lvwAuctions->Count(), 2);
    EXPECT_EQ(Field(again.lvwAuctions->FindItem(vinyl), "itemtitle"), kVinyl);
    EXPECT_EQ(Field(again.lvwAuctions->FindItem(bold), "itemtitle"), kBold);
    EXPECT_EQ(shownTitle(again, vinyl), kVinyl);
    EXPECT_EQ(shownTitle(again, bold), kBold);
    EXPECT_EQ(elementsInTitles(again), 0);
    frmMainShell::destroyInstance();
}

TEST(SellerText, TheWizardTheRemoveWindowAndTheNoteShowTitlesAsText)
{
    WizardSim::Fresh();
    const QString bold = AddItem(7200, 3, [](Sim::SimItem &it) { it.title = QStringLiteral("<b>Bold</b> & \"quoted\""); });
    frmAddAuction *w = WizardSim::Open(bold);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->lblTitle->text(), "<b>Bold</b> & \"quoted\"");
    EXPECT_EQ(w->lblTitle->textFormat(), Qt::PlainText);
    w->cmdCancel_Click();

    ListItem *row = AddRow(bold, {{"itemtitle", "<b>Bold</b> & \"quoted\""}, {"user", "alice"}});
    ListView &list = *EngineForm().lvwAuctions;
    list.setSelectedItem(row);
    frmRemove &remove = frmRemove::instance();
    remove.Form_Load();
    EXPECT_EQ(remove.lblItemTitle->text(), "<b>Bold</b> & \"quoted\"");
    EXPECT_EQ(remove.lblItemTitle->textFormat(), Qt::PlainText);
    frmRemove::unloadInstance();

    frmNotes::ShowAt(QStringLiteral("<b>Bold</b> & \"quoted\""), QPoint(10, 10));
    EXPECT_EQ(frmNotes::instance().lblTitle->textFormat(), Qt::PlainText);
    frmNotes::unloadInstance();
}

// A note, a group and a title with "<", ">", quotes and ampersands, typed in
// the note window and read from the item page, read back as typed after the
// list is saved and the program started again, twice over.
TEST(SellerText, NotesGroupsAndTitlesReadBackAsTypedAfterARestart)
{
    Form &f = FreshForm();
    const QString number = AddItem(3600, 12, [](Sim::SimItem &it) { it.title = kVinyl; });
    const QString group = QStringLiteral("<Records> & \"B-sides\"");
    ListItem *row = AddRow(number, {{"user", "alice"}, {"maxbid", "1 @ 30.00"}, {"group", group}});
    f.RefreshAuctions(QString(), false, false);
    ASSERT_EQ(Field(row, "itemtitle"), kVinyl);

    const QString typed = QStringLiteral("buy if price < 40 and shipping > 5\n<b>not bold</b> \"firm\" & done");
    f.lvwAuctions->setSelectedItem(row);
    frmNotes::ShowAt(kVinyl, QPoint(10, 10));
    frmNotes::instance().txtNote->setPlainText(typed);
    frmNotes::unloadInstance(); // writes the note back and saves the list

    for (int start = 0; start < 2; ++start) {
        Form &g = RestartedForm();
        ASSERT_TRUE(g.ReadListFile(QStringLiteral("data6.dat")));
        ListItem *loaded = g.lvwAuctions->FindItem(number);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(Field(loaded, "itemtitle"), kVinyl);
        EXPECT_EQ(Field(loaded, "group"), group);
        g.lvwAuctions->setSelectedItem(loaded);
        frmNotes::ShowAt(Field(loaded, "itemtitle"), QPoint(10, 10));
        EXPECT_EQ(frmNotes::instance().txtNote->toPlainText(), typed) << "start " << start;
        frmNotes::unloadInstance();
        g.SaveList(false);
    }
}
