// The one-shot start-up loader: everything start-up needs of files, dialogs
// and the network, in one straight run on the loader timer's first tick.
#include "engine/mainformengine.h"

#include "engine/damagedfile.h"
#include "engine/listfileformat.h"
#include "engine/onlineservice.h"
#include "engine/startupwindows.h"
#include "foundation/basgeneral.h"
#include "foundation/basregistry.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/frmsignin.h"
#include "foundation/frmsplash.h"
#include "foundation/frmstartwiz.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/monitorlauncher.h"
#include "foundation/pageaccess.h"
#include "foundation/settingsstore.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/numberederror.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"

#include <QAction>
#include <QCheckBox>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kFavorites = QStringLiteral("favorites.dat");
const QString kLastLoadStep = QStringLiteral("Last Load Step");
const QString kLoadingListStep = QStringLiteral("Loading items list");
const QStringList kMovedFiles = {
    QStringLiteral("data.dat"), QStringLiteral("data1.dat"), QStringLiteral("data2.dat"), QStringLiteral("data3.dat"),
    QStringLiteral("data4.dat"), QStringLiteral("data5.dat"), QStringLiteral("data6.dat"), QStringLiteral("favorites.dat"),
    QStringLiteral("feedback.dat"), QStringLiteral("relist.dat"),
};

void splashStatus(const QString &text, int progress)
{
    frmSplash &splash = frmSplash::instance();
    splash.lblStatus->setText(text);
    splash.SetProgress(progress);
    Desktop::DoEvents();
}

// Asks the vendor whether the active user has an account with the online
// service; only the exact reply "OK: Registered" counts.
bool hasOnlineAccount(Inet *inet)
{
    return inet && OnlineService::AccountQuery(*inet).outcome == OnlineService::Outcome::Registered;
}

NumberedError favoritesTooLarge(const QString &what)
{
    return NumberedError(7, QStringLiteral("The file is too large to be a favorites list (more than ") + what
                                + QLatin1Char(')'));
}

bool isDate(const QString &text)
{
    return QDate::fromString(text, Qt::ISODate).isValid();
}

QDate toDate(const QString &text)
{
    return QDate::fromString(text, Qt::ISODate);
}

} // namespace

void frmMainEngine::unloadAfterLoader()
{
    // Loading is over either way: a close requested from here must go through.
    blnPreventExit = false;
    Unload();
}

void frmMainEngine::LoadFavorites()
{
    QString text;
    switch (ListFile::ReadFileText(basGeneral::DataFolder() + kFavorites, &text)) {
    case ListFile::FileRead::Absent:
        return;
    case ListFile::FileRead::Unreadable:
        throw NumberedError(ErrorNumber::PermissionDenied, QStringLiteral("Permission denied"));
    case ListFile::FileRead::TooLarge:
        throw favoritesTooLarge(QString::number(ListFile::kMaxFileBytes / (1024 * 1024)) + QStringLiteral(" MB"));
    case ListFile::FileRead::Read:
        break;
    }
    // The whole file is read before the menu takes any of it: a damaged file
    // leaves no part of itself behind.
    QList<std::pair<QString, QString>> favorites;
    ListFile::QuotedFieldReader reader(std::move(text));
    ListFile::RecordLimit limit;
    while (!reader.AtEnd()) {
        if (!limit.Take())
            throw favoritesTooLarge(QString::number(ListFile::kMaxRecords) + QStringLiteral(" favorites"));
        QString caption = reader.ReadField();
        QString url = reader.ReadField();
        caption.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        url.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        favorites.append({std::move(caption), std::move(url)});
    }
    for (const auto &[caption, url] : favorites) {
        // The placeholder is the lone disabled element: a favorite may well
        // carry the placeholder's caption.
        QAction *first = mnuFavoritesItems.value(0);
        if (first && mnuFavoritesItems.size() == 1 && !first->isEnabled()) {
            first->setText(caption);
            first->setData(url);
            first->setEnabled(true);
        } else {
            QAction *item = mnuFavorites->addAction(caption);
            item->setData(url);
            mnuFavoritesItems << item;
        }
        Desktop::DoEvents();
    }
}

void frmMainEngine::FavoritesUnreadable(const NumberedError &e)
{
    // The program goes on without favorites: the auction list is read and
    // its snipes go out while the notice waits to be read.
    frmSplash::unloadInstance();
    QString notice = QStringLiteral("An error occured while loading your favorites list: ") + e.description() + kCrLf + kCrLf;
    // Under a name of its own: an earlier damaged list stays.
    const QString backup = DamagedFile::SetAside(basGeneral::DataFolder(), kFavorites);
    if (backup.isEmpty())
        notice += DamagedFile::NotSetAsideMessage(QStringLiteral("favorites list"), kFavorites);
    else
        notice += QStringLiteral("Your favorites list has been saved as ") + backup
            + QStringLiteral(" and a new favorites list has been started; the saved list can be sent to be restored and "
                             "analyzed to prevent future occurrences of this issue.");
    try {
        basGeneral::WriteLog(QStringLiteral("log.txt"), QStringLiteral("Favorites list unreadable: ") + e.description()
                                                            + (backup.isEmpty() ? QString() : QStringLiteral(", saved as ") + backup));
    } catch (const NumberedError &) {
    }
    Desktop::Notice(notice, Desktop::BoxExclamation);
}

