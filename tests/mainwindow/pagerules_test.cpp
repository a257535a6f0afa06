// The browser's rules that need no page: secure and item addresses, captions,
// the search address, the sign-in and login pages, the scrolling steps and
// the information bar's lines.
#include "mainwindow/autoscroll.h"
#include "mainwindow/infobar.h"
#include "mainwindow/pagerules.h"

#include <gtest/gtest.h>

using namespace PageRules;

TEST(PageRules, SecureAndItemAddresses)
{
    EXPECT_TRUE(IsSecureAddress("https://signin.ebay.com/"));
    EXPECT_FALSE(IsSecureAddress("HTTPS://signin.ebay.com/"));
    EXPECT_FALSE(IsSecureAddress("https:/"));
    EXPECT_TRUE(IsItemAddress("http://cgi.ebay.com/ws/eBayISAPI.dll?ViewItem&item=123"));
    EXPECT_TRUE(IsItemAddress("http://www.ebay.com/itm/thing/123"));
    EXPECT_TRUE(IsItemAddress("http://x/?CMD=VIEWITEM"));
    EXPECT_FALSE(IsItemAddress("http://x/ITEM=1"));
    EXPECT_FALSE(IsItemAddress("http://search.ebay.com/sch/i.html"));
}

TEST(PageRules, CaptionsDoubleAmpersandsFallBackToTheAddressAndAreCut)
{
    EXPECT_EQ(TitleText("", "http://a/"), "http://a/");
    EXPECT_EQ(TitleText("Tom & Jerry", "http://a/"), "Tom && Jerry");
    const QString thirty(30, QLatin1Char('x'));
    EXPECT_EQ(TabCaption(thirty), thirty);
    EXPECT_EQ(TabCaption(thirty + "y"), QString(28, QLatin1Char('x')) + "...");
}

TEST(PageRules, SearchEncodesOnlyWhatWouldBreakTheQuery)
{
    const QString url = SearchURL("ebay.co.uk", "red shoes & bag #2 +1 50%");
    EXPECT_TRUE(url.startsWith("http://search.ebay.co.uk/search/search.dll?MfcISAPICommand=GetResult&query=")) << qPrintable(url);
    EXPECT_TRUE(url.endsWith("query=red shoes %26 bag %232 %2B1 50%25")) << qPrintable(url);
}

TEST(PageRules, TheOnlineServiceLoginPageIsRecognisedButNotItsFailedLogin)
{
    EXPECT_TRUE(IsOnlineLoginPage("https://h/online/login.asp"));
    EXPECT_FALSE(IsOnlineLoginPage("https://h/online/login.asp?error=1"));
    EXPECT_FALSE(IsOnlineLoginPage("https://h/other.asp?next=/online/login.asp"));
}

TEST(PageRules, TheSignInFormIsRecognisedButNotTheWrongPasswordPage)
{
    const QString form = "<p>user id</p><form id=signinform name=signinform>";
    EXPECT_TRUE(IsEbaySignInForm("https://signin.ebay.com/", form));
    EXPECT_FALSE(IsEbaySignInForm("https://signin.example.com/", form));
    EXPECT_FALSE(IsEbaySignInForm("https://signin.ebay.com/", "your user id or password is incorrect" + form));
    EXPECT_FALSE(IsEbaySignInForm("https://signin.ebay.com/", "<p>user id</p><form name=signinform>"));
}

TEST(AutoScrollSteps, SlowSpeedsMergeStepsAndTheFractionIsDropped)
{
    ScrollAccumulator tenAtTwenty;
    QList<int> moves;
    for (int i = 0; i < 4; ++i)
        moves << tenAtTwenty.Step(10, 20);
    EXPECT_EQ(moves, (QList<int>{0, 1, 0, 1}));
    ScrollAccumulator fast;
    EXPECT_EQ(fast.Step(100, 30), 3); // 3.33: the third is dropped
    EXPECT_EQ(fast.Step(100, 30), 3);
    ScrollAccumulator none;
    EXPECT_EQ(none.Step(100, 0), 0);
}

