#include "app/endrequest.h"

#include "foundation/mainformshell.h"
#include "platform/eventdepth.h"
#include "platform/msgbox.h"

#include <QApplication>
#include <QDialog>
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

bool g_requested = false;
bool g_refusalSeen = false;

// Nobody is there to answer questions any more: each gets its cancel answer,
// as if closed with Esc, so that the code waiting on it goes on and returns.
void cancelQuestions()
{
    Desktop::CancelBoxes();
    QWidget *last = nullptr;
    while (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
        if (dialog == last)
            break; // it would not close now; the next attempt tries again
        last = dialog;
        dialog->reject();
    }
}

// One attempt; true when the program is on its way out.
bool attempt()
{
    cancelQuestions();
    if (!frmMainShell::isLoaded()) {
        // Before the event loop runs (the start procedure's own event
        // processing) a quit would be lost: the start looks at Requested().
        if (!QCoreApplication::instance() || QThread::currentThread()->loopLevel() == 0)
            return false;
        QCoreApplication::quit();
        return true;
    }
    frmMainShell &main = frmMainShell::instance();
    main.blnForceExit = true;
    // Deep inside a handler that waits (a page, a question, a refresh pass)
    // the window must not be unloaded: it would be deleted under the handler,
    // which then returns into it. The work under way is asked to stop, and
    // the next attempt, once it has returned, unloads.
    if (!EventDepth::AtTheBase()) {
        main.StopRefresh();
        return false;
    }
    // The shut-down has said why it refuses; asking again while that still
    // holds would only log it twice a second.
    if (g_refusalSeen && (main.blnPreventExit || main.blnRefreshing))
        return false;
    const bool accepted = main.Unload();
    g_refusalSeen = !accepted;
    return accepted;
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
    g_requested = true;
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

bool Requested() { return g_requested; }

void Reset()
{
    if (g_retry)
        g_retry->stop();
    g_requested = false;
    g_refusalSeen = false;
    Desktop::CancelBoxes(false);
}

void Install()
{
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

void Listen()
{
    static bool listening = false;
    if (g_pipe[1] < 0 || listening || !QCoreApplication::instance())
        return;
    listening = true;
    auto *notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char bytes[16];
        [[maybe_unused]] const auto read = ::read(g_pipe[1], bytes, sizeof bytes);
        Request();
    });
}

} // namespace EndRequest
