// eBay's own labels in harmless markup (line breaks, comments, no-break
// spaces, wrappers, capitals, label and value in one cell), in every stored
// and simulated page layout: every field reads as on the page printed
// plainly. The same labels in that markup inside the values a seller fills
// in are never read.
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/sellertext.h"
#include "platform/ansi.h"
#include "sim/core/itemstore.h"
#include "sim/core/layoutpages.h"
#include "sim/core/pages.h"
#include "tests/foundation/fixturepages.h"
#include "tests/support/sellerinsertion.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <functional>

#include <cstdio>

using namespace basGeneral;
namespace LayoutPages = Sim::LayoutPages;

namespace {

// A page layout, printed in any row markup.
struct Layout
{
    QString name;
    std::function<QString(const QString &markup)> page;
};

const Sim::PageContext &context()
{
    static const Sim::PageContext ctx{QDateTime(QDate(2013, 12, 6), QTime(20, 0), Qt::UTC), 0,
                                      QStringLiteral("http://127.0.0.1:9")};
    return ctx;
}

// A lamp with bids, a Buy It Now price, a winner once ended and a note of
// the seller's in the condition row.
Sim::SimItem lamp(const char *layout, qint64 endsIn)
{
    Sim::SimItem item;
    item.number = QStringLiteral("150000000001");
    item.layout = QLatin1String(layout);
    item.title = QStringLiteral("Brass lamp");
    item.bids = 3;
    item.price = 12.5;
    item.buyItNow = 20;
    item.quantity = 4;
    item.winner = QStringLiteral("alice");
    item.conditionNote = QStringLiteral("Works well");
    item.endsAt = context().now.addSecs(endsIn);
    return item;
}

// The page as the simulator serves it, read byte per character as the
// program reads every page.
QString pageOf(const Sim::SimItem &item)
{
    return Ansi::decode(LayoutPages::reply(item.layout, Sim::Pages::item(item, context())).body);
}

const char *const kSimLayouts[] = {"default",     "unfamiliar",       "ended_table", "ended_div",
                                   "fixed_price", "fixed_price_sale", "non_us_fr",   "non_us_de"};

// Every stored page layout; every layout of the simulator running, ended and
// before its first bid; and one printing "Sold for:".
QList<Layout> everyLayout()
{
    QList<Layout> layouts;
    for (const char *name : {"auction_active.html", "auction_ended.html", "auction_ended_div.html", "item_removed.html",
                             "fixed_price.html", "fixed_price_sale.html", "listing_fr.html", "listing_de.html"}) {
        const QString page = FixturePage(name);
        layouts.append({QLatin1String(name), [page](const QString &markup) {
                            return LayoutPages::withRowMarkup(page, LayoutPages::rowMarkupOf(markup));
                        }});
    }
    for (const char *layout : kSimLayouts) {
        for (const qint64 endsIn : {69, -60}) {
            for (const int bids : {3, 0}) {
                Sim::SimItem item = lamp(layout, endsIn);
                item.bids = bids;
                layouts.append({QStringLiteral("sim %1 %2, %3 bids").arg(QLatin1String(layout), endsIn > 0 ? "running" : "ended").arg(bids),
                                [item](const QString &markup) mutable {
                                    item.rowMarkup = markup;
                                    return pageOf(item);
                                }});
            }
        }
    }
    const Sim::SimItem sold = lamp("default", -60);
    layouts.append({QStringLiteral("sold"), [sold](const QString &markup) {
                        QString page = pageOf(sold);
                        page.replace(QLatin1String(">Winning bid:<"), QLatin1String(">Sold for:<"));
                        return LayoutPages::withRowMarkup(page, LayoutPages::rowMarkupOf(markup));
                    }});
    return layouts;
}

// Whether `page` prints `label` alone in an element, as written or (a UTF-8
// page read byte per character) as its bytes.
bool printsLabel(const QString &page, const QString &label)
{
    return page.contains(QLatin1Char('>') + label + QLatin1String("</"))
        || page.contains(QLatin1Char('>') + QString::fromLatin1(label.toUtf8()) + QLatin1String("</"));
}

QList<LayoutPages::RowMarkup> everyMarkup()
{
    QList<LayoutPages::RowMarkup> out;
    for (const QString &name : LayoutPages::rowMarkupNames())
        out << LayoutPages::rowMarkupOf(name);
    return out;
}

// A value a seller might plant after each label.
QString plantedValue(const QString &label)
{
    if (label.startsWith(QLatin1String("Time left")))
        return QStringLiteral("1m 30s (Dec 31, 2030 10:00:00 PST)");
    if (label.startsWith(QLatin1String("Ended")))
        return QStringLiteral("<span><span>Dec 31, 2030</span><span>10:00:00 PST</span></span>");
    if (label.startsWith(QLatin1String("Winning bidder")))
        return QStringLiteral("thief");
    if (label.startsWith(QLatin1String("Bid history")))
        return QStringLiteral("<span>99</span> bids");
    if (label.startsWith(QLatin1String("Quantity")))
        return QStringLiteral("<span>50 available</span>");
    if (label.startsWith(QLatin1String("Place bid")))
        return QStringLiteral("<div>Enter US $999.00 or more</div>");
    return QStringLiteral("<span><b>US $999.00</b></span>");
}

// The label in `markup`, as its row prints it: the text a seller would copy.
QString markedLabel(const QString &label, LayoutPages::RowMarkup markup)
{
    const QString cell = LayoutPages::withRowMarkup(QStringLiteral("<th>") + label + QStringLiteral("</th>"), markup);
    return cell.mid(4, cell.lastIndexOf(QLatin1String("</th>")) - 4);
}

// `page` with `row` (the seller's own markup) at the start of its
// description, and `text` in every other value the seller fills in.
QString plantedInSellersValues(QString page, const QString &row, const QString &text)
{
    static const QRegularExpression description(QStringLiteral("(<div id=\"desc_div\"[^>]*>|<div class=\"desc\">)"));
    page.replace(description, QStringLiteral("\\1") + row);
    const QString escaped = text.toHtmlEscaped();
    static const QRegularExpression values[] = {
        QRegularExpression(QStringLiteral("(<span class=\"vi-cond-note\">)([^<]*)(</span>)")),
        QRegularExpression(QStringLiteral("(<div class=\"u-flL condText\"[^>]*>)([^<]*)(</div>)")),
        QRegularExpression(QStringLiteral("(<h2 id=\"subTitle\"[^>]*>)([^<]*)(</h2>)")),
        QRegularExpression(QStringLiteral("(<span class=\"vi-cond-addl-info\">Seller notes: &ldquo;)([^&]*)(&rdquo;)")),
    };
    for (const QRegularExpression &value : values)
        page.replace(value, QStringLiteral("\\1") + escaped + QStringLiteral("\\3"));
    return page;
}

} // namespace

