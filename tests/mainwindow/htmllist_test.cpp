// The HTML auction list in a real browser view: the page built from the
// shipped template, rows brought up to date in place, the skip rule for ended
// rows, failures, and the main window's wiring. Each TEST starts the web
// engine once (about a second), so related checks share a TEST.
#include "engine/listfileformat.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "foundation/timetext.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/htmllist.h"
#include "mainwindow/htmltemplate.h"
#include "platform/listview.h"
#include "platform/numberederror.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"

#include "tests/support/msgboxscript.h"
#include "tests/support/waitfor.h"
#include "tests/support/testtext.h"

#include <gtest/gtest.h>

#include <optional>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

namespace {

void pump(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void addColumns(ListView &list)
{
    list.ClearColumns();
    for (const auto &c : TrackedAuction::kColumns)
        list.AddColumn(c.key, c.caption);
}

ListItem *addRow(ListView &list, const QString &number, const QString &title, const QString &timeLeft,
                 const QString &maxBid = QStringLiteral("1 @ 20.00"))
{
    ListItem *row = list.Add(number);
    list.setField(row, "itemtitle", title);
    list.setField(row, "timeleft", timeLeft);
    list.setField(row, "enddatedisp", "Dec-07-24 19:04:31");
    list.setField(row, "bids", "2");
    list.setField(row, "qty", "1");
    list.setField(row, "currentbid", "US $10.00");
    list.setField(row, "shipping", "US $4.00");
    list.setField(row, "maxbid", maxBid);
    list.setField(row, "user", "buyer1");
    list.setField(row, "picture", "nopic.gif");
    list.setField(row, "won", "False");
    row->setTag(maxBid == "(watching)" ? "" : "Local");
    return row;
}

// A list page in a browser of its own, written with the shipped template.
struct ListPage
{
    std::unique_ptr<WebBrowser> browser = std::make_unique<WebBrowser>();
    ListView rows;
    QStringList colours;
    bool forceRefreshAll = false;
    std::function<bool(const ListItem *)> filter;
    std::optional<QString> filterKey;
    QString templatePath = basGeneral::AppPath() + "default.tmt";

    ListPage()
    {
        browser->resize(1000, 500);
        browser->show();
        addColumns(rows);
    }
    HtmlList::Source source()
    {
        HtmlList::Source s;
        s.rows = &rows;
        s.passesFilter = filter;
        s.filterKey = filterKey;
        s.forceRefreshAll = &forceRefreshAll;
        s.itemPageUrl = "http://cgi.ebay.com/ws/eBayISAPI.dll?ViewItem&item=";
        s.appPath = basGeneral::AppPath();
        return s;
    }
    HtmlList::Page &page() { return HtmlList::Page::of(*browser); }
    void rebuild() { page().Rebuild(source(), templatePath, colours); }
    HtmlList::SyncResult sync(bool all, const QString &highlight = {})
    {
        return page().Sync(source(), colours, all, highlight);
    }
    QString text(const char *id, int n) { return browser->Element(id, n).innerText(); }
    int count(const char *id) { return browser->ElementCount(id); }
    QVariant script(const QString &js) { return browser->ExecScript(js); }
};

QString writeTemplate(QTemporaryDir &dir, const QString &name, const QString &text)
{
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toLatin1());
    return dir.filePath(name);
}

} // namespace

