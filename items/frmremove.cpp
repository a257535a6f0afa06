#include "items/frmremove.h"

#include "engine/bidgroups.h"
#include "engine/frmbid.h"
#include "engine/mainformengine.h"
#include "engine/onlineservice.h"
#include "engine/trackedauction.h"
#include "foundation/settingsstore.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/msgbox.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kLoginHint = QStringLiteral("You will need to login to your TMR Online account to remove the item");
const QString kBeyondRecall = QStringLiteral("Your bid on this item has already been sent to eBay and cannot be taken "
                                              "back. The item stays in the list until its outcome is known.");

constexpr int kBidLookMs = 500;

// Titles longer than 50 characters show as their first 47 and "...".
QString shortTitle(const QString &title)
{
    return title.size() > 50 ? title.left(47) + QStringLiteral("...") : title;
}

} // namespace

frmRemove::frmRemove()
{
    setWindowTitle(QStringLiteral("Remove Item"));
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("Are you sure you want to remove the following item?"), this);
    lblItemNum = new QLabel(this);
    lblItemTitle = new QLabel(this);
    lblItemTitle->setTextFormat(Qt::PlainText); // the seller's title, never markup
    lblBidUnderWay = new QLabel(this);
    lblBidUnderWay->setWordWrap(true);
    lblBidUnderWay->hide();
    chkCancelBid = new QCheckBox(QStringLiteral("&Cancel my bid on this item, but leave it for watching"), this);
    chkApplyOnline = new QCheckBox(QStringLiteral("&Also remove the item from my TMR Online account"), this);
    for (QWidget *w : {static_cast<QWidget *>(Label1), static_cast<QWidget *>(lblItemNum),
                       static_cast<QWidget *>(lblItemTitle), static_cast<QWidget *>(lblBidUnderWay),
                       static_cast<QWidget *>(chkCancelBid),
                       static_cast<QWidget *>(chkApplyOnline)})
        layout->addWidget(w);
    auto *buttons = new QHBoxLayout;
    cmdRem = new QPushButton(QStringLiteral("&Remove"), this);
    cmdRem->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Ca&ncel"), this);
    buttons->addStretch();
    buttons->addWidget(cmdRem);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);
    Inet = new ::Inet(this);

    connect(chkCancelBid, &QCheckBox::clicked, this, &frmRemove::chkCancelBid_Click);
    connect(cmdRem, &QPushButton::clicked, this, &frmRemove::cmdRem_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmRemove::cmdCancel_Click);
}

void frmRemove::Form_Load()
{
    ListView &list = *EngineForm().lvwAuctions;
    const ListItem *row = list.SelectedItem();
    if (!row)
        return;
    m_itemNumber = row->Text();
    lblItemNum->setText(QStringLiteral("Item #") + m_itemNumber);
    lblItemTitle->setText(shortTitle(list.Field(row, QStringLiteral("itemtitle"))));
    // An ended or watched item has no snipe to cancel.
    if (list.Field(row, QStringLiteral("timeleft")) == QLatin1String("Ended")
        || list.Field(row, QStringLiteral("maxbid")) == QLatin1String("(watching)"))
        chkCancelBid->setEnabled(false);
    chkApplyOnline->setChecked(GetSetting(QStringLiteral("Online Default"), 0) == QLatin1String("1"));
    showBidState();
    // A bid started while the window is open is found too.
    auto *look = new QTimer(this);
    connect(look, &QTimer::timeout, this, &frmRemove::showBidState);
    look->start(kBidLookMs);
}

bool frmRemove::BidBeyondRecall() const
{
    const ListView &list = *EngineForm().lvwAuctions;
    const ListItem *row = list.FindItem(m_itemNumber);
    return row && BidGroups::BidSent(row) && list.Field(row, QStringLiteral("timeleft")) != TrackedAuction::kEnded;
}

void frmRemove::showBidState()
{
    frmBid *bid = frmBid::RunFor(m_itemNumber);
    if (bid && bid != m_followedBid) {
        m_followedBid = bid;
        connect(bid, &frmBid::ConfirmationGoingOut, this, &frmRemove::showBidState);
    }
    if (BidBeyondRecall()) {
        lblBidUnderWay->setText(kBeyondRecall);
        lblBidUnderWay->show();
        growToShowAll();
        // Nothing here can take the bid back any more, and the row stays
        // for its outcome.
        if (chkCancelBid->isChecked()) {
            chkCancelBid->setChecked(false);
            chkCancelBid_Click();
        }
        chkCancelBid->setEnabled(false);
        cmdRem->setEnabled(false);
    } else if (bid) {
        lblBidUnderWay->setText(QStringLiteral("A bid on this item is under way. Removing the item or cancelling the bid "
                                               "stops it before it is sent to eBay."));
        lblBidUnderWay->show();
        growToShowAll();
    }
}

