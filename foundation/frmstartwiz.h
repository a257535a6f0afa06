#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class Inet;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class TickTimer;

// The first-run wizard: collects the first eBay account, checks it with
// eBay's sign-in, stores it through the settings window and offers to import
// the eBay watching list. Until an account has been stored, the main
// window's blnMustExit stays set, so start-up ends when the wizard is closed.
class frmStartWiz final : public QDialog, public DefaultInstance<frmStartWiz>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmStartWiz)

public:
    frmStartWiz();
    void Form_Load();
    void Form_Unload();

    // Shows the wizard modally over `owner` (the main window).
    static void ShowModal(QWidget *owner = nullptr);

    QFrame *fraLoginInfo = nullptr;
    QLabel *lblLogin = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *txtUsername = nullptr;
    QLineEdit *txtPassword = nullptr;
    QCheckBox *chkAlwaysPswd = nullptr;
    QLabel *lblAuth = nullptr;
    QPushButton *cmdNext = nullptr;
    QPushButton *cmdBack = nullptr;
    QPushButton *cmdCancel = nullptr;
    ::Inet *Inet = nullptr;
    // Keeps "Last alive" fresh while the wizard waits for the user, so the
    // monitor program does not take the waiting program for a stuck one.
    TickTimer *tmrTimerAlive = nullptr;

    void cmdNext_Click();
    void cmdCancel_Click();
    void chkAlwaysPswd_Click();
    void tmrTimerAlive_Timer();

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setInputEnabled(bool on);

    bool m_checking = false;
};
