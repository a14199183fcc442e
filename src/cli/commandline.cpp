#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

#include "appsetup.h"
#include "batchrun.h"
#include "cancellation.h"
#include "cliform.h"
#include "convertreport.h"
#include "converttexts.h"
#include "datalocations.h"
#include "generationrun.h"
#include "generationtexts.h"
#include "inputrules.h"
#include "keywordfile.h"
#include "progressline.h"
#include "publishtexts.h"
#include "sitepublish.h"
#include "sitetimer.h"
#include "runstate.h"
#include "settingsstore.h"
#include "site.h"
#include "siteindex.h"
#include "outputfolder.h"
#include "sortorders.h"
#include "statustext.h"
#include "templatelibrary.h"
#include "textops.h"
#include "topmessages.h"

namespace cli {

namespace {

const QString programName = u"taoyefang-cli"_qs;

const QString generalHelp =
    u"用法 / Usage:\n"
    "  taoyefang-cli generate -k 关键词 -t 模板 [-n 数量] [-s 排序] [--pid PID] [--short-links]\n"
    "  taoyefang-cli batch 关键词文件 -t 模板 [-n 数量] [-s 排序] [--site 名称] [--base-url 网址] [--jobs "
    "N]\n"
    "  taoyefang-cli templates\n"
    "  taoyefang-cli site create|refresh|list|target|publish|schedule ...\n"
    "  taoyefang-cli convert [--json] [--text 文件] [输入 ...]\n"
    "\n"
    "命令 / Commands:\n"
    "  generate   生成一个单页,在标准输出打印它的文件夹\n"
    "             write one page and print its folder on stdout\n"
    "  batch      按关键词文件生成一个网站:每个关键词一页,加首页和站点地图\n"
    "             write a site from a keyword file: a page per keyword, an index and a sitemap\n"
    "  templates  列出可用的模板 / list the templates\n"
    "  site       长期维护的站点:地址不变,原地更新 / lasting sites: stable addresses, refreshed in place\n"
    "  convert    转链:把商品链接、商品ID、推广短链和淘口令换成自己推广位的(开放平台)\n"
    "             turn item links, ids, promotion links and 淘口令 into your own (open platform)\n"
    "\n"
    "未给出的值取自程序目录下的设置.ini(或 --settings 指定的文件):PID、数量、排序、短网址选项和服务主机。\n"
    "Values not given come from 设置.ini beside the program (or the file given with --settings):\n"
    "the PID, the count, the sort order, the short-link option and the service hosts.\n"
    "设置文件只读取,从不改动 / The settings file is only read, never changed.\n"
    "\n"
    "退出码 / Exit codes:\n"
    "  0  全部完成 / all done\n"
    "  1  有关键词未能生成(其余已写出)/ some keyword failed (the others are written)\n"
    "  2  用法或输入有误,未写任何文件 / bad usage or input, nothing written\n"
    "\n"
    "taoyefang-cli <命令> --help 显示该命令的选项 / shows the options of a command.\n"_qs;

const QString keywordFileHelp =
    u"关键词文件 / Keyword file:\n"
    "  每行一个关键词,其后可用制表符分隔写上数量和模板;空行和以 # 开头的行跳过;\n"
    "  UTF-8(可带BOM)或GBK;重复的关键词只生成一次;会被拒绝的行报告行号后跳过。\n"
    "  One keyword a line, optionally followed by a tab and a count and another tab and a template;\n"
    "  blank lines and lines starting with # are skipped; UTF-8 (with or without BOM) or GBK;\n"
    "  repeated keywords are done once; lines that would be refused are reported with their number.\n"_qs;

const QString convertHelp =
    u"用法 / Usage: taoyefang-cli convert [--json] [--text 文件] [输入 ...]\n\n"
    u"把文本(或每个参数)中的商品链接、商品ID、推广短链和淘口令换成自己推广位的链接和淘口令,\n"
    u"在标准输出打印换好的文本,在标准错误打印每个输入的结果表;\n"
    u"用 --json 时每个输入在标准输出打印一行JSON: input, item_id, short_url, tpwd,\n"
    u"coupon_amount(元), coupon_end, commission_rate(%), final_price(元), error。\n"
    u"Replaces every item link, id, promotion link and 淘口令 in the text (or in each argument)\n"
    u"by your own, prints the text on stdout and a table of the inputs on stderr;\n"
    u"with --json one JSON object per input instead.\n"
    u"需要开放平台模式和完整的PID(--pid 或设置.ini的Text2) / needs the open platform and a full PID.\n\n"
    u"退出码 / Exit codes:\n"
    u"  0  全部转换 / all converted\n"
    u"  1  有未能转换的(其余已转换)/ some could not be (the others are)\n"
    u"  2  用法有误或不是开放平台模式 / bad usage, or not in 开放平台 mode\n\n"_qs;

struct Console
{
    QTextStream &out;
    QTextStream &err;

