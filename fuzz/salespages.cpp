// The My eBay sold list and the payment-status pages.
#include "fuzz/fuzzinput.h"

#include "sellertools/salespages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = FuzzText(data, size);
    SalesPages::SaleRows rows(page);
    QString paymentURL;
    while (rows.Next(&paymentURL)) {
    }
    SalesPages::ShippingAddress(page);
    return 0;
}
