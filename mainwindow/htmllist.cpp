#include "mainwindow/htmllist.h"

#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/frmsplash.h"
#include "foundation/hostroles.h"
#include "foundation/settingsstore.h"
#include "mainwindow/filteredrows.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/htmltemplate.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/longpasshold.h"
#include "platform/msgbox.h"
#include "platform/numberederror.h"
#include "platform/webbrowser.h"

#include <QElapsedTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QHash>
#include <QUrl>
#include <QVariantMap>

#include <QScopeGuard>

#include <algorithm>
#include <cmath>

namespace HtmlList {

namespace {

// The slot of a write: one per element id and kind of write, numbered as
// they are first met. A pass asks for tens of thousands, almost always with
// the same few id texts, so the answer is also kept by the text's address
// (checked against the text, as an address may come to hold another).
int slotOf(const ElementWrite &w)
{
    static QHash<QString, int> numbers;
    struct Known
    {
        QString id;
        int slot;
    };
    static QHash<std::pair<const char *, int>, Known> byAddress;
    const std::pair<const char *, int> address(w.id.data(), int(w.kind));
    if (auto known = byAddress.constFind(address); known != byAddress.constEnd() && known->id == w.id)
        return known->slot;
    QString key = QString(w.id);
    key += QChar(u'0' + int(w.kind));
    auto it = numbers.constFind(key);
    if (it == numbers.constEnd())
        it = numbers.insert(key, int(numbers.size()));
    byAddress.insert(address, {QString(w.id), *it});
    return *it;
}

const int kTimeLeftSlot = slotOf({QLatin1String("timeleft"), ElementWrite::Text, {}});
const int kItemNumberSlot = slotOf({QLatin1String("itemnumber"), ElementWrite::Text, {}});
// The elements whose texts decide whether an ended row needs writing: read
// with the page.
const QString kTimeLeftId = QStringLiteral("timeleft");
const QString kItemNumberId = QStringLiteral("itemnumber");
const QStringList kShownTextIds = {kTimeLeftId, kItemNumberId};

WebBrowser::ElementValue::Property propertyOf(ElementWrite::Kind kind)
{
    using P = WebBrowser::ElementValue;
    switch (kind) {
    case ElementWrite::Background:
        return P::BackgroundColor;
    case ElementWrite::Colour:
        return P::Color;
    case ElementWrite::Filter:
        return P::Filter;
    case ElementWrite::Href:
        return P::Href;
    case ElementWrite::Src:
        return P::Src;
    case ElementWrite::Text:
        return P::InnerText; // plain text: markup in a field shows as typed
    case ElementWrite::Title:
        return P::Title;
    }
    return P::InnerText;
}

// A written text as the page shows it: runs of white space as one blank,
// none at the ends.
QString shownText(const QString &written)
{
    auto blank = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
    };
    // Most texts show as written: no blank at the ends, no two in a row, and
    // no blank other than the space.
    bool asWritten = written.isEmpty() || (!blank(written.front()) && !blank(written.back()));
    for (qsizetype i = 1; asWritten && i < written.size(); ++i) {
        if (blank(written[i]) && (written[i] != u' ' || blank(written[i - 1])))
            asWritten = false;
    }
    if (asWritten)
        return written;
    QString text;
    text.reserve(written.size());
    bool pendingBlank = false;
    for (QChar c : written) {
        if (blank(c)) {
            pendingBlank = !text.isEmpty();
            continue;
        }
        if (pendingBlank)
            text += u' ';
        pendingBlank = false;
        text += c;
    }
    return text;
}

QString missingElement(QLatin1String id, int position)
{
    return QStringLiteral("The list page has no element \"%1\" for shown row %2").arg(id).arg(position + 1);
}

// The blocks that stand for the rows above and below the written ones.
const QString kRowsAboveId = QStringLiteral("tmrrowsabove");
const QString kRowsBelowId = QStringLiteral("tmrrowsbelow");

// How often the page is asked where it is scrolled to while it holds part of
// the list.
constexpr int kScrollWatchMs = 150;

// Where the page stands: scroll position, viewport height, the top of the
// block above the rows and the ends of the written rows, in page pixels.
const QString kGeometryScript = QStringLiteral(
    "(function () {"
    "  var y = window.scrollY, v = window.innerHeight;"
    "  var a = document.getElementById('tmrrowsabove'), b = document.getElementById('tmrrowsbelow');"
    "  if (!a || !b) return [y, v, -1, -1, -1];"
    "  var ra = a.getBoundingClientRect(), rb = b.getBoundingClientRect();"
    "  return [y, v, ra.top + y, ra.bottom + y, rb.top + y];"
    "})()");

PageGeometry geometryOf(const QVariant &value)
{
    const QVariantList v = value.toList();
    PageGeometry g;
    if (v.size() != 5)
        return g;
    g.scrollTop = v.at(0).toDouble();
    g.viewHeight = v.at(1).toDouble();
    g.listTop = v.at(2).toDouble();
    g.rowsTop = v.at(3).toDouble();
    g.rowsBottom = v.at(4).toDouble();
    return g;
}


} // namespace