    // Messages quote files, names and services: no control sequence of theirs reaches the terminal.
    void error(const QString &text) const
    {
        err << programName << u": "_qs << textops::withoutControls(text) << Qt::endl;
    }
};

// The options every generating command shares.
struct CommonOptions
{
    QCommandLineOption templ{{u"t"_qs, u"template"_qs}, u"模板名称 / template name"_qs, u"模板"_qs};
    QCommandLineOption count{{u"n"_qs, u"count"_qs},
                             u"商品数量(2-40),默认取设置.ini的Text3 / number of items (2-40), else Text3"_qs,
                             u"数量"_qs};
    QCommandLineOption sort{{u"s"_qs, u"sort"_qs},
                            u"排序,默认取设置.ini的Combo2 / sort order, else Combo2: "_qs +
                                [] {
                                    QStringList texts;
                                    for (const sortorders::SortOrder &order : sortorders::all)
                                        texts << order.text.toString();
                                    return texts.join(u", "_qs);
                                }(),
                            u"排序"_qs};
    QCommandLineOption pid{
        u"pid"_qs,
        u"淘宝客PID(接口测试工具: 8位数字; 开放平台: mm_会员_网站_推广位),默认取设置.ini的Text2 / "
        u"the PID (8 digits, or mm_member_site_adzone for the open platform), else Text2"_qs,
        u"PID"_qs};
    QCommandLineOption shortLinks{
        u"short-links"_qs,
        u"把推广地址转换为短网址,默认取设置.ini的Check1 / shorten the links, else Check1"_qs};
    QCommandLineOption tokens{
        u"tokens"_qs, u"为每件商品生成淘口令(开放平台),默认取设置.ini的生成淘口令 / make a 淘口令 per item "
                      u"(open platform), else 生成淘口令"_qs};
    QCommandLineOption settings{u"settings"_qs, u"设置文件,默认为程序目录下的设置.ini / the settings file"_qs,
                                u"文件"_qs};
    QCommandLineOption help{{u"h"_qs, u"help"_qs}, u"显示本帮助 / show this help"_qs};

    void addTo(QCommandLineParser &parser) const
    {
        parser.addOptions({templ, count, sort, pid, shortLinks, tokens, settings, help});
    }
};

// The parser's list of options and arguments, under bilingual headings.
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

// Parses `arguments` (the command's name first); on a usage error says so and returns false.
bool parseCommand(QCommandLineParser &parser, const QStringList &arguments, const Console &console)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    if (parser.parse(QStringList{programName} + arguments.mid(1)))
        return true;
    console.error(u"命令行有误 / bad usage: "_qs + parser.errorText());
    console.err << programName << u' ' << arguments.first() << u" --help"_qs << Qt::endl;
    return false;
}

// Where the window's inputs come from when the command line does not give them.
struct Settings
{
    QString path;
    settingsstore::Inputs inputs;
    ServiceHosts hosts;
    settingsstore::SourceSettings sources;
    bool tokens = false; // --tokens

