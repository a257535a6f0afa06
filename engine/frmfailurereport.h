#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TickTimer;
class WebBrowser;

// The report of a bid whose confirmation reply matched nothing the bid
// window knows. The bid window sets the six texts and shows it; the user may
// add an e-mail address and send the report, which fills the vendor's report
// page ("ReportForm") in the window's own browser and submits it.
class frmFailureReport final : public QDialog, public DefaultInstance<frmFailureReport>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmFailureReport)

public:
    frmFailureReport();
    ~frmFailureReport() override;
    void Form_Load();
    void Form_Unload();

    // Set by the bid window before Show.
    QString strItemNumber;
    QString strUsername;
    QString strResultSignOut;
    QString strResultSignIn;
    QString strResultSendBid;
    QString strResultConfirmBid;

    // Shows the window modeless; the caller does not wait for it.
    void Show();

    // The report page on the vendor's server.
    static QString ReportPageURL();
    // The program's build number, sent with every report.
    static int BuildNumber();

    QLabel *lblHeading = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblItemNum = nullptr;
    QLabel *lblExplain = nullptr;
    QLabel *lblEmail = nullptr;
    QLineEdit *txtEmail = nullptr;
    QRadioButton *optSend = nullptr;
    QRadioButton *optDontSend = nullptr;
    QPushButton *cmdSend = nullptr;
    ::WebBrowser *WebBrowser = nullptr;
    TickTimer *Timer = nullptr;

    void Timer_Timer();
    void optSend_Click();
    void optDontSend_Click();
    void cmdSend_Click();
    void WebBrowser_DocumentComplete(const QString &url);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
};
