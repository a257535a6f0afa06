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
