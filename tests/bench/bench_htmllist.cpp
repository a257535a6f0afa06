// The HTML auction list over 1,000 tracked auctions: the page text and the
// row writes built without a browser, then the whole rebuild and the syncs in
// a real browser view, each ending once the page has taken every write.
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "mainwindow/htmllist.h"
#include "mainwindow/htmltemplate.h"
#include "platform/listview.h"
#include "platform/webbrowser.h"
#include "tests/support/waitfor.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QWebEnginePage>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>

namespace {

constexpr int kRows = 1000;

QString templatePath()
{
    return basGeneral::AppPath() + QStringLiteral("default.tmt");
}

// Rows as a refresh leaves them: long titles, notes, groups, every bid state.
void fillRows(ListView &list, bool ended, int count = kRows)
{
    static const char *const kStates[] = {"", "Local", "Online", "Both", "Ready to bid", "Bid complete",
                                          "Other in group won"};
    list.Clear();
    if (list.ColumnCount() == 0) {
        for (const auto &c : TrackedAuction::kColumns)
            list.AddColumn(c.key, c.caption);
    }
    for (int i = 0; i < count; ++i) {
        ListItem *row = list.Add(QString::number(110000000000LL + i));
        auto set = [&](const char *key, const QString &value) { list.setField(row, QString::fromLatin1(key), value); };
        set("itemtitle", QStringLiteral("Vintage \"Art Deco\" table lamp, brass & opal glass shade, no. %1").arg(i));
        set("timeleft", ended ? QStringLiteral("Ended") : QStringLiteral("%1 h %2 m ").arg(i % 24).arg(i % 60));
        set("enddatedisp", QStringLiteral("Dec-%1-24 19:04:31").arg(1 + i % 28, 2, 10, QLatin1Char('0')));
        set("bids", QString::number(i % 23));
        set("qty", QStringLiteral("1"));
        set("currentbid", QStringLiteral("US $%1.50").arg(i % 400));
        set("shipping", QStringLiteral("US $14.00"));
        set("maxbid", i % 3 ? QStringLiteral("1 @ 125.00") : QStringLiteral("(watching)"));
        set("user", QStringLiteral("buyer1"));
        set("group", i % 6 == 0 ? QStringLiteral("Lamps") : QString());
        set("note", i % 2 ? QStringLiteral("Ask about shipping") : QString());
        set("picture", QStringLiteral("nopic.gif"));
        set("won", i % 5 == 0 ? QStringLiteral("True") : QStringLiteral("False"));
        row->setTag(QString::fromLatin1(kStates[i % 7]));
    }
}

struct Fixture
{
    std::unique_ptr<WebBrowser> browser;
    ListView rows;
    QStringList colours;
    bool forceRefreshAll = false;

