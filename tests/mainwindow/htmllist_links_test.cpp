// The row links of the HTML list in the running main window: each link
// clicked in the page reaches its window (the real remove, notification and
// note windows), with the ownership checks, the ended-row rule for edit, the
// failure message, and web links opened in the browser below the list.
#include "engine/itemwindows.h"
#include "engine/trackedauction.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "items/frmitemnumber.h"
#include "items/itemwindows.h"
#include "items/frmnotes.h"
#include "items/frmremind.h"
#include "items/frmremove.h"
#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"

#include "tests/support/msgboxscript.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

namespace {

ListItem *addRow(ListView &list, const QString &number, const QString &title, const QString &user,
                 const QString &timeLeft = QStringLiteral("2 h "))
{
    ListItem *row = list.Add(number);
    list.setField(row, "itemtitle", title);
    list.setField(row, "timeleft", timeLeft);
    list.setField(row, "maxbid", "1 @ 20.00");
    list.setField(row, "user", user);
    list.setField(row, "picture", "nopic.gif");
    list.setField(row, "won", "False");
    row->setTag("Local");
    return row;
}

// Runs `trigger`, then `act` on the modal window once it shows (the link's
// handler waits in it, maybe before `trigger` returns); true when the window
// came and went.
template <class W>
bool whenShown(const std::function<void()> &trigger, const std::function<void(W &)> &act)
{
    bool acted = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!acted && W::isLoaded() && W::instance().isVisible()) {
            acted = true;
            act(W::instance());
        }
    });
    poll.start(20);
    trigger();
    return waitFor([&] { return acted && !W::isLoaded(); }, 15000);
}

} // namespace

