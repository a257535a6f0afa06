// Where the list of fired notifications opens: over the middle of the main
// window, and in front of it.
#include "tests/engine/enginetestutil.h"

#include "engine/frmreminder.h"
#include "platform/listview.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QWindow>

namespace {

// The window frame is only known once shown: a few pixels either way.
constexpr int kFrameSlack = 6;

int distance(const QPoint &a, const QPoint &b)
{
    return (a - b).manhattanLength();
}

} // namespace

TEST(ReminderPlace, OpensOverTheMiddleOfTheMainWindowAndStaysWhereTheUserMovesIt)
{
    if (frmReminder::isLoaded())
        frmReminder::unloadInstance();
    EngineTest::TestEngineForm &main = EngineTest::FreshForm();
    // Away from the screen's middle and its corner, so neither passes for it.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    main.setGeometry(screen.x() + screen.width() / 3, screen.y() + screen.height() / 4, screen.width() * 3 / 5,
                     screen.height() * 7 / 10);
    main.show();

    main.Remind(QStringLiteral("100"), QStringLiteral("Lamp"), QStringLiteral("first"));
    frmReminder &w = frmReminder::instance();
    ASSERT_TRUE(w.isVisible());
    // In front of the main window, as the other notices open.
    ASSERT_NE(w.windowHandle(), nullptr);
    EXPECT_TRUE(w.windowHandle()->flags() & Qt::WindowStaysOnTopHint) << "the notice may open behind the main window";
    EXPECT_LE(distance(w.frameGeometry().center(), main.frameGeometry().center()), kFrameSlack)
        << "opened at " << w.frameGeometry().x() << "," << w.frameGeometry().y();
    EXPECT_GT(w.frameGeometry().top(), main.frameGeometry().top()) << "the menus and the toolbar stay in sight";

    // Moved by the user, it stays there as more notifications come in.
    const QPoint movedTo = screen.topLeft() + QPoint(10, 10);
    w.move(movedTo);
    main.Remind(QStringLiteral("200"), QStringLiteral("Vase"), QStringLiteral("second"));
    EXPECT_EQ(w.pos(), movedTo);

    // Closed and opened again, it is placed afresh.
    w.cmdOK_Click();
    main.Remind(QStringLiteral("300"), QStringLiteral("Jug"), QStringLiteral("third"));
    frmReminder &again = frmReminder::instance();
    EXPECT_LE(distance(again.frameGeometry().center(), main.frameGeometry().center()), kFrameSlack);

    frmReminder::unloadInstance();
    main.hide();
}

TEST(ReminderPlace, OpensWideEnoughToShowBothColumnsAndTheItemNumberWhole)
{
    if (frmReminder::isLoaded())
        frmReminder::unloadInstance();
    EngineTest::TestEngineForm &main = EngineTest::FreshForm();
    main.Remind(QStringLiteral("110000000002"), QStringLiteral("Hand-bound sketchbook, 200 pages"),
                QStringLiteral("Amount of bids has changed"));
    frmReminder &w = frmReminder::instance();
    ASSERT_TRUE(w.isVisible());
    QCoreApplication::processEvents(); // lays the shown window out
    EXPECT_GE(w.lvwReminders->viewport()->width(), w.lvwReminders->header()->length())
        << "the item title is cut off behind a scroll bar";
    EXPECT_GE(w.lvwReminders->columnWidth(0), static_cast<const QAbstractItemView *>(w.lvwReminders)->sizeHintForColumn(0)) << "the item number is cut off";
    frmReminder::unloadInstance();
}
