#include "foundation/frmsignin.h"

#include "foundation/accountlist.h"
#include "foundation/basgeneral.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/mainformshell.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "platform/msgbox.h"
#include "platform/ticktimer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

namespace {

const QString kLoginOff = QStringLiteral("QXR");

// The scrambled passwords of the stored accounts. One account whose password
// is empty is stored as an empty list, which is still that account's entry.
QStringList storedPasswords(int userCount)
{
    const QString stored = GetSetting(QStringLiteral("Password"));
    QStringList passwords = AccountList::Split(stored);
    if (userCount == 1 && stored.isEmpty())
        passwords << QString();
    return passwords;
}

struct MissingPassword final : std::exception
{
    const char *what() const noexcept override { return "an account without a stored password"; }
};

} // namespace

frmSignIn::frmSignIn()
{
    setWindowTitle(QStringLiteral("Sign In"));
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Select a user and enter the password"), this));
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("User ID:"), this), 0, 0);
    ddnUser = new QComboBox(this);
    grid->addWidget(ddnUser, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Password:"), this), 1, 0);
    txtPassword = new QLineEdit(this);
    txtPassword->setEchoMode(QLineEdit::Password);
    grid->addWidget(txtPassword, 1, 1);
    layout->addLayout(grid);
    chkAlwaysPswd = new QCheckBox(QStringLiteral("&Always require a password"), this);
    layout->addWidget(chkAlwaysPswd);
    cmdUpdUsers = new QPushButton(QStringLiteral("Change or add user ID/password"), this);
    layout->addWidget(cmdUpdUsers);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);

    Timer = new TickTimer(100, false, this);
    tmrTimerAlive = new TickTimer(5000, false, this);

    txtPassword->installEventFilter(this);
    connect(cmdOK, &QPushButton::clicked, this, &frmSignIn::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSignIn::cmdCancel_Click);
    connect(cmdUpdUsers, &QPushButton::clicked, this, &frmSignIn::cmdUpdUsers_Click);
    // Only the user's own click asks; setting the box from the store does not.
    connect(chkAlwaysPswd, &QCheckBox::clicked, this, &frmSignIn::chkAlwaysPswd_Click);
    connect(Timer, &TickTimer::Timer, this, &frmSignIn::Timer_Timer);
    connect(tmrTimerAlive, &TickTimer::Timer, this, &frmSignIn::tmrTimerAlive_Timer);
}

void frmSignIn::Form_Load()
{
    UpdateUsers();
    chkAlwaysPswd->setChecked(GetSetting(QStringLiteral("Login")) != kLoginOff);
    Timer->setEnabled(true);
    tmrTimerAlive->setEnabled(true);
}

void frmSignIn::Form_Unload()
{
    Timer->setEnabled(false);
    tmrTimerAlive->setEnabled(false);
}

bool frmSignIn::ShowModal(bool userChange)
{
    // Already waiting for the user (asked for again from a nested event
    // loop): bring that prompt forward instead of stacking a second wait.
    if (isLoaded() && instance().isVisible()) {
        instance().raise();
        instance().activateWindow();
        return false;
    }
    s_passed = false;
    frmSignIn &prompt = instance();
    prompt.UserChange = userChange;
    prompt.exec();
    return s_passed;
}

void frmSignIn::UpdateUsers()
{
    ddnUser->clear();
    Users = AccountList::Split(GetSetting(QStringLiteral("Username")));
    Pswds = storedPasswords(int(Users.size()));
    int active = 0;
    for (int i = 0; i < Users.size(); ++i) {
        ddnUser->addItem(Users[i]);
        if (SameEbayUser(Users[i], CurrentUser))
            active = i;
    }
    if (ddnUser->count() == 0)
        return;
    ddnUser->setCurrentIndex(CurrentUser.isEmpty() ? 0 : active);
}

void frmSignIn::cmdOK_Click()
{
    try {
        const QString chosen = ddnUser->currentIndex() >= 0 ? ddnUser->currentText() : QString();
        const QString typed = txtPassword->text();
        bool match = false;
        for (int i = 0; i < Users.size() && !match; ++i) {
            if (i >= Pswds.size())
                throw MissingPassword();
            const bool sameUser = Users[i] == chosen;
            const bool samePassword = basGeneral::UnscramblePassword(Pswds[i]) == typed;
            match = sameUser && samePassword;
        }
        txtPassword->clear();
        if (!match) {
            Desktop::MsgBox(QStringLiteral("Incorrect password"), Desktop::BoxExclamation);
            return;
        }

        hide();
        frmMainShell &main = MainForm();
        main.blnAuthorized = true;
        main.setWindowState(main.LastWinState == 2 ? Qt::WindowMaximized : Qt::WindowNoState);
        main.Show();
        main.setVisible(true);
        main.activateWindow();
        CurrentUser = chosen;
        SaveSetting(QStringLiteral("Login"), chkAlwaysPswd->isChecked() ? QString() : kLoginOff);
        main.RebuildHTMLList();
        main.RefreshAuctions(QString(), true, false);
        s_passed = true;
        unloadInstance();
    } catch (const std::exception &) {
        Desktop::MsgBox(QStringLiteral("Failed to verify password"), Desktop::BoxCritical);
    }
}

void frmSignIn::cmdCancel_Click()
{
    MainForm().blnForceExit = true;
    unloadInstance();
}

void frmSignIn::reject()
{
    // The close box (and Esc) unload the prompt without setting anything.
    unloadInstance();
    QDialog::reject();
}

void frmSignIn::cmdUpdUsers_Click()
{
    frmSettings::instance().exec();
    UpdateUsers();
}

void frmSignIn::chkAlwaysPswd_Click()
{
    if (chkAlwaysPswd->isChecked())
        return;
    if (!basGeneral::ConfirmPasswordPromptOff())
        chkAlwaysPswd->setChecked(true);
}

void frmSignIn::Timer_Timer()
{
    Timer->setEnabled(false);
    raise();
    activateWindow();
    setFocus();
}

void frmSignIn::tmrTimerAlive_Timer()
{
    basGeneral::WriteHeartbeat();
}

bool frmSignIn::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtPassword && event->type() == QEvent::FocusIn)
        basGeneral::SelectAllText(txtPassword);
    return QDialog::eventFilter(watched, event);
}
