#include <cstdio>

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "form1.h"
#include "offlinedemo.h"
#include "terminationsignals.h"

namespace {

// Started from a terminal, the message goes there; started from the menu, there is no terminal
// to read it, so a box says it.
void reportFailure(const QString &message)
{
    std::fprintf(stderr, "淘页坊：%s\n", qUtf8Printable(message));
#ifdef Q_OS_UNIX
    if (::isatty(STDERR_FILENO))
        return;
#endif
    QMessageBox::critical(nullptr, u"淘页坊"_qs, message);
}

} // namespace

int main(int argc, char *argv[])
{
    Form1::prepareApplication();
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(u"淘页坊：淘宝客单页生成工具"_qs);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demoOption(
        u"demo"_qs,
        u"离线演示：启动自带的离线演示服务，本次运行的各项服务都指向它（不写入设置.ini），关闭窗口时停止。"_qs);
    parser.addOption(demoOption);
    parser.process(app);

    // Logging out or ^C closes the window the way its close button does, saving the inputs; a
    // signal that comes before the window is there is handled once it is.
    Form1 *shown = nullptr;
    onTerminationSignals(&app, [&shown, &app] {
        if (shown)
            shown->close();
        else
            app.quit();
    });

    // Declared before the window, so it goes after it: the service outlives the window's last run.
    OfflineDemo demo;
    if (parser.isSet(demoOption)) {
        const QString folder = QCoreApplication::applicationDirPath();
        QString program = QStandardPaths::findExecutable(u"demo-server"_qs, {folder});
        if (!demo.start(program.isEmpty() ? folder + u"/demo-server"_qs : program)) {
            reportFailure(demo.errorString());
            return 1;
        }
        std::fprintf(stderr, "淘页坊：离线演示服务 http://%s （进程 %lld）\n",
                     qUtf8Printable(demo.hostAndPort()), static_cast<long long>(demo.processId()));
    }

    Form1 window;
    if (demo.isRunning())
        window.useDemoService(demo.hostAndPort());
    window.show();
    shown = &window;
    return app.exec();
}
