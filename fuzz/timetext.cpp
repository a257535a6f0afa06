// Dates and durations as pages and files give them.
#include "fuzz/fuzzinput.h"

#include "foundation/timetext.h"
#include "platform/numberederror.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = FuzzText(data, size);
    try {
        basGeneral::ReadDate(text);
        basGeneral::ParseLongDate(text);
        basGeneral::ParseShortDate(text);
        basGeneral::PacificToLocal(text);
        QString month = text;
        basGeneral::MonthAbbrevToNumber(month);
    } catch (const NumberedError &) {
    }
    return 0;
}
