#include "mainwindow/htmltemplate.h"

#include "engine/trackedauction.h"
#include "platform/ansi.h"
#include "platform/listview.h"
#include "platform/numberederror.h"

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <QUrl>

namespace HtmlList {

namespace {

constexpr int kSubscriptOutOfRange = 9;
constexpr int kInputPastEndOfFile = 62;

// Cells that take the row's background, in the order they are painted.
constexpr QLatin1String kCells[] = {
    QLatin1String("picturecell"),  QLatin1String("iconcell"),    QLatin1String("numbercell"),
    QLatin1String("titlecell"),    QLatin1String("timeleftcell"), QLatin1String("enddatecell"),
    QLatin1String("bidscell"),     QLatin1String("qtycell"),     QLatin1String("currentbidcell"),
    QLatin1String("maxbidcell"),   QLatin1String("groupcell"),   QLatin1String("usercell"),
    QLatin1String("shippingcell"),
};

// Texts that take the row's text colour; the title has a colour of its own.
constexpr QLatin1String kTexts[] = {
    QLatin1String("itemnumber"), QLatin1String("itemtitle"), QLatin1String("timeleft"), QLatin1String("enddate"),
    QLatin1String("bids"),       QLatin1String("qty"),       QLatin1String("currentbid"), QLatin1String("shipping"),
    QLatin1String("maxbid"),     QLatin1String("group"),     QLatin1String("user"),
};

// Column keys RowReader reads, in its own order.
constexpr QLatin1String kFieldKeys[] = {
    QLatin1String("itemtitle"), QLatin1String("timeleft"), QLatin1String("enddatedisp"), QLatin1String("bids"),
    QLatin1String("qty"),       QLatin1String("currentbid"), QLatin1String("shipping"),  QLatin1String("maxbid"),
    QLatin1String("user"),      QLatin1String("group"),     QLatin1String("note"),       QLatin1String("picture"),
    QLatin1String("won"),
};

struct Section
{
    QLatin1String start;
    QLatin1String end;
    QString Template::*text;
    bool lineBreaks; // each line followed by CR LF, or the lines joined as they are
};

constexpr Section kSections[] = {
    {QLatin1String("<noitems>"), QLatin1String("</noitems>"), &Template::noItems, true},
    {QLatin1String("<listheader>"), QLatin1String("</listheader>"), &Template::listHeader, true},
    {QLatin1String("<altcolors>"), QLatin1String("</altcolors>"), &Template::altColors, false},
    {QLatin1String("<listitem>"), QLatin1String("</listitem>"), &Template::listItem, true},
    {QLatin1String("<listfooter>"), QLatin1String("</listfooter>"), &Template::listFooter, true},
};

} // namespace

Template Template::read(const QString &path, const std::function<void()> &afterLine)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!file.exists())
            throw NumberedError(ErrorNumber::FileNotFound, QStringLiteral("File not found: ") + path);
        throw NumberedError(ErrorNumber::PermissionDenied, QStringLiteral("Permission denied: ") + path);
    }
    const QString text = Ansi::decode(file.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the break after the last line starts no line of its own
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return fromLines(lines, afterLine);
}

Template Template::fromLines(const QStringList &lines, const std::function<void()> &afterLine)
{
    Template t;
    qsizetype next = 0;
    auto readLine = [&]() -> const QString & {
        if (next >= lines.size())
            throw NumberedError(kInputPastEndOfFile, QStringLiteral("Input past end of file"));
        const QString &line = lines.at(next++);
        if (afterLine)
            afterLine();
        return line;
    };

    while (next < lines.size()) {
        const QString &line = readLine();
        for (const Section &s : kSections) {
            if (line != s.start)
                continue;
            QString &text = t.*(s.text);
            const QLatin1String breakAfter = s.lineBreaks ? QLatin1String("\r\n") : QLatin1String();
            // The line after the start marker is always content, even when
            // it is the end marker; only later lines can close the section.
            text += readLine() + breakAfter;
            for (;;) {
                const QString &content = readLine();
                if (content == s.end)
                    break;
                text += content + breakAfter;
            }
            break;
        }
    }
    return t;
}

QStringList Template::colours() const
{
    if (altColors.isEmpty())
        return {};
    return altColors.split(QLatin1Char(';'));
}

QString Template::rowHtml(int index, const QString &appPath) const
{
    QString html = listItem;
    html.replace(kCountPlaceholder, QString::number(index));
    html.replace(kAppPathPlaceholder, appPath);
    return html;
}