Page::Page(WebBrowser &browser) : QObject(&browser), m_browser(&browser)
{
    setObjectName(QStringLiteral("HtmlListPage"));
    // Another document (or the same one reloaded) shows none of what was
    // written; the next sync reads the page afresh.
    connect(&browser, &QWebEngineView::loadStarted, this, [this] {
        m_pageKnown = false;
        ++m_loads;
    });
    // The list page is never left: its history cannot be walked, neither
    // from its context menu nor with the mouse's or the keyboard's back keys.
    browser.SetHistoryNavigation(false);
    m_scrollWatch.setInterval(kScrollWatchMs);
    connect(&m_scrollWatch, &QTimer::timeout, this, &Page::watchScroll);
}

int Page::elementIndexOf(int position) const
{
    // A window that reaches the list's end also takes rows added after it, as
    // elements the page lacks, so that a sync reports them.
    const bool reachesEnd = m_window.end() >= m_shownRows;
    if (position < m_window.first || (position >= m_window.end() && !reachesEnd))
        return -1;
    return position - m_window.first;
}

PageGeometry Page::readGeometry()
{
    if (!m_browser || !m_browser->CanRunScripts())
        return {};
    return geometryOf(m_browser->ExecScript(kGeometryScript));
}

void Page::updateRowHeight(const PageGeometry &geometry)
{
    if (geometry.hasBlocks() && m_window.count > 0 && geometry.rowsBottom > geometry.rowsTop)
        m_rowHeight = (geometry.rowsBottom - geometry.rowsTop) / m_window.count;
}

void Page::watchScroll()
{
    if (m_working || m_geometryAsked || !m_browser || !m_hasTemplate || !m_sourceRows)
        return;
    m_geometryAsked = true;
    QPointer<Page> self(this);
    m_browser->page()->runJavaScript(kGeometryScript, QWebEngineScript::ApplicationWorld, [self](const QVariant &v) {
        if (!self)
            return;
        self->m_geometryAsked = false;
        const PageGeometry g = geometryOf(v);
        // Written outside the engine's callback: a write waits for the page.
        QTimer::singleShot(0, self, [self, g] {
            if (self)
                self->takeGeometry(g);
        });
    });
}

void Page::takeGeometry(const PageGeometry &g)
{
    if (m_working || !g.hasBlocks() || !m_sourceRows || !m_hasTemplate)
        return;
    const int first = FirstRowInView(g, m_window, m_shownRows, m_rowHeight);
    if (WindowServes(m_window, m_shownRows, first, RowsInView(g.viewHeight, m_rowHeight)))
        return;
    try {
        render(&g);
    } catch (const std::exception &) {
        // The page keeps what was written.
    }
}

bool Page::updateShownRows(const Source &source)
{
    QPointer<Page> self(this);
    QPointer<ListView> rows(source.rows);
    const quint64 generation = m_generation;
    return FilteredRows::Of(*rows).Update(source.passesFilter, source.filterKey, [&] {
        Desktop::DoEvents();
        return self && rows && m_browser && m_generation == generation;
    });
}

Page &Page::of(WebBrowser &browser)
{
    if (Page *page = browser.findChild<Page *>(QStringLiteral("HtmlListPage"), Qt::FindDirectChildrenOnly))
        return *page;
    return *new Page(browser);
}

bool Page::readPage()
{
    return takePage(m_browser->ReadIds(kShownTextIds));
}

bool Page::takePage(const WebBrowser::PageIds &page)
{
    if (!page.ok)
        return false;
    m_counts = page.counts;
    int rows = 0;
    for (int n : std::as_const(m_counts))
        rows = std::max(rows, n);
    m_shown = QList<ShownRow>(rows);
    auto take = [&](int slot, const QStringList &texts) {
        for (int i = 0; i < rows && i < texts.size(); ++i) {
            m_shown[i].values[size_t(slot)] = texts.at(i);
            m_shown[i].known.set(size_t(slot));
        }
    };
    take(kTimeLeftSlot, page.texts.value(kTimeLeftId));
    take(kItemNumberSlot, page.texts.value(kItemNumberId));
    m_pageKnown = true;
    return true;
}

