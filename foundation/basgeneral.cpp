#include "foundation/basgeneral.h"

#include "foundation/settingsstore.h"
#include "platform/ansi.h"
#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/msgbox.h"
#include "platform/privatefile.h"
#include "platform/numberederror.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QSaveFile>
#include <QWidget>

namespace basGeneral {

namespace {
constexpr int kLogKeep = 10240;
const QString kCrLf = QStringLiteral("\r\n");

QString withSeparator(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}
} // namespace

QString GetSpecialFolder(int folderId)
{
    QString path;
    if (folderId == CSIDL_LOCAL_APPDATA)
        path = Folders::localAppData();
    else if (folderId == CSIDL_APPDATA)
        path = Folders::roamingAppData();
    if (!path.isEmpty() && !QFileInfo(path).isDir())
        QDir().mkpath(path); // the data folder is made below it, so it must exist
    if (path.isEmpty() || !QFileInfo(path).isDir())
        throw NumberedError(ErrorNumber::FolderNotFound, QStringLiteral("The folder path could not be detected"), QStringLiteral("SpecialFolder"));
    return path;
}

QString AppPath()
{
    return withSeparator(Folders::program());
}

QString DataFolder()
{
    return withSeparator(GetSpecialFolder(CSIDL_LOCAL_APPDATA)) + Desktop::AppTitle() + QLatin1Char('/');
}

QString RoamingDataFolder()
{
    return withSeparator(GetSpecialFolder(CSIDL_APPDATA)) + Desktop::AppTitle() + QLatin1Char('/');
}

void MoveFileIfMissing(const QString &source, const QString &destination)
{
    try {
        if (QFileInfo::exists(destination) || !QFileInfo::exists(source))
            return;
        if (!QFile::rename(source, destination) && QFile::copy(source, destination))
            QFile::remove(source); // across file systems: copy, then remove
        PrivateFile::narrow(destination); // a data file now, for the user's eyes only
    } catch (...) {
    }
}

QString GeneralDate(const QDateTime &when)
{
    const QLocale locale = QLocale::system();
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(when.time(), QLocale::LongFormat);
}

void WriteLog(const QString &fileName, const QString &text)
{
    const QString path = DataFolder() + fileName;
    QString old;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            throw NumberedError(ErrorNumber::PermissionDenied, QStringLiteral("Permission denied: ") + path);
        old = Ansi::decode(existing.read(kLogKeep));
        existing.close();
        if (old.endsWith(kCrLf))
            old.chop(2);
    }
    const QString content = GeneralDate(QDateTime::currentDateTime()) + QStringLiteral(": ") + text + kCrLf + old + kCrLf;
    // Written beside the old file and renamed over it: a failure half-way
    // leaves the previous log intact.
    QSaveFile out(path);
    if (!PrivateFile::open(out))
        throw NumberedError(ErrorNumber::PathNotFound, QStringLiteral("Path not found: ") + path);
    out.write(Ansi::encode(content));
    if (!out.commit())
        throw NumberedError(ErrorNumber::PermissionDenied, QStringLiteral("The log could not be written: ") + path);
}

void SelectAllText(QLineEdit *box)
{
    if (box)
        box->selectAll();
}

void FlashControl(QWidget *control)
{
    if (!control)
        return;
    control->setVisible(false);
    QElapsedTimer clock;
    clock.start();
    int changes = 0;
    while (changes < 5) {
        Desktop::DoEvents();
        if (clock.elapsed() >= 250) {
            control->setVisible(!control->isVisible());
            clock.restart();
            ++changes;
        }
        Desktop::WaitWithEvents(5);
    }
    control->setVisible(true);
}

void WriteHeartbeat()
{
    SaveSetting(QStringLiteral("Last alive"), GeneralDate(QDateTime::currentDateTime()));
}

bool ConfirmPasswordPromptOff()
{
    return Desktop::MsgBox(QStringLiteral("By not requiring a password to access the program, anyone that has access to this computer "
                                     "will also have access to your eBay account.\r\n\r\n"
                                     "Never disable this option on a shared computer. Are you sure you want to disable password "
                                     "protection?"),
                      Desktop::BoxYesNo | Desktop::BoxExclamation | Desktop::BoxDefaultButton2)
        == Desktop::AnswerYes;
}

bool InitCommonCtrls()
{
    return true;
}

} // namespace basGeneral
