#include "terminationsignals.h"

#include <csignal>

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// A signal reaches the event loop through a socket pair, the one thing a signal handler may
// safely do.
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}
#else
std::function<void()> pendingHandler;

void onSignal(int signal)
{
    // The system resets the handler for each signal it delivers: set it again for the next one.
    std::signal(signal, onSignal);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { pendingHandler(); }, Qt::QueuedConnection);
}
#endif

} // namespace

void onTerminationSignals(QObject *context, std::function<void()> handler)
{
#ifdef Q_OS_UNIX
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(qintptr(signalPipe[1]), QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [handler = std::move(handler)] {
        char byte;
        [[maybe_unused]] const auto read = ::read(signalPipe[1], &byte, 1);
        handler();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
#else
    Q_UNUSED(context);
    pendingHandler = std::move(handler);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
#endif
}
