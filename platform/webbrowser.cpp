#include "platform/webbrowser.h"

#include "platform/certificatepass.h"
#include "platform/folders.h"
#include "platform/msgbox.h"
#include "platform/privatefile.h"
#include "platform/schemes.h"
#include "platform/webbrowser_script.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QSaveFile>
#include <QSslCertificate>
#include <QSslError>
#include <QThread>
#include <QWebEngineCertificateError>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>

#include <algorithm>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr quint32 kOwnWorld = QWebEngineScript::ApplicationWorld;
constexpr quint32 kPageWorld = QWebEngineScript::MainWorld;
// How long a turned-down navigation's load reports are waited for.
constexpr qint64 kIgnoreForMs = 10000;
// The engine's error code of a load that was cut off (net::ERR_ABORTED).
constexpr int kAborted = -3;
// Loads of a let-through link, the first included, before an abort stands.
constexpr int kLinkAttempts = 3;

QJsonArray op(std::initializer_list<QJsonValue> values)
{
    return QJsonArray(values);
}

QString toText(const QVariant &v)
{
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

int toInt(const QVariant &v)
{
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? int(d) : 0;
}

QUrl addressToUrl(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QUrl(QStringLiteral("about:blank"));
    QUrl url(t);
    // "www.example.com" or "localhost:8080/x": read as an address bar would.
    if (url.isRelative() || url.scheme().size() < 2 || t.startsWith(QLatin1String("localhost:")))
        url = QUrl::fromUserInput(t);
    return url.isValid() ? url : QUrl(QStringLiteral("about:blank"));
}

const char kHostPage[] = "<html><head></head><body></body></html>\r\n";

bool writeHostPage(const QString &path)
{
    QSaveFile f(path);
    if (!PrivateFile::open(f))
        return false;
    f.write(kHostPage);
    return f.commit();
}

// A host page the list may live in: a plain file of this user's that nobody
// else may change. Anything else (planted by another user, a link) could
// run its own script beside the list and read it.
bool isOwnHostPage(const QString &path)
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid()
           && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// blank.htm in `folder`: the user's own one there, or one written now;
// empty when neither.
QString hostPageIn(const QString &folder)
{
    if (folder.isEmpty())
        return {};
    const QString path = folder + QStringLiteral("/blank.htm");
    if (isOwnHostPage(path))
        return path;
    if (!QFileInfo(path).isSymLink() && !QFileInfo::exists(path) && writeHostPage(path) && isOwnHostPage(path))
        return path;
    return {};
}

} // namespace

// ---------------------------------------------------------------------------
// The engine's page, which hands its decisions to the browser.

class WebBrowserPage final : public QWebEnginePage
{
public:
    WebBrowserPage(QWebEngineProfile *profile, WebBrowser *owner) : QWebEnginePage(profile, owner), m_owner(owner) {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        return m_owner->onNavigationRequest(url, type, isMainFrame);
    }

    QWebEnginePage *createWindow(WebWindowType) override { return m_owner->onCreateWindow(); }

    void javaScriptAlert(const QUrl &, const QString &msg) override
    {
        if (!m_owner->Silent)
            Desktop::MsgBox(msg, Desktop::BoxExclamation);
    }

    bool javaScriptConfirm(const QUrl &, const QString &msg) override
    {
        if (m_owner->Silent)
            return true;
        return Desktop::MsgBox(msg, Desktop::BoxOKCancel | Desktop::BoxQuestion) == Desktop::AnswerOK;
    }

    bool javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *) override
    {
        return false; // there is no input box to show it in
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int line,
                                  const QString &source) override
    {
        if (!m_owner->Silent)
            QWebEnginePage::javaScriptConsoleMessage(level, message, line, source);
    }

    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles, const QStringList &types) override
    {
        if (m_owner->Silent)
            return {};
        return QWebEnginePage::chooseFiles(mode, oldFiles, types);
    }

