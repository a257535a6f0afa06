#include "app/submain.h"
#include "app/endrequest.h"
#include "app/menuwiring.h"

#include "foundation/basgeneral.h"
#include "foundation/basregistry.h"
#include "foundation/frmsplash.h"
#include "foundation/settingsnotice.h"
#include "foundation/settingsstore.h"
#include "items/frmitemnumber.h"
#include "items/itemwindows.h"
#include "items/itemimports.h"
#include "engine/browserseams.h"
#include "mainwindow/frmmain.h"
#include "platform/defaultinstance.h"
#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/leftovers.h"
#include "platform/msgbox.h"
#include "platform/singleinstance.h"
#include "platform/numberederror.h"
#include "sellertools/frmrelistitems.h"
#include "sellertools/frmfeedbackprogress.h"
#include "platform/registry.h"
#include "sellertools/updatecheck.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QWidget>

#include <memory>

namespace {

std::unique_ptr<SingleInstance> g_instanceLock;

const QString kCrLf2 = QStringLiteral("\r\n\r\n");

void unloadEveryWindow()
{
    LoadedWindows::UnloadAllBut(nullptr);
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
    if (frmMainShell::isLoaded())
        frmMainShell::instance().deleteLater();
    QCoreApplication::quit();
}

} // namespace

void RegisterWindows()
{
    frmMain::registerAsMainWindow();
    UpdateCheck::Register();
    frmRelistItems::Register();
    frmFeedbackProgress::Register();
    RegisterItemWindows();
    RegisterItemImportWindows();
    BrowserSeams::ProgramRevision = &UpdateCheck::RunningRevision;
    RegisterMenuWindows();
}

bool Main()
{
    // 1. One running copy per data folder: a second start ends at once,
    // touching no setting.
    const QString privateData = Folders::privateData(Desktop::AppTitle());
    g_instanceLock = std::make_unique<SingleInstance>(privateData);
    if (g_instanceLock->outcome() == SingleInstance::Outcome::AnotherIsRunning) {
        g_instanceLock.reset();
        return false;
    }
    try {
        // A lock nobody here can judge would end every start in silence:
        // the user is told which file is in the way, before any setting is
        // written.
        if (g_instanceLock->outcome() == SingleInstance::Outcome::Unjudged) {
            const QString text = QStringLiteral("Path/File access error: ") + g_instanceLock->lockFile() + kCrLf2
                + g_instanceLock->problem();
            g_instanceLock.reset();
            throw NumberedError(ErrorNumber::PathFileAccessError, text);
        }
        // 2. The heartbeat for the monitor: the first settings read. An
        // unreadable settings file is set aside and the user told before
        // anything else; the start goes on as for missing settings.
        WatchUnreadableSettings();
        basGeneral::WriteHeartbeat();
        TellUnreadableSettings();
        // 3. The data folder, made at step 1. One that could not be had as
        // this user's own (a link, another user's folder) is not used: it
        // would hold the list unlocked and open to others.
        const QString data = basGeneral::DataFolder();
        if (privateData.isEmpty())
            throw NumberedError(ErrorNumber::PathNotFound, QStringLiteral("Path not found: ") + data);
        // Temporary files of saves cut short by a killed process.
        Leftovers::RemoveSaveTemporaries(data);
        Registry::Store::instance().removeLeftovers();
        // 4. The last run did not end cleanly.
        if (GetSetting(QStringLiteral("Exit OK")) == QLatin1String("False")
            && GetSetting(QStringLiteral("1st Run")) == QLatin1String("False")) {
            // A whole start-up leaves its step empty: the run died after it.
            QString step = GetSetting(QStringLiteral("Last load step"));
            if (step.isEmpty())
                step = QStringLiteral("Start-up complete");
            const QString prompt = Desktop::AppTitle() + QStringLiteral(" has not properly shut down the last time it has been used.") + kCrLf2
                + QStringLiteral("If the program is giving an error as it loads, click Yes to reset the program settings and re-open the program.")
                + kCrLf2 + QStringLiteral("The last successful step during the loading process was \"") + step + QLatin1Char('"') + kCrLf2
                + QStringLiteral("Reset program settings?");
            if (Desktop::MsgBox(prompt, Desktop::BoxYesNo | Desktop::BoxCritical | Desktop::BoxDefaultButton2) == Desktop::AnswerYes) {
                // The accounts go with the reset: keep them aside first.
                const std::optional<QString> copy = KeepSettingsBeforeReset();
                if (!copy) {
                    Desktop::MsgBox(QStringLiteral("The program settings could not be copied aside, so they have not been reset:\r\n")
                                        + Registry::Store::filePath(),
                                    Desktop::BoxExclamation);
                    return false;
                }
                basRegistry::DeleteKey(basRegistry::HKEY_CURRENT_USER, kSettingsParentKey, QStringLiteral("Settings"));
                if (!copy->isEmpty())
                    Desktop::MsgBox(SettingsKeptMessage(*copy), Desktop::BoxInformation);
                return false;
            }
        }
        // Asked to end while it starts (the question above closed as No):
        // nothing more is written, and the question comes again next time.
        if (EndRequest::Requested())
            return false;
        // 5.-9. Running; the splash.
        SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("False"));
        // The main window's own steps begin inside its loading; a crash while
        // it is made (the browser engine starting) would otherwise leave the
        // last run's step, empty after a whole load, for the next question.
        SaveSetting(QStringLiteral("Last Load Step"), QStringLiteral("Loading main window"));
        basGeneral::InitCommonCtrls();
        frmSplash &splash = frmSplash::instance();
        splash.show();
        Desktop::DoEvents();
        splash.SetProgress(10);
        Desktop::DoEvents();
        if (frmSplash::isLoaded()) {
            frmSplash::instance().lblStatus->setText(QStringLiteral("Loading main window..."));
            frmSplash::instance().SetProgress(25);
        }
        Desktop::DoEvents();
        if (EndRequest::Requested()) {
            // Nothing started yet: the end is a clean one.
            frmSplash::unloadInstance();
            SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("1"));
            return false;
        }
        // 10. The main window; its loading runs inside this call.
        frmMainShell::instance().Show();
        return true;
    } catch (const NumberedError &e) {
        if (frmSplash::isLoaded())
            frmSplash::instance().hide();
        if (frmMainShell::isLoaded() && frmMainShell::instance().blnExiting)
            return false;
        Desktop::MsgBox(QStringLiteral("An error occured while loading the program") + kCrLf2 + QStringLiteral("Error #")
                       + QString::number(e.number()) + QLatin1Char(' ') + e.description(),
                   Desktop::BoxCritical);
        unloadEveryWindow();
        return false;
    }
}
