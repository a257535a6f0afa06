// The windows a user has open while the relist robot runs against the
// simulator: each answers clicks and keys, delivered as the window system
// delivers them (so a window blocked by another modal window drops them),
// and the failure window closes with its OK, Enter or Space while the
// settings or the schedule are still open.
#include "tests/integration/refreshsimutil.h"

#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "platform/listview.h"
#include "sellertools/frmrelist.h"
#include "sellertools/frmrelistitems.h"
#include "sellertools/relistfile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace RefreshSim;

namespace {

// A schedule of one weekly entry of alice's, due a minute ago, with the main
// window shown as in the program.
frmRelistItems &dueSchedule(const QString &item)
{
    Form &main = FreshForm();
    main.show();
    Server().selling().reset();
    const QDateTime due = QDateTime::currentDateTime().addSecs(-60);
    RelistFile::Save(QDir(basGeneral::DataFolder()).filePath("relist.dat"),
                     {RelistFile::Entry{item, "alice", "Oak shelf", "Every 7 day(s) at 9:00 AM",
                                        RelistFile::NextRelistingText(due), "7"}});
    if (frmRelistItems::isLoaded())
        frmRelistItems::unloadInstance();
    frmRelistItems::RelistHook = nullptr;
    frmRelistItems::Clock = nullptr;
    return frmRelistItems::instance();
}

// A left click in the middle of `target` (or at `at` in it), through its window.
void click(QWidget *target, QPoint at = {})
{
    QWidget *top = target->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, target->mapTo(top, at.isNull() ? target->rect().center() : at));
}

void press(QWidget *window, Qt::Key key)
{
    QTest::keyClick(window->windowHandle(), key);
}

// Runs `step` once the event loop of the modal window about to open runs.
void inModalLoop(std::function<void()> step)
{
    QTimer::singleShot(0, qApp, std::move(step));
}

bool relistFailedShown()
{
    return frmRelistFailed::isLoaded() && frmRelistFailed::instance().isVisible();
}

} // namespace

TEST(RelistWindows, SettingsOpenWhenARelistStartsAnswersAndTheFailureWindowClosesOverIt)
{
    frmRelist::SecondMs = 60;
    frmRelistItems &schedule = dueSchedule("4300000001");
    Server().selling().failStep = "review";
    frmSettings &settings = frmSettings::instance();
    bool robotRan = false, settingsAnswered = false, failureShown = false;
    bool closedWithOk = false, closedWithEnter = false, closedWithSpace = false;

    inModalLoop([&] {
        // The scheduler's minute comes while the settings are open.
        QTimer::singleShot(300, qApp, [&] {
            robotRan = frmRelist::isLoaded() && frmRelist::instance().isVisible();
            QTabBar *tabs = settings.SSTab->tabBar();
            click(tabs, tabs->tabRect(1).center());
            settingsAnswered = settings.SSTab->currentIndex() == 1;
        });
        schedule.tmrTimer_Timer();

        // The robot gave up: its failure window answers over the settings.
        failureShown = relistFailedShown();
        if (failureShown) {
            click(frmRelistFailed::instance().Command1);
            closedWithOk = !frmRelistFailed::isLoaded();
        }
        settings.cmdCancel->click();
    });
    settings.exec();

    EXPECT_TRUE(robotRan);
    EXPECT_TRUE(settingsAnswered) << "the settings took no click while the robot ran";
    ASSERT_TRUE(failureShown);
    EXPECT_TRUE(closedWithOk) << "the failure window's OK did nothing over the settings";

    // Enter and Space too, over the schedule window after "Relist Now".
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
        frmRelistFailed::unloadInstance();
        frmRelistItems &w = dueSchedule(key == Qt::Key_Return ? "4300000002" : "4300000003");
        Server().selling().failStep = "review";
        inModalLoop([&] {
            w.lvwRelist->setSelectedItem(w.lvwRelist->Item(1));
            click(w.cmdRelistNow);
            if (relistFailedShown()) {
                press(&frmRelistFailed::instance(), key);
                (key == Qt::Key_Return ? closedWithEnter : closedWithSpace) = !frmRelistFailed::isLoaded();
            }
            w.hide();
        });
        frmRelistItems::ShowRelistItems();
    }
    EXPECT_TRUE(closedWithEnter) << "Enter did nothing over the schedule window";
    EXPECT_TRUE(closedWithSpace) << "Space did nothing over the schedule window";
    frmRelistFailed::unloadInstance();
    frmRelistItems::unloadInstance();
}

TEST(RelistWindows, TheRobotAndItsFailureOpenOverTheMainWindowNotOverItsMenus)
{
    frmRelist::SecondMs = 60;
    frmRelistItems &schedule = dueSchedule("4300000004");
    QWidget &main = EngineForm();
    // Away from the screen's corner, and small enough for the offscreen screen
    // (800 x 600) that no window is pushed back onto it.
    main.setGeometry(20, 30, 600, 450);
    Server().selling().failStep = "review";
    QRect robot;
    QTimer::singleShot(200, qApp, [&] {
        if (frmRelist::isLoaded())
            robot = frmRelist::instance().frameGeometry();
    });
    schedule.tmrTimer_Timer();

    const QPoint middle = main.frameGeometry().center();
    ASSERT_TRUE(robot.isValid()) << "the robot never showed";
    EXPECT_LE((robot.center() - middle).manhattanLength(), 4) << "robot at " << robot.x() << "," << robot.y();
    ASSERT_TRUE(relistFailedShown());
    const QRect failed = frmRelistFailed::instance().frameGeometry();
    EXPECT_LE((failed.center() - middle).manhattanLength(), 4) << "failure at " << failed.x() << "," << failed.y();
    frmRelistFailed::unloadInstance();
    frmRelistItems::unloadInstance();
}
