#include "sellertools/frmsales.h"

#include "sellertools/frmsalesprogress.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>

frmSales::frmSales()
{
    setObjectName(QStringLiteral("frmSales"));
    setWindowTitle(QStringLiteral("Sale Manager"));
    setModal(true);
    auto *intro = new QLabel(QStringLiteral("When a PayPal payment is received for an eBay item:"), this);
    txtTitleContains = new QLineEdit(QStringLiteral("<all items>"), this);
    chkEmail = new QCheckBox(QStringLiteral("Send &email to buyer:"), this);
    txtEmail = new QLineEdit(this);
    chkPrint = new QCheckBox(QStringLiteral("Automatically &print shipping labels on:"), this);
    ddnPrinters = new QComboBox(this);
    chk3rdParty = new QCheckBox(QStringLiteral("Call a 3rd party program or URL:"), this);
    txt3rdParty = new QLineEdit(this);
    cmdSave = new QPushButton(QStringLiteral("Save"), this);
    cmdDel = new QPushButton(QStringLiteral("Delete"), this);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    Command1 = new QPushButton(QStringLiteral("TEST"), this);

    auto *rules = new QGridLayout;
    rules->addWidget(new QLabel(QStringLiteral("If the title contains:"), this), 0, 0);
    rules->addWidget(txtTitleContains, 0, 1);
    rules->addWidget(chkEmail, 1, 0);
    rules->addWidget(txtEmail, 1, 1);
    rules->addWidget(chkPrint, 2, 0);
    rules->addWidget(ddnPrinters, 2, 1);
    rules->addWidget(chk3rdParty, 3, 0);
    rules->addWidget(txt3rdParty, 3, 1);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {cmdSave, cmdDel, Command1})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(rules);
    layout->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, &frmSales::Command1_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSales::cmdCancel_Click);
}

void frmSales::Form_Load()
{
    ddnPrinters->clear();
    ddnPrinters->addItems(QPrinterInfo::availablePrinterNames());
}

void frmSales::ShowModal()
{
    if (isLoaded())
        unloadInstance();
    instance().exec();
}

void frmSales::Command1_Click()
{
    frmSalesProgress::ShowModal();
}

void frmSales::cmdCancel_Click()
{
    unloadInstance();
}

void frmSales::reject()
{
    unloadInstance();
    QDialog::reject();
}
