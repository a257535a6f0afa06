// The add-item wizard against the simulated eBay and online service: what
// page 1 shows for each kind of item, the checks of Next, and what Finish
// stores and sends.
#include "engine/trackedauction.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "items/frmaddauction.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/wizardsim.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>

using WizardSim::Finish;
using WizardSim::Open;

TEST(AddAuctionWizard, PageOneShowsTheItemAndEachUnusableItemClosesWithItsMessage)
{
    WizardSim::Fresh();
    const QString title56 = QString(56, QLatin1Char('t'));
    const QString several = RefreshSim::AddItem(3600, 10.0, [&](Sim::SimItem &i) {
        i.title = title56;
        i.quantity = 4;
        i.buyItNow = 50;
    });
    frmAddAuction *w = Open(several);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Add Item");
    EXPECT_EQ(w->lblTitle->text(), QString(52, QLatin1Char('t')) + "...");
    EXPECT_TRUE(w->optSnipe->isChecked());
    EXPECT_TRUE(w->lblCurrentBid->text().startsWith("(enter US $")) << qPrintable(w->lblCurrentBid->text());
    EXPECT_EQ(w->optBuy->text(), "Buy It Now for US $50.00");
    EXPECT_EQ(w->UpDown->maximum(), 4);
    EXPECT_EQ(w->lblQtyAvail->text(), "(4 available)");
    EXPECT_TRUE(w->txtQty->isEnabled());
    // Groups are for single items only.
    w->chkGroup->click();
    EXPECT_FALSE(w->chkGroup->isChecked());
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "Bid groups are only supported for single item auctions");

    const QString ended = RefreshSim::AddItem(-60);
    EXPECT_EQ(Open(ended), nullptr);
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "This item has ended");
    const QString removed = RefreshSim::AddItem(3600);
    RefreshSim::Server().items().remove(removed);
    EXPECT_EQ(Open(removed), nullptr);
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "Invalid item number: " + removed);

    // A page that cannot be fetched.
    RefreshSim::AddFault("ViewItem", Sim::FaultMode::Empty);
    const QString unreadable = RefreshSim::AddItem(3600);
    EXPECT_EQ(Open(unreadable), nullptr);
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "An error occurred while retrieving the item details\r\n\r\nError #0 ");
    EXPECT_EQ(EngineForm().lvwAuctions->Count(), 0);
}

TEST(AddAuctionWizard, TheItemPageIsReadOncePerOpeningNotOnEveryActivation)
{
    WizardSim::Fresh();
    const QString number = RefreshSim::AddItem(3600, 5.0);
    const qint64 from = RefreshSim::Mark();
    frmAddAuction *w = Open(number);
    ASSERT_NE(w, nullptr);
    w->txtMaxBid->setText("7");
    // A message box returning the focus activates the wizard again.
    w->Form_Activate();
    w->hide();
    w->show();
    RefreshSim::RunUntil([] { return false; }, 0.3);
    EXPECT_EQ(WizardSim::ItemPageRequests(from, number), 1);
    EXPECT_EQ(w->txtMaxBid->text(), "7");
}

