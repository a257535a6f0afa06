#include "app/endrequest.h"

#include "foundation/mainformshell.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace EndRequest {

namespace {

constexpr int kRetryMs = 500;

// The signal handler only writes a byte to one end of this pair; the event
// loop reads it from the other.
int g_pipe[2] = {-1, -1};
QTimer *g_retry = nullptr;

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_pipe[0], &byte, 1);
    errno = saved;
}

// One attempt; true when the program is on its way out.
bool attempt()
{
    if (!frmMainShell::isLoaded()) {
        // Before the event loop runs (the start procedure's own event
        // processing) a quit would be lost: try again later.
        if (QThread::currentThread()->loopLevel() == 0)
            return false;
        QCoreApplication::quit();
        return true;
    }
    frmMainShell &main = frmMainShell::instance();
    main.blnForceExit = true;
    return main.Unload();
}

QTimer &retryTimer()
{
    if (!g_retry) {
        g_retry = new QTimer(QCoreApplication::instance());
        g_retry->setInterval(kRetryMs);
        QObject::connect(g_retry, &QTimer::timeout, [] {
            if (attempt())
                g_retry->stop();
        });
    }
    return *g_retry;
}

} // namespace

void Request()
{
    QTimer &retry = retryTimer();
    if (retry.isActive())
        return;
    if (!attempt())
        retry.start();
}

bool Pending()
{
    return g_retry && g_retry->isActive();
}

void Install()
{
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char bytes[16];
        [[maybe_unused]] const auto read = ::read(g_pipe[1], bytes, sizeof bytes);
        Request();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

} // namespace EndRequest