QString Template::noItemsHtml(const QString &appPath) const
{
    QString html = noItems;
    html.replace(kAppPathPlaceholder, appPath);
    return html;
}

QString AppPathForPage(const QString &appPath)
{
    // As an address, a folder name holding "#", "?", "%" or a quote still
    // names the folder; escaped, it cannot end the attribute it stands in.
    QString address = QUrl::fromLocalFile(appPath).toString(QUrl::FullyEncoded);
    if (!address.endsWith(QLatin1Char('/')))
        address += QLatin1Char('/');
    return address.toHtmlEscaped();
}

QString HiddenSpan(QLatin1String id)
{
    return QStringLiteral("<span style=\"visibility: hidden\" ID=\"") + id + QStringLiteral("\"></span>");
}

RowReader::RowReader(const ListView &list)
{
    for (size_t i = 0; i < m_columns.size(); ++i)
        m_columns[i] = list.SubItemIndex(kFieldKeys[i]);
}

RowFields RowReader::read(const ListItem &row, int index) const
{
    auto field = [&](int n) { return row.SubItem(m_columns[size_t(n)]); };
    RowFields f;
    f.index = index;
    f.itemNumber = row.Text();
    f.tag = row.Tag();
    f.title = field(0);
    f.timeLeft = field(1);
    f.endDate = field(2);
    f.bids = field(3);
    f.qty = field(4);
    f.currentBid = field(5);
    f.shipping = field(6);
    f.maxBid = field(7);
    f.user = field(8);
    f.group = field(9);
    f.note = field(10);
    f.picture = field(11);
    f.won = field(12);
    return f;
}

