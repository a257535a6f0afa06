#include "items/frmaddauction.h"

#include "engine/itemwindows.h"
#include "engine/mainformengine.h"
#include "engine/rowowner.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/ebayuser.h"
#include "foundation/frmiowarning.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/pageaccess.h"
#include "foundation/sellertext.h"
#include "foundation/settingsstore.h"
#include "foundation/timetext.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/numberederror.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QLabel *label(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setWordWrap(true);
    return l;
}

// A short caption or value beside an entry box: kept on one line, so the
// dialog grows to show it whole rather than squeezing it into a narrow cell.
QLabel *oneLineLabel(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setWordWrap(false);
    return l;
}

bool onlineDefault()
{
    return GetSetting(QStringLiteral("Online Default"), QStringLiteral("0")).toInt() != 0;
}

} // namespace

frmAddAuction::frmAddAuction()
{
    setWindowTitle(QStringLiteral("Add Item"));
    setModal(true);
    Inet = new ::Inet(this);

    buildRetrievePanel();
    buildBidPage();
    buildConfirmPage();

    lblContract = label(QStringLiteral("contract info goes here"), this);
    cmdBack = new QPushButton(QStringLiteral("< &Back"), this);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdNext = new QPushButton(QStringLiteral("&Next >"), this);
    cmdNext->setDefault(true);
    cmdBack->setEnabled(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblContract, 1);
    buttons->addWidget(cmdBack);
    buttons->addWidget(cmdNext);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fraRetrieve);
    layout->addWidget(fraBid);
    layout->addWidget(fraConfirm);
    layout->addLayout(buttons);
    fraBid->hide();
    fraConfirm->hide();
    resize(Desktop::TwipsToPixelsX(7200), Desktop::TwipsToPixelsY(5400));

    connect(cmdNext, &QPushButton::clicked, this, &frmAddAuction::cmdNext_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmAddAuction::cmdBack_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddAuction::cmdCancel_Click);
}

void frmAddAuction::buildRetrievePanel()
{
    fraRetrieve = new QWidget(this);
    Label5 = label(QStringLiteral("Retrieving item details..."), fraRetrieve);
    Label5->setAlignment(Qt::AlignCenter);
    auto *l = new QVBoxLayout(fraRetrieve);
    l->addStretch();
    l->addWidget(Label5);
    l->addStretch();
}