namespace {

const QString kMarker = QStringLiteral("<DIV class=\"iti-lbl u-flR iti-num\">Item number:</DIV>");
// Seller, rating and percent in the form the field reader knows.
const QString kSellerPart = QStringLiteral(
    "<div class=\"si-cnt\"><a href=\"/usr/bob\"><span class=mbg-nw>bob</span></a> <span class=\"mbg-l\">("
    "<a href=\"/ws/eBayISAPI.dll?ViewFeedback&amp;userid=bob\" title=\"Feedback score: 12\">12</a>)</span>"
    "<div id=si-fb>98%&nbsp;Positive feedback</div></div>");

} // namespace

TEST(AutoScrollSteps, TheNextResultsPageFollowsTheShownOneWithoutWrapping)
{
    const QString header = "<TD vAlign=top width=\"100%\"><B>Page %1</B> of 9 Next<img src=x>";
    EXPECT_EQ(NextResultsPage(header.arg("3")), "4");
    // The top of the integer range wrapped to a negative page.
    EXPECT_EQ(NextResultsPage(header.arg("2147483647")), "2147483648");
    EXPECT_EQ(NextResultsPage(header.arg("-5")), "1");
    EXPECT_EQ(NextResultsPage(header.arg("x")), "1");
    EXPECT_EQ(NextResultsPage("<B>Page 3</B> of 3"), "");
}

TEST(InfoBarLines, SellerLineAndPayPalNoteOnlyOnTheUsSite)
{
    const QString page = kMarker + kSellerPart;
    const QDateTime now = QDateTime::currentDateTime();
    const InfoBar::Lines us = InfoBar::Read(page, page, "http://cgi.ebay.com/ws/x?item=1", now, "pics.ebaystatic.com/logo.gif");
    ASSERT_TRUE(us.itemPage);
    ASSERT_TRUE(us.show);
    EXPECT_EQ(us.line1, "Seller: bob (Feedback: 12; 98.0% Positive) [PayPal may not be accepted for this item]");
    EXPECT_TRUE(us.line2.startsWith("Time Left: N/A - Current Bid: N/A")) << qPrintable(us.line2);

    const QString withLogo = page + "<IMG src=\"http://pics.ebaystatic.com/logo.gif\">";
    EXPECT_FALSE(InfoBar::Read(withLogo, withLogo, "http://cgi.ebay.com/x", now, "pics.ebaystatic.com/logo.gif").line1.contains("PayPal"));
    EXPECT_FALSE(InfoBar::Read(page, page, "http://cgi.ebay.co.uk/x", now, "pics.ebaystatic.com/logo.gif").line1.contains("PayPal"));

    const InfoBar::Lines other = InfoBar::Read(kSellerPart, kSellerPart, "http://cgi.ebay.com/x", now, "l");
    EXPECT_FALSE(other.itemPage);
    EXPECT_TRUE(other.line1.isEmpty());
}

TEST(InfoBarLines, ATitleAndADescriptionCarryingThePagesLabelsReadAsPlainOnes)
{
    const auto page = [](const QString &title, const QString &description) {
        return kMarker + "<H1 class=it-ttl id=itemTitle itemprop=name>" + title + "</H1>"
            + "<DIV>Time left:<SPAN>2h</SPAN> (Dec 06, 2013 <SPAN>14:03:22 PST</SPAN>)</DIV>"
            + "<span id=\"v4-27\" itemprop=\"price\" class=\"vi-is1-prcp-eu\">US $5.00</span>" + kSellerPart
            + "<DIV id=desc_div>" + description + "</DIV>";
    };
    const QDateTime now(QDate(2013, 12, 6), QTime(12, 0));
    const QString logo = "pics.ebaystatic.com/logo.gif";
    const QString url = "http://cgi.ebay.com/ws/x?item=1";
    const QString plainPage = page("Brass lamp", "<P>Solid brass.</P>");
    const InfoBar::Lines plain = InfoBar::Read(plainPage, plainPage, url, now, logo);
    ASSERT_TRUE(plain.show);
    EXPECT_TRUE(plain.line1.endsWith("[PayPal may not be accepted for this item]")) << qPrintable(plain.line1);

    // The seller's copy of the logo does not stand for the page's own.
    const QString markedPage = page("Time left: (Dec 31, 2030 10:00:00 PST) Current bid: US $999.00 Quantity: 50 available",
                                    "<P>Time left: (Dec 31, 2030 10:00:00 PST)</P><IMG src=\"http://" + logo + "\">");
    const InfoBar::Lines marked = InfoBar::Read(markedPage, markedPage, url, now, logo);
    EXPECT_EQ(marked.line1.toStdString(), plain.line1.toStdString());
    EXPECT_EQ(marked.line2.toStdString(), plain.line2.toStdString());
}

