// Where a bid page's answer tells a bid's or a purchase's outcome: only its
// message boxes, read as a reader sees them, whatever harmless markup eBay
// wraps the words in; never the window title, a meta tag, a script, an
// attribute, a comment or the item line, whatever they hold.
#include "engine/bidpagetext.h"

#include <gtest/gtest.h>

namespace {

const QString kSaid = QStringLiteral("You committed to buy this item");

QString Page(const QString &head, const QString &body)
{
    return QStringLiteral("<html><head>") + head + QStringLiteral("</head><body>\r\n") + body + QStringLiteral("</body></html>");
}

bool MessageSays(const QString &page)
{
    for (const QString &message : BidPageMessages(page))
        if (message.contains(kSaid))
            return true;
    return false;
}

} // namespace

TEST(BidPageMessages, OnlyTheMessageBoxesSayWhatTheyHoldInAnyHarmlessMarkup)
{
    const QStringList told = {
        QStringLiteral("<div class=\"statusmsg\"><p>Congratulations! You committed to buy this item for US $3.</p></div>"),
        QStringLiteral("<DIV CLASS='box statusMsg'>You&nbsp;committed\r\n to  buy <b>this</b> item</DIV>"),
        QStringLiteral("<p class=msg>You <!-- note -->committed to buy this&#32;item.</p>"),
        QStringLiteral(u"<div class=\"statusmsg\"><div>You\u00A0committed to buy this item</div><br></div>"),
        QStringLiteral(u"<div class=\"statusmsg\">You\u00C2\u00A0committed to buy this item</div>"),
    };
    for (const QString &body : told)
        EXPECT_TRUE(MessageSays(Page({}, body))) << body.toStdString();

    const QString message = QStringLiteral("<div class=\"statusmsg\"><p>Sorry, this purchase could not be completed.</p></div>");
    const QStringList elsewhere = {
        QStringLiteral("<title>Stool - You committed to buy this item</title>"),
        QStringLiteral("<meta property=\"og:title\" content=\"You committed to buy this item\">"),
        QStringLiteral("<script>var msg = '<div class=\"statusmsg\">You committed to buy this item</div>';</script>"),
        QStringLiteral("<p class=\"itm\">You committed to buy this item (Item number: 1)</p>"),
        QStringLiteral("<p>Item: You committed to buy this item (1)</p>"),
        QStringLiteral("<!-- <div class=\"statusmsg\">You committed to buy this item</div> -->"),
        QStringLiteral("<div class=\"statusmsgs\">You committed to buy this item</div>"),
        QStringLiteral("<img alt=\"You committed to buy this item\" class=\"msg\">"),
        QStringLiteral("<p>You committed to buy this item</p>"),
    };
    for (const QString &text : elsewhere) {
        EXPECT_FALSE(MessageSays(Page(text, message))) << text.toStdString();
        EXPECT_FALSE(MessageSays(Page({}, text + message))) << text.toStdString();
    }
}

// However a page spells the title before the item's number, it goes; where
// it stands anywhere else, or is eBay's own message, it stays.
TEST(BidPageTitleCut, TheTitleGoesBeforeTheNumberInEverySpellingAndNowhereElse)
{
    const QString title = QStringLiteral("Grandma's  oak stool - Registration blocked");
    const QStringList spellings = {
        QStringLiteral("Grandma's  oak stool - Registration blocked"), QStringLiteral("Grandma&#39;s oak stool - Registration blocked"),
        QStringLiteral("GRANDMA'S&nbsp;&nbsp;OAK\r\nSTOOL -  Registration&#160;blocked"),
        QStringLiteral("Grandma&#x27;s oak stool&nbsp;- Registration blocked")};
    for (const QString &spelled : spellings) {
        for (const QString &number : {QStringLiteral(" (110000000001)"), QStringLiteral("(Item number: 110000000001)")}) {
            const QString kept = WithoutTitleBeforeNumber(QStringLiteral("<p>Item: ") + spelled + number + QStringLiteral("</p>"), title);
            EXPECT_FALSE(kept.contains(QStringLiteral("blocked"), Qt::CaseInsensitive)) << spelled.toStdString() << kept.toStdString();
            EXPECT_TRUE(kept.contains(QStringLiteral("110000000001"))) << kept.toStdString();
        }
    }
    for (const QString &page : {QStringLiteral("<div class=\"statusmsg\">Grandma's oak stool - Registration blocked.</div>"),
                                QStringLiteral("<p>Grandma's oak stool - Registration blocked (as listed)</p>"),
                                QStringLiteral("<p>Grandma's oak stool - Registration blocked</p><p>(110000000001)</p>")})
        EXPECT_EQ(WithoutTitleBeforeNumber(page, title), page);
}
