// What a seller fills in, in the stored page layouts: each value that eBay
// prints in an element of its own (the title, subtitle, condition, shipping
// text, description) set to exactly one of eBay's labels, notices or
// markers reads as the seller's, and texts with eBay's labels planted between
// the page's elements change no field.
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/sellertext.h"
#include "tests/foundation/fixturepages.h"
#include "tests/support/sellerinsertion.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cstdio>

using namespace basGeneral;

namespace {

const char *const kFixtures[] = {"auction_active.html", "auction_ended.html", "auction_ended_div.html",
                                 "item_removed.html",   "fixed_price.html",   "fixed_price_sale.html",
                                 "listing_fr.html",     "listing_de.html"};

// A value of the seller's where a stored layout prints it: the places it
// stands in (the value is the second capture), and the field it is read as.
struct Slot
{
    const char *name;
    QStringList patterns;
    const char *ownKey;
};

const QList<Slot> &sellerPlaces()
{
    static const QList<Slot> all = {
        {"title",
         {QStringLiteral("(<title>)([^<]*)(</title>)"),
          QStringLiteral("(<h1 [^>]*id=\"itemTitle\">(?:<span class=\"g-hdn\">[^<]*</span>)?)([^<]*)(</h1>)"),
          QStringLiteral("(<meta property=\"og:title\" content=\")([^\"]*)(\")"),
          QStringLiteral("(<input type=\"hidden\" name=\"title\" value=\")([^\"]*)(\")")},
         "title"},
        {"subtitle", {QStringLiteral("(<h2 id=\"subTitle\"[^>]*>)([^<]*)(</h2>)")}, ""},
        {"condition", {QStringLiteral("(<div class=\"u-flL condText\"[^>]*>)([^<]*)(</div>)")}, ""},
        {"shipping text", {QStringLiteral("(<span id=\"fshippingCost\"[^>]*><span>)([^<]*)(</span>)")}, "shipping"},
        {"description", {QStringLiteral("(<div id=\"desc_div\"[^>]*>|<div class=\"desc\">)((?:(?!</div>).)*)(</div>)")}, ""},
    };
    return all;
}

// `page` with every place of `slot` holding `value`; "" when it has none.
QString filled(const QString &page, const Slot &slot, const QString &value)
{
    QString out = page;
    bool found = false;
    for (const QString &pattern : slot.patterns) {
        const QRegularExpression re(pattern, QRegularExpression::DotMatchesEverythingOption);
        const bool attribute = pattern.endsWith(QLatin1String("(\")"));
        const QString text = attribute ? QString(value).replace(QLatin1Char('"'), QLatin1String("&quot;")) : value;
        for (qsizetype from = 0;;) {
            const auto m = re.match(out, from);
            if (!m.hasMatch())
                break;
            found = true;
            out.replace(m.capturedStart(2), m.capturedLength(2), text);
            from = m.capturedStart(2) + text.size() + m.capturedLength(3);
        }
    }
    return found ? out : QString();
}

} // namespace

// Every value the seller fills in, in every stored layout, set to each label,
// notice and marker the readers know, alone and with blanks, no-break spaces,
// references or a lead of its own around it: every field reads as on the
// page without it or as its fallback, and the page's notices and winner
// entry stay its own.
TEST(SellerValues, EveryValueASellerFillsInReadsAsTheSellersInEveryStoredLayout)
{
    HostRoles::reload();
    const QStringList values = SellerInsertion::FilledValues(true);
    int pages = 0;
    for (const char *name : kFixtures) {
        const QString page = FixturePage(name);
        ASSERT_FALSE(page.isEmpty()) << name;
        QStringList covered;
        for (const Slot &slot : sellerPlaces()) {
            if (filled(page, slot, QStringLiteral("x")).isEmpty())
                continue;
            covered << QLatin1String(slot.name);
            int faults = 0;
            for (const QString &value : values) {
                const QString planted = filled(page, slot, value);
                const QString wrong = SellerInsertion::Misreading(page, planted, QLatin1String(slot.ownKey));
                ++pages;
                if (!wrong.isEmpty() && ++faults <= 3)
                    ADD_FAILURE() << name << ", " << slot.name << " \"" << value.toStdString() << "\":" << wrong.toStdString();
            }
        }
        std::printf("%s: %s, %lld values each\n", name, qPrintable(covered.join(QStringLiteral(", "))), qlonglong(values.size()));
    }
    std::printf("stored layouts: %d pages read\n", pages);
    EXPECT_GE(pages, 20 * int(values.size()));
}

// The place decides, not the text: a note in the condition row is the
// seller's whatever it says, an element of eBay's holding a label is eBay's.
TEST(SellerValues, AValueIsTheSellersByItsPlaceAlone)
{
    const QString page = QStringLiteral("<body><div><div>Item condition:</div><div class=\"u-flL condText\">Time left:</div>"
                                        "<span class=\"vi-cond-note\">Ended:</span></div>"
                                        "<div><div>Time left:</div><div>1h (Dec 06, 2013 14:03:22 PST)</div></div>"
                                        "<div><span id=\"fshippingCost\"><span>Winning bidder:</span></span></div></body>");
    EXPECT_EQ(WithoutSellerText(page).toStdString(),
              "<body><div><div>Item condition:</div><div class=\"u-flL condText\"></div><span class=\"vi-cond-note\"></span></div>"
              "<div><div>Time left:</div><div>1h (Dec 06, 2013 14:03:22 PST)</div></div>"
              "<div><span id=\"fshippingCost\"><span></span></span></div></body>");
    EXPECT_EQ(GetItemField(page, QStringLiteral("endtime")), QStringLiteral("Dec-06-2013 14:03:22 PST"));
    EXPECT_EQ(GetItemField(page, QStringLiteral("shipping")), QStringLiteral("N/A")); // longer than a price
    // A bid page's messages are eBay's sentences, labels and all.
    const QString reply = QStringLiteral("<p>Congratulations alice, you're the first bidder. Current bid: US $5.00</p>"
                                         "<span id=\"fshippingCost\"><span>Ended:</span></span>");
    EXPECT_EQ(WithoutSellerText(reply, PageKind::Bid), reply);
}

TEST(SellerValues, SellersTextsBetweenTheElementsOfEveryStoredLayoutChangeNoField)
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