    QString where(const QString &key, const QString &section = u"基本设置"_qs) const
    {
        return u"设置文件 "_qs + QDir::toNativeSeparators(path) + u" ["_qs + section + u"] "_qs + key;
    }
};

// Why a settings file is not read; empty for one that is.
QString snapshotRefusal(settingsstore::Snapshot::Status status)
{
    using Status = settingsstore::Snapshot::Status;
    switch (status) {
    case Status::Read:
    case Status::Missing:
        break;
    case Status::TooLarge:
        return u"不是设置文件(大于1 MB),未读取 / not a settings file (over 1 MB), not read"_qs;
    case Status::NotSettings:
        return u"不是设置文件(应以[基本设置]这样的节开头,且不含二进制内容),未改动 / "
               u"not a settings file (no [section] first, or binary), left as it is"_qs;
    case Status::Unreadable:
        return u"无法读取设置文件 / cannot read the settings file"_qs;
    }
    return QString();
}

// The settings are only read, never written: a file given by mistake stays as it was, and the
// defaults of entries it lacks are used without being stored.
bool loadSettings(const QCommandLineParser &parser, const CommonOptions &options, const Environment &env,
                  const Console &console, Settings &settings)
{
    if (parser.isSet(options.settings)) {
        settings.path = QFileInfo(parser.value(options.settings)).absoluteFilePath();
        // A mistyped name would otherwise run on the defaults without a word.
        if (!QFileInfo(settings.path).isFile()) {
            console.error(u"--settings: 设置文件不存在 / no such settings file: "_qs +
                          QDir::toNativeSeparators(settings.path));
            return false;
        }
    } else {
        settings.path = locate(env.programFolder).settingsPath;
    }
    const settingsstore::Snapshot snapshot = settingsstore::readSnapshot(settings.path);
    if (!snapshot.usable()) {
        console.error(QDir::toNativeSeparators(settings.path) + u": "_qs + snapshotRefusal(snapshot.status));
        return false;
    }
    settings.inputs = settingsstore::readInputs(snapshot, 0);
    settings.hosts = settingsstore::readHosts(snapshot);
    settings.sources = settingsstore::readSourceSettings(snapshot);
    // Only the commands that make pages take --tokens (isSet would warn about the others).
    settings.tokens = parser.optionNames().contains(options.tokens.names().constLast());
    if (settings.sources.source == itemsource::Source::Unknown) {
        console.error(settings.where(u"数据来源 "_qs + settings.sources.sourceText, u"服务设置"_qs) +
                      u": "_qs + generationtexts::unknownSource.toString());
        return false;
    }
    return true;
}

// The inputs a run reads, each with the place it came from for messages.
struct ResolvedInputs
{
    CliForm::Inputs inputs;
    QString pidFrom;
    QString countFrom;
};

bool resolveInputs(const QCommandLineParser &parser, const CommonOptions &options, const Settings &settings,
                   const Console &console, ResolvedInputs &resolved)
{
    CliForm::Inputs &in = resolved.inputs;
    in.templateName = parser.value(options.templ);
    if (parser.isSet(options.pid)) {
        in.pid = parser.value(options.pid);
        resolved.pidFrom = u"--pid"_qs;
    } else {
        in.pid = settings.inputs.pid;
        resolved.pidFrom = settings.where(u"Text2"_qs);
    }
    if (parser.isSet(options.count)) {
        in.count = parser.value(options.count);
        resolved.countFrom = u"-n/--count"_qs;
    } else {
        in.count = settings.inputs.count;
        resolved.countFrom = settings.where(u"Text3"_qs);
    }
    if (parser.isSet(options.sort)) {
        in.sortText = parser.value(options.sort);
        const auto known =
            std::find_if(sortorders::all.begin(), sortorders::all.end(),
                         [&](const sortorders::SortOrder &o) { return o.text == in.sortText; });
        if (known == sortorders::all.end()) {
            console.error(u"-s/--sort "_qs + in.sortText + u": 未知的排序 / unknown sort order"_qs);
            console.err << u"可用的排序 / sort orders:"_qs << Qt::endl;
            for (const sortorders::SortOrder &order : sortorders::all)
                console.err << u"  "_qs << order.text.toString() << Qt::endl;
            return false;
        }
    } else {
        const int index = settings.inputs.sortIndex.value_or(-1);
        in.sortText = index >= 0 ? sortorders::all[index].text.toString() : QString();
    }
    in.shortLinkState = parser.isSet(options.shortLinks) ? 1 : settings.inputs.checkState.value_or(0);
    // The window takes "1.5" as a number and "abc" as 0; typed here, they are slips.
    if (const QStringView refusal = inputrules::countTextRefusal(in.count); !refusal.isEmpty()) {
        console.error(resolved.countFrom + u' ' + in.count + u": "_qs + refusal.toString());
        return false;
    }
    return true;
}

// Which input a refusal of the run is about, for "what and where".
QString refusalPlace(const QString &message, const ResolvedInputs &resolved, const QString &keywordOption)
{
    if (message == generationtexts::badPid || message.startsWith(openplatform::pidMessage))
        return resolved.pidFrom + u' ' + resolved.inputs.pid;
    if (message == generationtexts::emptyKeyword || message == generationtexts::keywordTooLong)
        return keywordOption;
    return QString(u"-t/--template "_qs + resolved.inputs.templateName).trimmed();
}

AppSetup setupFor(const Environment &env, const Settings &settings)
{
    // The same places as the window's: beside the program, or the user's once installed.
    const DataLocations where = locate(env.programFolder);
    AppSetup setup = AppSetup::inProgramFolder(env.programFolder);
    setup.templateRoot = where.templateRoot;
    setup.templateRoots = where.templateRoots;
    setup.outputRoot = where.outputRoot;
    setup.settingsPath = settings.path;
    setup.hosts = settings.hosts;
    setup.source = settings.sources.source;
    setup.openPlatform = settings.sources.openPlatform;
    if (settings.tokens)
        setup.openPlatform.makeTpwd = true;
    setup.now = env.now;
    return setup;
}

int generate(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const CommonOptions options;
    const QCommandLineOption keyword({u"k"_qs, u"keyword"_qs}, u"产品关键词 / product keyword"_qs,
                                     u"关键词"_qs);
    parser.addOption(keyword);
    options.addTo(parser);
    if (!parseCommand(parser, arguments, console))
        return BadUsage;
    if (parser.isSet(options.help)) {
        console.out
            << u"用法 / Usage: taoyefang-cli generate -k 关键词 -t 模板 [选项 / options]\n\n"
               u"生成一个单页,写到程序目录下的已生成/中,并在标准输出打印它的文件夹;进度显示在标准错误。\n"
               u"Writes one page below 已生成/ beside the program and prints its folder on stdout;\n"
               u"progress goes to stderr.\n\n"_qs
            << optionsText(parser) << Qt::flush;
        return AllDone;
    }
    if (!parser.positionalArguments().isEmpty()) {
        console.error(u"多余的参数 / unexpected argument: "_qs + parser.positionalArguments().first());
        return BadUsage;
    }

    Settings settings;
    ResolvedInputs resolved;
    if (!loadSettings(parser, options, env, console, settings) ||
        !resolveInputs(parser, options, settings, console, resolved))
        return BadUsage;
    resolved.inputs.keyword = parser.value(keyword);

    CliForm form(resolved.inputs, [&console](const QString &line) { console.err << line << Qt::endl; });
    net::Cancellation cancel;
    if (env.interrupter)
        QObject::connect(env.interrupter, &Interrupter::interrupted, &cancel, &net::Cancellation::cancel);
    const AppSetup setup = setupFor(env, settings);
    switch (shengcheng_Click(form, setup, cancel)) {
    case RunOutcome::Written:
        console.out << QDir::toNativeSeparators(form.run()->outputFolder) << Qt::endl;
        return AllDone;
    case RunOutcome::Refused:
        console.error(refusalPlace(form.message(), resolved, u"-k/--keyword"_qs) + u": "_qs + form.message());
        return BadUsage;
    case RunOutcome::Failed:
        console.error(u"未能生成 / not written: "_qs + form.lastStatus());
        return SomeFailed;
    case RunOutcome::Cancelled:
        console.error(u"已中止,未写任何文件 / interrupted, nothing written"_qs);
        return SomeFailed;
    }
    return SomeFailed;
}

// Shows a run's keywords on `progress` as they start and end (with the folder a page went to, when
// `showFolder`), and stops it on Ctrl+C: the first lets the keywords in progress finish and keeps
// them, a second stops them too.
template <typename Run>
void followRun(Run &run, ProgressLine &progress, const Environment &env, int &interrupts, bool showFolder)
{
    QObject::connect(&run, &Run::keywordStarted, &run,
                     [&progress](int, const QString &keyword) { progress.started(keyword); });
    QObject::connect(
        &run, &Run::keywordFinished, &run, [&progress, showFolder](const PageResult &result, int done, int) {
            QString text;
            if (result.outcome == RunOutcome::Written)
                text = QString::number(result.itemCount) + u"件商品 / items"_qs +
                       (showFolder ? u": "_qs + QDir::toNativeSeparators(result.folder) : QString());
            else if (result.outcome == RunOutcome::Cancelled)
                text = u"未完成 / not done: "_qs + result.reason;
            else
                text = u"未能生成 / failed: "_qs + statustext::withoutCommandAdvice(result.reason);
            progress.finished(done, result.entry.keyword, text, result.outcome == RunOutcome::Written);
        });
    if (env.interrupter)
        QObject::connect(env.interrupter, &Interrupter::interrupted, &run, [&run, &interrupts, &progress] {
            if (++interrupts == 1) {
                progress.note(u"正在停止:进行中的关键词完成后结束,再按一次立即停止 / stopping after the "
                              "keywords in progress; once more to stop now"_qs);
                run.cancel();
            } else {
                run.abort();
            }
        });
}

// What every keyword of a batch or a site shares, as the command line and the settings give it.
BatchSettings batchSettingsFor(const ResolvedInputs &resolved)
{
    BatchSettings settings;
    settings.templateName = resolved.inputs.templateName;
    settings.count = resolved.inputs.count;
    settings.sortText = resolved.inputs.sortText;
    settings.pid = resolved.inputs.pid;
    settings.shortLinkState = resolved.inputs.shortLinkState;
    return settings;
}

// How many keywords a run makes at a time.
QCommandLineOption jobsOption()
{
    return QCommandLineOption(u"jobs"_qs,
                              u"同时生成的关键词数(1-8),默认1 / keywords at a time (1-8), default 1"_qs,
                              u"N"_qs, u"1"_qs);
}

bool jobCount(const QCommandLineParser &parser, const QCommandLineOption &jobs, const Console &console,
              int &count)
{
    bool ok = false;
    count = parser.value(jobs).toInt(&ok);
    if (ok && count >= 1 && count <= BatchSettings::maxJobs)
        return true;
    console.error(u"--jobs "_qs + parser.value(jobs) + u": 应为1到8 / must be 1 to 8"_qs);
    return false;
}

// The one argument the command takes; false, having said what is wrong, when there is not exactly one.
bool oneArgument(const QCommandLineParser &parser, const Console &console, const QString &missing)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() == 1)
        return true;
    console.error(positional.isEmpty() ? missing
                                       : u"多余的参数 / unexpected argument: "_qs + positional.at(1));
    return false;
}

