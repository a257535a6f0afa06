#pragma once

#include "updater/releaseinfo.h"

#include <QString>
#include <QStringList>

#include <functional>

// "update.inf" in the data folder: the vendor's reply as the update check
// saved it, read with the updater's own reader (see ReleaseInfoFile), so the
// release offered is the one the updater would install.
namespace UpdateInfoFile {

// The file's name in the data folder.
inline const QString kFileName = QStringLiteral("update.inf");

// Reads the tag lines. Raises NumberedError when the lines cannot be read:
// 13 a revision that is not a whole number, 6 one beyond 16 bits, 62 a tag's
// value or the notes' end line that never comes (the text ends first), 321 a
// tag given twice or release lines that are incomplete or malformed.
// afterEachLine runs after every line read.
ReleaseInfo Parse(const QStringList &lines, const std::function<void()> &afterEachLine = {});

// Raises NumberedError 321 unless the lines name a release the updater would
// take: no larger than any release may be and signed with `publicKeyDer`.
void CheckRelease(const ReleaseInfo &info, const QByteArray &publicKeyDer);

// Replaces folder's "update.inf" with the reply followed by CR LF. Raises
// NumberedError when the file cannot be written.
void Save(const QString &folder, const QString &reply);

// Reads folder's "update.inf" back and parses it. Raises NumberedError when the
// file cannot be read or its lines are malformed (as Parse).
ReleaseInfo Read(const QString &folder, const std::function<void()> &afterEachLine = {});

} // namespace UpdateInfoFile
