#include "foundation/sellertext.h"

#include <QStringMatcher>
#include <QVarLengthArray>

#include <algorithm>
#include <optional>
#include <utility>

namespace basGeneral {

namespace {

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

bool isDescription(const Tag &tag, QStringView t)
{
    return tag.valueIs(t, u"id", u"desc_div") || tag.valueIs(t, u"id", u"ds_div") || tag.hasClass(t, u"desc");
}

// Whether a meta tag's name, property or item property holds `word`.
bool metaNames(const Tag &tag, QStringView t, QStringView word)
{
    for (QStringView kind : {u"property", u"name", u"itemprop"})
        if (tag.value(t, kind).contains(word, Qt::CaseInsensitive))
            return true;
    return false;
}

// How eBay prints a value the seller filled in: as the whole content of
// an element of its own, or (the shipping text, which the shipping field
// reads) as the text in it.
enum class Filled { No, Content, FieldText };

Filled filledBySeller(const Tag &tag, QStringView t)
{
    for (QStringView empty : {u"meta", u"input", u"img", u"br", u"link", u"hr"})
        if (same(tag.name, empty))
            return Filled::No;
    if (tag.valueIs(t, u"id", u"fshippingCost"))
        return Filled::FieldText;
    if (tag.hasClass(t, u"condText") || tag.hasClass(t, u"vi-cond-note") // the condition and its note
        || tag.valueIs(t, u"itemprop", u"availableAtOrFrom")              // the item location
        || tag.valueIs(t, u"id", u"vi-ret-accrd-txt"))                    // the return text
        return Filled::Content;
    return Filled::No;
}

// Where an item page names its title itself: the og:title content and the
// window title; empty where it does not.
struct TitleSources
{
    QStringView og;
    QStringView window;
};

// The stretches told by the element eBay prints them in.
QList<TextStretch> elementStretches(QStringView t, PageKind kind, TitleSources &titles)
{
    const bool itemPage = kind == PageKind::Item;
    QList<TextStretch> out;
    const auto add = [&out](qsizetype begin, qsizetype end, bool readAsField = false) {
        if (end > begin)
            out.append({begin, end, readAsField});
    };
    const qsizetype n = t.size();
    const auto isTagAt = [&](qsizetype at) { return at + 1 < n && (isAsciiLetter(t[at + 1]) || t[at + 1] == u'/'); };
    // Inside the shipping cost every run of text is the seller's, and is
    // read as the shipping field; elements inside it are read as anywhere.
    qsizetype fieldTextEnd = -1;
    qsizetype runBegin = 0;
    const auto endRun = [&](qsizetype end) {
        end = std::min(end, fieldTextEnd);
        if (end > runBegin && !t.sliced(runBegin, end - runBegin).trimmed().isEmpty())
            add(runBegin, end, true);
    };
    qsizetype i = 0;
    while ((i = t.indexOf(u'<', i)) >= 0 && i + 1 < n) {
        if (t.sliced(i).startsWith(u"<!--")) {
            endRun(i);
            const qsizetype end = t.indexOf(u"-->", i + 4);
            if (end < 0) {
                runBegin = n;
                break;
            }
            i = runBegin = end + 3;
            continue;
        }
        if (!isTagAt(i)) {
            ++i;
            continue;
        }
        endRun(i);
        const Tag tag = readTag(t, i);
        i = runBegin = tag.end;
        if (tag.closing)
            continue;

        // Content: the elements that hold nothing but what the seller wrote.
        QStringView contentOf;
        if (same(tag.name, u"title") && itemPage)
            contentOf = u"title";
        else if (same(tag.name, u"h1") && (tag.hasClass(t, u"it-ttl") || tag.valueIs(t, u"id", u"itemTitle")))
            contentOf = u"h1";
        else if (same(tag.name, u"h2") && (tag.hasClass(t, u"it-sttl") || tag.valueIs(t, u"id", u"subTitle")))
            contentOf = u"h2";
        else if (same(tag.name, u"p") && tag.hasClass(t, u"itm"))
            contentOf = u"p";
        else if (same(tag.name, u"script"))
            contentOf = u"script"; // an item page's data repeats the title
        if (!contentOf.isEmpty()) {
            const qsizetype close = closingTag(t, i, contentOf);
            if (contentOf == u"title" && titles.window.isEmpty())
                titles.window = t.sliced(i, close - i);
            if (itemPage || contentOf != u"script")
                add(i, close, contentOf == u"h1");
            i = runBegin = close;
            continue;
        }
        // A bid page's window title is its own; a style sheet is no text.
        if (same(tag.name, u"style") || same(tag.name, u"title")) {
            i = runBegin = closingTag(t, i, tag.name);
            continue;
        }
        // The values the seller filled in, whatever they say: the element
        // eBay prints them in tells them apart, not their text.
        if (const Filled filled = itemPage ? filledBySeller(tag, t) : Filled::No; filled != Filled::No) {
            const qsizetype close = elementEnd(t, i, tag.name);
            if (filled == Filled::Content) {
                add(i, close);
                i = runBegin = close;
                continue;
            }
            fieldTextEnd = std::max(fieldTextEnd, close);
            continue;
        }
        if (same(tag.name, u"div")) {
            // The description is the seller's own markup, which may close
            // any element: it runs to the page's end, and the page puts
            // every field above it.
            if (isDescription(tag, t)) {
                add(i, n);
                runBegin = n;
                break;
            }
            if (tag.hasClass(t, u"itemAttr")) {
                const qsizetype close = elementEnd(t, i, u"div");
                add(i, close);
                i = runBegin = close;
                continue;
            }
        }

        // Attribute values: picture texts and addresses (the item's picture
        // and its meta tags), title and description meta tags, the title
        // field.
        const bool meta = same(tag.name, u"meta");
        const bool fieldMeta = meta && (metaNames(tag, t, u"title") || metaNames(tag, t, u"image"));
        const bool descriptionMeta = meta && metaNames(tag, t, u"description");
        const bool titleField = same(tag.name, u"input") && tag.valueIs(t, u"name", u"title");
        const bool picture = same(tag.name, u"img") && tag.valueIs(t, u"id", u"icImg");
        for (const Attribute &a : tag.attributes) {
            if (a.valueBegin < 0)
                continue;
            if (fieldMeta && same(a.name, u"content") && titles.og.isEmpty() && tag.valueIs(t, u"property", u"og:title"))
                titles.og = t.sliced(a.valueBegin, a.valueEnd - a.valueBegin);
            if (((fieldMeta || descriptionMeta) && same(a.name, u"content")) || (titleField && same(a.name, u"value")))
                add(a.valueBegin, a.valueEnd, fieldMeta || titleField);
            else if (same(a.name, u"alt") || (picture && same(a.name, u"src")))
                add(a.valueBegin, a.valueEnd);
        }
    }
    endRun(n);
    return out;
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

// The byte 0x80 to 0xBF that `c` stands for where a page is read byte per
// character (as Windows-1252 or Latin-1); -1 for any other character.
int continuationByte(QChar c)
{
    static constexpr char16_t kWindows1252[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178,
    };
    if (c >= u'\u0080' && c <= u'\u00BF')
        return c.unicode();
    for (int k = 0; k < 32; ++k)
        if (kWindows1252[k] == c.unicode())
            return 0x80 + k;
    return -1;
}

// Text as its label is compared: blanks and no-break spaces as one space,
// in any letter case, a UTF-8 page read byte per character read as its
// letters (a stray "Â" it leaves aside).
QString labelForm(QStringView text)
{
    QString out;
    bool blank = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && (text.sliced(i).startsWith(u"&nbsp;", Qt::CaseInsensitive) || text.sliced(i).startsWith(u"&#160;"))) {
            i += 5;
            blank = true;
        } else if (isSpace(text[i]) || text[i] == u'\u00A0') {
            blank = true;
        } else if (const int next = i + 1 < text.size() ? continuationByte(text[i + 1]) : -1;
                   text[i] >= u'\u00C2' && text[i] <= u'\u00DF' && next >= 0) {
            // A letter of a UTF-8 page read byte per character ("Ã¨" for "è").
            const QChar letter(char16_t((text[i].unicode() & 0x1F) << 6 | (next & 0x3F)));
            ++i;
            if (letter == u'\u00A0') {
                blank = true;
                continue;
            }
            if (blank && !out.isEmpty())
                out += u' ';
            blank = false;
            out += letter.toCaseFolded();
        } else if (text[i] == u'\u00C2') {
        } else {
            if (blank && !out.isEmpty())
                out += u' ';
            blank = false;
            out += text[i].toCaseFolded();
        }
    }
    return out;
}

// What the readers look for in an item page's text: a text holding any of
// these is eBay's only where IsEbaysOwnLabel says so.
constexpr QStringView kLabelPieces[] = {
    u"time left:", u"ended:", u"winning bidder:", u"bid:", u"price:", u"discounted price", u"sold for:",
    u"bid history:", u"quantity:", u"place bid", u"re en cours", u"bidding has ended for this item",
    u"not available for purchase on ebay", u"has been removed, or this item is not available",
    u"view the original listing", u"feedback score:",
};

// eBay's labels, whose value stands in the element after them.
constexpr QStringView kLabels[] = {
    u"time left:", u"ended:", u"winning bidder:", u"current bid:", u"starting bid:", u"winning bid:", u"price:",
    u"buy it now price:", u"discounted price", u"sold for:", u"bid history:", u"quantity:", u"place bid",
    u"ench\u00E8re en cours :", u"ench\u00E3\u00A8re en cours :",
};

// The longest text an element holding one of eBay's labels shows: a label
// and a value.
constexpr qsizetype kLongestShownLabel = 400;

// eBay's notices, each in an element of its own.
constexpr QStringView kNotices[] = {
    u"bidding has ended for this item", u"this listing has ended.",
    u"this item is not available for purchase on ebay united states",
    u"this item is not available for purchase on ebay united states.", u"view the original listing",
};

bool isLabelText(const QString &form)
{
    return std::find(std::begin(kLabels), std::end(kLabels), QStringView(form)) != std::end(kLabels);
}

bool isNoticeText(const QString &form)
{
    if (std::find(std::begin(kNotices), std::end(kNotices), QStringView(form)) != std::end(kNotices))
        return true;
    // "This listing (123456789) has been removed, or this item is not available."
    constexpr QStringView lead = u"this listing (";
    constexpr QStringView rest = u") has been removed, or this item is not available.";
    if (!form.startsWith(lead) || !form.endsWith(rest))
        return false;
    const QStringView number = QStringView(form).sliced(lead.size(), form.size() - lead.size() - rest.size());
    return !number.isEmpty() && std::all_of(number.begin(), number.end(), [](QChar c) { return c.isDigit(); });
}

bool holdsLabelPiece(QStringView text)
{
    static const auto matchers = [] {
        QList<QStringMatcher> out;
        for (QStringView piece : kLabelPieces)
            out.append(QStringMatcher(piece, Qt::CaseInsensitive));
        return out;
    }();
    return std::any_of(matchers.begin(), matchers.end(), [&](const QStringMatcher &m) { return m.indexIn(text) >= 0; });
}

// Whether a text holds a label or notice, blanks of any kind read as one
// space (only a text short enough to be a label and its value can hold one
// so written).
bool holdsLabelText(QStringView text)
{
    if (holdsLabelPiece(text))
        return true;
    if (text.size() > kLongestShownLabel)
        return false;
    const bool otherBlanks = text.contains(u'\u00A0') || text.contains(u"  ") || text.contains(u"&nbsp;", Qt::CaseInsensitive)
        || text.contains(u"&#160;");
    return otherBlanks && holdsLabelPiece(labelForm(text));
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

// The text an element shows, as its label is compared: its texts in order,
// what carries none (tags, comments, line breaks, scripts) set aside, each
// tag parting words. `mark` is the page position whose
// place in that text is wanted (in `markAt`); nullopt when the text runs
// past `limit` characters.
std::optional<QString> shownText(QStringView t, const Element &e, qsizetype mark, qsizetype &markAt, qsizetype limit)
{
    QString raw;
    markAt = -1;
    for (qsizetype i = e.inner; i < e.close;) {
        if (i == mark)
            markAt = raw.size();
        if (t.sliced(i, e.close - i).startsWith(u"<!--")) {
            i = std::min(commentEnd(t, i), e.close);
            continue;
        }
        if (isTagStart(t, i)) {
            const Tag tag = readTag(t, i);
            raw += u' ';
            i = std::min(tag.end, e.close);
            if (!tag.closing && (same(tag.name, u"script") || same(tag.name, u"style")))
                i = std::min(closingTag(t, i, tag.name), e.close);
            continue;
        }
        raw += t[i++];
        if (raw.size() > limit)
            return std::nullopt;
    }
    return raw;
}

// Where the element after `from` begins inside its parent, comments, line
// breaks and blanks aside; -1 when the parent closes (or text stands) first.
qsizetype nextElement(QStringView t, qsizetype from, qsizetype parentClose)
{
    for (qsizetype i = from; i < parentClose;) {
        if (t.sliced(i, parentClose - i).startsWith(u"<!--")) {
            i = commentEnd(t, i);
        } else if (const qsizetype blank = blankAt(t, i)) {
            i += blank;
        } else if (const Tag tag = isTagStart(t, i) ? readTag(t, i) : Tag{};
                   same(tag.name, u"br") || same(tag.name, u"wbr")) {
            i = tag.end;
        } else {
            return i + 1 < parentClose && t[i] == u'<' && isAsciiLetter(t[i + 1]) ? i : -1;
        }
    }
    return -1;
}

// The elements whose text holds the text at `at`: its own, then those
// around it while the last is an inline wrapper, up to the cell, row or
// division eBay lays its label out in (the last).
QList<Element> elementsAround(QStringView t, qsizetype at)
{
    QList<Element> chain;
    for (std::optional<Element> e = parentOf(t, at); e && chain.size() < 8; e = parentOf(t, e->open)) {
        chain.append(*e);
        if (!isInlineWrapper(e->name))
            break;
    }
    return chain;
}

// The label or notice the shown text `form` begins with: its length, 0
// when none.
qsizetype leadingLabel(const QString &form)
{
    qsizetype longest = 0;
    for (QStringView label : kLabels)
        if (label.size() > longest && QStringView(form).startsWith(label)
            && (form.size() == label.size() || !form[label.size()].isLetterOrNumber()))
            longest = label.size();
    return longest;
}

bool overlapsAny(const QList<TextStretch> &stretches, qsizetype begin, qsizetype end)
{
    return std::any_of(stretches.begin(), stretches.end(),
                       [&](const TextStretch &s) { return s.begin < end && begin < s.end; });
}

// Stretches in page order and apart: overlapping ones become one, read as a
// field only where both were.
QList<TextStretch> merged(QList<TextStretch> all)
{
    std::sort(all.begin(), all.end(), [](const TextStretch &a, const TextStretch &b) { return a.begin < b.begin; });
    QList<TextStretch> out;
    for (const TextStretch &s : std::as_const(all)) {
        if (!out.isEmpty() && s.begin < out.last().end) {
            out.last().end = std::max(out.last().end, s.end);
            out.last().readAsField = out.last().readAsField && s.readAsField;
        } else {
            out.append(s);
        }
    }
    return out;
}

// Calls `visit(begin, end, isText)` for every text between tags (outside
// comments, scripts, style sheets and the window title) and every attribute
// value of the page.
template<typename Visit>
void forEachTextAndValue(QStringView t, Visit visit)
{
    const qsizetype n = t.size();
    qsizetype runBegin = 0;
    qsizetype i = 0;
    while ((i = t.indexOf(u'<', i)) >= 0 && i + 1 < n) {
        if (t.sliced(i).startsWith(u"<!--")) {
            visit(runBegin, i, true);
            const qsizetype end = t.indexOf(u"-->", i + 4);
            runBegin = i = end < 0 ? n : end + 3;
            continue;
        }
        if (!(isAsciiLetter(t[i + 1]) || t[i + 1] == u'/')) {
            ++i;
            continue;
        }
        visit(runBegin, i, true);
        const Tag tag = readTag(t, i);
        for (const Attribute &a : tag.attributes)
            if (a.valueBegin >= 0)
                visit(a.valueBegin, a.valueEnd, false);
        i = runBegin = tag.end;
        if (!tag.closing && (same(tag.name, u"script") || same(tag.name, u"style") || same(tag.name, u"title")))
            i = runBegin = closingTag(t, i, tag.name);
    }
    visit(runBegin, n, true);
}

// Whether `text` begins (blanks aside) with an item number in brackets, as
// a bid page names the item after its title: "(123)", "(Item number: 123)".
bool startsWithItemNumber(QStringView text)
{
    text = text.trimmed();
    if (!text.startsWith(u'('))
        return false;
    text = text.sliced(1).trimmed();
    if (text.startsWith(u"Item number:", Qt::CaseInsensitive))
        text = text.sliced(12).trimmed();
    qsizetype digits = 0;
    while (digits < text.size() && text[digits].isDigit())
        ++digits;
    return digits > 0 && text.sliced(digits).trimmed().startsWith(u')');
}

// The title where it stands in [begin, end): on an item page, all of that
// text (blanks aside); on a bid page, naming the item before its number.
// Anywhere else it stays, so that a title made of a page's own message
// leaves that message as it is.
void addTitleOccurrences(QStringView t, qsizetype begin, qsizetype end, QStringView title, PageKind kind,
                         QList<TextStretch> &out)
{
    if (end - begin < title.size())
        return;
    if (kind == PageKind::Item) {
        const auto [b, e] = trimmed(t, begin, end);
        if (t.sliced(b, e - b) == title)
            out.append({b, e, true});
        return;
    }
    const QStringView text = t.sliced(begin, end - begin);
    for (qsizetype at = 0; (at = text.indexOf(title, at)) >= 0; ++at) {
        const qsizetype after = at + title.size();
        if (startsWithItemNumber(text.sliced(after))) {
            out.append({begin + at, begin + after, true});
            at = after - 1;
        }
    }
}

// The forms the seller's title takes on the page: as known, escaped as the
// page escapes text, and as the page itself names it.
QStringList titleForms(QStringView knownTitle, const TitleSources &sources)
{
    QStringList forms;
    const auto add = [&forms](QStringView form) {
        const QString title = form.trimmed().toString();
        if (!title.isEmpty() && !forms.contains(title))
            forms << title;
    };
    add(knownTitle);
    add(knownTitle.toString().toHtmlEscaped());
    add(sources.og);
    constexpr QStringView suffix = u" | eBay";
    if (sources.window.trimmed().endsWith(suffix))
        add(sources.window.trimmed().chopped(suffix.size()));
    return forms;
}

// The length of the blank ending at `end` (not before `begin`); 0 when none.
qsizetype blankEndingAt(QStringView t, qsizetype begin, qsizetype end)
{
    if (isBlank(t[end - 1]))
        return 1;
    for (QStringView blank : {u"&nbsp;", u"&#160;"})
        if (end - begin >= blank.size() && t.sliced(end - blank.size(), blank.size()).compare(blank, Qt::CaseInsensitive) == 0)
            return blank.size();
    return 0;
}

// eBay's labels in the letter case eBay prints them, which some markers
// keep.
constexpr QStringView kLabelsAsPrinted[] = {
    u"Time left:", u"Ended:", u"Winning bidder:", u"Current bid:", u"Starting bid:", u"Winning bid:", u"Price:",
    u"Buy It Now price:", u"Discounted price", u"Sold for:", u"Bid history:", u"Quantity:", u"Place bid",
    u"Ench\u00E8re en cours :",
};

// A label's text with its letters in eBay's case; as it is where it is no
// label or its letters do not pair up (references aside).
QString inLabelCase(QString text)
{
    const QString form = labelForm(text);
    for (QStringView printed : kLabelsAsPrinted) {
        if (labelForm(printed) != form)
            continue;
        qsizetype p = 0;
        const auto nextLetter = [&]() -> qsizetype {
            while (p < printed.size() && !printed[p].isLetter())
                ++p;
            return p < printed.size() ? p++ : -1;
        };
        QString out = text;
        for (qsizetype i = 0; i < out.size(); ++i) {
            if (out[i] == u'&') {
                const qsizetype semicolon = out.indexOf(u';', i);
                if (semicolon > i && semicolon - i <= 8) {
                    i = semicolon;
                    continue;
                }
            }
            if (!out[i].isLetter())
                continue;
            const qsizetype at = nextLetter();
            if (at < 0 || out[i].toCaseFolded() != printed[at].toCaseFolded())
                return text;
            out[i] = printed[at];
        }
        return nextLetter() < 0 ? out : text;
    }
    return text;
}

// [begin, end) with each run of blanks between two letters or digits as
// one space ("Time&nbsp;left:" as "Time left:"). Other blanks stay, as the
// readers' markers hold them ("> price:", a no-break space before the
// French label's ":").
QString tidiedText(QStringView t, qsizetype begin, qsizetype end)
{
    QString out;
    for (qsizetype i = begin; i < end;) {
        qsizetype j = i;
        for (qsizetype k; j < end && (k = blankAt(t, j)) > 0 && j + k <= end;)
            j += k;
        if (j == i) {
            out += t[i++];
            continue;
        }
        if (i > begin && j < end && t[i - 1].isLetterOrNumber() && t[j].isLetterOrNumber())
            out += u' ';
        else
            out += t.sliced(i, j - i);
        i = j;
    }
    return out;
}

void addEdit(QList<TextEdit> &edits, QStringView t, qsizetype begin, qsizetype end, QString text)
{
    if (t.sliced(begin, end - begin) != text)
        edits.append({begin, end, std::move(text)});
}

} // namespace

namespace {

// Where eBay's own label or notice at `at` stands: the element showing it
// alone (`alone`), or the element showing a label and then its value; nullopt
// where it has no place of eBay's.
struct LabelPlace
{
    Element element;
    bool alone = false;
};

std::optional<LabelPlace> labelPlace(QStringView t, qsizetype at, const QList<TextStretch> &sellers)
{
    const QList<Element> chain = elementsAround(t, at);
    if (chain.isEmpty())
        return std::nullopt;
    for (const Element &e : chain) {
        if (overlapsAny(sellers, e.open, e.end))
            return std::nullopt;
        qsizetype markAt = -1;
        const std::optional<QString> shown = shownText(t, e, at, markAt, kLongestShownLabel);
        if (!shown)
            return std::nullopt;
        const QString form = labelForm(*shown);
        const bool label = isLabelText(form);
        if (label || isNoticeText(form)) {
            const std::optional<Element> parent = parentOf(t, e.open);
            if (parent && !holdsOwnText(t, parent->inner, parent->close) && !overlapsAny(sellers, parent->open, parent->end)
                && (!label || nextElement(t, e.end, parent->close) >= 0))
                return LabelPlace{e, true};
            continue;
        }
        if (&e != &chain.last())
            continue;
        const qsizetype labelLength = leadingLabel(form);
        if (labelLength == 0 || labelForm(QStringView(*shown).left(markAt)).size() >= labelLength)
            return std::nullopt;
        const QStringView value = QStringView(form).sliced(labelLength).trimmed();
        if (value.isEmpty() || holdsLabelPiece(value))
            return std::nullopt;
        return LabelPlace{e, false};
    }
    return std::nullopt;
}

// How eBay's own label at [begin, end) is written for the readers, whose
// markers know it in one form: a label alone in its element without the
// comments, line breaks and blank texts beside it, any label with its
// words parted by one space.
void tidyLabel(QStringView t, qsizetype begin, qsizetype end, const LabelPlace &place, QList<TextEdit> &edits,
               qsizetype &lastElement)
{
    const Element &e = place.element;
    if (!place.alone || !isLabelText(labelForm(t.sliced(begin, end - begin)))) {
        addEdit(edits, t, begin, end, tidiedText(t, begin, end));
        return;
    }
    if (e.open == lastElement)
        return;
    lastElement = e.open;
    // Comments between the label's element and its value's.
    if (const std::optional<Element> parent = parentOf(t, e.open)) {
        const qsizetype value = nextElement(t, e.end, parent->close);
        for (qsizetype at = e.end; value > 0 && (at = t.indexOf(u"<!--", at)) >= 0 && at < value;) {
            const qsizetype after = std::min(commentEnd(t, at), value);
            edits.append({at, after, {}});
            at = after;
        }
    }
    // Wrappers without attributes dress the label only; one that carries
    // attributes is eBay's markup as the readers know it.
    QVarLengthArray<bool, 8> bareWrappers;
    for (qsizetype i = e.inner; i < e.close;) {
        if (t.sliced(i, e.close - i).startsWith(u"<!--")) {
            const qsizetype after = std::min(commentEnd(t, i), e.close);
            edits.append({i, after, {}});
            i = after;
        } else if (isTagStart(t, i)) {
            const Tag tag = readTag(t, i);
            const qsizetype after = std::min(tag.end, e.close);
            bool dropped = same(tag.name, u"br") || same(tag.name, u"wbr");
            if (!isVoidElement(tag.name) && !tag.closing) {
                bareWrappers.append(isInlineWrapper(tag.name) && tag.attributes.isEmpty());
                dropped = bareWrappers.last();
            } else if (!isVoidElement(tag.name) && !bareWrappers.isEmpty()) {
                dropped = bareWrappers.last();
                bareWrappers.removeLast();
            }
            if (dropped)
                edits.append({i, after, {}});
            i = after;
        } else {
            const qsizetype found = t.indexOf(u'<', i);
            const qsizetype next = found < 0 ? e.close : std::min(found, e.close);
            if (isBlankText(t, i, next)) {
                edits.append({i, next, {}});
            } else {
                // Blanks at the label's ends holding a no-break space are no
                // part of it; plain spaces stay, as markers hold them.
                qsizetype b = i;
                for (qsizetype k; b < next && (k = blankAt(t, b)) > 0 && b + k <= next;)
                    b += k;
                qsizetype z = next;
                while (z > b && blankEndingAt(t, b, z) > 0)
                    z -= blankEndingAt(t, b, z);
                const auto kept = [&](qsizetype from, qsizetype to) {
                    const QStringView run = t.sliced(from, to - from);
                    return std::all_of(run.begin(), run.end(), [](QChar c) { return c == u' '; }) ? run.toString() : QString();
                };
                addEdit(edits, t, i, next, kept(i, b) + inLabelCase(tidiedText(t, b, z)) + kept(z, next));
            }
            i = next;
        }
    }
}

} // namespace

bool IsEbaysOwnLabel(QStringView t, qsizetype begin, qsizetype end, const QList<TextStretch> &sellers)
{
    return !overlapsAny(sellers, begin, end) && labelPlace(t, begin, sellers).has_value();
}

PageReading ReadingOf(QStringView t, PageKind kind, QStringView knownTitle)
{
    PageReading reading;
    QList<TextStretch> &out = reading.sellers;
    TitleSources titles;
    out = elementStretches(t, kind, titles);
    if (kind != PageKind::Item)
        titles = {};
    const QStringList forms = titleForms(knownTitle, titles);
    if (!forms.isEmpty()) {
        forEachTextAndValue(t, [&](qsizetype begin, qsizetype end, bool) {
            for (const QString &title : forms)
                addTitleOccurrences(t, begin, end, title, kind, out);
        });
        out = merged(out);
    }
    if (kind != PageKind::Item)
        return reading;
    // Every other text holding a label or notice, unless it stands where eBay
    // puts its own; eBay's own are written for the readers.
    QList<TextStretch> foreign;
    qsizetype lastElement = -1;
    // The texts come in page order, and so do the stretches.
    out = merged(out);
    auto seller = out.cbegin();
    const auto insideSellers = [&](qsizetype begin, qsizetype end) {
        while (seller != out.cend() && seller->end <= begin)
            ++seller;
        return seller != out.cend() && seller->begin < end;
    };
    forEachTextAndValue(t, [&](qsizetype begin, qsizetype end, bool isText) {
        if (!isText || end - begin < 4 || insideSellers(begin, end) || !holdsLabelText(t.sliced(begin, end - begin)))
            return;
        if (IsEbaysOwnLabel(t, begin, end, out))
            tidyLabel(t, begin, end, *labelPlace(t, begin, out), reading.ebaysLabels, lastElement);
        else
            foreign.append({begin, end, false});
    });
    if (!foreign.isEmpty())
        out = merged(out + foreign);
    // Tidying stays clear of the seller's text and of other tidying.
    std::sort(reading.ebaysLabels.begin(), reading.ebaysLabels.end(),
              [](const TextEdit &a, const TextEdit &b) { return a.begin < b.begin; });
    QList<TextEdit> apart;
    for (TextEdit &e : reading.ebaysLabels)
        if ((apart.isEmpty() || apart.last().end <= e.begin) && !overlapsAny(out, e.begin, e.end))
            apart.append(std::move(e));
    reading.ebaysLabels = std::move(apart);
    return reading;
}

QList<TextStretch> SellerWrittenStretches(QStringView t, PageKind kind, QStringView knownTitle)
{
    return ReadingOf(t, kind, knownTitle).sellers;
}

QString WithoutSellerText(const QString &page, PageKind kind, QStringView knownTitle)
{
    const PageReading reading = ReadingOf(page, kind, knownTitle);
    if (reading.sellers.isEmpty() && reading.ebaysLabels.isEmpty())
        return page;
    return ReadableText(page, reading);
}

QString ReadableText(QStringView page, const PageReading &reading, QList<TextStretch> *kept)
{
    QString own;
    own.reserve(page.size());
    qsizetype from = 0;
    auto seller = reading.sellers.cbegin();
    auto edit = reading.ebaysLabels.cbegin();
    while (seller != reading.sellers.cend() || edit != reading.ebaysLabels.cend()) {
        const bool takeSeller = edit == reading.ebaysLabels.cend()
            || (seller != reading.sellers.cend() && seller->begin < edit->begin);
        if (takeSeller) {
            own += page.sliced(from, seller->begin - from);
            if (kept && seller->readAsField) {
                kept->append({own.size(), own.size() + (seller->end - seller->begin), true});
                own += page.sliced(seller->begin, seller->end - seller->begin);
            }
            from = seller->end;
            ++seller;
        } else {
            own += page.sliced(from, edit->begin - from);
            own += edit->text;
            from = edit->end;
            ++edit;
        }
    }
    own += page.sliced(from);
    return own;
}

} // namespace basGeneral
