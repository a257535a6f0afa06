#pragma once

#include <QString>
#include <QStringList>

// The release the vendor's server offered, read from the "update.inf" that
// the program's update check saved in its data folder. Tag lines, matched
// whole and exactly like the program's own tags, each followed by its value:
//
//     <version>      the release's revision (the program reads it too)
//     <download>     the archive's path on the vendor's secure host ("/releases/x.tar")
//     <size>         the archive's size in bytes
//     <sha256>       the archive's SHA-256 checksum, 64 hexadecimal digits
//     <signature>    the vendor's Ed25519 signature of the three above, base64
//                    (see ReleaseSignature; scripts/make-release writes these lines)
//
// The program reads the same file for the version and notes and passes over
// these lines, so the two never disagree about which release was offered.
struct ReleaseInfo
{
    int version = 0;
    QString path;      // starts with "/"
    qint64 size = 0;
    QByteArray sha256; // lower-case hexadecimal
    QByteArray signature;
};

namespace ReleaseInfoFile {

// The release named by the lines, or an error text that says what is wrong.
// Only a path on the vendor's host is taken: an address of any other host is
// refused, so a reply cannot send the updater elsewhere. A size above
// `largest` is refused. Whether the signature is the vendor's is for the
// caller to check.
bool Parse(const QStringList &lines, qint64 largest, ReleaseInfo *info, QString *error);

// Reads and parses the file at `path`.
bool Read(const QString &path, qint64 largest, ReleaseInfo *info, QString *error);

} // namespace ReleaseInfoFile
