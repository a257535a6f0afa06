// Sellers' titles that carry the item page's own labels, against the
// simulator: every layout reads as with a plain title, and the snipes on such
// items, ending a minute away, go out from the running main tick beside a
// plain one.
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/simlayoutpage.h"
#include "tests/integration/wizardsim.h"
#include "tests/support/msgboxscript.h"

#include "foundation/itemfields.h"
#include "foundation/pageaccess.h"
#include "foundation/sellertext.h"
#include "items/frmaddauction.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "sim/core/itemstore.h"

#include <gtest/gtest.h>

#include <QLabel>

using namespace RefreshSim;

namespace {

const char *const kKeys[] = {"picture", "title", "endtime", "bids", "currentbid", "minbid",
                             "binprice", "shipping", "qty", "feedbackpercent", "feedbackrating", "seller"};

// Whole titles made of what the field readers and the refresh look for.
const QString kMarkerTitles[] = {
    QStringLiteral("Brass lamp - Time left: (Dec 31, 2030 10:00:00 PST)"),
    QStringLiteral("Time left: (Nov 01, 2001 10:00:00 PST)"),
    QStringLiteral("Ended:"),
    QStringLiteral("Ended: Dec 31, 2030 10:00:00 PST"),
    QStringLiteral("Winning bidder:"),
    QStringLiteral("Bidding has ended for this item"),
    QStringLiteral("US $"),
    QStringLiteral("US $0.01"),
    QStringLiteral("Current bid: US $999.00"),
    QStringLiteral("Starting bid: US $999.00"),
    QStringLiteral("Price: US $999.00"),
    QStringLiteral("Winning bid: US $999.00"),
    QStringLiteral("Bid history: 99 bids"),
    QStringLiteral(" [ 99 bids ]"),
    QStringLiteral("Quantity: 50 available"),
    QStringLiteral("Shipping: US $99.00"),
    QStringLiteral("Enter more than US $999.00"),
    QStringLiteral("feedback score: 1"),
    QStringLiteral("x) has been removed, or this item is not available."),
    QStringLiteral("This item is not available for purchase on eBay United States."),
};

// The page's own notices the refresh and the item windows look for.
struct Notices
{
    bool ended, biddingEnded, winnerShown, removed, moved;
    bool operator==(const Notices &) const = default;
};

Notices noticesOf(const QString &page)
{
    const QString own = basGeneral::WithoutSellerText(page);
    return {basGeneral::InStrClean(own, QStringLiteral(">Ended:<")) > 0,
            own.contains(QLatin1String(">Bidding has ended for this item<")),
            own.contains(QLatin1String(">Winning bidder:<")),
            own.contains(QLatin1String(") has been removed, or this item is not available.<"), Qt::CaseInsensitive),
            own.contains(QLatin1String("This item is not available for purchase on eBay United States"))};
}

} // namespace

