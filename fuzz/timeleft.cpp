// Time-left texts, prices and maximum bids as pages and files give them.
#include "fuzz/fuzzinput.h"

#include "foundation/timetext.h"
#include "platform/numberederror.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = FuzzText(data, size);
    QString timeLeft = text;
    const int seconds = basGeneral::ParseTimeLeft(timeLeft);
    // Below an hour the written form carries minutes and seconds and reads
    // back to the same count.
    if (seconds >= 0 && seconds < 3600) {
        QString written = basGeneral::FormatTimeLeft(qint64(seconds));
        if (basGeneral::ParseTimeLeft(written) != seconds)
            std::abort();
    }
    try {
        QString number = text;
        basGeneral::FormatTimeLeft(number);
    } catch (const NumberedError &) {
        // Not a number: the reader's own report.
    }
    basGeneral::PriceToDouble(text);
    basGeneral::GetCurrencyPrefix(text);
    QString price = text;
    basGeneral::FormatPrice2(price);
    basGeneral::GetBidQty(text);
    basGeneral::GetBidAmount(text);
    QString month = text;
    basGeneral::MonthAbbrevToNumber(month);
    return 0;
}
