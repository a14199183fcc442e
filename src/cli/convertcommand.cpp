#include "commands.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "clisettings.h"
#include "commandargs.h"
#include "commonoptions.h"
#include "console.h"
#include "cancellation.h"
#include "convertreport.h"
#include "converttexts.h"
#include "datalocations.h"
#include "keywordfile.h"
#include "site.h"

namespace cli {

namespace {

const QString convertHelp =
    u"用法 / Usage: taoyefang-cli convert [--json] [--site 名称] [--text 文件] [输入 ...]\n\n"
    u"把文本(或每个参数)中的商品链接、商品ID、推广短链和淘口令换成自己推广位的链接和淘口令,\n"
    u"在标准输出打印换好的文本,在标准错误打印每个输入的结果表;\n"
    u"用 --json 时每个输入在标准输出打印一行JSON: input, item_id, short_url, tpwd,\n"
    u"coupon_amount(元), coupon_end, commission_rate(%), final_price(元), error。\n"
    u"Replaces every item link, id, promotion link and 淘口令 in the text (or in each argument)\n"
    u"by your own, prints the text on stdout and a table of the inputs on stderr;\n"
    u"with --json one JSON object per input instead.\n"
    u"需要开放平台模式和完整的PID(--pid、--site 站点的推广位或设置.ini的Text2)\n"
    u"/ needs the open platform and a full PID (--pid, a site's own with --site, or Text2).\n\n"
    u"退出码 / Exit codes:\n"
    u"  0  全部转换 / all converted\n"
    u"  1  有未能转换的(其余已转换)/ some could not be (the others are)\n"
    u"  2  用法有误或不是开放平台模式 / bad usage, or not in 开放平台 mode\n\n"_qs;

const QString siteAndPid = u"--site 与 --pid 只能二选一 / --site or --pid, not both"_qs;
const QString siteWithoutPid =
    u": 站点没有自己的推广位(site set 名称 --pid) / the site has no PID of its own"_qs;

} // namespace

int convertCommand(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const CommonOptions options;
    const QCommandLineOption json(u"json"_qs, u"每个输入输出一行JSON / one JSON object per input"_qs);
    const QCommandLineOption textFile(
        u"text"_qs, u"从文件读取文本,- 为标准输入 / read the text from a file, - for stdin"_qs, u"文件"_qs);
    const QCommandLineOption site(u"site"_qs, u"用该站点的推广位(PID) / use the site's own PID"_qs,
                                  u"名称"_qs);
    parser.addOptions({json, textFile, site, options.pid, options.settings, options.help});
    parser.addPositionalArgument(
        u"输入"_qs, u"商品链接、商品ID、推广短链或淘口令 / an item link, id, promotion link or 淘口令"_qs,
        u"[输入 ...]"_qs);
    if (!parseCommand(parser, arguments, console))
        return BadUsage;
    if (parser.isSet(options.help)) {
        console.out << convertHelp << optionsText(parser) << Qt::flush;
        return AllDone;
    }
    const QStringList inputs = parser.positionalArguments();
    if (parser.isSet(textFile) == !inputs.isEmpty()) {
        console.error(inputs.isEmpty()
                          ? u"缺少输入:给出输入或 --text 文件 / no input: give inputs or --text"_qs
                          : u"--text 与输入参数只能二选一 / --text or inputs, not both"_qs);
        return BadUsage;
    }
    if (parser.isSet(site) && parser.isSet(options.pid)) {
        console.error(siteAndPid);
        return BadUsage;
    }
    Settings settings;
    if (!loadSettings(parser, options, env, console, settings))
        return BadUsage;
    QString pid = parser.isSet(options.pid) ? parser.value(options.pid) : settings.inputs.pid;
    if (parser.isSet(site)) {
        const QString name = parser.value(site);
        const QString folder = siteFolder(locate(env.programFolder).outputRoot, name, console);
        if (folder.isEmpty())
            return BadUsage;
        pid = siteconfig::read(sites::Paths(folder).config).value_or(siteconfig::Site()).pid.trimmed();
        if (pid.isEmpty()) {
            console.error(name + siteWithoutPid);
            return BadUsage;
        }
    }

    QString text = inputs.join(u'\n');
    if (parser.isSet(textFile)) {
        const QString path = parser.value(textFile);
        QFile file(path);
        const bool opened = path == u"-" ? file.open(stdin, QIODevice::ReadOnly)
                                         : QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
        if (!opened) {
            console.error(QDir::toNativeSeparators(path) +
                          u": 无法读取文本文件 / cannot read the text file"_qs);
            return BadUsage;
        }
        QList<int> damaged;
        text = keywordfile::decode(file.readAll(), nullptr, &damaged);
        for (const int line : std::as_const(damaged))
            console.error(QDir::toNativeSeparators(path) + u':' +
                          keywordfile::describe(keywordfile::damagedLine(line)));
    }

    convert::ConvertSetup setup;
    setup.source = settings.sources.source;
    setup.account = settings.sources.openPlatform;
    setup.pid = pid;
    setup.now = env.now;
    net::Cancellation cancel;
    if (env.interrupter)
        QObject::connect(env.interrupter, &Interrupter::interrupted, &cancel, &net::Cancellation::cancel);
    const convert::ConvertOutcome outcome = convert::convertText(text, setup, &cancel);
    if (outcome.status == convert::ConvertOutcome::Status::Refused) {
        console.error(convert::forTerminal(outcome.refusal));
        return BadUsage;
    }
    if (outcome.status == convert::ConvertOutcome::Status::Cancelled) {
        console.error(converttexts::cancelled.toString());
        return SomeFailed;
    }

    // An argument is an input of its own: one with nothing in it to convert is one that failed.
    QStringList unrecognised;
    qsizetype lineStart = 0;
    for (const QString &input : inputs) {
        const qsizetype lineEnd = lineStart + input.size();
        if (std::none_of(outcome.found.begin(), outcome.found.end(),
                         [&](const convert::Found &f) { return f.start >= lineStart && f.start < lineEnd; }))
            unrecognised << input;
        lineStart = lineEnd + 1;
    }
    if (parser.isSet(json)) {
        for (qsizetype i = 0; i < outcome.found.size(); ++i)
            console.out << QString::fromUtf8(convert::jsonLine(outcome, i)) << u'\n';
        for (const QString &input : std::as_const(unrecognised))
            console.out << QString::fromUtf8(convert::unrecognisedJsonLine(input)) << u'\n';
        console.out << Qt::flush;
    } else {
        const QString converted = convert::forTerminal(outcome.text);
        console.out << converted << (converted.endsWith(u'\n') ? u""_qs : u"\n"_qs) << Qt::flush;
        QStringList header;
        for (const QStringView column : converttexts::columns)
            header << column.toString();
        console.err << header.join(u'\t') << u'\n';
        for (qsizetype i = 0; i < outcome.found.size(); ++i)
            console.err << convert::forTerminal(convert::rowCells(outcome, i).join(u'\t')).remove(u'\n')
                        << u'\n';
        for (const QString &input : std::as_const(unrecognised))
            console.err << convert::forTerminal(input).remove(u'\n') << QString(u'\t').repeated(8)
                        << converttexts::notRecognised.toString() << u'\n';
        if (outcome.found.isEmpty() && inputs.isEmpty())
            console.err << converttexts::nothingFound.toString() << u'\n';
        console.err << Qt::flush;
    }
    return outcome.convertedCount() == outcome.found.size() && unrecognised.isEmpty() ? AllDone : SomeFailed;
}

} // namespace cli