QList<ElementWrite> RowWrites(const RowFields &row, int position, bool updateAll, bool highlighted,
                              const RowContext &context)
{
    const QStringList &colours = context.colours;
    using namespace TrackedAuction;
    QList<ElementWrite> writes;
    writes.reserve(48);
    auto add = [&](QLatin1String id, ElementWrite::Kind kind, const QString &value) {
        writes.append({id, kind, value});
    };

    if (updateAll) {
        QString background;
        if (highlighted) {
            if (colours.size() < 3)
                throw NumberedError(kSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
            background = colours.at(2);
        } else {
            if (colours.size() < 2)
                throw NumberedError(kSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
            background = colours.at(position % 2 == 1 ? 0 : 1);
        }
        for (QLatin1String cell : kCells)
            add(cell, ElementWrite::Background, background);
    }

    const bool watched = row.maxBid.toLower() == kWatching;
    // Green only for a win read: never for a bid whose outcome is not known.
    const bool won = !watched && row.won.toLower() == QLatin1String("true") && row.tag != SnipeState::OtherInGroupWon
        && row.tag != SnipeState::OutcomeUnknown;
    const QString titleColour = watched ? kWatchedTitleColour : won ? kWonColour : kOtherColour;
    const QString textColour = watched ? kWatchedTextColour : won ? kWonColour : kOtherColour;
    for (QLatin1String text : kTexts)
        add(text, ElementWrite::Colour, text == QLatin1String("itemtitle") ? titleColour : textColour);

    add(QLatin1String("cmdEdit"), ElementWrite::Filter, row.timeLeft == kEnded ? QString(kGreyFilter) : QString());
    add(QLatin1String("cmdNotes"), ElementWrite::Filter, row.note.isEmpty() ? QString(kGreyFilter) : QString());

    const QString index = QString::number(row.index);
    add(QLatin1String("lnkEdit"), ElementWrite::Href, QStringLiteral("tmr:///edit=") + index);
    add(QLatin1String("lnkNotes"), ElementWrite::Href, QStringLiteral("tmr:///notes=") + index);
    add(QLatin1String("lnkRemove"), ElementWrite::Href, QStringLiteral("tmr:///remove=") + index);
    // A row not refreshed yet has no picture address and shows the
    // placeholder; "nopic.gif" and other names without a scheme are files of
    // the program folder, wherever the page itself was loaded from.
    const QString picture = row.picture.isEmpty() ? QStringLiteral("nopic.gif") : row.picture;
    const QUrl pictureUrl(picture);
    add(QLatin1String("itempic"), ElementWrite::Src,
        pictureUrl.isRelative() && context.programFolder.isValid()
            ? context.programFolder.resolved(pictureUrl).toString(QUrl::FullyEncoded)
            : picture);

    add(QLatin1String("itemnumber"), ElementWrite::Text, row.itemNumber);
    add(QLatin1String("itemlink"), ElementWrite::Href, context.itemPageUrl + row.itemNumber);
    add(QLatin1String("itemtitle"), ElementWrite::Text, row.title);
    // A bid whose outcome eBay has not told says so in words, not by its
    // colour alone (an outbid row has the same).
    add(QLatin1String("timeleft"), ElementWrite::Text,
        row.tag == SnipeState::OutcomeUnknown ? row.timeLeft + QStringLiteral(" - ") + row.tag : row.timeLeft);
    add(QLatin1String("enddate"), ElementWrite::Text, row.endDate);
    add(QLatin1String("bids"), ElementWrite::Text, row.bids);
    add(QLatin1String("qty"), ElementWrite::Text, row.qty);
    add(QLatin1String("currentbid"), ElementWrite::Text, row.currentBid);
    add(QLatin1String("shipping"), ElementWrite::Text, row.shipping);
    add(QLatin1String("maxbid"), ElementWrite::Text, row.maxBid);
    add(QLatin1String("user"), ElementWrite::Text, row.user);
    add(QLatin1String("user"), ElementWrite::Title, row.user);
    add(QLatin1String("group"), ElementWrite::Text, row.group.isEmpty() ? QString(kNotAvailable) : row.group);
    add(QLatin1String("group"), ElementWrite::Title, row.group);
    return writes;
}

} // namespace HtmlList

namespace HtmlList {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// Elements without content, and elements whose content is not markup: no
// text is written into either as HTML.
bool holdsNoMarkup(const QString &tag)
{
    static const QStringList kTags = {
        QStringLiteral("area"),    QStringLiteral("base"),     QStringLiteral("br"),       QStringLiteral("col"),
        QStringLiteral("embed"),   QStringLiteral("hr"),       QStringLiteral("img"),      QStringLiteral("input"),
        QStringLiteral("link"),    QStringLiteral("meta"),     QStringLiteral("param"),    QStringLiteral("source"),
        QStringLiteral("track"),   QStringLiteral("wbr"),      QStringLiteral("script"),   QStringLiteral("style"),
        QStringLiteral("textarea"), QStringLiteral("title"),   QStringLiteral("pre"),      QStringLiteral("listing"),
        QStringLiteral("xmp"),     QStringLiteral("iframe"),   QStringLiteral("noscript"), QStringLiteral("noembed"),
        QStringLiteral("noframes"), QStringLiteral("plaintext"), QStringLiteral("select"), QStringLiteral("option"),
    };
    return kTags.contains(tag);
}

bool rawText(const QString &tag)
{
    return tag == u"script" || tag == u"style" || tag == u"textarea" || tag == u"title" || tag == u"xmp";
}

// Where the end of a comment or of a raw-text element's content is, from `from`.
qsizetype skipComment(const QString &t, qsizetype from)
{
    const qsizetype end = t.indexOf(QLatin1String("-->"), from + 4);
    return end < 0 ? t.size() : end + 3;
}

// The name of the tag starting at `at` (after "<" or "</"), lower case.
QString tagNameAt(const QString &t, qsizetype at, qsizetype *end)
{
    qsizetype j = at;
    while (j < t.size() && !isBlank(t[j]) && t[j] != u'>' && t[j] != u'/')
        ++j;
    *end = j;
    return t.mid(at, j - at).toLower();
}

// The start of the end tag that closes an element named `tag` whose content
// starts at `from`, counting nested elements of the same name; -1 when none.
qsizetype closingTag(const QString &t, const QString &tag, qsizetype from)
{
    int depth = 1;
    for (qsizetype p = t.indexOf(u'<', from); p >= 0; p = t.indexOf(u'<', p + 1)) {
        if (QStringView(t).mid(p).startsWith(u"<!--")) {
            p = skipComment(t, p) - 1;
            continue;
        }
        const bool close = p + 1 < t.size() && t[p + 1] == u'/';
        qsizetype nameEnd = 0;
        if (tagNameAt(t, p + (close ? 2 : 1), &nameEnd) != tag)
            continue;
        if (!close)
            ++depth;
        else if (--depth == 0)
            return p;
    }
    return -1;
}

// A colour the page's style may take as written: bare hexadecimal digits get
// their "#"; anything but a plain word or "#" and a word is not placed.
QString styleColour(const QString &value)
{
    static const QRegularExpression hex(QStringLiteral("^([0-9a-fA-F]{3}|[0-9a-fA-F]{6})$"));
    static const QRegularExpression word(QStringLiteral("^#?[0-9A-Za-z]+$"));
    if (hex.match(value).hasMatch())
        return QLatin1Char('#') + value;
    return word.match(value).hasMatch() ? value : QString();
}

} // namespace

const RowPattern::Attribute *RowPattern::Element::attribute(QLatin1String name) const
{
    for (const Attribute &a : attributes) {
        if (a.name == name)
            return &a;
    }
    return nullptr;
}

RowPattern::RowPattern(const QString &listItem) : m_text(listItem)
{
    const QString &t = m_text;
    const qsizetype n = t.size();
    QStringList rowIds;
    for (QLatin1String id : kRowIds)
        rowIds << QString(id).toLower();

    for (qsizetype i = t.indexOf(u'<'); i >= 0 && i < n; i = t.indexOf(u'<', i)) {
        if (QStringView(t).mid(i).startsWith(u"<!--")) {
            i = skipComment(t, i);
            continue;
        }
        if (i + 1 >= n || !t[i + 1].isLetter()) {
            ++i; // an end tag, a declaration or a stray "<"
            continue;
        }
        qsizetype j = 0;
        const QString tag = tagNameAt(t, i + 1, &j);
        Element element;
        while (j < n) {
            while (j < n && isBlank(t[j]))
                ++j;
            if (j >= n || t[j] == u'>' || (t[j] == u'/' && j + 1 < n && t[j + 1] == u'>'))
                break;
            const qsizetype nameBegin = j;
            while (j < n && !isBlank(t[j]) && t[j] != u'>' && t[j] != u'/' && (t[j] != u'=' || j == nameBegin))
                ++j;
            if (j == nameBegin) {
                ++j; // a lone "/"
                continue;
            }
            Attribute a;
            a.name = t.mid(nameBegin, j - nameBegin).toLower();
            a.begin = nameBegin;
            qsizetype k = j;
            while (k < n && isBlank(t[k]))
                ++k;
            if (k < n && t[k] == u'=') {
                ++k;
                while (k < n && isBlank(t[k]))
                    ++k;
                if (k < n && (t[k] == u'"' || t[k] == u'\'')) {
                    const qsizetype close = t.indexOf(t[k], k + 1);
                    if (close < 0)
                        return; // the rest of the section is one attribute value
                    a.value = t.mid(k + 1, close - k - 1);
                    j = close + 1;
                } else {
                    const qsizetype valueBegin = k;
                    while (k < n && !isBlank(t[k]) && t[k] != u'>')
                        ++k;
                    a.value = t.mid(valueBegin, k - valueBegin);
                    j = k;
                }
            }
            a.end = j;
            element.attributes.append(a);
        }
        if (j >= n)
            return; // a start tag that never ends
        element.tagEnd = j;
        const qsizetype contentBegin = t[j] == u'/' ? j + 2 : j + 1;
        const Attribute *id = element.attribute(QLatin1String("id"));
        const bool rowId = id && rowIds.contains(id->value.toLower());
        m_idCount += rowId ? 1 : 0;
        if (rowId && std::none_of(m_elements.cbegin(), m_elements.cend(),
                                  [&](const Element &e) { return e.id == id->value.toLower(); })) {
            element.id = id->value.toLower();
            if (!holdsNoMarkup(tag)) {
                const qsizetype end = closingTag(t, tag, contentBegin);
                if (end >= 0) {
                    element.contentBegin = contentBegin;
                    element.contentEnd = end;
                }
            }
            m_elements.append(element);
        }
        i = contentBegin;
        if (rawText(tag)) {
            const qsizetype end = closingTag(t, tag, contentBegin);
            i = end < 0 ? n : end;
        }
    }
}

const RowPattern::Element *RowPattern::element(QLatin1String id) const
{
    for (const Element &e : m_elements) {
        if (e.id.compare(id, Qt::CaseInsensitive) == 0)
            return &e;
    }
    return nullptr;
}

QString RowPattern::html(int index, const QString &appPath, const QList<ElementWrite> &writes, QList<bool> &placed) const
{
    struct Edit
    {
        qsizetype begin = 0;
        qsizetype end = 0;
        QString text;
        QList<int> writes;
    };
    QList<Edit> edits;
    // Style declarations by element, made into one edit once all are known.
    QList<std::pair<const Element *, Edit>> styles;

    placed = QList<bool>(writes.size(), false);
    for (int w = 0; w < writes.size(); ++w) {
        const ElementWrite &write = writes.at(w);
        const Element *e = element(write.id);
        if (!e)
            continue;
        switch (write.kind) {
        case ElementWrite::Text:
            // A line break would be a <br> when written as text; such texts
            // and elements without a known end are written afterwards.
            if (e->contentBegin < 0 || write.value.contains(u'\n') || write.value.contains(u'\r'))
                break;
            edits.append({e->contentBegin, e->contentEnd, write.value.toHtmlEscaped(), {w}});
            break;
        case ElementWrite::Href:
        case ElementWrite::Src:
        case ElementWrite::Title: {
            const QLatin1String name(write.kind == ElementWrite::Href  ? "href"
                                     : write.kind == ElementWrite::Src ? "src"
                                                                       : "title");
            const QString attribute = name + QStringLiteral("=\"") + write.value.toHtmlEscaped() + QLatin1Char('"');
            if (const Attribute *a = e->attribute(name))
                edits.append({a->begin, a->end, attribute, {w}});
            else
                edits.append({e->tagEnd, e->tagEnd, QLatin1Char(' ') + attribute, {w}});
            break;
        }
        case ElementWrite::Background:
        case ElementWrite::Colour: {
            const QString colour = styleColour(write.value);
            if (colour.isEmpty())
                break;
            auto it = std::find_if(styles.begin(), styles.end(), [e](const auto &s) { return s.first == e; });
            if (it == styles.end())
                it = styles.insert(styles.end(), {e, Edit{}});
            Edit &style = it->second;
            style.text += (write.kind == ElementWrite::Background ? QStringLiteral("; background-color: ")
                                                                  : QStringLiteral("; color: "))
                          + colour;
            style.writes.append(w);
            break;
        }
        case ElementWrite::Filter: {
            // No filter is what an element without one shows already. The
            // grey filter goes in as the style it stands for, which the page
            // reads back under its name; other filters are written afterwards.
            const Attribute *style = e->attribute(QLatin1String("style"));
            if (style && style->value.contains(QLatin1String("filter"), Qt::CaseInsensitive))
                break;
            if (write.value.isEmpty()) {
                edits.append({e->tagEnd, e->tagEnd, QString(), {w}});
            } else if (write.value.compare(kGreyFilter, Qt::CaseInsensitive) == 0) {
                auto it = std::find_if(styles.begin(), styles.end(), [e](const auto &s) { return s.first == e; });
                if (it == styles.end())
                    it = styles.insert(styles.end(), {e, Edit{}});
                it->second.text += QStringLiteral("; filter: grayscale(100%)");
                it->second.writes.append(w);
            }
            break;
        }
        }
    }
    for (auto &[e, style] : styles) {
        if (const Attribute *a = e->attribute(QLatin1String("style"))) {
            QString old = a->value;
            old.replace(u'"', QLatin1String("&quot;"));
            style.text = QStringLiteral("style=\"") + old + style.text + QLatin1Char('"');
            style.begin = a->begin;
            style.end = a->end;
        } else {
            style.text = QStringLiteral(" style=\"") + style.text.mid(2) + QLatin1Char('"');
            style.begin = style.end = e->tagEnd;
        }
        edits.append(std::move(style));
    }
    std::stable_sort(edits.begin(), edits.end(), [](const Edit &a, const Edit &b) { return a.begin < b.begin; });

    const QString count = QString::number(index);
    QString out;
    out.reserve(m_text.size() * 2);
    auto literal = [&](qsizetype from, qsizetype to) {
        const QStringView piece = QStringView(m_text).mid(from, to - from);
        if (!piece.contains(u'%')) {
            out += piece; // most pieces hold no placeholder
            return;
        }
        QString text = piece.toString();
        text.replace(kCountPlaceholder, count);
        text.replace(kAppPathPlaceholder, appPath);
        out += text;
    };
    qsizetype at = 0;
    for (const Edit &edit : std::as_const(edits)) {
        if (edit.begin < at)
            continue; // inside another write's content: written afterwards
        literal(at, edit.begin);
        out += edit.text;
        at = edit.end;
        for (int w : edit.writes)
            placed[w] = true;
    }
    literal(at, m_text.size());
    return out;
}

} // namespace HtmlList
