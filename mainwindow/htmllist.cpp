#include "mainwindow/htmllist.h"

#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/frmsplash.h"
#include "foundation/hostroles.h"
#include "foundation/settingsstore.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/htmltemplate.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/numberederror.h"
#include "platform/webbrowser.h"

#include <QElapsedTimer>
#include <QWebEngineView>
#include <QHash>
#include <QUrl>
#include <QVariantMap>

#include <algorithm>

namespace HtmlList {

namespace {

// How long a pass over the rows runs before pending events get their turn.
constexpr qint64 kEventSliceMs = 15;

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
    WebBrowser &browser = *m_browser;
    // A page that has not loaded yet reads as scrolled to the top.
    const int scrollTop = browser.BodyScrollTop();

    try {
        const quint64 generation = ++m_generation;
        m_pageKnown = false; // the rows come back empty from the template
        ListView &rows = *source.rows;
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
            const RowContext context{altColors, source.itemPageUrl, QUrl::fromLocalFile(source.appPath)};
            QString html = page.listHeader;
            for (int i = 1; i <= rows.Count(); ++i) {
                const ListItem *row = rows.Item(i);
                if (source.passesFilter && !source.passesFilter(row))
                    continue;
                WrittenRow w;
                if (fill) {
                    try {
                        w.writes = RowWrites(reader.read(*row, i), int(written.size()), true, false, context);
                    } catch (const NumberedError &) {
                        // A colour is missing: the row goes as the template
                        // has it, and the sync reports the fault.
                    }
                }
                html += pattern.html(i, appPath, w.writes, w.placed);
                written.append(std::move(w));
            }
            for (QLatin1String id : kRowIds)
                html += HiddenSpan(id);
            html += page.listFooter;
            shownPage = browser.DocumentReplace(html, kShownTextIds);
        }
        const quint64 loads = m_loads;
        browser.SetBodyScrollTop(scrollTop);
        Desktop::DoEvents();
        if (!self || !m_browser || m_generation != generation)
            return;
        m_pageKnown = false;
        // A page that started loading meanwhile is not the one just read:
        // the next sync reads whatever the browser shows then.
        if (m_loads == loads && takePage(shownPage)) {
            for (int position = 0; position < written.size() && position < m_shown.size(); ++position) {
                const WrittenRow &w = written.at(position);
                ShownRow &shown = m_shown[position];
                for (int k = 0; k < w.writes.size(); ++k) {
                    const int slot = slotOf(w.writes.at(k));
                    if (w.placed.at(k) && slot < kSlots) {
                        shown.values[size_t(slot)] = w.writes.at(k).value;
                        shown.known.set(size_t(slot));
                    }
                }
            }
        }
        Sync(source, altColors, true, QString());
    } catch (const std::exception &) {
        // The page keeps what was written.
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

    QElapsedTimer sinceEvents;
    sinceEvents.start();
    int position = -1;
    for (int i = 1; i <= rows->Count(); ++i) {
        const ListItem *row = rows->Item(i);
        if (!source.passesFilter || source.passesFilter(row)) {
            ++position;
            const RowFields fields = reader.read(*row, i);
            const bool named = !highlight.isEmpty() && fields.itemNumber == highlight;

            if (position >= timeLeftCount || position >= itemNumberCount) {
                send();
                result.failure = missingElement(
                    position >= timeLeftCount ? QLatin1String("timeleft") : QLatin1String("itemnumber"), position);
                return result;
            }
            if (position >= m_shown.size())
                m_shown.resize(position + 1);
            ShownRow &shown = m_shown[position];
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
                    if (position >= countOf(w, slot)) {
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
                    batch.append({QString(w.id), position, propertyOf(w.kind), w.value});
                }
                shown.fields = fields;
                shown.fieldsKnown = true;
                ++result.written;
            }
        }

        // Clicks and timer ticks run between rows; letting them in after
        // every row would hand the page many small batches instead of a
        // few large ones, so they run once a slice of time has passed.
        if (sinceEvents.elapsed() < kEventSliceMs)
            continue;
        send();
        Desktop::DoEvents();
        sinceEvents.restart();
        if (!self || !rows || !m_browser)
            return result;
        if (m_generation != generation) {
            result.superseded = true;
            return result;
        }
    }
    send();
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
