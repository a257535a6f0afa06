// The main window closed at every moment of a command that waits for pages
// (Watch this item, an import's row, the copy prompt's Watch, a refresh
// pass), against the simulator: the program never touches the closed
// window, the close is honoured once the work has stopped, and the row the
// command added is in the list file.
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/shownmain.h"

#include "engine/listsaving.h"
#include "foundation/globals.h"
#include "items/frmaddauction.h"
#include "items/frmcopyask.h"
#include "items/watchedrows.h"
#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <utility>
#include <optional>

using namespace RefreshSim;

namespace {

// Generous: the tests also run under the sanitizers on a loaded machine.
constexpr double kCloseHonouredS = 10;

struct Work
{
    frmMain *main = nullptr;
    QString number; // the item the command adds
};

// A fresh shown main window and an item on sale; the item page answers
// `pageDelayMs` late, so the command is caught while it waits.
Work freshRun(int pageDelayMs)
{
    Work run;
    run.main = &ShownMain::Show();
    run.main->blnPreventExit = false; // as the finished loader leaves it
    run.number = AddItem(3600, 4.0, [](Sim::SimItem &i) { i.title = QStringLiteral("Copper kettle"); });
    if (pageDelayMs > 0)
        AddFault(QStringLiteral("ViewItem&item=") + run.number, Sim::FaultMode::Hang, -1, pageDelayMs);
    return run;
}

// Runs `command` from the application's event loop, as the program runs a
// menu command, with the main window closed `closeAfterMs` later (from inside
// whatever the command waits in), until the window's shut-down ends the loop.
// How long the close took to be honoured; nothing when it never was.
std::optional<qint64> closeDuring(Work &run, int closeAfterMs, const std::function<void(Work &)> &command)
{
    QPointer<frmMain> window(run.main);
    QElapsedTimer sinceClose;
    QTimer::singleShot(0, qApp, [&] { command(run); });
    QTimer::singleShot(closeAfterMs, run.main, [&] {
        sinceClose.start();
        run.main->close();
    });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    giveUp.start(int(kCloseHonouredS * 1000) + closeAfterMs);
    QCoreApplication::exec();
    const qint64 took = sinceClose.isValid() ? sinceClose.elapsed() : -1;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (window || took < 0)
        return std::nullopt;
    return took;
}

// Runs `command` once undisturbed to learn how long it takes, then again for
// closes spread over that time (and one at once): after each, the window is
// gone within a loose bound and the list file holds the item.
// `before` brings the program to where the user gives the command (a prompt
// open on the item), untimed and undisturbed.
void closeAtEveryStep(const std::function<void(Work &)> &command, const std::function<void(Work &)> &before = {})
{
    QElapsedTimer took;
    {
        Work run = freshRun(300);
        if (before)
            before(run);
        took.start();
        command(run);
        ASSERT_TRUE(run.main->lvwAuctions->FindItem(run.number)) << "the command itself added nothing";
    }
    const qint64 span = std::max<qint64>(took.elapsed(), 50);
    for (int step = 0; step <= 8; ++step) {
        const qint64 at = step == 0 ? 0 : span * step / 8;
        SCOPED_TRACE("close after " + std::to_string(at) + " ms of " + std::to_string(span));
        Work run = freshRun(300);
        if (before)
            before(run);
        const auto took = closeDuring(run, int(at), command);
        ASSERT_TRUE(took) << "the close was not honoured";
        EXPECT_LT(*took, qint64(kCloseHonouredS * 1000));
        EXPECT_TRUE(DataFileText(QStringLiteral("data6.dat")).contains(run.number)) << "the row was lost";
    }
}

} // namespace

TEST(CloseDuringWork, WatchThisItemClosedAtAnyStepSavesItsRowAndNeverTouchesTheClosedWindow)
{
    closeAtEveryStep([](Work &run) { run.main->WatchAuction(run.number); });
}

TEST(CloseDuringWork, AnImportedRowClosedAtAnyStepIsSavedAndTheWindowCloses)
{
    closeAtEveryStep([](Work &run) { WatchedRows::AddAndSave(*run.main, run.number); });
}