int Page::count(QLatin1String id) const
{
    return m_counts.value(QString(id).toLower());
}

void Page::Rebuild(const Source &source, const QString &templatePath, QStringList &altColors)
{
    QPointer<Page> self(this);
    const Template page = Template::read(templatePath, [] { Desktop::DoEvents(); });
    if (!self || !m_browser || !source.rows)
        return;
    altColors = page.colours();
    m_template = page;
    m_hasTemplate = true;
    m_source = source;
    m_sourceRows = source.rows;
    m_colours = altColors;
    try {
        render(nullptr);
    } catch (const std::exception &) {
        // The page keeps what was written.
    }
}

void Page::render(const PageGeometry *known)
{
    QPointer<Page> self(this);
    if (!m_browser || !m_sourceRows)
        return;
    ++m_working;
    const auto done = qScopeGuard([self] {
        if (self)
            --self->m_working;
    });
    const LongPassHold noRefreshInside;
    const Source source = m_source;
    const Template page = m_template;
    const QStringList colours = m_colours;
    WebBrowser &browser = *m_browser;
    // A page that has not loaded yet reads as scrolled to the top.
    const PageGeometry view = known ? *known : readGeometry();
    if (!self || !m_browser || !m_sourceRows)
        return;

    const quint64 generation = ++m_generation;
    m_pageKnown = false; // the rows come back empty from the template
    ListView &rows = *source.rows;
    if (!updateShownRows(source))
        return;
    const FilteredRows &filtered = FilteredRows::Of(rows);
    const int shown = filtered.Count();

    // The row at the top of the view stays there: found on the page as it
    // was, it is written at the same place of the new page.
    updateRowHeight(view);
    const int firstInView = FirstRowInView(view, m_window, m_shownRows, m_rowHeight);
    double intoRow = 0; // how far the view's top is into that row
    if (view.hasBlocks() && m_window.contains(firstInView))
        intoRow = view.scrollTop - (view.rowsTop + (firstInView - m_window.first) * m_rowHeight);
    const double viewHeight = view.viewHeight > 0 ? view.viewHeight : double(std::max(browser.height(), 1));
    const RowWindow window = WindowAround(shown, firstInView, RowsInView(viewHeight, m_rowHeight));

    const QString appPath = AppPathForPage(source.appPath);
    // Each row is written complete, values and colours in its HTML, so
    // the page is laid out once; what cannot be put there is left to
    // the sync below, which writes only what the page does not show.
    struct WrittenRow
    {
        QList<ElementWrite> writes;
        QList<bool> placed;
    };
    QList<WrittenRow> written;
    WebBrowser::PageIds shownPage;
    if (rows.Count() == 0) {
        shownPage = browser.DocumentReplace(page.noItemsHtml(appPath), kShownTextIds);
    } else {
        const RowPattern pattern(page.listItem);
        // Values go into the HTML only where every row id stands once in
        // each row and nowhere else; any other template is written as it
        // stands and filled by the sync alone, element by element.
        const bool fill = pattern.holdsEachIdOnce() && RowPattern(page.listHeader).idCount() == 0
                          && RowPattern(page.listFooter).idCount() == 0;
        const RowReader reader(rows);
        const RowContext context{colours, source.itemPageUrl, QUrl::fromLocalFile(source.appPath)};
        QString html = page.listHeader;
        html += SpacerHtml(page.listItem, kRowsAboveId, window.first * m_rowHeight);
        const int listRows = rows.Count();
        QElapsedTimer sinceEvents;
        sinceEvents.start();
        for (int position = window.first; position < window.end(); ++position) {
            // Writing a few hundred rows takes longer than a timer may wait.
            if (sinceEvents.elapsed() >= Desktop::kEventSliceMs) {
                Desktop::DoEvents();
                sinceEvents.restart();
                if (!self || !m_browser || !m_sourceRows || m_generation != generation)
                    return;
                // The list changed under the pass; the change's own redraw
                // writes the page.
                if (rows.Count() != listRows || filtered.Moved())
                    return;
            }
            const int i = filtered.ListIndexAt(position);
            WrittenRow w;
            if (fill) {
                try {
                    w.writes = RowWrites(reader.read(*rows.Item(i), i), position, true, false, context);
                } catch (const NumberedError &) {
                    // A colour is missing: the row goes as the template
                    // has it, and the sync reports the fault.
                }
            }
            html += pattern.html(i, appPath, w.writes, w.placed);
            written.append(std::move(w));
        }
        html += SpacerHtml(page.listItem, kRowsBelowId, (shown - window.end()) * m_rowHeight);
        for (QLatin1String id : kRowIds)
            html += HiddenSpan(id);
        html += page.listFooter;
        shownPage = browser.DocumentReplace(html, kShownTextIds);
    }
    if (!self || !m_browser)
        return;
    m_window = window;
    m_shownRows = shown;
    const quint64 loads = m_loads;
    if (view.hasBlocks() && shown > 0)
        browser.SetBodyScrollTop(int(std::round(view.listTop + firstInView * m_rowHeight + intoRow)));
    else
        browser.SetBodyScrollTop(int(view.scrollTop));
    if (window.count < shown)
        m_scrollWatch.start();
    else
        m_scrollWatch.stop();
    Desktop::DoEvents();
    if (!self || !m_browser || m_generation != generation)
        return;
    m_pageKnown = false;
    // A page that started loading meanwhile is not the one just read:
    // the next sync reads whatever the browser shows then.
    if (m_loads == loads && takePage(shownPage)) {
        for (int at = 0; at < written.size() && at < m_shown.size(); ++at) {
            const WrittenRow &w = written.at(at);
            ShownRow &shownRow = m_shown[at];
            for (int k = 0; k < w.writes.size(); ++k) {
                const int slot = slotOf(w.writes.at(k));
                if (w.placed.at(k) && slot < kSlots) {
                    shownRow.values[size_t(slot)] = w.writes.at(k).value;
                    shownRow.known.set(size_t(slot));
                }
            }
        }
    }
    Sync(source, colours, true, QString());
    // Rows count as shown once the page, read back, holds them all.
    if (self && window.count > 0 && m_generation == generation && m_pageKnown
        && count(QLatin1String("itemnumber")) > window.count) {
        m_rowsShown = true;
        emit rowsShown(window.first, window.count);
    }
}

