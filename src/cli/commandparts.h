#pragma once

#include <optional>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include "appsetup.h"
#include "batchrun.h"
#include "cliform.h"
#include "commandline.h"
#include "progressline.h"
#include "settingsstore.h"
#include "sortorders.h"
#include "statustext.h"
#include "textops.h"

// What the commands of taoyefang-cli share: the console, the options of the commands that make
// pages, the settings behind them and the checks of their arguments. Internal to the command line.
namespace cli {

inline const QString programName = u"taoyefang-cli"_qs;

inline const QString keywordFileHelp =
    u"关键词文件 / Keyword file:\n"
    "  每行一个关键词,其后可用制表符分隔写上数量和模板;空行和以 # 开头的行跳过;\n"
    "  UTF-8(可带BOM)或GBK;重复的关键词只生成一次;会被拒绝的行报告行号后跳过。\n"
    "  One keyword a line, optionally followed by a tab and a count and another tab and a template;\n"
    "  blank lines and lines starting with # are skipped; UTF-8 (with or without BOM) or GBK;\n"
    "  repeated keywords are done once; lines that would be refused are reported with their number.\n"_qs;

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

// Which items a page may show.
struct FilterOptions
{
    QCommandLineOption couponOnly{u"coupon-only"_qs, u"只要有券的商品 / only items with a coupon"_qs};
    QCommandLineOption tmallOnly{u"tmall-only"_qs, u"只要天猫的商品 / only Tmall items"_qs};
    QCommandLineOption price{
        u"price"_qs, u"价格区间(元),如 20-200、20- 或 -200 / final price band in yuan"_qs, u"最低-最高"_qs};
    QCommandLineOption minCommission{
        u"min-commission"_qs, u"最低佣金比率(%),如 5 / lowest commission rate in percent"_qs, u"百分比"_qs};

    void addTo(QCommandLineParser &parser) const
    {
        parser.addOptions({couponOnly, tmallOnly, price, minCommission});
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
    FilterOptions filters;

    void addTo(QCommandLineParser &parser) const
    {
        parser.addOptions({templ, count, sort, pid, shortLinks, tokens, settings, help});
        filters.addTo(parser);
    }
};

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

// The inputs a run reads, each with the place it came from for messages.
struct ResolvedInputs
{
    CliForm::Inputs inputs;
    QString pidFrom;
    QString countFrom;
    ItemFilter filter;
};

// Sets the filters the command line gives in `filter`, leaving the others; false, having named the
// value that is refused.
bool readFilters(const QCommandLineParser &parser, const FilterOptions &options, const Console &console,
                 ItemFilter &filter);

// The parser's list of options and arguments, under bilingual headings.
QString optionsText(const QCommandLineParser &parser);

// Parses `arguments` (the command's name first); on a usage error says so and returns false.
bool parseCommand(QCommandLineParser &parser, const QStringList &arguments, const Console &console);

// The settings are only read, never written: a file given by mistake stays as it was, and the
// defaults of entries it lacks are used without being stored.
bool loadSettings(const QCommandLineParser &parser, const CommonOptions &options, const Environment &env,
                  const Console &console, Settings &settings);

bool resolveInputs(const QCommandLineParser &parser, const CommonOptions &options, const Settings &settings,
                   const Console &console, ResolvedInputs &resolved);

// Which input a refusal of the run is about, for "what and where".
QString refusalPlace(const QString &message, const ResolvedInputs &resolved, const QString &keywordOption);

AppSetup setupFor(const Environment &env, const Settings &settings);

// What every keyword of a batch or a site shares, as the command line and the settings give it.
BatchSettings batchSettingsFor(const ResolvedInputs &resolved);

// How many keywords a run makes at a time.
QCommandLineOption jobsOption();

bool jobCount(const QCommandLineParser &parser, const QCommandLineOption &jobs, const Console &console,
              int &count);

// The one argument the command takes; false, having said what is wrong, when there is not exactly one.
bool oneArgument(const QCommandLineParser &parser, const Console &console, const QString &missing);

// For a command that takes no option but --help and no argument: the exit code when it is done
// here (its help shown, or bad usage), nothing when it goes on.
std::optional<int> takesNothing(const QStringList &arguments, const Console &console, const QString &help);

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
