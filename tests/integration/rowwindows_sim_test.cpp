// The windows that work on one row of the list: removing it (also on the
// simulated online service), its notification settings and its note, each
// with the list file checked at once and again after a restart.
#include "engine/frmreminder.h"
#include "engine/onlineservice.h"
#include "foundation/settingsstore.h"
#include "items/frmnotes.h"
#include "items/frmremind.h"
#include "items/frmremove.h"
#include "foundation/basgeneral.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace RefreshSim;

namespace {

const QString kLoginHint = QStringLiteral("You will need to login to your TMR Online account to remove the item");

// alice with an online account that holds a snipe on each item number.
Sim::OnlineDesk &onlineHolding(const QStringList &items)
{
    Sim::OnlineDesk &desk = Server().online();
    Sim::OnlineAccount account{"alice", "pw", "Alice", "a@x.org", {}};
    desk.addAccount(account);
    Inet inet;
    for (const QString &item : items)
        EXPECT_EQ(OnlineService::SendSnipe(inet, item, "5.00", "").outcome, OnlineService::Outcome::Accepted);
    return desk;
}

QString heldOnline(const QString &item)
{
    Sim::OnlineItem *i = Server().online().account("alice")->find(item);
    return i ? QStringLiteral("bid ") + i->bid : QStringLiteral("(none)");
}

// A fresh remove window on the row of `number`.
frmRemove &removeWindowOn(const QString &number)
{
    ListView &list = *EngineForm().lvwAuctions;
    list.setSelectedItem(list.FindItem(number));
    if (frmRemove::isLoaded())
        frmRemove::unloadInstance();
    return frmRemove::instance();
}

QString listFile()
{
    return DataFileText(QStringLiteral("data6.dat"));
}

// The rows the list file gives a restarted program.
Form &restarted()
{
    Form &f = RestartedForm();
    EXPECT_TRUE(f.ReadListFile(QStringLiteral("data6.dat")));
    return f;
}

} // namespace