private:
    WebBrowser *m_owner;
};

// A page that only exists to learn where a new window was going: it takes the
// first address, turns the load down and hands the address to its browser.
class NewWindowCatcher final : public QWebEnginePage
{
public:
    NewWindowCatcher(QWebEngineProfile *profile, WebBrowser *owner) : QWebEnginePage(profile, owner), m_owner(owner)
    {
        // A window opened without an address never navigates.
        QTimer::singleShot(30000, this, [this] { deleteLater(); });
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (!m_done && isMainFrame) {
            m_done = true;
            if (WebBrowser *owner = m_owner) {
                QMetaObject::invokeMethod(
                    owner, [owner, url] { owner->onNewWindowUrl(url); }, Qt::QueuedConnection);
            }
            deleteLater();
        }
        return false;
    }

private:
    QPointer<WebBrowser> m_owner;
    bool m_done = false;
};

// ---------------------------------------------------------------------------
// HtmlElement

HtmlElement::HtmlElement(WebBrowser *browser, const QString &id, int index)
    : m_browser(browser), m_id(id), m_index(index)
{
}

QVariant HtmlElement::get(const char *property) const
{
    if (!m_browser)
        return {};
    return m_browser->call(op({QStringLiteral("get"), m_id, m_index, QString::fromLatin1(property)}));
}

void HtmlElement::set(const char *property, const QString &value) const
{
    if (m_browser)
        m_browser->queue(op({QStringLiteral("set"), m_id, m_index, QString::fromLatin1(property), value}));
}

bool HtmlElement::exists() const { return get("exists").toBool(); }
QString HtmlElement::tagName() const { return toText(get("tagName")); }
QString HtmlElement::innerText() const { return toText(get("innerText")); }
void HtmlElement::setInnerText(const QString &text) const { set("innerText", text); }
QString HtmlElement::innerHTML() const { return toText(get("innerHTML")); }
void HtmlElement::setInnerHTML(const QString &html) const { set("innerHTML", html); }
QString HtmlElement::outerHTML() const { return toText(get("outerHTML")); }
QString HtmlElement::title() const { return toText(get("title")); }
void HtmlElement::setTitle(const QString &text) const { set("title", text); }
QString HtmlElement::href() const { return toText(get("href")); }
void HtmlElement::setHref(const QString &url) const { set("href", url); }
QString HtmlElement::src() const { return toText(get("src")); }
void HtmlElement::setSrc(const QString &url) const { set("src", url); }
QString HtmlElement::value() const { return toText(get("value")); }
void HtmlElement::setValue(const QString &value) const { set("value", value); }
QString HtmlElement::color() const { return toText(get("color")); }
void HtmlElement::setColor(const QString &colour) const { set("color", colour); }
QString HtmlElement::backgroundColor() const { return toText(get("backgroundColor")); }
void HtmlElement::setBackgroundColor(const QString &colour) const { set("backgroundColor", colour); }
QString HtmlElement::filter() const { return toText(get("filter")); }
void HtmlElement::setFilter(const QString &filter) const { set("filter", filter); }
QString HtmlElement::styleText() const { return toText(get("styleText")); }
void HtmlElement::setStyleText(const QString &css) const { set("styleText", css); }
int HtmlElement::offsetTop() const { return toInt(get("offsetTop")); }
int HtmlElement::offsetLeft() const { return toInt(get("offsetLeft")); }
int HtmlElement::offsetHeight() const { return toInt(get("offsetHeight")); }
int HtmlElement::offsetWidth() const { return toInt(get("offsetWidth")); }
int HtmlElement::pageTop() const { return toInt(get("pageTop")); }
int HtmlElement::pageLeft() const { return toInt(get("pageLeft")); }

bool HtmlElement::click() const
{
    if (!m_browser)
        return false;
    return m_browser->call(op({QStringLiteral("click"), m_id, m_index})).toBool();
}

// ---------------------------------------------------------------------------
// WebBrowser: the control

