#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// What the vendor's server says about the newest release, as the program's
// update check keeps it in "update.inf". The program (to offer the release)
// and the updater (to install it) read the file with this one reader, so the
// two never disagree about which release was offered. Tag lines are matched
// whole and exactly, each tag at most once; every other line is ignored:
//
//     <version>      the release's revision (a 16-bit whole number)
//     <notes>        the lines up to "</notes>" are the release notes
//     <critical>     the next line is "True" for a critical release
//     <download>     the archive's path on the vendor's secure host ("/releases/x.tar")
//     <size>         the archive's size in bytes
//     <sha256>       the archive's SHA-256 checksum, 64 hexadecimal digits
//     <signature>    the vendor's Ed25519 signature of revision, size and
//                    checksum, base64 (see ReleaseSignature; scripts/make-release
//                    writes these lines)
//
// Only revision, size and checksum are signed. The notes and the critical
// mark are the server's word: the program shows them with a newer revision
// only beside a release that passes Check. A second tag line could say
// something else than the signed one, so it makes the whole file unreadable.
struct ReleaseInfo
{
    int version = 0;   // 0 without a "<version>" line
    QString notes;     // each line followed by CR LF
    bool critical = false;
    // The release to download; an empty path when the file names none.
    QString path;      // starts with "/"
    qint64 size = 0;
    QByteArray sha256; // lower-case hexadecimal
    QByteArray signature;
};

namespace ReleaseInfoFile {

// No release is larger, whatever the file says.
inline constexpr qint64 kLargestRelease = qint64(256) << 20;

// Why a file cannot be read.
enum class Fault {
    None,
    Unreadable,  // the file cannot be read
    NotANumber,  // a revision that is not a whole number
    Overflow,    // a revision beyond 16 bits
    CutOff,      // a tag's value or the notes' end line never comes
    RepeatedTag, // a tag given twice
    BadRelease,  // release lines that are incomplete or malformed
};

struct Reading
{
    ReleaseInfo info;
    Fault fault = Fault::None;
    QString error; // what is wrong, for the user
    bool ok() const { return fault == Fault::None; }
};

// The lines of a file's text, split at CR LF, CR or LF. A text that ends
// with a line break has no empty last line.
QStringList SplitLines(const QString &text);

// Reads the tag lines. Release lines, once any is given, must all be there
// and well formed: a path on the vendor's host (an address of any other host
// is refused, so a reply cannot send the updater elsewhere), a whole
// checksum, a positive size, a revision and a base64 signature.
// afterEachLine runs after every line read.
Reading Parse(const QStringList &lines, const std::function<void()> &afterEachLine = {});

// Reads and parses the file at `path`, as Latin-1 (the tags and the release
// lines are plain ASCII).
Reading Read(const QString &path);

// True when the file names a release of at most `largest` bytes whose
// revision, size and checksum carry a valid signature by `publicKeyDer`;
// otherwise `error` says why not.
bool Check(const ReleaseInfo &info, qint64 largest, const QByteArray &publicKeyDer, QString *error);

} // namespace ReleaseInfoFile