void frmAddAuction::buildBidPage()
{
    fraBid = new QWidget(this);
    Label9 = label(QStringLiteral("Item title:"), fraBid);
    lblTitle = label(QString(), fraBid);
    lblTitle->setTextFormat(Qt::PlainText); // the seller's title, never markup
    optSnipe = new QRadioButton(QStringLiteral("&Snipe this item (automatically bid near auction end)"), fraBid);
    optSnipe->setChecked(true);
    chkLocal = new QCheckBox(QStringLiteral("Place this bid using this computer"), fraBid);
    chkLocal->setChecked(true);
    chkOnline = new QCheckBox(QStringLiteral("Place this bid using the TMR Online server"), fraBid);
    lblWhatOnline = oneLineLabel(QStringLiteral("<a href=\"#\">Learn More/Sign up</a>"), fraBid);
    Label1 = label(QStringLiteral("Your bid will be placed even if your computer is off"), fraBid);
    chkGroup = new QCheckBox(QStringLiteral("Make this part of a bid group:"), fraBid);
    txtBidGroup = new QComboBox(fraBid);
    txtBidGroup->setEditable(true);
    txtBidGroup->setEnabled(false);
    optBid = new QRadioButton(QStringLiteral("&Place a bid on this item now"), fraBid);
    optBuy = new QRadioButton(QStringLiteral("B&uy It Now"), fraBid);
    auto *options = new QButtonGroup(fraBid);
    for (QRadioButton *o : {optSnipe, optBid, optBuy})
        options->addButton(o);
    lblMaxBid = oneLineLabel(QStringLiteral("My maximum bid:"), fraBid);
    txtMaxBid = new QLineEdit(fraBid);
    lblCurrentBid = oneLineLabel(QStringLiteral("(current bid)"), fraBid);
    lblEnterQty = oneLineLabel(QStringLiteral("Quantity:"), fraBid);
    txtQty = new QLineEdit(QStringLiteral("1"), fraBid);
    UpDown = new QSpinBox(fraBid);
    UpDown->setRange(1, 1);
    UpDown->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    UpDown->setFixedWidth(Desktop::TwipsToPixelsX(300));
    lblQtyAvail = oneLineLabel(QStringLiteral("(1 available)"), fraBid);

    auto *g = new QGridLayout(fraBid);
    g->addWidget(Label9, 0, 0);
    g->addWidget(lblTitle, 0, 1, 1, 3);
    g->addWidget(optSnipe, 1, 0, 1, 4);
    g->addWidget(chkLocal, 2, 1, 1, 3);
    g->addWidget(chkOnline, 3, 1, 1, 2);
    g->addWidget(lblWhatOnline, 3, 3);
    g->addWidget(Label1, 4, 1, 1, 3);
    g->addWidget(chkGroup, 5, 1);
    g->addWidget(txtBidGroup, 5, 2, 1, 2);
    g->addWidget(optBid, 6, 0, 1, 4);
    g->addWidget(optBuy, 7, 0, 1, 4);
    g->addWidget(lblMaxBid, 8, 0);
    g->addWidget(txtMaxBid, 8, 1);
    g->addWidget(lblCurrentBid, 8, 2, 1, 2);
    g->addWidget(lblEnterQty, 9, 0);
    auto *qty = new QHBoxLayout;
    qty->addWidget(txtQty);
    qty->addWidget(UpDown);
    g->addLayout(qty, 9, 1);
    g->addWidget(lblQtyAvail, 9, 2, 1, 2);

    txtMaxBid->installEventFilter(this);
    txtQty->installEventFilter(this);
    for (QRadioButton *o : {optSnipe, optBid, optBuy})
        connect(o, &QRadioButton::clicked, this, &frmAddAuction::opt_Click);
    connect(chkGroup, &QCheckBox::clicked, this, &frmAddAuction::chkGroup_Click);
    connect(lblWhatOnline, &QLabel::linkActivated, this, &frmAddAuction::lblWhatOnline_Click);
    connect(UpDown, &QSpinBox::valueChanged, this, [this](int v) { txtQty->setText(QString::number(v)); });
}

void frmAddAuction::buildConfirmPage()
{
    fraConfirm = new QWidget(this);
    lblConfirm = label(QStringLiteral("Confirm Your Bid"), fraConfirm);
    QFont big = lblConfirm->font();
    big.setBold(true);
    lblConfirm->setFont(big);
    Label7 = label(QStringLiteral("Item title:"), fraConfirm);
    lblConfirmTitle = label(QStringLiteral("item title goes here"), fraConfirm);
    lblConfirmTitle->setTextFormat(Qt::PlainText);
    Label8 = label(QStringLiteral("Transaction description:"), fraConfirm);
    lblTransType = label(QStringLiteral("transaction description goes here"), fraConfirm);
    lblCanCancel = label(QStringLiteral("This request cannot be canceled"), fraConfirm);
    lblBidSourceTitle = label(QStringLiteral("Place this bid from:"), fraConfirm);
    lchkLocal = new QCheckBox(QStringLiteral("This computer"), fraConfirm);
    lchkOnline = new QCheckBox(QStringLiteral("Tallowmere Online server"), fraConfirm);
    chkAccept = new QCheckBox(QStringLiteral("I accept to submit the above transaction to eBay"), fraConfirm);

    auto *g = new QGridLayout(fraConfirm);
    g->addWidget(lblConfirm, 0, 0, 1, 2);
    g->addWidget(Label7, 1, 0);
    g->addWidget(lblConfirmTitle, 1, 1);
    g->addWidget(Label8, 2, 0);
    g->addWidget(lblTransType, 2, 1);
    g->addWidget(lblCanCancel, 3, 1);
    g->addWidget(lblBidSourceTitle, 4, 0);
    g->addWidget(lchkLocal, 4, 1);
    g->addWidget(lchkOnline, 5, 1);
    g->addWidget(chkAccept, 6, 0, 1, 2);

    connect(chkAccept, &QCheckBox::clicked, this, &frmAddAuction::chkAccept_Click);
    connect(lchkLocal, &QCheckBox::clicked, this, &frmAddAuction::lchkLocal_Click);
    connect(lchkOnline, &QCheckBox::clicked, this, &frmAddAuction::lchkOnline_Click);
}

