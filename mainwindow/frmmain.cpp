#include "mainwindow/frmmain.h"

#include "foundation/frmsettings.h"
#include "foundation/frmsplash.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/statusbar.h"
#include "platform/toolbar.h"
#include "platform/numberederror.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"

#include <QAction>
#include <QComboBox>
#include <QProgressBar>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>

namespace {

const QString kLastLoadStep = QStringLiteral("Last Load Step");

void splashStep(const QString &label, int progress)
{
    if (!frmSplash::isLoaded())
        return;
    frmSplash &splash = frmSplash::instance();
    if (!label.isEmpty())
        splash.lblStatus->setText(label);
    splash.SetProgress(progress);
    Desktop::DoEvents();
}

// The program's icon (window, task bar and notification area): a gavel head
// drawn in code so no picture file is needed.
QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x8a, 0x5a, 0x2b));
        p.drawRoundedRect(QRectF(2, 2, 9, 5), 1.5, 1.5);
        p.setBrush(QColor(0x5c, 0x3a, 0x1a));
        p.drawRect(QRectF(5.5, 7, 2, 7.5));
        p.setBrush(QColor(0x3b, 0x6e, 0xa5));
        p.drawEllipse(QRectF(10, 9, 5, 5));
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace

void frmMain::registerAsMainWindow()
{
    frmMainShell::setFactory([] { return new frmMain; });
}

frmMain &frmMain::instance()
{
    if (!frmMainShell::hasFactory())
        registerAsMainWindow();
    return static_cast<frmMain &>(frmMainShell::instance());
}

frmMain::frmMain()
{
    setObjectName(QStringLiteral("frmMain"));
    resize(800, 600);
    setWindowIcon(programIcon());
    Client = new QWidget(this);
    setCentralWidget(Client);
    for (QWidget *w : {static_cast<QWidget *>(HTMLList), static_cast<QWidget *>(WebBrowser)})
        w->setParent(Client);
    // The plain list view, hidden unless the support console brings it back,
    // lies over the HTML list's place.
    lvwAuctions->setParent(Client);
    lvwAuctions->hide();

    BrowserTabs = new QTabBar(Client);
    BrowserTabs->setDocumentMode(true);
    BrowserTabs->setExpanding(false);
    cmdCloseTab = new QToolButton(Client);
    cmdCloseTab->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    cmdCloseTab->setAutoRaise(true);
    cmdCloseTab->setToolTip(QStringLiteral("Close Tab"));
    BrowserNotification = new QFrame(Client);
    BrowserNotification->setStyleSheet(QStringLiteral("background: #ffffe1; border-bottom: 1px solid #c8c8a0;"));
    lblBrowserNotification1 = new QLabel(BrowserNotification);
    lblBrowserNotification1->setTextFormat(Qt::PlainText);
    lblBrowserNotification1->move(6, 3);
    frmResizeList = new QFrame(Client);
    frmResizeList->setFrameShape(QFrame::HLine);
    frmResizeList->setFrameShadow(QFrame::Raised);
    frmResizeList->setCursor(Qt::SizeVerCursor);
    frmResizeList->installEventFilter(this);

    // Design-time places (twips) on which the layout's formulas rest.
    SetTop(HTMLList, 90);
    SetLeft(HTMLList, 0);
    SetHeight(BrowserTabs, 330);
    SetHeight(frmResizeList, 90);
    SetLeft(frmResizeList, 0);
    SetWidth(cmdCloseTab, 330);
    SetHeight(cmdCloseTab, 300);
    SetLeft(WebBrowser, 0);
    SetLeft(BrowserTabs, 0);
    SetLeft(BrowserNotification, 0);

    buildImageList();
    buildMenus();
    connect(StatusBar, &::StatusBar::PanelClick, this, [this](StatusPanel *p) { StatusBar_PanelClick(p->Key()); });
    connect(HTMLList, &::WebBrowser::BeforeNavigate2, this, &frmMain::HTMLList_BeforeNavigate2);
    connect(Toolbar, &::Toolbar::ButtonClick, this, &frmMain::Toolbar_ButtonClick);
    buildBrowserBands();
    connectBrowserEvents();
}

