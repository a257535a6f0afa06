// The HTML list without a browser: reading the template's sections, the
// placeholders, the shipped template, and what a row's elements get.
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "mainwindow/htmltemplate.h"
#include "platform/numberederror.h"
#include "tests/support/testtext.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace HtmlList;

namespace {

QString valueOf(const QList<ElementWrite> &writes, const char *id, ElementWrite::Kind kind)
{
    for (const ElementWrite &w : writes) {
        if (w.id == QLatin1String(id) && w.kind == kind)
            return w.value;
    }
    return QStringLiteral("<not written>");
}

int countOf(const QList<ElementWrite> &writes, ElementWrite::Kind kind)
{
    return int(std::count_if(writes.begin(), writes.end(), [kind](const ElementWrite &w) { return w.kind == kind; }));
}

RowFields snipe()
{
    RowFields r;
    r.index = 4;
    r.itemNumber = "110022003300";
    r.tag = "Local";
    r.timeLeft = "2 h 5 m ";
    r.maxBid = "1 @ 20.00";
    r.group = "Lamps";
    r.note = "check the wiring";
    r.picture = "http://i.ebayimg.com/x.jpg";
    r.won = "False";
    return r;
}

RowContext context(QStringList colours = {"#FFFFFF", "#EEEEEE", "#FFFF00"})
{
    return {colours, QStringLiteral("http://cgi.ebay.com/ws/eBayISAPI.dll?ViewItem&item="),
            QUrl::fromLocalFile(QStringLiteral("/opt/tallowmere/"))};
}

} // namespace

TEST(HtmlTemplateSections, ReadAsTheMarkersSay)
{
    int lines = 0;
    const Template t = Template::fromLines(
        {"ignored", "<listfooter>", "</body>", "</listfooter>", "<altcolors>", "#111111;", "#222222;#333333",
         "</altcolors>", "<listitem>", "<tr>%cnt%", "</listitem>", "<noitems>", "<p>none</p>", "</noitems>",
         "<listitem>", "<tr>again", "</listitem>", "<listheader>", "<table>", "</listheader>", "also ignored"},
        [&] { ++lines; });
    EXPECT_EQ(lines, 21); // events run after every line
    EXPECT_EQ(t.listFooter, "</body>\r\n");
    EXPECT_EQ(t.listHeader, "<table>\r\n");
    EXPECT_EQ(t.noItems, "<p>none</p>\r\n");
    EXPECT_EQ(t.listItem, "<tr>%cnt%\r\n<tr>again\r\n"); // a second section adds to the first
    // Colour lines are joined as they stand: two lines read as one.
    EXPECT_EQ(t.altColors, "#111111;#222222;#333333");
    EXPECT_EQ(t.colours(), QStringList({"#111111", "#222222", "#333333"}));
    EXPECT_TRUE(Template().colours().isEmpty());

    // Markers match whole lines, with regard to case and blanks.
    const Template loose = Template::fromLines({"<ListItem>", " <listitem>", "<listitem> ", "x"});
    EXPECT_TRUE(loose.listItem.isEmpty());

    // The line after a start marker is content even when it is the end
    // marker: the section runs on to the next end marker.
    const Template swallow = Template::fromLines(
        {"<listitem>", "</listitem>", "<listfooter>", "</listfooter>", "</listitem>", "<listfooter>", "end", "</listfooter>"});
    EXPECT_EQ(swallow.listItem, "</listitem>\r\n<listfooter>\r\n</listfooter>\r\n");
    EXPECT_EQ(swallow.listFooter, "end\r\n");

    // A section whose end never comes runs past the end of the file.
    EXPECT_EQ(ErrorNumberOf([] { Template::fromLines({"<listheader>", "<table>", "</listitem>"}); }), 62);
    EXPECT_EQ(ErrorNumberOf([] { Template::fromLines({"<altcolors>"}); }), 62);

    // From a file: CR LF lines, a bare LF, Windows-1252, no final break.
    QTemporaryDir dir;
    const QString path = dir.filePath("list.tmt");
    EXPECT_EQ(ErrorNumberOf([&] { Template::read(path); }), 53);

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<listheader>\r\n<b>Preis in \x80</b>\r\n</listheader>\n<noitems>\r\nnone\r\n</noitems>");
    f.close();
    lines = 0;
    const Template file = Template::read(path, [&] { ++lines; });
    EXPECT_EQ(lines, 6);
    EXPECT_EQ(file.listHeader, QString::fromUtf8("<b>Preis in \u20ac</b>\r\n"));
    EXPECT_EQ(file.noItems, "none\r\n");
}

