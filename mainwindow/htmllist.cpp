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
#include "platform/vberror.h"
#include "platform/webbrowser.h"

#include <QElapsedTimer>
#include <QHash>
#include <QUrl>
#include <QVariantMap>

namespace HtmlList {

namespace {

// How long a pass over the rows runs before pending events get their turn.
constexpr qint64 kEventSliceMs = 15;

// What the page holds when a pass starts: how many elements carry each row
// id, and the texts of the time-left and item-number elements, which decide
// whether an ended row needs writing. One round trip instead of two per row.
struct Snapshot
{
    bool ok = false;
    QHash<QString, int> counts; // by lower-case id
    QStringList timeLeft;
    QStringList itemNumber;

    int count(QLatin1String id) const { return counts.value(QString(id).toLower()); }
};

QString snapshotScript()
{
    QStringList ids;
    for (QLatin1String id : kRowIds)
        ids << QLatin1Char('\'') + QString(id).toLower() + QLatin1Char('\'');
    return QStringLiteral(
               "(function () {"
               "  var ids = [%1], counts = {}, timeleft = [], itemnumber = [];"
               "  ids.forEach(function (id) { counts[id] = 0; });"
               "  var all = document.querySelectorAll('[id]');"
               "  for (var i = 0; i < all.length; i++) {"
               "    var id = String(all[i].id).toLowerCase();"
               "    if (!Object.prototype.hasOwnProperty.call(counts, id)) continue;"
               "    counts[id]++;"
               "    if (id === 'timeleft') timeleft.push(all[i].textContent);"
               "    else if (id === 'itemnumber') itemnumber.push(all[i].textContent);"
               "  }"
               "  return { counts: counts, timeleft: timeleft, itemnumber: itemnumber };"
               "})()")
        .arg(ids.join(QLatin1Char(',')));
}

Snapshot readSnapshot(WebBrowser &browser)
{
    static const QString script = snapshotScript();
    Snapshot s;
    const QVariant result = browser.ExecScript(script);
    if (result.typeId() != QMetaType::QVariantMap)
        return s;
    const QVariantMap map = result.toMap();
    const QVariantMap counts = map.value(QStringLiteral("counts")).toMap();
    for (auto it = counts.begin(); it != counts.end(); ++it)
        s.counts.insert(it.key(), it.value().toInt());
    s.timeLeft = map.value(QStringLiteral("timeleft")).toStringList();
    s.itemNumber = map.value(QStringLiteral("itemnumber")).toStringList();
    s.ok = true;
    return s;
}

void apply(WebBrowser &browser, const ElementWrite &w, int position)
{
    const HtmlElement e = browser.Element(QString(w.id), position);
    switch (w.kind) {
    case ElementWrite::Background:
        e.setBackgroundColor(w.value);
        break;
    case ElementWrite::Colour:
        e.setColor(w.value);
        break;
    case ElementWrite::Filter:
        e.setFilter(w.value);
        break;
    case ElementWrite::Href:
        e.setHref(w.value);
        break;
    case ElementWrite::Src:
        e.setSrc(w.value);
        break;
    case ElementWrite::Text:
        e.setInnerText(w.value); // plain text: markup in a field shows as typed
        break;
    case ElementWrite::Title:
        e.setTitle(w.value);
        break;
    }
}

QString missingElement(QLatin1String id, int position)
{
    return QStringLiteral("The list page has no element \"%1\" for shown row %2").arg(id).arg(position + 1);
}

} // namespace

Page::Page(WebBrowser &browser) : QObject(&browser), m_browser(&browser)
{
    setObjectName(QStringLiteral("HtmlListPage"));
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

void Page::Rebuild(const Source &source, const QString &templatePath, QStringList &altColors)
{
    QPointer<Page> self(this);
    const Template page = Template::read(templatePath, [] { Vb::DoEvents(); });
    if (!self || !m_browser || !source.rows)
        return;
    altColors = page.colours();
    WebBrowser &browser = *m_browser;
    // A page that has not loaded yet reads as scrolled to the top.
    const int scrollTop = browser.BodyScrollTop();

    try {
        ++m_generation;
        browser.DocumentClear();
        browser.DocumentOpen();
        ListView &rows = *source.rows;
        const QString appPath = AppPathForPage(source.appPath);
        if (rows.Count() == 0) {
            browser.DocumentWrite(page.noItemsHtml(appPath));
        } else {
            browser.DocumentWrite(page.listHeader);
            for (int i = 1; i <= rows.Count(); ++i) {
                if (!source.passesFilter || source.passesFilter(rows.Item(i)))
                    browser.DocumentWrite(page.rowHtml(i, appPath));
            }
            for (QLatin1String id : kRowIds)
                browser.DocumentWrite(HiddenSpan(id));
            browser.DocumentWrite(page.listFooter);
        }
        browser.SetBodyScrollTop(scrollTop);
        Vb::DoEvents();
        if (!self)
            return;
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
    // Events run after every row; the colours may be replaced meanwhile.
    const QStringList colours = altColors;

    const Snapshot page = readSnapshot(*m_browser);
    if (!page.ok) {
        result.failure = QStringLiteral("The list page could not be read");
        return result;
    }
    const RowReader reader(*rows);
    const RowContext context{colours, source.itemPageUrl, QUrl::fromLocalFile(source.appPath)};

    QElapsedTimer sinceEvents;
    sinceEvents.start();
    int position = -1;
    for (int i = 1; i <= rows->Count(); ++i) {
        const ListItem *row = rows->Item(i);
        if (!source.passesFilter || source.passesFilter(row)) {
            ++position;
            const RowFields fields = reader.read(*row, i);
            const bool named = !highlight.isEmpty() && fields.itemNumber == highlight;

            // An ended row that the page already shows at this place is left
            // as it is, unless everything is to be written.
            if (position >= page.timeLeft.size() || position >= page.itemNumber.size()) {
                result.failure = missingElement(position >= page.timeLeft.size() ? QLatin1String("timeleft")
                                                                                  : QLatin1String("itemnumber"),
                                                position);
                return result;
            }
            const bool forceAll = source.forceRefreshAll && *source.forceRefreshAll;
            if (page.timeLeft.at(position) == TrackedAuction::kEnded && page.itemNumber.at(position) == fields.itemNumber
                && !updateAll && !forceAll && !named) {
                ++result.skipped;
            } else {
                QList<ElementWrite> writes;
                try {
                    writes = RowWrites(fields, position, updateAll, named, context);
                } catch (const VbError &e) {
                    result.failure = e.description();
                    return result;
                }
                for (const ElementWrite &w : writes) {
                    if (position >= page.count(w.id)) {
                        result.failure = missingElement(w.id, position);
                        return result;
                    }
                    apply(*m_browser, w, position);
                }
                ++result.written;
            }
        }

        // Clicks and timer ticks run between rows; letting them in after
        // every row would hand the page a thousand small batches instead of
        // a few large ones, so they run once a slice of time has passed.
        if (sinceEvents.elapsed() < kEventSliceMs)
            continue;
        Vb::DoEvents();
        sinceEvents.restart();
        if (!self || !rows || !m_browser)
            return result;
        if (m_generation != generation) {
            result.superseded = true;
            return result;
        }
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
    s.forceRefreshAll = &form.blnForceRefreshAll;
    s.itemPageUrl = HostRoles::url(HostRoles::Role::SiteItem, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item="), false,
                                   frmSettings::instance().SiteDomain());
    s.appPath = basGeneral::AppPath();
    return s;
}

} // namespace

void frmMain::RebuildHTMLList()
{
    HtmlList::Page::of(*HTMLList).Rebuild(listSource(*this), basGeneral::AppPath() + QStringLiteral("default.tmt"),
                                          varAltColors);
}

void frmMain::SyncHTMLList(bool UpdateAll, const QString &strItemNum)
{
    HtmlList::Page::of(*HTMLList).Sync(listSource(*this), varAltColors, UpdateAll, strItemNum);
}

void frmMain::HTMLList_BeforeNavigate2(const QString &URL, bool &Cancel)
{
    // The list page never goes away: only the blank page and the page the
    // list is written into may load.
    if (HtmlList::IsListPage(*HTMLList, URL))
        return;
    Cancel = true;

    // ---- Links of the list page ----------------------------------------
    // Web links ("http://") open in the browser below the list and the rows'
    // commands ("tmr:///remove=", "remind=", "edit=", "notes=" with the row
    // index) act on one row; they are to be handled here, and until then a
    // click on one does nothing. The header's "tmr:///sortby=" with a column
    // key sorts the list.
    static const QString kSortBy = QStringLiteral("tmr:///sortby=");
    if (!URL.startsWith(kSortBy))
        return;
    try {
        // Every sort turns the order round first, whatever the column.
        ListView &list = *lvwAuctions;
        list.SortOrder = list.SortOrder == 0 ? 1 : 0;
        const QString key = URL.mid(kSortBy.size());
        const int column = key == QLatin1String("itemnumber") ? 0 : list.SubItemIndex(key);
        if (column < 0)
            throw VbError(VbErr::InvalidProcedureCall, QStringLiteral("No column has the key \"%1\"").arg(key));
        list.SortKey = column;
        QPointer<frmMain> self(this);
        list.setSorted(true); // reading the values lets events run
        if (!self)
            return;
        SaveSetting(QStringLiteral("Sort Key"), QString::number(list.SortKey));
        SaveSetting(QStringLiteral("Sort Order"), QString::number(list.SortOrder));
        RebuildHTMLList();
    } catch (const std::exception &) {
        if (frmSplash::isLoaded())
            frmSplash::unloadInstance();
        Vb::MsgBox(QStringLiteral("Failed to execute list command:\r\n\r\n") + URL, Vb::vbExclamation);
    }
}