void frmMain::buildImageList()
{
    QStyle *s = style();
    auto drawn = [](QColor colour, const QString &glyph) {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(colour);
        p.setPen(colour.darker(140));
        p.drawRoundedRect(1, 1, 14, 14, 3, 3);
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, glyph);
        return QIcon(pm);
    };
    m_images.insert(QStringLiteral("Edit Auction"), drawn(QColor(0x3b6ea5), QStringLiteral("E")));
    m_images.insert(QStringLiteral("Auto Scroll"), s->standardIcon(QStyle::SP_ArrowDown));
    m_images.insert(QStringLiteral("Add Auction"), drawn(QColor(0x2e8b57), QStringLiteral("$")));
    m_images.insert(QStringLiteral("Watch Auction"), drawn(QColor(0x4682b4), QStringLiteral("W")));
    m_images.insert(QStringLiteral("Filter"), drawn(QColor(0x8b6914), QStringLiteral("F")));
    m_images.insert(QStringLiteral("Remove Auction"), drawn(QColor(0xb22222), QStringLiteral("x")));
    m_images.insert(QStringLiteral("Settings"), s->standardIcon(QStyle::SP_FileDialogDetailedView));
    m_images.insert(QStringLiteral("Refresh List"), drawn(QColor(0x556b2f), QStringLiteral("R")));
    m_images.insert(QStringLiteral("Back"), s->standardIcon(QStyle::SP_ArrowBack));
    m_images.insert(QStringLiteral("Forward"), s->standardIcon(QStyle::SP_ArrowForward));
    m_images.insert(QStringLiteral("Refresh"), s->standardIcon(QStyle::SP_BrowserReload));
    m_images.insert(QStringLiteral("Stop"), s->standardIcon(QStyle::SP_BrowserStop));
    QPixmap arrow(9, 16);
    arrow.fill(Qt::transparent);
    QPainter p(&arrow);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygon({QPoint(1, 6), QPoint(8, 6), QPoint(4, 11)}));
    picDownArrow = arrow;
}

// Runs one start-up step. A size or position a control refuses (error 380)
// clears the stored layout and tries the step once more; a second failure
// goes on with the next step.
void frmMain::loadStep(const QString &step, const std::function<void()> &work)
{
    if (!step.isEmpty())
        SaveSetting(kLastLoadStep, step);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            work();
            return;
        } catch (const NumberedError &e) {
            if (e.number() != ErrorNumber::InvalidPropertyValue)
                throw;
            SaveSetting(QStringLiteral("Window state"), QString());
            SaveSetting(QStringLiteral("List size"), QString());
            SaveSetting(QStringLiteral("View Mode"), QString());
        }
    }
}

void frmMain::Form_Load()
{
    try {
        blnPreventExit = true;
        strLastCB = Desktop::ClipboardText();
        TabURLs = {QStringLiteral("http://") + frmSettings::instance().txteBayDomain->currentText().toLower() + QLatin1Char('/'),
                   QString()};
        setWindowTitle(Desktop::AppTitle());
        BrowserNotification->hide();
        SetHeight(BrowserNotification, 0);
        lblBrowserNotification1->clear();
        lblBrowserNotification2->clear();
        Form_Resize();

        loadStep(QStringLiteral("Reading last run date"), [this] {
            const QDate yesterday = QDate::currentDate().addDays(-1);
            const QString stored = GetSetting(QStringLiteral("Last Date"), yesterday.toString(Qt::ISODate));
            QDate parsed = QDate::fromString(stored, Qt::ISODate);
            if (!parsed.isValid())
                parsed = QLocale::system().toDate(stored, QLocale::ShortFormat);
            LastDate = parsed.isValid() ? parsed : yesterday;
        });
        loadStep(QStringLiteral("Preparing status bar"), [this] { prepareStatusBar(); });
        WebBrowser->Navigate(QStringLiteral("about:blank"));
        HTMLList->Navigate(QStringLiteral("about:blank"));
        Desktop::DoEvents();
        splashStep(QStringLiteral("Loading settings..."), 30);
        blnForceRefresh = true;
        NextRefreshTime = QDateTime::currentDateTime().addSecs(frmSettings::instance().SyncIntervalSeconds());

        splashStep(QStringLiteral("Loading toolbar..."), 40);
        loadStep(QStringLiteral("Preparing toolbar"), [this] { prepareToolbar(); });
        splashStep(QStringLiteral("Preparing list..."), 60);
        loadStep(QStringLiteral("Preparing list view"), [this] { prepareListView(); });
        splashStep(QStringLiteral("Sizing objects..."), 65);
        SaveSetting(kLastLoadStep, QStringLiteral("Sizing objects"));

        // A stored state or size that cannot be used leaves the window as it is.
        try {
            bool ok = false;
            const int state = GetSetting(QStringLiteral("Window state"), 2).toInt(&ok);
            if (ok && state != 1)
                setWindowState(state == 2 ? Qt::WindowMaximized : Qt::WindowNoState);
        } catch (...) {
        }
        try {
            SetTop(frmResizeList, StoredSplitterTop());
        } catch (...) {
        }
        loadStep(QString(), [this] {
            BrowserResize();
            SetTop(BrowserNotification, TopOf(BrowserTabs) + HeightOf(BrowserTabs) - 45);
            SetTop(WebBrowser, TopOf(BrowserNotification) + HeightOf(BrowserNotification));
            SetHeight(WebBrowser, InnerHeight() - TopOf(frmResizeList) - 705);
            SetTop(cmdCloseTab, TopOf(BrowserNotification) - HeightOf(cmdCloseTab));
        });
        SetPanelText(QStringLiteral("IEStatus"), QStringLiteral("Ready"));
        SetPanelText(QStringLiteral("Status"), QStringLiteral("Loading..."));
        SetPanelText(QStringLiteral("Feedback"), QStringLiteral("Retrieving rating..."));
        StatusBar->Panel(QStringLiteral("Feedback"))->setToolTip(QStringLiteral("View Feedback/Change User..."));
        splashStep(QStringLiteral("Drawing window..."), 70);

        loadStep(QString(), [this] {
            const QString stored = GetSetting(QStringLiteral("View Mode"), QStringLiteral("2"));
            ViewMode = stored == QLatin1String("1") ? 1 : stored == QLatin1String("3") ? 3 : 2;
            if (ViewMode == 1)
                mnuViewList_Click();
            else if (ViewMode == 3)
                mnuViewBrowser_Click();
            else
                mnuViewListBrowser_Click();
        });
        show();
        tmrLoadProcess->setEnabled(true);
    } catch (const NumberedError &e) {
        if (frmSplash::isLoaded())
            frmSplash::unloadInstance();
        if (blnExiting)
            return;
        Desktop::MsgBox(QStringLiteral("An error occured while loading the program, please start the program again and you will "
                                  "have an option to automatically resolve this problem\r\n\r\nError #")
                       + QString::number(e.number()) + QLatin1Char(' ') + e.description(),
                   Desktop::BoxCritical);
        Desktop::EndProgram(1);
    }
}

