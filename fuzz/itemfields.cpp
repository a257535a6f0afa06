// An item page read for every field key the program asks for.
#include "fuzz/fuzzinput.h"

#include "foundation/itemfields.h"
#include "platform/numberederror.h"

namespace {

// Every key the reader knows, and one it does not.
const char *const kFuzzFieldKeys[] = {"picture", "title", "endtime", "bids", "currentbid", "minbid", "binprice",
                                      "shipping", "qty", "feedbackpercent", "feedbackrating", "seller", "other"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = FuzzText(data, size);
    for (const char *key : kFuzzFieldKeys) {
        try {
            basGeneral::GetItemField(page, QString::fromLatin1(key));
        } catch (const NumberedError &) {
        }
    }
    return 0;
}
