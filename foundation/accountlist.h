#pragma once

#include <QString>
#include <QStringList>

// The ";"-joined lists of the stored accounts ("Username", "Password").
// A ";" inside an entry (a scrambled password may hold one) is stored as
// U+001F, a character no typed password holds, so it cannot split the list;
// every entry without ";" is stored exactly as before.
namespace AccountList {

QString Join(const QStringList &entries);
// "" gives no entries.
QStringList Split(const QString &stored);

} // namespace AccountList
