#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>
#include <QString>

class QLabel;
class TickTimer;
class WebBrowser;

// The report of an item page the add-item wizard could not read: sent at
// once, without a choice, through the vendor's report page in the window's
// own browser. Without the reply within 20 seconds the user is asked whether
// to try again.
class frmItemPageReport final : public QDialog, public DefaultInstance<frmItemPageReport>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmItemPageReport)

public:
    frmItemPageReport();
    void Form_Load();
    void Form_Unload();

    // Set by the wizard before the window is shown.
    QString HTML;
    QString strItemNumber;

    // Shows the report modally on `html` of item `itemNumber` and returns
    // when it has been sent or given up.
    static void ShowModal(const QString &html, const QString &itemNumber);

    QLabel *Label1 = nullptr;
    ::WebBrowser *WebBrowser = nullptr;
    TickTimer *Timer = nullptr;

    // Starts an attempt: the report page is loaded, then filled and sent.
    void Form_Activate();
    void Timer_Timer();
    void WebBrowser_DocumentComplete(const QString &url);

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    // One attempt per opening (and per retry): a message box handing the
    // focus back must not send the report again.
    bool m_sendPending = true;
};
