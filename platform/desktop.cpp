#include "platform/desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QRect>
#include <QScreen>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace Desktop {

void DoEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitWithEvents(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, std::max<int>(1, ms - int(clock.elapsed())));
        if (clock.elapsed() < ms)
            QThread::msleep(1);
    }
}

namespace {
double dpiX()
{
    const QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}
double dpiY()
{
    const QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}
} // namespace

double TwipsPerPixelX() { return 1440.0 / dpiX(); }
double TwipsPerPixelY() { return 1440.0 / dpiY(); }
int TwipsToPixelsX(double twips) { return qRound(twips / TwipsPerPixelX()); }
int TwipsToPixelsY(double twips) { return qRound(twips / TwipsPerPixelY()); }
int PixelsToTwipsX(int pixels) { return qRound(pixels * TwipsPerPixelX()); }
int PixelsToTwipsY(int pixels) { return qRound(pixels * TwipsPerPixelY()); }

QString ClipboardText()
{
    const QClipboard *cb = QGuiApplication::clipboard();
    return cb ? cb->text() : QString();
}

void SetClipboardText(const QString &text)
{
    if (QClipboard *cb = QGuiApplication::clipboard())
        cb->setText(text);
}

void SetTopMost(QWidget *window, bool onTop)
{
    if (!window)
        return;
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible)
        window->show(); // changing window flags hides a shown window
}

void CentreOver(QWidget &window, const QWidget &owner)
{
    // A window not sized yet takes its layout's size when shown: take it now,
    // so the middle is the middle.
    if (!window.testAttribute(Qt::WA_Resized))
        window.adjustSize();
    const bool ownerShown = owner.isVisible();
    const QScreen *screen = ownerShown ? owner.screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    QRect place = window.frameGeometry();
    place.moveCenter(ownerShown || !area.isValid() ? owner.frameGeometry().center() : area.center());
    if (area.isValid()) {
        // Its title bar stays on the screen even when the owner is partly off it.
        place.moveRight(std::min(place.right(), area.right()));
        place.moveBottom(std::min(place.bottom(), area.bottom()));
        place.moveLeft(std::max(place.left(), area.left()));
        place.moveTop(std::max(place.top(), area.top()));
    }
    window.move(place.topLeft());
}

bool StartProgram(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

namespace {
void (*g_endHandler)(int) = nullptr;

QList<void (*)()> &endSteps()
{
    static QList<void (*)()> steps;
    return steps;
}
} // namespace

void setEndProgramHandler(void (*handler)(int)) { g_endHandler = handler; }

void AtEndProgram(void (*step)())
{
    if (!endSteps().contains(step))
        endSteps() << step;
}

void EndProgram(int exitCode)
{
    for (void (*step)() : std::as_const(endSteps()))
        step();
    if (g_endHandler)
        g_endHandler(exitCode); // may throw; if it returns, end for real
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

} // namespace Desktop