TEST(CloseDuringWork, TheCopyPromptsWatchClosedAtAnyStepSavesItsRow)
{
    closeAtEveryStep(
        [](Work &) {
            if (frmCopyAsk::isLoaded())
                frmCopyAsk::instance().cmdWatch->click();
        },
        [](Work &run) { frmCopyAsk::AskAbout(run.number); });
}

TEST(CloseDuringWork, ACloseDuringARefreshPassStopsItAtItsNextRow)
{
    // Every row's page answers late: the whole pass would take far longer
    // than the close is given.
    constexpr int kRows = 60;
    constexpr int kPageDelayMs = 250;
    Work run = freshRun(0);
    AddFault(QStringLiteral("ViewItem"), Sim::FaultMode::Hang, -1, kPageDelayMs);
    QStringList numbers;
    for (int i = 0; i < kRows; ++i) {
        numbers << AddItem(7200 + i);
        AddRow(numbers.last(), {{"maxbid", QStringLiteral("(watching)")}, {"user", CurrentUser}});
    }
    const qint64 mark = Mark();
    const auto took = closeDuring(run, kPageDelayMs * 3, [](Work &run) { run.main->RefreshAuctions(QString(), false, false); });
    ASSERT_TRUE(took) << "the close was not honoured";
    EXPECT_LT(*took, qint64(kCloseHonouredS * 1000));
    int pages = 0;
    for (const QString &target : TargetsSince(mark))
        pages += target.contains(QLatin1String("ViewItem")) ? 1 : 0;
    EXPECT_LT(pages, kRows / 2) << "the pass went on after the close";
    const QString saved = DataFileText(QStringLiteral("data6.dat"));
    for (const QString &number : numbers)
        EXPECT_TRUE(saved.contains(number)) << qPrintable(number);
}

TEST(CloseDuringWork, ARefreshPassGoesOnWhileTheEditWindowIsOpen)
{
    constexpr int kRows = 6;
    Work run = freshRun(0);
    AddFault(QStringLiteral("ViewItem"), Sim::FaultMode::Hang, -1, 100);
    QStringList numbers;
    for (int i = 0; i < kRows; ++i) {
        numbers << AddItem(7200 + i);
        AddRow(numbers.last(), {{"maxbid", "1 @ 5.00"}, {"user", CurrentUser}}, QStringLiteral("Local"));
    }
    // The Edit window opens while the pass waits for its first page; should
    // it hold the pass, it is closed after a while so the test ends.
    bool opened = false;
    QTimer::singleShot(50, run.main, [&] {
        frmAddAuction::ShowModal(numbers.first());
        opened = true;
    });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] {
        if (frmAddAuction::isLoaded())
            frmAddAuction::instance().cmdCancel_Click();
    });
    giveUp.start(20000);
    const qint64 mark = Mark();
    run.main->RefreshAuctions(QString(), false, false);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(frmAddAuction::isLoaded() && frmAddAuction::instance().isVisible())
        << "the pass ended only once the window was closed";
    const QString asked = TargetsSince(mark).join(QLatin1Char(' ')) + QLatin1Char(' ');
    for (const QString &number : numbers)
        EXPECT_TRUE(asked.contains(QStringLiteral("ViewItem&item=") + number + QLatin1Char(' '))) << qPrintable(number);
    if (frmAddAuction::isLoaded())
        frmAddAuction::instance().cmdCancel_Click();
    RunUntil([] { return !frmAddAuction::isLoaded(); }, 10);
}

TEST(CloseDuringWork, APageThatNeverAnswersHoldsTheCloseNeitherInWatchNorInTheCopyPrompt)
{
    const std::pair<const char *, std::function<void(Work &)>> commands[] = {
        {"Watch", [](Work &run) { run.main->WatchAuction(run.number); }},
        {"copy prompt", [](Work &run) { frmCopyAsk::AskAbout(run.number); }},
    };
    for (const auto &[name, command] : commands) {
        SCOPED_TRACE(name);
        // The page would come far beyond the bound: the close gives it up.
        Work run = freshRun(45000);
        const auto took = closeDuring(run, 200, command);
        ASSERT_TRUE(took) << "the close waited for the page";
        EXPECT_LT(*took, qint64(kCloseHonouredS * 1000));
    }
}
