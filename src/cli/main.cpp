#include <csignal>
#include <cstdio>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#else
#include <io.h>
#endif

#include "commandline.h"

namespace {

cli::Interrupter *interrupter = nullptr;

#ifdef Q_OS_UNIX
// Ctrl+C reaches the event loop through a socket pair, the one thing a signal handler may do.
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}

void forwardSignals(QCoreApplication &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte;
        [[maybe_unused]] const auto read = ::read(signalPipe[1], &byte, 1);
        emit interrupter->interrupted();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool isTerminal(FILE *stream)
{
    return ::isatty(::fileno(stream)) != 0;
}
#else
void onSignal(int)
{
    std::signal(SIGINT, onSignal);
    QMetaObject::invokeMethod(interrupter, &cli::Interrupter::interrupted, Qt::QueuedConnection);
}

void forwardSignals(QCoreApplication &)
{
    std::signal(SIGINT, onSignal);
}

bool isTerminal(FILE *stream)
{
    return ::_isatty(::_fileno(stream)) != 0;
}
#endif

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"taoyefang-cli"_qs);
    QCoreApplication::setApplicationVersion(QStringLiteral(TAOYEFANG_VERSION));

    cli::Interrupter interrupts;
    interrupter = &interrupts;
    forwardSignals(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    cli::Environment env;
    env.programFolder = QCoreApplication::applicationDirPath();
    env.out = &out;
    env.err = &err;
    env.errIsTerminal = isTerminal(stderr);
    env.interrupter = &interrupts;
    const int code = cli::run(app.arguments(), env);
    out.flush();
    err.flush();
    return code;
}
