#include "items/frmaddautosearch.h"

#include "foundation/pageaccess.h"
#include "items/frmautosearch.h"
#include "platform/listview.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString notificationsText(bool screen, bool email)
{
    if (screen && email)
        return QStringLiteral("On screen & Email");
    if (screen)
        return QStringLiteral("On screen");
    if (email)
        return QStringLiteral("Email");
    return QString();
}

QString buyItNowText(bool buy, const QString &minimum, const QString &maximum)
{
    if (!buy)
        return QStringLiteral("No");
    if (minimum.isEmpty() && maximum.isEmpty())
        return QStringLiteral("At any price");
    if (maximum.isEmpty())
        return QStringLiteral("Over $") + minimum;
    if (minimum.isEmpty())
        return QStringLiteral("Under $") + maximum;
    return QStringLiteral("Between $") + minimum + QStringLiteral(" and $") + maximum;
}

} // namespace

frmAddAutoSearch::frmAddAutoSearch()
{
    setObjectName(QStringLiteral("frmAddAutoSearch"));
    setWindowTitle(QStringLiteral("Auto Search"));
    setModal(true);
    Label1 = new QLabel(QStringLiteral("Address for the search to execute:"), this);
    txtSearchURL = new QLineEdit(this);
    Label2 = new QLabel(QStringLiteral("When a match is found:"), this);
    chkScreenNotif = new QCheckBox(QStringLiteral("Show a notification on the screen"), this);
    chkEmailNotif = new QCheckBox(QStringLiteral("Send an email notification to:"), this);
    Text3 = new QLineEdit(this);
    chkBuy = new QCheckBox(QStringLiteral("If Buy It Now listing is found, buy it if the price is between USD"), this);
    txtBINMin = new QLineEdit(this);
    Label5 = new QLabel(QStringLiteral("and"), this);
    txtBINMax = new QLineEdit(this);
    chkBuyDescInText = new QCheckBox(QStringLiteral("Only if this text is found in the description:"), this);
    Text1 = new QLineEdit(this);
    Check5 = new QCheckBox(QStringLiteral("Only if this text is not found in the description:"), this);
    Text5 = new QLineEdit(this);
    Label3 = new QLabel(QStringLiteral("It is your responsibility to make sure the above parameters are set correctly and for the "
                                       "automatic purchases that will be made. To activate this feature, type \"I agree\" below:"),
                        this);
    Label3->setWordWrap(true);
    Text6 = new QLineEdit(this);
    Label4 = new QLabel(QStringLiteral("Name this search:"), this);
    txtSearchName = new QLineEdit(this);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto *g = new QGridLayout(this);
    int row = 0;
    g->addWidget(Label1, row++, 0, 1, 4);
    g->addWidget(txtSearchURL, row++, 0, 1, 4);
    g->addWidget(Label2, row++, 0, 1, 4);
    g->addWidget(chkScreenNotif, row++, 0, 1, 4);
    g->addWidget(chkEmailNotif, row, 0, 1, 2);
    g->addWidget(Text3, row++, 2, 1, 2);
    g->addWidget(chkBuy, row++, 0, 1, 4);
    g->addWidget(txtBINMin, row, 0);
    g->addWidget(Label5, row, 1);
    g->addWidget(txtBINMax, row++, 2);
    g->addWidget(chkBuyDescInText, row, 0, 1, 2);
    g->addWidget(Text1, row++, 2, 1, 2);
    g->addWidget(Check5, row, 0, 1, 2);
    g->addWidget(Text5, row++, 2, 1, 2);
    g->addWidget(Label3, row++, 0, 1, 4);
    g->addWidget(Text6, row++, 0, 1, 4);
    g->addWidget(Label4, row, 0, 1, 2);
    g->addWidget(txtSearchName, row++, 2, 1, 2);
    g->addWidget(cmdOK, row, 2);
    g->addWidget(cmdCancel, row, 3);

    connect(txtSearchURL, &QLineEdit::textChanged, this, &frmAddAutoSearch::txtSearchURL_Change);
    connect(cmdOK, &QPushButton::clicked, this, &frmAddAutoSearch::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddAutoSearch::cmdCancel_Click);
}

void frmAddAutoSearch::ShowModal()
{
    if (isLoaded())
        unloadInstance();
    instance().exec();
    unloadInstance();
}

void frmAddAutoSearch::txtSearchURL_Change()
{
    const QString address = txtSearchURL->text();
    txtBINMin->setText(basGeneral::GetBetween(address, QStringLiteral("_udlo="), QStringLiteral("&")));
    txtBINMax->setText(basGeneral::GetBetween(address, QStringLiteral("_udhi="), QStringLiteral("&")));
}

void frmAddAutoSearch::cmdOK_Click()
{
    ListItem *row = frmAutoSearch::instance().lvwSearches->Add(txtSearchName->text());
    row->setSubItem(1, notificationsText(chkScreenNotif->isChecked(), chkEmailNotif->isChecked()));
    row->setSubItem(2, buyItNowText(chkBuy->isChecked(), txtBINMin->text(), txtBINMax->text()));
    row->setChecked(true);
    row->setTag(txtSearchURL->text());
    unloadInstance();
}

void frmAddAutoSearch::cmdCancel_Click()
{
    unloadInstance();
}