// Each harmless markup, alone and all at once, on every row label of every
// layout: the page reads exactly as printed plainly, fields, notices and
// winner entry alike. Every label the readers use is varied somewhere.
TEST(EbaysLabels, HarmlessMarkupAroundEveryLabelReadsAsThePlainPage)
{
    HostRoles::reload();
    QMap<QString, int> varied;
    int pages = 0;
    for (const Layout &layout : everyLayout()) {
        const QString plain = layout.page(QString());
        ASSERT_FALSE(plain.isEmpty()) << layout.name.toStdString();
        const QStringList expected = SellerInsertion::EverythingRead(plain);
        for (const QString &markup : LayoutPages::rowMarkupNames()) {
            const QString page = layout.page(markup);
            if (page == plain)
                continue;
            ++pages;
            for (const QString &label : LayoutPages::rowLabels())
                if (printsLabel(plain, label))
                    ++varied[label];
            EXPECT_EQ(SellerInsertion::EverythingRead(page).join(QLatin1String(" | ")).toStdString(),
                      expected.join(QLatin1String(" | ")).toStdString())
                << layout.name.toStdString() << ", " << markup.toStdString();
        }
    }
    for (const QString &label : LayoutPages::rowLabels())
        EXPECT_GT(varied.value(label), 0) << "no layout prints " << label.toStdString();
    std::printf("%d varied pages\n", pages);
}

