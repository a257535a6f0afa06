// The selling pages the relist robot reads, up to the confirmation.
#include "fuzz/fuzzinput.h"

#include "sellertools/relistpages.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList parts = FuzzParts(data, size, 3);
    const QString page = parts[0].toLower();
    RelistPages::IsSignInForm(parts[1], page);
    RelistPages::ShowsUser(page, parts[2]);
    RelistPages::IsCatalogPage(page);
    RelistPages::IsCreatePage(page);
    RelistPages::IsReviewPage(page);
    // A relist is claimed only for an item number that is all digits.
    if (const auto number = RelistPages::NewItemNumber(page)) {
        if (number->isEmpty())
            std::abort();
        for (const QChar c : *number)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                std::abort();
    }
    return 0;
}
