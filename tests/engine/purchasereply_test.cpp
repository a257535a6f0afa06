// How a Buy It Now purchase's reply is judged: eBay names no success for a
// purchase, so every reply that arrived whole and refuses nothing is a
// purchase, and every refusal eBay shows for a bid refuses it too.
#include "engine/bidfailures.h"
#include "engine/bidreply.h"

#include <gtest/gtest.h>

using namespace BidFailures;

namespace {

QString Page(const QString &body)
{
    return QStringLiteral("<html><head><title>eBay</title></head><body><div class=\"statusmsg\"><p>") + body
        + QStringLiteral("</p></div></body></html>");
}

} // namespace

TEST(PurchaseReply, EveryKnownRefusalRefusesAndAnythingElseThatArrivedBuys)
{
    const QStringList bought = {
        QStringLiteral("Congratulations alice! You committed to buy this item for US $30.00."),
        QStringLiteral("Thank you for your purchase"),
        QStringLiteral("Something went wrong"),
        QStringLiteral("you're currently the highest bidder"),
    };
    for (const QString &text : bought) {
        EXPECT_TRUE(PurchaseSucceeded(BidReply(Page(text)))) << text.toStdString();
        EXPECT_EQ(ConfirmationRefusal(BidReply(Page(text))), nullptr) << text.toStdString();
    }

    for (const FailureRow &row : ConfirmationFailures()) {
        for (const QString &marker : row.anyOf) {
            const QString text = row.alsoRequired.isEmpty() ? marker : QStringLiteral("<b>error</b>") + marker;
            for (const QString &page : {Page(text), Page(QStringLiteral("You committed to buy this item. ") + text)}) {
                const BidReply reply(page);
                EXPECT_FALSE(PurchaseSucceeded(reply)) << page.toStdString();
                const FailureRow *refusal = ConfirmationRefusal(reply);
                ASSERT_NE(refusal, nullptr) << page.toStdString();
                EXPECT_FALSE(refusal->logLine.isEmpty()) << "every refusal is logged: " << refusal->title.toStdString();
            }
        }
    }

    for (const QString &nothing : {QString(), QStringLiteral(" \r\n\t ")})
        EXPECT_FALSE(PurchaseSucceeded(BidReply(nothing))) << "a reply with nothing in it tells nothing";
}
