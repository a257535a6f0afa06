// The simulator's item pages in every layout, with what a seller wrote put
// where eBay prints it (a note in the condition row, the picture address)
// or between any two of the page's elements: every field reads as on the
// page without it, or as the field's fallback, and the refresh finds the
// page's own notices only. Every value a seller fills in, set to exactly one
// of eBay's labels, notices or markers, reads as the seller's. A live item
// whose note holds eBay's notices is refreshed as live.
#include "engine/trackedauction.h"
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "platform/listview.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/simlayoutpage.h"
#include "tests/support/sellerinsertion.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace {

const char *const kKeys[] = {"picture", "title", "endtime", "bids", "currentbid", "minbid",
                             "binprice", "shipping", "qty", "feedbackpercent", "feedbackrating", "seller"};

struct Layout
{
    const char *name;
    qint64 endsIn;
};

const Layout kLayouts[] = {{"default", 3600},    {"default", -60},          {"ended_table", -60}, {"ended_div", -60},
                           {"fixed_price", 3600}, {"fixed_price", -60},     {"fixed_price_sale", 3600},
                           {"non_us_fr", 3600},  {"non_us_de", 3600},       {"unfamiliar", 3600}, {"unfamiliar", -60}};

const Sim::PageContext &context()
{
    static const Sim::PageContext ctx{QDateTime::currentDateTimeUtc(), 0, QStringLiteral("http://127.0.0.1:9")};
    return ctx;
}

Sim::SimItem itemIn(const Layout &layout)
{
    return SimLayoutPage::Lamp(layout.name, layout.endsIn, context());
}

QString pageOf(const Sim::SimItem &item)
{
    return SimLayoutPage::PageOf(item, context());
}

std::string nameOf(const Layout &layout)
{
    return std::string(layout.name) + (layout.endsIn < 0 ? " (ended)" : "");
}

// The values a seller fills in, with the field each is read as.
struct FilledValue
{
    const char *name;
    std::function<void(Sim::SimItem &, const QString &)> set;
    const char *ownKey;
};

const FilledValue kFilledValues[] = {
    {"title", [](Sim::SimItem &i, const QString &v) { i.title = v; }, "title"},
    {"subtitle", [](Sim::SimItem &i, const QString &v) { i.subtitle = v; }, ""},
    {"shipping text", [](Sim::SimItem &i, const QString &v) { i.shipping = v; }, "shipping"},
    {"condition note", [](Sim::SimItem &i, const QString &v) { i.conditionNote = v; }, ""},
    {"item location", [](Sim::SimItem &i, const QString &v) { i.location = v; }, ""},
    {"return text", [](Sim::SimItem &i, const QString &v) { i.returns = v; }, ""},
    {"item specific's name", [](Sim::SimItem &i, const QString &v) { i.specificName = v; }, ""},
    {"item specific's value", [](Sim::SimItem &i, const QString &v) { i.specificValue = v; }, ""},
};

// The lamp with every value a seller fills in set to a plain text.
Sim::SimItem filledLamp(const Layout &layout)
{
    Sim::SimItem item = itemIn(layout);
    item.subtitle = QStringLiteral("With its shade");
    item.shipping = QStringLiteral("US $4.50");
    item.conditionNote = QStringLiteral("Works well.");
    item.location = QStringLiteral("Leeds, United Kingdom");
    item.returns = QStringLiteral("14 days, buyer pays return shipping");
    item.specificName = QStringLiteral("Brand");
    item.specificValue = QStringLiteral("Anglepoise");
    return item;
}

} // namespace

// Every value a seller fills in (the description repeats the title), in
// every layout, set to each label, notice and marker the readers know, alone
// and with blanks, no-break spaces, quotes (escaped as references) or a lead
// of its own around it: every field reads as on the page without it or as
// its fallback, and the page's notices and winner entry stay its own.
TEST(SellerNotesSim, EveryValueASellerFillsInReadsAsTheSellersInEveryLayout)
{
    HostRoles::reload();
    const QStringList values = SellerInsertion::FilledValues(false);
    int pages = 0;
    for (const Layout &layout : kLayouts) {
        const Sim::SimItem plainItem = filledLamp(layout);
        const QString plain = pageOf(plainItem);
        for (const FilledValue &slot : kFilledValues) {
            int faults = 0;
            for (const QString &value : values) {
                Sim::SimItem item = plainItem;
                slot.set(item, value);
                const QString page = pageOf(item);
                ++pages;
                const QString wrong = SellerInsertion::Misreading(plain, page, QLatin1String(slot.ownKey));
                if (!wrong.isEmpty() && ++faults <= 3)
                    ADD_FAILURE() << nameOf(layout) << ", " << slot.name << " \"" << value.toStdString() << "\":" << wrong.toStdString();
            }
        }
    }
    std::printf("simulator layouts: %d layouts x %d seller values x %d texts = %d pages read\n", int(std::size(kLayouts)),
                int(std::size(kFilledValues)), int(values.size()), pages);
}

