// The results page number auto scroll reads to go on to the next page.
#include "fuzz/fuzzinput.h"

#include "mainwindow/autoscroll.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString next = NextResultsPage(FuzzText(data, size));
    // Whatever the page says, the page asked for next is a positive number.
    if (!next.isEmpty() && next.toLongLong() < 1)
        std::abort();
    return 0;
}