TEST(AddAuctionWizard, NextChecksTheBidTheQuantityThePlacementAndTheBuyItNowBound)
{
    WizardSim::Fresh();
    const QString number = RefreshSim::AddItem(3600, 10.0, [](Sim::SimItem &i) { i.buyItNow = 20; i.quantity = 2; });
    frmAddAuction *w = Open(number);
    ASSERT_NE(w, nullptr);

    w->txtMaxBid->setText("1");
    w->cmdNext_Click();
    EXPECT_TRUE(w->fraBid->isVisibleTo(w));
    EXPECT_EQ(w->lblCurrentBid->palette().color(QPalette::WindowText), QColor(255, 0, 0));

    // "00" skips the minimum; the Buy It Now price itself is refused.
    w->txtMaxBid->setText("0020");
    w->cmdNext_Click();
    EXPECT_EQ(w->txtMaxBid->text(), "20");
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "Your bid must be smaller than the Buy It Now Price of US $20.00");

    w->txtMaxBid->setText("19.99");
    w->txtQty->setText("3");
    w->cmdNext_Click();
    EXPECT_EQ(w->lblQtyAvail->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(w->fraBid->isVisibleTo(w));

    w->txtQty->setText("2");
    w->chkLocal->setChecked(false);
    w->chkOnline->setChecked(false);
    w->optBid->click();
    EXPECT_FALSE(w->chkLocal->isEnabled());
    w->cmdNext_Click();
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "You must check at least one way to place this bid");

    w->optSnipe->click();
    w->chkLocal->setChecked(true);
    w->txtMaxBid->setText("12.5");
    w->cmdNext_Click();
    ASSERT_TRUE(w->fraConfirm->isVisibleTo(w));
    EXPECT_EQ(w->lblTransType->text(), "Snipe 2 of these items for US $12.50 each (US $25.00 total)");
    EXPECT_TRUE(w->cmdNext->isEnabled());
    w->cmdBack_Click();
    w->optBuy->click();
    w->cmdNext_Click();
    EXPECT_EQ(w->lblTransType->text(), "Buy 2 of these items now for US $20.00 each (US $40.00 total)");
    EXPECT_FALSE(w->cmdNext->isEnabled()) << "a purchase waits for the accept box";
    EXPECT_EQ(EngineForm().lvwAuctions->Count(), 0);
}

TEST(AddAuctionWizard, AMaximumBidThatIsNoAmountOrTooLongToKeepExactlyIsRefusedWithAMessage)
{
    WizardSim::Fresh();
    const QString number = RefreshSim::AddItem(3600, 10.0);
    frmAddAuction *w = Open(number);
    ASSERT_NE(w, nullptr);
    const QString noAmount = "Your maximum bid must be an amount such as 12.50";
    const QString tooLong = "Your maximum bid has too many digits to be kept exactly, please enter a smaller amount";
    // Typed as the user types them; "00" in front skips only the minimum.
    for (const auto &[typed, message] : {std::pair{QString("1.2.3"), noAmount}, {"001.2.3", noAmount}, {"00", noAmount},
                                         {QString(20, '9'), tooLong}, {"00" + QString(20, '9'), tooLong},
                                         {"1234567890123456.01", tooLong}}) {
        SCOPED_TRACE(typed.toStdString());
        w->txtMaxBid->clear();
        QTest::keyClicks(w->txtMaxBid, typed);
        MsgBoxScript::instance().clear();
        w->cmdNext->click();
        EXPECT_TRUE(w->fraBid->isVisibleTo(w));
        ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
        EXPECT_EQ(MsgBoxScript::instance().calls()[0].prompt, message);
        EXPECT_EQ(MsgBoxScript::instance().calls()[0].style, Desktop::BoxExclamation);
    }

    // The longest amounts the program keeps to the cent go through as typed.
    w->txtMaxBid->clear();
    QTest::keyClicks(w->txtMaxBid, "9999999999999,99");
    w->cmdNext->click();
    ASSERT_TRUE(w->fraConfirm->isVisibleTo(w));
    EXPECT_EQ(w->lblTransType->text(), "Snipe this item for US $9999999999999.99");
    w->cmdNext_Click();
    ListItem *row = EngineForm().lvwAuctions->FindItem(number);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(RefreshSim::Field(row, "maxbid"), "1 @ 9999999999999.99");
}

