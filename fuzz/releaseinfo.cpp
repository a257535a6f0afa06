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
    // A release taken is a path on the vendor's host and a whole checksum.
    if (ReleaseInfoFile::Parse(lines, &info, &error)) {
        if (!info.path.startsWith(QLatin1Char('/')) || info.path.startsWith(QStringLiteral("//")) || info.sha256.size() != 64)
            std::abort();
    }
    return 0;
}
