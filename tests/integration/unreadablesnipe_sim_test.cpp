// A snipe whose page reads no end says so on the very read that could not
// read it, in the bid log and the status bar, once for each spell of such
// reads; a watched row says nothing.
#include "tests/integration/bidsim.h"
#include "tests/integration/refreshsimutil.h"

#include "platform/listview.h"

#include <gtest/gtest.h>

using namespace RefreshSim;

TEST(UnreadableSnipe, ASnipeWhoseEndCannotBeReadSaysSoAtOnceOncePerSpell)
{
    Form &f = FreshForm();
    BidSim::ClearBidLog();
    // The German layout shows the time left without an end date.
    const QString number = AddItem(3600, 1.0, [](Sim::SimItem &item) { item.layout = QStringLiteral("non_us_de"); });
    const QString watched = AddItem(3600, 1.0, [](Sim::SimItem &item) { item.layout = QStringLiteral("non_us_de"); });
    ListItem *row = AddRow(number, {{"maxbid", "1 @ 5.00"}, {"user", "alice"}}, QStringLiteral("Local"));
    AddRow(watched, {{"maxbid", "(watching)"}, {"user", "alice"}});
    const QString line = QStringLiteral("Snipe on item # ") + number
        + QStringLiteral(" cannot be placed: its end could not be read from eBay's page");
    const auto told = [&] { return BidSim::BidLog().filter(QStringLiteral("cannot be placed")); };

    f.RefreshAuctions(number, false, false);
    EXPECT_EQ(Field(row, "enddate"), "N/A");
    ASSERT_EQ(told(), QStringList{line});
    EXPECT_EQ(f.PanelText(QStringLiteral("Status")), line);

    // The same spell: said once.
    f.RefreshAuctions(number, false, false);
    f.RefreshAuctions(watched, false, false);
    EXPECT_EQ(told(), QStringList{line});

    // A read that reads the end ends the spell; the next that cannot says so again.
    Server().items().find(number)->layout = QStringLiteral("default");
    f.RefreshAuctions(number, false, false);
    EXPECT_NE(Field(row, "enddate"), "N/A");
    EXPECT_EQ(told().size(), 1);
    Server().items().find(number)->layout = QStringLiteral("non_us_de");
    f.RefreshAuctions(number, false, false);
    EXPECT_EQ(told(), (QStringList{line, line}));
}
