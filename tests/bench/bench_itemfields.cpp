// Reading every field of a large (about 300 KB) eBay item page, beside one
// plain scan over the same page, so the ratio (x_scan) shows how far the
// reader is from the memory limit, and beside one search of the page for a
// text it does not hold (x_absent).
#include "foundation/itemfields.h"
#include "foundation/pagetext.h"
#include "platform/ansi.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

const char *const kKeys[] = {"picture", "title", "endtime", "bids", "currentbid", "minbid",
                             "binprice", "shipping", "qty", "feedbackpercent", "feedbackrating", "seller"};

QByteArray readFixture()
{
    QFile file(QStringLiteral(TM_BENCH_SOURCE_DIR "/../foundation/fixtures/auction_active.html"));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
    return file.readAll();
}

// The active-auction page grown to the size of a real item page: a large
// script block in the head (the site's page configuration) and a long item
// description with tables and styled text, as sellers write them. None of it
// holds a field marker, so every field reads as on the small page while the
// markers a page lacks are searched through all of it.
QByteArray largePage()
{
    const QByteArray small = readFixture();

    QByteArray script = "<script type=\"text/javascript\">\r\n";
    for (int i = 0; script.size() < 90 * 1024; ++i) {
        script += "\tvar cfg" + QByteArray::number(i) + " = {\"id\":\"w" + QByteArray::number(i * 7)
            + "\",\"url\":\"http://ir.ebaystatic.com/rs/v/" + QByteArray::number(i * 131 % 9973)
            + ".js\",\"lazy\":true,\"zone\":\"vi-" + QByteArray::number(i % 17) + "\"};\r\n";
        if (i % 25 == 0)
            script += "\tif (window.raptor) { raptor.require(\"ebay.viewItem.Layout\").init(cfg" + QByteArray::number(i)
                + "); }\r\n";
    }
    script += "</script>\r\n";

    QByteArray description = "<div id=\"ds_div\">\r\n<table width=\"100%\" border=\"0\" cellpadding=\"6\">\r\n";
    for (int i = 0; description.size() < 195 * 1024; ++i) {
        description += "<tr>\r\n\t<td style=\"font-family:Verdana;font-size:10pt;color:#333333\" valign=\"top\">\r\n"
                       "\t\t<p><b>Lot " + QByteArray::number(i) + "</b> &nbsp;Original finish, light wear on the edges; "
                       "see the photographs for the details of the condition.</p>\r\n"
                       "\t\t<p><font color=\"#660000\">Combined postage on request.</font> Returns accepted within 14 days.</p>\r\n"
                       "\t</td>\r\n\t<td width=\"200\"><img src=\"http://i.ebayimg.com/t/Lot-" + QByteArray::number(i)
            + "/00/s/MTAyNFg3Njg=/$_3.JPG\" width=\"200\" border=\"0\" alt=\"Lot " + QByteArray::number(i) + "\"></td>\r\n</tr>\r\n";
    }
    description += "</table>\r\n</div>\r\n";

    QByteArray page = small;
    page.insert(page.indexOf("</head>"), script);
    page.insert(page.indexOf("</body>"), description);
    return page;
}

struct Pages
{
    QByteArray bytes;
    QString text;
    double plainScanNs = 0;
    double absentSearchNs = 0;
};

// A marker text the page does not hold, searched the plain way.
const QString kAbsentText = QStringLiteral("<span id=\"vi-absent-marker\" class=\"nowhere\">");

const Pages &pages()
{
    static const Pages p = [] {
        Pages out;
        out.bytes = largePage();
        out.text = Ansi::decode(out.bytes);

        // The large page must read exactly like the small one.
        const QString small = Ansi::decode(readFixture());
        for (const char *key : kKeys) {
            const QString k = QString::fromLatin1(key);
            if (basGeneral::GetItemField(out.text, k) != basGeneral::GetItemField(small, k)) {
                std::fprintf(stderr, "the large page reads %s differently\n", key);
                std::exit(1);
            }
        }

        // The best of many plain scans: the yardstick for x_scan.
        double best = 1e18;
        for (int i = 0; i < 2000; ++i) {
            const auto start = Clock::now();
            benchmark::DoNotOptimize(out.bytes.indexOf('\x01'));
            benchmark::ClobberMemory();
            best = std::min(best, double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count()));
        }
        out.plainScanNs = std::max(best, 1.0);

        // The best of many searches for an absent text: the yardstick for x_absent.
        best = 1e18;
        for (int i = 0; i < 500; ++i) {
            const auto start = Clock::now();
            benchmark::DoNotOptimize(out.text.indexOf(kAbsentText));
            benchmark::ClobberMemory();
            best = std::min(best, double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count()));
        }
        out.absentSearchNs = std::max(best, 1.0);
        return out;
    }();
    return p;
}

