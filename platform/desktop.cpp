#include "platform/desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <QWidget>

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

bool StartProgram(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

namespace {
void (*g_endHandler)(int) = nullptr;
}

void setEndProgramHandler(void (*handler)(int)) { g_endHandler = handler; }

void EndProgram(int exitCode)
{
    if (g_endHandler)
        g_endHandler(exitCode); // may throw; if it returns, end for real
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

} // namespace Desktop
