// "update.inf" as the vendor's server sends it, read as the program reads it.
#include "fuzz/fuzzinput.h"

#include "platform/numberederror.h"
#include "sellertools/updateinfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    try {
        UpdateInfoFile::Parse(ReleaseInfoFile::SplitLines(FuzzText(data, size)));
    } catch (const NumberedError &) {
        // A malformed file is reported to the user: an expected outcome.
    }
    return 0;
}