TEST(HtmlListPage, BuiltFromTheTemplateAndSyncedInPlace)
{
    ListPage p;
    const QString folder = QUrl::fromLocalFile(basGeneral::AppPath()).toString();

    // No rows: the no-items page alone, its picture found in the program folder.
    p.rebuild();
    EXPECT_EQ(p.count("itemnumber"), 0);
    EXPECT_TRUE(p.browser->DocumentHTML().contains("No items are being tracked"));
    EXPECT_EQ(p.script("document.images[0].src").toString(), folder + "nopic.gif");
    EXPECT_TRUE(waitFor([&] { return p.script("document.images[0].naturalWidth").toInt() == 96; }));

    // Three rows, the middle one filtered out.
    addRow(p.rows, "1001", "First lamp", "1 d 2 h ");
    addRow(p.rows, "1002", "Hidden", "3 h ", "(watching)");
    const QString hostile = "<script>window.__tmrRan = 1</script><img src=x onerror=\"window.__tmrRan = 2\"> & <b>bold</b>";
    addRow(p.rows, "1003", hostile, "5 m 2 s ");
    p.filter = [](const ListItem *row) { return row->Text() != "1002"; };
    p.rebuild();

    // One row section per shown row, every id once per row plus the hidden
    // span, which is the last of its collection.
    for (QLatin1String id : HtmlList::kRowIds) {
        ASSERT_EQ(p.browser->ElementCount(id), 3) << id.data();
        EXPECT_EQ(p.browser->Element(id, 2).outerHTML(), QString("<SPAN style=\"visibility: hidden\" id=%1></SPAN>").arg(id))
            << id.data();
    }
    EXPECT_EQ(p.text("itemnumber", 0), "1001");
    EXPECT_EQ(p.text("itemnumber", 1), "1003");
    // Row links carry the list index, so a filter leaves gaps.
    EXPECT_EQ(p.browser->Element("lnkedit", 1).href(), "tmr:///edit=3");
    EXPECT_EQ(p.browser->Element("LNKREMOVE", 0).href(), "tmr:///remove=1");
    EXPECT_EQ(p.browser->Element("itemlink", 1).href(), "http://cgi.ebay.com/ws/eBayISAPI.dll?ViewItem&item=1003");
    EXPECT_EQ(p.browser->Element("itempic", 0).src(), folder + "nopic.gif");
    // The filtered-out row takes no colour turn.
    EXPECT_EQ(p.browser->Element("titlecell", 0).backgroundColor(), "#f1f5fb");
    EXPECT_EQ(p.browser->Element("usercell", 1).backgroundColor(), "#ffffff");

    // A rebuilt row shows what a sync writes: grey buttons, text colours.
    EXPECT_EQ(p.browser->Element("cmdnotes", 0).filter(), "Gray()");
    EXPECT_EQ(p.browser->Element("cmdedit", 0).filter(), "");
    EXPECT_EQ(p.browser->Element("itemtitle", 0).color(), "#800000");
    // The grey written into the page looks as the one a sync sets.
    p.browser->Element("cmdnotes", 1).setFilter("Gray()");
    EXPECT_EQ(p.script("getComputedStyle(document.querySelectorAll('#cmdNotes')[0]).filter").toString(),
              p.script("getComputedStyle(document.querySelectorAll('#cmdNotes')[1]).filter").toString());
    // A note turns the grey of a rebuilt row off.
    p.rows.setField(p.rows.Item(1), "note", "Ask first");
    p.sync(false);
    EXPECT_EQ(p.browser->Element("cmdnotes", 0).filter(), "");
    EXPECT_EQ(p.script("getComputedStyle(document.querySelectorAll('#cmdNotes')[0]).filter").toString(), "none");
    p.rows.setField(p.rows.Item(1), "note", "");
    p.sync(false);
    EXPECT_EQ(p.browser->Element("cmdnotes", 0).filter(), "Gray()");

    // Markup in a field is text: it shows as typed and nothing of it runs.
    EXPECT_EQ(p.text("itemtitle", 1), hostile);
    EXPECT_EQ(p.script("document.querySelectorAll('script, #titlecell img, #titlecell b').length").toInt(), 0);
    pump(200);
    EXPECT_FALSE(p.script("window.__tmrRan !== undefined").toBool());

    // A marker in the page tells whether it was rewritten.
    p.script("document.body.setAttribute('data-marker', 'kept')");

    // Price, time left and state change: a sync shows them without a rebuild.
    ListItem *second = p.rows.Item(3);
    p.rows.setField(second, "currentbid", "US $14.50");
    p.rows.setField(second, "timeleft", "4 m 58 s ");
    p.rows.setField(second, "won", "True");
    HtmlList::SyncResult r = p.sync(false);
    EXPECT_EQ(r.written, 2);
    EXPECT_TRUE(r.failure.isEmpty()) << r.failure.toStdString();
    EXPECT_EQ(p.text("currentbid", 1), "US $14.50");
    EXPECT_EQ(p.text("timeleft", 1), "4 m 58 s");
    EXPECT_EQ(p.browser->Element("bids", 1).color(), "#008000");
    EXPECT_EQ(p.script("document.body.getAttribute('data-marker')").toString(), "kept");
    // Without updateAll the backgrounds stay; a named row is highlighted.
    p.colours = {"#000001", "#000002", "#000003"};
    p.sync(false, "1003");
    EXPECT_EQ(p.browser->Element("usercell", 1).backgroundColor(), "#ffffff");
    p.sync(true, "1003");
    EXPECT_EQ(p.browser->Element("usercell", 1).backgroundColor(), "#000003");
    EXPECT_EQ(p.browser->Element("usercell", 0).backgroundColor(), "#000002");

    // An ended row the page already shows is not written again ...
    p.rows.setField(second, "timeleft", "Ended");
    p.sync(false);
    p.rows.setField(second, "currentbid", "US $99.00");
    r = p.sync(false);
    EXPECT_EQ(r.skipped, 1);
    EXPECT_EQ(r.written, 1);
    EXPECT_EQ(p.text("currentbid", 1), "US $14.50");
    // ... unless a full refresh is pending, it is named, or all are written.
    p.forceRefreshAll = true;
    EXPECT_EQ(p.sync(false).skipped, 0);
    EXPECT_EQ(p.text("currentbid", 1), "US $99.00");
    p.forceRefreshAll = false;
    p.rows.setField(second, "currentbid", "US $98.00");
    EXPECT_EQ(p.sync(false, "1003").skipped, 0);
    EXPECT_EQ(p.text("currentbid", 1), "US $98.00");
    p.rows.setField(second, "currentbid", "US $97.00");
    EXPECT_EQ(p.sync(true).skipped, 0);
    EXPECT_EQ(p.text("currentbid", 1), "US $97.00");

    // Rows that moved are rewritten even where the page shows "Ended".
    p.rows.setField(p.rows.Item(1), "timeleft", "Ended");
    p.sync(false);
    p.rows.SortKey = 0;
    p.rows.SortOrder = 1;
    p.rows.setSorted(true); // 1003, 1002, 1001
    r = p.sync(false);
    EXPECT_EQ(r.skipped, 0);
    EXPECT_EQ(p.text("itemnumber", 0), "1003");
    EXPECT_EQ(p.text("itemnumber", 1), "1001");

    // Every row filtered out: header, spans and footer, no no-items text.
    p.filter = [](const ListItem *) { return false; };
    p.rebuild();
    EXPECT_EQ(p.count("itemnumber"), 1);
    EXPECT_FALSE(p.browser->DocumentHTML().contains("No items are being tracked"));
    EXPECT_TRUE(p.browser->DocumentHTML().contains("tmr:///sortby=itemtitle"));
}

