// The add-item wizard on items already tracked and against every answer of
// the online service, and the bids it starts at once, with the simulator.
#include "engine/bidstate.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "items/frmaddauction.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "tests/integration/bidsim.h"
#include "tests/integration/wizardsim.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace RefreshSim;
using WizardSim::Finish;
using WizardSim::Open;

namespace {

// A canned reply of the online service to the next request holding `pattern`.
void serviceAnswers(const QString &pattern, const QString &body)
{
    Sim::CannedReply canned;
    canned.rule.pattern = pattern;
    canned.body = body;
    Server().online().addReply(canned);
}

// A snipe stored through the wizard: "1 @ amount", this computer only.
void addLocalSnipe(const QString &number, const QString &amount)
{
    frmAddAuction *w = Open(number);
    ASSERT_NE(w, nullptr);
    w->txtMaxBid->setText(amount);
    Finish(*w);
    ASSERT_FALSE(frmAddAuction::isLoaded()) << qPrintable(MsgBoxScript::instance().lastPrompt());
}

// The wizard on `number` with an online snipe of `amount` up to Finish.
frmAddAuction *onlineSnipe(const QString &number, const QString &amount)
{
    frmAddAuction *w = Open(number);
    if (w) {
        w->chkOnline->setChecked(true);
        w->txtMaxBid->setText(amount);
    }
    return w;
}

int countOf(const QStringList &kinds, const char *kind)
{
    return int(kinds.count(QString::fromLatin1(kind)));
}

} // namespace

TEST(AddAuctionEdit, ATrackedItemIsEditedInPlaceAndTheEditSurvivesARestart)
{
    WizardSim::Fresh();
    const QString number = AddItem(3600, 10.0);
    const QString other = AddItem(7200, 10.0);
    addLocalSnipe(number, "12");
    addLocalSnipe(other, "11");
    // The other row is selected; the wizard still edits the row of its own item.
    EngineForm().lvwAuctions->setSelectedItem(EngineForm().lvwAuctions->FindItem(other));

    frmAddAuction *w = onlineSnipe(number, "14.5");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Edit Bid");
    EXPECT_EQ(EngineForm().lvwAuctions->SelectedItem(), EngineForm().lvwAuctions->FindItem(number));
    w->chkGroup->click();
    w->txtBidGroup->setEditText("g");
    Finish(*w);
    ASSERT_FALSE(frmAddAuction::isLoaded()) << qPrintable(MsgBoxScript::instance().lastPrompt());

    ListView &list = *EngineForm().lvwAuctions;
    EXPECT_EQ(list.Count(), 2) << "edited, not added twice";
    ListItem *row = list.FindItem(number);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(Field(row, "maxbid"), "1 @ 14.50");
    EXPECT_EQ(Field(row, "group"), "g");
    EXPECT_EQ(row->Tag(), "Both");
    ASSERT_NE(Server().online().account("alice")->find(number), nullptr);
    EXPECT_EQ(Server().online().account("alice")->find(number)->bid, "14.5");

    Form &after = RestartedForm();
    ASSERT_TRUE(after.ReadListFile(QStringLiteral("data6.dat")));
    ASSERT_EQ(after.lvwAuctions->Count(), 2);
    ListItem *kept = after.lvwAuctions->FindItem(number);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(Field(kept, "maxbid"), "1 @ 14.50");
    EXPECT_EQ(Field(kept, "group"), "g");
    EXPECT_EQ(Field(kept, "user"), "alice");
    EXPECT_EQ(kept->Tag(), "Both");
    EXPECT_EQ(Field(after.lvwAuctions->FindItem(other), "maxbid"), "1 @ 11.00");
}

TEST(AddAuctionEdit, TheServiceReplacesItsBidOnlyWhenAskedAndAFailedReplaceChangesNothing)
{
    WizardSim::Fresh();
    Sim::OnlineDesk &desk = Server().online();
    const QString number = AddItem(3600, 10.0);
    addLocalSnipe(number, "12");
    desk.account("alice")->items.append(Sim::OnlineItem{number, "30", ""});

    // Yes, and the service answers the replace with "OK": its bid is the new one.
    frmAddAuction *w = onlineSnipe(number, "16");
    ASSERT_NE(w, nullptr);
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    Finish(*w);
    EXPECT_FALSE(frmAddAuction::isLoaded());
    EXPECT_EQ(desk.account("alice")->find(number)->bid, "16");
    EXPECT_EQ(Field(EngineForm().lvwAuctions->FindItem(number), "maxbid"), "1 @ 16.00");

    // Yes, but the replace is not answered with exactly "OK": the edited row
    // and the service keep what they had, and the wizard stays on page 1.
    MsgBoxScript::instance().clear();
    desk.account("alice")->find(number)->bid = "30";
    w = onlineSnipe(number, "18");
    ASSERT_NE(w, nullptr);
    serviceAnswers("replace=yes", "OK.");
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    Finish(*w);
    ASSERT_TRUE(frmAddAuction::isLoaded());
    EXPECT_TRUE(w->fraBid->isVisibleTo(w));
    EXPECT_TRUE(w->cmdCancel->isEnabled());
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "Failed to update your bid on the online server, please try again");
    EXPECT_EQ(Field(EngineForm().lvwAuctions->FindItem(number), "maxbid"), "1 @ 16.00");
    EXPECT_EQ(EngineForm().lvwAuctions->FindItem(number)->Tag(), "Both");
    EXPECT_EQ(EngineForm().lvwAuctions->Count(), 1);
    frmAddAuction::unloadInstance();
}

