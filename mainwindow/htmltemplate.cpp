#include "mainwindow/htmltemplate.h"

#include "engine/trackedauction.h"
#include "platform/ansi.h"
#include "platform/listview.h"
#include "platform/numberederror.h"

#include <QFile>
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
    const bool won = !watched && row.won.toLower() == QLatin1String("true") && row.tag != SnipeState::OtherInGroupWon;
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
    add(QLatin1String("timeleft"), ElementWrite::Text, row.timeLeft);
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
