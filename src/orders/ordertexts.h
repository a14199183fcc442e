#pragma once

#include <QStringView>

// What the program says about orders and earnings, each text kept only here.
namespace ordertexts {

inline constexpr QStringView testToolHasNoOrders =
    u"接口测试工具没有订单接口:同步订单需要开放平台模式(工具 → 服务设置…)";
inline constexpr QStringView anotherSync = u"另一个订单同步正在进行,请等它结束";
inline constexpr QStringView windowTooShort = u"网关拒绝了最短的时间窗口";
inline constexpr QStringView wrongReply = u"订单接口的回复无法解析";
inline constexpr QStringView cancelled = u"已取消,已保存的订单保留,下次同步从未完成的时间段继续";

inline constexpr QStringView otherAdzones = u"其他推广位";
inline constexpr QStringView unattributed = u"未归属";
inline constexpr QStringView allSites = u"全部站点";
inline constexpr QStringView noSuchSite = u"没有这个站点";
inline constexpr QStringView noOrdersYet = u"还没有同步过订单";

// The report's columns, in the table, the CSV and the HTML.
inline constexpr QStringView columnSite = u"站点";
inline constexpr QStringView columnAdzone = u"推广位";
inline constexpr QStringView columnPage = u"页面";
inline constexpr QStringView columnKeyword = u"关键词";
inline constexpr QStringView columnOrders = u"订单";
inline constexpr QStringView columnPaid = u"付款金额";
inline constexpr QStringView columnEstimate = u"预估佣金";
inline constexpr QStringView columnSettled = u"结算佣金";
inline constexpr QStringView columnInvalid = u"无效订单";
inline constexpr QStringView columnTotal = u"合计";

inline constexpr QStringView chartSettled = u"已结算";
inline constexpr QStringView chartPending = u"未结算";
inline constexpr QStringView reportTitle = u"收益报表";

} // namespace ordertexts