WebBrowser::WebBrowser(QWidget *parent) : QWebEngineView(parent)
{
    auto *page = new WebBrowserPage(sharedProfile(), this);
    setPage(page);

    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(0);
    connect(&m_flushTimer, &QTimer::timeout, this, &WebBrowser::flushQueued);

    // The engine's reports are handled one event-loop turn later: outside the
    // engine's own call, a handler may read the document, show a window or
    // even close the window that holds this browser.
    connect(page, &QWebEnginePage::loadingChanged, this, &WebBrowser::onLoadingChanged, Qt::QueuedConnection);
    connect(page, &QWebEnginePage::loadProgress, this, &WebBrowser::onLoadProgress, Qt::QueuedConnection);
    connect(page, &QWebEnginePage::urlChanged, this, &WebBrowser::emitCommandState, Qt::QueuedConnection);
    connect(
        page, &QWebEnginePage::titleChanged, this,
        [this](const QString &title) {
            if (m_hostLoading)
                return;
            QPointer<WebBrowser> self(this);
            emit TitleChange(title);
            if (self)
                emitCommandState();
        },
        Qt::QueuedConnection);
    connect(
        page, &QWebEnginePage::linkHovered, this, [this](const QString &url) { emit StatusTextChange(url); },
        Qt::QueuedConnection);
    connect(page, &QWebEnginePage::certificateError, this, [](const QWebEngineCertificateError &error) {
        QWebEngineCertificateError e = error;
        if (BrowserCertificates::MayPass(e.type(), e.isOverridable(), e.certificateChain(), e.url().host()))
            e.acceptCertificate();
        else
            e.rejectCertificate();
    });

    // The page's input arrives at the engine's widget inside the view; later
    // ones (a new renderer) are caught in childEvent.
    for (QObject *child : children()) {
        if (child->isWidgetType())
            child->installEventFilter(this);
    }
}

WebBrowser::~WebBrowser() = default;

QWebEngineProfile *WebBrowser::sharedProfile()
{
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        profile = new QWebEngineProfile(QStringLiteral("WebBrowser"));
        const QString dir = Folders::localAppData() + QLatin1Char('/') + Desktop::AppTitle() + QStringLiteral("/WebBrowser");
        profile->setPersistentStoragePath(dir);
        profile->setCachePath(dir + QStringLiteral("/Cache"));
        Desktop::InstallUrlSchemeHandlers(profile);
    }
    return profile;
}

void WebBrowser::SetHistoryNavigation(bool on)
{
    m_historyNavigation = on;
}

void WebBrowser::forgetHistory()
{
    if (!m_historyNavigation && history()->count() > 1)
        history()->clear();
}

// The user's ways of walking the history that reach the page: the mouse's
// back and forward buttons and the keyboard's back and forward keys.
bool WebBrowser::walksHistory(QEvent *event) const
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        const Qt::MouseButton button = static_cast<QMouseEvent *>(event)->button();
        return button == Qt::BackButton || button == Qt::ForwardButton;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool alt = key->modifiers() & Qt::AltModifier;
        switch (key->key()) {
        case Qt::Key_Back:
        case Qt::Key_Forward:
        case Qt::Key_Backspace:
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right:
            return alt;
        default:
            return key->matches(QKeySequence::Back) || key->matches(QKeySequence::Forward);
        }
    }
    default:
        return false;
    }
}

void WebBrowser::childEvent(QChildEvent *event)
{
    QWebEngineView::childEvent(event);
    if (event->added() && event->child()->isWidgetType())
        event->child()->installEventFilter(this);
}

bool WebBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_historyNavigation && walksHistory(event)) {
        event->accept();
        return true;
    }
    return QWebEngineView::eventFilter(watched, event);
}

