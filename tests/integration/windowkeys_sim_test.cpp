// Enter, Tab and Escape in the amount boxes that take digits only: the keys
// reach the window (default button, next field, Cancel) instead of being
// dropped as characters the box does not take; Ctrl+A selects the box's
// text; an amount typed after a leading 0 is kept as the price it is.
#include "items/frmaddauction.h"
#include "items/frmremind.h"
#include "platform/listview.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/wizardsim.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace RefreshSim;

TEST(AmountBoxKeys, TheBidWizardGoesOnWithEnterMovesOnWithTabAndCancelsWithEscape)
{
    WizardSim::Fresh();
    const QString number = RefreshSim::AddItem(3600, 10.0, [](Sim::SimItem &i) { i.quantity = 3; });
    frmAddAuction *w = WizardSim::Open(number);
    ASSERT_NE(w, nullptr);

    // Still only an amount is typed.
    w->txtMaxBid->setFocus();
    QTest::keyClicks(w->txtMaxBid, "12x,5");
    EXPECT_EQ(w->txtMaxBid->text(), "12.5");

    QTest::keyClick(w->txtMaxBid, Qt::Key_Tab);
    EXPECT_NE(w->focusWidget(), w->txtMaxBid) << "Tab leaves the amount";

    QTest::keyClick(w->txtMaxBid, Qt::Key_Return);
    ASSERT_TRUE(w->fraConfirm->isVisibleTo(w)) << "Enter presses Next";
    w->cmdBack_Click();

    ASSERT_TRUE(w->txtQty->isEnabled());
    QTest::keyClick(w->txtQty, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(w->fraConfirm->isVisibleTo(w)) << "Enter in the quantity presses Next too";
    w->cmdBack_Click();

    QTest::keyClick(w->txtMaxBid, Qt::Key_Escape);
    RunUntil([] { return !frmAddAuction::isLoaded(); }, 30);
    EXPECT_FALSE(frmAddAuction::isLoaded()) << "Escape cancels";
    EXPECT_EQ(EngineForm().lvwAuctions->Count(), 0);
}

TEST(AmountBoxKeys, TheNotificationSettingsTakeEnterAsOkAndEscapeAsCancel)
{
    FreshForm();
    ListItem *row = AddRow("3001", {{"itemtitle", "Lamp"}, {"user", "alice"}});
    auto open = [&] () -> frmRemind & {
        SetField(row, "reminders", "q");
        EngineForm().lvwAuctions->setSelectedItem(row);
        if (frmRemind::isLoaded())
            frmRemind::unloadInstance();
        frmRemind &w = frmRemind::instance();
        w.show();
        return w;
    };

    frmRemind &w = open();
    w.chkTime->setChecked(true);
    QTest::keyClicks(w.txtTime, "4x5");
    QTest::keyClick(w.txtTime, Qt::Key_Tab);
    EXPECT_NE(w.focusWidget(), w.txtTime) << "Tab leaves the time";
    QTest::keyClick(w.txtTime, Qt::Key_Return);
    EXPECT_EQ(w.result(), QDialog::Accepted) << "Enter presses OK";
    EXPECT_EQ(Field(row, "reminders"), "qt45[0]");

    frmRemind &cancelled = open();
    cancelled.chkPrice->setChecked(true);
    QTest::keyClicks(cancelled.txtPrice, "7");
    QTest::keyClick(cancelled.txtPrice, Qt::Key_Escape);
    EXPECT_FALSE(cancelled.isVisible()) << "Escape cancels";
    EXPECT_EQ(Field(row, "reminders"), "q");
    frmRemind::unloadInstance();
}

TEST(AmountBoxKeys, CtrlASelectsAllAndAWatchedItemsBidIsKeptAsThePriceTyped)
{
    WizardSim::Fresh();
    const QString number = RefreshSim::AddItem(3600, 10.0);
    AddRow(number, {{"maxbid", "(watching)"}, {"user", "alice"}});
    frmAddAuction *w = WizardSim::Open(number);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->txtMaxBid->text(), "0") << "a watched item has no bid yet";

    w->txtMaxBid->setFocus();
    QTest::keyClick(w->txtMaxBid, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w->txtMaxBid->selectedText(), "0");
    QTest::keyClicks(w->txtMaxBid, "25");
    EXPECT_EQ(w->txtMaxBid->text(), "25");

    // A click behind the 0 and "20": the box holds "020", the price 20.
    w->txtMaxBid->setText("0");
    QTest::keyClick(w->txtMaxBid, Qt::Key_End);
    QTest::keyClicks(w->txtMaxBid, "20");
    ASSERT_EQ(w->txtMaxBid->text(), "020");
    WizardSim::Finish(*w);
    ASSERT_FALSE(frmAddAuction::isLoaded());
    EXPECT_EQ(Field(EngineForm().lvwAuctions->FindItem(number), "maxbid"), "1 @ 20.00");

    // The notification price takes Ctrl+A as well.
    ListItem *row = EngineForm().lvwAuctions->FindItem(number);
    EngineForm().lvwAuctions->setSelectedItem(row);
    frmRemind &remind = frmRemind::instance();
    remind.show();
    remind.chkPrice->setChecked(true);
    QTest::keyClicks(remind.txtPrice, "7");
    QTest::keyClick(remind.txtPrice, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(remind.txtPrice, "8");
    EXPECT_EQ(remind.txtPrice->text(), "8");
    frmRemind::unloadInstance();
}
