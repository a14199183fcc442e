#include "commandline.h"

#include <algorithm>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include "appsetup.h"
#include "batchrun.h"
#include "cancellation.h"
#include "cliform.h"
#include "clisettings.h"
#include "commandargs.h"
#include "commands.h"
#include "commonoptions.h"
#include "console.h"
#include "datalocations.h"
#include "generationrun.h"
#include "generationtexts.h"
#include "keywordfile.h"
#include "wholefile.h"
#include "progressline.h"
#include "runfollower.h"
#include "runstate.h"
#include "statustext.h"
#include "templatelibrary.h"
#include "textops.h"

namespace cli {

namespace {

const QString generalHelp =
    u"用法 / Usage:\n"
    "  taoyefang-cli generate -k 关键词 -t 模板 [-n 数量] [-s 排序] [--pid PID] [--short-links] [筛选]\n"
    "  taoyefang-cli batch 关键词文件 -t 模板 [-n 数量] [-s 排序] [--site 名称] [--base-url 网址] [--jobs "
    "N] [筛选]\n"
    "  taoyefang-cli templates\n"
    "  taoyefang-cli site create|set|show|refresh|list|target|publish|schedule ...\n"
    "  taoyefang-cli convert [--json] [--text 文件] [输入 ...]\n"
    "  taoyefang-cli orders sync [--days N]\n"
    "  taoyefang-cli report [站点名] [--days N] [--json|--csv]\n"
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
    "  orders     同步推广订单到本地数据库(开放平台)/ sync the account's orders (open platform)\n"
    "  report     每个站点和页面的收益 / what each site and page earned\n"
    "\n"
    "未给出的值取自程序目录下的设置.ini(或 --settings 指定的文件):PID、数量、排序、短网址选项和服务主机。\n"
    "Values not given come from 设置.ini beside the program (or the file given with --settings):\n"
    "the PID, the count, the sort order, the short-link option and the service hosts.\n"
    "设置文件只读取,从不改动 / The settings file is only read, never changed.\n"
    "筛选 / Filters: --coupon-only --tmall-only --price 最低-最高 --min-commission 百分比\n"
    "\n"
    "退出码 / Exit codes:\n"
    "  0  全部完成 / all done\n"
    "  1  有关键词未能生成(其余已写出)/ some keyword failed (the others are written)\n"
    "  2  用法或输入有误,未写任何文件 / bad usage or input, nothing written\n"
    "\n"
    "taoyefang-cli <命令> --help 显示该命令的选项 / shows the options of a command.\n"_qs;

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
    AppSetup setup = setupFor(env, settings);
    setup.filter = resolved.filter;
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
    const std::optional<QByteArray> listBytes = readRegularFile(listPath, keywordfile::maxFileBytes);
    if (!listBytes) {
        console.error(listName + u": 无法读取关键词文件 / cannot read the keyword file"_qs);
        return BadUsage;
    }
    keywordfile::List list = keywordfile::read(*listBytes);

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

int dispatch(const QStringList &arguments, const Environment &env, const Console &console)
{
    const QString command = arguments.value(1);
    if (const Command run = commandNamed({{u"generate", generate},
                                          {u"batch", batch},
                                          {u"templates", templates},
                                          {u"site", site},
                                          {u"convert", convertCommand},
                                          {u"orders", ordersCommand},
                                          {u"report", reportCommand}},
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
