// Every item-page layout the field reader knows, served by the simulator
// from the item's own fields and fetched over http by the transfer control:
// the reader gets back what the item holds, and the fallback for what the
// layout does not carry.
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/pageaccess.h"
#include "foundation/timetext.h"
#include "platform/ansi.h"
#include "platform/inet.h"
#include "sim/core/pacifictime.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/testtext.h"

#include <gtest/gtest.h>

using HostRoles::Role;

namespace {

struct LayoutCase
{
    const char *layout;
    qint64 endsIn; // seconds from now
    // The item.
    QString title;
    QString seller;
    QString currency;
    double price;
    double buyItNow;
    int quantity;
    int bids;
    QString shipping;
    // What the reader gets.
    QString readTitle;
    bool readsEnd;       // the end time, or "N/A"
    bool endedMarker;    // ">Ended:<" is on the page
    QString currentBid;
    QString readBids;
    QString qty;
    bool readsPicture;   // the picture, or ""
    QString binPrice;
};

const qint64 kAgo = -3600;
const qint64 kAhead = 2 * 86400 + 5 * 3600 + 7;

const QString kFrenchTitle = QString::fromUtf16(u"Appareil photo Leica M3, tr\u00E8s bon \u00E9tat");
const QString kGermanTitle = QString::fromUtf16(u"M\u00E4rklin H0 3000 Dampflok \u2013 Neupreis 150 \u20AC");

const LayoutCase kCases[] = {
    // Title only in og:title; "Winning bid:</th>"; seller in the unquoted span;
    // no quantity on the page.
    {"ended_table", kAgo, "Antique Mantel  Clock & Key", "OldClocks1962", "US $", 1041, 0, 3, 12, "US $12.00",
     "Antique Mantel Clock & Key", true, true, "US $1,041.00", "12", "1", true, ""},
    // Day-first date, GBP, bids only as "[ 5 bids ]", seller only in the
    // member-profile link (while the picture is on the simulator's host too).
    {"ended_div", kAgo, "Seiko 5 Automatic Watch SNK809", "WatchWorks_UK", "GBP ", 38, 0, 1, 5, "FREE",
     "Seiko 5 Automatic Watch SNK809", true, true, "GBP 38.00", "5", "1", true, ""},
    // Until it ends, an ended layout shows the default listing.
    {"ended_div", kAhead, "Seiko 5 Automatic Watch SNK809", "WatchWorks_UK", "US $", 38, 0, 2, 5, "US $4.00",
     "Seiko 5 Automatic Watch SNK809", true, false, "US $38.00", "5", "2", true, ""},
    // Sold at the Buy It Now price; "More than 10 available" reads 10.
    {"fixed_price", kAhead, "USB 3.0 Card Reader SD / microSD", "gadget-depot-usa", "US $", 9.99, 15.99, 48, 0, "FREE",
     "USB 3.0 Card Reader SD / microSD", true, false, "US $15.99", "N/A", "10", true, "US $15.99"},
    {"fixed_price", kAgo, "USB 3.0 Card Reader SD / microSD", "gadget-depot-usa", "US $", 15.99, 0, 7, 0, "FREE",
     "USB 3.0 Card Reader SD / microSD", true, true, "US $15.99", "N/A", "7", true, "US $15.99"},
    // Title only in the hidden input, seller only in the member-profile link.
    {"fixed_price_sale", kAhead, "Cast Iron Skillet 10 inch, Pre-Seasoned", "kitchen.outlet", "US $", 12.74, 0, 3, 0,
     "$9.95", "Cast Iron Skillet 10 inch, Pre-Seasoned", true, false, "US $12.74", "N/A", "3", true, "US $12.74"},
    // UTF-8, read byte per character as every page is; decimal comma; no
    // end date, picture or quantity.
    {"non_us_fr", kAhead, kFrenchTitle, "photo-ancienne-lyon", "EUR ", 212.5, 0, 4, 9, "EUR 8,00",
     Ansi::decode(kFrenchTitle.toUtf8()), false, false, "EUR 212.50", "9", "1", false, ""},
    // Windows-1252 (an en dash and a euro sign in the title); "4 Gebote" is
    // no count the reader knows; no end date.
    {"non_us_de", kAhead, kGermanTitle, "modellbahn-koch", "EUR ", 1045, 0, 1, 4, "EUR 5,90", kGermanTitle, false,
     false, "EUR 1045,00", "N/A", "1", true, ""},
};

} // namespace

TEST(ItemLayoutsSim, EveryLayoutReadsBackThroughTheFieldReader)
{
    Sim::SimServer &sim = RefreshSim::Server();

    using basGeneral::GetItemField;
    Inet inet;
    qint64 number = 130000000001;
    for (const LayoutCase &c : kCases) {
        Sim::SimItem item;
        item.number = QString::number(number++);
        item.layout = QLatin1String(c.layout);
        item.title = c.title;
        item.seller = c.seller;
        item.currency = c.currency;
        item.price = c.price;
        item.buyItNow = c.buyItNow;
        item.quantity = c.quantity;
        item.bids = c.bids;
        item.shipping = c.shipping;
        item.picture = sim.url(QStringLiteral("/pics/") + item.number + QStringLiteral(".jpg"));
        item.endsAt = QDateTime::fromSecsSinceEpoch(sim.now().toSecsSinceEpoch() + c.endsIn, Qt::UTC);
        sim.items().add(item);
        SCOPED_TRACE(std::string(c.layout) + (c.endsIn < 0 ? " (ended)" : "") + " item " + item.number.toStdString());

        const QString page = inet.OpenURL(HostRoles::url(Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + item.number));
        ASSERT_FALSE(page.isEmpty());

        const QDateTime pacific = Sim::Pacific::wallClock(item.endsAt);
        const QString end = c.readsEnd ? basGeneral::DateText(QDateTime(pacific.date(), pacific.time())) : QString();
        const QString endField = GetItemField(page, QStringLiteral("endtime"));
        EXPECT_EQ(basGeneral::ParseShortDate(endField), end) << endField.toStdString();
        if (!c.readsEnd)
            EXPECT_EQ(endField, QStringLiteral("N/A"));
        EXPECT_EQ(basGeneral::InStrClean(page, QStringLiteral(">Ended:<")) > 0, c.endedMarker);

        EXPECT_EQ(GetItemField(page, QStringLiteral("title")), c.readTitle);
        EXPECT_EQ(GetItemField(page, QStringLiteral("currentbid")), c.currentBid);
        EXPECT_EQ(GetItemField(page, QStringLiteral("bids")), c.readBids);
        EXPECT_EQ(GetItemField(page, QStringLiteral("qty")), c.qty);
        EXPECT_EQ(GetItemField(page, QStringLiteral("seller")), c.seller.toLower());
        EXPECT_EQ(GetItemField(page, QStringLiteral("shipping")), c.shipping);
        EXPECT_EQ(GetItemField(page, QStringLiteral("picture")), c.readsPicture ? item.picture : QString());
        EXPECT_EQ(GetItemField(page, QStringLiteral("binprice")), c.binPrice);

        // The French page came as UTF-8: its no-break space is two bytes.
        if (item.layout == QLatin1String("non_us_fr"))
            EXPECT_TRUE(page.contains(QString::fromUtf16(u"en cours\u00C2\u00A0:</span>")));
    }
}
