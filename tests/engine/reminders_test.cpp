// frmMain.Remind and the list of fired reminders.
#include "tests/engine/enginetestutil.h"

#include "engine/frmreminder.h"
#include "platform/listview.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// A new engine window and no reminder list yet.
frmMainEngine &fresh()
{
    if (frmReminder::isLoaded())
        frmReminder::unloadInstance();
    return EngineTest::FreshForm();
}

frmReminder &window()
{
    return frmReminder::instance();
}

QStringList rows()
{
    QStringList seen;
    ListView &list = *window().lvwReminders;
    for (int i = 1; i <= list.Count(); ++i)
        seen << list.Item(i)->Text() + QLatin1Char('|') + list.Item(i)->SubItem(1) + QLatin1Char('|') + list.Item(i)->Tag();
    return seen;
}

} // namespace

TEST(Reminders, EachMessageOfAnItemIsListedOnceAndTheWindowComesUp)
{
    frmMainEngine &f = fresh();
    f.Remind(QStringLiteral("100"), QStringLiteral("Lamp"), QStringLiteral("Quantity has changed from 2 to 1 at 10:00:00."));
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(window().windowTitle(), "Notifications - " + Vb::AppTitle());
    f.Remind(QStringLiteral("100"), QStringLiteral("Lamp"), QStringLiteral("Quantity has changed from 2 to 1 at 10:00:00."));
    EXPECT_EQ(rows(), QStringList({"100|Lamp|Quantity has changed from 2 to 1 at 10:00:00."}));

    // A new message for the item, and one for another item, are added.
    f.Remind(QStringLiteral("100"), QStringLiteral("Lamp"), QStringLiteral("Time left is less than 5 m at 10:01:00."));
    f.Remind(QStringLiteral("200"), QStringLiteral("Vase"), QStringLiteral("Time left is less than 1 h at 10:02:00."));
    EXPECT_EQ(rows().size(), 3);
    // Only the item's first row is compared: its second message comes again.
    f.Remind(QStringLiteral("100"), QStringLiteral("Lamp"), QStringLiteral("Time left is less than 5 m at 10:01:00."));
    EXPECT_EQ(rows().size(), 4);

    // The first row stays selected and shown.
    ASSERT_NE(window().lvwReminders->SelectedItem(), nullptr);
    EXPECT_EQ(window().lvwReminders->SelectedItem()->Index(), 1);
    EXPECT_EQ(window().txtDesc->toPlainText(), "Quantity has changed from 2 to 1 at 10:00:00.");
}

TEST(Reminders, PreviousAndNextFollowTheSelectedRow)
{
    frmMainEngine &f = fresh();
    f.Remind(QStringLiteral("1"), QStringLiteral("A"), QStringLiteral("first"));
    frmReminder &w = window();
    EXPECT_FALSE(w.cmdBack->isEnabled());
    EXPECT_FALSE(w.cmdNext->isEnabled());

    f.Remind(QStringLiteral("2"), QStringLiteral("B"), QStringLiteral("second"));
    f.Remind(QStringLiteral("3"), QStringLiteral("C"), QStringLiteral("third"));
    EXPECT_FALSE(w.cmdBack->isEnabled());
    EXPECT_TRUE(w.cmdNext->isEnabled());

    w.cmdNext_Click();
    EXPECT_EQ(w.txtDesc->toPlainText(), "second");
    EXPECT_TRUE(w.cmdBack->isEnabled());
    EXPECT_TRUE(w.cmdNext->isEnabled());
    w.cmdNext_Click();
    EXPECT_EQ(w.txtDesc->toPlainText(), "third");
    EXPECT_TRUE(w.cmdBack->isEnabled());
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.cmdNext_Click(); // nothing after the last row
    EXPECT_EQ(w.txtDesc->toPlainText(), "third");
    w.cmdBack_Click();
    w.cmdBack_Click();
    EXPECT_EQ(w.txtDesc->toPlainText(), "first");
    EXPECT_FALSE(w.cmdBack->isEnabled());

    // A click on a row shows it.
    w.lvwReminders->setSelectedItem(w.lvwReminders->Item(3));
    emit w.lvwReminders->ItemClick(w.lvwReminders->Item(3));
    EXPECT_EQ(w.txtDesc->toPlainText(), "third");

    // Close discards the list; the next reminder starts a new one.
    w.cmdOK_Click();
    EXPECT_FALSE(frmReminder::isLoaded());
    f.Remind(QStringLiteral("4"), QStringLiteral("D"), QStringLiteral("fourth"));
    EXPECT_EQ(rows(), QStringList({"4|D|fourth"}));
}