TEST(AddAuctionWizard, ALocalSnipeIsStoredSavedAndDropsAnyCopyOnTheService)
{
    WizardSim::Fresh();
    const QString number = RefreshSim::AddItem(3600, 10.0, [](Sim::SimItem &i) { i.quantity = 3; });
    frmAddAuction *w = Open(number);
    ASSERT_NE(w, nullptr);
    w->txtMaxBid->setText("12.5");
    w->txtQty->setText("2");
    const qint64 from = RefreshSim::Mark();
    Finish(*w);

    EXPECT_FALSE(frmAddAuction::isLoaded());
    ListItem *row = EngineForm().lvwAuctions->FindItem(number);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(RefreshSim::Field(row, "maxbid"), "2 @ 12.50");
    EXPECT_EQ(RefreshSim::Field(row, "user"), "alice");
    EXPECT_EQ(row->Tag(), "Local");
    EXPECT_EQ(RefreshSim::Field(row, "itemtitle"), "Simulated item") << "refreshed";
    EXPECT_TRUE(RefreshSim::TargetsSince(from).contains("https /online/remitem.asp?username=alice&pswd=pw&item=" + number
                                                        + "&keepwatch=yes"));
    EXPECT_TRUE(RefreshSim::DataFileText("data6.dat").contains(number));
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty()) << "the service's refusal is accepted silently";

    // Opened again, the row is edited.
    w = Open(number);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Edit Bid");
    EXPECT_TRUE(EditMode);
    EXPECT_EQ(w->txtMaxBid->text(), "12.50");
    EXPECT_EQ(w->txtQty->text(), "2");
    frmAddAuction::unloadInstance();
}

TEST(AddAuctionWizard, ALocalSnipeSendsTheServiceNothingUnlessTheUserHasAnAccountThere)
{
    for (const bool registered : {false, true}) {
        SCOPED_TRACE(registered ? "registered" : "never joined");
        WizardSim::Fresh();
        if (!registered) {
            RefreshSim::Server().online().clear();
            SaveSetting(QStringLiteral("Has TMRO Account"), QStringLiteral("False"));
        }
        // The vendor's host is down.
        RefreshSim::AddFault(QStringLiteral("/online/"), Sim::FaultMode::Close, -1);
        const QString number = RefreshSim::AddItem(3600, 10.0);
        frmAddAuction *w = Open(number);
        ASSERT_NE(w, nullptr);
        w->txtMaxBid->setText("12");
        const qint64 from = RefreshSim::Mark();
        Finish(*w);
        ASSERT_FALSE(frmAddAuction::isLoaded());
        EXPECT_EQ(EngineForm().lvwAuctions->FindItem(number)->Tag(), "Local");

        QStringList toVendor;
        for (const Sim::LogEntry &e : RefreshSim::RequestsSince(from))
            if (e.target.contains("/online/") || e.role.startsWith("vendor"))
                toVendor << e.target;
        if (registered) {
            EXPECT_EQ(toVendor, QStringList({"/online/remitem.asp?username=alice&pswd=pw&item=" + number + "&keepwatch=yes"}));
            EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().startsWith(
                "An unknown error occured while attempting to apply the action to your TMR Online account"))
                << qPrintable(MsgBoxScript::instance().lastPrompt());
        } else {
            EXPECT_TRUE(toVendor.isEmpty()) << qPrintable(toVendor.join(" | "));
            EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty()) << qPrintable(MsgBoxScript::instance().lastPrompt());
        }
    }
}

