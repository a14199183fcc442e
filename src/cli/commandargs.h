#pragma once

#include <optional>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include "console.h"

// Reading a command's arguments: parsing, its help text and the checks every command makes.
namespace cli {

// The parser's list of options and arguments, under bilingual headings.
QString optionsText(const QCommandLineParser &parser);

// Parses `arguments` (the command's name first); on a usage error says so and returns false.
bool parseCommand(QCommandLineParser &parser, const QStringList &arguments, const Console &console);

// How many keywords a run makes at a time.
QCommandLineOption jobsOption();

bool jobCount(const QCommandLineParser &parser, const QCommandLineOption &jobs, const Console &console,
              int &count);

// An option's whole number from 1 to `most`; false, having said what is wrong, when it is not.
bool countInRange(const QCommandLineParser &parser, const QCommandLineOption &option, int most,
                  const Console &console, int &count);

// The one argument the command takes; false, having said what is wrong, when there is not exactly one.
bool oneArgument(const QCommandLineParser &parser, const Console &console, const QString &missing);

// For a command that takes no option but --help and no argument: the exit code when it is done
// here (its help shown, or bad usage), nothing when it goes on.
std::optional<int> takesNothing(const QStringList &arguments, const Console &console, const QString &help);

} // namespace cli
