#pragma once

#include "mainwindow/htmltemplate.h"
#include "mainwindow/htmlwindow.h"
#include "platform/webbrowser.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <bitset>
#include <functional>
#include <optional>

class ListItem;
class ListView;

// The HTML auction list in a browser control: the page written whole from
// the template (Rebuild) and brought up to date in place, element by element
// (Sync). The writer remembers what it wrote to every element, so a sync sends
// only the values that differ, all of them in one script call. The main
// window's RebuildHTMLList and SyncHTMLList hand their work to the writer of
// its HTMLList browser.
//
// The page holds only the rows in view and a margin around them (see
// htmlwindow.h); as the user scrolls, the writer watches the page and writes
// the rows that come into view. A row's n-th element of an id is therefore
// the n-th written row's, not the n-th shown row's: elementIndexOf converts.
namespace HtmlList {

// The rows and what decides how they show.
struct Source
{
    ListView *rows = nullptr;
    // Whether a row is shown; no function shows every row.
    std::function<bool(const ListItem *)> passesFilter;
    // What the filter's answers depend on besides a row's fields; while it
    // stays the same, only changed rows are asked again. Without it, every
    // row is asked on every pass.
    std::optional<QString> filterKey;
    // A full refresh of ended items is pending: ended rows are written too.
    // Read for every row, as the flag may change while a pass lets events run.
    const bool *forceRefreshAll = nullptr;
    QString itemPageUrl; // the item page address up to the item number
    QString appPath;     // the program folder
};

// How a pass over the rows went.
struct SyncResult
{
    int written = 0; // rows whose elements were written
    int skipped = 0; // ended rows the page already shows
    // Why the pass stopped early (a row without one of the ids, a missing
    // colour, an unreadable page); empty when it went through.
    QString failure;
    // A rebuild ran while the pass let events run; the rebuild wrote every
    // row afresh, so the pass ended there.
    bool superseded = false;
};

class Page final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Page)

public:
    // The writer of the list in this browser, made on first use (a child of
    // the browser, so it lives as long as the page it writes). From then on
    // the browser's history cannot be walked (WebBrowser::SetHistoryNavigation).
    static Page &of(WebBrowser &browser);

    // Reads the template, sets `altColors` from it, writes the whole page
    // keeping its scroll position (with the rows around the view), then
    // syncs those rows with the cell backgrounds. A template that cannot be read raises NumberedError before
    // the page is touched (the page and `altColors` stay as they were); what
    // goes wrong once the page is being written ends the rebuild quietly.
    void Rebuild(const Source &source, const QString &templatePath, QStringList &altColors);

    // Writes the texts, colours, buttons, links and picture of every shown
    // row the page holds (rows out of view are written when they come in).
    // `updateAll` also paints the cell backgrounds and rewrites ended rows;
    // `highlight` names an item number whose row is always written and, with
    // `updateAll`, gets the highlight colour. Never throws: the first failure
    // ends the pass, and rows written so far stay written.
    SyncResult Sync(const Source &source, const QStringList &altColors, bool updateAll, const QString &highlight);

    // Counts the page's rewrites; a pass that outlives one stops.
    quint64 generation() const { return m_generation; }

    // The shown rows the page holds now, and how many rows pass the filter.
    RowWindow window() const { return m_window; }
    int shownRows() const { return m_shownRows; }
    // The element index of the row at `position` among the shown rows, or -1
    // when the page does not hold it.
    int elementIndexOf(int position) const;
    // Whether the page has shown rows of the list since it was made: the
    // moment rowsShown was first raised. What a measurement of the whole
    // program waits for: Page::of(*main.HTMLList).showsRows().
    bool showsRows() const { return m_rowsShown; }

signals:
    // The page was written with rows [first, first + count) of the shown rows.
    void rowsShown(int first, int count);

private:
    explicit Page(WebBrowser &browser);

    // Writes the page from the template read last, holding the rows around
    // the view `geometry` describes (read from the page when not given).
    void render(const PageGeometry *geometry);
    PageGeometry readGeometry();
    // Asks the page where it is scrolled to, without waiting; writes the rows
    // that came into view when the written ones no longer serve.
    void watchScroll();
    void takeGeometry(const PageGeometry &geometry);
    // Brings the list's shown rows (FilteredRows) up to date, letting events
    // run during a long scan; false when a rebuild came meanwhile, the list
    // or this page went, or rows came, went or moved.
    bool updateShownRows(const Source &source);
    void updateRowHeight(const PageGeometry &geometry);

    // One write slot per element and kind of write a row section has.
    static constexpr int kSlots = 48;
    // What the page shows at one position among the shown rows: the last
    // value written to each slot, and the row fields of the last complete
    // write (a row whose fields are unchanged needs nothing).
    struct ShownRow
    {
        std::array<QString, kSlots> values;
        std::bitset<kSlots> known;
        RowFields fields;
        bool fieldsKnown = false;
    };

    // Reads how many elements carry each id and what the time-left and
    // item-number elements show; everything else counts as unknown. False
    // when the page cannot be read. takePage does the same with a read the
    // caller already has.
    bool readPage();
    bool takePage(const WebBrowser::PageIds &page);
    int count(QLatin1String id) const;

    QPointer<WebBrowser> m_browser;
    quint64 m_generation = 0;
    // Whether m_counts and m_shown still describe the page; a rebuild or a
    // load in the browser makes the next sync read the page again.
    bool m_pageKnown = false;
    quint64 m_loads = 0; // loads started in the browser
    QHash<QString, int> m_counts; // by lower-case id
    QList<ShownRow> m_shown;
    QString m_contextKey; // the item page address and program folder of the last writes

    // What the last rebuild wrote with, for the rows written while scrolling.
    Template m_template;
    bool m_hasTemplate = false;
    Source m_source;
    QPointer<ListView> m_sourceRows; // m_source.rows while it lives
    QStringList m_colours;
    RowWindow m_window;   // the written rows
    int m_shownRows = 0;  // how many rows passed the filter when written
    double m_rowHeight = kDefaultRowHeight;
    bool m_rowsShown = false;
    int m_working = 0; // rebuilds and syncs running (they let events run)
    bool m_geometryAsked = false;
    QTimer m_scrollWatch;
};

// Whether an address is the list page itself: "about:blank" or the file://
// page the list is written into. Every other address is a command or a link.
bool IsListPage(WebBrowser &browser, const QString &url);

} // namespace HtmlList