TEST(HtmlListPage, SyncsWriteWhatThePageDoesNotShow)
{
    ListPage p;
    ListItem *row = addRow(p.rows, "4001", "Lamp", "1 h ");
    addRow(p.rows, "4002", "Radio", "2 h ");
    p.rebuild();
    ASSERT_EQ(p.text("currentbid", 0), "US $10.00");

    // A value that returns to what the page showed two syncs ago is shown again.
    p.rows.setField(row, "currentbid", "US $11.00");
    p.sync(false);
    p.rows.setField(row, "currentbid", "US $10.00");
    p.sync(false);
    EXPECT_EQ(p.text("currentbid", 0), "US $10.00");

    // Rows trading places trade their texts, colours and links.
    p.rows.setField(p.rows.Item(2), "maxbid", "(watching)");
    p.rows.SortKey = 0;
    p.rows.SortOrder = 1;
    p.rows.setSorted(true); // 4002, 4001
    p.sync(false);
    EXPECT_EQ(p.text("itemtitle", 0), "Radio");
    EXPECT_EQ(p.text("itemtitle", 1), "Lamp");
    EXPECT_EQ(p.browser->Element("itemtitle", 0).color(), "#000080");
    EXPECT_EQ(p.browser->Element("itemtitle", 1).color(), "#800000");
    EXPECT_EQ(p.browser->Element("lnkEdit", 1).href(), "tmr:///edit=2");

    // The page loaded afresh shows none of the rows: a sync says so rather
    // than trusting what it wrote before, and a rebuild writes every row.
    p.browser->Refresh();
    ASSERT_TRUE(waitFor([&] { return !p.browser->Busy() && p.count("itemnumber") == 0; }));
    EXPECT_FALSE(p.sync(false).failure.isEmpty());
    p.rebuild();
    EXPECT_EQ(p.text("itemtitle", 1), "Lamp");
    EXPECT_EQ(p.text("currentbid", 1), "US $10.00");
    EXPECT_EQ(p.browser->Element("itemtitle", 0).color(), "#000080");
    EXPECT_EQ(p.browser->Element("usercell", 0).backgroundColor(), "#f1f5fb");
}

TEST(HtmlListPage, ScrollSurvivesARebuild)
{
    ListPage p;
    for (int i = 0; i < 200; ++i)
        addRow(p.rows, QString::number(5000 + i), QString("Item %1").arg(i), "1 h ");
    p.rebuild();
    ASSERT_EQ(p.count("itemnumber"), 201);
    p.browser->SetBodyScrollTop(900);
    ASSERT_EQ(p.browser->BodyScrollTop(), 900);
    p.rows.Remove(1);
    p.rebuild();
    EXPECT_EQ(p.browser->BodyScrollTop(), 900);
    EXPECT_EQ(p.text("itemnumber", 0), "5001");
    EXPECT_EQ(p.browser->Element("lnkEdit", 198).href(), "tmr:///edit=199");
}

