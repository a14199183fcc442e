#include "commands.h"

#include <QFileInfo>

#include "clisettings.h"
#include "commandargs.h"
#include "commonoptions.h"
#include "console.h"
#include "datalocations.h"
#include "earningsreport.h"
#include "ordersettings.h"
#include "ordersync.h"
#include "ordertexts.h"
#include "site.h"

namespace cli {

namespace {

const QString ordersHelp =
    u"用法 / Usage: taoyefang-cli orders sync [--days N] [--settings 文件]\n\n"
    u"从开放平台读取推广订单(taobao.tbk.order.details.get),存入站点/旁边的收益.sqlite。\n"
    u"第一次读取最近N天(默认30)按创建时间的订单;之后从上次同步的时刻(提前20分钟)到现在按修改时间读取,\n"
    u"状态的变化(付款→结算、失效、退款)也随之更新。中断或失败的时间段下次同步时继续。\n"
    u"Reads the account's orders from the open platform into 收益.sqlite beside 站点/: the last N days\n"
    u"(default 30) by creation time the first time, then from the last sync (less 20 minutes) by\n"
    u"modification time, so status changes arrive too. Interrupted or failed windows are read next time.\n\n"
    u"退出码 / Exit codes:\n"
    u"  0  全部读取 / all read\n"
    u"  1  有时间段未能读取(其余已保存,下次重试)/ some windows failed (the rest is stored)\n"
    u"  2  用法有误、接口测试工具模式(没有订单)或另一个同步正在进行 / bad usage, the test tool (no orders),\n"
    u"     or another sync running\n\n"_qs;

const QString reportHelp =
    u"用法 / Usage: taoyefang-cli report [站点名] [--days N] [--json|--csv] [--settings 文件]\n\n"
    u"最近N天(默认30,按订单创建时间)每个站点和页面的订单数、付款金额、预估佣金、结算佣金和无效订单,\n"
    u"按预估佣金排序;推广位不属于任何站点的订单计入其他推广位。先运行 orders sync。\n"
    u"Per site and page over the last N days (default 30, by creation time): orders, paid, estimated\n"
    u"and settled commission, invalid orders, best first; orders of other ad zones under 其他推广位.\n"
    u"Run orders sync first.\n\n"_qs;

QCommandLineOption daysOption(const QString &what)
{
    return QCommandLineOption(u"days"_qs, what, u"N"_qs, QString::number(orders::defaultDays));
}

orders::OrderSettings orderSettings(const Settings &settings, const Environment &env)
{
    return orders::readOrderSettings(settingsstore::readSnapshot(settings.path),
                                     locate(env.programFolder).outputRoot);
}

int sync(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const CommonOptions options;
    const QCommandLineOption days =
        daysOption(u"第一次同步读取的天数(1-365),默认30 / days the first sync reads (1-365), default 30"_qs);
    parser.addOptions({days, options.settings, options.help});
    if (!parseCommand(parser, arguments, console))
        return BadUsage;
    if (parser.isSet(options.help)) {
        console.out << ordersHelp << optionsText(parser) << Qt::flush;
        return AllDone;
    }
    int dayValue = orders::defaultDays;
    if (!parser.positionalArguments().isEmpty()) {
        console.error(u"多余的参数 / unexpected argument: "_qs + parser.positionalArguments().first());
        return BadUsage;
    }
    Settings settings;
    if (!countInRange(parser, days, orders::maxDays, console, dayValue) ||
        !loadSettings(parser, options, env, console, settings))
        return BadUsage;
    if (const QString refusal = orders::syncRefusal(settings.sources.source, settings.sources.openPlatform);
        !refusal.isEmpty()) {
        console.error(refusal);
        return BadUsage;
    }
    const orders::OrderSettings stored = orderSettings(settings, env);
    orders::SyncSetup setup;
    setup.account = settings.sources.openPlatform;
    setup.store = stored.store;
    setup.windowMinutes = stored.windowMinutes;
    setup.days = dayValue;
    setup.now = env.now;

    orders::Sync run(setup);
    QObject::connect(&run, &orders::Sync::progress, &run, [&](int done, int total, qint64 received) {
        if (env.errIsTerminal)
            console.err << u"\r\x1b[K"_qs << u"时间段 / windows "_qs << done << u'/' << total
                        << u"  订单 / orders "_qs << received << Qt::flush;
    });
    if (env.interrupter)
        QObject::connect(env.interrupter, &Interrupter::interrupted, &run, &orders::Sync::cancel);
    const orders::SyncSummary &summary = run.exec();
    if (env.errIsTerminal && summary.windows > 0)
        console.err << u"\r\x1b[K"_qs << Qt::flush;
    if (!summary.error.isEmpty()) {
        console.error(summary.error);
        return summary.busy ? BadUsage : SomeFailed;
    }
    for (const QString &failure : summary.failures)
        console.error(u"未能读取 / failed: "_qs + failure);
    if (summary.cancelled)
        console.error(ordertexts::cancelled.toString());
    console.err << u"新增 / new: "_qs << summary.added << u", 更新 / updated: "_qs << summary.updated
                << u", 未变 / unchanged: "_qs << summary.unchanged << u"  (时间段 / windows "_qs
                << summary.windowsDone << u'/' << summary.windows;
    if (summary.windowsFailed > 0)
        console.err << u", 失败 / failed "_qs << summary.windowsFailed;
    console.err << u", 调用 / calls "_qs << summary.calls << u')' << Qt::endl;
    return summary.allDone() ? AllDone : SomeFailed;
}

} // namespace

int ordersCommand(const QStringList &arguments, const Environment &env, const Console &console)
{
    const QString sub = arguments.value(1);
    if (sub == u"sync")
        return sync(arguments.mid(1), env, console);
    if (sub == u"-h" || sub == u"--help") {
        console.out << ordersHelp << Qt::flush;
        return AllDone;
    }
    console.error(sub.isEmpty() ? u"缺少子命令 / no subcommand: orders sync"_qs
                                : u"未知的子命令 / unknown subcommand: "_qs + sub);
    return BadUsage;
}

int reportCommand(const QStringList &arguments, const Environment &env, const Console &console)
{
    QCommandLineParser parser;
    const CommonOptions options;
    const QCommandLineOption days = daysOption(u"天数(1-365),默认30 / days (1-365), default 30"_qs);
    const QCommandLineOption json(u"json"_qs, u"输出一个JSON对象 / print one JSON object"_qs);
    const QCommandLineOption csv(u"csv"_qs, u"输出CSV / print CSV"_qs);
    parser.addOptions({days, json, csv, options.settings, options.help});
    parser.addPositionalArgument(u"站点名"_qs, u"只报告这个站点 / this site only"_qs, u"[站点名]"_qs);
    if (!parseCommand(parser, arguments, console))
        return BadUsage;
    if (parser.isSet(options.help)) {
        console.out << reportHelp << optionsText(parser) << Qt::flush;
        return AllDone;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        console.error(u"多余的参数 / unexpected argument: "_qs + positional.at(1));
        return BadUsage;
    }
    if (parser.isSet(json) && parser.isSet(csv)) {
        console.error(u"--json 与 --csv 只能二选一 / --json or --csv, not both"_qs);
        return BadUsage;
    }
    int dayValue = orders::defaultDays;
    Settings settings;
    if (!countInRange(parser, days, orders::maxDays, console, dayValue) ||
        !loadSettings(parser, options, env, console, settings))
        return BadUsage;

    const orders::OrderSettings stored = orderSettings(settings, env);
    QList<orders::OrderGroup> groups;
    const QDate to = env.now().toOffsetFromUtc(8 * 3600).date();
    const QDate from = to.addDays(1 - dayValue);
    // Asking is no reason to make a database: none yet means no orders yet.
    if (stored.store.driver != u"QSQLITE" || QFileInfo::exists(stored.store.database)) {
        orders::OrderStore store(stored.store);
        QString error;
        if (!store.open(&error)) {
            console.error(error);
            return SomeFailed;
        }
        const std::optional<QList<orders::OrderGroup>> found =
            store.groups(from.toString(Qt::ISODate), to.toString(Qt::ISODate));
        if (!found) {
            console.error(store.lastError());
            return SomeFailed;
        }
        groups = *found;
    } else {
        console.error(ordertexts::noOrdersYet.toString() + u": taoyefang-cli orders sync"_qs);
    }
    const QList<orders::SiteSource> sites =
        orders::loadSites(sites::sitesRoot(locate(env.programFolder).outputRoot), settings.inputs.pid);
    orders::Report report = orders::buildReport(groups, sites, from, to);
    if (!positional.isEmpty() && !orders::keepOnlySite(report, positional.first())) {
        console.error(positional.first() + u": "_qs + ordertexts::noSuchSite.toString() +
                      u" / no such site"_qs);
        return BadUsage;
    }
    if (parser.isSet(json))
        console.out << QString::fromUtf8(orders::reportJson(report)) << u'\n';
    else if (parser.isSet(csv))
        console.out << orders::reportCsv(report);
    else
        console.out << orders::reportText(report);
    console.out << Qt::flush;
    return AllDone;
}

} // namespace cli
