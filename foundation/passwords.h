#pragma once

#include <QString>

// Keeping stored passwords unreadable at a glance, and the digit encoding of
// texts sent to the vendor's online service.
namespace basGeneral {

// A character substitution over the 67 characters a-z, A-Z, 0-9, space and
// . , ? ! ; every other character passes through unchanged. The result has
// the same length, and UnscramblePassword gives the text back.
QString ScramblePassword(const QString &plain);
QString UnscramblePassword(const QString &scrambled);

// The text as a string of digits that differs on every call: two digits of a
// random offset, four digits per character ((Windows-1252 code + offset) x a
// random factor), one digit of the factor, with a random filler digit after
// every full three. "" gives an empty text.
QString EncodeForServer(const QString &text);

} // namespace basGeneral