// A list as long as the program takes: the page shows its first rows within
// seconds, holds only the rows around the view, in the list's order, writes
// those that come into view as the user scrolls, and shows a changed row's
// new state wherever the row is.
TEST(HtmlListPage, AListAtTheLimitShowsTheRowsAroundTheViewAndKeepsThemUpToDate)
{
    ListPage p;
    const int total = ListFile::kMaxRecords;
    for (int i = 0; i < total; ++i)
        addRow(p.rows, QString::number(100000 + i), QString("Lamp %1").arg(i), "1 h ");
    int shownSignals = 0;
    QObject::connect(&p.page(), &HtmlList::Page::rowsShown, [&] { ++shownSignals; });
    QElapsedTimer clock;
    clock.start();
    p.rebuild();
    EXPECT_LT(clock.elapsed(), 30000); // seconds, not the minutes of a whole-list page
    ASSERT_TRUE(p.page().showsRows());
    EXPECT_GT(shownSignals, 0);

    // The rows the page holds: consecutive rows of the list, in its order.
    auto heldRows = [&] {
        QStringList numbers = p.browser->ElementTexts("itemnumber");
        if (!numbers.isEmpty())
            numbers.removeLast(); // the hidden span
        return numbers;
    };
    auto expectListOrder = [&](const QStringList &held) {
        ASSERT_FALSE(held.isEmpty());
        const int first = p.page().window().first;
        ASSERT_EQ(held.size(), p.page().window().count);
        ASSERT_LE(held.size(), 2 * HtmlList::kMarginRows + 60);
        for (int k = 0; k < held.size(); ++k)
            ASSERT_EQ(held.at(k), p.rows.Item(first + k + 1)->Text()) << "held row " << k;
    };
    expectListOrder(heldRows());
    EXPECT_EQ(p.page().window().first, 0);
    EXPECT_EQ(p.page().shownRows(), total);

    // The item number at the top of the view, below the sticky header.
    const QString topRow = R"((function() {
        var head = document.querySelector('.head .cell').getBoundingClientRect();
        var e = document.elementFromPoint(300, head.bottom + 4);
        var row = e && e.closest('.row');
        var n = row && row.querySelector('#itemnumber');
        return n ? n.textContent : '';
    })())";
    const QString rowHeight = R"((function() {
        var a = document.getElementById('tmrrowsabove').getBoundingClientRect();
        var b = document.getElementById('tmrrowsbelow').getBoundingClientRect();
        return [a.top + window.scrollY, (b.top - a.bottom) / document.querySelectorAll('.row').length];
    })())";
    for (int target : {total / 2, total - 3, 1234, 7}) {
        const QVariantList g = p.script(rowHeight).toList();
        ASSERT_EQ(g.size(), 2);
        p.browser->SetBodyScrollTop(int(g.at(0).toDouble() + target * g.at(1).toDouble()));
        // The view's rows come within moments, around the row scrolled to.
        const QString wanted = QString::number(100000 + std::min(target, total - 8));
        ASSERT_TRUE(waitFor([&] {
            const int at = p.script(topRow).toString().toInt() - 100000;
            return std::abs(at - std::min(target, total - 8)) <= 3;
        })) << "scrolled to row " << target << ", the view shows " << qPrintable(p.script(topRow).toString());
        const QStringList held = heldRows();
        expectListOrder(held);
        EXPECT_TRUE(p.page().window().contains(std::max(0, target - HtmlList::kMarginRows / 2)));
        EXPECT_TRUE(p.page().window().contains(std::min(total - 1, target + HtmlList::kMarginRows / 2)));

        // A row in view changes: the page shows it after the next sync.
        ListItem *row = p.rows.Item(target + 1);
        p.rows.setField(row, "currentbid", QString("US $%1.00").arg(target));
        p.rows.setField(row, "won", "True");
        p.rows.setField(row, "timeleft", "Ended");
        p.sync(false);
        const int element = p.page().elementIndexOf(target);
        ASSERT_GE(element, 0);
        EXPECT_EQ(p.text("currentbid", element), QString("US $%1.00").arg(target));
        EXPECT_EQ(p.browser->Element("itemtitle", element).color(), "#008000");
        EXPECT_EQ(p.browser->Element("cmdedit", element).filter(), "Gray()");
    }
    // A row changed while out of view shows its new state once in view.
    p.rows.setField(p.rows.Item(total / 2 + 1), "currentbid", "US $99.00");
    p.sync(false);
    p.browser->SetBodyScrollTop(0);
    ASSERT_TRUE(waitFor([&] { return p.script(topRow).toString() == "100000"; }));
    const QVariantList g = p.script(rowHeight).toList();
    p.browser->SetBodyScrollTop(int(g.at(0).toDouble() + total / 2 * g.at(1).toDouble()));
    ASSERT_TRUE(waitFor([&] { return p.page().elementIndexOf(total / 2) >= 0 && p.script(topRow).toString() != "100000"; }));
    EXPECT_EQ(p.text("currentbid", p.page().elementIndexOf(total / 2)), "US $99.00");
}

