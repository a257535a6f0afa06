// frmMain.Remind and the list of fired reminders.
#include "tests/engine/enginetestutil.h"

#include "engine/frmreminder.h"
#include "platform/listview.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>

TEST(Reminders, EachMessageIsListedOnceAndPreviousAndNextFollowTheSelection)
{
    if (frmReminder::isLoaded())
        frmReminder::unloadInstance();
    frmMainEngine &f = EngineTest::FreshForm();
    auto rows = [] {
        QStringList seen;
        ListView &list = *frmReminder::instance().lvwReminders;
        for (int i = 1; i <= list.Count(); ++i)
            seen << list.Item(i)->Text() + QLatin1Char('|') + list.Item(i)->SubItem(1) + QLatin1Char('|') + list.Item(i)->Tag();
        return seen;
    };
    const QString quantity = QStringLiteral("Quantity has changed from 2 to 1 at 10:00:00.");
    const QString timeLeft = QStringLiteral("Time left is less than 5 m at 10:01:00.");
    f.Remind(QStringLiteral("100"), QStringLiteral("Lamp"), quantity);
    frmReminder &w = frmReminder::instance();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.cmdBack->isEnabled());
    EXPECT_FALSE(w.cmdNext->isEnabled());
    f.Remind(QStringLiteral("100"), QStringLiteral("Lamp"), quantity);
    EXPECT_EQ(rows(), QStringList({"100|Lamp|" + quantity}));

    // A new message for the item, and one for another item, are added; only
    // the item's first row is compared, so its second message comes again.
    f.Remind(QStringLiteral("100"), QStringLiteral("Lamp"), timeLeft);
    f.Remind(QStringLiteral("200"), QStringLiteral("Vase"), QStringLiteral("third"));
    f.Remind(QStringLiteral("100"), QStringLiteral("Lamp"), timeLeft);
    EXPECT_EQ(rows().size(), 4);

    // The first row stays selected and shown; the buttons walk the list.
    EXPECT_EQ(w.lvwReminders->SelectedItem()->Index(), 1);
    EXPECT_EQ(w.txtDesc->toPlainText(), quantity);
    EXPECT_FALSE(w.cmdBack->isEnabled());
    EXPECT_TRUE(w.cmdNext->isEnabled());
    w.cmdNext_Click();
    w.cmdNext_Click();
    EXPECT_EQ(w.txtDesc->toPlainText(), "third");
    EXPECT_TRUE(w.cmdBack->isEnabled());
    w.cmdNext_Click();
    w.cmdNext_Click(); // nothing after the last row
    EXPECT_EQ(w.txtDesc->toPlainText(), timeLeft);
    EXPECT_FALSE(w.cmdNext->isEnabled());
    w.cmdBack_Click();
    EXPECT_EQ(w.txtDesc->toPlainText(), "third");

    // A click on a row shows it.
    w.lvwReminders->setSelectedItem(w.lvwReminders->Item(1));
    emit w.lvwReminders->ItemClick(w.lvwReminders->Item(1));
    EXPECT_EQ(w.txtDesc->toPlainText(), quantity);

    // Close discards the list; the next reminder starts a new one.
    w.cmdOK_Click();
    EXPECT_FALSE(frmReminder::isLoaded());
    f.Remind(QStringLiteral("4"), QStringLiteral("D"), QStringLiteral("fourth"));
    EXPECT_EQ(rows(), QStringList({"4|D|fourth"}));
}
