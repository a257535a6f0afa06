#include "sellertools/frmreview.h"

#include "foundation/hostroles.h"
#include "foundation/mainformshell.h"
#include "platform/desktop.h"
#include "platform/msgbox.h"
#include "platform/webbrowser.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QLabel *siteLink(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(name, parent);
    label->setTextFormat(Qt::PlainText);
    label->setCursor(Qt::PointingHandCursor);
    label->setStyleSheet(QStringLiteral("color: #0645ad; text-decoration: underline;"));
    return label;
}

} // namespace

frmReview::frmReview()
{
    setObjectName(QStringLiteral("frmReview"));
    setWindowFlag(Qt::Window);
    Label1 = new QLabel(QStringLiteral("You have been using %apptitle% for 30 days, please take the time to review this software on "
                                       "the following websites:"),
                        this);
    lblOnTop = new QLabel(QStringLiteral("This dialog will remain always on top so you can write a review on more than one website if "
                                         "you want which would be greatly appreciated. Thank you for your time."),
                          this);
    for (QLabel *label : {Label1, lblOnTop}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
    }
    Label2 = siteLink(QStringLiteral("Download Harbor"), this);
    Label3 = siteLink(QStringLiteral("Shareware Lantern"), this);
    Label2->installEventFilter(this);
    Label3->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addWidget(lblOnTop);
    resize(420, 180);
}

void frmReview::Form_Load()
{
    Desktop::SetTopMost(this);
    setWindowTitle(QStringLiteral("Please Review ") + Desktop::AppTitle());
    Label1->setText(Label1->text().replace(QStringLiteral("%apptitle%"), Desktop::AppTitle()));
}

void frmReview::ShowPrompt()
{
    frmReview &w = instance();
    // Over the main window, not in the screen's corner over its menus.
    if (!w.isVisible() && frmMainShell::isLoaded())
        Desktop::CentreOver(w, MainForm());
    w.show();
    w.raise();
}

QString frmReview::FirstReviewPage()
{
    return HostRoles::url(HostRoles::Role::Vendor, QStringLiteral("/reviews/harbor/tallowmere.html"));
}

QString frmReview::SecondReviewPage()
{
    return HostRoles::url(HostRoles::Role::Vendor, QStringLiteral("/reviews/lantern/tallowmere.html"));
}

void frmReview::Label2_Click()
{
    MainForm().WebBrowser->Navigate(FirstReviewPage());
}

void frmReview::Label3_Click()
{
    MainForm().WebBrowser->Navigate(SecondReviewPage());
}

bool frmReview::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Label2) {
            Label2_Click();
            return true;
        }
        if (watched == Label3) {
            Label3_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
