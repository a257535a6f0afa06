#include "foundation/frmstartwiz.h"

#include "foundation/basgeneral.h"
#include "foundation/ebaysignin.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/mainformshell.h"
#include "foundation/pageaccess.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/ticktimer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace {

// Runs one step of the check; a failing step is passed over so that the
// controls always come back.
template <class F>
void skipOnError(F &&step)
{
    try {
        step();
    } catch (const std::exception &) {
    }
}

} // namespace

frmStartWiz::frmStartWiz()
{
    setModal(true);
    Inet = new ::Inet(this);
    tmrTimerAlive = new TickTimer(5000, false, this);
    connect(tmrTimerAlive, &TickTimer::Timer, this, &frmStartWiz::tmrTimerAlive_Timer);

    auto *layout = new QVBoxLayout(this);
    fraLoginInfo = new QFrame(this);
    fraLoginInfo->setVisible(false);
    auto *page = new QGridLayout(fraLoginInfo);
    Label1 = new QLabel(QStringLiteral("eBay® account information"), fraLoginInfo);
    QFont heading = Label1->font();
    heading.setBold(true);
    Label1->setFont(heading);
    page->addWidget(Label1, 0, 0, 1, 2);
    lblLogin = new QLabel(fraLoginInfo);
    lblLogin->setWordWrap(true);
    page->addWidget(lblLogin, 1, 0, 1, 2);
    page->addWidget(new QLabel(QStringLiteral("eBay username:"), fraLoginInfo), 2, 0);
    txtUsername = new QLineEdit(fraLoginInfo);
    page->addWidget(txtUsername, 2, 1);
    page->addWidget(new QLabel(QStringLiteral("eBay password:"), fraLoginInfo), 3, 0);
    txtPassword = new QLineEdit(fraLoginInfo);
    txtPassword->setEchoMode(QLineEdit::Password);
    page->addWidget(txtPassword, 3, 1);
    chkAlwaysPswd = new QCheckBox(QStringLiteral("Always require my password when the program starts"), fraLoginInfo);
    chkAlwaysPswd->setChecked(true);
    page->addWidget(chkAlwaysPswd, 4, 0, 1, 2);
    Label3 = new QLabel(QStringLiteral("You can add more user accounts by going to \"Settings\" after this step"), fraLoginInfo);
    Label3->setWordWrap(true);
    page->addWidget(Label3, 5, 0, 1, 2);
    lblAuth = new QLabel(QStringLiteral("Authenticating..."), fraLoginInfo);
    lblAuth->setVisible(false);
    page->addWidget(lblAuth, 6, 0, 1, 2);
    layout->addWidget(fraLoginInfo);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdBack = new QPushButton(QStringLiteral("< &Back"), this);
    // The wizard has one page: there is nothing to go back to.
    cmdBack->setEnabled(false);
    cmdNext = new QPushButton(QStringLiteral("&Next >"), this);
    cmdNext->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    buttons->addWidget(cmdBack);
    buttons->addWidget(cmdNext);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);

    txtUsername->installEventFilter(this);
    txtPassword->installEventFilter(this);
    connect(cmdNext, &QPushButton::clicked, this, &frmStartWiz::cmdNext_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmStartWiz::cmdCancel_Click);
    connect(chkAlwaysPswd, &QCheckBox::clicked, this, &frmStartWiz::chkAlwaysPswd_Click);
}

void frmStartWiz::Form_Load()
{
    // Anything but a successful Next ends the start-up.
    MainForm().blnMustExit = true;
    setWindowTitle(Desktop::AppTitle());
    lblLogin->setText(QStringLiteral("Your eBay® login information is required for ") + Desktop::AppTitle()
                      + QStringLiteral(" to bid on your behalf."));
    fraLoginInfo->setVisible(true);
    tmrTimerAlive->setEnabled(true);
}

void frmStartWiz::Form_Unload()
{
    tmrTimerAlive->setEnabled(false);
}

