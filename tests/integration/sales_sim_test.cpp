// The sold-items run against the simulator: each sale's address, and a run
// that cannot find the current account.
#include "foundation/globals.h"
#include "platform/desktop.h"
#include "sellertools/frmsales.h"
#include "sellertools/frmsalesprogress.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QPrinterInfo>
#include <QPushButton>

using namespace RefreshSim;

namespace {

void sale(const QString &seller, const QString &item, const QStringList &address)
{
    Sim::Sale s;
    s.seller = seller;
    s.buyer = QStringLiteral("buyer") + item;
    s.item = item;
    s.title = QStringLiteral("Thing ") + item;
    s.transactionId = QStringLiteral("T") + item;
    s.address = address;
    Server().seller().sales << s;
}

QStringList prompts()
{
    QStringList out;
    for (const Desktop::MsgBoxCall &c : MsgBoxScript::instance().calls())
        out << c.prompt;
    return out;
}

} // namespace

TEST(SoldItemsWithSimulator, ShowsEverySalesAddressAfterSigningInOverHttps)
{
    FreshForm();
    sale("alice", "501", {"Carol Buyer", "c/o Smith & \"Sons\" <Ltd>, 1 Main St", "Springfield, IL 62701"});
    sale("alice", "502", {});             // no shipping details: an empty box
    sale("zed", "900", {"Not Alice's"});  // another seller's sale
    MsgBoxScript::instance().clear();
    const qint64 mark = Mark();

    frmSalesProgress::instance().Command1_Click();

    EXPECT_EQ(prompts(), QStringList({"123", "Carol Buyer\r\nc/o Smith & \"Sons\" <Ltd>, 1 Main St\r\nSpringfield, IL 62701", ""}));
    QStringList schemes;
    for (const Sim::LogEntry &e : RequestsSince(mark))
        if (e.target.contains("pass="))
            schemes << e.scheme;
    EXPECT_EQ(schemes, QStringList({"https"}));
    const QStringList targets = TargetsSince(mark);
    ASSERT_EQ(targets.size(), 5);
    EXPECT_TRUE(targets[2].contains("MyEbayBeta&CurrentPage=MyeBayNextSold"));
    EXPECT_TRUE(targets[3].endsWith("ViewPaymentStatus&transId=T501&itemId=501"));
    EXPECT_TRUE(Desktop::ClipboardText().contains("Thing 502"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(frmSalesProgress::isLoaded());
}

TEST(SoldItemsWithSimulator, AMissingAccountEndsTheRunWithAMessage)
{
    FreshForm();
    CurrentUser = QStringLiteral("nobody");
    MsgBoxScript::instance().clear();
    const qint64 mark = Mark();
    frmSalesProgress::instance().Command1_Click();
    EXPECT_EQ(TargetsSince(mark), QStringList());
    ASSERT_EQ(prompts().size(), 1);
    EXPECT_TRUE(prompts().first().startsWith("The sold items could not be read."));
    EXPECT_TRUE(prompts().first().contains("Error #91"));
}

TEST(SaleManager, ListsTheInstalledPrinters)
{
    frmSales &w = frmSales::instance();
    QStringList listed;
    for (int i = 0; i < w.ddnPrinters->count(); ++i)
        listed << w.ddnPrinters->itemText(i);
    EXPECT_EQ(listed, QPrinterInfo::availablePrinterNames());
    w.cmdCancel->click();
    EXPECT_FALSE(frmSales::isLoaded());
}
