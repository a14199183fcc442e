#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include "console.h"
#include "itemfilter.h"
#include "sortorders.h"

// The options of the commands that make pages. Internal to the command line.
namespace cli {

inline const QString keywordFileHelp =
    u"关键词文件 / Keyword file:\n"
    "  每行一个关键词,其后可用制表符分隔写上数量和模板;空行和以 # 开头的行跳过;\n"
    "  UTF-8(可带BOM)或GBK;重复的关键词只生成一次;会被拒绝的行报告行号后跳过。\n"
    "  One keyword a line, optionally followed by a tab and a count and another tab and a template;\n"
    "  blank lines and lines starting with # are skipped; UTF-8 (with or without BOM) or GBK;\n"
    "  repeated keywords are done once; lines that would be refused are reported with their number.\n"_qs;

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

// Sets the filters the command line gives in `filter`, leaving the others; false, having named the
// value that is refused.
bool readFilters(const QCommandLineParser &parser, const FilterOptions &options, const Console &console,
                 ItemFilter &filter);

} // namespace cli