void frmAddAuction::ShowModal(const QString &itemNumber)
{
    if (RaiseOpenWizard())
        return;
    // Finish makes the row the active user's: another account's row is
    // refused here, whichever way the wizard is opened.
    if (!RowOwner::MayEditItem(*MainForm().lvwAuctions, itemNumber))
        return;
    if (isLoaded())
        unloadInstance();
    frmAddAuction &w = instance();
    w.strItemNumber = itemNumber;
    w.show();
}

bool frmAddAuction::RaiseOpenWizard()
{
    if (!isLoaded() || !instance().isVisible())
        return false;
    frmAddAuction &open = instance();
    open.raise();
    open.activateWindow();
    return true;
}

void frmAddAuction::Form_Load()
{
    if (blnOnTop)
        Desktop::SetTopMost(this);
    lblContract->setText(QStringLiteral("Your bid is a contract") + kCrLf
                         + QStringLiteral("Place a bid only if you're serious about buying the item."));

    ListView &list = *MainForm().lvwAuctions;
    ListItem *row = list.FindItem(strItemNumber.trimmed());
    EditMode = row != nullptr;
    m_editing = EditMode;
    if (row) {
        list.setSelectedItem(row);
        setWindowTitle(QStringLiteral("Edit Bid"));
        fillFromRow(row);
    } else {
        setWindowTitle(QStringLiteral("Add Item"));
        chkOnline->setChecked(onlineDefault());
    }
    collectGroups();

    fraBid->hide();
    fraConfirm->hide();
    fraRetrieve->show();
    cmdCancel->setEnabled(false);
    cmdBack->setEnabled(false);
    cmdNext->setEnabled(false);
}

void frmAddAuction::fillFromRow(const ListItem *row)
{
    const ListView &list = *MainForm().lvwAuctions;
    const QString maxBid = list.Field(row, QStringLiteral("maxbid"));
    txtMaxBid->setText(basGeneral::GetBidAmount(maxBid));
    if (maxBid.toLower() == TrackedAuction::kWatching) {
        chkLocal->setChecked(true);
        chkOnline->setChecked(onlineDefault());
    } else {
        const QString tag = row->Tag();
        if (tag == QLatin1String("Local") || tag == QLatin1String("Bid complete") || tag == SnipeState::OutcomeUnknown
            || tag.isEmpty()) {
            chkLocal->setChecked(true);
            chkOnline->setChecked(false);
        } else if (tag == QLatin1String("Online")) {
            chkLocal->setChecked(false);
            chkOnline->setChecked(true);
        } else if (tag == QLatin1String("Both")) {
            chkLocal->setChecked(true);
            chkOnline->setChecked(true);
        }
    }
    const QString group = list.Field(row, QStringLiteral("group"));
    chkGroup->setChecked(!group.isEmpty());
    txtBidGroup->setEditText(group);
    QString qty = basGeneral::GetBidQty(maxBid);
    if (basGeneral::PriceToDouble(qty) == 0)
        qty = QStringLiteral("1");
    txtQty->setText(qty);
}

void frmAddAuction::collectGroups()
{
    const ListView &list = *MainForm().lvwAuctions;
    const QString edited = txtBidGroup->currentText();
    QString added;
    for (int i = 1; i <= list.Count(); ++i) {
        const ListItem *row = list.Item(i);
        const QString group = list.Field(row, QStringLiteral("group"));
        if (!SameEbayUser(list.Field(row, QStringLiteral("user")), CurrentUser) || group.isEmpty())
            continue;
        // The test is on the joined text, so "1" is taken as known once "A1;" is in it.
        if (added.contains(group + QLatin1Char(';'), Qt::CaseSensitive))
            continue;
        txtBidGroup->addItem(group);
        added += group + QLatin1Char(';');
    }
    txtBidGroup->setEditText(edited);
}

void frmAddAuction::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QDialog::showEvent(event);
    if (m_fetchPending)
        QTimer::singleShot(0, this, &frmAddAuction::Form_Activate);
}

