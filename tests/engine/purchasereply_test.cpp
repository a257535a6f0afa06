// When a Buy It Now purchase counts as made: only when its own reply came
// and holds eBay's purchase confirmation in eBay's own message. Every other
// reply eBay or the way to it can give (a refusal, an unrelated error page,
// a server error, the sign-in page, an empty body, none at all, a page a
// redirect led to) buys nothing the program may count on; a refusal is told
// with its own reason.
#include "engine/bidfailures.h"
#include "engine/bidreply.h"
#include "engine/frmbid.h"

#include <gtest/gtest.h>

#include <QList>

using namespace BidFailures;

namespace {

QString Page(const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html>\r\n<html><head><title>") + title + QStringLiteral("</title></head><body>\r\n")
        + QStringLiteral("<p class=\"itm\">Brass lamp (Item number: 110000000001)</p>\r\n") + body
        + QStringLiteral("\r\n</body></html>\r\n");
}

QString Message(const QString &text)
{
    return QStringLiteral("<div class=\"statusmsg\"><p>") + text + QStringLiteral("</p></div>");
}

struct ReplyClass
{
    QString name;
    QString page;
    bool confirms;   // eBay says the item is bought
    QString refusal; // the reason shown when eBay says why not ("" when it does not)
};

// Every kind of reply a purchase can get.
QList<ReplyClass> ReplyClasses()
{
    QList<ReplyClass> classes = {
        {QStringLiteral("confirmation"),
         Page(QStringLiteral("eBay > Purchase Confirmation"),
              Message(QStringLiteral("Congratulations alice! You committed to buy this item for US $30.00."))),
         true, {}},
        {QStringLiteral("Buy It Now gone with a rival's bid"),
         Page(QStringLiteral("eBay > Buy It Now"),
              Message(QStringLiteral("Buy It Now is not available for this item. Someone has placed a bid."))),
         false, QStringLiteral("Buy It Now is not available for this item")},
        {QStringLiteral("unrelated error page"),
         Page(QStringLiteral("eBay > Error"), QStringLiteral("<h1>Something went wrong</h1><p>We were unable to process your request.</p>")),
         false, {}},
        {QStringLiteral("HTTP 500 body"),
         QStringLiteral("<html><head><title>500 Internal Server Error</title></head><body><h1>Internal Server Error</h1></body></html>"),
         false, {}},
        {QStringLiteral("sign-in page"),
         Page(QStringLiteral("Sign in or Register | eBay"),
              QStringLiteral("<p>Please sign in to continue.</p><form name=\"SignInForm\"><input type=\"password\" name=\"pass\"></form>")),
         false, {}},
        {QStringLiteral("the review page a failed request left behind"),
         Page(QStringLiteral("eBay > Review and Confirm Bid"),
              QStringLiteral("<input type=\"hidden\" name=\"uiid\" value=\"U1\"><input type=\"hidden\" name=\"user\" value=\"alice\">")),
         false, {}},
        {QStringLiteral("empty body"), QString(), false, {}},
        {QStringLiteral("blanks only"), QStringLiteral(" \r\n\t "), false, {}},
        {QStringLiteral("the confirmation in the seller's title only"),
         QStringLiteral("<html><head><title>eBay</title></head><body><p class=\"itm\">You committed to buy this item "
                        "(Item number: 110000000001)</p>")
             + Message(QStringLiteral("We were unable to process your request.")) + QStringLiteral("</body></html>"),
         false, {}},
    };
    // Every refusal eBay shows for a bid refuses a purchase too, even beside
    // the confirmation's words.
    for (const FailureRow &row : ConfirmationFailures()) {
        for (const QString &marker : row.anyOf) {
            const QString text = row.alsoRequired.isEmpty() ? marker : row.alsoRequired + marker;
            classes.append({QStringLiteral("refusal: ") + row.title, Page(QStringLiteral("eBay"), Message(text)), false, row.reason});
            classes.append({QStringLiteral("refusal beside the confirmation: ") + row.title,
                            Page(QStringLiteral("eBay"), Message(QStringLiteral("You committed to buy this item. ") + text)),
                            false, row.reason});
        }
    }
    return classes;
}

} // namespace

TEST(PurchaseReply, ConfirmedOnlyByItsOwnReplyHoldingEbaysConfirmation)
{
    EXPECT_TRUE(Page({}, Message(frmBid::kPurchaseConfirmed)).contains(frmBid::kPurchaseConfirmed));
    for (const ReplyClass &c : ReplyClasses()) {
        SCOPED_TRACE(c.name.toStdString());
        const BidReply reply(c.page);
        EXPECT_EQ(PurchaseConfirmed(true, reply), c.confirms);
        // No reply at all (a time-out, a dropped connection): whatever page
        // the run still holds confirms nothing.
        EXPECT_FALSE(PurchaseConfirmed(false, reply));
        // The same page at the end of a redirect is no answer of eBay's to
        // the purchase: it neither confirms nor refuses it.
        const BidReply redirected(c.page, {}, BidReply::Arrival::Redirected);
        EXPECT_FALSE(PurchaseConfirmed(true, redirected));
        EXPECT_EQ(PurchaseRefusal(redirected), nullptr);

        const FailureRow *refusal = PurchaseRefusal(reply);
        if (c.refusal.isEmpty()) {
            EXPECT_EQ(refusal, nullptr);
            continue;
        }
        ASSERT_NE(refusal, nullptr);
        EXPECT_EQ(refusal->reason, c.refusal);
        EXPECT_FALSE(refusal->logLine.isEmpty()) << "every refusal is logged";
    }

    const FailureRow &unconfirmed = PurchaseNotConfirmedRow();
    EXPECT_FALSE(unconfirmed.reason.isEmpty());
    EXPECT_FALSE(unconfirmed.logLine.isEmpty());
}
