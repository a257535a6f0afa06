#pragma once

#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <array>
#include <functional>

class ListItem;
class ListView;

// The HTML auction list without a browser: the template file "default.tmt"
// read into its sections, the page pieces made from it, and what one row's
// elements are to show. The page writer (htmllist.h) only carries these into
// the browser, so everything here can be checked and timed on its own.
namespace HtmlList {

// The element ids every row section carries, in the order the hidden spans
// after the last row are written.
inline constexpr std::array<QLatin1String, 31> kRowIds = {
    QLatin1String("itempic"),      QLatin1String("picturecell"),  QLatin1String("iconcell"),
    QLatin1String("numbercell"),   QLatin1String("titlecell"),    QLatin1String("timeleftcell"),
    QLatin1String("enddatecell"),  QLatin1String("bidscell"),     QLatin1String("qtycell"),
    QLatin1String("currentbidcell"), QLatin1String("shippingcell"), QLatin1String("maxbidcell"),
    QLatin1String("groupcell"),    QLatin1String("usercell"),     QLatin1String("lnkEdit"),
    QLatin1String("lnkNotes"),     QLatin1String("lnkRemove"),    QLatin1String("cmdEdit"),
    QLatin1String("cmdNotes"),     QLatin1String("itemnumber"),   QLatin1String("itemlink"),
    QLatin1String("itemtitle"),    QLatin1String("timeleft"),     QLatin1String("enddate"),
    QLatin1String("bids"),         QLatin1String("qty"),          QLatin1String("currentbid"),
    QLatin1String("shipping"),     QLatin1String("maxbid"),       QLatin1String("user"),
    QLatin1String("group"),
};

// "%cnt%" and "%apppath%" of the template.
inline constexpr QLatin1String kCountPlaceholder("%cnt%");
inline constexpr QLatin1String kAppPathPlaceholder("%apppath%");

// The five sections of the template. A section missing from the file stays
// empty.
struct Template
{
    QString noItems;    // the whole page of an empty list
    QString listHeader; // before the rows
    QString altColors;  // "colour;colour;highlight", its lines joined without breaks
    QString listItem;   // once per shown row
    QString listFooter; // after the rows

    // Reads a template file (Windows-1252, CR LF lines; a bare LF is taken
    // as a line end too). afterLine runs after every line read. Raises
    // NumberedError 53 when the file cannot be read and 62 when a section's end
    // marker never comes.
    static Template read(const QString &path, const std::function<void()> &afterLine = {});
    // The same from the lines themselves.
    static Template fromLines(const QStringList &lines, const std::function<void()> &afterLine = {});

    // The colour section split on ";" (nothing for an empty section).
    QStringList colours() const;
    // The row section for the row of 1-based list index `index`: "%cnt%"
    // replaced by the index, then "%apppath%" by `appPath`.
    QString rowHtml(int index, const QString &appPath) const;
    // The no-items section with "%apppath%" replaced ("%cnt%" stays).
    QString noItemsHtml(const QString &appPath) const;
};

// The text "%apppath%" stands for: the program folder as a file:// address,
// safe inside an HTML attribute, ending in "/" ("file:///opt/x%20y/bin/").
QString AppPathForPage(const QString &appPath);

// One hidden span per row id, so that every id names at least two elements
// and always reads as a collection, also with a single row.
QString HiddenSpan(QLatin1String id);

// What one row of lvwAuctions shows, read by column key.
struct RowFields
{
    int index = 0; // 1-based, in the list's current order
    QString itemNumber;
    QString tag;
    QString title;
    QString timeLeft;
    QString endDate; // enddatedisp
    QString bids;
    QString qty;
    QString currentBid;
    QString shipping;
    QString maxBid;
    QString user;
    QString group;
    QString note;
    QString picture;
    QString won;

    bool operator==(const RowFields &) const = default;
};

// Column positions of the fields, looked up once per pass over the rows.
class RowReader
{
public:
    explicit RowReader(const ListView &list);
    RowFields read(const ListItem &row, int index) const;

private:
    std::array<int, 13> m_columns{};
};

// One change to one element of a row.
struct ElementWrite
{
    enum Kind { Background, Colour, Filter, Href, Src, Text, Title };
    QLatin1String id;
    Kind kind;
    QString value;

    bool operator==(const ElementWrite &) const = default;
};

// Text colours by row kind.
inline constexpr QLatin1String kWatchedTitleColour("000080");
inline constexpr QLatin1String kWatchedTextColour("000000");
inline constexpr QLatin1String kWonColour("008000");
inline constexpr QLatin1String kOtherColour("800000");
inline constexpr QLatin1String kGreyFilter("Gray()");

// What the writes of every row share.
struct RowContext
{
    QStringList colours;  // varAltColors
    QString itemPageUrl;  // the item page address up to the item number
    QUrl programFolder;   // pictures named without a scheme are files of it
};

// The writes that bring the row at `position` (from 0, among the shown rows)
// up to date, in the order they are made. With `updateAll` the cells get
// their background: colours[2] when `highlighted`, otherwise colours[0] for
// an odd and colours[1] for an even position (both must be there). Raises
// NumberedError 9 when a colour it needs is missing.
QList<ElementWrite> RowWrites(const RowFields &row, int position, bool updateAll, bool highlighted,
                              const RowContext &context);

// The row section read once for writing rows complete: where each element of
// a row id starts, its attributes and, for texts, its content. A rebuild
// writes every row with its values and colours already in the HTML, so the
// page is laid out once, with no element writes after it.
class RowPattern
{
public:
    explicit RowPattern(const QString &listItem);

    // The row section for list index `index` with "%cnt%" and "%apppath%"
    // replaced in the template's own text (never in a value) and the writes
    // put in place: texts as the element's content, links, pictures and
    // titles as attributes, colours as style declarations. `placed[i]` tells
    // whether writes[i] went into the HTML; those that cannot (a filter, a
    // text with line breaks, an element the row lacks or whose end is not
    // found) are for the caller to write afterwards.
    QString html(int index, const QString &appPath, const QList<ElementWrite> &writes, QList<bool> &placed) const;

    // How many elements of the section carry one of the row ids; whether
    // each row id is carried exactly once. Only then does a row's n-th
    // element of an id stand at the page's n-th place for that id.
    int idCount() const { return m_idCount; }
    bool holdsEachIdOnce() const { return m_idCount == int(kRowIds.size()) && m_elements.size() == kRowIds.size(); }

private:
    struct Attribute
    {
        QString name; // lower case
        qsizetype begin = 0; // from the name to the end of the value
        qsizetype end = 0;
        QString value;
    };
    struct Element
    {
        QString id; // lower case
        qsizetype tagEnd = 0;       // where the start tag's ">" (or "/>") is
        qsizetype contentBegin = -1; // the content, when its end tag was found
        qsizetype contentEnd = -1;
        QList<Attribute> attributes;
        const Attribute *attribute(QLatin1String name) const;
    };
    const Element *element(QLatin1String id) const;

    QString m_text;
    QList<Element> m_elements; // the first element of each id
    int m_idCount = 0;
};

} // namespace HtmlList
