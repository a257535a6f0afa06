#include "foundation/ebaylabels.h"

#include "foundation/htmlmarkup.h"

#include <QStringMatcher>
#include <QVarLengthArray>

#include <algorithm>
#include <optional>

namespace basGeneral {

using namespace HtmlMarkup;

namespace {

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
        if (OverlapsAny(sellers, e.open, e.end))
            return std::nullopt;
        qsizetype markAt = -1;
        const std::optional<QString> shown = shownText(t, e, at, markAt, kLongestShownLabel);
        if (!shown)
            return std::nullopt;
        const QString form = labelForm(*shown);
        const bool label = isLabelText(form);
        if (label || isNoticeText(form)) {
            const std::optional<Element> parent = parentOf(t, e.open);
            if (parent && !holdsOwnText(t, parent->inner, parent->close) && !OverlapsAny(sellers, parent->open, parent->end)
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

bool OverlapsAny(const QList<TextStretch> &stretches, qsizetype begin, qsizetype end)
{
    return std::any_of(stretches.begin(), stretches.end(),
                       [&](const TextStretch &s) { return s.begin < end && begin < s.end; });
}

bool HoldsLabelText(QStringView text)
{
    return holdsLabelText(text);
}

void TidyEbaysLabel(QStringView t, qsizetype begin, qsizetype end, const QList<TextStretch> &sellers, QList<TextEdit> &edits,
                    qsizetype &lastElement)
{
    if (const std::optional<LabelPlace> place = labelPlace(t, begin, sellers))
        tidyLabel(t, begin, end, *place, edits, lastElement);
}

bool IsEbaysOwnLabel(QStringView t, qsizetype begin, qsizetype end, const QList<TextStretch> &sellers)
{
    return !OverlapsAny(sellers, begin, end) && labelPlace(t, begin, sellers).has_value();
}

} // namespace basGeneral
