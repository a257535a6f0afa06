// The My eBay watching-list page's item links.
#include "fuzz/fuzzinput.h"

#include "items/watchinglist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = FuzzText(data, size);
    WatchingList::ItemNumbers(page);
    // A short marker, so the fuzzer reaches the number reading easily.
    WatchingList::ItemNumbers(page, QStringLiteral("/itm/"));
    return 0;
}
