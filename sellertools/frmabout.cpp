#include "sellertools/frmabout.h"

#include "foundation/basgeneral.h"
#include "foundation/globals.h"
#include "foundation/mainformshell.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"

#include <QApplication>
#include <QDesktopServices>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// Longer input cannot be a command; it is dropped.
constexpr int kLongestCommand = 15;

QString boolText(bool on)
{
    return on ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

frmAbout::frmAbout()
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);
    Image1 = new QLabel(this);
    // The program's icon is the main window's: the application itself sets
    // none, and an empty picture would only leave a gap above the version.
    const QIcon icon = frmMainShell::isLoaded() ? frmMainShell::instance().windowIcon() : QApplication::windowIcon();
    Image1->setPixmap(icon.pixmap(64, 64));
    Image1->setVisible(!icon.isNull());
    lblAppVer = new QLabel(QStringLiteral("Version 1.0 (build 1)"), this);
    lblDataCaption = new QLabel(QStringLiteral("Data storage location (click to open in the file manager):"), this);
    lblDataPath = new QLabel(this);
    lblDataPath->setCursor(Qt::PointingHandCursor);
    lblDataPath->setStyleSheet(QStringLiteral("color: #0645ad; text-decoration: underline;"));
    lblStatus = new QLabel(QStringLiteral("Close"), this);
    lblStatus->setCursor(Qt::PointingHandCursor);
    lblStatus->setAlignment(Qt::AlignCenter);
    lblStatus->setFrameShape(QFrame::Panel);
    lblStatus->setFrameShadow(QFrame::Raised);
    for (QLabel *label : {lblAppVer, lblDataCaption, lblDataPath})
        label->setTextFormat(Qt::PlainText);
    lblDataPath->installEventFilter(this);
    lblStatus->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Image1, 0, Qt::AlignHCenter);
    layout->addWidget(lblAppVer);
    layout->addWidget(lblDataCaption);
    layout->addWidget(lblDataPath);
    layout->addWidget(lblStatus);
    // Keys go to the window itself (its console), not to a child.
    setFocusPolicy(Qt::StrongFocus);
}

void frmAbout::Form_Load()
{
    restoreCaption();
    lblAppVer->setText(QStringLiteral("Version %1.%2 (build %3)")
                           .arg(TALLOWMERE_VERSION_MAJOR)
                           .arg(TALLOWMERE_VERSION_MINOR)
                           .arg(TALLOWMERE_VERSION_PATCH));
    lblDataPath->setText(basGeneral::DataFolder());
}

void frmAbout::ShowModal()
{
    instance().exec();
}

void frmAbout::restoreCaption()
{
    setWindowTitle(QStringLiteral("About ") + Desktop::AppTitle());
}

void frmAbout::lblDataPath_Click()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(lblDataPath->text()));
}

void frmAbout::lblStatus_Click()
{
    unloadInstance();
}

void frmAbout::Form_KeyDown(int KeyCode)
{
    if (KeyCode == 27)
        unloadInstance();
}

void frmAbout::Form_KeyPress(int KeyAscii)
{
    if (!Text.isEmpty() && KeyAscii == 8) {
        Text.chop(1);
        if (Text.isEmpty())
            restoreCaption();
    } else {
        Text += QChar(KeyAscii).toLower();
    }
    if (Text.startsWith(QLatin1Char('/')))
        setWindowTitle(QStringLiteral("Command: ") + Text);
    else
        Text.clear(); // typing that does not start with "/" is dropped at once
    if (Text.size() > kLongestCommand) {
        Text.clear();
        restoreCaption();
    }
    runCommand();
}

void frmAbout::finishCommand(const QString &message, const std::function<void()> &effectBefore,
                             const std::function<void()> &effectAfter)
{
    hide();
    if (effectBefore)
        effectBefore();
    Desktop::MsgBox(message, Desktop::BoxInformation);
    if (effectAfter)
        effectAfter();
    unloadInstance();
}

void frmAbout::runCommand()
{
    frmMainShell &main = MainForm();
    if (Text == QLatin1String("/status")) {
        finishCommand(QStringLiteral("Refreshing: ") + boolText(main.blnRefreshing) + QStringLiteral("\r\nItems ending soon: ")
                          + boolText(main.blnItemsEndingSoon) + QStringLiteral("\r\nBidding: ") + boolText(main.blnBidding),
                      {}, {});
    } else if (Text == QLatin1String("/stall")) {
        finishCommand(QStringLiteral("Program has been forced into a stall, bids will no longer be placed"),
                      [&main] { main.tmrTimer->setEnabled(false); }, {});
    } else if (Text == QLatin1String("/copyinnerhtml")) {
        finishCommand(QStringLiteral("Browser's inner HTML copied to clipboard."), [&main] {
            Desktop::SetClipboardText(QString());
            Desktop::SetClipboardText(main.WebBrowser->DocumentHTML());
        }, {});
    } else if (Text == QLatin1String("/debug")) {
        finishCommand(QStringLiteral("Debug mode activated, to return to normal mode, go back to Help>About and type \"/undebug\"."),
                      {}, [] { DebugMode = true; });
    } else if (Text == QLatin1String("/undebug")) {
        finishCommand(QStringLiteral("Exiting debug mode"), {}, [] { DebugMode = false; });
    } else if (Text == QLatin1String("/forceupdate")) {
        finishCommand(QStringLiteral("Force update mode activated"), {}, [&main] { main.blnForceUpdate = true; });
    } else if (Text == QLatin1String("/vga")) {
        finishCommand(QStringLiteral("Resizing Window to 640x480"), {}, [&main] {
            main.setWindowState(Qt::WindowNoState);
            main.resize(640, 480);
        });
    } else if (Text == QLatin1String("/oldlist")) {
        finishCommand(QStringLiteral("Switching to old list view"), {}, [&main] {
            main.HTMLList->hide();
            main.lvwAuctions->show();
        });
    }
}

void frmAbout::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        Form_KeyDown(27);
        return;
    }
    if (event->key() == Qt::Key_Backspace) {
        Form_KeyPress(8);
        return;
    }
    const QString typed = event->text();
    if (typed.isEmpty() || !typed.at(0).isPrint()) {
        QDialog::keyPressEvent(event);
        return;
    }
    for (QChar c : typed) {
        // The command may have unloaded the window.
        if (!isLoaded() || &instance() != this)
            return;
        Form_KeyPress(c.unicode());
    }
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == lblDataPath) {
            lblDataPath_Click();
            return true;
        }
        if (watched == lblStatus) {
            lblStatus_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