void WebBrowser::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_historyNavigation) {
        QWebEngineView::contextMenuEvent(event);
        return;
    }
    // Only copying and editing stay: no command that loads, saves or walks
    // the history.
    static constexpr QWebEnginePage::WebAction kKept[] = {
        QWebEnginePage::Cut,
        QWebEnginePage::Copy,
        QWebEnginePage::Paste,
        QWebEnginePage::PasteAndMatchStyle,
        QWebEnginePage::Undo,
        QWebEnginePage::Redo,
        QWebEnginePage::SelectAll,
        QWebEnginePage::Unselect,
        QWebEnginePage::CopyLinkToClipboard,
        QWebEnginePage::CopyImageToClipboard,
        QWebEnginePage::CopyImageUrlToClipboard,
        QWebEnginePage::CopyMediaUrlToClipboard,
    };
    QList<QAction *> kept;
    for (QWebEnginePage::WebAction a : kKept)
        kept << pageAction(a);
    QMenu *menu = createStandardContextMenu();
    bool separatorDue = false;
    bool any = false;
    for (QAction *a : menu->actions()) {
        if (a->isSeparator()) {
            separatorDue = any;
            menu->removeAction(a);
        } else if (!kept.contains(a)) {
            menu->removeAction(a);
        } else {
            if (separatorDue)
                menu->insertSeparator(a);
            separatorDue = false;
            any = true;
        }
    }
    event->accept();
    if (!any) {
        delete menu;
        return;
    }
    menu->popup(event->globalPos());
}

void WebBrowser::Navigate(const QString &url)
{
    flushQueued();
    const QUrl target = addressToUrl(url);
    bool cancel = false;
    QPointer<WebBrowser> self(this);
    emit BeforeNavigate2(target.toString(), cancel);
    if (!self || cancel)
        return;
    startLoad(target);
}

void WebBrowser::startLoad(const QUrl &url)
{
    m_linkToFollow.clear();
    // A navigation ends a document that was being written.
    m_pieces.clear();
    m_documentOpen = false;
    m_busy = true;
    m_readyState = READYSTATE_LOADING;
    QPointer<WebBrowser> self(this);
    emit ProgressChange(0, 100);
    if (self)
        load(url);
}

void WebBrowser::Stop()
{
    m_linkToFollow.clear();
    flushQueued();
    page()->triggerAction(QWebEnginePage::Stop);
    if (m_busy) {
        m_busy = false;
        m_readyState = READYSTATE_COMPLETE;
    }
}

void WebBrowser::GoBack()
{
    flushQueued();
    if (history()->canGoBack())
        back();
}

void WebBrowser::GoForward()
{
    flushQueued();
    if (history()->canGoForward())
        forward();
}

void WebBrowser::Refresh()
{
    flushQueued();
    m_pieces.clear();
    m_documentOpen = false;
    reload();
}

QString WebBrowser::LocationURL() const
{
    return url().toString();
}

QString WebBrowser::LocationName() const
{
    const QString t = title();
    return t.isEmpty() ? LocationURL() : t;
}

// ---------------------------------------------------------------------------
// Events

bool WebBrowser::onNavigationRequest(const QUrl &url, QWebEnginePage::NavigationType type, bool isMainFrame)
{
    switch (type) {
    case QWebEnginePage::NavigationTypeTyped:
        // Only this class loads addresses itself: Navigate() has asked
        // already, and the host page and replayed links are not asked for.
    case QWebEnginePage::NavigationTypeReload:
    case QWebEnginePage::NavigationTypeRedirect:
        return true;
    case QWebEnginePage::NavigationTypeBackForward:
        // A page that keeps its place does not go back or forward, whoever asks.
        if (!m_historyNavigation) {
            if (isMainFrame)
                ignoreLoadOf(url);
            return false;
        }
        break;
    case QWebEnginePage::NavigationTypeLinkClicked:
        if (isMainFrame) {
            m_documentOpen = false; // the engine ends the writing of the document now
            // Turned down for now and asked about outside the engine; if the
            // handler lets it go, the link is followed as a load of our own.
            ignoreLoadOf(url);
            QPointer<WebBrowser> self(this);
            QMetaObject::invokeMethod(
                this, [self, url] { if (self) self->onDeferredLinkClick(url); }, Qt::QueuedConnection);
            return false;
        }
        break;
    default:
        break;
    }
    if (isMainFrame)
        m_documentOpen = false; // the engine ends the writing of the document now
    bool cancel = false;
    QPointer<WebBrowser> self(this);
    m_inEngineCallback = true;
    emit BeforeNavigate2(url.toString(), cancel);
    if (!self)
        return false;
    m_inEngineCallback = false;
    if (cancel && isMainFrame)
        ignoreLoadOf(url);
    return !cancel;
}