int batch(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const CommonOptions options;
    const QCommandLineOption site(
        u"site"_qs, u"网站名称,默认为关键词文件名 / site name, else the file's base name"_qs, u"名称"_qs);
    const QCommandLineOption baseUrl(
        u"base-url"_qs, u"网站的网址,给出时写sitemap.xml / the site's address; writes sitemap.xml"_qs,
        u"网址"_qs);
    const QCommandLineOption jobs = jobsOption();
    options.addTo(parser);
    parser.addOptions({site, baseUrl, jobs});
    parser.addPositionalArgument(u"关键词文件"_qs, u"关键词文件 / keyword file"_qs);
    if (!parseCommand(parser, arguments, console))
        return BadUsage;
    if (parser.isSet(options.help)) {
        console.out
            << u"用法 / Usage: taoyefang-cli batch 关键词文件 -t 模板 [选项 / options]\n\n"
               u"在已生成/下写一个网站文件夹 <名称>_<日期_时间>:每个关键词一个单页文件夹,首页index.htm,\n"
               u"给出 --base-url 时还有sitemap.xml;在标准输出打印网站文件夹。\n"
               u"Writes a site folder <name>_<date_time> below 已生成/: a page folder per keyword, an\n"
               u"index.htm and, with --base-url, a sitemap.xml; prints the site folder on stdout.\n\n"_qs
            << keywordFileHelp << u'\n' << optionsText(parser) << Qt::flush;
        return AllDone;
    }
    int jobsValue = 1;
    if (!oneArgument(parser, console, u"缺少关键词文件 / no keyword file given"_qs) ||
        !jobCount(parser, jobs, console, jobsValue))
        return BadUsage;
    const QStringList positional = parser.positionalArguments();

    Settings settings;
    ResolvedInputs resolved;
    if (!loadSettings(parser, options, env, console, settings) ||
        !resolveInputs(parser, options, settings, console, resolved))
        return BadUsage;

    const QString listPath = positional.first();
    const QString listName = QDir::toNativeSeparators(listPath);
    QFile file(listPath);
    if (!QFileInfo(listPath).isFile() || !file.open(QIODevice::ReadOnly)) {
        console.error(listName + u": 无法读取关键词文件 / cannot read the keyword file"_qs);
        return BadUsage;
    }
    keywordfile::List list = keywordfile::read(file.readAll());
    file.close();

    const AppSetup setup = setupFor(env, settings);
    BatchSettings batchSettings = batchSettingsFor(resolved);
    batchSettings.siteName = parser.isSet(site) && !parser.value(site).isEmpty()
                                 ? parser.value(site)
                                 : QFileInfo(listPath).completeBaseName();
    batchSettings.baseUrl = parser.value(baseUrl);
    batchSettings.jobs = jobsValue;
    if (const QString refusal = BatchRun::settingsRefusal(setup, batchSettings); !refusal.isEmpty()) {
        const QString place = batchSettings.baseUrl.isEmpty() || !refusal.startsWith(u"网站地址"_qs)
                                  ? refusalPlace(refusal, resolved, QString())
                                  : u"--base-url "_qs + batchSettings.baseUrl;
        console.error(place + u": "_qs + refusal);
        return BadUsage;
    }

    QList<keywordfile::Notice> skipped = list.refused;
    skipped += BatchRun::dropUnknownTemplates(setup.templateRoots, list.entries);
    std::sort(skipped.begin(), skipped.end(),
              [](const keywordfile::Notice &a, const keywordfile::Notice &b) { return a.line < b.line; });
    const auto lineMessage = [&listName](const keywordfile::Notice &notice) -> QString {
        QString text = listName + u':' + QString::number(notice.line) + u": "_qs;
        if (!notice.keyword.isEmpty())
            text += notice.keyword + u": "_qs;
        return text + notice.text;
    };
    for (const keywordfile::Notice &notice : std::as_const(skipped))
        console.error(lineMessage(notice) + u" (跳过 / skipped)"_qs);
    for (const keywordfile::Notice &notice : std::as_const(list.repeated))
        console.error(lineMessage(notice));
    if (list.entries.isEmpty()) {
        console.error(listName + u": 没有可生成的关键词 / no keyword to generate"_qs);
        return BadUsage;
    }

    BatchRun run(setup, batchSettings, list.entries);
    ProgressLine progress(console.err, env.errIsTerminal, run.total());
    int interrupts = 0;
    followRun(run, progress, env, interrupts, true);
    // The site folder is made first: when it cannot be, nothing at all is written.
    if (!run.start()) {
        console.error(run.summary().error);
        return BadUsage;
    }
    const BatchSummary &summary = run.exec();
    progress.done();

    if (!summary.error.isEmpty())
        console.error(summary.error);
    for (const PageResult &failed : summary.failed)
        console.error(u"未能生成 / failed: "_qs + failed.entry.keyword + u": "_qs +
                      statustext::withoutCommandAdvice(failed.reason));
    console.err << u"已生成 / written: "_qs << summary.written.size() << u'/' << summary.total;
    if (summary.notDone > 0)
        console.err << u", 未完成 / not done: "_qs << summary.notDone;
    console.err << Qt::endl;
    if (!summary.siteFolder.isEmpty())
        console.out << QDir::toNativeSeparators(summary.siteFolder) << Qt::endl;
    return summary.allWritten() && skipped.isEmpty() ? AllDone : SomeFailed;
}

