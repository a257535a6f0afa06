#include "items/frmremind.h"

#include "engine/mainformengine.h"
#include "foundation/pageaccess.h"
#include "platform/listview.h"
#include "platform/windowkeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kReminders = QStringLiteral("reminders");

ListItem *rowOf(ListView &list, const QString &itemNumber)
{
    ListItem *row = list.SelectedItem();
    if (row && row->Text() == itemNumber)
        return row;
    return list.FindItem(itemNumber);
}

// The "t" token's amount and unit index; false when the token cannot be read
// (no "[" or "]" after it, an amount that is no number, a unit beyond 0-2).
bool readTimeToken(const QString &codes, QString &amount, int &unit)
{
    const qsizetype t = codes.indexOf(QLatin1Char('t'));
    const qsizetype open = codes.indexOf(QLatin1Char('['), t);
    const qsizetype close = codes.indexOf(QLatin1Char(']'), open);
    if (t < 0 || open < 0 || close < 0)
        return false;
    amount = basGeneral::GetBetween(codes, QStringLiteral("t"), QStringLiteral("["));
    const QString unitText = basGeneral::GetBetween(codes, QStringLiteral("["), QStringLiteral("]"));
    bool ok = false;
    unit = unitText.toInt(&ok);
    return ok && unit >= 0 && unit <= 2 && basGeneral::ReadsAsNumber(amount);
}

// The "p" token's price; false without its closing ";" or with no number.
bool readPriceToken(const QString &codes, QString &price)
{
    const qsizetype p = codes.indexOf(QLatin1Char('p'));
    if (p < 0 || codes.indexOf(QLatin1Char(';'), p) < 0)
        return false;
    price = basGeneral::GetBetween(codes, QStringLiteral("p"), QStringLiteral(";"));
    return basGeneral::ReadsAsNumber(price);
}

bool isDigit(const QString &text)
{
    return text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9');
}

} // namespace

frmRemind::frmRemind()
{
    setWindowTitle(QStringLiteral("Item Activity Notifications"));
    auto *grid = new QGridLayout(this);
    Label1 = new QLabel(QStringLiteral("Notify me when:"), this);
    chkBids = new QCheckBox(QStringLiteral("New bids are placed on this item"), this);
    chkQty = new QCheckBox(QStringLiteral("The available quantity changes"), this);
    chkTime = new QCheckBox(QStringLiteral("There are"), this);
    txtTime = new QLineEdit(this);
    ddnTime = new QComboBox(this);
    ddnTime->addItems({QStringLiteral("Minutes"), QStringLiteral("Hours"), QStringLiteral("Days")});
    Label2 = new QLabel(QStringLiteral(" left before the end"), this);
    chkPrice = new QCheckBox(QStringLiteral("The price meets or exceeds "), this);
    txtPrice = new QLineEdit(this);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);

    grid->addWidget(Label1, 0, 0, 1, 4);
    grid->addWidget(chkBids, 1, 0, 1, 4);
    grid->addWidget(chkQty, 2, 0, 1, 4);
    grid->addWidget(chkTime, 3, 0);
    grid->addWidget(txtTime, 3, 1);
    grid->addWidget(ddnTime, 3, 2);
    grid->addWidget(Label2, 3, 3);
    grid->addWidget(chkPrice, 4, 0);
    grid->addWidget(txtPrice, 4, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 5, 0, 1, 4);

    txtTime->installEventFilter(this);
    txtPrice->installEventFilter(this);
    connect(cmdOK, &QPushButton::clicked, this, &frmRemind::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmRemind::cmdCancel_Click);
}

void frmRemind::Form_Load()
{
    ddnTime->setCurrentIndex(0);
    ListView &list = *EngineForm().lvwAuctions;
    const ListItem *row = list.SelectedItem();
    if (!row)
        return;
    m_itemNumber = row->Text();
    const QString codes = list.Field(row, kReminders);
    chkBids->setChecked(codes.contains(QLatin1Char('b')));
    chkQty->setChecked(codes.contains(QLatin1Char('q')));
    QString amount;
    int unit = 0;
    if (codes.contains(QLatin1Char('t')) && readTimeToken(codes, amount, unit)) {
        chkTime->setChecked(true);
        txtTime->setText(amount);
        ddnTime->setCurrentIndex(unit);
    }
    QString price;
    if (codes.contains(QLatin1Char('p')) && readPriceToken(codes, price)) {
        chkPrice->setChecked(true);
        txtPrice->setText(price);
    }
}

void frmRemind::ShowModal()
{
    ListView &list = *EngineForm().lvwAuctions;
    const ListItem *row = list.SelectedItem();
    if (!row)
        return;
    if (isLoaded())
        unloadInstance();
    frmRemind &w = instance();
    w.setWindowTitle(QStringLiteral("Notifications - ") + list.Field(row, QStringLiteral("itemtitle")));
    w.exec();
    unloadInstance();
}

void frmRemind::cmdOK_Click()
{
    frmMainEngine &main = EngineForm();
    ListView &list = *main.lvwAuctions;
    ListItem *row = m_itemNumber.isEmpty() ? nullptr : rowOf(list, m_itemNumber);
    if (row) {
        // A time or price reminder without a usable amount is dropped.
        if (!basGeneral::ReadsAsNumber(txtTime->text()))
            chkTime->setChecked(false);
        if (!basGeneral::ReadsAsNumber(txtPrice->text()))
            chkPrice->setChecked(false);
        QString codes;
        if (chkBids->isChecked())
            codes += QLatin1Char('b');
        if (chkQty->isChecked())
            codes += QLatin1Char('q');
        if (chkTime->isChecked())
            codes += QLatin1Char('t') + txtTime->text() + QLatin1Char('[') + QString::number(ddnTime->currentIndex())
                     + QLatin1Char(']');
        if (chkPrice->isChecked())
            codes += QLatin1Char('p') + txtPrice->text() + QLatin1Char(';');
        list.setField(row, kReminders, codes);
        main.SaveList(false);
    }
    done(QDialog::Accepted);
}

void frmRemind::cmdCancel_Click()
{
    done(QDialog::Rejected);
}

bool frmRemind::txtTime_KeyPress(QKeyEvent *key)
{
    const QString text = key->text();
    if (text.isEmpty() || key->key() == Qt::Key_Backspace)
        return false; // keys without a character (arrows, Delete ...) work as usual
    return !isDigit(text);
}

bool frmRemind::txtPrice_KeyPress(QKeyEvent *key)
{
    const QString text = key->text();
    if (text.isEmpty() || key->key() == Qt::Key_Backspace)
        return false;
    if (text == QLatin1String(",")) {
        txtPrice->insert(QStringLiteral("."));
        return true;
    }
    return !(isDigit(text) || text == QLatin1String("."));
}

bool frmRemind::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (WindowKeys::IsWindowKey(*key) || WindowKeys::IsSelectAll(*key))
            return QDialog::eventFilter(watched, event);
        if (watched == txtTime)
            return txtTime_KeyPress(key);
        if (watched == txtPrice)
            return txtPrice_KeyPress(key);
    }
    return QDialog::eventFilter(watched, event);
}