TEST(RemoveWindowWithSimulator, RemovesOrKeepsWatchingHereAndOnTheServiceAndSavesAtOnce)
{
    Form &f = FreshForm();
    MsgBoxScript::instance().clear();
    onlineHolding({"1001", "1002"});
    AddRow("1001", {{"itemtitle", QString(51, QLatin1Char('x'))}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, "Both");
    AddRow("1002", {{"itemtitle", QString(50, QLatin1Char('y'))}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, "Both");
    AddRow("1003", {{"itemtitle", "Ended lamp"}, {"timeleft", "Ended"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, "Local");
    SaveSetting("Online Default", "1");
    const qint64 from = Mark();

    // Cancel the bid, keep watching: here and there.
    frmRemove &w = removeWindowOn("1001");
    EXPECT_EQ(w.lblItemNum->text(), "Item #1001");
    EXPECT_EQ(w.lblItemTitle->text(), QString(47, QLatin1Char('x')) + "...");
    EXPECT_TRUE(w.chkCancelBid->isEnabled());
    EXPECT_TRUE(w.chkApplyOnline->isChecked()) << "from \"Online Default\"";
    w.chkCancelBid->click();
    EXPECT_EQ(w.cmdRem->text(), "Cancel &Bid");
    EXPECT_EQ(w.chkApplyOnline->text(), "&Also cancel my bid on this item in my TMR Online account");
    const int syncsBefore = f.syncs;
    w.cmdRem_Click();
    ListItem *kept = f.lvwAuctions->FindItem("1001");
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(Field(kept, "maxbid"), "(watching)");
    EXPECT_EQ(kept->Tag(), "");
    EXPECT_EQ(f.syncs, syncsBefore + 1);
    EXPECT_EQ(heldOnline("1001"), "bid ") << "kept there as a watched item";
    EXPECT_TRUE(listFile().contains("\"1001\"") && listFile().contains("\"(watching)\""));

    // Remove, here and there; a title of exactly 50 characters shows whole.
    frmRemove &w2 = removeWindowOn("1002");
    EXPECT_EQ(w2.lblItemTitle->text(), QString(50, QLatin1Char('y')));
    w2.cmdRem_Click();
    EXPECT_EQ(f.lvwAuctions->FindItem("1002"), nullptr);
    EXPECT_EQ(heldOnline("1002"), "(none)");
    EXPECT_FALSE(listFile().contains("\"1002\""));
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty()) << MsgBoxScript::instance().lastPrompt().toStdString();

    const QString online = QStringLiteral("https /online/remitem.asp?username=alice&pswd=pw&item=");
    EXPECT_EQ(TargetsSince(from), QStringList({online + "1001&keepwatch=yes", online + "1002"}));

    // An ended item has no bid to cancel; the service does not know it: its
    // refusal is shown, and the row goes all the same.
    frmRemove &w3 = removeWindowOn("1003");
    EXPECT_FALSE(w3.chkCancelBid->isEnabled());
    w3.cmdRem_Click();
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(),
              "This item is not in your Tallowmere Online account.\r\n\r\n" + kLoginHint);
    EXPECT_EQ(f.lvwAuctions->FindItem("1003"), nullptr);

    Form &again = restarted();
    ASSERT_EQ(again.lvwAuctions->Count(), 1);
    EXPECT_EQ(Field(again.lvwAuctions->Item(1), "maxbid"), "(watching)");
}

TEST(RemoveWindowWithSimulator, LocalOnlyAndUnexpectedRepliesStillChangeTheListAndTheLastRowLeavesAnEmptyFile)
{
    Form &f = FreshForm();
    MsgBoxScript::instance().clear();
    AddRow("2001", {{"itemtitle", "Radio"}, {"maxbid", "1 @ 5.00"}, {"user", "alice"}}, "Local");
    AddRow("2002", {{"itemtitle", "Clock"}, {"maxbid", "(watching)"}, {"user", "alice"}});
    SaveSetting("Online Default", "0");
    f.SaveList(false);
    const qint64 from = Mark();

    frmRemove &w = removeWindowOn("2002");
    EXPECT_FALSE(w.chkCancelBid->isEnabled()) << "a watched item has no bid";
    EXPECT_FALSE(w.chkApplyOnline->isChecked());
    w.cmdRem_Click();
    EXPECT_TRUE(TargetsSince(from).isEmpty()) << "nothing goes to the service";
    EXPECT_FALSE(listFile().contains("\"2002\""));

    // No reply at all (the service's host refuses), then the last row goes:
    // the file is written empty.
    AddFault("remitem.asp", Sim::FaultMode::Empty, -1);
    frmRemove &w2 = removeWindowOn("2001");
    w2.chkApplyOnline->setChecked(true);
    w2.cmdRem_Click();
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(),
              "An unknown error occured while attempting to apply the action to your TMR Online account\r\n\r\n"
                  + kLoginHint);
    EXPECT_EQ(f.lvwAuctions->Count(), 0);
    EXPECT_EQ(listFile(), "");
    EXPECT_TRUE(QFile::exists(basGeneral::DataFolder() + "data6.dat"));
}

TEST(NotificationSettings, TokensAreReadBackAsWrittenAndUnreadableOnesLeaveTheirBoxOff)
{
    FreshForm();
    ListItem *row = AddRow("3001", {{"itemtitle", "Lamp"}, {"user", "alice"}});
    auto open = [&](const QString &codes) -> frmRemind & {
        SetField(row, "reminders", codes);
        EngineForm().lvwAuctions->setSelectedItem(row);
        if (frmRemind::isLoaded())
            frmRemind::unloadInstance();
        return frmRemind::instance();
    };
    // Opened and confirmed unchanged, every well-formed field comes back as it was.
    for (const QString &codes : {"", "b", "q", "t30[0]", "t5[2]", "p12.50;", "bqt30[0]p12.50;", "bt5[1]"}) {
        frmRemind &w = open(codes);
        w.cmdOK_Click();
        EXPECT_EQ(Field(row, "reminders"), codes);
    }
    frmRemind &w = open("bt5[1]");
    EXPECT_TRUE(w.chkBids->isChecked());
    EXPECT_FALSE(w.chkQty->isChecked());
    EXPECT_TRUE(w.chkTime->isChecked());
    EXPECT_EQ(w.txtTime->text(), "5");
    EXPECT_EQ(w.ddnTime->currentText(), "Hours");
    EXPECT_FALSE(w.chkPrice->isChecked());

    // Unreadable time and price tokens: their boxes stay off, minutes shown.
    for (const QString &codes : {"t5[9]", "t5[x]", "t5", "tx[1]", "t5]1[", "p12.50", "pabc;"}) {
        frmRemind &bad = open(codes);
        EXPECT_FALSE(bad.chkTime->isChecked()) << codes.toStdString();
        EXPECT_FALSE(bad.chkPrice->isChecked()) << codes.toStdString();
        EXPECT_EQ(bad.ddnTime->currentIndex(), 0) << codes.toStdString();
    }

    // A time or price box without a usable amount is dropped on OK.
    frmRemind &empty = open("");
    empty.chkTime->setChecked(true);
    empty.chkPrice->setChecked(true);
    empty.chkQty->setChecked(true);
    empty.cmdOK_Click();
    EXPECT_EQ(Field(row, "reminders"), "q");
    EXPECT_TRUE(listFile().contains("\"q\""));

    // The keys the amounts take; a comma is a point.
    frmRemind &keys = open("q");
    QTest::keyClicks(keys.txtTime, "1a2.,");
    EXPECT_EQ(keys.txtTime->text(), "12");
    QTest::keyClicks(keys.txtPrice, "3,5x0");
    EXPECT_EQ(keys.txtPrice->text(), "3.50");
    keys.chkTime->setChecked(true);
    keys.ddnTime->setCurrentIndex(2);
    keys.chkPrice->setChecked(true);
    keys.cmdCancel_Click();
    EXPECT_EQ(Field(row, "reminders"), "q") << "Cancel changes nothing";
}

TEST(NotificationSettings, TimeAndPriceFireOnceAndGoWhileBidsStayAcrossARestart)
{
    FreshForm();
    const QString number = AddItem(200, 12.0);
    ListItem *row = AddRow(number, {{"maxbid", "(watching)"}, {"user", "alice"}});
    EngineForm().lvwAuctions->setSelectedItem(row);
    if (frmRemind::isLoaded())
        frmRemind::unloadInstance();
    frmRemind &w = frmRemind::instance();
    w.chkBids->setChecked(true);
    w.chkTime->setChecked(true);
    w.txtTime->setText("5");
    w.chkPrice->setChecked(true);
    w.txtPrice->setText("10");
    w.cmdOK_Click();
    EXPECT_TRUE(listFile().contains("\"bt5[0]p10;\""));

    if (frmReminder::isLoaded())
        frmReminder::unloadInstance();
    Form &f = restarted();
    ListItem *loaded = f.lvwAuctions->FindItem(number);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(Field(loaded, "reminders"), "bt5[0]p10;");
    f.RefreshAuctions(QString(), false, false);
    // Time and price fire, and so do the bids: the row still showed
    // "Retrieving..." and now has a count.
    ASSERT_TRUE(frmReminder::isLoaded());
    EXPECT_EQ(frmReminder::instance().lvwReminders->Count(), 3);
    EXPECT_EQ(Field(loaded, "reminders"), "b");
    f.RefreshAuctions(QString(), false, false);
    EXPECT_EQ(frmReminder::instance().lvwReminders->Count(), 3) << "each fired once";
    f.SaveList(false);
    EXPECT_EQ(Field(restarted().lvwAuctions->FindItem(number), "reminders"), "b");
}

TEST(NoteWindow, ANoteIsStoredWithBreaksAndQuotesSavedAtOnceAndShownAgainAfterARestart)
{
    FreshForm();
    ListItem *row = AddRow("4001", {{"itemtitle", "Lamp"}, {"user", "alice"}, {"note", "old"}});
    AddRow("4002", {{"itemtitle", "Vase"}, {"user", "bob"}, {"note", "first<br>&quot;second&quot;"}});
    ListView &list = *EngineForm().lvwAuctions;

    // The stored form is shown as lines and quotes.
    list.setSelectedItem(list.FindItem("4002"));
    frmNotes::ShowAt("Vase", QPoint(40, 50));
    ASSERT_TRUE(frmNotes::isLoaded());
    frmNotes &seen = frmNotes::instance();
    EXPECT_EQ(seen.txtNote->toPlainText(), "first\n\"second\"");
    EXPECT_EQ(seen.lblTitle->text(), "Vase");
    EXPECT_EQ(seen.pos(), QPoint(40, 50));
    EXPECT_EQ(seen.txtNote->textCursor().position(), seen.txtNote->toPlainText().size()) << "caret at the end";
    const QString fileBefore = listFile();
    seen.picClose_Click();
    EXPECT_FALSE(frmNotes::isLoaded());
    EXPECT_EQ(Field(list.FindItem("4002"), "note"), "first<br>&quot;second&quot;");
    EXPECT_EQ(listFile(), fileBefore) << "an unchanged note writes nothing";

    // A typed note of two lines with a quoted word; closing by a click
    // elsewhere writes it back and saves the list at once.
    list.setSelectedItem(row);
    frmNotes::ShowAt("Lamp", QPoint(10, 10));
    frmNotes &w = frmNotes::instance();
    w.txtNote->setPlainText("Ask the \"seller\"\nabout postage");
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(&w, &deactivate);
    EXPECT_FALSE(frmNotes::isLoaded());
    const QString stored = "Ask the &quot;seller&quot;<br>about postage";
    EXPECT_EQ(Field(row, "note"), stored);
    EXPECT_TRUE(listFile().contains('"' + stored + '"'));

    // After a restart the note shows the same; emptied, it stays empty.
    Form &f = restarted();
    f.lvwAuctions->setSelectedItem(f.lvwAuctions->FindItem("4001"));
    frmNotes::ShowAt("Lamp", QPoint(10, 10));
    EXPECT_EQ(frmNotes::instance().txtNote->toPlainText(), "Ask the \"seller\"\nabout postage");
    frmNotes::instance().txtNote->clear();
    frmNotes::unloadInstance();
    EXPECT_EQ(Field(f.lvwAuctions->FindItem("4001"), "note"), "");
    EXPECT_FALSE(listFile().contains(stored));
}

TEST(NoteWindow, DraggedByItsTitleStripTheGrabbedPointStaysUnderTheMouse)
{
    FreshForm();
    ListItem *row = AddRow("5001", {{"itemtitle", "Lamp"}, {"user", "alice"}});
    EngineForm().lvwAuctions->setSelectedItem(row);
    frmNotes::ShowAt("Lamp", QPoint(100, 100));
    frmNotes &w = frmNotes::instance();
    w.lblTitle_MouseDown(QPoint(20, 5));
    w.lblTitle_MouseMove(QPoint(50, 25)); // the mouse moved 30 right, 20 down
    EXPECT_EQ(w.pos(), QPoint(130, 120));
    w.lblTitle_MouseUp();
    w.lblTitle_MouseMove(QPoint(80, 80));
    EXPECT_EQ(w.pos(), QPoint(130, 120)) << "no drag after the release";
    frmNotes::unloadInstance();
}