TEST(HtmlTemplatePlaceholders, ReplacedWhereTheyBelong)
{
    // Exact matches only; "%cnt%" means nothing in the no-items page.
    Template t;
    t.listItem = "%cnt%:%CNT%:%apppath%";
    t.noItems = "%cnt%:%apppath%";
    EXPECT_EQ(t.rowHtml(12, "file:///p/"), "12:%CNT%:file:///p/");
    EXPECT_EQ(t.noItemsHtml("file:///p/"), "%cnt%:file:///p/");

    // The program folder goes in as an address that keeps every character
    // of the folder's name and cannot end the attribute it stands in.
    EXPECT_EQ(AppPathForPage("/opt/tallowmere/bin/"), "file:///opt/tallowmere/bin/");
    const QString odd = AppPathForPage("/home/a b/\"x\"#1?&%20<z>/");
    EXPECT_FALSE(odd.contains('"'));
    EXPECT_FALSE(odd.contains('<'));
    EXPECT_FALSE(odd.contains('#'));
    EXPECT_EQ(QUrl(QString(odd).replace("&amp;", "&")).toLocalFile(), "/home/a b/\"x\"#1?&%20<z>/");
}

TEST(HtmlTemplateShipped, HoldsEverySectionIdAndLink)
{
    const Template t = Template::read(basGeneral::AppPath() + "default.tmt");
    ASSERT_FALSE(t.listItem.isEmpty());
    ASSERT_FALSE(t.listHeader.isEmpty());
    ASSERT_FALSE(t.listFooter.isEmpty());
    ASSERT_FALSE(t.noItems.isEmpty());
    EXPECT_EQ(t.colours().size(), 3);
    EXPECT_TRUE(t.noItems.contains("%apppath%"));

    // Each row id once per row is checked on the page built from it.
    for (const char *command : {"edit", "notes", "remove", "remind"})
        EXPECT_TRUE(t.listItem.contains(QStringLiteral("tmr:///%1=%cnt%").arg(command))) << command;

    // Sort links name a column of the list (or the item number).
    QStringList keys = {"itemnumber"};
    for (const auto &c : TrackedAuction::kColumns)
        keys << QString(c.key);
    const QRegularExpression sortLink("tmr:///sortby=([A-Za-z]+)");
    int links = 0;
    for (auto it = sortLink.globalMatch(t.listHeader); it.hasNext(); ++links)
        EXPECT_TRUE(keys.contains(it.next().captured(1)));
    EXPECT_GE(links, 10);
}

TEST(HtmlListRowWrites, ColoursByRowKind)
{
    RowFields r = snipe();
    auto colours = [&] {
        const auto w = RowWrites(r, 0, false, false, context());
        return std::pair(valueOf(w, "itemtitle", ElementWrite::Colour), valueOf(w, "bids", ElementWrite::Colour));
    };
    EXPECT_EQ(colours(), std::pair(QString("800000"), QString("800000"))); // a snipe to come

    r.won = "true";
    EXPECT_EQ(colours(), std::pair(QString("008000"), QString("008000")));
    r.tag = "Other in group won";
    EXPECT_EQ(colours(), std::pair(QString("800000"), QString("800000")));
    // A bid whose outcome is not known is never green, and says so in words.
    r.tag = "Bid outcome unknown";
    r.timeLeft = "Ended";
    EXPECT_EQ(colours(), std::pair(QString("800000"), QString("800000")));
    EXPECT_EQ(valueOf(RowWrites(r, 0, false, false, context()), "timeleft", ElementWrite::Text),
              "Ended - Bid outcome unknown");
    // A watched row is blue and black whatever its won field says.
    r.maxBid = "(Watching)";
    r.tag = "";
    EXPECT_EQ(colours(), std::pair(QString("000080"), QString("000000")));
    // Without updateAll the backgrounds are not touched, so no colour is
    // needed; with it, two do for a row that is not highlighted (the page
    // tests show which each row gets).
    EXPECT_EQ(countOf(RowWrites(snipe(), 0, false, false, context()), ElementWrite::Background), 0);
    EXPECT_EQ(ErrorNumberOf([&] { RowWrites(r, 0, false, false, context({})); }), 0);
    EXPECT_EQ(countOf(RowWrites(r, 5, true, false, context({"#A", "#B"})), ElementWrite::Background), 13);
    EXPECT_EQ(ErrorNumberOf([&] { RowWrites(r, 0, true, true, context({"#A", "#B"})); }), 9);
    EXPECT_EQ(ErrorNumberOf([&] { RowWrites(r, 0, true, false, context({"#A"})); }), 9);
}

TEST(HtmlListRowWrites, ButtonsGroupAndPicture)
{
    RowFields r = snipe();
    auto w = RowWrites(r, 0, false, false, context());
    EXPECT_EQ(valueOf(w, "cmdEdit", ElementWrite::Filter), "");
    EXPECT_EQ(valueOf(w, "itempic", ElementWrite::Src), "http://i.ebayimg.com/x.jpg");

    // An ended row's edit button and an empty note's button are grey; an
    // empty group shows "N/A" with no tooltip; pictures named without a
    // scheme (or none at all) are files of the program folder.
    r.timeLeft = "Ended";
    r.note.clear();
    r.group.clear();
    r.picture = "nopic.gif";
    w = RowWrites(r, 0, false, false, context());
    EXPECT_EQ(valueOf(w, "cmdEdit", ElementWrite::Filter), "Gray()");
    EXPECT_EQ(valueOf(w, "cmdNotes", ElementWrite::Filter), "Gray()");
    EXPECT_EQ(valueOf(w, "group", ElementWrite::Text), "N/A");
    EXPECT_EQ(valueOf(w, "group", ElementWrite::Title), "");
    EXPECT_EQ(valueOf(w, "itempic", ElementWrite::Src), "file:///opt/tallowmere/nopic.gif");
    r.picture.clear();
    EXPECT_EQ(valueOf(RowWrites(r, 0, false, false, context()), "itempic", ElementWrite::Src),
              "file:///opt/tallowmere/nopic.gif");
}

