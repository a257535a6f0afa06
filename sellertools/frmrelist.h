#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class TickTimer;
class WebBrowser;

// "Relisting Item": relists one scheduled item through eBay's selling pages
// in its own browser, as a person would: sign out, sign in as the seller,
// sell a similar item, skip the catalog, create, review, and read the new
// item number from the confirmation into the schedule row. Each action runs
// at most once per relist. A watchdog fails any relist that has not finished
// 120 seconds after opening and shows "Relist Failed" with the last page's
// HTML on the clipboard.
class frmRelist final : public QDialog, public DefaultInstance<frmRelist>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRelist)

public:
    frmRelist();
    void Form_Load();
    void Form_Unload();

    // Relists one item and returns once the window has closed, whether the
    // relist succeeded, failed or was closed by the user. The window is modal
    // to `owner` (the window that asked for the relist) only, so any other
    // window the user has open, Settings say, keeps answering meanwhile;
    // without an owner it is modal to the whole program.
    static void RelistModal(const QString &itemNumber, const QString &title, const QString &user,
                            QWidget *owner = nullptr);

    QString strItemNumber;
    QString strItemTitle;
    QString strUser;
    bool blnCancel = false;
    bool blnStep1 = false;
    bool blnStepSkip = false;
    bool blnStep2 = false;
    bool blnStep3 = false;
    bool blnStep4 = false;
    int intRelistSec = 0;
    int intSeconds = 0;
    int intTotalTime = 55;

    QLabel *Label1 = nullptr;
    QProgressBar *ProgressBar = nullptr;
    QLabel *Image1 = nullptr;
    ::WebBrowser *WebBrowser = nullptr;
    TickTimer *RelistTimer = nullptr;
    TickTimer *tmrProgress = nullptr;
    TickTimer *ExpirationTimer = nullptr;

    void RelistTimer_Timer();
    void tmrProgress_Timer();
    void ExpirationTimer_Timer();
    void Image1_Click();

    // Milliseconds in one of the robot's seconds (its waits, the progress and
    // the watchdog). Tests shorten it; the program keeps 1000.
    inline static int SecondMs = 1000;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Waits `seconds` while events run; false when the relist was cancelled
    // (the window closing) meanwhile.
    bool wait(int seconds);
    QString lowerPage();
    int m_imageClicks = 0;
};

// "Relist Failed": names the item that could not be relisted. Nothing waits
// for it; it answers at once even over an open modal window.
class frmRelistFailed final : public QDialog, public DefaultInstance<frmRelistFailed>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRelistFailed)

public:
    frmRelistFailed();

    QLabel *lblMsg = nullptr;
    QLabel *Label1 = nullptr;
    class QPushButton *Command1 = nullptr;
};