TEST(frmMainRowLinks, EachLinkOfARowReachesItsWindowWithTheOwnershipChecks)
{
    frmMain &m = frmMain::instance();
    m.tmrLoadProcess->setEnabled(false);
    m.resize(1000, 800);
    m.show();
    RegisterItemWindows();
    QStringList edits;
    ItemWindows::EditAuction = [&](const QString &number) { edits << number + (EditMode ? " edit" : " add"); };
    ListView &list = *m.lvwAuctions;
    addRow(list, "7003", "Ended clock", "buyer1", "Ended");
    addRow(list, "7001", "Brass lamp", "Buyer1"); // the user's own ID, typed in another letter case
    addRow(list, "7002", "Someone's vase", "someone");
    CurrentUser = "buyer1";
    if (m.mnuFilterMyItems->isChecked())
        m.mnuFilterMyItems_Click(); // other users' rows are shown too
    m.mnuFilterActive_Click(); // the ended row is not on the page
    WebBrowser &page = *m.HTMLList;
    auto shown = [&] { return page.ElementTexts("itemnumber"); };
    ASSERT_TRUE(shown().contains("7001") && shown().contains("7002") && !shown().contains("7003"));
    MsgBoxScript &boxes = MsgBoxScript::instance();
    boxes.clear();
    auto click = [&](const QString &href) {
        page.ExecScript(QString("document.querySelector('a[href=\"%1\"]').click()").arg(href));
    };
    auto boxShown = [&](const QString &prompt) {
        return waitFor([&] { return boxes.lastPrompt() == prompt; }, 10000);
    };

    // Notifications of the user's own row: the real window, captioned with
    // the row's title, writes what is checked.
    QString caption;
    EXPECT_TRUE(whenShown<frmRemind>([&] { click("tmr:///remind=2"); }, [&](frmRemind &w) {
        caption = w.windowTitle();
        w.chkBids->setChecked(true);
        w.cmdOK_Click();
    }));
    EXPECT_EQ(caption, "Notifications - Brass lamp");
    EXPECT_EQ(list.Field(list.FindItem("7001"), "reminders"), "b");

    // Another user's row: remove, notifications and edit are refused.
    click("tmr:///remove=3");
    EXPECT_TRUE(boxShown("You must be signed in as the user who listed this item to remove it"));
    boxes.clear();
    click("tmr:///remind=3");
    EXPECT_TRUE(boxShown("You must be signed in as the user who listed this item to view or edit notifications"));
    boxes.clear();
    click("tmr:///edit=3");
    EXPECT_TRUE(boxShown("You must be signed in as the user who listed this item to edit it"));
    EXPECT_EQ(boxes.calls().size(), 1);
    EXPECT_FALSE(frmRemove::isLoaded() || frmRemind::isLoaded());

    // ...but its note opens, over its title cell: the row is the second the
    // page shows, though the third of the list.
    list.setField(list.FindItem("7002"), "note", "line one<br>&quot;two&quot;");
    click("tmr:///notes=3");
    ASSERT_TRUE(waitFor([] { return frmNotes::isLoaded() && frmNotes::instance().isVisible(); }, 10000));
    frmNotes &note = frmNotes::instance();
    EXPECT_EQ(note.lblTitle->text(), "Someone's vase");
    EXPECT_EQ(note.txtNote->toPlainText(), "line one\n\"two\"");
    const HtmlElement cell = page.Element("titlecell", 1);
    EXPECT_EQ(note.pos(), page.mapToGlobal(QPoint(cell.pageLeft(), cell.pageTop() - page.BodyScrollTop())));
    note.txtNote->appendPlainText("three");
    note.picClose_Click();
    EXPECT_EQ(list.Field(list.FindItem("7002"), "note"), "line one<br>&quot;two&quot;<br>three");

    // Edit opens the wizard in edit mode on the row; not on an ended row.
    boxes.clear();
    click("tmr:///edit=2");
    ASSERT_TRUE(waitFor([&] { return !edits.isEmpty(); }, 10000));
    EXPECT_EQ(edits, QStringList({"7001 edit"}));
    EXPECT_FALSE(EditMode);
    m.mnuFilterAll_Click();
    click("tmr:///edit=1");
    bool cancel = false;
    m.HTMLList_BeforeNavigate2("tmr:///edit=1", cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(edits.size(), 1);
    EXPECT_TRUE(boxes.calls().isEmpty());

    // Remove on the ended row of the user still opens its window.
    EXPECT_TRUE(whenShown<frmRemove>([&] { click("tmr:///remove=1"); }, [](frmRemove &w) {
        EXPECT_EQ(w.lblItemNum->text(), "Item #7003");
        EXPECT_FALSE(w.chkCancelBid->isEnabled());
        w.cmdRem->click();
    }));
    EXPECT_EQ(list.FindItem("7003"), nullptr);
    EXPECT_TRUE(waitFor([&] { return !shown().contains("7003"); }, 10000));

    // Commands that cannot be carried out say so with their address.
    for (const QString &bad : {"tmr:///remove=9", "tmr:///notes=x", "tmr:///edit=70000", "tmr:///remind=0"}) {
        cancel = false;
        m.HTMLList_BeforeNavigate2(bad, cancel);
        EXPECT_TRUE(cancel);
        EXPECT_EQ(boxes.lastPrompt(), "Failed to execute list command:\r\n\r\n" + bad);
    }
    boxes.clear();
    m.HTMLList_BeforeNavigate2("tmr:///other=1", cancel);
    EXPECT_TRUE(boxes.calls().isEmpty());

    // A web link of the list opens in the browser, which is shown first; a
    // secure one is only turned down.
    QStringList opened;
    QObject::connect(m.WebBrowser, &WebBrowser::BeforeNavigate2, [&](const QString &url, bool &stop) {
        opened << url;
        stop = true; // no network in tests
    });
    m.mnuViewList_Click();
    ASSERT_EQ(m.ViewMode, 1);
    ASSERT_TRUE(page.Element("itemlink", 0).click());
    ASSERT_TRUE(waitFor([&] { return !opened.isEmpty(); }, 10000));
    EXPECT_TRUE(opened.first().startsWith("http://")) << opened.first().toStdString();
    EXPECT_TRUE(opened.first().endsWith("7001"));
    EXPECT_EQ(m.ViewMode, 2);
    cancel = false;
    m.HTMLList_BeforeNavigate2("https://signin.ebay.com/", cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(opened.size(), 1);

    ItemWindows::EditAuction = nullptr;
    frmMainShell::destroyInstance();
}
