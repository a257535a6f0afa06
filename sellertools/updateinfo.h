#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// What the vendor's server says about the newest release, as kept in
// "update.inf": tag lines matched whole and exactly, every other line ignored.
//
//     <version>      the next line is the release's revision (16-bit whole number)
//     <notes>        the lines up to "</notes>" are the release notes
//     <critical>     the next line is "True" for a critical release
struct UpdateInfo
{
    int version = 0;  // 0 without a "<version>" line
    QString notes;    // each line followed by CR LF; blocks appended
    bool critical = false;
};

namespace UpdateInfoFile {

// The file's name in the data folder.
inline const QString kFileName = QStringLiteral("update.inf");

// The lines of a file's text, split at CR LF, CR or LF. A text that ends
// with a line break has no empty last line.
QStringList SplitLines(const QString &text);

// Reads the tag lines. Raises NumberedError when a tag's value is missing (the
// text ends first), a version is not a whole number or does not fit 16 bits,
// or a notes block has no end line. afterEachLine runs after every line read.
UpdateInfo Parse(const QStringList &lines, const std::function<void()> &afterEachLine = {});

// Replaces folder's "update.inf" with the reply followed by CR LF. Raises
// NumberedError when the file cannot be written.
void Save(const QString &folder, const QString &reply);

// Reads folder's "update.inf" back and parses it. Raises NumberedError when the
// file cannot be read or its lines are malformed (as Parse).
UpdateInfo Read(const QString &folder, const std::function<void()> &afterEachLine = {});

} // namespace UpdateInfoFile