// The labels in each markup, with planted values, inside every value a
// seller fills in (the description as the seller's own rows, the other
// values as text): no field, notice or winner entry moves, but the title.
TEST(EbaysLabels, HarmlessMarkupInsideTheSellersValuesIsNeverRead)
{
    HostRoles::reload();
    int pages = 0;
    for (const char *layout : kSimLayouts) {
        for (const qint64 endsIn : {69, -60}) {
            const Sim::SimItem plainItem = lamp(layout, endsIn);
            const QString plain = pageOf(plainItem);
            for (const QString &label : LayoutPages::rowLabels()) {
                for (const LayoutPages::RowMarkup markup : everyMarkup()) {
                    const QString row = LayoutPages::withRowMarkup(QStringLiteral("<table><tr><th>") + label
                                                                       + QStringLiteral("</th><td>") + plantedValue(label)
                                                                       + QStringLiteral("</td></tr></table>"),
                                                                   markup);
                    const QString text = markedLabel(label, markup) + QLatin1Char(' ') + plantedValue(label);
                    Sim::SimItem item = plainItem;
                    item.title = text;
                    item.subtitle = text;
                    item.location = text;
                    item.returns = text;
                    item.specificName = markedLabel(label, markup);
                    item.specificValue = plantedValue(label);
                    const QString planted = plantedInSellersValues(pageOf(item), row, text);
                    ++pages;
                    const QString wrong = SellerInsertion::Misreading(plain, planted, QStringLiteral("title"));
                    EXPECT_TRUE(wrong.isEmpty()) << layout << (endsIn > 0 ? " running, " : " ended, ")
                                                 << text.toStdString() << ":" << wrong.toStdString();
                }
            }
        }
    }
    std::printf("%d planted pages\n", pages);
}

namespace {

// The simulator's default page of the lamp, running, with `rows` put first
// in its table of rows.
QString withRowsFirst(const QString &rows, const char *layout = "default")
{
    QString page = pageOf(lamp(layout, 3600));
    const QString table = QStringLiteral("<table class=\"vi-is1\" id=\"vi-is1\">\r\n");
    page.replace(table, table + rows);
    return page;
}

} // namespace

// A label counts only where it has a place of eBay's: not when it is only
// part of its element's text, nor when its element holds a value of the
// seller's, nor when no value element follows it; a label and its value
// alone in one element do count.
TEST(EbaysLabels, ALabelCountsOnlyInAPlaceOfItsOwn)
{
    HostRoles::reload();
    const QString plain = withRowsFirst(QString());
    const QStringList expected = SellerInsertion::EverythingRead(plain);
    const char16_t *const neverRead[] = {
        // Only part of its element's text.
        u"<tr><td colspan=\"2\">Lamp works. Time left: <b>1m 30s (Dec 31, 2030 10:00:00 PST)</b></td></tr>",
        u"<tr><td>Lamp works. <span>Ended:</span></td><td><span><span>Dec 31, 2030</span><span>10:00:00 PST</span></span></td></tr>",
        u"<tr><td colspan=\"2\"><span>See <b>Winning bidder:</b></span></td><td>thief</td></tr>",
        u"<tr><td colspan=\"2\">Time left: 9d (Dec 31, 2030 10:00:00 PST) and Ended: too</td></tr>",
        // A value of the seller's in its element.
        u"<tr><td colspan=\"2\">Ended: <span class=\"vi-cond-note\">Dec 31, 2030 10:00:00 PST</span></td></tr>",
        // No value element after it in its parent.
        u"<tr><td colspan=\"2\"><div><div><b>Time left:</b></div></div><div>1m 30s (Dec 31, 2030 10:00:00 PST)</div></td></tr>",
        u"<tr><td colspan=\"2\"><div><b>Ended:</b></div></td></tr><tr><td><span><span>Dec 31, 2030</span><span>10:00:00 PST</span></span></td></tr>",
        u"<tr><th>Winning bidder:</th></tr>",
    };
    for (const char16_t *rows : neverRead) {
        const QString page = withRowsFirst(QString::fromUtf16(rows));
        EXPECT_EQ(SellerInsertion::EverythingRead(page).join(QLatin1String(" | ")).toStdString(),
                  expected.join(QLatin1String(" | ")).toStdString())
            << QString::fromUtf16(rows).toStdString();
    }
    // eBay's own: alone in its element, or first with its value after it.
    const struct
    {
        const char16_t *rows;
        const char *key;
        const char *value;
    } read[] = {
        {u"<tr><td colspan=\"2\"><span>Time left: <b>1m 30s (Dec 31, 2030 10:00:00 PST)</b></span></td></tr>", "endtime",
         "Dec-31-2030 10:00:00 PST"},
        {u"<tr><td><div><b>Time left:</b></div><div>1m 30s (Dec 31, 2030 10:00:00 PST)</div></td></tr>", "endtime",
         "Dec-31-2030 10:00:00 PST"},
        {u"<tr><th><span>Ended:</span></th><td><span><span>Dec 31, 2030</span><span>10:00:00 PST</span></span></td></tr>", "endtime",
         "Dec-31-2030 10:00:00 PST"},
    };
    for (const auto &r : read)
        EXPECT_EQ(GetItemField(withRowsFirst(QString::fromUtf16(r.rows)), QLatin1String(r.key)).toStdString(), r.value)
            << QString::fromUtf16(r.rows).toStdString();
}

