// "update.inf" as the updater reads it.
#include "fuzz/fuzzinput.h"

#include "updater/releaseinfo.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ReleaseInfoFile::Reading reading = ReleaseInfoFile::Parse(ReleaseInfoFile::SplitLines(FuzzText(data, size)));
    if (!reading.ok()) {
        if (reading.error.isEmpty())
            std::abort();
        return 0;
    }
    // A release taken is a path on the vendor's host, a whole checksum and a
    // positive size.
    const ReleaseInfo &info = reading.info;
    if (!info.path.isEmpty()
        && (!info.path.startsWith(QLatin1Char('/')) || info.path.startsWith(QStringLiteral("//")) || info.sha256.size() != 64
            || info.size <= 0))
        std::abort();
    QString error;
    // Whatever the lines, a made-up key signs nothing.
    if (ReleaseInfoFile::Check(info, 1 << 20, QByteArray("not a key"), &error) || error.isEmpty())
        std::abort();
    return 0;
}