SyncResult Page::Sync(const Source &source, const QStringList &altColors, bool updateAll, const QString &highlight)
{
    SyncResult result;
    if (!m_browser || !source.rows)
        return result;
    QPointer<Page> self(this);
    QPointer<ListView> rows(source.rows);
    const quint64 generation = m_generation;
    // Events run during the pass; the colours may be replaced meanwhile.
    const QStringList colours = altColors;

    ++m_working;
    const auto done = qScopeGuard([self] {
        if (self)
            --self->m_working;
    });

    if ((!m_pageKnown || !m_browser->CanRunScripts()) && !readPage()) {
        result.failure = QStringLiteral("The list page could not be read");
        return result;
    }
    const RowReader reader(*rows);
    const RowContext context{colours, source.itemPageUrl, QUrl::fromLocalFile(source.appPath)};
    const QString contextKey = context.itemPageUrl + QLatin1Char('\n') + context.programFolder.toString();
    if (contextKey != m_contextKey) {
        for (ShownRow &shown : m_shown)
            shown.fieldsKnown = false;
        m_contextKey = contextKey;
    }

    // The writes of the pass, sent in one go before events run and when the
    // pass ends, however it ends.
    QList<WebBrowser::ElementValue> batch;
    auto send = [&] {
        if (m_browser)
            m_browser->SetElementValues(batch);
        batch.clear();
    };

    // How many elements carry each id, looked up once per pass: the page is
    // not read again during one (a rebuild in between ends the pass).
    const int timeLeftCount = count(QLatin1String("timeleft"));
    const int itemNumberCount = count(QLatin1String("itemnumber"));
    std::array<int, kSlots> countBySlot;
    countBySlot.fill(-1);
    auto countOf = [&](const ElementWrite &w, int slot) {
        if (slot >= kSlots)
            return count(w.id);
        int &n = countBySlot[size_t(slot)];
        if (n < 0)
            n = count(w.id);
        return n;
    };

    // Only the rows the page holds are read; which list row stands at each
    // position comes from the list's filtered rows, kept between passes.
    if (!updateShownRows(source)) {
        if (self && rows && m_browser && m_generation != generation)
            result.superseded = true;
        return result;
    }
    const FilteredRows &filtered = FilteredRows::Of(*rows);
    // A window that reaches the list's end also takes the rows added after it.
    auto lastPosition = [&] {
        return m_window.end() >= m_shownRows ? filtered.Count() : std::min(m_window.end(), filtered.Count());
    };
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    for (int position = m_window.first; position < lastPosition(); ++position) {
        const int i = filtered.ListIndexAt(position);
        const ListItem *row = rows->Item(i);
        const int element = elementIndexOf(position);
        if (element >= 0) {
            const RowFields fields = reader.read(*row, i);
            const bool named = !highlight.isEmpty() && fields.itemNumber == highlight;

            if (element >= timeLeftCount || element >= itemNumberCount) {
                send();
                result.failure = missingElement(
                    element >= timeLeftCount ? QLatin1String("timeleft") : QLatin1String("itemnumber"), position);
                return result;
            }
            if (element >= m_shown.size())
                m_shown.resize(element + 1);
            ShownRow &shown = m_shown[element];
            auto shows = [&](int slot, const QString &text) {
                return shown.known.test(size_t(slot)) && shownText(shown.values[size_t(slot)]) == text;
            };

            // An ended row that the page already shows at this place is left
            // as it is, unless everything is to be written.
            const bool forceAll = source.forceRefreshAll && *source.forceRefreshAll;
            if (shows(kTimeLeftSlot, TrackedAuction::kEnded) && shows(kItemNumberSlot, fields.itemNumber) && !updateAll
                && !forceAll && !named) {
                ++result.skipped;
            } else if (!updateAll && shown.fieldsKnown && shown.fields == fields) {
                ++result.written; // the page shows this row already
            } else {
                QList<ElementWrite> writes;
                try {
                    writes = RowWrites(fields, position, updateAll, named, context);
                } catch (const NumberedError &e) {
                    send();
                    result.failure = e.description();
                    return result;
                }
                shown.fieldsKnown = false;
                for (const ElementWrite &w : std::as_const(writes)) {
                    const int slot = slotOf(w);
                    if (element >= countOf(w, slot)) {
                        send();
                        result.failure = missingElement(w.id, position);
                        return result;
                    }
                    if (slot < kSlots) {
                        if (shown.known.test(size_t(slot)) && shown.values[size_t(slot)] == w.value)
                            continue;
                        shown.values[size_t(slot)] = w.value;
                        shown.known.set(size_t(slot));
                    }
                    batch.append({QString(w.id), element, propertyOf(w.kind), w.value});
                }
                shown.fields = fields;
                shown.fieldsKnown = true;
                ++result.written;
            }
        }

        // Clicks and timer ticks run between rows; letting them in after
        // every row would hand the page many small batches instead of a
        // few large ones, so they run once a slice of time has passed.
        if (sinceEvents.elapsed() < Desktop::kEventSliceMs)
            continue;
        send();
        Desktop::DoEvents();
        sinceEvents.restart();
        if (!self || !rows || !m_browser)
            return result;
        // Rows that came, went or moved meanwhile, or whose answer changed,
        // move the positions after them: the pass goes on with the new ones.
        if (m_generation == generation && updateShownRows(source))
            continue;
        if (self && rows && m_browser && m_generation != generation)
            result.superseded = true;
        return result;
    }
    send();
    // Rows added or removed beyond the written ones change the height the
    // rest of the list takes.
    if (m_browser && filtered.Count() != m_shownRows && m_window.end() < m_shownRows) {
        m_shownRows = filtered.Count();
        m_browser->Element(kRowsBelowId).setStyleText(BlockStyle(std::max(0, m_shownRows - m_window.end()) * m_rowHeight));
    }
    return result;
}