void frmAddAuction::Form_Activate()
{
    if (!m_fetchPending)
        return;
    m_fetchPending = false;
    m_reading = true;
    const bool usable = GetItemDetails();
    m_reading = false;
    if (m_cancelled) {
        unloadInstance();
        QDialog::reject();
        return;
    }
    if (!isLoaded() || &instance() != this)
        return;
    cmdCancel->setEnabled(true);
    cmdNext->setEnabled(true);
    fraRetrieve->hide();
    fraBid->show();
    if (!usable)
        unloadInstance();
}

void frmAddAuction::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
}

bool frmAddAuction::readItemPage(QString &page)
{
    if (DebugMode) {
        Desktop::MsgBox(QStringLiteral("Debug mode will process HTML copied to clipboard after clickong OK rather than "
                                  "downloading from eBay"),
                   Desktop::BoxInformation);
        page = Desktop::ClipboardText();
    } else {
        page = basGeneral::GetURL(
            HostRoles::url(HostRoles::Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + strItemNumber),
            *Inet);
    }
    // An item listed on another site: its original listing, as the notice
    // links it (not as a seller's title or description may).
    QString html = basGeneral::WithoutSellerText(page);
    if (html.contains(QStringLiteral("This item is not available for purchase on eBay United States"))) {
        QString linkText = QStringLiteral("View the original listing");
        const QString original = basGeneral::GetLinkHref(linkText, html, true);
        page = basGeneral::GetURL(original, *Inet);
    }
    if (DebugMode)
        page = Desktop::ClipboardText();
    while (Inet->StillExecuting())
        Desktop::DoEvents();
    const QString own = basGeneral::WithoutSellerText(page);
    if (own.contains(QStringLiteral("This item is not available for purchase on eBay United States."), Qt::CaseInsensitive)) {
        const QString part = basGeneral::GetBetween(own, QStringLiteral("Learn more</a> about our accepted payments policy."),
                                                    QStringLiteral(">View the original listing"), true);
        QString address = basGeneral::GetBetween(part, QStringLiteral("<a href=\""), QStringLiteral("\""));
        address.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        page = basGeneral::GetURL(address, *Inet);
    }
    return !page.isEmpty();
}

bool frmAddAuction::GetItemDetails()
{
    for (QWidget *w : std::initializer_list<QWidget *>{optBid, lblMaxBid, txtMaxBid, optBuy, lblEnterQty, lblQtyAvail, txtQty,
                                                       optSnipe, chkLocal, chkOnline, chkGroup})
        w->setEnabled(true);
    setBusy(true);
    QString page;
    try {
        const bool read = readItemPage(page);
        if (m_cancelled) {
            setBusy(false);
            return false;
        }
        if (!read) {
            setBusy(false);
            retrievalFailed(0, QString());
            return false;
        }
        page.remove(QChar(0x00C2));
        setBusy(false);

        // The page's own notices, not those a seller wrote into the title.
        const QString own = basGeneral::WithoutSellerText(page);
        if (own.contains(QStringLiteral(") has been removed, or this item is not"))) {
            hide();
            if (!blnIgnoreError)
                Desktop::MsgBox(QStringLiteral("Invalid item number: ") + strItemNumber, Desktop::BoxExclamation);
            unloadInstance();
            return false;
        }
        if (basGeneral::InStrClean(own, QStringLiteral(">Ended:<")) > 0) {
            hide();
            if (!blnIgnoreError)
                Desktop::MsgBox(QStringLiteral("This item has ended"), Desktop::BoxExclamation);
            unloadInstance();
            return false;
        }
        fillBidPage(page);
        if (basGeneral::GetItemField(page, QStringLiteral("title")).isEmpty()
            || (!optBid->isEnabled() && !optBuy->isEnabled()))
            return noDetails(page);
        return true;
    } catch (const NumberedError &e) {
        setBusy(false);
        retrievalFailed(e.number(), e.description());
    } catch (const std::exception &e) {
        setBusy(false);
        retrievalFailed(0, QString::fromUtf8(e.what()));
    }
    return false;
}

