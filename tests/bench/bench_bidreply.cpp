// Reading a bid page's answer: the small purchase confirmation, and a large
// (about 300 KB) item page as a redirect may hand it over, each beside the
// seller-text cut alone (x_cut: what reading the message boxes and the
// title's every spelling adds to it).
#include "engine/bidreply.h"
#include "foundation/sellertext.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <chrono>

namespace {

const QString kTitle = QStringLiteral("Grandma's  oak stool (1950s) - You committed to buy this item");

QString ConfirmationPage()
{
    return QStringLiteral("<!DOCTYPE html>\r\n<html><head><title>eBay &gt; Purchase Confirmation</title></head><body>\r\n"
                          "<p class=\"itm\">Grandma&#39;s&nbsp;&nbsp;oak stool (1950s) - You committed to buy this item "
                          "(Item number: 110000000001)</p>\r\n<div class=\"statusmsg\"><p>Congratulations alice! You "
                          "committed to buy this item for US $30.00.</p></div>\r\n</body></html>\r\n");
}

// An item page whose description is long, with brackets, references and
// markup on every line, as sellers write them.
QString LargeItemPage()
{
    QString page = QStringLiteral("<!DOCTYPE html>\r\n<html><head><title>") + kTitle
        + QStringLiteral(" | eBay</title></head><body>\r\n<h1 class=\"it-ttl\">") + kTitle
        + QStringLiteral("</h1>\r\n<div class=\"msg\">This listing has ended.</div>\r\n<div id=\"ds_div\"><table>\r\n");
    for (int i = 0; page.size() < 300 * 1024; ++i)
        page += QStringLiteral("<tr><td style=\"font-size:10pt\"><p><b>Lot %1</b> &nbsp;Original finish (light wear, "
                               "see photo %1); it&#39;s sold as seen.</p><p><font color=\"#660000\">Postage (UK) on "
                               "request.</font></p></td></tr>\r\n")
                    .arg(i);
    return page + QStringLiteral("</table></div>\r\n</body></html>\r\n");
}

template<typename Read>
double BestNs(const QString &page, Read read)
{
    double best = 1e18;
    for (int i = 0; i < 20; ++i) {
        const auto start = std::chrono::steady_clock::now();
        read(page);
        best = std::min(best, double(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                         std::chrono::steady_clock::now() - start)
                                         .count()));
    }
    return std::max(best, 1.0);
}

void Measure(benchmark::State &state, const QString &page)
{
    const auto cut = [](const QString &p) {
        benchmark::DoNotOptimize(basGeneral::WithoutSellerText(p, basGeneral::PageKind::Bid, kTitle));
    };
    const auto read = [](const QString &p) {
        const BidReply reply(p, kTitle, BidReply::Arrival::Direct);
        benchmark::DoNotOptimize(reply.ownMessageSays(QStringLiteral("You committed to buy this item")));
    };
    for (auto _ : state)
        read(page);
    const double cutNs = BestNs(page, cut);
    state.counters["x_cut"] = BestNs(page, read) / cutNs;
    state.counters["cut_us"] = cutNs / 1000.0;
    state.counters["page_kchars"] = double(page.size()) / 1000.0;
}

void BM_PurchaseConfirmation(benchmark::State &state)
{
    Measure(state, ConfirmationPage());
}
BENCHMARK(BM_PurchaseConfirmation)->Unit(benchmark::kMicrosecond);

void BM_LargeItemPageAfterARedirect(benchmark::State &state)
{
    Measure(state, LargeItemPage());
}
BENCHMARK(BM_LargeItemPageAfterARedirect)->Unit(benchmark::kMillisecond);

} // namespace
