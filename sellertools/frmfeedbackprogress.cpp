#include "sellertools/frmfeedbackprogress.h"

#include "engine/refreshseams.h"
#include "foundation/ebaysignin.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/mainformshell.h"
#include "foundation/pageaccess.h"
#include "foundation/passwords.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/numberederror.h"
#include "sellertools/feedbackpages.h"
#include "sellertools/frmfeedback.h"

#include <QDate>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kObjectNotSet = 91;

struct NewEntry
{
    QString buyer;
    QString item;
};

} // namespace

frmFeedbackProgress::frmFeedbackProgress()
{
    setObjectName(QStringLiteral("frmFeedbackProgress"));
    setWindowTitle(QStringLiteral("Feedback Progress"));
    setModal(true);
    lblStatus = new QLabel(QStringLiteral("Preparing to leave feedback..."), this);
    lblStatus->setTextFormat(Qt::PlainText);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setEnabled(false);
    Inet = new ::Inet(this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblStatus);
    layout->addWidget(ProgressBar);
    layout->addWidget(cmdCancel, 0, Qt::AlignRight);
    resize(420, 120);

    connect(cmdCancel, &QPushButton::clicked, this, &frmFeedbackProgress::cmdCancel_Click);
}

void frmFeedbackProgress::Register()
{
    RefreshSeams::LeaveFeedback = [] { instance().LeaveFeedback(); };
}

void frmFeedbackProgress::ShowModal()
{
    if (isLoaded() && instance().m_running)
        return; // the refresh is running it already
    if (isLoaded())
        unloadInstance();
    instance().exec();
}

void frmFeedbackProgress::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        QTimer::singleShot(0, this, &frmFeedbackProgress::Form_Activate);
    }
}

void frmFeedbackProgress::Form_Activate()
{
    blnCancel = false;
    LeaveFeedback();
    unloadInstance();
}

void frmFeedbackProgress::cmdCancel_Click()
{
    lblStatus->setText(QStringLiteral("Canceling..."));
    cmdCancel->setEnabled(false);
    blnCancel = true;
}

void frmFeedbackProgress::reject()
{
    // The close box and Esc ask the run to stop, as Cancel does; the window
    // closes when the run returns.
    if (m_running) {
        if (cmdCancel->isEnabled())
            cmdCancel_Click();
        return;
    }
    unloadInstance();
    QDialog::reject();
}

void frmFeedbackProgress::status(const QString &text)
{
    lblStatus->setText(text);
    MainForm().SetStatus(lblStatus->text(), true);
}

QString frmFeedbackProgress::fetch(const QString &url)
{
    return basGeneral::GetURL(url, Inet);
}

void frmFeedbackProgress::LeaveFeedback()
{
    if (m_running)
        return;
    m_running = true;
    frmMainShell &main = MainForm();
    try {
        const ListView *sellers = frmFeedback::instance().lvwSellers;
        for (int i = 1; i <= sellers->Count(); ++i) {
            const ListItem *row = sellers->Item(i);
            if (!row || !row->Checked())
                continue;
            if (!leaveFor(row->Text(), row->SubItem(1))) {
                main.blnFreezeStatus = false;
                m_running = false;
                return;
            }
        }
        fetch(eBaySignIn::SignOutURL());
        main.blnFreezeStatus = false;
    } catch (const NumberedError &e) {
        main.blnFreezeStatus = false;
        main.SetStatus(QStringLiteral("Error #") + QString::number(e.number()) + QStringLiteral(" while leaving feedback"));
        main.FreezeStatus();
    }
    m_running = false;
}

bool frmFeedbackProgress::leaveFor(const QString &user, const QString &comment)
{
    frmMainShell &main = MainForm();
    const ListItem *account = FindEbayUser(*frmSettings::instance().lvwUsers, user);
    if (!account)
        throw NumberedError(kObjectNotSet, QStringLiteral("Object variable or With block variable not set"));
    const QString password = basGeneral::UnscramblePassword(account->Tag());

    status(QStringLiteral("Checking feedback received by ") + user + QStringLiteral("..."));
    main.blnFreezeStatus = true;
    const QString received = FeedbackPages::WithoutLineBreaks(fetch(FeedbackPages::ReceivedURL(user)));
    status(QStringLiteral("Checking feedback left by ") + user + QStringLiteral("..."));
    const QString left = FeedbackPages::WithoutLineBreaks(fetch(FeedbackPages::LeftURL(user)));
    if (!blnCancel)
        cmdCancel->setEnabled(true);

    QList<NewEntry> entries;
    int scanned = 0;
    const QDate today = QDate::currentDate();
    FeedbackPages::PositiveRows rows(received);
    FeedbackPages::Row r;
    while (rows.Next(&r)) {
        if (FeedbackPages::TooOld(r.date, today))
            break;
        if (blnCancel)
            return false;
        if (!FeedbackPages::AlreadyRated(left, r.buyer))
            entries.append({r.buyer, r.item});
        ++scanned;
        ProgressBar->setValue(qMin(scanned, ProgressBar->maximum()));
        status(QStringLiteral("Scanning ") + user + QStringLiteral("'s feedback (") + QString::number(entries.size())
               + QStringLiteral(" new)..."));
        Desktop::DoEvents();
    }
    ProgressBar->setValue(0);
    if (entries.isEmpty())
        return true;

    status(QStringLiteral("Signing in to leave feedback..."));
    fetch(eBaySignIn::SignOutURL());
    // The password goes only over https.
    fetch(eBaySignIn::QuickSignInURL(user, password));
    const int count = int(entries.size());
    for (int i = 1; i <= count; ++i) {
        if (blnCancel)
            return false;
        const NewEntry &e = entries.at(i - 1);
        ProgressBar->setValue(i * 100 / count);
        status(QStringLiteral("Leaving feedback ") + QString::number(i) + QStringLiteral(" of ") + QString::number(count)
               + QStringLiteral(" from ") + user + QStringLiteral("..."));
        const QString transactionId = FeedbackPages::TransactionId(fetch(FeedbackPages::FormURL(e.buyer)));
        fetch(FeedbackPages::PostURL(e.item, e.buyer, transactionId, comment));
        Desktop::DoEvents();
    }
    return true;
}