// A refresh brings the pane up to date after every row it reads: with a
// filter on, a sync asks it only about the rows that changed, and a row that
// leaves the filter moves the rows after it up.
TEST(HtmlListPage, ASyncAsksTheFilterOnlyAboutTheRowsThatChanged)
{
    ListPage p;
    const int total = 20000;
    for (int i = 0; i < total; ++i)
        addRow(p.rows, QString::number(100000 + i), QString("Lamp %1").arg(i), "1 h ");
    int asked = 0;
    p.filter = [&](const ListItem *row) {
        ++asked;
        return p.rows.Field(row, "timeleft") != "Ended";
    };
    p.filterKey = "running";
    p.rebuild();
    ASSERT_TRUE(p.page().showsRows());
    ASSERT_EQ(p.text("itemnumber", 0), "100000");

    for (int n = 0; n < 20; ++n) {
        asked = 0;
        p.rows.setField(p.rows.Item(total - n), "currentbid", "US $5.00");
        EXPECT_TRUE(p.sync(false).failure.isEmpty());
        EXPECT_LE(asked, 1);
    }
    asked = 0;
    p.rows.setField(p.rows.Item(1), "timeleft", "Ended");
    p.sync(false);
    EXPECT_LE(asked, 1);
    EXPECT_EQ(p.text("itemnumber", 0), "100001");
    EXPECT_EQ(p.page().shownRows(), total - 1);
}

// Scrolled anywhere, every Edit and Notes button that passes under the
// sticky header, greyed or not, is hidden by it: what shows there is the header.
TEST(HtmlListPage, TheHeaderStaysAboveTheRowsButtonsWhenTheListScrolls)
{
    ListPage p;
    for (int i = 0; i < 60; ++i)
        addRow(p.rows, QString::number(7000 + i), QString("Item %1").arg(i), i % 2 ? "Ended" : "1 h ");
    p.rebuild();
    ASSERT_EQ(p.count("itemnumber"), 61);
    const QString coveredButtons = QStringLiteral(R"((function() {
        var head = document.querySelector('.head .cell').getBoundingClientRect();
        var under = 0, shown = [];
        document.querySelectorAll('#cmdEdit, #cmdNotes').forEach(function(button) {
            var r = button.getBoundingClientRect();
            var top = Math.max(r.top, head.top), bottom = Math.min(r.bottom, head.bottom);
            if (bottom - top < 1)
                return;
            ++under;
            var x = (r.left + r.right) / 2, y = (top + bottom) / 2;
            if (!document.elementFromPoint(x, y).closest('.head'))
                shown.push(button.id + ' at ' + Math.round(y));
        });
        return under + ':' + shown.join(', ');
    })())");
    int under = 0;
    for (int scroll = 10; scroll < 2000; scroll += 23) {
        p.browser->SetBodyScrollTop(scroll);
        const QString result = p.script(coveredButtons).toString();
        ASSERT_TRUE(result.contains(':')) << qPrintable(result);
        under += result.section(':', 0, 0).toInt();
        EXPECT_EQ(result.section(':', 1), "") << "drawn over the header, scrolled by " << scroll;
    }
    EXPECT_GT(under, 0) << "no button passed under the header";
}

