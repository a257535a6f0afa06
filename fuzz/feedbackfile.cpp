// "feedback.dat", the accounts that return feedback; the records read are
// written and read back unchanged.
#include "fuzz/fuzzinput.h"

#include "sellertools/feedbackfile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<FeedbackFile::Entry> entries = FeedbackFile::Parse(FuzzBytes(data, size));
    if (FeedbackFile::Parse(FeedbackFile::Format(entries)) != entries)
        std::abort();
    return 0;
}
