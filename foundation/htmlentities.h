#pragma once

#include <QString>

namespace basGeneral {

// Page text as the reader sees it: every character reference ("&amp;",
// "&eacute;", "&#39;", "&#x2019;") replaced by its character, once, so
// "&amp;lt;" gives "&lt;". "&nbsp;" gives a plain space, as StripTags does.
// Numbers 128-159 are Windows-1252 letters, as browsers read them. A name
// the reader does not know, a reference without its ";" and a number that
// names no character stay as written.
QString DecodeEntities(const QString &text);

} // namespace basGeneral
