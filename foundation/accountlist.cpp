#include "foundation/accountlist.h"

namespace AccountList {

namespace {
constexpr QChar kSemicolonMark(0x1F);
}

QString Join(const QStringList &entries)
{
    QStringList marked;
    marked.reserve(entries.size());
    for (QString e : entries)
        marked << e.replace(QLatin1Char(';'), kSemicolonMark);
    return marked.join(QLatin1Char(';'));
}

QStringList Split(const QString &stored)
{
    if (stored.isEmpty())
        return {};
    QStringList entries = stored.split(QLatin1Char(';'));
    for (QString &e : entries)
        e.replace(kSemicolonMark, QLatin1Char(';'));
    return entries;
}

} // namespace AccountList
