#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class TickTimer;

// The program's own password prompt: the user picks one of the stored eBay
// accounts and types its password. A correct pair unlocks and restores the
// main window and makes the account the active one; Cancel marks the
// program for an exit without questions and leaves the rest to the caller.
class frmSignIn final : public QDialog, public DefaultInstance<frmSignIn>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSignIn)

public:
    frmSignIn();
    void Form_Load();
    void Form_Unload();

    // Shows the prompt modally and returns whether the user passed it.
    static bool ShowModal(bool userChange = false);

    // The stored accounts: user IDs and their scrambled passwords, same order.
    QStringList Users;
    QStringList Pswds;
    // Set by the change-user command before it shows the prompt.
    bool UserChange = false;

    QComboBox *ddnUser = nullptr;
    QLineEdit *txtPassword = nullptr;
    QCheckBox *chkAlwaysPswd = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdUpdUsers = nullptr;
    TickTimer *Timer = nullptr;
    TickTimer *tmrTimerAlive = nullptr;

    // Refills the accounts from the settings and selects the active one.
    void UpdateUsers();

    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdUpdUsers_Click();
    void chkAlwaysPswd_Click();
    void Timer_Timer();
    void tmrTimerAlive_Timer();

protected:
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Set by a successful OK for ShowModal's answer.
    static inline bool s_passed = false;
};