void WebBrowser::onDeferredLinkClick(const QUrl &url)
{
    bool cancel = false;
    QPointer<WebBrowser> self(this);
    emit BeforeNavigate2(url.toString(), cancel);
    if (!self || cancel)
        return;
    startLoad(url);
    m_linkToFollow = url;
    m_linkAttempts = 1;
}

bool WebBrowser::linkLoadAborted(const QWebEngineLoadingInfo &info)
{
    if (m_linkToFollow.isEmpty() || info.url() != m_linkToFollow
        || info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        return false;
    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus || info.errorCode() != kAborted
        || m_linkAttempts >= kLinkAttempts) {
        m_linkToFollow.clear();
        return false;
    }
    // Aborted by the engine, not by the program (Stop clears the link): go again.
    ++m_linkAttempts;
    const QUrl url = m_linkToFollow;
    QTimer::singleShot(50, this, [this, url] {
        if (m_linkToFollow == url)
            load(url);
    });
    return true;
}

QWebEnginePage *WebBrowser::onCreateWindow()
{
    // The program is asked once the address is known (onNewWindowUrl).
    return new NewWindowCatcher(page()->profile(), this);
}

void WebBrowser::onNewWindowUrl(const QUrl &url)
{
    WebBrowser *target = nullptr;
    bool cancel = false;
    QPointer<WebBrowser> self(this);
    emit NewWindow2(url.toString(), target, cancel);
    if (!self || cancel)
        return;
    QPointer<WebBrowser> destination = target ? target : this;
    if (destination)
        destination->Navigate(url.toString());
}

void WebBrowser::ignoreLoadOf(const QUrl &url)
{
    m_ignored.append({url.toString(), QDateTime::currentMSecsSinceEpoch()});
}

bool WebBrowser::ignoredLoadEvent(const QWebEngineLoadingInfo &info)
{
    // The engine may or may not report a load for a navigation that was
    // turned down; when it does, the load starts and ends aborted. A load of
    // the same address that this side starts itself (a link let through)
    // has set the state already in startLoad().
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    m_ignored.removeIf([now](const IgnoredLoad &i) { return now - i.since > kIgnoreForMs; });
    const QString address = info.url().toString();
    const auto entry = std::find_if(m_ignored.begin(), m_ignored.end(),
                                    [&](const IgnoredLoad &i) { return i.url == address; });
    if (entry == m_ignored.end())
        return false;
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        return true;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        return false;
    default:
        if (info.errorCode() != kAborted)
            return false;
        m_ignored.erase(entry);
        return true;
    }
}

void WebBrowser::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    const bool started = info.status() == QWebEngineLoadingInfo::LoadStartedStatus;
    const QString address = info.url().toString();

    if (!started)
        forgetHistory();
    if (m_hostLoading) {
        // The host page for written documents loads unseen.
        if (info.url().matches(QUrl::fromLocalFile(DocumentHostFile()), QUrl::RemoveFragment)) {
            if (!started)
                m_hostLoading = false;
            return;
        }
    }
    if (linkLoadAborted(info) || ignoredLoadEvent(info))
        return;

    QPointer<WebBrowser> self(this);
    if (started) {
        m_busy = true;
        m_readyState = READYSTATE_LOADING;
        emit ProgressChange(0, 100);
        return;
    }

    m_busy = false;
    m_readyState = READYSTATE_COMPLETE;
    emit ProgressChange(-1, 100);
    if (!self)
        return;
    emit StatusTextChange(QStringLiteral("Done"));
    if (!self)
        return;
    emitCommandState();
    if (!self)
        return;
    if (info.status() != QWebEngineLoadingInfo::LoadStoppedStatus)
        emit DocumentComplete(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus ? LocationURL() : address);
}

