#include "mainwindow/frmmain.h"

#include "engine/listsaving.h"
#include "engine/relistscheduler.h"
#include "foundation/basgeneral.h"
#include "foundation/frmiowarning.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/settingsstore.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/ticktimer.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/programended.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTest>

#include <initializer_list>
#include <utility>

namespace {

// The main window as the loader leaves it: loaded, timers running.
frmMain &loadedMain()
{
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    frmMain &m = frmMain::instance();
    m.tmrLoadProcess->setEnabled(false);
    m.blnPreventExit = false;
    MsgBoxScript::instance().clear();
    QFile::remove(basGeneral::DataFolder() + QStringLiteral("log.txt"));
    return m;
}

void addRow(frmMain &m, const QString &item, const QString &maxBid, const QString &timeLeft, const QString &tag)
{
    ListItem *row = m.lvwAuctions->Add(item);
    row->setSubItem(m.lvwAuctions->SubItemIndex(QStringLiteral("maxbid")), maxBid);
    row->setSubItem(m.lvwAuctions->SubItemIndex(QStringLiteral("timeleft")), timeLeft);
    row->setTag(tag);
}

// The exit's log entries, oldest first (the log keeps the newest first).
QStringList exitLog()
{
    QFile f(basGeneral::DataFolder() + QStringLiteral("log.txt"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList entries;
    for (const QString &line : QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        entries.prepend(line.section(QStringLiteral(": "), 1));
    return entries;
}

struct RelistSeam
{
    bool running = true;
    RelistSeam()
    {
        RelistScheduler::IsRunning = [this] { return running; };
        RelistScheduler::SetRunning = [this](bool on) { running = on; };
    }
    ~RelistSeam()
    {
        RelistScheduler::IsRunning = nullptr;
        RelistScheduler::SetRunning = nullptr;
    }
};

const char *const kQuestion =
    "There are currently items set to be sniped\r\n\r\nTallowmere must be running when these items end or they will not "
    "be sniped unless the bids are also set to be placed using the TMR Online server\r\n\r\nAre you sure you want to "
    "exit Tallowmere?";

} // namespace

TEST(Shutdown, ACloseWhileLoadingIsRefusedAndOneDuringARefreshStopsThePassAndClosesOnceItHas)
{
    frmMain &m = loadedMain();
    m.tmrTimer->setEnabled(true);
    m.blnPreventExit = true;
    EXPECT_FALSE(m.close());
    m.blnPreventExit = false;
    EXPECT_EQ(exitLog(), QStringList({"Starting exit procedure", "Exit cancelled: Prevent exit mode on"}));
    EXPECT_TRUE(m.tmrTimer->Enabled());
    EXPECT_FALSE(m.blnExiting);
    EXPECT_EQ(GetSetting("Exit OK", "unset"), "unset");

    // A pass under way is asked to stop; the close waits for it, then goes
    // through without being asked again.
    QPointer<frmMain> window(&m);
    m.blnRefreshing = true;
    EXPECT_FALSE(m.Unload());
    EXPECT_TRUE(m.blnCancelRefresh);
    EXPECT_TRUE(m.blnCloseDeferred);
    QTest::qWait(300);
    ASSERT_TRUE(window) << "closed under the pass";
    EXPECT_EQ(GetSetting("Exit OK", "unset"), "unset");
    m.blnRefreshing = false;
    EXPECT_TRUE(QTest::qWaitFor([] { return GetSetting("Exit OK", "unset") == "1"; }, 10000));
    EXPECT_EQ(exitLog().mid(2, 2),
              QStringList({"Exit deferred until the work under way has stopped", "Starting exit procedure"}));
}

TEST(Shutdown, APendingSnipeAsksAndNoPutsEveryTimerBack)
{
    frmMain &m = loadedMain();
    RelistSeam relist;
    addRow(m, "100", "(watching)", "1d 2h", "");
    addRow(m, "101", "1 @ 9.00", "Ended", "Local");
    addRow(m, "102", "1 @ 9.00", "N/A", "Local");
    addRow(m, "103", "1 @ 9.00", "4m 10s", "Bid complete");
    addRow(m, "104", "1 @ abc", "4m 10s", "Local");
    addRow(m, "105", "2 @ 12.50", "3h 1m", "Online");
    m.tmrTimer->setEnabled(true);
    frmSettings::instance().chkScanClipboard->setChecked(true);
    m.tmrClipboardScan->setEnabled(true);

    MsgBoxScript::instance().answer(Desktop::AnswerNo);
    EXPECT_FALSE(m.close());
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    const Desktop::MsgBoxCall call = MsgBoxScript::instance().calls().first();
    EXPECT_EQ(call.prompt, kQuestion);
    EXPECT_EQ(call.style, Desktop::BoxYesNo | Desktop::BoxQuestion | Desktop::BoxDefaultButton2);
    EXPECT_EQ(call.title, "Tallowmere");
    EXPECT_TRUE(frmMainShell::isLoaded());
    EXPECT_FALSE(m.blnExiting);
    EXPECT_TRUE(m.tmrTimer->Enabled());
    EXPECT_TRUE(m.tmrClipboardScan->Enabled());
    EXPECT_TRUE(relist.running);
    EXPECT_EQ(GetSetting("Exit OK", "unset"), "unset");

    // Yes: the clean exit is recorded and the other windows go.
    CurrentUser = "alice";
    m.LastDate = QDate(2026, 12, 5);
    m.setWindowState(Qt::WindowNoState);
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    ASSERT_TRUE(m.Unload());
    EXPECT_FALSE(m.tmrTimer->Enabled());
    EXPECT_FALSE(relist.running);
    EXPECT_FALSE(frmSettings::isLoaded());
    EXPECT_EQ(GetSetting("Exit OK"), "1");
    EXPECT_EQ(GetSetting("1st Run"), "False");
    EXPECT_EQ(GetSetting("Active User"), "alice");
    EXPECT_EQ(GetSetting("Last Date"), "2026-12-05");
    EXPECT_EQ(GetSetting("Window state"), "0");
    EXPECT_EQ(exitLog().mid(2), QStringList({"Starting exit procedure", "Exiting, checking for scheduled bids",
                                             "Exiting, saving registry settings...",
                                             "Exiting, unloading forms and ending program"}));
    // The application closes its windows as it quits: no second pass, no
    // second question.
    EXPECT_TRUE(m.close());
    EXPECT_EQ(MsgBoxScript::instance().calls().size(), 2);
    EXPECT_EQ(exitLog().size(), 6);
}

TEST(Shutdown, OnlyWatchedOrDecidedItemsOrAForcedExitCloseWithoutAQuestion)
{
    frmMain &m = loadedMain();
    addRow(m, "100", "(watching)", "1d 2h", "");
    addRow(m, "101", "1 @ 9.00", "Ended", "Local");
    m.showMaximized();
    ASSERT_TRUE(m.Unload());
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
    EXPECT_EQ(GetSetting("Window state"), "2");

    frmMain &forced = loadedMain();
    addRow(forced, "105", "1 @ 12.50", "3h 1m", "Local");
    forced.blnForceExit = true;
    ASSERT_TRUE(forced.Unload());
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
    EXPECT_EQ(GetSetting("Exit OK"), "1");
}

// A close a signal asks for (nobody can answer, no box is shown) and the
// I/O warning's End each write the change asked to be saved soon before the
// program goes, short list or long; a save that fails then is told, in a box
// or, when no box can be shown, in the log.
TEST(Shutdown, AnEndAtOnceWritesTheSaveAskedForSoonAndTellsItsFailure)
{
    const QString data6 = basGeneral::DataFolder() + QStringLiteral("data6.dat");
    for (const int rows : {1000, 3000}) {
        for (const bool signal : {true, false}) {
            for (const bool failing : {false, true}) {
                SCOPED_TRACE(QStringLiteral("%1 rows, %2%3")
                                 .arg(rows)
                                 .arg(signal ? "signal" : "I/O warning")
                                 .arg(failing ? ", failing" : "")
                                 .toStdString());
                frmMain &m = loadedMain();
                QFile::remove(data6);
                for (int i = 0; i < rows; ++i)
                    addRow(m, QString::number(130000000000LL + i), "(watching)", "1 d 2 h ", "");
                if (failing)
                    ASSERT_TRUE(QDir().mkpath(data6));
                ListSaving::SaveSoon(m);
                if (signal) {
                    Desktop::CancelBoxes(true);
                    m.blnForceExit = true;
                    ASSERT_TRUE(m.Unload());
                    Desktop::CancelBoxes(false);
                } else {
                    EXPECT_THROW(frmIOWarning::instance().cmdCorrect_Click(), ProgramEnded);
                }
                // The unloaded window goes now, before another is made.
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                if (failing) {
                    QFile log(basGeneral::DataFolder() + QStringLiteral("log.txt"));
                    const QString told = signal ? QString::fromLatin1(log.open(QIODevice::ReadOnly) ? log.readAll() : "")
                                                : MsgBoxScript::instance().lastPrompt();
                    EXPECT_TRUE(told.contains("Could not save item list in the following location:")) << told.toStdString();
                    QDir().rmdir(data6);
                    continue;
                }
                QFile file(data6);
                ASSERT_TRUE(file.open(QIODevice::ReadOnly));
                EXPECT_EQ(file.readAll().count("\r\n"), rows);
            }
        }
    }
}