TEST(HtmlListPage, TemplatesThatFail)
{
    QTemporaryDir dir;
    ListPage p;
    addRow(p.rows, "2001", "One", "1 h ");
    addRow(p.rows, "2002", "Two", "2 h ");
    addRow(p.rows, "2003", "Three", "3 h ");
    p.rebuild();
    ASSERT_EQ(p.count("itemnumber"), 4);
    const QStringList shipped = p.colours;

    // A template that cannot be read leaves the page and the colours alone
    // and tells the caller.
    p.templatePath = dir.filePath("missing.tmt");
    EXPECT_THROW(p.rebuild(), NumberedError);
    p.templatePath = writeTemplate(dir, "open.tmt", "<altcolors>\r\n#1;#2\r\n</altcolors>\r\n<listitem>\r\n<p>\r\n");
    EXPECT_THROW(p.rebuild(), NumberedError);
    EXPECT_EQ(p.count("itemnumber"), 4);
    EXPECT_EQ(p.colours, shipped);

    // A row section without some ids: the rebuild ends quietly with the
    // rows written; a sync stops at the first element that is not there.
    QString row = "<listitem>\r\n<p>";
    for (QLatin1String id : HtmlList::kRowIds) {
        if (id != QLatin1String("qty"))
            row += QString("<span id=\"%1\"></span>").arg(id);
    }
    row += "</p>\r\n</listitem>\r\n";
    const QString head = "<listheader>\r\n<html><body><p>%apppath%</p>\r\n</listheader>\r\n";
    const QString foot = "<listfooter>\r\n</body></html>\r\n</listfooter>\r\n";
    p.templatePath = writeTemplate(dir, "noqty.tmt", head + "<altcolors>\r\n#A;#B\r\n</altcolors>\r\n" + row + foot);
    EXPECT_NO_THROW(p.rebuild());
    EXPECT_EQ(p.count("itemnumber"), 4);
    EXPECT_EQ(p.colours, QStringList({"#A", "#B"}));
    // The header is written as it stands.
    EXPECT_TRUE(p.browser->BodyInnerHTML().contains("<P>%apppath%</P>"));
    // The only "qty" element is the hidden span, which the first row takes.
    HtmlList::SyncResult r = p.sync(false);
    EXPECT_EQ(r.written, 1);
    EXPECT_TRUE(r.failure.contains("\"qty\"")) << r.failure.toStdString();
    EXPECT_EQ(p.text("itemnumber", 0), "2001");
    // The second row got what comes before the text colour of "qty".
    EXPECT_EQ(p.browser->Element("bids", 1).color(), "#800000");
    EXPECT_EQ(p.text("itemnumber", 1), "");

    // Two colours: a highlighted row fails, the rows before it are painted.
    p.templatePath = writeTemplate(dir, "two.tmt",
                                   head + "<altcolors>\r\n#0000AA;#0000BB\r\n</altcolors>\r\n"
                                       + QString(row).replace("</p>", "<span id=qty></span></p>") + foot);
    p.rebuild();
    r = p.sync(true, "2002");
    EXPECT_EQ(r.written, 1);
    EXPECT_FALSE(r.failure.isEmpty());
    EXPECT_EQ(p.browser->Element("usercell", 0).backgroundColor(), "#0000bb");
    EXPECT_EQ(p.sync(true).written, 3);
    EXPECT_EQ(p.browser->Element("usercell", 1).backgroundColor(), "#0000aa");
}