void frmRemove::growToShowAll()
{
    // A note shown while the window is open wraps to the window's width;
    // a window sized before it came grows to show all of its lines.
    layout()->activate();
    const int needed = heightForWidth(width());
    if (needed > height())
        resize(width(), needed);
    setMinimumHeight(std::max(minimumHeight(), needed));
}

void frmRemove::ShowModal()
{
    if (!EngineForm().lvwAuctions->SelectedItem())
        return;
    if (isLoaded())
        unloadInstance();
    instance().exec();
    unloadInstance();
}

void frmRemove::chkCancelBid_Click()
{
    if (chkCancelBid->isChecked()) {
        cmdRem->setText(QStringLiteral("Cancel &Bid"));
        chkApplyOnline->setText(QStringLiteral("&Also cancel my bid on this item in my TMR Online account"));
    } else {
        cmdRem->setText(QStringLiteral("&Remove"));
        chkApplyOnline->setText(QStringLiteral("&Also remove the item from my TMR Online account"));
    }
}

void frmRemove::cmdRem_Click()
{
    if (m_sending || m_itemNumber.isEmpty())
        return;
    setCursor(Qt::WaitCursor);
    cmdRem->setEnabled(false);
    cmdCancel->setEnabled(false);
    const bool keepWatching = chkCancelBid->isChecked();
    // Pressed just after the bid went out: too late to stop it, and its row
    // is kept for the outcome.
    if (BidBeyondRecall()) {
        unsetCursor();
        hide();
        Desktop::MsgBox(kBeyondRecall, Desktop::BoxExclamation);
        done(QDialog::Rejected);
        return;
    }
    // The bid stops before the online request lets its moment come.
    if (frmBid *bid = frmBid::RunFor(m_itemNumber))
        bid->WithdrawBid();
    if (chkApplyOnline->isChecked())
        applyOnline(keepWatching);
    applyLocally(keepWatching);
    unsetCursor();
    done(QDialog::Accepted);
}

void frmRemove::applyOnline(bool keepWatching)
{
    m_sending = true;
    const QString item = m_itemNumber.trimmed();
    const OnlineService::Reply reply =
        keepWatching ? OnlineService::CancelSnipe(*Inet, item) : OnlineService::RemoveItem(*Inet, item);
    m_sending = false;
    switch (reply.outcome) {
    case OnlineService::Outcome::Accepted:
        break;
    case OnlineService::Outcome::Refused:
        Desktop::MsgBox(reply.message + kCrLf + kCrLf + kLoginHint, Desktop::BoxExclamation);
        break;
    default:
        Desktop::MsgBox(QStringLiteral("An unknown error occured while attempting to apply the action to your TMR Online "
                                       "account")
                            + kCrLf + kCrLf + kLoginHint,
                        Desktop::BoxExclamation);
        break;
    }
}

void frmRemove::applyLocally(bool keepWatching)
{
    frmMainEngine &main = EngineForm();
    ListView &list = *main.lvwAuctions;
    ListItem *row = list.SelectedItem();
    if (!row || row->Text() != m_itemNumber)
        row = list.FindItem(m_itemNumber);
    if (!row)
        return; // gone meanwhile: nothing left to change
    hide();
    if (keepWatching) {
        list.setField(row, QStringLiteral("maxbid"), QStringLiteral("(watching)"));
        row->setTag(QString());
        main.SaveList(false);
        main.SyncHTMLList(false, QString());
    } else {
        list.Remove(row->Index());
        // Removing the last row still writes the (now empty) list file.
        main.SaveList(true);
        main.RedrawHTMLList();
    }
}

void frmRemove::cmdCancel_Click()
{
    if (!m_sending)
        done(QDialog::Rejected);
}

void frmRemove::reject()
{
    // Esc, the window's close box and Cancel, but not while a request runs.
    if (!m_sending)
        QDialog::reject();
}