void WebBrowser::onLoadProgress(int progress)
{
    if (!m_busy || m_hostLoading)
        return;
    if (progress > 0 && m_readyState == READYSTATE_LOADING)
        m_readyState = READYSTATE_INTERACTIVE;
    emit ProgressChange(progress, 100);
}

void WebBrowser::emitCommandState()
{
    if (m_hostLoading)
        return;
    QPointer<WebBrowser> self(this);
    const bool forward = history()->canGoForward();
    const bool back = history()->canGoBack();
    emit CommandStateChange(CSC_NAVIGATEFORWARD, forward);
    if (self)
        emit CommandStateChange(CSC_NAVIGATEBACK, back);
}

// ---------------------------------------------------------------------------
// Document calls

bool WebBrowser::canRunScripts() const
{
    // A page that never loaded anything has no renderer to answer.
    return !m_inEngineCallback && (!url().isEmpty() || m_readyState != READYSTATE_UNINITIALIZED);
}

void WebBrowser::queue(const QJsonArray &operation)
{
    if (!m_pieces.isEmpty()) {
        m_queued.append(op({QStringLiteral("write"), m_pieces.join(QString())}));
        m_pieces.clear();
    }
    m_queued.append(operation);
    m_flushTimer.start();
}

QJsonArray WebBrowser::takeQueued()
{
    if (!m_pieces.isEmpty()) {
        m_queued.append(op({QStringLiteral("write"), m_pieces.join(QString())}));
        m_pieces.clear();
    }
    QJsonArray batch;
    batch.swap(m_queued);
    m_flushTimer.stop();
    return batch;
}

void WebBrowser::flushQueued()
{
    const QJsonArray batch = takeQueued();
    if (batch.isEmpty() || !canRunScripts())
        return;
    // Scripts run in the order they were sent, so nothing needs to wait here.
    page()->runJavaScript(WebBrowserScript::batchScript(batch), kOwnWorld);
}

QVariant WebBrowser::call(const QJsonArray &operation)
{
    QJsonArray batch = takeQueued();
    batch.append(operation);
    if (!canRunScripts())
        return {};
    // Most documents have the library already; a new one gets it on the
    // second try (nothing of the batch ran on the first).
    QVariant result = evaluate(WebBrowserScript::shortBatchScript(batch), kOwnWorld);
    if (result.typeId() == QMetaType::QString && result.toString() == WebBrowserScript::missingLibrary())
        result = evaluate(WebBrowserScript::batchScript(batch), kOwnWorld);
    return result;
}

bool WebBrowser::waitUntil(const std::function<bool()> &done, int ms)
{
    // The engine hands its work to this thread as posted events. An event
    // loop nested in a handler that runs just after a page has loaded does
    // not always deliver those, so they are sent here directly; user input
    // waits until the call is over. The first milliseconds are spent
    // polling (most answers take less than one), then the thread naps
    // between rounds.
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= ms)
            return false;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (done())
            break;
        if (clock.elapsed() > 5)
            QThread::msleep(1);
    }
    return true;
}

QVariant WebBrowser::evaluate(const QString &script, quint32 world)
{
    struct Pending
    {
        QVariant value;
        bool done = false;
    };
    // Shared with the callback, which may come after a time-out (or never).
    auto pending = std::make_shared<Pending>();
    page()->runJavaScript(script, world, [pending](const QVariant &v) {
        pending->value = v;
        pending->done = true;
    });
    if (!pending->done) {
        QPointer<WebBrowser> self(this);
        const bool answered = waitUntil([&] { return pending->done || !self; }, ScriptTimeout);
        if (!self)
            return {};
        if (!answered) {
            ++m_scriptTimeouts;
            return {};
        }
    }
    return pending->value;
}

