#pragma once

#include <initializer_list>
#include <utility>

#include <QString>
#include <QStringList>
#include <QStringView>

#include "commandline.h"
#include "console.h"

// The commands of taoyefang-cli and how a name finds one.
namespace cli {

// A command of the command line: its arguments (its name first), the environment, the console.
using Command = int (*)(const QStringList &, const Environment &, const Console &);

// The command of that name among `commands`, or null.
inline Command commandNamed(std::initializer_list<std::pair<QStringView, Command>> commands,
                            const QString &name)
{
    for (const auto &[commandName, command] : commands) {
        if (name == commandName)
            return command;
    }
    return nullptr;
}

// The commands that live in files of their own.
int convertCommand(const QStringList &arguments, const Environment &env, const Console &console);
int site(const QStringList &arguments, const Environment &env, const Console &console);
int ordersCommand(const QStringList &arguments, const Environment &env, const Console &console);
int reportCommand(const QStringList &arguments, const Environment &env, const Console &console);

// The folder of the site `name` below the output root's 站点/, or empty having said there is none.
QString siteFolder(const QString &outputRoot, const QString &name, const Console &console);

} // namespace cli