void frmStartWiz::ShowModal(QWidget *owner)
{
    frmStartWiz &wizard = instance();
    if (owner && wizard.parentWidget() != owner)
        wizard.setParent(owner, wizard.windowFlags() | Qt::Dialog);
    wizard.exec();
}

void frmStartWiz::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    QTimer::singleShot(0, txtUsername, [this] { txtUsername->setFocus(); });
}

bool frmStartWiz::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == txtUsername)
            basGeneral::SelectAllText(txtUsername);
        else if (watched == txtPassword)
            basGeneral::SelectAllText(txtPassword);
    }
    return QDialog::eventFilter(watched, event);
}

void frmStartWiz::setInputEnabled(bool on)
{
    cmdCancel->setEnabled(on);
    cmdNext->setEnabled(on);
    txtUsername->setEnabled(on);
    txtPassword->setEnabled(on);
    chkAlwaysPswd->setEnabled(on);
}

void frmStartWiz::cmdNext_Click()
{
    if (m_checking || fraLoginInfo->isHidden())
        return;

    m_checking = true;
    setInputEnabled(false);
    lblAuth->setVisible(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    const QString userId = txtUsername->text().toLower();
    const QString password = txtPassword->text();
    QString reply;
    skipOnError([&] { basGeneral::GetURL(eBaySignIn::SignOutURL(), Inet); });
    skipOnError([&] { reply = basGeneral::GetURL(eBaySignIn::QuickSignInURL(userId, password), Inet); });

    setInputEnabled(true);
    lblAuth->setVisible(false);
    QApplication::restoreOverrideCursor();
    m_checking = false;

    if (eBaySignIn::SignInRejected(reply)) {
        Desktop::MsgBox(eBaySignIn::kRejectedMessage, Desktop::BoxExclamation);
        txtUsername->setFocus();
        return;
    }

    frmSettings &settings = frmSettings::instance();
    skipOnError([&] {
        // An account stored already (a wizard run again) keeps its one row
        // and takes the password just checked.
        ListItem *row = FindEbayUser(*settings.lvwUsers, userId);
        if (!row)
            row = settings.lvwUsers->Add(userId);
        row->setTag(basGeneral::ScramblePassword(password));
    });
    settings.chkAlwaysPswd->setChecked(chkAlwaysPswd->isChecked());
    bool saved = false;
    skipOnError([&] { saved = settings.SaveSettings(); });
    if (!saved)
        return;
    // The setup is done once an account is stored: from here a crash is an
    // unclean end like any other (the monitor restarts the program, the next
    // start shows no wizard), not a first run that never finished.
    SaveSetting(QStringLiteral("1st Run"), QStringLiteral("False"));

    frmMainShell &main = MainForm();
    main.blnMustExit = false;
    // The stored account is the active one from now on, before the list is
    // loaded and the engine starts to sign in and bid with it.
    CurrentUser = userId;
    if (Desktop::MsgBox(QStringLiteral("Would you like to import your watched items from eBay?"), Desktop::BoxYesNo | Desktop::BoxQuestion)
        == Desktop::AnswerYes)
        main.blnAutoImport = true;
    unloadInstance();
}

void frmStartWiz::cmdCancel_Click()
{
    if (m_checking)
        return;
    Desktop::EndProgram();
}

void frmStartWiz::reject()
{
    // The close box and Esc: unloaded with blnMustExit still set, so the
    // start-up ends. Not while the check runs.
    if (m_checking)
        return;
    unloadInstance();
    QDialog::reject();
}

void frmStartWiz::chkAlwaysPswd_Click()
{
    if (!isVisible() || chkAlwaysPswd->isChecked())
        return;
    if (!basGeneral::ConfirmPasswordPromptOff())
        chkAlwaysPswd->setChecked(true);
}

void frmStartWiz::tmrTimerAlive_Timer()
{
    basGeneral::WriteHeartbeat();
}