QString WebBrowser::DocumentHTML() { return toText(call(op({QStringLiteral("documentHtml")}))); }
QString WebBrowser::BodyInnerHTML() { return toText(call(op({QStringLiteral("bodyHtml")}))); }
QString WebBrowser::DocumentTitle() { return toText(call(op({QStringLiteral("title")}))); }
bool WebBrowser::HasBody() { return call(op({QStringLiteral("hasBody")})).toBool(); }

int WebBrowser::ElementCount(const QString &id) { return toInt(call(op({QStringLiteral("count"), id}))); }

QStringList WebBrowser::ElementTexts(const QString &id)
{
    QStringList texts;
    const QVariantList values = call(op({QStringLiteral("texts"), id})).toList();
    texts.reserve(values.size());
    for (const QVariant &v : values)
        texts << toText(v);
    return texts;
}

void WebBrowser::SetElementValues(const QList<ElementValue> &values)
{
    if (values.isEmpty())
        return;
    static const QString kProperties[] = {
        QStringLiteral("innerText"), QStringLiteral("title"),           QStringLiteral("href"),   QStringLiteral("src"),
        QStringLiteral("color"),     QStringLiteral("backgroundColor"), QStringLiteral("filter"),
    };
    QHash<QString, int> idNumbers;
    QJsonArray ids;
    QJsonArray properties;
    for (const QString &name : kProperties)
        properties.append(name);
    QJsonArray flat;
    for (const ElementValue &v : values) {
        auto known = idNumbers.constFind(v.id);
        if (known == idNumbers.constEnd()) {
            known = idNumbers.insert(v.id, int(ids.size()));
            ids.append(v.id);
        }
        flat.append(*known);
        flat.append(v.index);
        flat.append(int(v.property));
        flat.append(v.value);
    }
    queue(op({QStringLiteral("setMany"), ids, properties, flat}));
}

HtmlElement WebBrowser::Element(const QString &id, int index)
{
    return HtmlElement(this, id, index);
}

int WebBrowser::BodyScrollTop() { return toInt(call(op({QStringLiteral("metric"), QStringLiteral("scrollTop")}))); }
int WebBrowser::BodyClientHeight() { return toInt(call(op({QStringLiteral("metric"), QStringLiteral("clientHeight")}))); }
int WebBrowser::BodyScrollHeight() { return toInt(call(op({QStringLiteral("metric"), QStringLiteral("scrollHeight")}))); }
void WebBrowser::SetBodyScrollTop(int pixels) { queue(op({QStringLiteral("setScrollTop"), pixels})); }
void WebBrowser::ScrollBy(int x, int y) { queue(op({QStringLiteral("scrollBy"), x, y})); }

int WebBrowser::FormCount() { return toInt(call(op({QStringLiteral("formCount")}))); }

bool WebBrowser::SetFormField(int form, const QString &field, const QString &value)
{
    return call(op({QStringLiteral("formField"), form, field, value})).toBool();
}

bool WebBrowser::SetFormField(const QString &form, const QString &field, const QString &value)
{
    return call(op({QStringLiteral("formField"), form, field, value})).toBool();
}

bool WebBrowser::SubmitForm(int form) { return call(op({QStringLiteral("formSubmit"), form})).toBool(); }
bool WebBrowser::SubmitForm(const QString &form) { return call(op({QStringLiteral("formSubmit"), form})).toBool(); }

QVariant WebBrowser::ExecScript(const QString &script)
{
    // Queued writes go first; scripts run in the order they are sent.
    flushQueued();
    if (!canRunScripts())
        return {};
    return evaluate(script, kPageWorld);
}

