#pragma once

#include <QString>
#include <QStringList>

// The release the vendor's server offered, read from the "update.inf" that
// the program's update check saved in its data folder. Two tag lines, matched
// whole and exactly like the program's own tags, each followed by its value:
//
//     <download>     the archive's path on the vendor's web host ("/releases/x.tar")
//     <sha256>       the archive's SHA-256 checksum, 64 hexadecimal digits
//
// The program reads the same file for the version and notes and passes over
// these lines, so the two never disagree about which release was offered.
struct ReleaseInfo
{
    QString path;      // starts with "/"
    QByteArray sha256; // lower-case hexadecimal
};

namespace ReleaseInfoFile {

// The release named by the lines, or an error text that says what is wrong.
// Only a path on the vendor's host is taken: an address of any other host is
// refused, so a reply cannot send the updater elsewhere.
bool Parse(const QStringList &lines, ReleaseInfo *info, QString *error);

// Reads and parses the file at `path`.
bool Read(const QString &path, ReleaseInfo *info, QString *error);

} // namespace ReleaseInfoFile