// For a command that takes no option but --help and no argument: the exit code when it is done
// here (its help shown, or bad usage), nothing when it goes on.
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

int templates(const QStringList &arguments, const Environment &env, const Console &console)
{
    if (const std::optional<int> done = takesNothing(
            arguments, console,
            u"用法 / Usage: taoyefang-cli templates\n\n"
            u"列出程序目录下模板/中的模板,每行一个。\nLists the templates in 模板/ beside the program, "
            u"one a line.\n"_qs))
        return *done;
    const DataLocations where = locate(env.programFolder);
    const QStringList names = zairumoban(where.templateRoots);
    // The list's placeholder entry is no template unless a folder of that name exists.
    if (names == QStringList{generationtexts::noTemplate.toString()} &&
        !QFileInfo(findTemplateFolder(where.templateRoots, names.first())).isDir()) {
        console.error(QDir::toNativeSeparators(where.templateRoot) + u": 没有模板 / no templates"_qs);
        return AllDone;
    }
    for (const QString &name : names)
        console.out << textops::withoutControls(name) << u'\n';
    console.out << Qt::flush;
    return AllDone;
}

int convertCommand(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const CommonOptions options;
    const QCommandLineOption json(u"json"_qs, u"每个输入输出一行JSON / one JSON object per input"_qs);
    const QCommandLineOption textFile(
        u"text"_qs, u"从文件读取文本,- 为标准输入 / read the text from a file, - for stdin"_qs, u"文件"_qs);
    parser.addOptions({json, textFile, options.pid, options.settings, options.help});
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
    Settings settings;
    if (!loadSettings(parser, options, env, console, settings))
        return BadUsage;

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
        text = keywordfile::decode(file.readAll());
    }

    convert::ConvertSetup setup;
    setup.source = settings.sources.source;
    setup.account = settings.sources.openPlatform;
    setup.pid = parser.isSet(options.pid) ? parser.value(options.pid) : settings.inputs.pid;
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

const QString siteHelp =
    u"用法 / Usage:\n"
    "  taoyefang-cli site create 名称 关键词文件 -t 模板 [-n 数量] [-s 排序] [--pid PID] [--short-links]\n"
    "                            [--tokens] [--base-url 网址] [--jobs N]\n"
    "  taoyefang-cli site refresh 名称 [--jobs N] [--publish]\n"
    "  taoyefang-cli site list\n"
    "  taoyefang-cli site target 名称 地址 [--password-stdin]\n"
    "  taoyefang-cli site publish 名称 [--dry-run]\n"
    "  taoyefang-cli site schedule 名称 (--every 小时 | --off)\n"
    "\n"
    "站点保存在已生成旁边的站点/<名称>/:站点.ini(设置和每页的地址)、关键词.txt(可以编辑)和www/"
    "(要发布的网站)。\n"
    "A site lives in 站点/<name>/ beside 已生成: 站点.ini (its settings and page addresses), 关键词.txt\n"
    "(edit it freely) and www/ (the site as published).\n"
    "  create   新建站点并生成每一页,在标准输出打印站点文件夹 / make the site and every page; prints its "
    "folder\n"
    "  refresh  按关键词.txt重新生成,只改写变化的页面 / regenerate in place, rewriting only what changed\n"
    "  list     列出站点、页数、最后更新时间、发布地址和定时 / list the sites, their pages, last refresh,\n"
    "           target and timer\n"
    "  target   设置发布地址,密码从--password-stdin或提示输入 / set where the site is published:\n"
    "           sftp://用户@主机[:端口]/路径, ftp://…, ftps://…, webdav+https://…, webdav+http://…,\n"
    "           s3://密钥ID@桶/前缀?endpoint=…&region=…\n"
    "  publish  使发布地址与www/一致(需要rclone),--dry-run只显示将做的事 / make the target equal www/\n"
    "  schedule 每隔若干小时(1-168)自动更新并发布(systemd用户定时器) / refresh and publish on a timer\n"_qs;