TEST(AddAuctionWizard, TheOnlineSendStoresOnlyWhatTheServiceTookOrTheUserKept)
{
    WizardSim::Fresh();
    Sim::OnlineDesk &desk = RefreshSim::Server().online();
    const QString number = RefreshSim::AddItem(3600, 10.0);
    desk.account("alice")->items.append(Sim::OnlineItem{number, "30", ""});

    frmAddAuction *w = Open(number);
    ASSERT_NE(w, nullptr);
    w->chkOnline->setChecked(true);
    w->txtMaxBid->setText("15");
    // Enter on the question keeps the service's bid.
    Finish(*w);
    ListItem *row = EngineForm().lvwAuctions->FindItem(number);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->Tag(), "Both");
    ASSERT_FALSE(MsgBoxScript::instance().calls().isEmpty());
    EXPECT_TRUE(MsgBoxScript::instance().calls().first().prompt.startsWith("You already have a bid of 30.00 on this item"))
        << qPrintable(MsgBoxScript::instance().calls().first().prompt);
    EXPECT_EQ(MsgBoxScript::instance().calls().first().style,
              Desktop::BoxYesNo | Desktop::BoxQuestion | Desktop::BoxDefaultButton2);
    EXPECT_EQ(desk.account("alice")->find(number)->bid, "30");

    // A refusal leaves the wizard on page 1 and the list as it was.
    const QString other = RefreshSim::AddItem(3600, 10.0);
    w = Open(other);
    ASSERT_NE(w, nullptr);
    w->chkOnline->setChecked(true);
    w->chkLocal->setChecked(false);
    w->txtMaxBid->setText("15");
    Sim::CannedReply canned;
    canned.rule.pattern = "senditem.asp";
    canned.body = "Error: Your account has expired";
    desk.addReply(canned);
    Finish(*w);
    EXPECT_TRUE(frmAddAuction::isLoaded());
    EXPECT_TRUE(w->fraBid->isVisibleTo(w));
    EXPECT_TRUE(w->cmdCancel->isEnabled());
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().contains("\r\n\r\nYour account has expired\r\n\r\n"));
    EXPECT_EQ(EngineForm().lvwAuctions->FindItem(other), nullptr);
    frmAddAuction::unloadInstance();
}

TEST(AddAuctionWizard, ARowTurnedWatchedByTheGroupRuleIsCancelledOnTheService)
{
    WizardSim::Fresh();
    Sim::OnlineDesk &desk = RefreshSim::Server().online();
    const QString first = RefreshSim::AddItem(3600, 10.0);
    const QString second = RefreshSim::AddItem(3600 + 180, 10.0);
    ListItem *firstRow = RefreshSim::AddRow(first, {{"maxbid", "1 @ 20.00"}, {"user", "alice"}, {"group", "g"}}, "Local");
    EngineForm().RefreshAuctions(first, false, true);
    ASSERT_NE(firstRow, nullptr);

    frmAddAuction *w = Open(second);
    ASSERT_NE(w, nullptr);
    w->chkOnline->setChecked(true);
    w->chkGroup->click();
    w->txtBidGroup->setEditText("g");
    w->txtMaxBid->setText("15");
    Finish(*w);

    ListItem *row = EngineForm().lvwAuctions->FindItem(second);
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().startsWith("Items ending less than 5 minutes apart"));
    EXPECT_EQ(RefreshSim::Field(row, "maxbid"), TrackedAuction::kWatching);
    EXPECT_EQ(RefreshSim::Field(row, "group"), "");
    EXPECT_EQ(row->Tag(), "Local") << "the local side only watches; the service's copy is gone";
    ASSERT_NE(desk.account("alice")->find(second), nullptr);
    EXPECT_EQ(desk.account("alice")->find(second)->bid, "");
}

TEST(AddAuctionWizard, OffersTheGroupsOfTheUsersRowsWhateverLetterCaseTheirUserIdWasTypedIn)
{
    WizardSim::Fresh();
    const QString number = RefreshSim::AddItem(3600, 10.0);
    const struct
    {
        const char *user, *group;
    } rows[] = {{"alice", "a"}, {"ALICE", "b"}, {"bob", "c"}};
    for (const auto &r : rows)
        RefreshSim::AddRow(RefreshSim::AddItem(7200, 10.0),
                           {{"maxbid", "1 @ 20.00"}, {"user", r.user}, {"group", r.group}}, "Local");

    frmAddAuction *w = Open(number);
    ASSERT_NE(w, nullptr);
    QStringList offered;
    for (int i = 0; i < w->txtBidGroup->count(); ++i)
        offered << w->txtBidGroup->itemText(i);
    EXPECT_TRUE(offered.contains("a") && offered.contains("b")) << offered.join(' ').toStdString();
    EXPECT_FALSE(offered.contains("c")) << "another user's group";
    frmAddAuction::unloadInstance();
}

