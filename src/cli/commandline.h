#pragma once

#include <functional>

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

class QIODevice;
class QTextStream;

// taoyefang-cli: the generation run and batch runs without a window.
namespace cli {

// How the command ended; the process's exit code.
enum ExitCode : int {
    AllDone = 0,    // everything asked for was written
    SomeFailed = 1, // a keyword (or the one page) could not be made; the others are written
    BadUsage = 2,   // the command line or an input is unusable; nothing was written
};

// Raised when the user asks the command to stop (Ctrl+C). The first request lets a batch finish
// the keywords in progress and keep them; a second one, or any during `generate`, stops at once.
class Interrupter final : public QObject
{
    Q_OBJECT

signals:
    void interrupted();
};

struct Environment
{
    QString programFolder; // holds 设置.ini, 模板/ and 已生成/
    QTextStream *out = nullptr;
    QTextStream *err = nullptr;
    bool errIsTerminal = false; // a progress bar instead of one line per keyword
    QIODevice *in = nullptr;    // where a password comes from (stdin)
    bool inIsTerminal = false;  // it is asked for with echo off
    std::function<QDateTime()> now = [] {
        return QDateTime::currentDateTime();
    };
    Interrupter *interrupter = nullptr;
};

// Runs the command line `arguments` (the program's name first); returns its exit code.
int run(const QStringList &arguments, const Environment &env);

} // namespace cli