TEST(InfoBarLines, AnEndedItemReadsEndedAsTheListShowsIt)
{
    const QString page = kMarker + "<DIV><DIV>Time left:</DIV><DIV><SPAN>2h</SPAN> (Dec 06, 2013 <SPAN>14:03:22 PST</SPAN>)</DIV></DIV>"
        + kSellerPart;
    const QDateTime end(QDate(2013, 12, 6), QTime(14, 3, 22));
    const QString url = "http://cgi.ebay.com/ws/x?item=1";
    // Before the end a time left; from the end on "Ended", never a negative time.
    for (const qint64 offset : {-7200, -61, -1, 0, 1, 59, 726, 86400 * 3}) {
        const InfoBar::Lines bar = InfoBar::Read(page, page, url, end.addSecs(offset), "l");
        ASSERT_TRUE(bar.show) << offset;
        const QString left = bar.line2.section(" - ", 0, 0);
        if (offset < 0) {
            EXPECT_NE(left, "Time Left: Ended") << offset;
            EXPECT_FALSE(left.contains('-')) << qPrintable(left);
        } else {
            EXPECT_EQ(left, "Time Left: Ended") << offset;
        }
    }
    EXPECT_EQ(InfoBar::Read(page, page, url, end.addSecs(-7200), "l").line2.section(" - ", 0, 0), "Time Left: 2 h ");
}

// A seller's note in the condition row, as the browser shows the page, and
// a description meta tag: the bar keeps the page's own end and price.
TEST(InfoBarLines, ANoteInTheConditionRowCarryingThePagesLabelsReadsAsNone)
{
    const auto page = [](const QString &note) {
        return kMarker + "<DIV>" + note + "</DIV><DIV><DIV>Time left:</DIV><DIV><SPAN>2h</SPAN> (Dec 06, 2013 <SPAN>14:03:22 PST</SPAN>)</DIV></DIV>"
            + "<DIV><DIV>Current bid:</DIV><DIV><SPAN>US $5.00</SPAN></DIV></DIV>" + kSellerPart;
    };
    const QDateTime now(QDate(2013, 12, 6), QTime(12, 0));
    const QString url = "http://cgi.ebay.com/ws/x?item=1";
    const QString plainPage = page(QString());
    const InfoBar::Lines plain = InfoBar::Read(plainPage, plainPage, url, now, "l");
    ASSERT_TRUE(plain.show);
    EXPECT_TRUE(plain.line2.startsWith("Time Left: 2 h 3 m") && plain.line2.contains("Current Bid: US $5.00"))
        << qPrintable(plain.line2);
    for (const QString &note : {QStringLiteral("<DIV class=condText>Seller notes: \"Time left: 3d (Dec 31, 2030 10:00:00 PST) "
                                               "Current bid: US $999.00 Quantity: 50 available\"</DIV>"),
                                QStringLiteral("<META name=description content=\"Time left: 1m (Dec 06, 2013 12:30:00 PST) "
                                               "Current bid: US $999.00\">")}) {
        const QString notedPage = page(note);
        const InfoBar::Lines noted = InfoBar::Read(notedPage, notedPage, url, now, "l");
        EXPECT_EQ(noted.line2.toStdString(), plain.line2.toStdString()) << note.toStdString();
    }
}
