#include "sellertools/frmfeedbackmessage.h"

#include "foundation/basgeneral.h"
#include "platform/listview.h"
#include "sellertools/frmfeedback.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

frmFeedbackMessage::frmFeedbackMessage()
{
    setObjectName(QStringLiteral("frmFeedbackMessage"));
    setWindowTitle(QStringLiteral("Edit Feedback Message"));
    setModal(true);
    Label1 = new QLabel(QStringLiteral("Enter the feedback message you want to be returned from seller %user%:"), this);
    Label1->setTextFormat(Qt::PlainText);
    Label1->setWordWrap(true);
    txtFB = new QLineEdit(this);
    lblCharsLeft = new QLabel(QStringLiteral("80 characters left"), this);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblCharsLeft);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(txtFB);
    layout->addLayout(buttons);
    resize(480, 130);

    connect(txtFB, &QLineEdit::textChanged, this, &frmFeedbackMessage::txtFB_Change);
    connect(cmdOK, &QPushButton::clicked, this, &frmFeedbackMessage::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFeedbackMessage::cmdCancel_Click);
}

void frmFeedbackMessage::Form_Load()
{
    const ListItem *row = frmFeedback::instance().lvwSellers->SelectedItem();
    if (!row)
        return;
    Label1->setText(Label1->text().replace(QStringLiteral("%user%"), row->Text()));
    txtFB->setText(row->SubItem(1));
}

void frmFeedbackMessage::ShowModal()
{
    if (isLoaded())
        unloadInstance();
    instance().exec();
}

void frmFeedbackMessage::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, &frmFeedbackMessage::Form_Activate);
}

void frmFeedbackMessage::Form_Activate()
{
    basGeneral::SelectAllText(txtFB);
}

void frmFeedbackMessage::txtFB_Change()
{
    if (txtFB->text().size() > kMaxLength)
        txtFB->setText(txtFB->text().left(kMaxLength)); // comes back here once more
    else
        lblCharsLeft->setText(QString::number(kMaxLength - txtFB->text().size()) + QStringLiteral(" characters left"));
}

void frmFeedbackMessage::cmdOK_Click()
{
    if (ListItem *row = frmFeedback::instance().lvwSellers->SelectedItem())
        row->setSubItem(1, txtFB->text());
    unloadInstance();
}

void frmFeedbackMessage::cmdCancel_Click()
{
    unloadInstance();
}

void frmFeedbackMessage::reject()
{
    unloadInstance();
    QDialog::reject();
}