bool IsListPage(WebBrowser &browser, const QString &url)
{
    if (url == QLatin1String("about:blank"))
        return true;
    const QUrl address(url);
    return address.isLocalFile()
           && address.matches(QUrl::fromLocalFile(browser.DocumentHostFile()),
                              QUrl::RemoveFragment | QUrl::RemoveQuery | QUrl::NormalizePathSegments);
}

} // namespace HtmlList

// ---------------------------------------------------------------------------
// The main window's HTML list

namespace {

HtmlList::Source listSource(frmMain &form)
{
    HtmlList::Source s;
    s.rows = form.lvwAuctions;
    s.passesFilter = [&form](const ListItem *row) { return form.ItemPassesFilter(row); };
    s.filterKey = form.FilterState();
    s.forceRefreshAll = &form.blnForceRefreshAll;
    s.itemPageUrl = HostRoles::url(HostRoles::Role::SiteItem, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item="), false,
                                   frmSettings::instance().SiteDomain());
    s.appPath = basGeneral::AppPath();
    return s;
}

} // namespace

void frmMain::RebuildHTMLList()
{
    const QString templatePath =
        TemplateFile.isEmpty() ? basGeneral::AppPath() + QStringLiteral("default.tmt") : TemplateFile;
    HtmlList::Page::of(*HTMLList).Rebuild(listSource(*this), templatePath, varAltColors);
}

void frmMain::SyncHTMLList(bool UpdateAll, const QString &strItemNum)
{
    HtmlList::Page::of(*HTMLList).Sync(listSource(*this), varAltColors, UpdateAll, strItemNum);
}
