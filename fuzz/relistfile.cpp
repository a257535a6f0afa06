// "relist.dat", the relist schedule; a schedule read is written and read
// back unchanged.
#include "fuzz/fuzzinput.h"

#include "engine/listfileformat.h"
#include "sellertools/relistfile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<RelistFile::Entry> entries = RelistFile::Parse(ListFile::DecodeFile(FuzzBytes(data, size)));
    for (const RelistFile::Entry &entry : entries) {
        RelistFile::ReadNextRelisting(entry.nextRelisting);
        RelistFile::DatePart(entry.nextRelisting);
    }
    const QString written = ListFile::DecodeFile(ListFile::EncodeFile(RelistFile::Compose(entries)));
    if (RelistFile::Parse(written) != entries)
        std::abort();
    return 0;
}
