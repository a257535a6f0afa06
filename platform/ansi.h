#pragma once

#include <QByteArray>
#include <QString>

// Text in the byte-per-character code page of eBay's pages and the data files (Windows-1252):
// fetched pages, data files and URL encoding all work on these bytes, so the
// marker texts the program searches for match exactly.
namespace Ansi {

// One byte per character; bytes 0x80-0x9F map to their Windows-1252 letters
// (a byte without a letter there maps to the same code point).
QString decode(const QByteArray &bytes);

// The reverse; a character without a Windows-1252 byte becomes '?'.
QByteArray encode(const QString &text);

// The Windows-1252 byte of one character, or -1 when it has none.
int byteOf(QChar c);

} // namespace Ansi
