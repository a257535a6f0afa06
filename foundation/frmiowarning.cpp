#include "foundation/frmiowarning.h"

#include "foundation/basregistry.h"
#include "foundation/mainformshell.h"
#include "foundation/settingsstore.h"
#include "platform/desktop.h"
#include "platform/msgbox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kInternetSettings = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
}

frmIOWarning::frmIOWarning()
{
    setWindowTitle(QStringLiteral("Internet Options"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    lblHeading = new QLabel(QStringLiteral("There was a problem while downloading data over the Internet"), this);
    QFont bold = lblHeading->font();
    bold.setBold(true);
    lblHeading->setFont(bold);
    lblText1 = new QLabel(QStringLiteral("Your Windows Internet Options are currently set to use HTTP 1.1 which can cause "
                                         "Internet communication problems such as this one."), this);
    lblText2 = new QLabel(QStringLiteral("%appname% can automatically change your Windows Internet Options to use HTTP 1.0 "
                                         "which normally resolves this problem."), this);
    lblText3 = new QLabel(QStringLiteral("If you choose to have the setting corrected, %appname% will need to exit and be "
                                         "restarted for the changes to be applied."), this);
    for (QLabel *l : {lblHeading, lblText1, lblText2, lblText3}) {
        l->setWordWrap(true);
        l->setTextFormat(Qt::PlainText);
        layout->addWidget(l);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdCorrect = new QPushButton(QStringLiteral("&Correct setting && exit"), this);
    cmdExit = new QPushButton(QStringLiteral("Do &not change the setting"), this);
    buttons->addWidget(cmdCorrect);
    buttons->addWidget(cmdExit);
    layout->addLayout(buttons);
    connect(cmdCorrect, &QPushButton::clicked, this, &frmIOWarning::cmdCorrect_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmIOWarning::cmdExit_Click);
}

void frmIOWarning::Form_Load()
{
    MainForm().blnMustExit = true;
    for (QLabel *l : {lblText2, lblText3})
        l->setText(l->text().replace(QStringLiteral("%appname%"), Desktop::AppTitle()));
}

bool frmIOWarning::Http11InUse()
{
    for (const QString &name : {QStringLiteral("EnableHttp1_1"), QStringLiteral("ProxyHttp1.1")}) {
        const QString stored =
            basRegistry::GetValue(basRegistry::HKEY_CURRENT_USER, kInternetSettings, name).toString().trimmed();
        if (!stored.isEmpty() && stored != QLatin1String("0"))
            return true;
    }
    return false;
}

void frmIOWarning::cmdCorrect_Click()
{
    basRegistry::SetValue(basRegistry::HKEY_CURRENT_USER, kInternetSettings, QStringLiteral("EnableHttp1_1"), 0);
    basRegistry::SetValue(basRegistry::HKEY_CURRENT_USER, kInternetSettings, QStringLiteral("ProxyHttp1.1"), 0);
    SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("1"));
    MainForm().blnMustExit = true;
    MainForm().Unload();
    Desktop::EndProgram();
}

void frmIOWarning::cmdExit_Click()
{
    // The program goes on: a later exit must still ask about pending snipes.
    MainForm().blnMustExit = false;
    unloadInstance();
}

void frmIOWarning::reject()
{
    cmdExit_Click();
    QDialog::reject();
}
