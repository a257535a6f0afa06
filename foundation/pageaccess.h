#pragma once

#include <QString>
#include <QStringView>

class Inet;

// Fetching a page through a transfer control and cutting pieces out of page
// text. Positions are 1-based, 0 meaning "not found", as the callers expect.
// Start markers are found in any letter case, end markers only exactly.
namespace basGeneral {

// Waits up to 10 seconds (monotonic clock, events keep running) for the
// control to finish an earlier request, cancels it if it is still running,
// then GETs url and returns the body as text. Any failure gives "", a reply
// larger than maxReplyBytes included (0: the limit of a page).
QString GetURL(const QString &url, Inet &inet, qsizetype maxReplyBytes = 0);
QString GetURL(const QString &url, Inet *inet, qsizetype maxReplyBytes = 0);

// The text after the first startMarker (any letter case) up to the next
// endMarker (exact case); the whole rest when endMarker is "" or absent; ""
// when the text is "" or startMarker is absent. An empty startMarker matches
// at the start. With clean set, Tabs, CR LF pairs and LFs are removed first.
QString GetBetween(const QString &text, const QString &startMarker, const QString &endMarker,
                   bool clean = false);

// The target of the anchor whose visible text is linkText ("&amp;" turned
// into "&"), or "". With ignoreCase the caller's linkText and html are
// lower-cased; when the link is found the caller's html is left holding the
// raw target (before "&amp;" is replaced).
QString GetLinkHref(QString &linkText, QString &html, bool ignoreCase = false);

// The value attribute of the element named fieldName (name= or NAME=), or ""
// when there is no such element or it has no value. Raises NumberedError 5 when
// the name attribute does not sit inside a "<" ... ">" tag.
QString GetInputValue(const QString &html, const QString &fieldName);

// 1-based position of needle (any letter case) in haystack after CR LF
// pairs and Tabs were removed from it; 0 when absent.
int InStrClean(const QString &haystack, const QString &needle);

// Removes every "<...>" tag and turns "&nbsp;" / "&NBSP;" into a space. A
// text without "<" comes back unchanged.
QString StripTags(const QString &html);

// Removes CR, LF and Tab, then halves runs of spaces in one left-to-right
// pass ("  " -> " ", so three or four spaces become two).
// Leading and trailing blanks removed — blanks only, not tabs or line ends,
// as the program's texts were always trimmed.
QString TrimSpaces(const QString &text);

QString CleanWhitespace(const QString &text);

// The eBay item number in an eBay URL, or "". The caller's url is cut at
// its first "#".
QString GetItemNumberFromURL(QString &url);

// "*", digits and ASCII letters stay, a space becomes "%20", every other
// character "%XX" with its Windows-1252 code (a character without one is
// sent as "?", %3F).
QString UrlEncode(const QString &text);

// Whether a text reads as a number the way the program has always tested it:
// spaces around, an optional sign, digits with optional thousands commas, an
// optional decimal part and exponent.
bool ReadsAsNumber(QStringView text);

// Lets pending window events run, at most about every 15 ms, so a long loop
// stays responsive without paying for an event pass per turn. Only for the
// top level of long work: never inside a parser or a formatter, nor in code
// that answers a list's change signals.
void LetEventsRun();

} // namespace basGeneral