TEST(HtmlListRowPattern, ValuesWrittenIntoTheRowAsHtml)
{
    const QString section = "<div id=titlecell class=cell style='padding: 1px'><a id=\"itemlink\" href=\"x?%cnt%\">"
                            "<span ID=itemtitle>old <b>text</b></span></a></div><!-- <span id=bids></span> -->"
                            "<span id=bids></span><img id=itempic src=\"%apppath%nopic.gif\"/><span id=qty>%cnt%</span>";
    const RowPattern pattern(section);
    const QList<ElementWrite> writes = {
        {QLatin1String("titlecell"), ElementWrite::Background, "F1F5FB"},
        {QLatin1String("itemtitle"), ElementWrite::Colour, "800000"},
        {QLatin1String("itemlink"), ElementWrite::Href, "http://h/v?a=1&b=\"2\""},
        {QLatin1String("itemtitle"), ElementWrite::Text, "<i>Lamp</i> & \"%cnt%\""},
        {QLatin1String("bids"), ElementWrite::Text, "3"},
        {QLatin1String("itempic"), ElementWrite::Src, "file:///p/x.jpg"},
        {QLatin1String("qty"), ElementWrite::Title, "%apppath%"},
    };
    QList<bool> placed;
    const QString html = pattern.html(7, "file:///opt/", writes, placed);
    EXPECT_EQ(placed, QList<bool>(writes.size(), true));
    // Values escaped and never taken for placeholders; the template's own
    // placeholders replaced; a comment left alone; the template's style kept
    // ahead of the colours.
    EXPECT_EQ(html, "<div id=titlecell class=cell style=\"padding: 1px; background-color: #F1F5FB\">"
                    "<a id=\"itemlink\" href=\"http://h/v?a=1&amp;b=&quot;2&quot;\">"
                    "<span ID=itemtitle style=\"color: #800000\">&lt;i&gt;Lamp&lt;/i&gt; &amp; &quot;%cnt%&quot;</span></a>"
                    "</div><!-- <span id=bids></span> --><span id=bids>3</span>"
                    "<img id=itempic src=\"file:///p/x.jpg\"/><span id=qty title=\"%apppath%\">7</span>");
    EXPECT_FALSE(pattern.holdsEachIdOnce());
    EXPECT_EQ(pattern.idCount(), 6);
}

TEST(HtmlListRowPattern, WhatCannotBeWrittenAsHtmlIsLeftForTheSync)
{
    const RowPattern pattern("<span id=timeleft style=\"filter: none\"><span id=bids>1</span></span>"
                             "<span id=itemtitle></span><span id=user>");
    const QList<ElementWrite> writes = {
        {QLatin1String("timeleft"), ElementWrite::Text, "2 h"},       // holds another write's element
        {QLatin1String("bids"), ElementWrite::Text, "4"},
        {QLatin1String("itemtitle"), ElementWrite::Text, "two\nlines"}, // a line break
        {QLatin1String("itemtitle"), ElementWrite::Colour, "red; display: none"},
        {QLatin1String("itemtitle"), ElementWrite::Filter, "Gray()"}, // as the style it stands for
        {QLatin1String("itemtitle"), ElementWrite::Filter, ""},      // nothing to do
        {QLatin1String("bids"), ElementWrite::Filter, "Alpha(Opacity=50)"}, // only by name
        {QLatin1String("timeleft"), ElementWrite::Filter, ""},       // clears the template's filter
        {QLatin1String("user"), ElementWrite::Text, "u"},            // never closed
        {QLatin1String("group"), ElementWrite::Text, "g"},           // not in the row
    };
    QList<bool> placed;
    const QString html = pattern.html(1, "", writes, placed);
    EXPECT_EQ(placed, QList<bool>({true, false, false, false, true, true, false, false, false, false}));
    EXPECT_EQ(html, "<span id=timeleft style=\"filter: none\">2 h</span>"
                    "<span id=itemtitle style=\"filter: grayscale(100%)\"></span><span id=user>");

    // The shipped row section takes every write of a row.
    const Template t = Template::read(basGeneral::AppPath() + "default.tmt");
    const RowPattern shipped(t.listItem);
    EXPECT_TRUE(shipped.holdsEachIdOnce());
    RowFields r = snipe();
    r.timeLeft = "Ended";
    const QList<ElementWrite> all = RowWrites(r, 0, true, false, context());
    shipped.html(1, "", all, placed);
    for (int i = 0; i < all.size(); ++i)
        EXPECT_TRUE(placed.at(i)) << all.at(i).id.data();
}