// ---------------------------------------------------------------------------
// Writing a document

QString WebBrowser::DocumentHostFile() const
{
    if (!m_hostFile.isEmpty())
        return m_hostFile;
    // Beside the program, so relative addresses resolve against its folder;
    // where that folder is not the user's to write (an installed copy), in
    // the user's private data folder. Checked again at every use.
    static QString path;
    if (path.isEmpty() || !isOwnHostPage(path)) {
        path = hostPageIn(Folders::program());
        if (path.isEmpty())
            path = hostPageIn(Folders::privateData(Desktop::AppTitle()));
    }
    return path;
}

bool WebBrowser::ensureHostPage(bool reload)
{
    const QUrl host = QUrl::fromLocalFile(DocumentHostFile());
    if (!reload && url().matches(host, QUrl::RemoveFragment) && !m_busy)
        return true;
    m_hostLoading = true;
    m_pieces.clear();
    m_documentOpen = false;
    load(host);
    QPointer<WebBrowser> self(this);
    waitUntil([&] { return !self || !m_hostLoading; }, ScriptTimeout);
    if (!self)
        return false;
    const bool loaded = !m_hostLoading;
    m_hostLoading = false;
    m_busy = false;
    m_readyState = READYSTATE_COMPLETE;
    return loaded;
}

void WebBrowser::DocumentClear()
{
    m_pieces.clear();
    m_documentOpen = false;
}

void WebBrowser::DocumentOpen()
{
    m_pieces.clear();
    m_documentOpen = false;
    flushQueued(); // element writes still queued belong to the old document
    if (!ensureHostPage(false))
        return;
    // A document whose writing was cut off by a navigation (a link followed
    // or turned down, Stop) takes no more writes; a fresh host page does.
    if (!call(op({QStringLiteral("open")})).toBool()) {
        if (!ensureHostPage(true) || !call(op({QStringLiteral("open")})).toBool())
            return;
    }
    m_documentOpen = true;
}

void WebBrowser::DocumentWrite(const QString &piece)
{
    if (!m_documentOpen)
        DocumentOpen();
    if (!m_documentOpen)
        return;
    m_pieces.append(piece);
    m_flushTimer.start();
}

namespace {

WebBrowser::PageIds pageIdsFrom(const QVariant &read)
{
    WebBrowser::PageIds ids;
    if (read.typeId() != QMetaType::QVariantMap)
        return ids;
    const QVariantMap map = read.toMap();
    const QVariantMap counts = map.value(QStringLiteral("counts")).toMap();
    for (auto it = counts.begin(); it != counts.end(); ++it)
        ids.counts.insert(it.key(), it.value().toInt());
    const QVariantMap texts = map.value(QStringLiteral("texts")).toMap();
    for (auto it = texts.begin(); it != texts.end(); ++it)
        ids.texts.insert(it.key(), it.value().toStringList());
    ids.ok = true;
    return ids;
}

} // namespace

WebBrowser::PageIds WebBrowser::ReadIds(const QStringList &textIds)
{
    return pageIdsFrom(call(op({QStringLiteral("ids"), QJsonArray::fromStringList(textIds)})));
}

WebBrowser::PageIds WebBrowser::DocumentReplace(const QString &html, const QStringList &textIds)
{
    m_pieces.clear();
    DocumentClose(); // an open document ends before it is replaced
    flushQueued(); // element writes still queued belong to the old document
    if (ensureHostPage(false)) {
        const QVariant read = call(op({QStringLiteral("replace"), html, QJsonArray::fromStringList(textIds)}));
        if (read.typeId() == QMetaType::QVariantMap)
            return pageIdsFrom(read);
    }
    DocumentOpen();
    DocumentWrite(html);
    return ReadIds(textIds);
}

void WebBrowser::DocumentClose()
{
    if (!m_documentOpen)
        return;
    m_documentOpen = false;
    call(op({QStringLiteral("close")}));
}
