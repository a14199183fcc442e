#include <cstdio>

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#ifdef Q_OS_UNIX
#include <unistd.h>
#else
#include <io.h>
#endif

#include "commandline.h"
#include "terminationsignals.h"

namespace {

bool isTerminal(FILE *stream)
{
#ifdef Q_OS_UNIX
    return ::isatty(::fileno(stream)) != 0;
#else
    return ::_isatty(::_fileno(stream)) != 0;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"taoyefang-cli"_qs);
    QCoreApplication::setApplicationVersion(QStringLiteral(TAOYEFANG_VERSION));

    // Every Ctrl+C (or TERM, or the terminal going away) is one request to stop; the command
    // decides what the first and a second one do.
    cli::Interrupter interrupts;
    onTerminationSignals(&app, [&interrupts] { emit interrupts.interrupted(); });

    QTextStream out(stdout);
    QTextStream err(stderr);
    cli::Environment env;
    env.programFolder = QCoreApplication::applicationDirPath();
    env.out = &out;
    env.err = &err;
    env.errIsTerminal = isTerminal(stderr);
    QFile in;
    if (in.open(stdin, QIODevice::ReadOnly))
        env.in = &in;
    env.inIsTerminal = isTerminal(stdin);
    env.interrupter = &interrupts;
    const int code = cli::run(app.arguments(), env);
    err.flush();
    return code;
}
