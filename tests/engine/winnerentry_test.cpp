// Which user ID an item page names as the winner: only the value of eBay's
// own "Winning bidder" entry counts, never the ID elsewhere on the page.
#include "engine/winnerentry.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

std::optional<QString> Winner(const char *html)
{
    return WinnerEntry::Read(QString::fromUtf8(html));
}

const char *const kHeader = "<div id=\"gh-ug\">Hi <a href=\"/usr/demo\">demo</a>!</div>\r\n";
const char *const kBidHistory = "<table id=\"bids\"><tr><td><a href=\"/usr/demo\">demo</a></td><td>US $84.00</td></tr></table>";

} // namespace

TEST(WinnerEntry, ReadsTheIdFromTheValueOfEachOfEbaysEntryForms)
{
    // The table rows of the item page, with and without blanks between the
    // cells, the division rows, a label wrapped in a span, a value without
    // a link.
    EXPECT_EQ(Winner("<tr><th class=\"vi-is1-lblp\">Winning bidder:</th><td><a href=\"/usr/Demo\">Demo</a></td></tr>"),
              QStringLiteral("Demo"));
    EXPECT_EQ(Winner("<tr>\r\n\t<th class=\"vi-is1-lbl\">Winning bidder:</th>\r\n\t<td><a href=\"/usr/x\">DEMO</a></td>\r\n</tr>"),
              QStringLiteral("DEMO"));
    EXPECT_EQ(Winner("<div class=\"u-cb\">\r\n\t<div class=\"u-flL lable\">Winning bidder:</div>\r\n\t<div class=\"u-flL\">"
                     "<a href=\"/usr/demo\">demo</a></div>\r\n</div>"),
              QStringLiteral("demo"));
    EXPECT_EQ(Winner("<tr><th><span class=\"lbl\">Winning bidder:</span></th> <td> <b>bob</b> </td></tr>"), QStringLiteral("bob"));
    // The feedback score eBay shows beside the link is not part of the ID;
    // references are read as characters.
    EXPECT_EQ(Winner("<td class=\"l\">Winning bidder:</td><td><a href=\"/usr/a\"><span>a&amp;b</span></a> ( <a href=\"/fb\">12</a>)</td>"),
              QStringLiteral("a&b"));
    // A value element holding elements of its own name.
    EXPECT_EQ(Winner("<div>Winning bidder:</div><div><div class=\"m\"></div><div><a href=\"/usr/bob\">bob</a></div></div>"),
              QStringLiteral("bob"));
}

TEST(WinnerEntry, TheUsersIdOutsideTheEntryNamesNobody)
{
    // The user greeted in the header and listed in the bid history while
    // another bidder holds the entry.
    const QString page = QString::fromUtf8(kHeader) + QString::fromUtf8(kBidHistory)
        + QStringLiteral("<tr><th>Winning bidder:</th><td><a href=\"/usr/bob\">bob</a></td></tr>");
    EXPECT_EQ(WinnerEntry::Read(page), QStringLiteral("bob"));
    EXPECT_EQ(WinnerEntry::Read(page + QString::fromUtf8(kHeader)), QStringLiteral("bob"));

    // No entry at all, however often the user's ID is on the page.
    EXPECT_EQ(Winner(kHeader), std::nullopt);
    EXPECT_EQ(WinnerEntry::Read(QString::fromUtf8(kHeader) + QString::fromUtf8(kBidHistory)), std::nullopt);
}

TEST(WinnerEntry, AnEntryWithoutAReadableValueShowsNoId)
{
    // The label with nothing after it, a value never closed, an empty value:
    // the page names a winner, but not one the program can tell.
    EXPECT_EQ(Winner("<th>Winning bidder:</th>"), QString());
    EXPECT_EQ(Winner("<th>Winning bidder:</th></tr></table><p>"), QString());
    EXPECT_EQ(Winner("<th>Winning bidder:</th><td><a href=\"/usr/demo\">demo</a>"), QString());
    EXPECT_EQ(Winner("<th>Winning bidder:</th><td> </td>"), QString());
    // The label in another case or without its element is not eBay's entry.
    EXPECT_EQ(Winner("<th>winning bidder:</th><td>bob</td>"), std::nullopt);
}

// A label of the same text in an element eBay does not print values in (a
// shipping row of an unknown layout) stands beside eBay's entry: entries
// that show different IDs cannot be told apart and name nobody, so the won
// rule's other way decides; entries that agree name their ID.
TEST(WinnerEntry, EntriesThatDisagreeNameNobody)
{
    const char *const shippingRow = "<td>Shipping:</td><td><span>Winning bidder:</span></td>";
    const char *const quantityRow = "<td>Quantity:</td><td>1 available</td>";
    const char *const entry = "<td>Winning bidder:</td><td><a href=\"/usr/alice\">alice</a></td>";
    EXPECT_EQ(WinnerEntry::Read(QString::fromUtf8(shippingRow) + QString::fromUtf8(quantityRow) + QString::fromUtf8(entry)),
              std::nullopt);
    EXPECT_EQ(WinnerEntry::Read(QString::fromUtf8(entry) + QString::fromUtf8(shippingRow) + QString::fromUtf8(quantityRow)),
              std::nullopt);
    EXPECT_EQ(WinnerEntry::Read(QString::fromUtf8(entry) + QStringLiteral("<th>Winning bidder:</th><td>ALICE</td>")),
              QStringLiteral("alice"));
}