    Fixture()
    {
        browser = std::make_unique<WebBrowser>();
        browser->resize(1000, 600);
        browser->show();
    }
    HtmlList::Source source()
    {
        HtmlList::Source s;
        s.rows = &rows;
        s.forceRefreshAll = &forceRefreshAll;
        s.itemPageUrl = QStringLiteral("http://cgi.ebay.com/ws/eBayISAPI.dll?ViewItem&item=");
        s.appPath = basGeneral::AppPath();
        return s;
    }
    HtmlList::Page &page() { return HtmlList::Page::of(*browser); }
    // A read waits until the page has taken every write sent before it.
    // Waits until the page has run every write sent so far and laid itself
    // out again (reading the scroll position makes it lay out).
    void settle() { benchmark::DoNotOptimize(browser->BodyScrollTop()); }
    // When the page last took a write, on the system clock in milliseconds,
    // as the page itself saw it: the end of the script that changed the
    // document. A script run after the writes to ask would also wait for the
    // frame the browser lays out in between.
    void watchWrites()
    {
        browser->ExecScript(QStringLiteral(
            "if (!window.__benchWatch) {"
            "  window.__benchWatch = new MutationObserver(function () {"
            "    window.__benchApplied = performance.timeOrigin + performance.now(); });"
            "  window.__benchWatch.observe(document, { subtree: true, childList: true, characterData: true, attributes: true });"
            "} 1"));
    }
    // Sends the writes still queued with a read that needs no layout, so the
    // page's record of them is not taken after the layout that settle forces.
    void sendWrites() { benchmark::DoNotOptimize(browser->ElementCount(QStringLiteral("itemnumber"))); }
    double lastWrite() { return browser->ExecScript(QStringLiteral("window.__benchApplied || 0")).toDouble(); }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

// The page text a rebuild writes: template read, header, 1,000 row sections,
// hidden spans, footer.
void BM_RebuildPageText(benchmark::State &state)
{
    ListView rows;
    fillRows(rows, false);
    for (auto _ : state) {
        const HtmlList::Template t = HtmlList::Template::read(templatePath());
        const QString appPath = HtmlList::AppPathForPage(basGeneral::AppPath());
        qsizetype size = t.listHeader.size();
        for (int i = 1; i <= rows.Count(); ++i)
            size += t.rowHtml(i, appPath).size();
        for (QLatin1String id : HtmlList::kRowIds)
            size += HtmlList::HiddenSpan(id).size();
        benchmark::DoNotOptimize(size += t.listFooter.size());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_RebuildPageText)->Unit(benchmark::kMillisecond);

// The row sections a rebuild writes: every row complete, its values and
// colours put into the template's HTML.
void BM_RebuildRowsComplete(benchmark::State &state)
{
    ListView rows;
    fillRows(rows, false);
    const HtmlList::Template t = HtmlList::Template::read(templatePath());
    const HtmlList::RowPattern pattern(t.listItem);
    const QString appPath = HtmlList::AppPathForPage(basGeneral::AppPath());
    const HtmlList::RowContext context{{"#FFFFFF", "#F1F5FB", "#FFF4C2"},
                                       QStringLiteral("http://cgi.ebay.com/ws/eBayISAPI.dll?ViewItem&item="),
                                       QUrl::fromLocalFile(basGeneral::AppPath())};
    QList<bool> placed;
    for (auto _ : state) {
        const HtmlList::RowReader reader(rows);
        qsizetype size = 0;
        for (int i = 1; i <= rows.Count(); ++i) {
            const auto writes = HtmlList::RowWrites(reader.read(*rows.Item(i), i), i - 1, true, false, context);
            size += pattern.html(i, appPath, writes, placed).size();
        }
        benchmark::DoNotOptimize(size);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_RebuildRowsComplete)->Unit(benchmark::kMillisecond);

// The element writes of a full sync, rows read from the list view.
void BM_SyncRowWrites(benchmark::State &state)
{
    ListView rows;
    fillRows(rows, false);
    const HtmlList::RowContext context{{"#FFFFFF", "#F1F5FB", "#FFF4C2"},
                                       QStringLiteral("http://cgi.ebay.com/ws/eBayISAPI.dll?ViewItem&item="),
                                       QUrl::fromLocalFile(basGeneral::AppPath())};
    for (auto _ : state) {
        const HtmlList::RowReader reader(rows);
        qsizetype writes = 0;
        for (int i = 1; i <= rows.Count(); ++i)
            writes += HtmlList::RowWrites(reader.read(*rows.Item(i), i), i - 1, true, false, context).size();
        benchmark::DoNotOptimize(writes);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SyncRowWrites)->Unit(benchmark::kMillisecond);

// How long a rebuild or a sync is timed: until the page is laid out again, or
// only until it has taken the change (its new layout comes with the next
// frame, as it does for the user).
enum class Until { LaidOut, Applied };

double systemClockMs()
{
    using namespace std::chrono;
    return double(duration_cast<microseconds>(system_clock::now().time_since_epoch()).count()) / 1000.0;
}

// Runs one rebuild or sync and sets the iteration's time by the chosen end.
template <typename Change>
void timeChange(benchmark::State &state, Fixture &f, Until until, Change change)
{
    // Changes come a second or more apart: the page has laid out the last one.
    f.settle();
    const double start = systemClockMs();
    QElapsedTimer clock;
    clock.start();
    change();
    f.sendWrites();
    f.settle();
    const double laidOut = double(clock.nsecsElapsed()) / 1e9;
    const double applied = (f.lastWrite() - start) / 1000.0;
    if (until == Until::Applied && applied <= 0)
        state.SkipWithError("the page took no write");
    state.SetIterationTime(until == Until::LaidOut ? laidOut : std::max(applied, 0.0));
}

// RebuildHTMLList in a browser: the page written whole, then every row synced
// with its backgrounds.
void BM_RebuildHTMLList(benchmark::State &state, Until until)
{
    Fixture &f = fixture();
    fillRows(f.rows, false);
    f.page().Rebuild(f.source(), templatePath(), f.colours); // starts the engine
    f.watchWrites();
    for (auto _ : state)
        timeChange(state, f, until, [&] { f.page().Rebuild(f.source(), templatePath(), f.colours); });
    if (f.browser->ElementCount(QStringLiteral("itemnumber")) != kRows + 1)
        state.SkipWithError("the page does not hold every row");
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK_CAPTURE(BM_RebuildHTMLList, LaidOut, Until::LaidOut)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseManualTime();
BENCHMARK_CAPTURE(BM_RebuildHTMLList, Applied, Until::Applied)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseManualTime();

void timeSync(benchmark::State &state, Fixture &f, Until until)
{
    timeChange(state, f, until, [&] { f.page().Sync(f.source(), f.colours, false, QString()); });
}

// A sync pass in which one row changed (its price), as after a refreshed row.
void BM_SyncOneRowChanged(benchmark::State &state, Until until)
{
    Fixture &f = fixture();
    fillRows(f.rows, false);
    f.page().Rebuild(f.source(), templatePath(), f.colours);
    f.watchWrites();
    ListItem *row = f.rows.Item(kRows / 2);
    int n = 0;
    for (auto _ : state) {
        f.rows.setField(row, QStringLiteral("currentbid"), QStringLiteral("US $%1.00").arg(++n));
        timeSync(state, f, until);
    }
    if (f.browser->Element(QStringLiteral("currentbid"), kRows / 2 - 1).innerText() != QStringLiteral("US $%1.00").arg(n))
        state.SkipWithError("the page does not show the change");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_SyncOneRowChanged, LaidOut, Until::LaidOut)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseManualTime();
BENCHMARK_CAPTURE(BM_SyncOneRowChanged, Applied, Until::Applied)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseManualTime();

// A countdown tick's sync: the time left of every row has changed.
void BM_SyncCountdownTick(benchmark::State &state, Until until)
{
    Fixture &f = fixture();
    fillRows(f.rows, false);
    f.page().Rebuild(f.source(), templatePath(), f.colours);
    f.watchWrites();
    int n = 0;
    for (auto _ : state) {
        ++n;
        for (int i = 1; i <= kRows; ++i)
            f.rows.setField(f.rows.Item(i), QStringLiteral("timeleft"), QStringLiteral("%1 h %2 m %3 s ").arg(i % 24).arg(i % 60).arg(n % 60));
        timeSync(state, f, until);
    }
    if (f.browser->Element(QStringLiteral("timeleft"), 0).innerText() != QStringLiteral("1 h 1 m %1 s").arg(n % 60))
        state.SkipWithError("the page does not show the tick");
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK_CAPTURE(BM_SyncCountdownTick, LaidOut, Until::LaidOut)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseManualTime();
BENCHMARK_CAPTURE(BM_SyncCountdownTick, Applied, Until::Applied)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseManualTime();

// SyncHTMLList(False, "") in a browser, as after a refresh: every row written.
void BM_SyncHTMLList(benchmark::State &state)
{
    Fixture &f = fixture();
    fillRows(f.rows, false);
    f.page().Rebuild(f.source(), templatePath(), f.colours);
    f.settle();
    int written = 0;
    for (auto _ : state) {
        written = f.page().Sync(f.source(), f.colours, false, QString()).written;
        f.settle();
    }
    if (written != kRows)
        state.SkipWithError("not every row was written");
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SyncHTMLList)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The once-a-second sync of a list whose auctions have all ended: every row
// already shows its ended state and is skipped.
void BM_SyncHTMLListAllEnded(benchmark::State &state)
{
    Fixture &f = fixture();
    fillRows(f.rows, true);
    f.page().Rebuild(f.source(), templatePath(), f.colours);
    f.settle();
    int skipped = 0;
    for (auto _ : state) {
        skipped = f.page().Sync(f.source(), f.colours, false, QString()).skipped;
        f.settle();
    }
    if (skipped != kRows)
        state.SkipWithError("not every ended row was skipped");
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SyncHTMLListAllEnded)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// ---------------------------------------------------------------------------
// The pane at 1, 1,000, 10,000 and 50,000 rows (the longest list the program
// takes), each against the 1-row run of the same program run:
//   first_rows_ms  from RebuildHTMLList to the first rows laid out in the pane
//                  (Page::rowsShown, the hook a program benchmark waits for)
//   stall_ms       the longest the event loop went without a turn while the
//                  page was written (rebuild_stall_ms), synced after a
//                  countdown tick (tick_stall_ms), scrolled to the middle and
//                  its rows written there (scroll_stall_ms)
//   tick_ms        the countdown tick's sync, start to end
//   scroll_ms      from the scroll to the middle to those rows in the pane
//   sort_stall_ms  the same for a sort by a header link, list and page
//                  (by title; price_sort_stall_ms by price, read as values)
//   renderer_MB    the page's renderer process, resident after the run
// and *_ratio for each against the 1-row run.

// The longest the event loop goes without a turn, watched by a timer that
// asks for one every millisecond (nested loops that let events run count as
// turns, as they do for the bid's timers).
class StallWatch
{
public:
    StallWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { turn(); });
    }
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    double stop()
    {
        turn();
        m_timer.stop();
        return double(m_longest) / 1e6;
    }
    void reset() { m_longest = 0; }

private:
    void turn()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

double residentMB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (pid <= 0 || !status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

void BM_ListPane(benchmark::State &state)
{
    static std::map<std::string, double> baseline; // the 1-row figures of this run
    const int n = int(state.range(0));
    Fixture &f = fixture();
    fillRows(f.rows, false, n);
    ListView empty;
    empty.AddColumn(QStringLiteral("itemtitle"), QStringLiteral("Title"));
    HtmlList::Source none = f.source();
    none.rows = &empty;
    HtmlList::Page &page = f.page();
    StallWatch watch;
    // The price and end columns sort by value, as in the program.
    TrackedAuction::SortByValue(f.rows);
    double firstRows = 0, stall = 0, scroll = 0, sortStall = 0, priceSortStall = 0, rebuildStall = 0, tickStall = 0,
           scrollStall_ = 0, tickTime = 0;
    int runs = 0;
    for (auto _ : state) {
        // From the empty list's page, as after the program's start.
        page.Rebuild(none, templatePath(), f.colours);
        f.settle();
        watch.reset();
        watch.start();
        QElapsedTimer clock;
        clock.start();
        double shownAt = -1;
        const auto shown = QObject::connect(&page, &HtmlList::Page::rowsShown, [&] {
            if (shownAt < 0)
                shownAt = double(clock.nsecsElapsed()) / 1e6;
        });
        page.Rebuild(f.source(), templatePath(), f.colours);
        QObject::disconnect(shown);
        f.settle(); // the rows laid out
        const double first = double(clock.nsecsElapsed()) / 1e6;
        if (shownAt < 0)
            state.SkipWithError("the pane showed no rows");
        double longest = watch.stop();

        // A countdown tick: every row's time left changed.
        for (int i = 1; i <= n; ++i)
            f.rows.setField(f.rows.Item(i), QStringLiteral("timeleft"), QStringLiteral("%1 h %2 m %3 s ").arg(i % 24).arg(i % 60).arg(runs % 60));
        watch.reset();
        watch.start();
        clock.restart();
        page.Sync(f.source(), f.colours, false, QString());
        f.settle();
        tickTime += double(clock.nsecsElapsed()) / 1e6;
        const double tick = watch.stop();
        watch.reset();
        watch.start();

        // Scrolled to the middle: the rows there come into the pane.
        const int middle = n / 2;
        const QVariantList g = f.browser->ExecScript(QStringLiteral(
            "(function(){var a=document.getElementById('tmrrowsabove').getBoundingClientRect();"
            "var b=document.getElementById('tmrrowsbelow').getBoundingClientRect();"
            "return [a.top+window.scrollY,(b.top-a.bottom)/document.querySelectorAll('.row').length];})()")).toList();
        clock.restart();
        if (g.size() == 2)
            f.browser->SetBodyScrollTop(int(g.at(0).toDouble() + middle * g.at(1).toDouble()));
        if (!waitFor([&] { return page.window().contains(std::max(0, middle - HtmlList::kMarginRows / 2)); }, 10000))
            state.SkipWithError("the rows scrolled to never came");
        f.settle();
        const double scrolled = double(clock.nsecsElapsed()) / 1e6;
        const double scrollStall = watch.stop();

        // A sort by a header link: the list sorted, then the page rebuilt.
        watch.reset();
        watch.start();
        f.rows.SortKey = f.rows.SubItemIndex(QStringLiteral("itemtitle"));
        f.rows.SortOrder = runs % 2;
        f.rows.setSorted(true);
        page.Rebuild(f.source(), templatePath(), f.colours);
        f.settle();
        const double sorted = watch.stop();
        // The same by a column read as values: the price.
        watch.reset();
        watch.start();
        f.rows.SortKey = f.rows.SubItemIndex(QStringLiteral("currentbid"));
        f.rows.setSorted(true);
        page.Rebuild(f.source(), templatePath(), f.colours);
        f.settle();
        priceSortStall = std::max(priceSortStall, watch.stop());
        f.rows.setSorted(false);

        state.SetIterationTime(first / 1000.0);
        firstRows += first;
        rebuildStall = std::max(rebuildStall, longest);
        tickStall = std::max(tickStall, tick);
        scrollStall_ = std::max(scrollStall_, scrollStall);
        stall = std::max({stall, longest, tick, scrollStall});
        scroll += scrolled;
        sortStall = std::max(sortStall, sorted);
        ++runs;
    }
    const double renderer = residentMB(f.browser->page()->renderProcessPid());
    const std::map<std::string, double> figures = {{"first_rows_ms", firstRows / std::max(runs, 1)},
                                                   {"stall_ms", stall},
                                                   {"rebuild_stall_ms", rebuildStall},
                                                   {"tick_stall_ms", tickStall},
                                                   {"tick_ms", tickTime / std::max(runs, 1)},
                                                   {"scroll_stall_ms", scrollStall_},
                                                   {"scroll_ms", scroll / std::max(runs, 1)},
                                                   {"sort_stall_ms", sortStall},
                                                   {"price_sort_stall_ms", priceSortStall},
                                                   {"renderer_MB", renderer}};
    for (const auto &[name, value] : figures) {
        state.counters[name] = value;
        if (n == 1)
            baseline[name] = value;
        else if (baseline.count(name) && baseline[name] > 0)
            state.counters[name.substr(0, name.rfind('_')) + "_ratio"] = value / baseline[name];
    }
    f.rows.Clear();
}
BENCHMARK(BM_ListPane)->Arg(1)->Arg(1000)->Arg(10000)->Arg(50000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
