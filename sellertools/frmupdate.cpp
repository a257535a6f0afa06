#include "sellertools/frmupdate.h"

#include "foundation/basgeneral.h"
#include "foundation/mainformshell.h"
#include "foundation/settingsstore.h"
#include "platform/desktop.h"
#include "platform/msgbox.h"
#include "platform/ticktimer.h"
#include "sellertools/updatecheck.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kCrLf2 = QStringLiteral("\r\n\r\n");

} // namespace

frmUpdate::frmUpdate()
{
    setWindowFlag(Qt::Window, true);
    setWindowTitle(QStringLiteral("A New Version is Available"));

    auto *layout = new QVBoxLayout(this);
    auto *header = new QHBoxLayout;
    Image1 = new QLabel(this);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    header->addWidget(Image1);
    // The critical notice takes the ordinary message's place.
    auto *messages = new QGridLayout;
    lblMsg = new QLabel(QStringLiteral("A new version of %appname% is available"), this);
    lblCritical = new QLabel(QStringLiteral("This is a critical update, see below for details"), this);
    lblCritical->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    lblCritical->setVisible(false);
    messages->addWidget(lblMsg, 0, 0);
    messages->addWidget(lblCritical, 0, 0);
    header->addLayout(messages, 1);
    layout->addLayout(header);

    txtNotes = new QPlainTextEdit(this);
    txtNotes->setReadOnly(true);
    layout->addWidget(txtNotes, 1);

    auto *buttons = new QHBoxLayout;
    cmdRemind = new QPushButton(QStringLiteral("&Remind Me Tomorrow"), this);
    cmdUpdate = new QPushButton(QStringLiteral("&Update Now"), this);
    buttons->addStretch();
    buttons->addWidget(cmdRemind);
    buttons->addWidget(cmdUpdate);
    layout->addLayout(buttons);
    resize(460, 320);

    connect(cmdRemind, &QPushButton::clicked, this, &frmUpdate::cmdRemind_Click);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmUpdate::cmdUpdate_Click);
}

void frmUpdate::Form_Load()
{
    lblMsg->setText(lblMsg->text().replace(QStringLiteral("%appname%"), Desktop::AppTitle()));
}

QString frmUpdate::UpdaterPath()
{
    const QString folder = UpdaterFolder.isEmpty() ? basGeneral::AppPath() : UpdaterFolder;
    return QDir(folder).filePath(QStringLiteral("tallowmere-updater"));
}

QStringList frmUpdate::UpdaterArguments()
{
    return {QStringLiteral("--pid"),
            QString::number(QCoreApplication::applicationPid()),
            QStringLiteral("--revision"),
            QString::number(UpdateCheck::RunningRevision()),
            QStringLiteral("--program"),
            QCoreApplication::applicationFilePath()};
}

void frmUpdate::cmdRemind_Click()
{
    close();
}

void frmUpdate::cmdUpdate_Click()
{
    const QString updater = UpdaterPath();
    const QString title = Desktop::AppTitle();
    // Without the updater the program would end and nothing would install
    // the release, so the window stays and says why.
    if (!QFileInfo(updater).isExecutable()) {
        Desktop::MsgBox(QStringLiteral("The update cannot be installed: the updater ") + updater
                       + QStringLiteral(" was not found in the program folder."),
                   Desktop::BoxExclamation);
        return;
    }
    Desktop::MsgBox(title + QStringLiteral(" will now exit and start the update process") + kCrLf2
                   + QStringLiteral("Once the update is complete, ") + title + QStringLiteral(" will be restarted"),
               Desktop::BoxInformation);
    // Started on its own: it waits for this process to end.
    if (!Desktop::StartProgram(updater, UpdaterArguments())) {
        Desktop::MsgBox(QStringLiteral("The update cannot be installed: the updater ") + updater
                       + QStringLiteral(" could not be started."),
                   Desktop::BoxExclamation);
        return;
    }
    blnExit = true;
    frmMainShell &main = MainForm();
    main.blnPreventExit = false;
    main.blnForceExit = true;
    SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("1"));
    main.Unload();
    unloadInstance();
}

bool frmUpdate::Form_QueryUnload()
{
    if (blnExit)
        return false;
    if (blnCritical) {
        const QString title = Desktop::AppTitle();
        const int answer = Desktop::MsgBox(QStringLiteral("This is a critical update, ") + title
                                          + QStringLiteral(" may no longer work properly without this update") + kCrLf2
                                          + QStringLiteral("Are you sure you want to continue without updating?"),
                                      Desktop::BoxYesNo | Desktop::BoxExclamation | Desktop::BoxDefaultButton2);
        if (answer == Desktop::AnswerNo) {
            cmdUpdate_Click();
            return true;
        }
    }
    if (frmMainShell::isLoaded())
        MainForm().tmrTimer->setEnabled(true);
    return false;
}

void frmUpdate::closeEvent(QCloseEvent *event)
{
    if (Form_QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    unloadInstance();
}

void frmUpdate::Form_Deactivate()
{
    // Only when another window of this program took the activation, and no
    // modal box is up (which must keep it): other programs are left alone.
    QPointer<frmUpdate> self(this);
    QTimer::singleShot(0, this, [self] {
        if (!self || !self->isVisible() || QApplication::activeModalWidget())
            return;
        QWidget *active = QApplication::activeWindow();
        if (active && active != self)
            self->activateWindow();
    });
}

void frmUpdate::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        Form_Deactivate();
}
