// Reading the item numbers out of a watching-list page.
#include "items/watchinglist.h"

#include <gtest/gtest.h>

namespace {

const QString kMarker = QStringLiteral("cgi.ebay.com/itm/");

// One list row as the page has it: the row's check box, a picture link and
// a title link to the item.
QString row(const QString &number)
{
    return QStringLiteral("<TR><TD><INPUT type=checkbox name=LineID value=%1></TD>"
                          "<TD><A href=\"http://cgi.ebay.com/itm/%1?pt=LH_DefaultDomain_0\"><IMG src=\"x.gif\"></A></TD>"
                          "<TD><A href=\"http://CGI.EBAY.COM/itm/%1?pt=LH_DefaultDomain_0\">Title of %1</A></TD></TR>\n")
        .arg(number);
}

} // namespace

TEST(WatchingListReader, AFullPageOf200RowsGivesEveryItemInPageOrder)
{
    QString page = QStringLiteral("<HTML><BODY><TABLE>");
    QStringList expected;
    for (int i = 0; i < 200; ++i) {
        const QString number = QString::number(110000000000LL + i * 7919LL);
        page += row(number);
        expected << number << number; // picture and title link
    }
    page += QStringLiteral("</TABLE></BODY></HTML>");
    EXPECT_EQ(WatchingList::ItemNumbers(page, kMarker), expected);
}

TEST(WatchingListReader, LinksWithoutAPlainNumberAndPagesWithoutLinksGiveNothing)
{
    const QString titlePath = QStringLiteral("<p><a href=\"http://cgi.ebay.com/itm/Old-Brass-Lamp/1100000000001?hash=x\">x</a></p>");
    EXPECT_TRUE(WatchingList::ItemNumbers(titlePath, kMarker).isEmpty());
    EXPECT_TRUE(WatchingList::ItemNumbers(QStringLiteral("<html>Please sign in</html>"), kMarker).isEmpty());
    // Another host's /itm/ links are not the list's.
    EXPECT_TRUE(WatchingList::ItemNumbers(QStringLiteral("<a href=\"http://www.example.com/itm/1100000000002?a\">"), kMarker)
                    .isEmpty());
    // The last link of a page without "?" after it runs to the page's end.
    EXPECT_EQ(WatchingList::ItemNumbers(titlePath + row("1100000000003") + QStringLiteral("<a href=http://cgi.ebay.com/itm/1100000000004"),
                                        kMarker),
              QStringList({"1100000000003", "1100000000003", "1100000000004"}));
}
