// The stretches of an item or bid page that its seller wrote, and the page
// without them: whatever the page, the stretches lie inside it, in order and
// apart, and removing them (and writing eBay's labels anew) leaves exactly
// the rest.
#include "fuzz/fuzzinput.h"

#include "foundation/sellertext.h"

#include <cstdlib>

namespace {

void checkStretches(const QString &page, basGeneral::PageKind kind)
{
    qsizetype last = 0;
    qsizetype hidden = 0;
    for (const basGeneral::TextStretch &s : basGeneral::SellerWrittenStretches(page, kind)) {
        if (s.begin < last || s.end < s.begin || s.end > page.size())
            std::abort();
        hidden += s.end - s.begin;
        last = s.end;
    }
    // eBay's own labels are written anew for the readers, within the page.
    for (const basGeneral::TextEdit &e : basGeneral::ReadingOf(page, kind).ebaysLabels) {
        if (e.begin < 0 || e.end < e.begin || e.end > page.size())
            std::abort();
        hidden += e.end - e.begin - e.text.size();
    }
    if (basGeneral::WithoutSellerText(page, kind).size() != page.size() - hidden)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = FuzzText(data, size);
    checkStretches(page, basGeneral::PageKind::Item);
    checkStretches(page, basGeneral::PageKind::Bid);
    return 0;
}
