#pragma once

#include <QHash>
#include <QJsonArray>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <functional>

class QWebEngineLoadingInfo;
class QWebEngineProfile;
class WebBrowser;

// One element of the document shown in a WebBrowser: the index-th element
// (from 0, in document order) of all elements whose id matches, ignoring
// case. A handle is only an address; the element is looked up on every call,
// so a handle survives the page being rewritten.
//
// Reads of an element that does not exist give an empty text or 0; writes to
// it are dropped (exists() tells the two cases apart). Writes are queued and
// reach the page, in order, with the next read or as soon as the event loop
// runs, so writing the cells of a whole list costs one round trip.
class HtmlElement final
{
public:
    HtmlElement() = default;

    bool exists() const;
    QString tagName() const; // in capitals: "TD", "SPAN"

    // The text as shown: runs of white space as one blank, none at the ends
    // (also for a hidden element); line breaks where the element has them.
    QString innerText() const;
    void setInnerText(const QString &text) const; // plain text, markup shows literally; "\n" breaks the line
    QString innerHTML() const; // in the page readers' form, like WebBrowser::DocumentHTML
    void setInnerHTML(const QString &html) const;
    QString outerHTML() const;
    QString title() const; // the tooltip
    void setTitle(const QString &text) const;
    QString href() const; // a link's target, resolved against the page
    void setHref(const QString &url) const;
    QString src() const; // a picture's source, resolved against the page
    void setSrc(const QString &url) const;
    QString value() const; // a form field's value
    void setValue(const QString &value) const;

    // Colours in and out as "#rrggbb"; bare hexadecimal digits ("800000") are
    // accepted on the way in, as the list template writes them.
    QString color() const; // style color (text colour)
    void setColor(const QString &colour) const;
    QString backgroundColor() const; // style background-color
    void setBackgroundColor(const QString &colour) const;
    // A style filter by name: "Gray()" shows the element in shades of grey,
    // "Alpha(Opacity=50)" half transparent, "" normally. Reads give back what
    // was set.
    QString filter() const;
    void setFilter(const QString &filter) const;
    QString styleText() const; // the inline style as text
    void setStyleText(const QString &css) const;

    // In pixels. offsetTop/offsetLeft are relative to the offset parent (a
    // table cell's is its table), as the list's pop-ups are placed; pageTop and
    // pageLeft are from the top left corner of the whole document.
    int offsetTop() const;
    int offsetLeft() const;
    int offsetHeight() const;
    int offsetWidth() const;
    int pageTop() const;
    int pageLeft() const;

    // Clicks the element (a link navigates, a button submits). Returns false
    // when there is no such element.
    bool click() const;

    const QString &id() const { return m_id; }
    int index() const { return m_index; }

private:
    friend class WebBrowser;
    HtmlElement(WebBrowser *browser, const QString &id, int index);
    QVariant get(const char *property) const;
    void set(const char *property, const QString &value) const;

    QPointer<WebBrowser> m_browser;
    QString m_id;
    int m_index = 0;
};

// The embedded browser: a QWebEngineView with the methods, properties and
// events the program's windows call it by (Navigate, BeforeNavigate2,
// DocumentComplete ...), and synchronous access to the shown document.
//
// Events. BeforeNavigate2 comes before every navigation: from Navigate()
// itself, from a link clicked in the page, a form sent, a script, a frame and
// the history (not for Refresh or server redirects). A handler that sets
// cancel keeps the page as it is. For Navigate() and for a link clicked in the
// page the event is raised outside the engine, so its handler may read the
// document and open modal windows (a link the handler lets through is then
// followed by the browser). The other kinds arrive while the engine waits for
// the answer: there the document cannot be read, and calls that try return
// empty values at once.
//
// Document access runs a script and waits for its result in a nested event
// loop (timers keep running, user input waits) for at most ScriptTimeout
// milliseconds; a call that runs out of time returns an empty or zero value.
// A read waits until the page has laid out everything written before it,
// which in a long table takes a while: read what a pass needs first (e.g.
// ElementTexts), then write.
// Scripts of the browser run in a world of their own, so page scripts cannot
// interfere with them; values always travel as JSON.
class WebBrowser : public QWebEngineView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebBrowser)