void frmMain::prepareStatusBar()
{
    StatusBar->ClearPanels();
    StatusBar->AddPanel(QStringLiteral("IEStatus"), StatusPanel::Spring)->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StatusPanel *status = StatusBar->AddPanel(QStringLiteral("Status"), StatusPanel::None);
    status->setWidthTwips(4000);
    StatusPanel *feedback = StatusBar->AddPanel(QStringLiteral("Feedback"), StatusPanel::Contents);
    feedback->setPicture(picDownArrow);
    status->setAlignment(Qt::AlignCenter);
    feedback->setAlignment(Qt::AlignCenter);
    // The refresh's progress bar has a place of its own in the status bar,
    // left of "Status": the bar lays it out, so it never covers a panel's
    // edge, and while it is hidden the panels take its room.
    StatusBar->removeWidget(ProgressBar);
    StatusBar->insertPermanentWidget(1, ProgressBar);
    ProgressBar->setFixedWidth(Desktop::TwipsToPixelsX(1500));
    ProgressBar->setMaximumHeight(std::max(10, StatusBar->height() - 8));
}

void frmMain::prepareToolbar()
{
    struct Button
    {
        const char *key;
        ::Toolbar::Style style;
        const char *toolTip;
    };
    const Button buttons[] = {
        {"Add Auction", ::Toolbar::Button, "Bid/Snipe/Buy"},
        {"Watch Auction", ::Toolbar::Button, "Watch Auction"},
        {"Sep1", ::Toolbar::Separator, ""},
        {"Filter", ::Toolbar::Check, "Filter Item List"},
        {"Sep2", ::Toolbar::Separator, ""},
        {"Settings", ::Toolbar::Button, "Settings"},
        {"Sep3", ::Toolbar::Separator, ""},
        {"Refresh List", ::Toolbar::Button, "Refresh Auction List"},
        {"Sep4", ::Toolbar::Separator, ""},
        {"Back", ::Toolbar::Button, "Back"},
        {"Forward", ::Toolbar::Button, "Forward"},
        {"Sep5", ::Toolbar::Separator, ""},
        {"Refresh", ::Toolbar::Button, "Refresh browser"},
        {"Stop", ::Toolbar::Button, "Stop"},
        {"Sep6", ::Toolbar::Separator, ""},
        {"Auto Scroll", ::Toolbar::Check, "Auto Scroll"},
    };
    Toolbar->clear();
    for (const Button &b : buttons) {
        const QString key = QString::fromLatin1(b.key);
        Toolbar->AddButton(key, b.style, m_images.value(key), QString::fromLatin1(b.toolTip));
    }
    Toolbar->setEnabled(QStringLiteral("Watch Auction"), false);
}

void frmMain::prepareListView()
{
    struct Column
    {
        const char *key;
        const char *caption;
        bool right;
    };
    const Column columns[] = {
        {"itemnum", "Item Number", false}, {"itemtitle", "Item Title", false}, {"timeleft", "Time Left", false},
        {"enddate", "End Date/Time", false}, {"enddatedisp", "End Date/Time", false}, {"bids", "# of Bids", true},
        {"qty", "Qty.", true}, {"currentbid", "Current Bid", true}, {"maxbid", "My Max. Bid", true},
        {"user", "User", false}, {"group", "Group", false}, {"note", "Note", false},
        {"shipping", "Shipping", false}, {"seller", "Seller", false}, {"picture", "Picture", false},
        {"won", "Won", false}, {"pcendtime", "PCEndTime", false}, {"reminders", "Reminders", false},
    };
    lvwAuctions->ClearColumns();
    for (const Column &c : columns)
        lvwAuctions->AddColumn(QString::fromLatin1(c.key), QString::fromLatin1(c.caption), -1,
                               c.right ? Qt::AlignRight : Qt::AlignLeft);
}