TEST(SellerMarkersSim, EveryLayoutReadsATitleWithThePagesLabelsAsAPlainOne)
{
    struct Layout
    {
        const char *name;
        qint64 endsIn;
    };
    const Layout layouts[] = {{"default", 60},     {"default", -60},          {"ended_table", -60}, {"ended_div", -60},
                              {"fixed_price", 60}, {"fixed_price_sale", 60}, {"non_us_fr", 60},    {"non_us_de", 60},
                              {"unfamiliar", 60},  {"unfamiliar", -60}};
    const Sim::PageContext ctx{QDateTime::currentDateTimeUtc(), 0, Server().url(QString())};
    for (const Layout &layout : layouts) {
        Sim::SimItem item = SimLayoutPage::Lamp(layout.name, layout.endsIn, ctx);
        const QString plain = SimLayoutPage::PageOf(item, ctx);
        const Notices plainNotices = noticesOf(plain);
        for (const QString &title : kMarkerTitles) {
            item.title = title;
            const QString page = SimLayoutPage::PageOf(item, ctx);
            SCOPED_TRACE(std::string(layout.name) + (layout.endsIn < 0 ? " (ended)" : "") + ", title " + title.toStdString());
            // The title is cut out wherever it stands: a title that is
            // exactly one of eBay's labels leaves that label unread.
            const bool aLabel = title == u"Ended:" || title == u"Winning bidder:" || title == u"Bidding has ended for this item";
            for (const char *key : kKeys) {
                const QString k = QString::fromLatin1(key);
                const QString expected = k == u"title" ? title.trimmed() : basGeneral::GetItemField(plain, k);
                const QString read = basGeneral::GetItemField(page, k);
                if (!(aLabel && k == u"endtime" && read == u"N/A"))
                    EXPECT_EQ(read.toStdString(), expected.toStdString()) << key;
            }
            const Notices notices = noticesOf(page);
            if (aLabel)
                EXPECT_TRUE((!notices.ended || plainNotices.ended) && (!notices.biddingEnded || plainNotices.biddingEnded)
                            && (!notices.winnerShown || plainNotices.winnerShown) && notices.removed == plainNotices.removed
                            && notices.moved == plainNotices.moved);
            else
                EXPECT_TRUE(notices == plainNotices);
        }
    }
}

TEST(SellerMarkersSim, SnipesOnItemsWhoseTitlesCarryThePagesLabelsArePlacedBeforeTheirEnds)
{
    Form &f = FreshForm();
    f.realBid = true;
    const QStringList titles = {
        QStringLiteral("Brass lamp - Time left: (Dec 31, 2030 10:00:00 PST)"),
        QStringLiteral("Ended:"),
        QStringLiteral("Bidding has ended for this item"),
        QStringLiteral("x) has been removed, or this item is not available."),
        QStringLiteral("This item is not available for purchase on eBay United States"),
        QStringLiteral("Plain brass lamp"),
    };
    // One end every 5 seconds, the first 20 seconds away, so that the bids
    // take turns.
    QStringList numbers;
    for (int i = 0; i < titles.size(); ++i) {
        const QString title = titles.at(i);
        numbers << AddItem(20 + 5 * i, 1.0, [&](Sim::SimItem &item) { item.title = title; });
        AddRow(numbers.last(), {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    }
    const qint64 mark = Mark();

    f.tmrTimer->setEnabled(true);
    const bool allBid = RunUntil([&] { return f.bids.size() == numbers.size(); }, 60);
    RunUntil([&] { return BidConfirmationsSince(mark, numbers.last()).size() == 1; }, 15);
    f.tmrTimer->setEnabled(false);

    EXPECT_TRUE(allBid) << f.bids.join(QLatin1Char(' ')).toStdString();
    for (int i = 0; i < numbers.size(); ++i) {
        SCOPED_TRACE(titles.at(i).toStdString());
        EXPECT_TRUE(f.bids.contains(numbers.at(i)));
        const QList<Sim::LogEntry> confirmations = BidConfirmationsSince(mark, numbers.at(i));
        EXPECT_EQ(confirmations.size(), 1);
        if (!confirmations.isEmpty())
            EXPECT_LT(confirmations.first().arrival, Server().items().find(numbers.at(i))->endsAt);
    }
}

TEST(SellerMarkersSim, TheAddItemWindowTakesItemsWhoseTitlesCarryThePagesNotices)
{
    WizardSim::Fresh();
    for (const QString &title : {QStringLiteral("Ended:"), QStringLiteral("x) has been removed, or this item is not available."),
                                 QStringLiteral("This item is not available for purchase on eBay United States.")}) {
        const QString number = AddItem(3600, 10.0, [&](Sim::SimItem &item) { item.title = title; });
        frmAddAuction *w = WizardSim::Open(number);
        ASSERT_NE(w, nullptr) << title.toStdString() << ": " << MsgBoxScript::instance().lastPrompt().toStdString();
        EXPECT_EQ(w->lblTitle->text(), title.size() > 55 ? title.left(52) + QStringLiteral("...") : title);
        frmAddAuction::unloadInstance();
    }
}