// Refreshes the site in `folder` with progress on stderr; prints what changed and returns the exit
// code.
int refreshSite(const AppSetup &setup, const QString &folder, int jobs, const Environment &env,
                const Console &console, int *filesWritten = nullptr)
{
    sites::Refresh refresh(setup, folder, jobs);
    refresh.start();
    ProgressLine progress(console.err, env.errIsTerminal, refresh.total());
    int interrupts = 0;
    followRun(refresh, progress, env, interrupts, false);
    const sites::RefreshSummary &summary = refresh.exec();
    progress.done();
    for (const QString &notice : summary.notices)
        console.error(notice + u" (跳过 / skipped)"_qs);
    if (!summary.error.isEmpty() && summary.total == 0) {
        console.error(QDir::toNativeSeparators(folder) + u": "_qs + summary.error);
        return BadUsage;
    }
    for (const PageResult &failed : summary.failed)
        console.error(u"未能生成,保留原页面 / failed, old page kept: "_qs + failed.entry.keyword + u": "_qs +
                      failed.reason);
    if (!summary.error.isEmpty())
        console.error(summary.error);
    console.err << u"已更新 / changed: "_qs << summary.pagesChanged << u", 未变 / unchanged: "_qs
                << summary.pagesUnchanged << u", 已删除 / removed: "_qs << summary.pagesRemoved
                << u", 未完成 / not done: "_qs << summary.cancelled.size()
                << u", 写入文件 / files written: "_qs << summary.filesWritten << Qt::endl;
    if (filesWritten)
        *filesWritten = summary.filesWritten;
    return summary.allDone() ? AllDone : SomeFailed;
}

// The folder of the site `name` below the output root's 站点/, or empty having said there is none.
QString siteFolder(const QString &outputRoot, const QString &name, const Console &console)
{
    const QString folder = joinPath(sites::sitesRoot(outputRoot), outputfolder::safeName(name));
    if (QFileInfo::exists(sites::Paths(folder).config))
        return folder;
    console.error(name + u": 没有这个站点 / no such site"_qs);
    return QString();
}

// Publishes the site in `folder`, each file on stdout as rclone reports it ("+" sent, "-" deleted);
// Ctrl+C stops it. Returns the exit code.
int publishSite(const QString &folder, bool dryRun, const Environment &env, const Console &console)
{
    QString error;
    const std::unique_ptr<publish::Run> run = sitepublish::runFor(folder, dryRun, &error);
    if (!run) {
        console.error(error);
        return SomeFailed;
    }
    QObject::connect(run.get(), &publish::Run::fileDone, run.get(),
                     [&console](const QString &file, bool deleted) {
                         console.out << (deleted ? u"- "_qs : u"+ "_qs) << file << Qt::endl;
                     });
    if (env.interrupter)
        QObject::connect(env.interrupter, &Interrupter::interrupted, run.get(), &publish::Run::cancel);
    run->start();
    const publish::Summary &summary = run->exec();
    if (!summary.ok()) {
        console.error(summary.error);
        return SomeFailed;
    }
    console.err << (dryRun ? u"试运行,未改变远端 / dry run, nothing changed: "_qs : QString())
                << u"上传 / sent: "_qs << summary.copied.size() << u", 删除 / deleted: "_qs
                << summary.deleted.size() << Qt::endl;
    return AllDone;
}

// Parses a site command whose arguments are the site's name (and, with `address`, the target) and
// `options`: the exit code when it ends here (its help shown, or bad usage), else nothing, with
// `folder` the site's.
std::optional<int> siteCommand(QCommandLineParser &parser, const QStringList &arguments,
                               const QList<QCommandLineOption> &options, bool address, const Environment &env,
                               const Console &console, QString &folder)
{
    const QCommandLineOption help({u"h"_qs, u"help"_qs}, u"显示本帮助 / show this help"_qs);
    parser.addOptions(options);
    parser.addOption(help);
    parser.addPositionalArgument(u"名称"_qs, u"站点名称 / site name"_qs);
    if (address)
        parser.addPositionalArgument(u"地址"_qs, u"发布地址 / where to publish"_qs);
    if (!parseCommand(parser, arguments, console))
        return BadUsage;
    if (parser.isSet(help)) {
        console.out << siteHelp << u'\n' << optionsText(parser) << Qt::flush;
        return AllDone;
    }
    const QStringList positional = parser.positionalArguments();
    const qsizetype wanted = address ? 2 : 1;
    if (positional.size() != wanted) {
        console.error(positional.size() > wanted
                          ? u"多余的参数 / unexpected argument: "_qs + positional.at(wanted)
                      : address ? u"需要站点名称和发布地址 / a site name and a target"_qs
                                : u"缺少站点名称 / no site name given"_qs);
        return BadUsage;
    }
    folder = siteFolder(locate(env.programFolder).outputRoot, positional.first(), console);
    return folder.isEmpty() ? std::optional<int>(BadUsage) : std::nullopt;
}

// A password from stdin: asked for with echo off on a terminal, else the first line of what is
// piped in. Nothing when none comes.
std::optional<QString> readPassword(const Environment &env, const Console &console, bool fromStdin)
{
    if (!env.in)
        return std::nullopt;
    const bool prompt = !fromStdin && env.inIsTerminal;
#ifdef Q_OS_UNIX
    termios saved{};
    const bool echoOff = prompt && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (echoOff) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
#endif
    if (prompt)
        console.err << u"密码 / password: "_qs << Qt::flush;
    QByteArray line = env.in->readLine();
#ifdef Q_OS_UNIX
    if (echoOff) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        console.err << Qt::endl;
    }
#endif
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        return std::nullopt;
    return QString::fromUtf8(line);
}

