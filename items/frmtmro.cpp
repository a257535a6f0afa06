#include "items/frmtmro.h"

#include "engine/onlineservice.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/mainformshell.h"
#include "platform/desktop.h"
#include "platform/msgbox.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Places a control by twips inside its parent.
void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(Desktop::TwipsToPixelsX(left), Desktop::TwipsToPixelsY(top), Desktop::TwipsToPixelsX(width), Desktop::TwipsToPixelsY(height));
}

QLabel *label(const QString &text, QWidget *parent, int left, int top, int width, int height = 255)
{
    auto *l = new QLabel(text, parent);
    place(l, left, top, width, height);
    return l;
}

} // namespace

frmTMRO::frmTMRO()
{
    setWindowTitle(QStringLiteral("Tallowmere Online"));
    setModal(true);
    setFixedSize(Desktop::TwipsToPixelsX(6960), Desktop::TwipsToPixelsY(5520));

    Image1 = new QLabel(this);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(48, 48));
    place(Image1, 120, 120, 840, 840);

    Label2 = label(QStringLiteral("Sign up for Tallowmere Online and get these additional benefits (optional):"), this, 1080, 120,
                   5700, 480);
    Label2->setWordWrap(true);
    Label1 = label(QStringLiteral("-Have your bids placed even if your computer is off"), this, 1200, 660, 5580);
    Label3 = label(QStringLiteral("-View and edit your bids on the Internet from anywhere"), this, 1200, 960, 5580);
    Label4 = label(QStringLiteral("-Works on any system including Macs and cell phones"), this, 1200, 1260, 5580);
    Label8 = label(QStringLiteral("-Over 99.9% average bidding reliability"), this, 1200, 1560, 5580);

    Frame1 = new QGroupBox(QStringLiteral("Sign Up Now"), this);
    place(Frame1, 120, 1980, 6720, 2760);
    Label6 = label(QStringLiteral("Your name:"), Frame1, 240, 420, 1500);
    txtName = new QLineEdit(Frame1);
    place(txtName, 1800, 360, 4680, 330);
    Label7 = label(QStringLiteral("Your email:"), Frame1, 240, 900, 1500);
    txtEmail = new QLineEdit(Frame1);
    place(txtEmail, 1800, 840, 4680, 330);
    lblUser = label(QStringLiteral("eBay username: %user%"), Frame1, 240, 1380, 6240);
    Label9 = label(QStringLiteral("eBay password: ****************"), Frame1, 240, 1740, 6240);
    cmdSignUp = new QPushButton(QStringLiteral("Sign Up Now"), Frame1);
    cmdSignUp->setDefault(true);
    place(cmdSignUp, 4680, 2160, 1800, 420);

    cmdClose = new QPushButton(QStringLiteral("Continue &Without These Benefits"), this);
    place(cmdClose, 3360, 4920, 3480, 420);

    connect(cmdSignUp, &QPushButton::clicked, this, &frmTMRO::cmdSignUp_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmTMRO::cmdClose_Click);
}

void frmTMRO::Form_Load()
{
    lblUser->setText(lblUser->text().replace(QStringLiteral("%user%"), CurrentUser));
}

void frmTMRO::ShowModal()
{
    if (isLoaded())
        unloadInstance();
    instance().exec();
}

void frmTMRO::setInputEnabled(bool on)
{
    txtName->setEnabled(on);
    txtEmail->setEnabled(on);
    cmdSignUp->setEnabled(on);
}

void frmTMRO::cmdSignUp_Click()
{
    if (m_sending)
        return;
    if (txtName->text().isEmpty()) {
        Desktop::MsgBox(QStringLiteral("You must enter your name"), Desktop::BoxExclamation);
        return;
    }
    const QString email = txtEmail->text();
    if (!email.contains(QLatin1Char('.')) || !email.contains(QLatin1Char('@'))) {
        Desktop::MsgBox(QStringLiteral("You must enter a valid email address"), Desktop::BoxExclamation);
        return;
    }

    m_sending = true;
    setCursor(Qt::WaitCursor);
    setInputEnabled(false);
    const OnlineService::Reply reply = OnlineService::CreateAccount(*MainForm().Inet, txtName->text(), email);
    unsetCursor();
    setInputEnabled(true);
    m_sending = false;

    switch (reply.outcome) {
    case OnlineService::Outcome::Accepted:
        Desktop::MsgBox(QStringLiteral("An email has been sent to you to confirm your account.") + kCrLf + kCrLf
                       + QStringLiteral("Once confirmed, you can use the Online features from within the program and also use "
                                        "the Online version from any web browser by going to this address and logging in "
                                        "with your eBay username and password:")
                       + kCrLf + kCrLf + HostRoles::url(HostRoles::Role::VendorSecure, QStringLiteral("/online/"), true),
                   Desktop::BoxInformation);
        unloadInstance();
        break;
    case OnlineService::Outcome::Refused:
        Desktop::MsgBox(QStringLiteral("An error occured while creating your account:") + kCrLf + kCrLf + reply.message,
                   Desktop::BoxExclamation);
        break;
    default:
        Desktop::MsgBox(QStringLiteral("An unknown error occured while creating your account."), Desktop::BoxExclamation);
        break;
    }
}

void frmTMRO::cmdClose_Click()
{
    if (m_sending)
        return;
    unloadInstance();
}

void frmTMRO::reject()
{
    // Esc and the close box; not while the sign-up waits for its reply.
    if (m_sending)
        return;
    unloadInstance();
    QDialog::reject();
}