public:
    enum ReadyStates : int {
        READYSTATE_UNINITIALIZED = 0,
        READYSTATE_LOADING = 1,
        READYSTATE_LOADED = 2,
        READYSTATE_INTERACTIVE = 3,
        READYSTATE_COMPLETE = 4,
    };
    // The command numbers of CommandStateChange.
    enum Commands : int { CSC_NAVIGATEFORWARD = 1, CSC_NAVIGATEBACK = 2 };

    explicit WebBrowser(QWidget *parent = nullptr);
    ~WebBrowser() override;

    // ---- the control ----------------------------------------------------
    // Raises BeforeNavigate2 first. An address without a scheme is read the
    // way an address bar would ("www.example.com" is http); an empty address
    // opens about:blank.
    void Navigate(const QString &url);
    void Stop();
    void GoBack(); // without history: nothing happens
    void GoForward();
    void Refresh();
    QString LocationURL() const;
    QString LocationName() const; // the page's title, or its address when it has none
    // True from Navigate() (or the start of any load) until the page is
    // complete, failed or stopped.
    bool Busy() const { return m_busy; }
    int ReadyState() const { return m_readyState; }
    // Pages may not show dialogs: alerts are dropped, confirmations answered
    // OK, prompts cancelled, script errors not logged, file choosers not
    // opened. Off, alerts and confirmations go through Desktop::MsgBox.
    bool Silent = false;
    // Whether the history may be walked. Off (a browser that keeps its one
    // page, such as the HTML list), the context menu keeps only its copying
    // and editing commands (no Back, Forward, Reload, Save or View source, and
    // no menu when nothing else is left), the mouse's back and forward
    // buttons and the keyboard's back and forward keys (Alt+Left, Alt+Right,
    // Backspace, the Back and Forward keys) do nothing, a back or forward
    // navigation from anywhere is turned down before BeforeNavigate2, and
    // whenever a load ends the history is cut to the page shown. On by
    // default.
    void SetHistoryNavigation(bool on);
    bool HistoryNavigation() const { return m_historyNavigation; }

    // ---- the document ---------------------------------------------------
    // The document element's inner HTML in the page readers' form: tag names
    // in capitals, attribute values unquoted when they are one plain word
    // (letters, digits, "-", "_", ".", "#"), link and picture addresses
    // resolved, e.g. <TD vAlign=top width="100%"><A href="http://h/x?a=1&amp;b=2">.
    QString DocumentHTML();
    QString BodyInnerHTML(); // the body's inner HTML in the same form
    QString DocumentTitle(); // the document's own title (empty when it has none)
    bool HasBody();

    // Elements by id, matched without regard to case. An id carried by several
    // elements names them all, in document order.
    int ElementCount(const QString &id);
    HtmlElement Element(const QString &id, int index = 0);
    // The texts of all elements with the id, in document order, in one call.
    QStringList ElementTexts(const QString &id);
    // The ids of a page in one call: how many elements carry each id (by
    // lower-case id), and the texts of the elements with the ids asked for.
    struct PageIds
    {
        bool ok = false; // false when the page could not be read
        QHash<QString, int> counts;
        QHash<QString, QStringList> texts; // by the id as asked
    };
    PageIds ReadIds(const QStringList &textIds = {});
    bool ClickElement(const QString &id, int index = 0) { return Element(id, index).click(); }

    // Many element writes sent as one operation, queued like HtmlElement's
    // writes: the page takes them all in one script call and lays out once.
    // A write to an element that does not exist is dropped.
    struct ElementValue
    {
        enum Property { InnerText, Title, Href, Src, Color, BackgroundColor, Filter };
        QString id; // matched as Element() matches it
        int index = 0;
        Property property = InnerText;
        QString value;
    };
    void SetElementValues(const QList<ElementValue> &values);
    // Whether document calls can reach the page now (a page is there and no
    // engine callback is running).
    bool CanRunScripts() const { return canRunScripts(); }

    // The page's scrolling: the body stands for the viewport.
    int BodyScrollTop();
    void SetBodyScrollTop(int pixels); // queued like element writes
    int BodyClientHeight();
    int BodyScrollHeight();
    void ScrollBy(int x, int y); // window.scrollBy, queued like element writes

    // Forms by position (from 0) or by name (its name or id; exact first,
    // then ignoring case). Fields by name (or id). False when the form or the
    // field is missing.
    int FormCount();
    bool SetFormField(int form, const QString &field, const QString &value);
    bool SetFormField(const QString &form, const QString &field, const QString &value);
    // Sends the form without its onsubmit handler, as form.submit() did.
    bool SubmitForm(int form);
    bool SubmitForm(const QString &form);

    // Runs a script in the page's own world (it sees the page's variables)
    // and returns its value: numbers as double, strings, bools, arrays as
    // QVariantList, objects as QVariantMap; an invalid QVariant on time-out.
    QVariant ExecScript(const QString &script);

    // Writing a document in pieces. DocumentOpen starts a new document in the
    // host page (loaded first, unseen and without events, when the browser
    // shows another page). DocumentWrite adds a piece; pieces are kept and
    // written in one go with the next read, DocumentClose or event-loop turn,
    // so a thousand rows cost one write. As with document.write the document
    // stays open, and pieces go on where the last one ended, until
    // DocumentClose or until a navigation starts (a link followed or turned
    // down included); a piece written after that starts a new document, as
    // does a piece written before any DocumentOpen. DocumentClear drops the
    // pieces not yet written and ends the open document.
    void DocumentClear();
    void DocumentOpen();
    void DocumentWrite(const QString &piece);
    void DocumentClose();
    // Shows a whole document at once, in place of the page (the host page
    // loaded first, as for DocumentOpen): parsed apart and laid out once,
    // far quicker than writing it for a large page. A text with scripts, or
    // one that would change the page's quirks or standards mode, is written
    // with DocumentOpen and DocumentWrite instead. The document is closed.
    // Returns the new page's ids as ReadIds does, read in the same step, so
    // the caller need not wait while the browser lays the page out.
    PageIds DocumentReplace(const QString &html, const QStringList &textIds = {});
    // The page that written documents live in: a file:// page, so relative
    // addresses resolve against its folder and "tmr:" links work. Default:
    // blank.htm in the program's folder (created when missing), or in the
    // user's private data folder where the program's folder is not the
    // user's to write; only ever a file of the user's own.
    void SetDocumentHostFile(const QString &path) { m_hostFile = path; }
    QString DocumentHostFile() const;

    // Milliseconds a document call waits for the page; and how many calls
    // ran out of time since the browser was made.
    int ScriptTimeout = 5000;
    int ScriptTimeouts() const { return m_scriptTimeouts; }

    // The profile every WebBrowser shares, so every tab sees one eBay
    // sign-in: kept in the program's data folder, so the eBay
    // sign-in survives a restart, with the "tmr" handler installed.
    static QWebEngineProfile *sharedProfile();