void readAllFields(const QString &page)
{
    for (const char *key : kKeys)
        benchmark::DoNotOptimize(basGeneral::GetItemField(page, QString::fromLatin1(key)));
}

void setScanRatio(benchmark::State &state, double measuredNs)
{
    state.counters["x_scan"] = benchmark::Counter(measuredNs / pages().plainScanNs, benchmark::Counter::kAvgIterations);
    state.counters["x_absent"] = benchmark::Counter(measuredNs / pages().absentSearchNs, benchmark::Counter::kAvgIterations);
    state.counters["page_KB"] = double(pages().bytes.size()) / 1024.0;
}

// One plain scan over the page's bytes (an absent byte, so all of it).
void BM_PlainScan(benchmark::State &state)
{
    const QByteArray &bytes = pages().bytes;
    for (auto _ : state) {
        benchmark::DoNotOptimize(bytes.indexOf('\x01'));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
    state.counters["page_KB"] = double(bytes.size()) / 1024.0;
}
BENCHMARK(BM_PlainScan);

// One search of the page text for a text it does not hold.
void BM_AbsentTextSearch(benchmark::State &state)
{
    const QString &text = pages().text;
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.indexOf(kAbsentText));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * pages().bytes.size());
}
BENCHMARK(BM_AbsentTextSearch)->Unit(benchmark::kMicrosecond);

// The same scan over the page as text (two bytes per character), as the
// reader holds it.
void BM_PlainScanText(benchmark::State &state)
{
    const QString &text = pages().text;
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.indexOf(QChar(1)));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * pages().bytes.size());
}
BENCHMARK(BM_PlainScanText);

// All twelve fields of a page just fetched (its preparation included).
void BM_ReadAllFields_NewPage(benchmark::State &state)
{
    double totalNs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString fresh(pages().text.constData(), pages().text.size()); // a new buffer: nothing reused
        state.ResumeTiming();
        const auto start = Clock::now();
        readAllFields(fresh);
        totalNs += double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * pages().bytes.size());
    setScanRatio(state, totalNs);
}
BENCHMARK(BM_ReadAllFields_NewPage)->Unit(benchmark::kMicrosecond);

// All twelve fields again from the same page text (the refresh's pattern
// after its first field).
void BM_ReadAllFields_SamePage(benchmark::State &state)
{
    const QString &page = pages().text;
    readAllFields(page);
    double totalNs = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        readAllFields(page);
        totalNs += double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * pages().bytes.size());
    setScanRatio(state, totalNs);
}
BENCHMARK(BM_ReadAllFields_SamePage)->Unit(benchmark::kMicrosecond);

// The page's preparation alone (unwanted characters dropped, case folded),
// then with the one pass that looks for many markers at once.
void BM_PreparePage(benchmark::State &state)
{
    using basGeneral::PageText::FoldedText;
    const QString &page = pages().text;
    FoldedText prepared;
    const QList<QStringView> markers = {u"<span class=\"vi-absent-1\">", u">Absent two:</th>", u"absent three:",
                                        u"[&absent;", u"<meta property=\"og:absent\" content=\""};
    double totalNs = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        prepared.assignWithoutChars(page, u'\t', u'\r', u'\n', u'\u00C2');
        if (state.range(0))
            prepared.findEach(markers);
        totalNs += double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * pages().bytes.size());
    setScanRatio(state, totalNs);
}
BENCHMARK(BM_PreparePage)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// One field at a time on the prepared page: where the time goes.
void BM_ReadOneField(benchmark::State &state)
{
    const QString &page = pages().text;
    const QString key = QString::fromLatin1(kKeys[state.range(0)]);
    state.SetLabel(kKeys[state.range(0)]);
    basGeneral::GetItemField(page, key);
    double totalNs = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(basGeneral::GetItemField(page, key));
        totalNs += double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
    }
    setScanRatio(state, totalNs);
}
BENCHMARK(BM_ReadOneField)->DenseRange(0, 11)->Unit(benchmark::kMicrosecond);

} // namespace