TEST(frmMainHtmlList, WindowListFilterAndLinks)
{
    frmMain &m = frmMain::instance();
    m.tmrLoadProcess->setEnabled(false);
    frmSettings::instance().txteBayDomain->setCurrentText("ebay.co.uk");
    ListView &list = *m.lvwAuctions;
    addRow(list, "3001", "Watched clock", "1 d ", "(watching)");
    addRow(list, "3002", "Sniped radio", "2 h ");
    list.setField(addRow(list, "3003", "Another user's", "2 h "), "user", "someone");
    CurrentUser = "buyer1"; // "Only My Items" is on
    m.RebuildHTMLList();
    WebBrowser &page = *m.HTMLList;
    ASSERT_EQ(page.ElementCount("itemnumber"), 3);
    EXPECT_EQ(page.Element("itemlink", 1).href(), "http://cgi.ebay.co.uk/ws/eBayISAPI.dll?ViewItem&item=3002");
    EXPECT_EQ(m.varAltColors.size(), 3);
    EXPECT_EQ(page.Element("itemtitle", 0).color(), "#000080");

    // The Filter menu's rebuild shows only the rows that pass.
    m.mnuFilterWatching_Click();
    ASSERT_EQ(page.ElementCount("itemnumber"), 2);
    EXPECT_EQ(page.Element("itemnumber", 0).innerText(), "3001");
    m.mnuFilterAll_Click();
    ASSERT_EQ(page.ElementCount("itemnumber"), 3);

    // Another user signed in with "Only My Items" on (the sign-in rebuilds
    // the list): the pane shows that user's rows only.
    CurrentUser = "someone";
    m.RebuildHTMLList();
    ASSERT_EQ(page.ElementCount("itemnumber"), 2); // the rows and the header's sort link
    EXPECT_EQ(page.Element("itemnumber", 0).innerText(), "3003");
    CurrentUser = "buyer1";
    m.RebuildHTMLList();
    ASSERT_EQ(page.ElementCount("itemnumber"), 3);
    EXPECT_EQ(page.Element("itemnumber", 0).innerText(), "3001");
    m.mnuFilterMyItems_Click();
    EXPECT_EQ(page.ElementCount("itemnumber"), 4);
    m.mnuFilterMyItems_Click();

    // The main window's sync reaches the page.
    list.setField(list.Item(2), "currentbid", "GBP 7.00");
    m.SyncHTMLList(false, QString());
    EXPECT_EQ(page.Element("currentbid", 1).innerText(), "GBP 7.00");

    // Only the list page itself may load; a row's link is turned down and
    // the page stays.
    auto allowed = [&](const QString &url) {
        bool cancel = false;
        m.HTMLList_BeforeNavigate2(url, cancel);
        return !cancel;
    };
    const QString host = QUrl::fromLocalFile(page.DocumentHostFile()).toString();
    EXPECT_TRUE(allowed("about:blank"));
    EXPECT_TRUE(allowed(host));
    EXPECT_FALSE(allowed(QUrl::fromLocalFile(basGeneral::AppPath() + "default.tmt").toString()));
    EXPECT_FALSE(allowed(host + "/../default.tmt"));
    EXPECT_FALSE(allowed("tmr:///edit=2"));

    QStringList opened;
    QObject::connect(m.WebBrowser, &WebBrowser::BeforeNavigate2, [&](const QString &url, bool &stop) {
        opened << url;
        stop = true; // no network in tests
    });
    ASSERT_TRUE(page.Element("itemlink", 0).click());
    pump(400);
    EXPECT_EQ(opened, QStringList({"http://cgi.ebay.co.uk/ws/eBayISAPI.dll?ViewItem&item=3001"}));
    EXPECT_EQ(page.LocationURL(), host);
    EXPECT_EQ(page.ElementCount("itemnumber"), 3);
    frmMainShell::destroyInstance();
}

// What a user can do to the list page to leave it: the page's context menu,
// the mouse's back and forward buttons, the keyboard's back keys. The list
// stays, and the countdown goes on showing in it.
TEST(frmMainHtmlList, TheListPageStaysWhateverTheUserPresses)
{
    frmMain &m = frmMain::instance();
    m.tmrLoadProcess->setEnabled(false);
    m.resize(1000, 800);
    m.show();
    ListView &list = *m.lvwAuctions;
    addRow(list, "5001", "Brass lamp", "1 d ");
    addRow(list, "5002", "Valve radio", "2 h ");
    CurrentUser = "buyer1";
    m.RebuildHTMLList();
    WebBrowser &page = *m.HTMLList;
    ASSERT_EQ(page.ElementCount("itemnumber"), 3);
    const QString listPage = page.LocationURL();
    auto listStays = [&] {
        pump(600);
        return page.LocationURL() == listPage && page.ElementCount("itemnumber") == 3
               && page.Element("itemnumber", 1).innerText() == "5002";
    };
    page.activateWindow();
    page.setFocus();
    QWidget *input = page.focusProxy();
    ASSERT_NE(input, nullptr);
    const QPoint below(page.width() / 2, page.height() - 10); // below the rows

    // A right click shows no menu that could leave the page.
    QTest::mouseClick(input, Qt::RightButton, {}, below);
    pump(1000);
    if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
        for (QWebEnginePage::WebAction a : {QWebEnginePage::Back, QWebEnginePage::Forward, QWebEnginePage::Reload,
                                            QWebEnginePage::ReloadAndBypassCache, QWebEnginePage::SavePage,
                                            QWebEnginePage::ViewSource})
            EXPECT_FALSE(menu->actions().contains(page.pageAction(a))) << a;
        menu->close();
    }
    page.triggerPageAction(QWebEnginePage::Back); // what the menu's Back does
    EXPECT_TRUE(listStays());

    // The mouse's back and forward buttons.
    QTest::mouseClick(input, Qt::BackButton, {}, below);
    QTest::mouseClick(input, Qt::ForwardButton, {}, below);
    EXPECT_TRUE(listStays());

    // The keyboard's back keys.
    QTest::keyClick(input, Qt::Key_Left, Qt::AltModifier);
    QTest::keyClick(input, Qt::Key_Backspace);
    QTest::keyClick(input, Qt::Key_Back);
    EXPECT_TRUE(listStays());

    // The countdown still shows in the list.
    list.setField(list.Item(2), "timeleft", "1 h 59 m ");
    m.SyncHTMLList(false, QString());
    EXPECT_EQ(page.Element("timeleft", 1).innerText(), "1 h 59 m");
    frmMainShell::destroyInstance();
}