void frmMainEngine::tmrLoadProcess_Timer()
{
    tmrLoadProcess->setEnabled(false);
    bool wizardPath = false;
    bool wizardShown = false;
    const QString command = CommandLine.trimmed();

    try {
        WebBrowser->setFocus();
        splashStatus(QStringLiteral("Loading items..."), 80);

        if (command != QLatin1String("/nomon"))
            StartMonitor();
        if (!command.isEmpty())
            basGeneral::WriteLog(QStringLiteral("log.txt"), QStringLiteral("Starting with command: ") + command);

        try {
            const QString app = basGeneral::AppPath(), data = basGeneral::DataFolder();
            for (const QString &name : kMovedFiles)
                basGeneral::MoveFileIfMissing(app + name, data + name);
            const QString roaming = basGeneral::RoamingDataFolder();
            for (const QString &name : kMovedFiles)
                basGeneral::MoveFileIfMissing(roaming + name, data + name);
        } catch (...) {
        }

        SaveSetting(kLastLoadStep, kLoadingListStep);
        if (GetSetting(QStringLiteral("1st Run"), QStringLiteral("True")) == QLatin1String("True")) {
            frmSplash::unloadInstance();
            wizardPath = true;
            frmStartWiz::ShowModal(this);
            wizardShown = true;
            if (blnMustExit) {
                unloadAfterLoader();
                return;
            }
        }

        ListView *users = frmSettings::instance().lvwUsers;
        if (users->Count() > 0) {
            // The account as the list spells it, so later exact comparisons hold.
            const ListItem *active = users->FindItem(GetSetting(QStringLiteral("Active User")));
            CurrentUser = active ? active->Text() : users->Item(1)->Text();
        } else {
            frmSplash::unloadInstance();
            wizardPath = true;
            basRegistry::DeleteKey(basRegistry::HKEY_CURRENT_USER, kSettingsParentKey, QStringLiteral("Settings"));
            // The wipe takes this run's own marks with it: without them a
            // crash from here on would be neither restarted by the monitor nor
            // asked about at the next start, and the question would name no step.
            SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("False"));
            SaveSetting(kLastLoadStep, kLoadingListStep);
            Desktop::DoEvents();
            if (!wizardShown) {
                frmStartWiz::ShowModal(this);
                wizardShown = true;
            }
            if (blnMustExit) {
                unloadAfterLoader();
                return;
            }
            // The account the wizard stored is the one the list and the
            // engine work for.
            ListView *stored = frmSettings::instance().lvwUsers;
            if (stored->Count() > 0 && !FindEbayUser(*stored, CurrentUser))
                CurrentUser = stored->Item(1)->Text();
        }

        try {
            LoadFavorites();
        } catch (const NumberedError &e) {
            FavoritesUnreadable(e);
        }

        LoadListFiles();
        bool ok = false;
        const int sortKey = GetSetting(QStringLiteral("Sort Key"), lvwAuctions->SubItemIndex(QStringLiteral("enddate"))).toInt(&ok);
        if (!ok)
            throw NumberedError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
        const int sortOrder = GetSetting(QStringLiteral("Sort Order"), 1).toInt(&ok);
        if (!ok)
            throw NumberedError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
        lvwAuctions->SortKey = sortKey;
        lvwAuctions->SortOrder = sortOrder;
        lvwAuctions->setSorted(true);
        RebuildHTMLList();
        blnListUpdated = false;

        splashStatus(QStringLiteral("Almost done..."), 100);
        frmSplash::instance().blnMainReady = true;
        if (frmSplash::instance().blnSplashReady)
            frmSplash::unloadInstance();

        WebBrowser->Silent = false;
        Desktop::DoEvents();
        WebBrowser->Silent = true;
        Desktop::DoEvents();

        const QString ieMain = QStringLiteral("Software\\Microsoft\\Internet Explorer\\Main");
        if (basRegistry::GetValue(basRegistry::HKEY_CURRENT_USER, ieMain, QStringLiteral("Disable Script Debugger")).toString() != QLatin1String("yes")
            || basRegistry::GetValue(basRegistry::HKEY_CURRENT_USER, ieMain, QStringLiteral("DisableScriptDebuggerIE")).toString() != QLatin1String("yes")) {
            basRegistry::SetValue(basRegistry::HKEY_CURRENT_USER, ieMain, QStringLiteral("Disable Script Debugger"), QStringLiteral("yes"));
            basRegistry::SetValue(basRegistry::HKEY_CURRENT_USER, ieMain, QStringLiteral("DisableScriptDebuggerIE"), QStringLiteral("yes"));
            if (blnMustExit) {
                unloadAfterLoader();
                return;
            }
        }

        if (blnAutoImport && StartupWindows::ShowWatchingListImport)
            StartupWindows::ShowWatchingListImport();

        if (GetSetting(QStringLiteral("Login")) != QLatin1String("QXR") && !wizardPath && command != QLatin1String("/nomon"))
            frmSignIn::ShowModal();
        else
            blnAuthorized = true;

        if (GetSetting(QStringLiteral("Has TMRO Account"), QStringLiteral("False")) == QLatin1String("False")
            && hasOnlineAccount(Inet))
            SaveSetting(QStringLiteral("Has TMRO Account"), QStringLiteral("True"));

        QCheckBox *onlineDefault = frmSettings::instance().chkOnlineDefault;
        if (!onlineDefault->isChecked()
            && GetSetting(QStringLiteral("TMRO Default Shown"), QStringLiteral("False")) == QLatin1String("False")
            && hasOnlineAccount(Inet)) {
            frmSplash::unloadInstance();
            SaveSetting(QStringLiteral("TMRO Default Shown"), QStringLiteral("True"));
            const QString prompt = QStringLiteral("You have a Tallowmere Online account but have not configured ") + Desktop::AppTitle()
                + QStringLiteral(" to place your bids using the online server by default which allows bids to be placed even when "
                                 "your computer is off and ensures maximum reliability (fees apply, see ")
                + HostRoles::host(HostRoles::Role::Vendor) + QStringLiteral(" for details).") + kCrLf + kCrLf
                + QStringLiteral("Would you like your bids to be placed by the online server by default?");
            if (Desktop::MsgBox(prompt, Desktop::BoxYesNo | Desktop::BoxQuestion) == Desktop::AnswerYes) {
                onlineDefault->setChecked(true);
                SaveSetting(QStringLiteral("Online Default"), QStringLiteral("1"));
                Desktop::MsgBox(QStringLiteral("Bidding from the online server by default has been enabled, this will apply only to bids "
                                          "added from now on. To set any existing bids to be placed by the online server, click the "
                                          "Edit Bid button for those items and set the option to bid using the online server for "
                                          "each item."),
                           Desktop::BoxExclamation);
            }
        }

        if (!isDate(GetSetting(QStringLiteral("PTD"))))
            SaveSetting(QStringLiteral("PTD"), QDate::currentDate().toString(Qt::ISODate));
        const QDate periodStart = toDate(GetSetting(QStringLiteral("PTD"), QDate::currentDate().toString(Qt::ISODate)));
        if (GetSetting(QStringLiteral("RR")).isEmpty() && periodStart <= QDate::currentDate().addDays(-30)) {
            bool wOk = false, fOk = false;
            const double w = GetSetting(QStringLiteral("W"), QStringLiteral("0")).toDouble(&wOk);
            const double f = GetSetting(QStringLiteral("F"), QStringLiteral("0")).toDouble(&fOk);
            if (wOk && fOk && w >= 10 && f == 0 && StartupWindows::ShowReviewPrompt)
                StartupWindows::ShowReviewPrompt();
            SaveSetting(QStringLiteral("RR"), QStringLiteral("True"));
        }

        if (StartupWindows::KeepRelistScheduler)
            StartupWindows::KeepRelistScheduler();

        SaveSetting(kLastLoadStep, QString());
        if (!LookForUpdate(false))
            tmrTimer->setEnabled(true);
        WebBrowser->Navigate(frmSettings::instance().txtHomepage->text());
        blnDoneLoading = true;
        blnPreventExit = false;

        if (!blnAuthorized) {
            unloadAfterLoader();
            return;
        }
        tmrClipboardScan->setEnabled(frmSettings::instance().chkScanClipboard->isChecked());
    } catch (const NumberedError &e) {
        LoaderFailed(e);
    }
}

void frmMainEngine::LoaderFailed(const NumberedError &e)
{
    frmSplash::unloadInstance();
    Desktop::MsgBox(QStringLiteral("An error occured while loading the program, please start the program again and you will have "
                                   "an option to automatically resolve this problem") + kCrLf + kCrLf + QStringLiteral("Error #")
                        + QString::number(e.number()) + QLatin1Char(' ') + e.description(),
                    Desktop::BoxCritical);
    Desktop::EndProgram(1);
}