TEST(AddAuctionEdit, UseoutAndUnexpectedRepliesStoreNothingAndYesSwitchesTheOnlineDefaultOff)
{
    WizardSim::Fresh();
    frmSettings::instance().chkOnlineDefault->setChecked(true);
    frmSettings::instance().SaveSettings();
    const QString number = AddItem(3600, 10.0);

    frmAddAuction *w = Open(number);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->chkOnline->isChecked()) << "the online default";
    w->txtMaxBid->setText("15");
    serviceAnswers("senditem.asp", "Useout: You have used your 10 free snipes this month");
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    Finish(*w);
    ASSERT_TRUE(frmAddAuction::isLoaded());
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(),
              "You have used your 10 free snipes this month\r\n\r\nDo you want to disable bidding using the online server by "
              "default to stop seeing this message?\r\n\r\nYou can change this setting at any time in File>Settings>Advanced");
    EXPECT_TRUE(w->fraBid->isVisibleTo(w));
    EXPECT_TRUE(w->cmdCancel->isEnabled());
    EXPECT_FALSE(w->chkOnline->isChecked());
    EXPECT_EQ(GetSetting(QStringLiteral("Online Default")), "0");
    EXPECT_FALSE(frmSettings::isLoaded());
    EXPECT_EQ(EngineForm().lvwAuctions->Count(), 0);

    // No reply at all: the clipboard offer, and still nothing stored.
    MsgBoxScript::instance().clear();
    Desktop::SetClipboardText("before");
    w->chkOnline->setChecked(true);
    AddFault("senditem.asp", Sim::FaultMode::Empty);
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    Finish(*w);
    ASSERT_TRUE(frmAddAuction::isLoaded());
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().startsWith("TMR Online server returned an unexpected response"));
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().endsWith("\r\n\r\nCopy server response data to clipboard?"));
    EXPECT_EQ(Desktop::ClipboardText(), "") << "the empty reply replaces the clipboard";
    EXPECT_EQ(EngineForm().lvwAuctions->Count(), 0);
    frmAddAuction::unloadInstance();
}

TEST(AddAuctionEdit, BidNowAndBuyItNowRunTheRealBidWindowOnceEach)
{
    Form &f = WizardSim::Fresh();
    f.realBid = true;
    const QString bidItem = AddItem(3600, 10.0);
    qint64 from = Mark();
    frmAddAuction *w = Open(bidItem);
    ASSERT_NE(w, nullptr);
    w->optBid->click();
    w->txtMaxBid->setText("13");
    Finish(*w);
    EXPECT_EQ(f.bids, QStringList({bidItem})) << "handed to the bid window at once";
    EXPECT_EQ(EngineForm().lvwAuctions->FindItem(bidItem)->Tag(), "Bid complete");
    ASSERT_TRUE(RunUntil([&] { return Server().items().find(bidItem)->bids == 1; }, 60));
    RunUntil([] { return false; }, 0.5);
    EXPECT_EQ(countOf(BidSim::RequestKinds(from), "confirm"), 1);
    EXPECT_TRUE(TargetsSince(from).join(" ").contains("item=" + bidItem + "&maxbid=13.00&quant=1"));

    const QString buyItem = AddItem(3600, 10.0, [](Sim::SimItem &i) { i.buyItNow = 25; });
    from = Mark();
    w = Open(buyItem);
    ASSERT_NE(w, nullptr);
    w->optBuy->click();
    Finish(*w);
    EXPECT_EQ(EngineForm().lvwAuctions->FindItem(buyItem)->Tag(), "Bid complete");
    ASSERT_TRUE(RunUntil([&] { return Server().items().find(buyItem)->winner == "alice"; }, 60));
    RunUntil([] { return false; }, 0.5);
    // The bid window buys, once, and bids nothing.
    EXPECT_EQ(countOf(BidSim::RequestKinds(from), "purchase"), 1) << qPrintable(TargetsSince(from).join(" | "));
    EXPECT_EQ(countOf(BidSim::RequestKinds(from), "confirm"), 0);
    EXPECT_TRUE(TargetsSince(from).join(" ").contains("&item=" + buyItem + "&Quantity=1&mode=1&user=alice&pass=pw"));
    EXPECT_DOUBLE_EQ(Server().items().find(buyItem)->price, 25.0);
    EXPECT_EQ(f.bids, QStringList({bidItem, buyItem}));
}