int siteTarget(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const QCommandLineOption passwordStdin(u"password-stdin"_qs,
                                           u"从标准输入读取密码 / read the password from stdin"_qs);
    QString folder;
    if (const std::optional<int> done =
            siteCommand(parser, arguments, {passwordStdin}, true, env, console, folder))
        return *done;
    const QStringList positional = parser.positionalArguments();
    QString error;
    if (!publishtarget::parse(positional.at(1), &error)) {
        console.error(positional.at(1) + u": "_qs + error);
        return BadUsage;
    }
    const std::optional<QString> password = readPassword(env, console, parser.isSet(passwordStdin));
    if (!password) {
        console.error(publishtexts::noPassword);
        return BadUsage;
    }
    secretstore::Place place = secretstore::Place::Nowhere;
    if (!sitepublish::setTarget(folder, positional.at(1), *password, &place, &error)) {
        console.error(error);
        return SomeFailed;
    }
    if (place == secretstore::Place::File)
        console.error(publishtexts::fileFallback + QDir::toNativeSeparators(sitepublish::secretFile(folder)));
    return AllDone;
}

int sitePublish(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const QCommandLineOption dryRun(u"dry-run"_qs, u"只显示将做的事 / only say what would be done"_qs);
    QString folder;
    if (const std::optional<int> done = siteCommand(parser, arguments, {dryRun}, false, env, console, folder))
        return *done;
    return publishSite(folder, parser.isSet(dryRun), env, console);
}

int siteSchedule(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const QCommandLineOption every(u"every"_qs, u"每隔几小时(1-168) / every so many hours (1-168)"_qs,
                                   u"小时"_qs);
    const QCommandLineOption off(u"off"_qs, u"取消定时 / remove the timer"_qs);
    QString folder;
    if (const std::optional<int> done =
            siteCommand(parser, arguments, {every, off}, false, env, console, folder))
        return *done;
    bool ok = false;
    const int hours = parser.value(every).toInt(&ok);
    if (parser.isSet(every) == parser.isSet(off) ||
        (parser.isSet(every) && (!ok || hours < sitetimer::minHours || hours > sitetimer::maxHours))) {
        console.error(u"需要 --every 小时(1-168) 或 --off / give --every hours (1-168) or --off"_qs);
        return BadUsage;
    }
    const std::optional<siteconfig::Site> site = siteconfig::read(sites::Paths(folder).config);
    if (!site) {
        console.error(QDir::toNativeSeparators(sites::Paths(folder).config) + u": 无法读取 / unreadable"_qs);
        return SomeFailed;
    }
    const QString &name = site->name;
    const sitetimer::Outcome outcome =
        parser.isSet(off) ? sitetimer::remove(name)
                          : sitetimer::install(name, hours, joinPath(env.programFolder, programName));
    if (!outcome.error.isEmpty()) {
        console.error(u"无法写入定时器 / cannot write the timer: "_qs + outcome.error);
        return SomeFailed;
    }
    if (!outcome.enableCommand.isEmpty())
        console.err << u"没有运行中的systemd用户管理器,启用定时器请运行 / no user manager runs; to enable "
                       "the timer run:\n  "_qs
                    << outcome.enableCommand << Qt::endl;
    return AllDone;
}

int siteCreate(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const CommonOptions options;
    const QCommandLineOption baseUrl(u"base-url"_qs,
                                     u"网站的网址,给出时写sitemap.xml / the site's address"_qs, u"网址"_qs);
    const QCommandLineOption jobs = jobsOption();
    options.addTo(parser);
    parser.addOptions({baseUrl, jobs});
    parser.addPositionalArgument(u"名称"_qs, u"站点名称 / site name"_qs);
    parser.addPositionalArgument(u"关键词文件"_qs, u"关键词文件 / keyword file"_qs);
    if (!parseCommand(parser, arguments, console))
        return BadUsage;
    if (parser.isSet(options.help)) {
        console.out << siteHelp << u'\n' << keywordFileHelp << u'\n' << optionsText(parser) << Qt::flush;
        return AllDone;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2) {
        console.error(positional.size() < 2 ? u"需要站点名称和关键词文件 / a site name and a keyword file"_qs
                                            : u"多余的参数 / unexpected argument: "_qs + positional.at(2));
        return BadUsage;
    }
    int jobCountValue = 1;
    Settings settings;
    ResolvedInputs resolved;
    if (!jobCount(parser, jobs, console, jobCountValue) ||
        !loadSettings(parser, options, env, console, settings) ||
        !resolveInputs(parser, options, settings, console, resolved))
        return BadUsage;

    const QString listName = QDir::toNativeSeparators(positional.at(1));
    QFile file(positional.at(1));
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) {
        console.error(listName + u": 无法读取关键词文件 / cannot read the keyword file"_qs);
        return BadUsage;
    }
    const QByteArray keywordList = file.readAll();
    if (keywordfile::read(keywordList).entries.isEmpty()) {
        console.error(listName + u": 没有可生成的关键词 / no keyword to generate"_qs);
        return BadUsage;
    }

    const AppSetup setup = setupFor(env, settings);
    BatchSettings batchSettings = batchSettingsFor(resolved);
    batchSettings.baseUrl = parser.value(baseUrl);
    if (const QString refusal = BatchRun::settingsRefusal(setup, batchSettings); !refusal.isEmpty()) {
        const QString place = batchSettings.baseUrl.isEmpty() || !refusal.startsWith(u"网站地址"_qs)
                                  ? refusalPlace(refusal, resolved, QString())
                                  : u"--base-url "_qs + batchSettings.baseUrl;
        console.error(place + u": "_qs + refusal);
        return BadUsage;
    }

    siteconfig::Site site;
    site.name = positional.at(0);
    site.templateName = batchSettings.templateName;
    site.count = batchSettings.count;
    site.sortText = batchSettings.sortText;
    site.pid = batchSettings.pid;
    site.shortLinks = resolved.inputs.shortLinkState == 1;
    site.tokens = settings.tokens || settings.sources.openPlatform.makeTpwd;
    site.baseUrl =
        batchSettings.baseUrl.isEmpty() ? QString() : siteindex::baseAddress(batchSettings.baseUrl);
    QString error;
    const QString folder = sites::create(sites::sitesRoot(setup.outputRoot), site, keywordList, &error);
    if (folder.isEmpty()) {
        console.error(site.name + u": "_qs + error);
        return BadUsage;
    }
    const int code = refreshSite(setup, folder, jobCountValue, env, console);
    console.out << QDir::toNativeSeparators(folder) << Qt::endl;
    if (console.out.status() != QTextStream::Ok)
        return SomeFailed;
    return code == BadUsage ? SomeFailed : code;
}

