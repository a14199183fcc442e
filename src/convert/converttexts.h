#pragma once

#include <QStringView>

// What 转链 says, in the window and on the command line; each text kept only here.
namespace converttexts {

inline constexpr QStringView notOpenPlatform =
    u"转链只能在“开放平台”模式下使用：请在“工具 → 服务设置…”中把“数据来源”设为“开放平台”，"
    u"填写 AppKey 和 AppSecret（命令行读取同一个设置.ini）";
inline constexpr QStringView nothingFound = u"没有找到商品链接、商品ID、推广短链或淘口令";
inline constexpr QStringView materialPermission =
    u"应用没有转换推广短链和淘口令（material_list）的权限，请在开放平台为应用申请淘宝客链接转换的相应权限；"
    u"商品链接和商品ID不受影响";
inline constexpr QStringView noAnswer = u"开放平台没有返回这一项的转换结果";
inline constexpr QStringView noLink = u"开放平台没有返回可用的推广链接或淘口令";
inline constexpr QStringView notRecognised = u"不是商品链接、商品ID、推广短链或淘口令";
inline constexpr QStringView converted = u"已转换";
inline constexpr QStringView converting = u"正在转换…";
inline constexpr QStringView cancelled = u"已取消，文本未改动";

// The columns of the table of inputs, in the window and on the command line.
inline constexpr QStringView columns[] = {u"输入",   u"标题",        u"短链接",     u"淘口令", u"优惠券(元)",
                                          u"券截止", u"佣金比率(%)", u"券后价(元)", u"结果"};

} // namespace converttexts
