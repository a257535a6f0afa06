// Texts a seller wrote outside the places the item-page reader knows (a note
// in the condition row, a description meta tag, a "ds_div" description)
// that carry eBay's labels with planted values: no field of any stored page
// layout is read from them, wherever they stand between two elements.
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/sellertext.h"
#include "tests/foundation/fixturepages.h"
#include "tests/support/sellerinsertion.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace basGeneral;

namespace {

const char *const kFixtures[] = {"auction_active.html", "auction_ended.html", "auction_ended_div.html",
                                 "item_removed.html",   "fixed_price.html",   "fixed_price_sale.html",
                                 "listing_fr.html",     "listing_de.html"};

// eBay's labels as its pages print them, each the whole text of its element.
const char16_t *const kOwnLabels[] = {
    u"Time left:", u"Ended:", u"Winning bidder:", u"Current bid:", u"Starting bid:", u"Winning bid:", u"Price:",
    u"Buy It Now price:", u"Sold for:", u"Bid history:", u"Quantity:", u"Shipping:", u"Postage:",
    u"feedback score:", u"Ench\u00E8re en cours\u00A0:", u"Ench\u00C3\u00A8re en cours\u00C2\u00A0:",
};

// What may stand around a label inside its element without being more text.
const char16_t *const kBlanks[] = {u"", u" ", u"\r\n\t", u"&nbsp;", u"\u00A0", u" &nbsp; "};

// More text of the seller's, before or after a label.
const char16_t *const kBefore[] = {u"Seller notes: ", u"Note: see ", u"x:", u"Lamp. Works, see: "};
const char16_t *const kAfter[] = {u" 3d (Dec 31, 2030 10:00:00 PST)", u"US $999.00", u" 99 bids", u" x", u": more"};

// The text with its ASCII letters in one case; the page's other letters are
// as they come (a UTF-8 page read byte per character has "Ã" and "Â" in it).
QString asciiCase(QString text, bool upper)
{
    for (QChar &c : text)
        if (c.unicode() < 0x80)
            c = upper ? c.toUpper() : c.toLower();
    return text;
}

} // namespace

// Every label with any blanks around it is eBay's; with any more text of the
// seller's after it, or before it with a colon, it is the seller's; letter
// case changes nothing.
TEST(SellerLabelRuns, ALabelIsEbaysOnlyAsTheWholeTextOfItsElement)
{
    for (const char16_t *labelText : kOwnLabels) {
        const QString label = QString::fromUtf16(labelText);
        for (const QString &form : {label, asciiCase(label, true), asciiCase(label, false)}) {
            for (const char16_t *lead : kBlanks) {
                for (const char16_t *trail : kBlanks) {
                    const QString own = QString::fromUtf16(lead) + form + QString::fromUtf16(trail);
                    EXPECT_FALSE(IsSellersLabelRun(own)) << own.toStdString();
                    for (const char16_t *after : kAfter) {
                        const QString run = own + QString::fromUtf16(after);
                        EXPECT_TRUE(IsSellersLabelRun(run)) << run.toStdString();
                    }
                    for (const char16_t *before : kBefore) {
                        const QString run = QString::fromUtf16(before) + own;
                        EXPECT_TRUE(IsSellersLabelRun(run)) << run.toStdString();
                    }
                }
            }
        }
    }
    // Runs without a label are left to the readers.
    for (const char *plain : {"Used", "US $23.50", "Enter US $24.00 or more", "More than 10 available", "(Dec 06, 2013",
                              "Economy Shipping", "This listing has ended.", "Item condition:", "Ends:", "Was:"})
        EXPECT_FALSE(IsSellersLabelRun(QString::fromLatin1(plain))) << plain;
}

// eBay's notices in place of an item, with any blanks around and in any
// case, are its own; with the seller's words around them, the seller's.
TEST(SellerLabelRuns, ANoticeIsEbaysOnlyAsTheWholeTextOfItsElement)
{
    const QString moved = QStringLiteral("This item is not available for purchase on eBay United States");
    const QString removed = QStringLiteral("This listing (271234567890) has been removed, or this item is not available.");
    for (const QString &notice : {moved, moved + QLatin1Char('.'), removed}) {
        for (const QString &form : {notice, asciiCase(notice, true), QStringLiteral("\r\n\t") + notice + QStringLiteral(" &nbsp;")}) {
            EXPECT_FALSE(IsSellersNoticeRun(form)) << form.toStdString();
            EXPECT_FALSE(IsSellersLabelRun(form)) << form.toStdString();
        }
    }
    for (const QString &run : {QStringLiteral("Seller notes: &quot;") + moved + QStringLiteral("&quot;"),
                               QStringLiteral("Lamp works. ") + moved + QLatin1Char('.'), moved + QStringLiteral(" - ask me"),
                               QStringLiteral("x) has been removed, or this item is not available."),
                               QStringLiteral("Lamp works. ") + removed, QStringLiteral("Lamp works.\r\n") + removed,
                               QStringLiteral("This listing ((1) has been removed, or this item is not available."),
                               removed + QStringLiteral(" Ask me")})
        EXPECT_TRUE(IsSellersNoticeRun(run)) << run.toStdString();
    for (const char *plain : {"More than 10 available", "Listings that have ended more than 90 days ago will not be available for viewing."})
        EXPECT_FALSE(IsSellersNoticeRun(QString::fromLatin1(plain))) << plain;

    // The stored page of a removed item still reads as removed, and only so.
    EXPECT_TRUE(SellerInsertion::NoticesOf(FixturePage("item_removed.html"))
                == SellerInsertion::Notices({false, false, false, true, false}));
}

TEST(SellerLabelRuns, ALooseRunIsLeftOutOfThePagesOwnTextOnItemPagesOnly)
{
    const QString page = QStringLiteral("<div>Item condition:</div><div>Used</div>"
                                        "<span>Seller notes: &quot;Time left: 3d (Dec 31, 2030 10:00:00 PST)&quot;</span>"
                                        "<div>Time left:</div><div>1h (Dec 06, 2013 14:03:22 PST)</div>");
    EXPECT_EQ(WithoutSellerText(page).toStdString(),
              "<div>Item condition:</div><div>Used</div><span></span>"
              "<div>Time left:</div><div>1h (Dec 06, 2013 14:03:22 PST)</div>");
    EXPECT_EQ(GetItemField(page, QStringLiteral("endtime")), QStringLiteral("Dec-06-2013 14:03:22 PST"));
    // A bid page's messages are eBay's sentences, labels and all.
    const QString reply = QStringLiteral("<p>Congratulations alice, you're the first bidder. Current bid: US $5.00</p>");
    EXPECT_EQ(WithoutSellerText(reply, PageKind::Bid), reply);
}

TEST(SellerLabelRuns, SellersTextsBetweenTheElementsOfEveryStoredLayoutChangeNoField)
{
    HostRoles::reload();
    int total = 0;
    for (const char *name : kFixtures) {
        const QString page = FixturePage(name);
        ASSERT_FALSE(page.isEmpty()) << name;
        const SellerInsertion::Coverage c = SellerInsertion::Check(page, SellerInsertion::Notes(page, QStringLiteral("alice")));
        EXPECT_TRUE(c.faults.isEmpty()) << name << "\n" << c.faults.join(QLatin1Char('\n')).toStdString();
        EXPECT_GE(c.positions, 20) << name;
        std::printf("%s: %d positions outside fields, %d between a label and its value, %d inside fields\n", name,
                    c.positions, c.betweenLabelAndValue, c.insideFields);
        total += c.positions + c.betweenLabelAndValue;
    }
    std::printf("stored layouts: %d positions\n", total);
}
