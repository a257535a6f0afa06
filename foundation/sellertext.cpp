#include "foundation/sellertext.h"

#include <QVarLengthArray>

#include <algorithm>

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

} // namespace

QList<TextStretch> SellerWrittenStretches(QStringView t, PageKind kind)
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
            if (((fieldMeta || descriptionMeta) && same(a.name, u"content")) || (titleField && same(a.name, u"value")))
                add(a.valueBegin, a.valueEnd, fieldMeta || titleField);
            else if (same(a.name, u"alt") || (picture && same(a.name, u"src")))
                add(a.valueBegin, a.valueEnd);
        }
    }
    endRun(n);
    return out;
}

QString WithoutSellerText(const QString &page, PageKind kind)
{
    const QList<TextStretch> stretches = SellerWrittenStretches(page, kind);
    if (stretches.isEmpty())
        return page;
    const QStringView view(page);
    QString own;
    own.reserve(page.size());
    qsizetype from = 0;
    for (const TextStretch &s : stretches) {
        own += view.sliced(from, s.begin - from);
        from = s.end;
    }
    own += view.sliced(from);
    return own;
}

} // namespace basGeneral
