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

// Where the division that opened before `from` closes, nested ones counted.
qsizetype divisionEnd(QStringView t, qsizetype from)
{
    int depth = 1;
    for (qsizetype at = from; (at = t.indexOf(u'<', at)) >= 0; ++at) {
        const bool closing = at + 1 < t.size() && t[at + 1] == u'/';
        const qsizetype name = at + (closing ? 2 : 1);
        if (name + 3 > t.size() || !same(t.sliced(name, 3), u"div")
            || (name + 3 < t.size() && t[name + 3].isLetterOrNumber()))
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

// The labels the page's readers and notices go by, in the lower case and
// with the single blanks of labelForm. Every one ends in a colon, which lets
// most runs go unexamined.
constexpr QStringView kLabels[] = {
    u"time left:", u"ended:",    u"winning bidder:", u"bid:",           u"price:",    u"sold for:", u"bid history:",
    u"quantity:",  u"shipping:", u"postage:",        u"feedback score:", u"en cours :", u"en cours:",
};

// The most words eBay puts in front of a label's last word ("Buy It Now price:").
constexpr int kMaxLeadWords = 3;

// A run as its label would be compared: lower case, with no-break spaces
// (also as "&nbsp;", and the "Â" a UTF-8 one leaves when read byte per
// character) and runs of blanks as single blanks, none at the ends.
QString labelForm(QStringView run)
{
    QString text = run.toString();
    for (QChar &c : text)
        if (c == u'\u00A0' || c == u'\u00C2')
            c = u' ';
    text = text.toLower();
    text.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    return text.simplified();
}

// eBay's notices in place of an item, in labelForm. The removed one names
// the listing: "this listing (" and its number come first.
constexpr QStringView kMovedNotice = u"this item is not available for purchase on ebay united states";
constexpr QStringView kRemovedNotice = u") has been removed, or this item is not available.";
constexpr QStringView kRemovedLead = u"this listing (";

} // namespace

bool IsSellersNoticeRun(QStringView run)
{
    if (!run.contains(u"available", Qt::CaseInsensitive))
        return false;
    const QString text = labelForm(run);
    const qsizetype moved = text.indexOf(kMovedNotice);
    if (moved >= 0) {
        const QStringView after = QStringView(text).sliced(moved + kMovedNotice.size());
        if (moved > 0 || !(after.isEmpty() || after == u"."))
            return true;
    }
    const qsizetype removed = text.indexOf(kRemovedNotice);
    if (removed < 0)
        return false;
    const QStringView lead = QStringView(text).first(removed);
    return removed + kRemovedNotice.size() != text.size() || !lead.startsWith(kRemovedLead)
        || lead.sliced(kRemovedLead.size()).contains(u'(');
}

bool IsSellersLabelRun(QStringView run)
{
    if (!run.contains(u':'))
        return false;
    const QString text = labelForm(run);
    for (QStringView label : kLabels) {
        if (!text.contains(label))
            continue;
        if (!text.endsWith(label))
            return true; // more text after the label: a value or a sentence of the seller's
        const QStringView lead = QStringView(text).chopped(label.size()).trimmed();
        if (lead.contains(u':') || (!lead.isEmpty() && lead.count(u' ') >= kMaxLeadWords))
            return true;
    }
    return false;
}

QList<TextStretch> SellerWrittenStretches(QStringView t, PageKind kind)
{
    const bool itemPage = kind == PageKind::Item;
    QList<TextStretch> out;
    const auto add = [&out](qsizetype begin, qsizetype end, bool readAsField = false) {
        if (end > begin)
            out.append({begin, end, readAsField});
    };
    const qsizetype n = t.size();
    // The run of text since the last tag ends where the next tag begins.
    qsizetype runBegin = 0;
    const auto endRun = [&](qsizetype end) {
        if (!itemPage || end <= runBegin)
            return;
        const QStringView run = t.sliced(runBegin, end - runBegin);
        if (IsSellersLabelRun(run) || IsSellersNoticeRun(run))
            out.append({runBegin, end});
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
        if (!isAsciiLetter(t[i + 1]) && t[i + 1] != u'/') {
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
                const qsizetype close = divisionEnd(t, i);
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
