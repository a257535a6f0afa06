// Page 1's options and key filters, the checks of Next and the confirmation page.
#include "items/frmaddauction.h"

#include "foundation/basgeneral.h"
#include "foundation/pageaccess.h"
#include "foundation/timetext.h"
#include "items/frmtmro.h"
#include "platform/msgbox.h"
#include "platform/numberederror.h"
#include "platform/windowkeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>

namespace {

const QColor kRed(255, 0, 0);

void setTextColor(QLabel *label, const QColor &color)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

void setNormalColor(QLabel *label)
{
    setTextColor(label, QApplication::palette().color(QPalette::ButtonText));
}

// A number text's value; "" and text that is no number count as 0.
double valueOf(const QString &text)
{
    QString t = text.trimmed();
    t.remove(QLatin1Char(','));
    return t.toDouble();
}

// Why a typed maximum bid cannot be taken, or "" when it can. The list keeps
// the amount as typed, cut to cents, while the checks and the confirmation
// read it as a number: both must be the same amount.
QString maxBidRefusal(const QString &text)
{
    static const QRegularExpression plainAmount(QStringLiteral("^[0-9]*\\.?[0-9]*$"));
    const QString typed = text.trimmed();
    if (!plainAmount.match(typed).hasMatch() || !typed.contains(QRegularExpression(QStringLiteral("[0-9]"))))
        return QStringLiteral("Your maximum bid must be an amount such as 12.50");
    const QString cents = basGeneral::AmountAsPrice(typed);
    if (QString::number(cents.toDouble(), 'f', 2) != cents)
        return QStringLiteral("Your maximum bid has too many digits to be kept exactly, please enter a smaller amount");
    return {};
}

QString formatPrice(double amount)
{
    QString text = QString::number(amount, 'f', 10);
    return basGeneral::FormatPrice2(text);
}

} // namespace

void frmAddAuction::opt_Click()
{
    const bool snipe = optSnipe->isChecked();
    chkLocal->setEnabled(snipe);
    chkOnline->setEnabled(snipe);
    chkGroup->setEnabled(snipe);
    txtBidGroup->setEnabled(chkGroup->isEnabled() && chkGroup->isChecked());
}

void frmAddAuction::chkGroup_Click()
{
    if (chkGroup->isChecked() && UpDown->maximum() > 1) {
        chkGroup->setChecked(false);
        Desktop::MsgBox(QStringLiteral("Bid groups are only supported for single item auctions"), Desktop::BoxExclamation);
    }
    txtBidGroup->setEnabled(chkGroup->isChecked());
    if (!chkGroup->isChecked())
        txtBidGroup->setEditText(QString());
}

void frmAddAuction::lblWhatOnline_Click()
{
    frmTMRO::ShowModal();
    // Back from the sign-up window: the page is read again.
    m_fetchPending = true;
    Form_Activate();
}

bool frmAddAuction::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || (watched != txtMaxBid && watched != txtQty))
        return QDialog::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    if (WindowKeys::IsWindowKey(*key) || WindowKeys::IsSelectAll(*key))
        return false;
    const QString text = key->text();
    // Keys without a character (arrows, Delete, Home ...) edit as usual.
    if (text.isEmpty() && !(key->modifiers() & Qt::ControlModifier))
        return false;
    const QChar c = text.isEmpty() ? QChar() : text.at(0);
    const bool digitOrBackspace = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || key->key() == Qt::Key_Backspace;
    if (watched == txtQty)
        return !digitOrBackspace;
    if (digitOrBackspace || c == QLatin1Char('.'))
        return false;
    if (c == QLatin1Char(','))
        txtMaxBid->insert(QStringLiteral("."));
    return true;
}

bool frmAddAuction::checkBidPage()
{
    bool checkMinimum = true;
    if (txtMaxBid->text().startsWith(QStringLiteral("00"))) {
        txtMaxBid->setText(txtMaxBid->text().mid(2));
        checkMinimum = false;
    }
    // An empty field is left to the minimum's check below; after the "00"
    // escape nothing else would look at the amount.
    if (!optBuy->isChecked() && (!checkMinimum || !txtMaxBid->text().trimmed().isEmpty())) {
        const QString refusal = maxBidRefusal(txtMaxBid->text());
        if (!refusal.isEmpty()) {
            Desktop::MsgBox(refusal, Desktop::BoxExclamation);
            txtMaxBid->setFocus();
            return false;
        }
    }
    if (checkMinimum) {
        if (!optBuy->isChecked()
            && (!basGeneral::ReadsAsNumber(txtMaxBid->text()) || valueOf(txtMaxBid->text()) < valueOf(lblCurrentBid_Tag))) {
            setTextColor(lblCurrentBid, kRed);
            basGeneral::FlashControl(lblCurrentBid);
            return false;
        }
        setNormalColor(lblCurrentBid);
    }
    const double qty = valueOf(txtQty->text());
    if (qty < 1 || qty > UpDown->maximum()) {
        setTextColor(lblQtyAvail, kRed);
        basGeneral::FlashControl(lblQtyAvail);
        return false;
    }
    setNormalColor(lblQtyAvail);
    if (!chkLocal->isChecked() && !chkOnline->isChecked()) {
        Desktop::MsgBox(QStringLiteral("You must check at least one way to place this bid"), Desktop::BoxExclamation);
        return false;
    }
    if (optBuy->isEnabled() && !optBuy->isChecked()) {
        // Compared in single precision, so an amount that rounds to the price is refused too.
        const float bid = static_cast<float>(valueOf(txtMaxBid->text()));
        const float price = static_cast<float>(valueOf(optBuy_Tag));
        if (!(bid < price)) {
            Desktop::MsgBox(QStringLiteral("Your bid must be smaller than the Buy It Now Price of ") + strCurrency
                           + QString::number(valueOf(optBuy_Tag), 'f', 2),
                       Desktop::BoxExclamation);
            return false;
        }
    }
    return true;
}

