#pragma once

#include <QByteArray>
#include <QString>

class QUrl;

// The release archive: a tar file of the program folder's files, fetched
// from the vendor's server, checked and unpacked with the system's tar.
namespace ReleaseArchive {

// Saves the body of a GET of `url` in the file `to`. False, with `error`,
// for anything but a complete 200 reply (a transfer that stalls for a
// minute is given up).
bool Download(const QUrl &url, const QString &to, QString *error);

// The file's SHA-256 checksum in lower-case hexadecimal; empty when it
// cannot be read.
QByteArray Sha256(const QString &file);

// Unpacks the archive into the existing, empty folder `into`. Refuses (before
// anything is written) member names that would land outside it, and (after)
// links of any kind and an archive without a single file.
bool Unpack(const QString &archive, const QString &into, QString *error);

} // namespace ReleaseArchive
