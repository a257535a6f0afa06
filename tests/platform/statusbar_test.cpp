// The status bar's panels inside a window.
#include "platform/statusbar.h"

#include <QApplication>
#include <QLayout>
#include <QMainWindow>

#include <gtest/gtest.h>

TEST(StatusBar, ALongTextInTheSpringPanelNeitherWidensTheWindowNorHidesTheOthers)
{
    QMainWindow window;
    auto *bar = new StatusBar(&window);
    window.setStatusBar(bar);
    bar->AddPanel(QStringLiteral("IEStatus"), StatusPanel::Spring);
    StatusPanel *fixed = bar->AddPanel(QStringLiteral("User"), StatusPanel::Contents);
    fixed->setText(QStringLiteral("demo (0; 100%)"));
    window.resize(600, 400);
    window.show();
    QApplication::processEvents();
    const int before = window.layout()->minimumSize().width();

    bar->Panel(QStringLiteral("IEStatus"))->setText(QString(400, QLatin1Char('x')));
    QApplication::processEvents();
    EXPECT_LE(window.layout()->minimumSize().width(), before);
    EXPECT_EQ(window.width(), 600);
    EXPECT_GT(fixed->width(), 0);
}

TEST(StatusBar, ATextTooLongForItsPanelShowsFromItsStartWithTheWholeOfItAsTheToolTip)
{
    QMainWindow window;
    auto *bar = new StatusBar(&window);
    window.setStatusBar(bar);
    StatusPanel *status = bar->AddPanel(QStringLiteral("Status"), StatusPanel::None);
    status->setWidthTwips(3000);
    status->setAlignment(Qt::AlignCenter);
    StatusPanel *feedback = bar->AddPanel(QStringLiteral("Feedback"), StatusPanel::Contents);
    feedback->setToolTip(QStringLiteral("View Feedback/Change User..."));
    window.resize(600, 400);
    window.show();
    QApplication::processEvents();

    const QString missed = QStringLiteral("Snipe on item # 110000000001 not placed: eBay's clock moved by +37 s and its "
                                          "auction ended before the bid was started");
    status->setText(missed);
    EXPECT_EQ(status->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft) << "its start, the item number, shows";
    EXPECT_EQ(status->toolTip(), missed);
    status->setText(QStringLiteral("Done"));
    EXPECT_EQ(status->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_TRUE(status->toolTip().isEmpty());
    // A panel's own tool tip stays, whatever its text.
    feedback->setText(QStringLiteral("alice (12; 100%) "));
    EXPECT_EQ(feedback->toolTip(), QStringLiteral("View Feedback/Change User..."));
}

// A warning longer than its panel's set width widens the panel while it is
// shown, so it is read whole (up to half the bar); the width set comes back
// with a short text.
TEST(StatusBar, ALongWarningWidensItsPanelUpToHalfTheBar)
{
    QMainWindow window;
    auto *bar = new StatusBar(&window);
    window.setStatusBar(bar);
    StatusPanel *spring = bar->AddPanel(QStringLiteral("IEStatus"), StatusPanel::Spring);
    StatusPanel *status = bar->AddPanel(QStringLiteral("Status"), StatusPanel::None);
    status->setWidthTwips(4000);
    const int setWidth = status->width();
    window.resize(1600, 400);
    window.show();
    QApplication::processEvents();

    const QString clock = QStringLiteral("eBay's clock could not be read (the last reading stands)");
    status->setText(clock);
    QApplication::processEvents();
    EXPECT_GE(status->contentsRect().width(), status->fontMetrics().horizontalAdvance(clock));
    EXPECT_TRUE(status->toolTip().isEmpty());
    EXPECT_GT(spring->width(), 0);

    status->setText(QString(500, QLatin1Char('x')));
    QApplication::processEvents();
    EXPECT_LE(status->width(), bar->width() / 2);
    status->setText(QStringLiteral("Done"));
    QApplication::processEvents();
    EXPECT_EQ(status->width(), setWidth);
}
