// One bid window per item, whatever starts the bid: while a snipe holds its
// confirmation, every other way of starting a bid on its item goes to that
// window. Exactly one sign-in and one confirmation reach eBay, at the row's
// last maximum, and the status bar names that amount.
#include "tests/integration/bidsim.h"
#include "tests/integration/heldsnipe.h"

#include "items/frmaddauction.h"
#include "items/frmcopyask.h"
#include "items/frmitemnumber.h"
#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <ostream>

using namespace RefreshSim;

namespace {

// Long enough for two trips through the wizard before the moment.
constexpr int kEndsInS = 20;

struct LaterStart
{
    const char *name;
    // Starts the bid again on the held snipe's item; returns the maximum
    // the row then holds.
    std::function<QString(HeldSnipe &)> start;
    bool placedNow = false; // confirmed at once rather than at the moment
    bool purchase = false;  // bought at the Buy It Now price rather than bid
};

QString snipeEdit(HeldSnipe &s, const QString &amount, const std::function<void()> &open)
{
    EXPECT_TRUE(FinishWizardOpenedBy(open, [&](frmAddAuction &w) {
        w.optSnipe->setChecked(true);
        w.txtMaxBid->setText(amount);
    })) << MsgBoxScript::instance().lastPrompt().toStdString();
    return amount;
}

QString editLink(HeldSnipe &s, const QString &amount)
{
    return snipeEdit(s, amount, [&] { s.link(QStringLiteral("edit=")); });
}

const LaterStart kLaterStarts[] = {
    {"TheTickFindingTheRowDueAgain",
     [](HeldSnipe &s) {
         s.row->setTag(QStringLiteral("Local"));
         return QStringLiteral("55.00");
     }},
    {"OneEditThroughTheWizard", [](HeldSnipe &s) { return editLink(s, QStringLiteral("60.00")); }},
    {"TwoEditsThroughTheWizard",
     [](HeldSnipe &s) {
         editLink(s, QStringLiteral("60.00"));
         return editLink(s, QStringLiteral("65.00"));
     }},
    {"TheItemNumberBox",
     [](HeldSnipe &s) {
         return snipeEdit(s, QStringLiteral("61.00"), [&] {
             frmItemNumber::ShowAt(QPoint(40, 40));
             frmItemNumber &box = frmItemNumber::instance();
             box.txtItemNum->setText(s.number);
             QTest::keyClick(box.txtItemNum, Qt::Key_Return);
         });
     }},
    {"TheClipboardPrompt",
     [](HeldSnipe &s) {
         return snipeEdit(s, QStringLiteral("62.00"), [&] {
             frmCopyAsk::AskAbout(s.number);
             frmCopyAsk::instance().cmdBid->click();
         });
     }},
    {"BidNowThroughTheWizard",
     [](HeldSnipe &s) {
         EXPECT_TRUE(EditThroughLink(s, [](frmAddAuction &w) {
             w.optBid->setChecked(true);
             w.txtMaxBid->setText(QStringLiteral("63.00"));
         })) << MsgBoxScript::instance().lastPrompt().toStdString();
         return QStringLiteral("63.00");
     },
     true},
    {"BidNow",
     [](HeldSnipe &s) {
         s.main->Bid(s.row, false, false);
         return QStringLiteral("55.00");
     },
     true},
    {"BuyItNow",
     [](HeldSnipe &s) {
         Server().items().find(s.number)->buyItNow = 55;
         s.main->Bid(s.row, false, true);
         return QStringLiteral("55.00");
     },
     true, true},
    {"BuyItNowThroughTheWizard",
     [](HeldSnipe &s) {
         // The wizard writes the Buy It Now price into the row before it
         // starts the purchase: the held window prepares again at that price.
         Server().items().find(s.number)->buyItNow = 70;
         EXPECT_TRUE(EditThroughLink(s, [](frmAddAuction &w) {
             EXPECT_TRUE(w.optBuy->isEnabled());
             w.optBuy->setChecked(true);
         })) << MsgBoxScript::instance().lastPrompt().toStdString();
         return QStringLiteral("70.00");
     },
     true, true},
};

void PrintTo(const LaterStart &start, std::ostream *out)
{
    *out << start.name;
}

class OneBidWindowPerItem : public ::testing::TestWithParam<LaterStart>
{
};

} // namespace

TEST_P(OneBidWindowPerItem, ALaterStartDuringTheHoldGoesToTheHeldWindow)
{
    HeldSnipe s(kEndsInS);
    ASSERT_TRUE(s.held());
    // The program as it runs: its tick starts whatever row is due.
    s.main->tmrTimer->setEnabled(true);
    const QString last = GetParam().start(s);
    ASSERT_FALSE(HasFailure());

    // A start on the item whose snipe waits never makes a second window.
    EXPECT_EQ(BidSim::LatestBidWindow(), s.bid.data());
    // The tick finds the row due only in the snipe's last seconds.
    EXPECT_TRUE(RunUntil(
        [&] {
            return s.main->PanelText(QStringLiteral("Status"))
                == QStringLiteral("Bidding ") + last + QStringLiteral(" on item #") + s.number + QStringLiteral("...");
        },
        kEndsInS))
        << s.main->PanelText(QStringLiteral("Status")).toStdString();
    if (GetParam().placedNow)
        EXPECT_TRUE(RunUntil([&] { return s.bid.isNull(); }, 30)) << "still waiting for the snipe's moment";

    ASSERT_TRUE(s.ended());
    EXPECT_EQ(BidSim::LatestBidWindow(), nullptr);
    // One window signed in and out for the bid (the tick's own sign-in
    // before an end may follow it).
    const QStringList log = BidSim::BidLog();
    EXPECT_EQ(log.count(QStringLiteral("Signing in to bid on item # ") + s.number), 1) << log.join(" | ").toStdString();
    EXPECT_EQ(log.count(QStringLiteral("Signing out")), 1) << log.join(" | ").toStdString();
    EXPECT_EQ(s.bidKinds().mid(0, 2), QStringList({"signin", "prepare"}));
    const QList<Sim::LogEntry> confirmations = BidConfirmationsSince(s.from, s.number);
    if (GetParam().purchase) {
        // Bought once at the price the row names, and never bid.
        EXPECT_TRUE(confirmations.isEmpty());
        int purchases = 0;
        for (const Sim::LogEntry &e : RequestsSince(s.from))
            purchases += BidSim::Kind(e) == QLatin1String("purchase") && e.target.contains(QStringLiteral("item=") + s.number);
        EXPECT_EQ(purchases, 1);
        EXPECT_EQ(Server().bids().item(s.number).purchases, 1);
        EXPECT_EQ(Server().items().find(s.number)->winner, QStringLiteral("alice"));
        EXPECT_DOUBLE_EQ(Server().items().find(s.number)->price, last.toDouble());
        return;
    }
    ASSERT_EQ(confirmations.size(), 1);
    EXPECT_TRUE(confirmations.first().target.contains(QStringLiteral("&maxbid=") + last + QStringLiteral("&quant=1&")))
        << confirmations.first().target.toStdString();
    ASSERT_EQ(Server().bids().item(s.number).maxima.size(), 1);
    EXPECT_DOUBLE_EQ(Server().bids().item(s.number).maxima.first().max, last.toDouble());
}

INSTANTIATE_TEST_SUITE_P(EveryWayABidStarts, OneBidWindowPerItem, ::testing::ValuesIn(kLaterStarts),
                         [](const ::testing::TestParamInfo<LaterStart> &info) { return std::string(info.param.name); });