TEST(SellerNotesSim, ANoteInTheConditionRowAndThePictureAddressChangeNoOtherField)
{
    HostRoles::reload();
    for (const Layout &layout : kLayouts) {
        SCOPED_TRACE(nameOf(layout));
        Sim::SimItem item = itemIn(layout);
        const QString plain = pageOf(item);
        QStringList notes = {QStringLiteral("<b>Time left:</b> 3d (Dec 31, 2030 10:00:00 PST)"),
                             QStringLiteral("\"><div>Ended:</div>")};
        for (const SellerInsertion::Note &note : SellerInsertion::Notes(plain, QStringLiteral("alice")))
            notes << note.text;
        for (const QString &note : std::as_const(notes)) {
            item.conditionNote = note;
            const QString page = pageOf(item);
            ASSERT_NE(page, plain) << "the layout shows the note";
            for (const char *key : kKeys)
                EXPECT_EQ(basGeneral::GetItemField(page, QString::fromLatin1(key)).toStdString(),
                          basGeneral::GetItemField(plain, QString::fromLatin1(key)).toStdString())
                    << key << " with the note " << note.toStdString();
            EXPECT_TRUE(SellerInsertion::NoticesOf(page) == SellerInsertion::NoticesOf(plain))
                << "notices with the note " << note.toStdString();
        }
        item.conditionNote.clear();

        // The picture address is the seller's too, and escaped like the rest.
        item.picture = QStringLiteral("http://i.ebayimg.com/lamp.jpg\"></meta><div>Time left:</div><div>(Dec 31, 2030 10:00:00 PST)</div>");
        const QString page = pageOf(item);
        for (const char *key : kKeys) {
            const QString k = QString::fromLatin1(key);
            const QString plainValue = basGeneral::GetItemField(plain, k);
            const QString expected = k == u"picture" && !plainValue.isEmpty() ? item.picture : plainValue;
            EXPECT_EQ(basGeneral::GetItemField(page, k).toStdString(), expected.toStdString()) << key;
        }
    }
}

TEST(SellerNotesSim, SellersTextsBetweenTheElementsOfEveryLayoutChangeNoField)
{
    HostRoles::reload();
    int total = 0;
    for (const Layout &layout : kLayouts) {
        const QString page = pageOf(itemIn(layout));
        const SellerInsertion::Coverage c = SellerInsertion::Check(page, SellerInsertion::Notes(page, QStringLiteral("alice")));
        EXPECT_TRUE(c.faults.isEmpty()) << nameOf(layout) << "\n" << c.faults.join(QLatin1Char('\n')).toStdString();
        EXPECT_GE(c.positions, 20) << nameOf(layout);
        std::printf("%s: %d positions outside fields, %d between a label and its value, %d inside fields\n",
                    nameOf(layout).c_str(), c.positions, c.betweenLabelAndValue, c.insideFields);
        total += c.positions + c.betweenLabelAndValue;
    }
    std::printf("simulator layouts: %d positions\n", total);
}

TEST(SellerNotesSim, ALiveItemWhoseNoteHoldsEbaysNoticesIsRefreshedAsLive)
{
    using namespace RefreshSim;
    Form &f = FreshForm();
    const QStringList notes = {
        QStringLiteral("This item is not available for purchase on eBay United States"),
        QStringLiteral("Lamp works. This item is not available for purchase on eBay United States."),
        QStringLiteral("This listing (1) has been removed, or this item is not available."),
    };
    QList<ListItem *> rows;
    for (const QString &note : notes) {
        const QString number = AddItem(3600, 10.0, [&](Sim::SimItem &item) {
            item.title = QStringLiteral("Brass lamp");
            item.conditionNote = note;
        });
        rows << AddRow(number, {{"maxbid", "1 @ 25.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    }

    f.RefreshAuctions(QString(), false, false);

    for (int i = 0; i < notes.size(); ++i) {
        SCOPED_TRACE(notes.at(i).toStdString());
        EXPECT_EQ(Field(rows.at(i), "itemtitle"), "Brass lamp");
        EXPECT_EQ(Field(rows.at(i), "currentbid"), "US $10.00");
        EXPECT_GT(TrackedAuction::TimeLeftSeconds(Field(rows.at(i), "timeleft")), 3000) << Field(rows.at(i), "timeleft").toStdString();
        EXPECT_EQ(rows.at(i)->Tag(), "Local");
    }
}
