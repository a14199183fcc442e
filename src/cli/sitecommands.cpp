#include "commands.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

#include "appsetup.h"
#include "clisettings.h"
#include "commandargs.h"
#include "commonoptions.h"
#include "console.h"
#include "batchrun.h"
#include "datalocations.h"
#include "inputrules.h"
#include "keywordfile.h"
#include "progressline.h"
#include "runfollower.h"
#include "publishtexts.h"
#include "sitepublish.h"
#include "sitetimer.h"
#include "site.h"
#include "sitelock.h"
#include "wholefile.h"
#include "siteindex.h"
#include "sitesettings.h"
#include "itemfilters.h"
#include "pageitems.h"
#include "outputfolder.h"
#include "joinpath.h"
#include "textops.h"

namespace cli {

namespace {

const QString siteHelp =
    u"用法 / Usage:\n"
    "  taoyefang-cli site create 名称 关键词文件 -t 模板 [-n 数量] [-s 排序] [--pid PID] [--short-links]\n"
    "                            [--tokens] [--base-url 网址] [--jobs N] [--coupon-only] [--tmall-only]\n"
    "                            [--price 最低-最高] [--min-commission 百分比]\n"
    "  taoyefang-cli site set 名称 [-t 模板] [-n 数量] [-s 排序] [--pid PID] [--base-url 网址]\n"
    "                         [--coupon-only|--no-coupon-only] [--tmall-only|--no-tmall-only]\n"
    "                         [--price 最低-最高] [--min-commission 百分比] [--link-days 天数]\n"
    "  taoyefang-cli site show 名称 [--json]\n"
    "  taoyefang-cli site refresh 名称 [--jobs N] [--publish] [--allow-removal]\n"
    "  taoyefang-cli site list\n"
    "  taoyefang-cli site target 名称 地址 [--password-stdin] [--accept-host-key]\n"
    "  taoyefang-cli site publish 名称 [--dry-run]\n"
    "  taoyefang-cli site schedule 名称 (--every 小时 | --off)\n"
    "\n"
    "站点保存在已生成旁边的站点/<名称>/:站点.ini(设置和每页的地址)、关键词.txt(可以编辑)和www/"
    "(要发布的网站)。\n"
    "A site lives in 站点/<name>/ beside 已生成: 站点.ini (its settings and page addresses), 关键词.txt\n"
    "(edit it freely) and www/ (the site as published).\n"
    "  create   新建站点并生成每一页,在标准输出打印站点文件夹 / make the site and every page; prints its "
    "folder\n"
    "  set      修改站点.ini中的设置,下次更新生效;--price \"\"和--min-commission 0取消该项 / change the\n"
    "           site's settings for its next refresh; an empty --price or --min-commission 0 removes it\n"
    "  show     每页的地址、关键词、商品数和当前商品ID / each page's address, keyword, item count and ids\n"
    "  refresh  按关键词.txt重新生成,只改写变化的页面 / regenerate in place, rewriting only what changed;\n"
    "           会删除一半以上页面时须加--allow-removal / --allow-removal to take off more than half the "
    "pages\n"
    "           站点正被另一进程更新或发布时退出码为2 / exit code 2 while another process holds the site\n"
    "  list     列出站点、页数、最后更新时间、发布地址、定时、推广位和筛选 / list the sites, their pages,\n"
    "           last refresh, target, timer, ad zone (PID) and filters\n"
    "  target   设置发布地址,密码从--password-stdin或提示输入 / set where the site is published:\n"
    "           sftp://用户@主机[:端口]/路径, ftp://…, ftps://…, webdav+https://…, webdav+http://…,\n"
    "           s3://密钥ID@桶/前缀?endpoint=…&region=…;sftp先显示服务器的主机密钥指纹待确认 /\n"
    "           sftp shows the server's host key fingerprints to confirm first\n"
    "  publish  使发布地址与www/一致(需要rclone),--dry-run只显示将做的事 / make the target equal www/\n"
    "  schedule 每隔若干小时(1-168)自动更新并发布(systemd用户定时器) / refresh and publish on a timer\n"_qs;

// Refreshes the site in `folder` with progress on stderr; prints what changed and returns the exit
// code.
int refreshSite(const AppSetup &setup, const QString &folder, int jobs, const Environment &env,
                const Console &console, int *filesWritten = nullptr, bool allowRemoval = false)
{
    sites::Refresh refresh(setup, folder, jobs);
    refresh.allowRemoval(allowRemoval);
    refresh.start();
    ProgressLine progress(console.err, env.errIsTerminal, refresh.total());
    int interrupts = 0;
    followRun(refresh, progress, env, interrupts, false);
    const sites::RefreshSummary &summary = refresh.exec();
    progress.done();
    for (const QString &notice : summary.notices)
        console.error(notice + u" (跳过 / skipped)"_qs);
    if (!summary.error.isEmpty() && summary.total == 0) {
        // Another process holding the site, or a list that would empty it: nothing was written.
        console.error(QDir::toNativeSeparators(folder) + u": "_qs + summary.error);
        if (summary.wouldRemove > 0)
            console.error(u"确认要删除这些页面请加 --allow-removal / add --allow-removal to remove them"_qs);
        return BadUsage;
    }
    if (!summary.kept.isEmpty())
        console.error(sites::keptFilesText.toString() + u" / kept, not written by this program: "_qs +
                      summary.kept.join(u", "_qs));
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

} // namespace

QString siteFolder(const QString &outputRoot, const QString &name, const Console &console)
{
    const QString folder = joinPath(sites::sitesRoot(outputRoot), outputfolder::safeName(name));
    // Names that differ only where the folder name cuts or replaces characters share a folder: the
    // site there is this one only when its own name says so.
    const std::optional<siteconfig::Site> site = siteconfig::read(sites::Paths(folder).config);
    if (site && site->name == name)
        return folder;
    console.error(name + (site ? u": 没有这个站点(文件夹属于站点“"_qs + site->name +
                                     u"”) / no such site (the "
                                     "folder is another site's)"_qs
                               : u": 没有这个站点 / no such site"_qs));
    return QString();
}

namespace {

// Publishes the site in `folder`, each file on stdout as rclone reports it ("+" sent, "-" deleted);
// Ctrl+C stops it. Returns the exit code.
int publishSite(const QString &folder, bool dryRun, const Environment &env, const Console &console)
{
    // Refused at once (exit 2) while a refresh or publish of another process holds the site.
    if (const sites::SiteLock probe(folder); !probe.isLocked()) {
        console.error(QDir::toNativeSeparators(folder) + u": "_qs + probe.refusal());
        return BadUsage;
    }
    QString error;
    const std::unique_ptr<publish::Run> run = sitepublish::runFor(folder, dryRun, &error);
    if (!run) {
        console.error(error);
        return SomeFailed;
    }
    QObject::connect(
        run.get(), &publish::Run::fileDone, run.get(), [&console](const QString &file, bool deleted) {
            console.out << (deleted ? u"- "_qs : u"+ "_qs) << textops::withoutControls(file) << Qt::endl;
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

// An sftp server's host keys, shown and confirmed (by `accepted`, or on a terminal) before the password
// goes to it; nothing when they are not, having said why.
std::optional<sitepublish::HostKeys> confirmHostKeys(const QString &folder,
                                                     const publishtarget::Target &target, bool accepted,
                                                     const Environment &env, const Console &console,
                                                     int &code)
{
    sitepublish::HostKeys keys = sitepublish::fetchHostKeys(folder, target);
    if (!keys.error.isEmpty()) {
        console.error(keys.error);
        code = SomeFailed;
        return std::nullopt;
    }
    if (keys.known)
        return keys;
    console.err << publishtexts::hostKeyShown << u'\n';
    for (const QString &line : keys.fingerprints)
        console.err << u"  "_qs << textops::withoutControls(line) << u'\n';
    if (keys.changed)
        console.err << publishtexts::hostKeyDiffers << u'\n';
    console.err.flush();
    if (accepted)
        return keys;
    if (env.in && env.inIsTerminal) {
        console.err << publishtexts::hostKeyQuestion << u" [y/N] "_qs << Qt::flush;
        const QByteArray answer = env.in->readLine().trimmed().toLower();
        if (answer == "y" || answer == "yes")
            return keys;
    }
    console.error(publishtexts::hostKeyUnconfirmed);
    code = BadUsage;
    return std::nullopt;
}

int siteTarget(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const QCommandLineOption passwordStdin(u"password-stdin"_qs,
                                           u"从标准输入读取密码 / read the password from stdin"_qs);
    const QCommandLineOption acceptHostKey(
        u"accept-host-key"_qs, u"信任sftp服务器显示的主机密钥 / trust the host key the sftp server shows"_qs);
    QString folder;
    if (const std::optional<int> done =
            siteCommand(parser, arguments, {passwordStdin, acceptHostKey}, true, env, console, folder))
        return *done;
    const QStringList positional = parser.positionalArguments();
    QString error;
    const std::optional<publishtarget::Target> target = publishtarget::parse(positional.at(1), &error);
    if (!target) {
        console.error(positional.at(1) + u": "_qs + error);
        return BadUsage;
    }
    std::optional<sitepublish::HostKeys> hostKeys;
    if (target->kind == publishtarget::Kind::Sftp) {
        int code = AllDone;
        hostKeys = confirmHostKeys(folder, *target, parser.isSet(acceptHostKey), env, console, code);
        if (!hostKeys)
            return code;
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
    if (hostKeys && !sitepublish::keepHostKeys(folder, *target, *hostKeys)) {
        console.error(QDir::toNativeSeparators(sitepublish::knownHostsFile(folder)));
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
        parser.isSet(off) ? sitetimer::remove(folder, name)
                          : sitetimer::install(folder, name, hours, joinPath(env.programFolder, programName));
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
    const std::optional<QByteArray> listBytes = readRegularFile(positional.at(1), keywordfile::maxFileBytes);
    if (!listBytes) {
        console.error(listName + u": 无法读取关键词文件 / cannot read the keyword file"_qs);
        return BadUsage;
    }
    const QByteArray keywordList = *listBytes;
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
    sites::takeSettings(site, batchSettings);
    site.tokens = settings.tokens || settings.sources.openPlatform.makeTpwd;
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
    const QCommandLineOption publish(
        u"publish"_qs, u"随后发布,若www/或发布地址自上次发布后有变化 / then publish, when www/ or the target "
                       "changed since the last publish"_qs);
    const QCommandLineOption allowRemoval(
        u"allow-removal"_qs,
        u"关键词列表的变化删除一半以上页面时也更新 / go on when the list takes off more than half the pages"_qs);
    parser.addOptions({options.settings, options.help, jobs, publish, allowRemoval});
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
    const int code =
        refreshSite(setup, folder, jobCountValue, env, console, &filesWritten, parser.isSet(allowRemoval));
    // Published whenever the target lacks what www/ has now: after a failed publish, or a new target,
    // too.
    if (!parser.isSet(publish) || code == BadUsage ||
        (filesWritten == 0 && !sitepublish::needsPublish(folder)))
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
        const int hours = sitetimer::installedHours(listed.folder, listed.site.name);
        // A name or target is the user's text, and may hold what a terminal takes for a command.
        text += textops::withoutControls(listed.site.name) + u'\t' +
                QString::number(listed.site.pages.size()) + u"页\t"_qs + refreshed + u'\t' +
                (listed.site.target.isEmpty() ? u"-"_qs : textops::withoutControls(listed.site.target)) +
                u'\t' + (hours > 0 ? u"每"_qs + QString::number(hours) + u"小时"_qs : u"-"_qs) + u'\t' +
                (listed.site.pid.isEmpty() ? u"-"_qs : textops::withoutControls(listed.site.pid)) + u'\t' +
                itemfilters::summary(listed.site.filter) + u'\n';
    }
    if (text.isEmpty())
        console.error(QDir::toNativeSeparators(root) + u": 还没有站点 / no sites yet"_qs);
    console.out << text;
    console.out.flush();
    return console.out.status() == QTextStream::Ok ? AllDone : SomeFailed;
}

// Changes what the site is made with; the next refresh follows. Every value is checked as site
// create checks it, and nothing is written unless all of them pass.
int siteSet(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const CommonOptions options;
    const QCommandLineOption baseUrl(u"base-url"_qs,
                                     u"网站的网址,空值取消 / the site's address, empty: none"_qs, u"网址"_qs);
    const QCommandLineOption anyCoupon(u"no-coupon-only"_qs,
                                       u"不再只要有券 / items with or without coupon"_qs);
    const QCommandLineOption anyShop(u"no-tmall-only"_qs, u"不再只要天猫 / items of any shop"_qs);
    const QCommandLineOption linkDays(
        u"link-days"_qs, u"链接和淘口令的有效天数(1-365),默认7 / days links and 淘口令 are reused"_qs,
        u"天数"_qs);
    QString folder;
    if (const std::optional<int> done =
            siteCommand(parser, arguments,
                        {options.templ, options.count, options.sort, options.pid, options.settings, baseUrl,
                         options.filters.couponOnly, anyCoupon, options.filters.tmallOnly, anyShop,
                         options.filters.price, options.filters.minCommission, linkDays},
                        false, env, console, folder))
        return *done;
    const QString config = sites::Paths(folder).config;
    std::optional<siteconfig::Site> site = siteconfig::read(config);
    if (!site) {
        console.error(QDir::toNativeSeparators(config) + u": 无法读取 / unreadable"_qs);
        return SomeFailed;
    }
    // A value the file holds that fails its checks must be given anew, or it would be lost unsaid.
    const QList<std::pair<QStringView, QCommandLineOption>> replaces{
        {itemfilters::priceName, options.filters.price},
        {itemfilters::commissionName, options.filters.minCommission},
        {siteconfig::linkDaysName, linkDays}};
    site->refusals.removeIf([&](const QString &refusal) {
        return std::any_of(replaces.begin(), replaces.end(), [&](const auto &replace) {
            return refusal.contains(replace.first) && parser.isSet(replace.second);
        });
    });
    if (!site->refusals.isEmpty()) {
        for (const QString &refusal : std::as_const(site->refusals))
            console.error(refusal);
        return BadUsage;
    }
    if ((parser.isSet(options.filters.couponOnly) && parser.isSet(anyCoupon)) ||
        (parser.isSet(options.filters.tmallOnly) && parser.isSet(anyShop))) {
        console.error(u"同一项不能既要又不要 / an option and its --no- form together"_qs);
        return BadUsage;
    }

    ResolvedInputs resolved;
    BatchSettings settings = sites::batchSettings(*site);
    const auto take = [&parser](const QCommandLineOption &option, QString &value) {
        if (parser.isSet(option))
            value = parser.value(option);
    };
    take(options.templ, settings.templateName);
    take(options.count, settings.count);
    take(options.sort, settings.sortText);
    take(options.pid, settings.pid);
    take(baseUrl, settings.baseUrl);
    resolved.inputs.templateName = settings.templateName;
    resolved.inputs.pid = settings.pid;
    resolved.pidFrom = parser.isSet(options.pid) ? u"--pid"_qs : sites::configFileName + u" PID"_qs;
    if (parser.isSet(anyCoupon))
        settings.filter.couponOnly = false;
    if (parser.isSet(anyShop))
        settings.filter.tmallOnly = false;
    if (!readFilters(parser, options.filters, console, settings.filter))
        return BadUsage;
    resolved.filter = settings.filter;
    if (parser.isSet(options.sort) &&
        std::none_of(sortorders::all.begin(), sortorders::all.end(),
                     [&](const sortorders::SortOrder &order) { return order.text == settings.sortText; })) {
        console.error(u"-s/--sort "_qs + settings.sortText + u": 未知的排序 / unknown sort order"_qs);
        return BadUsage;
    }
    if (parser.isSet(options.count)) {
        if (const QStringView refusal = inputrules::countTextRefusal(settings.count); !refusal.isEmpty()) {
            console.error(u"-n/--count "_qs + settings.count + u": "_qs + refusal.toString());
            return BadUsage;
        }
    }
    int days = site->linkValidDays;
    if (parser.isSet(linkDays)) {
        bool ok = false;
        days = parser.value(linkDays).toInt(&ok);
        if (!ok || days < 1 || days > siteconfig::Site::maxLinkValidDays) {
            console.error(u"--link-days "_qs + parser.value(linkDays) +
                          u": 应为1到365 / must be 1 to 365"_qs);
            return BadUsage;
        }
    }

    Settings loaded;
    if (!loadSettings(parser, options, env, console, loaded))
        return BadUsage;
    const AppSetup setup = setupFor(env, loaded);
    if (const QString refusal = BatchRun::settingsRefusal(setup, settings); !refusal.isEmpty()) {
        const QString place = settings.baseUrl.isEmpty() || !refusal.startsWith(u"网站地址"_qs)
                                  ? refusalPlace(refusal, resolved, QString())
                                  : u"--base-url "_qs + settings.baseUrl;
        console.error(place + u": "_qs + refusal);
        return BadUsage;
    }
    sites::takeSettings(*site, settings);
    site->linkValidDays = days;
    if (!siteconfig::write(config, *site)) {
        console.error(QDir::toNativeSeparators(config) + u": 无法写入 / cannot write"_qs);
        return SomeFailed;
    }
    return AllDone;
}

// Each page's address, keyword, item count and the ids of the items it shows now.
int siteShow(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const QCommandLineOption json(u"json"_qs, u"以JSON输出 / print JSON"_qs);
    QString folder;
    if (const std::optional<int> done = siteCommand(parser, arguments, {json}, false, env, console, folder))
        return *done;
    const std::optional<siteconfig::Site> site = siteconfig::read(sites::Paths(folder).config);
    if (!site) {
        console.error(QDir::toNativeSeparators(sites::Paths(folder).config) + u": 无法读取 / unreadable"_qs);
        return SomeFailed;
    }
    const pageitems::Record items = pageitems::read(folder);
    const QString base = siteindex::baseAddress(site->baseUrl);
    QJsonArray pages;
    QString text;
    for (const siteconfig::PageRecord &page : site->pages) {
        const QString address = base.isEmpty() ? QString(page.folder + u'/')
                                               : QString(base + siteindex::pageAddress(page.folder));
        const QStringList ids = items.value(page.folder).current;
        pages.append(QJsonObject{{u"address"_qs, address},
                                 {u"folder"_qs, page.folder},
                                 {u"keyword"_qs, page.keyword},
                                 {u"itemCount"_qs, page.itemCount},
                                 {u"itemIds"_qs, QJsonArray::fromStringList(ids)}});
        text += address + u'\t' + textops::withoutControls(page.keyword) + u'\t' +
                QString::number(page.itemCount) + u"件\t"_qs + (ids.isEmpty() ? u"-"_qs : ids.join(u' ')) +
                u'\n';
    }
    if (parser.isSet(json))
        console.out << QString::fromUtf8(
            QJsonDocument(QJsonObject{{u"name"_qs, site->name}, {u"pid"_qs, site->pid}, {u"pages"_qs, pages}})
                .toJson(QJsonDocument::Indented));
    else
        console.out << text;
    console.out.flush();
    return console.out.status() == QTextStream::Ok ? AllDone : SomeFailed;
}

} // namespace

int site(const QStringList &arguments, const Environment &env, const Console &console)
{
    const QString command = arguments.value(1);
    if (const Command run = commandNamed({{u"create", siteCreate},
                                          {u"refresh", siteRefresh},
                                          {u"set", siteSet},
                                          {u"show", siteShow},
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

} // namespace cli
