#include "sellertools/frmsalesprogress.h"

#include "engine/mainformengine.h"
#include "foundation/ebaysignin.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/pageaccess.h"
#include "foundation/passwords.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/numberederror.h"
#include "sellertools/salespages.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kObjectNotSet = 91;

void putOnClipboard(const QString &text)
{
    Desktop::SetClipboardText(QString());
    Desktop::SetClipboardText(text);
}

} // namespace

frmSalesProgress::frmSalesProgress()
{
    setObjectName(QStringLiteral("frmSalesProgress"));
    setWindowTitle(QStringLiteral("Sales Progress"));
    setModal(true);
    Command1 = new QPushButton(QStringLiteral("Command1"), this);
    Inet = new ::Inet(this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Command1);
    resize(300, 100);
    connect(Command1, &QPushButton::clicked, this, &frmSalesProgress::Command1_Click);
}

void frmSalesProgress::ShowModal()
{
    if (isLoaded())
        unloadInstance();
    instance().exec();
}

void frmSalesProgress::Command1_Click()
{
    Command1->setEnabled(false);
    try {
        soldItemsRun();
    } catch (const NumberedError &e) {
        Desktop::MsgBox(QStringLiteral("The sold items could not be read.\r\n\r\nError #") + QString::number(e.number())
                            + QLatin1Char(' ') + e.description(),
                        Desktop::BoxExclamation);
    }
    unloadInstance();
}

void frmSalesProgress::soldItemsRun()
{
    const ListItem *account = FindEbayUser(*frmSettings::instance().lvwUsers, CurrentUser);
    if (!account)
        throw NumberedError(kObjectNotSet, QStringLiteral("Object variable or With block variable not set"));
    const QString password = basGeneral::UnscramblePassword(account->Tag());

    basGeneral::GetURL(eBaySignIn::SignOutURL(), Inet);
    // The password goes only over https.
    basGeneral::GetURL(eBaySignIn::QuickSignInURL(CurrentUser, password), Inet);

    const QString soldList = basGeneral::GetURL(SalesPages::SoldListURL(), EngineForm().Inet,
                                                   SalesPages::SoldListReplyBytes);
    putOnClipboard(soldList);
    Desktop::MsgBox(QStringLiteral("123"), Desktop::BoxOKOnly);

    SalesPages::SaleRows sales(soldList);
    QString paymentURL;
    while (sales.Next(&paymentURL)) {
        const QString payment = basGeneral::GetURL(paymentURL, Inet);
        putOnClipboard(payment);
        Desktop::MsgBox(SalesPages::ShippingAddress(payment), Desktop::BoxOKOnly);
    }
    EngineForm().SaveList(false);
}

void frmSalesProgress::reject()
{
    unloadInstance();
    QDialog::reject();
}