// The header's sort links of the running window: counts and prices order by
// their value, texts without one last in both directions; every click turns
// the order round and is remembered.
TEST(frmMainHtmlList, SortLinksOrderCountsAndPricesByValue)
{
    frmMain &m = frmMain::instance();
    m.tmrLoadProcess->setEnabled(false);
    m.show();
    ListView &list = *m.lvwAuctions;
    struct Row
    {
        const char *number, *bids, *qty, *price, *shipping, *maxBid;
        QDateTime end;
    };
    // The end dates' texts sort otherwise than the dates (day and month first
    // in many locales, months of two digits after those of one).
    const Row rows[] = {
        {"6001", "11", "2", "US $10.00", "US $4.00", "1 @ 100.00", QDateTime(QDate(2026, 12, 5), QTime(9, 0))},
        {"6002", "2", "10", "US $9.00", "Free", "1 @ 9.50", QDateTime(QDate(2027, 1, 15), QTime(8, 0))},
        {"6003", "N/A", "", "Retrieving...", "N/A", "(watching)", QDateTime(QDate(2026, 11, 30), QTime(23, 0))},
        {"6004", "3", "1", "US $1,250.00", "US $12.50", "2 @ 1,300.00", QDateTime(QDate(2026, 12, 10), QTime(7, 0))},
    };
    for (const Row &r : rows) {
        ListItem *row = addRow(list, r.number, QString("Item %1").arg(r.number), "1 h ", r.maxBid);
        list.setField(row, "enddate", basGeneral::DateText(r.end));
        list.setField(row, "bids", r.bids);
        list.setField(row, "qty", r.qty);
        list.setField(row, "currentbid", r.price);
        list.setField(row, "shipping", r.shipping);
    }
    CurrentUser = "buyer1";
    m.RebuildHTMLList();
    WebBrowser &page = *m.HTMLList;
    ASSERT_EQ(page.ElementCount("itemnumber"), 5);

    // Clicks the column's sort link in the page; true once the page shows
    // the rows in the expected order.
    auto sortBy = [&](const QString &key, const QStringList &expected) {
        page.ExecScript(QString("document.querySelector('a[href=\"tmr:///sortby=%1\"]').click()").arg(key));
        QStringList shown;
        const bool ok = waitFor([&] {
            shown = page.ElementTexts("itemnumber").mid(0, 4);
            return shown == expected;
        }, 10000);
        EXPECT_TRUE(ok) << key.toStdString() << ": " << shown.join(' ').toStdString();
        return ok;
    };
    // Ascending was the order, so the first click sorts descending.
    sortBy("bids", {"6001", "6004", "6002", "6003"});
    sortBy("bids", {"6002", "6004", "6001", "6003"});
    sortBy("currentbid", {"6004", "6001", "6002", "6003"});
    sortBy("shipping", {"6001", "6004", "6002", "6003"}); // "Free" holds no number
    sortBy("maxbid", {"6004", "6001", "6002", "6003"});
    sortBy("qty", {"6004", "6001", "6002", "6003"});
    EXPECT_EQ(GetSetting("Sort Key"), QString::number(list.SubItemIndex("qty")));
    EXPECT_EQ(GetSetting("Sort Order"), "0");
    // "Time Left" and "Ends" sort by the end date.
    sortBy("enddate", {"6002", "6004", "6001", "6003"});
    sortBy("enddate", {"6003", "6001", "6004", "6002"});
    // Texts still sort as texts.
    sortBy("itemtitle", {"6004", "6003", "6002", "6001"});

    // A key no column has: the order is turned round, nothing else changes.
    MsgBoxScript::instance().clear();
    bool cancel = false;
    m.HTMLList_BeforeNavigate2("tmr:///sortby=nosuch", cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "Failed to execute list command:\r\n\r\ntmr:///sortby=nosuch");
    EXPECT_EQ(list.SortOrder, 0);
    EXPECT_EQ(GetSetting("Sort Key"), QString::number(list.SubItemIndex("itemtitle")));
    EXPECT_EQ(GetSetting("Sort Order"), "1");
    frmMainShell::destroyInstance();
}
