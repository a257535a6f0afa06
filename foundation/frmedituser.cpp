#include "foundation/frmedituser.h"

#include "foundation/basgeneral.h"
#include "foundation/ebaysignin.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/pageaccess.h"
#include "foundation/passwords.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/msgbox.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace {

constexpr int kWidthTwips = 4680;
constexpr int kHeightStep = 5;

// Places a control by twips, as the window was laid out.
void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(Desktop::TwipsToPixelsX(left), Desktop::TwipsToPixelsY(top), Desktop::TwipsToPixelsX(width), Desktop::TwipsToPixelsY(height));
}

} // namespace

frmEditUser::frmEditUser()
{
    setWindowTitle(QStringLiteral("Add New User"));
    setModal(true);
    setFixedWidth(Desktop::TwipsToPixelsX(kWidthTwips));
    setHeightTwips(kNormalHeight);

    imgIcon = new QLabel(this);
    imgIcon->setPixmap(style()->standardIcon(QStyle::SP_DialogApplyButton).pixmap(32, 32));
    place(imgIcon, 180, 180, 600, 600);

    auto *lblUser = new QLabel(QStringLiteral("eBay User ID:"), this);
    place(lblUser, 960, 240, 1300, 300);
    txtUser = new QLineEdit(this);
    place(txtUser, 2280, 180, 2220, 330);
    auto *lblPswd = new QLabel(QStringLiteral("Password:"), this);
    place(lblPswd, 960, 720, 1300, 300);
    txtPswd = new QLineEdit(this);
    txtPswd->setEchoMode(QLineEdit::Password);
    place(txtPswd, 2280, 660, 2220, 330);

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);
    place(cmdOK, 2040, 1320, 1140, 420);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    place(cmdCancel, 3360, 1320, 1140, 420);

    // Below the normal height: only seen while the window has grown.
    lblAuth = new QLabel(QStringLiteral("Authenticating..."), this);
    lblAuth->setAlignment(Qt::AlignCenter);
    place(lblAuth, 180, 2040, kWidthTwips - 360, 300);
    lblAuth->setVisible(false);

    txtUser->installEventFilter(this);
    txtPswd->installEventFilter(this);
    connect(cmdOK, &QPushButton::clicked, this, &frmEditUser::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmEditUser::cmdCancel_Click);
}

void frmEditUser::Form_Load()
{
    blnByPassAuth = false;
    User = nullptr;
    m_editedRow = nullptr;
    if (!blnEdit)
        return;
    m_editedRow = frmSettings::instance().lvwUsers->SelectedItem();
    if (!m_editedRow)
        return;
    txtUser->setText(m_editedRow->Text());
    txtPswd->setText(basGeneral::UnscramblePassword(m_editedRow->Tag()));
}

void frmEditUser::ShowModal(bool edit)
{
    if (isLoaded())
        unloadInstance();
    blnEdit = edit;
    instance().exec();
}

void frmEditUser::setHeightTwips(int twips)
{
    m_heightTwips = twips;
    setFixedHeight(Desktop::TwipsToPixelsY(twips));
}

void frmEditUser::setInputEnabled(bool on)
{
    cmdOK->setEnabled(on);
    cmdCancel->setEnabled(on);
    txtUser->setEnabled(on);
    txtPswd->setEnabled(on);
}

bool frmEditUser::takenByAnotherRow(const QString &userId) const
{
    const ListView *users = frmSettings::instance().lvwUsers;
    for (int i = 1; i <= users->Count(); ++i) {
        const ListItem *row = users->Item(i);
        if (row != m_editedRow && SameEbayUser(row->Text(), userId))
            return true;
    }
    return false;
}

void frmEditUser::cmdOK_Click()
{
    if (m_checking)
        return;
    frmSettings &settings = frmSettings::instance();

    txtUser->setText(txtUser->text().toLower());
    if (txtUser->text().startsWith(QLatin1Char('@'))) {
        blnByPassAuth = true;
        txtUser->setText(txtUser->text().mid(1));
    }
    const QString userId = txtUser->text();

    // No two rows may carry one user ID. Editing a row without changing its
    // ID is always allowed, so accounts stored twice by an older version can
    // still be corrected.
    bool duplicate = false;
    if (!blnEdit || !m_editedRow)
        duplicate = FindEbayUser(*settings.lvwUsers, userId) != nullptr;
    else if (!SameEbayUser(m_editedRow->Text(), userId))
        duplicate = takenByAnotherRow(userId);
    if (duplicate) {
        Desktop::MsgBox(QStringLiteral("User already exists"), Desktop::BoxExclamation);
        return;
    }

    m_checking = true;
    setInputEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    while (m_heightTwips < kCheckingHeight) {
        setHeightTwips(m_heightTwips + kHeightStep);
        Desktop::DoEvents();
    }
    lblAuth->setVisible(true);

    basGeneral::GetURL(eBaySignIn::SignOutURL(), settings.Inet);
    const QString reply = basGeneral::GetURL(eBaySignIn::QuickSignInURL(userId, txtPswd->text()), settings.Inet);

    setInputEnabled(true);
    QApplication::restoreOverrideCursor();
    lblAuth->setVisible(false);
    while (m_heightTwips > kNormalHeight) {
        setHeightTwips(m_heightTwips - kHeightStep);
        Desktop::DoEvents();
    }
    m_checking = false;

    if (eBaySignIn::SignInRejected(reply) && !blnByPassAuth) {
        Desktop::MsgBox(eBaySignIn::kRejectedMessage, Desktop::BoxExclamation);
        txtUser->setFocus();
        return;
    }

    User = (blnEdit && m_editedRow) ? m_editedRow : settings.lvwUsers->Add(userId);
    User->setText(userId);
    User->setTag(basGeneral::ScramblePassword(txtPswd->text()));
    unloadInstance();
}

void frmEditUser::cmdCancel_Click()
{
    if (m_checking)
        return;
    unloadInstance();
}

void frmEditUser::reject()
{
    // Esc and the close box; not while the check runs, whose handler still
    // needs the window.
    if (m_checking)
        return;
    unloadInstance();
    QDialog::reject();
}

bool frmEditUser::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == txtUser)
            basGeneral::SelectAllText(txtUser);
        else if (watched == txtPswd)
            basGeneral::SelectAllText(txtPswd);
    }
    return QDialog::eventFilter(watched, event);
}
