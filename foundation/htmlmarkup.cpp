#include "foundation/htmlmarkup.h"

#include <algorithm>

namespace basGeneral::HtmlMarkup {

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool same(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}



// The tag whose "<" is at `at`, followed by a letter or "/".
Tag readTag(QStringView t, qsizetype at)
{
    Tag tag;
    const qsizetype n = t.size();
    qsizetype i = at + 1;
    if (t[i] == u'/') {
        tag.closing = true;
        ++i;
    }
    const auto endsName = [&](qsizetype k) { return isSpace(t[k]) || t[k] == u'/' || t[k] == u'>'; };
    const qsizetype nameBegin = i;
    while (i < n && !endsName(i))
        ++i;
    tag.name = t.sliced(nameBegin, i - nameBegin);
    for (;;) {
        while (i < n && (isSpace(t[i]) || t[i] == u'/'))
            ++i;
        if (i >= n) {
            tag.end = n;
            return tag;
        }
        if (t[i] == u'>') {
            tag.end = i + 1;
            return tag;
        }
        Attribute a;
        const qsizetype attributeBegin = i;
        do
            ++i;
        while (i < n && !endsName(i) && t[i] != u'=');
        a.name = t.sliced(attributeBegin, i - attributeBegin);
        qsizetype j = i;
        while (j < n && isSpace(t[j]))
            ++j;
        if (j < n && t[j] == u'=') {
            i = j + 1;
            while (i < n && isSpace(t[i]))
                ++i;
            if (i < n && (t[i] == u'"' || t[i] == u'\'')) {
                const QChar quote = t[i++];
                const qsizetype close = t.indexOf(quote, i);
                a.valueBegin = i;
                a.valueEnd = close < 0 ? n : close;
                i = close < 0 ? n : close + 1;
            } else {
                a.valueBegin = i;
                while (i < n && !isSpace(t[i]) && t[i] != u'>')
                    ++i;
                a.valueEnd = i;
            }
        }
        tag.attributes.append(a);
    }
}

// Where the closing tag of `name` begins, from `from` on; the page's end
// when it has none.
qsizetype closingTag(QStringView t, qsizetype from, QStringView name)
{
    for (qsizetype at = from; (at = t.indexOf(u"</", at)) >= 0; at += 2) {
        const qsizetype after = at + 2 + name.size();
        if (after <= t.size() && same(t.sliced(at + 2, name.size()), name)
            && (after == t.size() || !t[after].isLetterOrNumber()))
            return at;
    }
    return t.size();
}

// Where the element `name` that opened before `from` closes, nested ones of
// the same name counted; the page's end when it never does.
qsizetype elementEnd(QStringView t, qsizetype from, QStringView name)
{
    int depth = 1;
    for (qsizetype at = from; (at = t.indexOf(u'<', at)) >= 0; ++at) {
        const bool closing = at + 1 < t.size() && t[at + 1] == u'/';
        const qsizetype nameAt = at + (closing ? 2 : 1);
        const qsizetype after = nameAt + name.size();
        if (after > t.size() || !same(t.sliced(nameAt, name.size()), name)
            || (after < t.size() && t[after].isLetterOrNumber()))
            continue;
        depth += closing ? -1 : 1;
        if (depth == 0)
            return at;
    }
    return t.size();
}

bool isBlank(QChar c)
{
    return isSpace(c) || c == u'\u00A0' || c == u'\u00C2';
}

// [begin, end) without blanks and no-break space references at its ends.
std::pair<qsizetype, qsizetype> trimmed(QStringView t, qsizetype begin, qsizetype end)
{
    for (bool moved = true; moved && begin < end;) {
        moved = false;
        for (QStringView blank : {u"&nbsp;", u"&#160;"}) {
            if (t.sliced(begin, end - begin).startsWith(blank, Qt::CaseInsensitive)) {
                begin += blank.size();
                moved = true;
            }
            if (begin < end && t.sliced(begin, end - begin).endsWith(blank, Qt::CaseInsensitive)) {
                end -= blank.size();
                moved = true;
            }
        }
        for (; begin < end && isBlank(t[begin]); ++begin)
            moved = true;
        for (; begin < end && isBlank(t[end - 1]); --end)
            moved = true;
    }
    return {begin, end};
}

bool isBlankText(QStringView t, qsizetype begin, qsizetype end)
{
    const auto [b, e] = trimmed(t, begin, end);
    return b >= e;
}

bool isVoidElement(QStringView name)
{
    for (QStringView empty : {u"meta", u"input", u"img", u"br", u"link", u"hr", u"wbr", u"col", u"area", u"source"})
        if (same(name, empty))
            return true;
    return false;
}

// Elements that only dress their text: the text stays the same without them.
bool isInlineWrapper(QStringView name)
{
    for (QStringView wrapper : {u"b", u"span", u"font", u"strong", u"label", u"i", u"em", u"u", u"small", u"nobr"})
        if (same(name, wrapper))
            return true;
    return false;
}

bool isTagStart(QStringView t, qsizetype at)
{
    return at + 1 < t.size() && t[at] == u'<' && (isAsciiLetter(t[at + 1]) || t[at + 1] == u'/');
}

// Where the comment at `at` ends; the page's end when it never does.
qsizetype commentEnd(QStringView t, qsizetype at)
{
    const qsizetype end = t.indexOf(u"-->", at + 4);
    return end < 0 ? t.size() : end + 3;
}

// The blank (space of any kind, or a no-break space reference) at `at`:
// its length, 0 when none stands there.
qsizetype blankAt(QStringView t, qsizetype at)
{
    if (isBlank(t[at]))
        return 1;
    for (QStringView blank : {u"&nbsp;", u"&#160;"})
        if (t.sliced(at).startsWith(blank, Qt::CaseInsensitive))
            return blank.size();
    return 0;
}


Element elementAt(QStringView t, qsizetype open, const Tag &tag)
{
    Element e{open, tag.end, elementEnd(t, tag.end, tag.name), t.size(), tag.name};
    if (e.close < t.size())
        e.end = std::max(e.close, readTag(t, e.close).end);
    return e;
}

// The element holding `child` (its opening tag found by counting the tags
// before it); nullopt at the page's top.
std::optional<Element> parentOf(QStringView t, qsizetype child)
{
    int depth = 0;
    for (qsizetype at = child; at > 0 && (at = t.lastIndexOf(u'<', at - 1)) >= 0;) {
        if (!isTagStart(t, at))
            continue;
        const Tag tag = readTag(t, at);
        if (isVoidElement(tag.name))
            continue;
        if (tag.closing) {
            ++depth;
        } else if (depth > 0) {
            --depth;
        } else {
            return elementAt(t, at, tag);
        }
    }
    return std::nullopt;
}

// Whether [begin, end) holds text of its own, outside the elements and
// comments in it.
bool holdsOwnText(QStringView t, qsizetype begin, qsizetype end)
{
    int depth = 0;
    for (qsizetype i = begin; i < end;) {
        if (t.sliced(i, end - i).startsWith(u"<!--")) {
            i = commentEnd(t, i);
            continue;
        }
        if (isTagStart(t, i) && i + 1 < end) {
            const Tag tag = readTag(t, i);
            if (!isVoidElement(tag.name))
                depth += tag.closing ? -1 : 1;
            i = tag.end;
            continue;
        }
        if (depth <= 0) {
            const qsizetype found = t.indexOf(u'<', i + 1);
            const qsizetype next = found < 0 ? end : std::min(end, found);
            if (!isBlankText(t, i, next))
                return true;
            i = next;
            continue;
        }
        ++i;
    }
    return false;
}

} // namespace basGeneral::HtmlMarkup
