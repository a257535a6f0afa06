#pragma once

#include <QStringView>
#include <QVarLengthArray>

#include <optional>
#include <utility>

// The pieces of HTML the item-page readers tell apart, read as a browser's
// parser would: tags with their attributes, elements, comments and blanks.
namespace basGeneral::HtmlMarkup {

bool isSpace(QChar c);
bool isAsciiLetter(QChar c);
// Equal in any letter case.
bool same(QStringView a, QStringView b);

struct Attribute
{
    QStringView name;
    qsizetype valueBegin = -1; // -1: written without a value
    qsizetype valueEnd = -1;
};

// One tag as an HTML parser reads it: quoted values may hold ">".
struct Tag
{
    QStringView name;
    bool closing = false;
    qsizetype end = 0; // just after its ">", or the page's end
    QVarLengthArray<Attribute, 8> attributes;

    QStringView value(QStringView page, QStringView attribute) const
    {
        for (const Attribute &a : attributes)
            if (a.valueBegin >= 0 && same(a.name, attribute))
                return page.sliced(a.valueBegin, a.valueEnd - a.valueBegin);
        return {};
    }

    bool valueIs(QStringView page, QStringView attribute, QStringView wanted) const
    {
        return same(value(page, attribute), wanted);
    }

    bool hasClass(QStringView page, QStringView wanted) const
    {
        const QStringView classes = value(page, u"class");
        for (QStringView word : classes.tokenize(u' ', Qt::SkipEmptyParts))
            if (same(word, wanted))
                return true;
        return false;
    }
};

// The tag whose "<" is at `at`, followed by a letter or "/".
Tag readTag(QStringView t, qsizetype at);
// Whether a tag (a "<" and a letter or "/") begins at `at`.
bool isTagStart(QStringView t, qsizetype at);
// Where the closing tag of `name` begins, from `from` on; the page's end
// when it has none.
qsizetype closingTag(QStringView t, qsizetype from, QStringView name);
// Where the element `name` that opened before `from` closes, nested ones of
// the same name counted; the page's end when it never does.
qsizetype elementEnd(QStringView t, qsizetype from, QStringView name);
// Where the comment at `at` ends; the page's end when it never does.
qsizetype commentEnd(QStringView t, qsizetype at);
bool isVoidElement(QStringView name);
// Elements that only dress their text: the text stays the same without them.
bool isInlineWrapper(QStringView name);

// A blank: a space of any kind, or the "Â" a UTF-8 no-break space leaves
// in a page read byte per character.
bool isBlank(QChar c);
// The blank (a blank character, or a no-break space reference) at `at`:
// its length, 0 when none stands there.
qsizetype blankAt(QStringView t, qsizetype at);
// [begin, end) without blanks and no-break space references at its ends.
std::pair<qsizetype, qsizetype> trimmed(QStringView t, qsizetype begin, qsizetype end);
bool isBlankText(QStringView t, qsizetype begin, qsizetype end);

// An element: its opening tag at `open`, its content from `inner` up to the
// closing tag at `close`, which ends at `end`.
struct Element
{
    qsizetype open = 0;
    qsizetype inner = 0;
    qsizetype close = 0;
    qsizetype end = 0;
    QStringView name;
};

Element elementAt(QStringView t, qsizetype open, const Tag &tag);
// The element holding `child` (its opening tag found by counting the tags
// before it); nullopt at the page's top.
std::optional<Element> parentOf(QStringView t, qsizetype child);
// Whether [begin, end) holds text of its own, outside the elements and
// comments in it.
bool holdsOwnText(QStringView t, qsizetype begin, qsizetype end);

} // namespace basGeneral::HtmlMarkup