TEST(AddAuctionEdit, AnItemTrackedWhileTheWizardWasOpenIsNotAddedTwice)
{
    WizardSim::Fresh();
    const QString number = AddItem(3600, 10.0);
    frmAddAuction *w = Open(number);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "Add Item");
    // Another window tracks the item meanwhile.
    AddRow(number, {{"maxbid", "(watching)"}, {"user", "alice"}});
    w->txtMaxBid->setText("12");
    Finish(*w);
    ASSERT_EQ(EngineForm().lvwAuctions->Count(), 1);
    EXPECT_EQ(Field(EngineForm().lvwAuctions->Item(1), "maxbid"), "1 @ 12.00");
    EXPECT_EQ(EngineForm().lvwAuctions->Item(1)->Tag(), "Local");
}

TEST(AddAuctionEdit, ASnipeSetUpAgainAfterItsBidWentOutIsPlacedAgainAfterARestart)
{
    Form &f = WizardSim::Fresh();
    f.realBid = true;
    const QString number = AddItem(3600, 10.0);
    addLocalSnipe(number, "12");
    ListItem *row = EngineForm().lvwAuctions->FindItem(number);
    ASSERT_NE(row, nullptr);
    // Confirmed now rather than held until an hour from now, before the end.
    ASSERT_TRUE(BidSim::RunBid(row, false, [](frmBid &f) { f.ConfirmAt = {}; }).ended);

    // Started again now, the bid that went out is not placed a second time.
    RestartedForm();
    ASSERT_TRUE(EngineForm().ReadListFile(QStringLiteral("data6.dat")));
    EXPECT_EQ(EngineForm().lvwAuctions->FindItem(number)->Tag(), "Bid complete");

    // The user sets the snipe up again with a higher maximum: that one is to
    // be placed, after a restart as well.
    addLocalSnipe(number, "15");
    // The bid that went out stays recorded: its group and the tick see it.
    EXPECT_EQ(BidState::Of(number), BidState::State::Confirmed);
    Form &after = RestartedForm();
    ASSERT_TRUE(after.ReadListFile(QStringLiteral("data6.dat")));
    ListItem *kept = after.lvwAuctions->FindItem(number);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(Field(kept, "maxbid"), "1 @ 15.00");
    EXPECT_EQ(kept->Tag(), "Local");
}

// A snipe the service holds ("Online" or "Both") edited into one placed from
// this computer only is taken off the service, also when the start-up
// account query found no account there: the row itself says there is one.
TEST(AddAuctionEdit, ASnipeTheServiceHeldEditedToALocalOneIsTakenOffTheService)
{
    for (const char *held : {"Online", "Both"}) {
        SCOPED_TRACE(held);
        WizardSim::Fresh();
        SaveSetting(QStringLiteral("Has TMRO Account"), QStringLiteral("False"));
        const QString number = AddItem(3600, 10.0);
        Server().online().account("alice")->items.append(Sim::OnlineItem{number, "12", ""});
        AddRow(number, {{"maxbid", "1 @ 12.00"}, {"user", "alice"}}, QString::fromLatin1(held));

        frmAddAuction *w = Open(number);
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(w->chkOnline->isChecked());
        w->chkOnline->setChecked(false);
        w->chkLocal->setChecked(true);
        const qint64 from = Mark();
        Finish(*w);
        ASSERT_FALSE(frmAddAuction::isLoaded()) << qPrintable(MsgBoxScript::instance().lastPrompt());

        EXPECT_EQ(EngineForm().lvwAuctions->FindItem(number)->Tag(), "Local");
        EXPECT_TRUE(TargetsSince(from).contains("https /online/remitem.asp?username=alice&pswd=pw&item=" + number
                                                + "&keepwatch=yes"))
            << qPrintable(TargetsSince(from).join(" | "));
        const Sim::OnlineItem *copy = Server().online().account("alice")->find(number);
        EXPECT_TRUE(!copy || copy->bid.isEmpty()) << "the service's copy no longer bids";
    }
}