signals:
    void BeforeNavigate2(const QString &url, bool &cancel);
    // A page finished loading (also when it failed and shows an error page;
    // not after Stop). url is the address now shown.
    void DocumentComplete(const QString &url);
    // The page wants a new window for url (a link with a target, window.open).
    // Leave target null to open it in this browser, set it to another
    // browser to open it there, or set cancel. The target gets Navigate(url).
    void NewWindow2(const QString &url, WebBrowser *&target, bool &cancel);
    // Progress of a load in 0..progressMax; -1 once the load has ended.
    void ProgressChange(int progress, int progressMax);
    // The text for a status bar: the address under the mouse, "Done".
    void StatusTextChange(const QString &text);
    // After every address change, title change and finished load, once for
    // forward (1) and once for back (2), with whether that step is possible.
    void CommandStateChange(int command, bool enabled);
    void TitleChange(const QString &title);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void childEvent(QChildEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class HtmlElement;
    friend class WebBrowserPage;
    friend class NewWindowCatcher;

    bool onNavigationRequest(const QUrl &url, QWebEnginePage::NavigationType type, bool isMainFrame);
    void onDeferredLinkClick(const QUrl &url);
    QWebEnginePage *onCreateWindow();
    void onNewWindowUrl(const QUrl &url);
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void onLoadProgress(int progress);
    void emitCommandState();
    void ignoreLoadOf(const QUrl &url);
    bool linkLoadAborted(const QWebEngineLoadingInfo &info);
    bool ignoredLoadEvent(const QWebEngineLoadingInfo &info);
    void startLoad(const QUrl &url);
    bool walksHistory(QEvent *event) const;
    void forgetHistory();

    // Document calls.
    void queue(const QJsonArray &op);
    QVariant call(const QJsonArray &op);
    void flushQueued();
    QJsonArray takeQueued();
    QVariant evaluate(const QString &script, quint32 world);
    bool waitUntil(const std::function<bool()> &done, int ms);
    bool canRunScripts() const;
    bool ensureHostPage(bool reload);

    bool m_historyNavigation = true;
    int m_readyState = READYSTATE_UNINITIALIZED;
    bool m_busy = false;
    bool m_inEngineCallback = false;
    int m_scriptTimeouts = 0;

    // Loads the engine reports for navigations this side turned down.
    struct IgnoredLoad
    {
        QString url;
        qint64 since = 0;
    };
    QList<IgnoredLoad> m_ignored;
    // A clicked link the program let through, which this side now loads.
    // The engine sometimes aborts that load while it is still finishing the
    // click it was told to drop; such a load is started again, a few times.
    QUrl m_linkToFollow;
    int m_linkAttempts = 0;

    // Operations waiting for the next round trip; written pieces gather in
    // m_pieces until an operation follows them.
    QJsonArray m_queued;
    QStringList m_pieces;
    bool m_documentOpen = false;
    QTimer m_flushTimer;

    QString m_hostFile;
    bool m_hostLoading = false;
};