// A title that is exactly one of eBay's labels, in a heading nobody taught
// the readers (in a header of its own, before the header's links), is the
// title wherever the page names it: by its og:title alone, or by its window
// title alone.
TEST(EbaysLabels, ATitleNamedByTheOgTitleOrTheWindowTitleAloneIsTheSellers)
{
    HostRoles::reload();
    Sim::SimItem item = lamp("unfamiliar", 3600);
    const auto headed = [](QString page) {
        static const QRegularExpression heading(QStringLiteral("(<h1 class=\"vi-title\">[^<]*</h1>)"));
        return page.replace(heading, QStringLiteral("<div class=\"vi-head\">\\1<div class=\"vi-links\"><a href=\"#\">Watch</a></div></div>"));
    };
    const QString plain = headed(pageOf(item));
    item.title = QStringLiteral("Ended:");
    const QString served = headed(pageOf(item));
    ASSERT_TRUE(served.contains(QLatin1String("<h1 class=\"vi-title\">Ended:</h1><div class=\"vi-links\">")));
    ASSERT_TRUE(served.contains(QLatin1String("<meta property=\"og:title\" content=\"Ended:\">")));
    QString ogTitleAlone = served;
    ogTitleAlone.replace(QLatin1String("<title>Ended: | eBay</title>"), QLatin1String("<title>eBay item</title>"));
    QString windowTitleAlone = served;
    windowTitleAlone.remove(QLatin1String("<meta property=\"og:title\" content=\"Ended:\">"));
    for (const QString &page : {served, ogTitleAlone, windowTitleAlone}) {
        ASSERT_NE(page, plain);
        EXPECT_EQ(SellerInsertion::Misreading(plain, page, QStringLiteral("title")).toStdString(), "")
            << (page == ogTitleAlone ? "og:title alone" : page == windowTitleAlone ? "window title alone" : "as served");
    }
}

// A description meta tag of the seller's is left out of the page the
// readers cut values from, not merely passed over by their markers: a value
// cut across it carries none of it.
TEST(EbaysLabels, ADescriptionMetaIsLeftOutOfTheValuesCutAcrossIt)
{
    HostRoles::reload();
    // eBay's time left without an end in brackets; a bracket closes later.
    const QString rows = QStringLiteral("<tr><th>Time left:</th><td><span>1h 20m</span></td></tr>\r\n");
    static const QRegularExpression ownRow(QStringLiteral("<tr><th class=\"vi-is1-lblp\">Time left:</th>.*?</tr>"));
    const auto withRowsFirst = [&](const QString &first) { return ::withRowsFirst(first).remove(ownRow); };
    const QString plain = withRowsFirst(rows);
    for (const char *meta : {"<meta name=\"description\" content=\"(Dec 31, 2030 10:00:00 PST\">",
                             "<meta property=\"og:description\" content=\"(Dec 31, 2030 10:00:00 PST\">"}) {
        const QString page = withRowsFirst(rows + QLatin1String(meta));
        EXPECT_EQ(SellerInsertion::Misreading(plain, page).toStdString(), "") << meta;
        EXPECT_EQ(GetItemField(page, QStringLiteral("endtime")), GetItemField(plain, QStringLiteral("endtime"))) << meta;
    }
}
