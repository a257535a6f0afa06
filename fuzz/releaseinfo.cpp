// The release lines of "update.inf" as the updater reads them.
#include "fuzz/fuzzinput.h"

#include "updater/releaseinfo.h"

#include <QRegularExpression>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReleaseInfo info;
    QString error;
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = FuzzText(data, size).split(lineEnd);
    // A release taken is a path on the vendor's host, a whole checksum and a
    // size within the limit given.
    constexpr qint64 kLargest = 1 << 20;
    if (ReleaseInfoFile::Parse(lines, kLargest, &info, &error)) {
        if (!info.path.startsWith(QLatin1Char('/')) || info.path.startsWith(QStringLiteral("//")) || info.sha256.size() != 64
            || info.size < 0 || info.size > kLargest)
            std::abort();
    }
    return 0;
}
