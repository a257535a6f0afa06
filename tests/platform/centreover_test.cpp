// Placing a window over the middle of another.
#include "platform/desktop.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace {

QRect workArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

} // namespace

TEST(CentreOver, PlacesTheWindowOverTheOwnerAndKeepsItOnTheScreen)
{
    const QRect area = workArea();
    QWidget owner;
    owner.setGeometry(area.x() + 200, area.y() + 150, 300, 200);
    owner.show();

    // Never shown and never sized: its layout's size is taken first.
    QWidget window;
    auto *content = new QWidget(&window);
    content->setFixedSize(120, 80);
    (new QVBoxLayout(&window))->addWidget(content);
    Desktop::CentreOver(window, owner);
    EXPECT_EQ(window.frameGeometry().center(), owner.frameGeometry().center());
    EXPECT_GE(window.width(), 120);
    EXPECT_LT(window.width(), 300) << "sized by its contents, not the default size of a window";

    // An owner partly off the screen's corner: the window stays inside the work area.
    owner.move(area.topLeft() - QPoint(250, 180));
    window.resize(200, 120);
    Desktop::CentreOver(window, owner);
    EXPECT_EQ(window.frameGeometry().topLeft(), area.topLeft());

    // A hidden owner (in the tray): the middle of the screen.
    owner.hide();
    Desktop::CentreOver(window, owner);
    EXPECT_LE((window.frameGeometry().center() - area.center()).manhattanLength(), 1);
}