void frmAddAuction::retrievalFailed(int number, const QString &description)
{
    if (!blnIgnoreError)
        Desktop::MsgBox(QStringLiteral("An error occurred while retrieving the item details") + kCrLf + kCrLf
                       + QStringLiteral("Error #") + QString::number(number) + QLatin1Char(' ') + description,
                   Desktop::BoxExclamation);
}

void frmAddAuction::fillBidPage(const QString &page)
{
    fraBid->show();
    cmdNext->setEnabled(true);
    fraRetrieve->hide();

    QString title = basGeneral::GetItemField(page, QStringLiteral("title"));
    if (title.size() > 55)
        title = title.left(52) + QStringLiteral("...");
    lblTitle->setText(title);

    const QString minBid = basGeneral::GetItemField(page, QStringLiteral("minbid"));
    if (basGeneral::PriceToDouble(minBid) == 0) {
        lblCurrentBid->clear();
        optBuy->setChecked(true);
        for (QWidget *w : std::initializer_list<QWidget *>{optBid, optSnipe, chkLocal, chkOnline, chkGroup, txtBidGroup,
                                                           lblMaxBid, txtMaxBid})
            w->setEnabled(false);
    } else {
        strCurrency = basGeneral::GetCurrencyPrefix(minBid);
        optSnipe->setChecked(true);
        lblCurrentBid->setText(QStringLiteral("(enter ") + minBid + QStringLiteral(" or more)"));
        lblCurrentBid_Tag = QString::number(basGeneral::PriceToDouble(minBid));
        txtMaxBid->setFocus();
        txtMaxBid->selectAll();
    }

    const QString bin = basGeneral::GetItemField(page, QStringLiteral("binprice"));
    if (basGeneral::PriceToDouble(bin) == 0) {
        optBuy->setEnabled(false);
    } else {
        strCurrency = basGeneral::GetCurrencyPrefix(bin);
        optBuy->setText(QStringLiteral("Buy It Now for ") + bin);
        optBuy_Tag = QString::number(basGeneral::PriceToDouble(bin));
        optBuy->setEnabled(true);
        Desktop::DoEvents();
        if (!optBid->isEnabled()) {
            optBuy->setChecked(true);
            cmdNext->setFocus();
        }
    }

    QString qty = QString::number(basGeneral::PriceToDouble(basGeneral::GetItemField(page, QStringLiteral("qty"))));
    if (qty == QLatin1String("0"))
        qty = QStringLiteral("1");
    UpDown->setMaximum(qty.toInt() > 0 ? qty.toInt() : 1);
    const bool several = qty != QLatin1String("1");
    lblEnterQty->setEnabled(several);
    lblQtyAvail->setEnabled(several);
    txtQty->setEnabled(several);
    UpDown->setEnabled(several);
    if (basGeneral::PriceToDouble(txtQty->text()) > qty.toDouble())
        txtQty->setText(qty);
    lblQtyAvail->setText(QStringLiteral("(") + qty + QStringLiteral(" available)"));
    if (txtQty->isEnabled() && !optBid->isEnabled()) {
        txtQty->setFocus();
        txtQty->selectAll();
    }
    opt_Click();
}

bool frmAddAuction::noDetails(const QString &page)
{
    if (frmIOWarning::Http11InUse()) {
        hide();
        frmIOWarning::instance().exec();
        unloadInstance();
        return false;
    }
    const int answer = Desktop::MsgBox(QStringLiteral("There was a problem retrieving the item details, would you like to have a "
                                                 "report automatically sent to help resolve this issue?"),
                                  Desktop::BoxYesNo | Desktop::BoxExclamation);
    if (answer == Desktop::AnswerYes) {
        hide();
        if (ItemWindows::ShowItemPageReport)
            ItemWindows::ShowItemPageReport(page, strItemNumber);
    }
    unloadInstance();
    return false;
}

void frmAddAuction::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        cmdCancel_Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmAddAuction::reject()
{
    cmdCancel_Click();
}

void frmAddAuction::cmdCancel_Click()
{
    // Closed before the page was read: it is not read any more.
    m_fetchPending = false;
    if (Inet->StillExecuting())
        Inet->Cancel();
    if (m_reading) {
        m_cancelled = true;
        hide();
        return;
    }
    unloadInstance();
    QDialog::reject();
}
