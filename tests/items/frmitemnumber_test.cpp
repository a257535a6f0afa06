// The item-number box: what the field lets through, Enter, Esc, the hint,
// and whose rows it opens.
#include "engine/itemwindows.h"
#include "engine/mainformengine.h"
#include "foundation/globals.h"
#include "items/frmaddauction.h"
#include "items/frmcopyask.h"
#include "items/frmitemnumber.h"
#include "items/itemimports.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

frmItemNumber &freshBox()
{
    if (frmItemNumber::isLoaded())
        frmItemNumber::unloadInstance();
    frmItemNumber::ShowAt(QPoint(10, 10));
    return frmItemNumber::instance();
}

} // namespace

TEST(ItemNumberBox, TakesDigitsBackspaceAndPasteOnlyAndEnterNeedsANumber)
{
    frmItemNumber &box = freshBox();
    EXPECT_EQ(box.txtItemNum->text(), "<enter item number>");
    EXPECT_EQ(box.txtItemNum->selectedText(), "<enter item number>") << "typing replaces the first text";

    QTest::keyClicks(box.txtItemNum, "12ab,3");
    EXPECT_EQ(box.txtItemNum->text(), "123");
    QTest::keyClick(box.txtItemNum, Qt::Key_Backspace);
    EXPECT_EQ(box.txtItemNum->text(), "12");
    box.txtItemNum->selectAll();
    QTest::keyClick(box.txtItemNum, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(box.txtItemNum, Qt::Key_End);
    QTest::keyClick(box.txtItemNum, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(box.txtItemNum->text(), "1212");

    // Enter on a text that is no number changes nothing.
    box.txtItemNum->setText("12 x");
    QTest::keyClick(box.txtItemNum, Qt::Key_Return);
    EXPECT_TRUE(frmItemNumber::isLoaded());
    EXPECT_FALSE(frmAddAuction::isLoaded());

    QTest::keyClick(box.txtItemNum, Qt::Key_Escape);
    EXPECT_FALSE(frmItemNumber::isLoaded());
}

TEST(ItemNumberBox, EnterOpensTheWizardInEditModeForATrackedItemAndAddModeOtherwise)
{
    ListView &list = *EngineForm().lvwAuctions;
    list.Clear();
    if (list.ColumnCount() == 0)
        list.AddColumn("itemnum", "Item Number");
    list.Add("111");
    ListItem *tracked = list.Add("222");
    for (const char *number : {"222", "333"}) {
        frmItemNumber &box = freshBox();
        box.txtItemNum->setText(number);
        QString caption;
        bool edit = false;
        // The wizard is modal for the user, not for its caller: read it and
        // close it before it reads the page.
        QTimer::singleShot(0, [&] {
            caption = frmAddAuction::instance().windowTitle();
            edit = EditMode;
            frmAddAuction::instance().cmdCancel_Click();
        });
        QTest::keyClick(box.txtItemNum, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([] { return !frmAddAuction::isLoaded(); }, 10000));
        EXPECT_EQ(caption, QString(number) == "222" ? "Edit Bid" : "Add Item");
        EXPECT_EQ(edit, QString(number) == "222");
        EXPECT_FALSE(frmItemNumber::isLoaded()) << "the box gives way to the wizard";
        if (QString(number) == "222")
            EXPECT_EQ(list.SelectedItem(), tracked);
    }
}

TEST(ItemNumberBox, TheHintScrollsInAfterTwoSecondsUnlessTheUserTyped)
{
    frmItemNumber &box = freshBox();
    const int height = box.height();
    box.Timer1_Timer(); // the 2-second tick
    EXPECT_TRUE(box.Label1->isVisible());
    EXPECT_GT(box.height(), height);
    EXPECT_EQ(box.Timer1->Interval(), 50);
    const int x = box.Label1->x();
    box.Timer1_Timer();
    EXPECT_LT(box.Label1->x(), x);
    box.Label1->move(-box.Label1->width(), box.Label1->y());
    box.Timer1_Timer();
    EXPECT_EQ(box.Label1->x(), box.width()) << "starts again from the right edge";
    QTest::keyClicks(box.txtItemNum, "5");
    EXPECT_TRUE(box.Timer1->Enabled()) << "typing while it scrolls does not stop it";

    frmItemNumber &quiet = freshBox();
    QTest::keyClicks(quiet.txtItemNum, "5");
    EXPECT_FALSE(quiet.Timer1->Enabled());
    frmItemNumber::unloadInstance();
}

TEST(ItemNumberBox, AnotherAccountsRowIsRefusedByTheBoxAndTheCopiedItemWaysAlike)
{
    ListView &list = *EngineForm().lvwAuctions;
    list.Clear();
    if (list.ColumnCount() == 0)
        list.AddColumn("itemnum", "Item Number");
    if (list.SubItemIndex("user") < 0)
        list.AddColumn("user", "User");
    ListItem *theirs = list.Add("444");
    list.setField(theirs, "user", "demo");
    CurrentUser = "bobsmith";
    RegisterItemImportWindows();

    const std::pair<const char *, std::function<void()>> ways[] = {
        {"item-number box", [] {
             frmItemNumber &box = freshBox();
             box.txtItemNum->setText("444");
             QTest::keyClick(box.txtItemNum, Qt::Key_Return);
         }},
        {"item-number box, pasted with blanks around", [] {
             frmItemNumber &box = freshBox();
             QGuiApplication::clipboard()->setText(" 444 ");
             QTest::keyClick(box.txtItemNum, Qt::Key_V, Qt::ControlModifier);
             QTest::keyClick(box.txtItemNum, Qt::Key_Return);
         }},
        {"copied-item prompt", [] {
             frmCopyAsk &prompt = frmCopyAsk::instance();
             prompt.lblNumber_Tag = "444";
             prompt.cmdBid_Click();
         }},
        {"copied item, straight to the wizard", [] { ItemWindows::BidOnCopiedItem("444"); }},
    };
    for (const auto &[name, open] : ways) {
        SCOPED_TRACE(name);
        MsgBoxScript::instance().clear();
        bool wizardOpened = false;
        QTimer::singleShot(0, [&] {
            wizardOpened = frmAddAuction::isLoaded() && frmAddAuction::instance().isVisible();
            if (wizardOpened)
                frmAddAuction::instance().cmdCancel_Click();
        });
        open();
        QCoreApplication::processEvents(); // the look above runs in every case
        EXPECT_FALSE(wizardOpened);
        EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "You must be signed in as the user who listed this item to edit it");
        EXPECT_EQ(list.Field(theirs, "user"), "demo");
    }
    CurrentUser.clear();
}