TEST(AddAuctionWizard, BuyItNowGoesToTheBidWindowAtOnceAndEndsAsBidComplete)
{
    WizardSim::Fresh();
    const QString number = RefreshSim::AddItem(3600, 10.0, [](Sim::SimItem &i) { i.buyItNow = 25; });
    frmAddAuction *w = Open(number);
    ASSERT_NE(w, nullptr);
    w->optBuy->click();
    Finish(*w);
    ListItem *row = EngineForm().lvwAuctions->FindItem(number);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(RefreshSim::Field(row, "maxbid"), "1 @ 25.00");
    EXPECT_EQ(row->Tag(), "Bid complete");
    EXPECT_EQ(static_cast<RefreshSim::Form &>(EngineForm()).bids, QStringList({number}));
}

TEST(AddAuctionWizard, NextAndFinishPressedBeforeTheItemPageIsReadWaitForTheRead)
{
    WizardSim::Fresh();
    // Page 1 shows while the read still lets events run, as it does once it
    // has the Buy It Now price: Next and Finish arrive in that moment.
    const QString number = RefreshSim::AddItem(3600, 10.0, [](Sim::SimItem &i) { i.buyItNow = 25; });
    if (frmAddAuction::isLoaded())
        frmAddAuction::unloadInstance();
    QPointer<frmAddAuction> w = &frmAddAuction::instance();
    w->strItemNumber = number;
    bool pressed = false;
    // Looks each time events run, the read's own moments among them.
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (!w || !w->ReadingItem() || w->optBuy_Tag.isEmpty())
            return;
        press.stop();
        pressed = true;
        w->txtMaxBid->setText("12");
        w->txtQty->setText("1");
        for (int i = 0; i < 2 && w; ++i)
            w->cmdNext_Click();
    });
    press.start(0);
    w->show();
    RefreshSim::RunUntil([&] { return w.isNull() || (pressed && !w->ReadingItem()); }, 15);

    ASSERT_FALSE(w.isNull()) << "the window went while its page was read";
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(w->fraBid->isVisibleTo(w));
    EXPECT_EQ(EngineForm().lvwAuctions->FindItem(number), nullptr);

    // Read, the wizard takes the same Finish.
    w->txtMaxBid->setText("12");
    Finish(*w);
    ListItem *row = EngineForm().lvwAuctions->FindItem(number);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(RefreshSim::Field(row, "maxbid"), "1 @ 12.00");
}

TEST(AddAuctionWizard, CancelWhileThePageIsReadStopsTheReadAndClosesWithoutAMessage)
{
    WizardSim::Fresh();
    RefreshSim::AddFault("ViewItem", Sim::FaultMode::Hang, 1, 5000);
    const QString number = RefreshSim::AddItem(3600, 5.0);
    if (frmAddAuction::isLoaded())
        frmAddAuction::unloadInstance();
    QPointer<frmAddAuction> w = &frmAddAuction::instance();
    w->strItemNumber = number;
    const QString promptBefore = MsgBoxScript::instance().lastPrompt();
    // The key arrives while the window waits for its page, inside that wait.
    bool pressedWhileReading = false;
    QTimer::singleShot(300, [&] {
        pressedWhileReading = w && w->Inet->StillExecuting();
        if (w)
            QTest::keyClick(w.data(), Qt::Key_Escape);
    });
    w->show();
    RefreshSim::RunUntil([&] { return w.isNull(); }, 30);

    EXPECT_TRUE(pressedWhileReading);
    EXPECT_TRUE(w.isNull());
    EXPECT_FALSE(frmAddAuction::isLoaded());
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), promptBefore);
    EXPECT_EQ(EngineForm().lvwAuctions->Count(), 0);
}
