#include "platform/leftovers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Leftovers {

namespace {

constexpr int kSuffixLength = 6;

// "data6.dat.Ab3xYz" -> "data6.dat"; empty when the name is not of that form.
QString targetOf(const QString &fileName)
{
    const qsizetype dot = fileName.size() - kSuffixLength - 1;
    if (dot < 1 || fileName.at(dot) != QLatin1Char('.'))
        return {};
    for (qsizetype i = dot + 1; i < fileName.size(); ++i) {
        const char16_t c = fileName.at(i).unicode();
        const bool letterOrDigit = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
        if (!letterOrDigit)
            return {};
    }
    return fileName.left(dot);
}

} // namespace

bool IsSaveTemporary(const QString &fileName, const QString &target)
{
    return !target.isEmpty() && targetOf(fileName) == target;
}

int RemoveSaveTemporaries(const QString &folder, const QString &only)
{
    const QDir dir(folder);
    int removed = 0;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QString target = targetOf(name);
        if (target.isEmpty())
            continue;
        const bool wanted = only.isEmpty() ? names.contains(target) : target == only;
        if (wanted && QFile::remove(dir.filePath(name)))
            ++removed;
    }
    return removed;
}

} // namespace Leftovers