int siteRefresh(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const CommonOptions options;
    const QCommandLineOption jobs = jobsOption();
    const QCommandLineOption publish(u"publish"_qs,
                                     u"更新写了文件时随后发布 / publish when anything was written"_qs);
    parser.addOptions({options.settings, options.help, jobs, publish});
    parser.addPositionalArgument(u"名称"_qs, u"站点名称 / site name"_qs);
    if (!parseCommand(parser, arguments, console))
        return BadUsage;
    if (parser.isSet(options.help)) {
        console.out << siteHelp << u'\n' << optionsText(parser) << Qt::flush;
        return AllDone;
    }
    if (!oneArgument(parser, console, u"缺少站点名称 / no site name given"_qs))
        return BadUsage;
    const QStringList positional = parser.positionalArguments();
    int jobCountValue = 1;
    Settings settings;
    if (!jobCount(parser, jobs, console, jobCountValue) ||
        !loadSettings(parser, options, env, console, settings))
        return BadUsage;
    const AppSetup setup = setupFor(env, settings);
    const QString folder = siteFolder(setup.outputRoot, positional.first(), console);
    if (folder.isEmpty())
        return BadUsage;
    int filesWritten = 0;
    const int code = refreshSite(setup, folder, jobCountValue, env, console, &filesWritten);
    if (!parser.isSet(publish) || code == BadUsage || filesWritten == 0)
        return code;
    const int published = publishSite(folder, false, env, console);
    return code == AllDone ? published : code;
}

int siteList(const QStringList &arguments, const Environment &env, const Console &console)
{
    if (const std::optional<int> done = takesNothing(arguments, console, siteHelp))
        return *done;
    const QString root = sites::sitesRoot(locate(env.programFolder).outputRoot);
    QString text;
    for (const sites::Listed &listed : sites::list(root)) {
        const QString refreshed =
            listed.site.refreshed.isValid() ? listed.site.refreshed.toString(u"yyyy-MM-dd HH:mm") : u"-"_qs;
        const int hours = sitetimer::installedHours(listed.site.name);
        text += listed.site.name + u'\t' + QString::number(listed.site.pages.size()) + u"页\t"_qs +
                refreshed + u'\t' + (listed.site.target.isEmpty() ? u"-"_qs : listed.site.target) + u'\t' +
                (hours > 0 ? u"每"_qs + QString::number(hours) + u"小时"_qs : u"-"_qs) + u'\n';
    }
    if (text.isEmpty())
        console.error(QDir::toNativeSeparators(root) + u": 还没有站点 / no sites yet"_qs);
    console.out << text;
    console.out.flush();
    return console.out.status() == QTextStream::Ok ? AllDone : SomeFailed;
}

// A command of the command line: its arguments (its name first), the environment, the console.
using Command = int (*)(const QStringList &, const Environment &, const Console &);

// The command of that name among `commands`, or null.
Command commandNamed(std::initializer_list<std::pair<QStringView, Command>> commands, const QString &name)
{
    for (const auto &[commandName, command] : commands) {
        if (name == commandName)
            return command;
    }
    return nullptr;
}

int site(const QStringList &arguments, const Environment &env, const Console &console)
{
    const QString command = arguments.value(1);
    if (const Command run = commandNamed({{u"create", siteCreate},
                                          {u"refresh", siteRefresh},
                                          {u"list", siteList},
                                          {u"target", siteTarget},
                                          {u"publish", sitePublish},
                                          {u"schedule", siteSchedule}},
                                         command))
        return run(arguments.mid(1), env, console);
    if (command == u"-h" || command == u"--help") {
        console.out << siteHelp << Qt::flush;
        return AllDone;
    }
    console.error(command.isEmpty() ? u"缺少site的子命令 / no site command given"_qs
                                    : u"未知的site子命令 / unknown site command: "_qs + command);
    console.err << siteHelp << Qt::flush;
    return BadUsage;
}

int dispatch(const QStringList &arguments, const Environment &env, const Console &console)
{
    const QString command = arguments.value(1);
    if (const Command run = commandNamed({{u"generate", generate},
                                          {u"batch", batch},
                                          {u"templates", templates},
                                          {u"site", site},
                                          {u"convert", convertCommand}},
                                         command))
        return run(arguments.mid(1), env, console);
    if (command == u"-h" || command == u"--help" || command == u"help") {
        console.out << u"淘页坊命令行 / 淘页坊 command line "_qs << QCoreApplication::applicationVersion()
                    << u"\n\n"_qs << generalHelp << Qt::flush;
        return AllDone;
    }
    if (command == u"-v" || command == u"--version") {
        console.out << programName << u' ' << QCoreApplication::applicationVersion() << Qt::endl;
        return AllDone;
    }
    if (command.isEmpty())
        console.error(u"缺少命令 / no command given"_qs);
    else
        console.error(u"未知的命令 / unknown command: "_qs + command);
    console.err << generalHelp << Qt::flush;
    return BadUsage;
}

} // namespace

int run(const QStringList &arguments, const Environment &env)
{
    const Console console{*env.out, *env.err};
    const int code = dispatch(arguments, env, console);
    // What stdout should have said (a page's folder, say) never arrived: a script reading it must
    // not go on as if it had.
    env.out->flush();
    if (env.out->status() != QTextStream::Ok) {
        console.error(u"无法写入标准输出 / cannot write to standard output"_qs);
        return code == AllDone ? SomeFailed : code;
    }
    return code;
}

} // namespace cli
