#include "foundation/sellertext.h"

#include "foundation/ebaylabels.h"
#include "foundation/htmlmarkup.h"


#include <algorithm>
#include <optional>
#include <utility>

namespace basGeneral {

using namespace HtmlMarkup;

namespace {

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

} // namespace

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
        if (!isText || end - begin < 4 || insideSellers(begin, end) || !HoldsLabelText(t.sliced(begin, end - begin)))
            return;
        if (IsEbaysOwnLabel(t, begin, end, out))
            TidyEbaysLabel(t, begin, end, out, reading.ebaysLabels, lastElement);
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
        if ((apart.isEmpty() || apart.last().end <= e.begin) && !OverlapsAny(out, e.begin, e.end))
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