void frmAddAuction::showConfirmPage()
{
    const int n = static_cast<int>(valueOf(txtQty->text()));
    const QString count = QString::number(n);
    const double price = valueOf(optBuy_Tag);
    const double bid = valueOf(txtMaxBid->text());
    fraBid->hide();
    fraConfirm->show();
    lblConfirmTitle->setText(lblTitle->text());

    const QString theseItems = n > 1 ? count + QStringLiteral(" of these items") : QStringLiteral("this item");
    if (optBuy->isChecked()) {
        const QString total = n > 1 ? QStringLiteral(" each (") + strCurrency + formatPrice(price * n) + QStringLiteral(" total)")
                                    : QString();
        lblConfirm->setText(QStringLiteral("Confirm Your Purchase"));
        lblTransType->setText(QStringLiteral("Buy ") + theseItems + QStringLiteral(" now for ") + strCurrency
                              + formatPrice(price) + total);
        lblCanCancel->setText(QStringLiteral("This transaction cannot be canceled once submitted"));
        setTextColor(lblCanCancel, kRed);
        lblBidSourceTitle->setText(QStringLiteral("Make this purchase from:"));
        lchkLocal->setChecked(true);
        lchkOnline->setChecked(false);
    } else if (optSnipe->isChecked()) {
        const QString total = n > 1 ? QStringLiteral(" each (") + strCurrency + formatPrice(bid * n) + QStringLiteral(" total)")
                                    : QString();
        lblConfirm->setText(QStringLiteral("Confirm Your Bid"));
        lblTransType->setText(QStringLiteral("Snipe ") + theseItems + QStringLiteral(" for ") + strCurrency + formatPrice(bid)
                              + total);
        lblCanCancel->setText(QStringLiteral("This transaction can be canceled until the item is sniped"));
        setTextColor(lblCanCancel, QColor(0, 0, 0));
        lblBidSourceTitle->setText(QStringLiteral("Place this bid from:"));
        lchkLocal->setChecked(chkLocal->isChecked());
        lchkOnline->setChecked(chkOnline->isChecked());
    } else {
        const QString items = n > 1 ? QStringLiteral("each of these ") + count + QStringLiteral(" items") : QStringLiteral("this item");
        const QString total = n > 1 ? QStringLiteral(" (") + strCurrency + formatPrice(bid * n) + QStringLiteral(" total)") : QString();
        lblConfirm->setText(QStringLiteral("Confirm Your Bid"));
        lblTransType->setText(QStringLiteral("Bid ") + strCurrency + formatPrice(bid) + QStringLiteral(" on ") + items
                              + QStringLiteral(" now") + total);
        lblCanCancel->setText(QStringLiteral("This transaction cannot be canceled once submitted"));
        setTextColor(lblCanCancel, kRed);
        lblBidSourceTitle->setText(QStringLiteral("Place this bid from:"));
        // A bid placed now always goes out from this computer.
        lchkLocal->setChecked(true);
        lchkOnline->setChecked(false);
    }
    const bool snipe = optSnipe->isChecked();
    chkAccept->setVisible(!snipe);
    chkAccept->setChecked(snipe);
    cmdNext->setEnabled(snipe);
    if (snipe)
        cmdNext->setFocus();
    else
        chkAccept->setFocus();
    cmdBack->setEnabled(true);
    cmdNext->setText(QStringLiteral("&Finish"));
}

void frmAddAuction::cmdNext_Click()
{
    // Page 1 shows before the read has ended (it lets events run); a Finish
    // then would close the window under the read.
    if (m_reading)
        return;
    try {
        if (fraBid->isVisibleTo(this)) {
            if (checkBidPage())
                showConfirmPage();
        } else if (fraConfirm->isVisibleTo(this)) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            cmdBack->setEnabled(false);
            cmdNext->setEnabled(false);
            cmdCancel->setEnabled(false);
            OK();
        }
    } catch (const std::exception &e) {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        const auto *vb = dynamic_cast<const NumberedError *>(&e);
        Desktop::MsgBox(vb ? vb->description() : QString::fromUtf8(e.what()), Desktop::BoxExclamation);
        unloadInstance();
    }
}

void frmAddAuction::cmdBack_Click()
{
    if (!fraConfirm->isVisibleTo(this))
        return;
    fraConfirm->hide();
    fraBid->show();
    cmdNext->setText(QStringLiteral("&Next >"));
    cmdNext->setEnabled(true);
    cmdBack->setEnabled(false);
}

void frmAddAuction::chkAccept_Click()
{
    cmdNext->setEnabled(chkAccept->isChecked());
}

void frmAddAuction::lchkLocal_Click()
{
    lchkLocal->setChecked(optSnipe->isChecked() ? chkLocal->isChecked() : true);
    if (chkAccept->isVisibleTo(this))
        chkAccept->setFocus();
    else
        cmdNext->setFocus();
}

void frmAddAuction::lchkOnline_Click()
{
    lchkOnline->setChecked(optSnipe->isChecked() && chkOnline->isChecked());
    if (chkAccept->isVisibleTo(this))
        chkAccept->setFocus();
    else
        cmdNext->setFocus();
}
