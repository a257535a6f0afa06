#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class Inet;
class QLabel;
class QPushButton;
class TickTimer;

// The small topmost prompt for a copied eBay item: shows the number, fetches
// the item's title, and offers to bid, watch or view it; unless held open it
// closes by itself after a short countdown.
class frmCopyAsk final : public QWidget, public DefaultInstance<frmCopyAsk>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmCopyAsk)

public:
    frmCopyAsk();
    void Form_Load();

    // Opens the prompt on a copied item number and fetches its title (the
    // scanner's "Ask" choice).
    static void AskAbout(const QString &itemNumber);

    // Fetches the item's title into lblTitle and starts the countdown; closes
    // the window when the item has no title (unknown item, failed fetch).
    void GetTitle();

    qint16 intCntr = 0;
    qint16 intDelay = 10;

    QLabel *lblHeader = nullptr;
    QLabel *lblNumber = nullptr;
    QString lblNumber_Tag; // the item number
    QLabel *lblTitle = nullptr;
    QPushButton *cmdBid = nullptr;
    QPushButton *cmdWatch = nullptr;
    QPushButton *cmdView = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdDontClose = nullptr;
    TickTimer *tmrTimer = nullptr;
    // The prompt's own transfer control: the main window's stays free for
    // the sign-in before an auction's end and for refreshes.
    ::Inet *Inet = nullptr;

    void tmrTimer_Timer();
    void cmdBid_Click();
    void cmdWatch_Click();
    void cmdView_Click();
    void cmdCancel_Click();
    void cmdDontClose_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The caption and the countdown button for `secondsLeft`.
    void showSecondsLeft(int secondsLeft);
    // Unloads the window; while a title fetch runs on the window's control
    // the window only hides and unloads when the fetch has returned.
    void closeWindow();

    int m_fetchDepth = 0;
    int m_fetchGeneration = 0;
    bool m_closeAfterFetch = false;
};
