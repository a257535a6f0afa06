#include "engine/countdownrows.h"
#include "platform/listview.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>

// Rows added to a long list are reviewed from the list's own change signal.
// An event that closes the window holding the list, or removes rows, runs
// after the review and never under it, whatever it finds when it runs.
TEST(CountdownRows, AnEventThatClosesTheWindowOrRemovesRowsWaitsForTheReviewOfALongList)
{
    constexpr int kRows = 60000;
    for (const bool closeWindow : {true, false}) {
        SCOPED_TRACE(closeWindow ? "window closed" : "rows removed");
        QPointer<QWidget> window = new QWidget;
        auto *list = new ListView(window);
        list->AddColumn(QStringLiteral("itemnum"), QStringLiteral("Item Number"));
        list->AddColumn(QStringLiteral("timeleft"), QStringLiteral("Time Left"));
        CountdownRows::Of(*list);
        QList<QTreeWidgetItem *> rows;
        rows.reserve(kRows);
        for (int i = 0; i < kRows; ++i) {
            auto *row = new ListItem(QString::number(i));
            // Every tenth row in its last hour.
            row->setSubItem(1, i % 10 ? QStringLiteral("1 d 2 h 5 m 10 s") : QStringLiteral("12 m 5 s"));
            rows << row;
        }
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            if (closeWindow)
                delete window;
            else
                while (list->Count() > 25)
                    list->Remove(list->Count());
        });
        // Any pacing of event passes by time has run out.
        QThread::msleep(30);
        list->insertTopLevelItems(0, rows);
        EXPECT_FALSE(ran);
        ASSERT_TRUE(window);
        EXPECT_EQ(CountdownRows::Of(*list).InListOrder().size(), kRows / 10);
        QCoreApplication::processEvents();
        EXPECT_TRUE(ran);
        EXPECT_EQ(window.isNull(), closeWindow);
        if (!closeWindow) {
            EXPECT_EQ(CountdownRows::Of(*list).InListOrder().size(), 3); // rows 0, 10 and 20
            delete window;
        }
    }
}
