#include "commandargs.h"

#include "commandline.h"
#include "batchrun.h"

namespace cli {

QString optionsText(const QCommandLineParser &parser)
{
    QString text = parser.helpText();
    const qsizetype at = text.indexOf(u"Options:"_qs);
    if (at >= 0)
        text = text.sliced(at);
    text.replace(u"Options:"_qs, u"选项 / Options:"_qs);
    text.replace(u"Arguments:"_qs, u"参数 / Arguments:"_qs);
    return text;
}

bool parseCommand(QCommandLineParser &parser, const QStringList &arguments, const Console &console)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    if (parser.parse(QStringList{programName} + arguments.mid(1)))
        return true;
    console.error(u"命令行有误 / bad usage: "_qs + parser.errorText());
    console.err << programName << u' ' << arguments.first() << u" --help"_qs << Qt::endl;
    return false;
}

QCommandLineOption jobsOption()
{
    return QCommandLineOption(u"jobs"_qs,
                              u"同时生成的关键词数(1-8),默认1 / keywords at a time (1-8), default 1"_qs,
                              u"N"_qs, u"1"_qs);
}

bool jobCount(const QCommandLineParser &parser, const QCommandLineOption &jobs, const Console &console,
              int &count)
{
    return countInRange(parser, jobs, BatchSettings::maxJobs, console, count);
}

bool countInRange(const QCommandLineParser &parser, const QCommandLineOption &option, int most,
                  const Console &console, int &count)
{
    bool ok = false;
    count = parser.value(option).toInt(&ok);
    if (ok && count >= 1 && count <= most)
        return true;
    console.error(u"--%1 %2: 应为1到%3 / must be 1 to %3"_qs.arg(
        option.names().constLast(), parser.value(option), QString::number(most)));
    return false;
}

bool oneArgument(const QCommandLineParser &parser, const Console &console, const QString &missing)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() == 1)
        return true;
    console.error(positional.isEmpty() ? missing
                                       : u"多余的参数 / unexpected argument: "_qs + positional.at(1));
    return false;
}

std::optional<int> takesNothing(const QStringList &arguments, const Console &console, const QString &help)
{
    QCommandLineParser parser;
    const QCommandLineOption helpOption({u"h"_qs, u"help"_qs}, u"显示本帮助 / show this help"_qs);
    parser.addOption(helpOption);
    if (!parseCommand(parser, arguments, console))
        return BadUsage;
    if (parser.isSet(helpOption)) {
        console.out << help << Qt::flush;
        return AllDone;
    }
    if (!parser.positionalArguments().isEmpty()) {
        console.error(u"多余的参数 / unexpected argument: "_qs + parser.positionalArguments().first());
        return BadUsage;
    }
    return std::nullopt;
}

} // namespace cli
