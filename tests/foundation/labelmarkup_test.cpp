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
