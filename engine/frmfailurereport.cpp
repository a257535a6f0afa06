#include "engine/frmfailurereport.h"

#include "engine/reportform.h"
#include "foundation/mainformshell.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

frmFailureReport::frmFailureReport()
{
    setWindowTitle(QStringLiteral("Bid Failure Report"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto *layout = new QVBoxLayout(this);
    lblHeading = new QLabel(QStringLiteral("Unfortunately, your bid for the following item has failed:"), this);
    lblTitle = new QLabel(this);
    lblTitle->setTextFormat(Qt::PlainText); // the seller's title, never markup
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    lblItemNum = new QLabel(QStringLiteral("Item #"), this);
    lblExplain = new QLabel(QStringLiteral("This report was generated automatically and will help find the cause of the "
                                           "failure. It may hold a capture of your My eBay page, but never your password."),
                            this);
    lblExplain->setWordWrap(true);
    lblEmail = new QLabel(QStringLiteral("Email address to contact you about this problem (optional):"), this);
    txtEmail = new QLineEdit(this);
    optSend = new QRadioButton(QStringLiteral("I accept to send the report"), this);
    optDontSend = new QRadioButton(QStringLiteral("Do not send the report"), this);
    optSend->setChecked(true);
    cmdSend = new QPushButton(QStringLiteral("Send Report"), this);
    cmdSend->setDefault(true);
    WebBrowser = new ::WebBrowser(this);
    WebBrowser->Silent = true;
    // Works unseen, as the report is filled in by the window itself: out of
    // the layout and hidden, so no strip of it shows below the buttons.
    WebBrowser->hide();

    for (QWidget *w : std::initializer_list<QWidget *>{lblHeading, lblTitle, lblItemNum, lblExplain, lblEmail, txtEmail,
                                                       optSend, optDontSend})
        layout->addWidget(w);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSend);
    layout->addLayout(buttons);

    Timer = new TickTimer(250, false, this);
    connect(Timer, &TickTimer::Timer, this, &frmFailureReport::Timer_Timer);
    connect(optSend, &QRadioButton::clicked, this, &frmFailureReport::optSend_Click);
    connect(optDontSend, &QRadioButton::clicked, this, &frmFailureReport::optDontSend_Click);
    connect(cmdSend, &QPushButton::clicked, this, &frmFailureReport::cmdSend_Click);
    connect(WebBrowser, &WebBrowser::DocumentComplete, this, &frmFailureReport::WebBrowser_DocumentComplete);
}

frmFailureReport::~frmFailureReport() = default;

void frmFailureReport::Form_Load()
{
    lblItemNum->setText(QStringLiteral("Item #") + strItemNumber);
    Timer->setEnabled(true);
}

void frmFailureReport::Form_Unload()
{
    Timer->setEnabled(false);
}

void frmFailureReport::Show()
{
    // The texts are set after loading: show the number they name.
    lblItemNum->setText(QStringLiteral("Item #") + strItemNumber);
    Timer->setEnabled(true);
    show();
}

QString frmFailureReport::ReportPageURL()
{
    return ReportForm::PageURL();
}

int frmFailureReport::BuildNumber()
{
    return ReportForm::BuildNumber();
}

void frmFailureReport::Timer_Timer()
{
    if (!frmMainShell::isLoaded()) {
        Timer->setEnabled(false);
        return;
    }
    ListView *list = MainForm().lvwAuctions;
    ListItem *row = list->FindItem(strItemNumber);
    if (!row) {
        // The item left the list: there is no title to wait for.
        Timer->setEnabled(false);
        return;
    }
    const QString title = list->Field(row, QStringLiteral("itemtitle"));
    lblTitle->setText(title);
    if (!title.isEmpty() && title != QLatin1String("Retrieving..."))
        Timer->setEnabled(false);
}

void frmFailureReport::optSend_Click()
{
    cmdSend->setText(QStringLiteral("Send Report"));
}

void frmFailureReport::optDontSend_Click()
{
    cmdSend->setText(QStringLiteral("Close"));
}

void frmFailureReport::cmdSend_Click()
{
    if (!optSend->isChecked()) {
        unloadInstance();
        return;
    }
    cmdSend->setText(QStringLiteral("Sending..."));
    cmdSend->setEnabled(false);
    WebBrowser->Navigate(ReportPageURL());
}

void frmFailureReport::WebBrowser_DocumentComplete(const QString & /*url*/)
{
    QList<ReportForm::Field> fields = {
        {"reporttype", QStringLiteral("failedbid")},
        {"email", txtEmail->text()},
        {"UserName", strUsername},
        {"ItemNumber", strItemNumber},
    };
    fields += ReportForm::ProgramFields();
    fields += {
        {"SignOut", strResultSignOut},
        {"SignIn", strResultSignIn},
        {"sendbid", strResultSendBid},
        {"ConfirmBid", strResultConfirmBid},
    };
    if (ReportForm::HandlePage(*WebBrowser, fields))
        unloadInstance();
}

void frmFailureReport::closeEvent(QCloseEvent *event)
{
    event->ignore();
    unloadInstance();
}

void frmFailureReport::reject()
{
    unloadInstance();
}
