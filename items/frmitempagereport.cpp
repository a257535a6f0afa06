#include "items/frmitempagereport.h"

#include "engine/reportform.h"
#include "foundation/globals.h"
#include "platform/msgbox.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kReplyWaitMs = 20000;
}

frmItemPageReport::frmItemPageReport()
{
    setWindowTitle(QStringLiteral("Error Report"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("The report is being sent, please wait..."), this);
    WebBrowser = new ::WebBrowser(this);
    WebBrowser->Silent = true;
    // Works unseen: the window fills the form itself. Out of the layout and
    // hidden, so no strip of it shows below the text.
    WebBrowser->hide();
    layout->addWidget(Label1);

    Timer = new TickTimer(kReplyWaitMs, false, this);
    connect(Timer, &TickTimer::Timer, this, &frmItemPageReport::Timer_Timer);
    connect(WebBrowser, &WebBrowser::DocumentComplete, this, &frmItemPageReport::WebBrowser_DocumentComplete);
}

void frmItemPageReport::Form_Load()
{
    Timer->setEnabled(true);
}

void frmItemPageReport::Form_Unload()
{
    Timer->setEnabled(false);
}

void frmItemPageReport::ShowModal(const QString &html, const QString &itemNumber)
{
    if (isLoaded())
        unloadInstance();
    frmItemPageReport &w = instance();
    w.HTML = html;
    w.strItemNumber = itemNumber;
    w.exec();
}

void frmItemPageReport::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_sendPending)
        QTimer::singleShot(0, this, &frmItemPageReport::Form_Activate);
}

void frmItemPageReport::Form_Activate()
{
    if (!m_sendPending)
        return;
    m_sendPending = false;
    WebBrowser->Navigate(ReportForm::PageURL());
}

void frmItemPageReport::Timer_Timer()
{
    Timer->setEnabled(false);
    if (Desktop::MsgBox(QStringLiteral("Failed to send the report. Try again?"), Desktop::BoxYesNo | Desktop::BoxExclamation)
        == Desktop::AnswerYes) {
        Timer->setEnabled(true);
        m_sendPending = true;
        Form_Activate();
    } else {
        unloadInstance();
    }
}

void frmItemPageReport::WebBrowser_DocumentComplete(const QString & /*url*/)
{
    QList<ReportForm::Field> fields = {
        {"reporttype", QStringLiteral("itempage")},
        {"UserName", CurrentUser},
        {"ItemNumber", strItemNumber},
    };
    fields += ReportForm::ProgramFields();
    fields += {{"itempage", HTML}};
    if (!ReportForm::HandlePage(*WebBrowser, fields))
        return;
    Timer->setEnabled(false);
    Desktop::MsgBox(QStringLiteral("The report has been sent successfully"), Desktop::BoxInformation);
    unloadInstance();
}

void frmItemPageReport::reject()
{
    unloadInstance();
}
