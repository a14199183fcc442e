#pragma once

#include <QStringView>

// The placeholders of a page template (in 模板文件.htm), each text only here.
namespace placeholders {

// Replaced by the keyword in the whole template before it is split.
inline constexpr QStringView keyword = u"[#关键词#]";
// Around the item block, the part of the page that is repeated once per item.
inline constexpr QStringView loopStart = u"[#商品循环开始#]";
inline constexpr QStringView loopEnd = u"[#商品循环结束#]";

// Filled in each item's copy of the block.
inline constexpr QStringView rank = u"[#商品排名#]";
inline constexpr QStringView title = u"[#商品标题#]";
inline constexpr QStringView clickUrl = u"[#商品网址#]";
inline constexpr QStringView picUrl = u"[#商品图片地址#]";
inline constexpr QStringView price = u"[#商品价格#]";
inline constexpr QStringView volume = u"[#商品销售量#]";
inline constexpr QStringView shopUrl = u"[#店铺网址#]";
inline constexpr QStringView nick = u"[#卖家昵称#]";
inline constexpr QStringView credit = u"[#信用等级#]";
// What only the open platform tells; empty where the source lacks it.
inline constexpr QStringView reservePrice = u"[#原价#]";
inline constexpr QStringView finalPrice = u"[#到手价#]";
inline constexpr QStringView coupon = u"[#优惠券#]";
inline constexpr QStringView couponTerms = u"[#优惠券说明#]";
inline constexpr QStringView platform = u"[#平台#]";
inline constexpr QStringView tpwd = u"[#淘口令#]";

// Filled in the whole page once its items are known; the values are made for where they stand.
// The description, for element text or a quoted attribute (<meta name="description">).
inline constexpr QStringView description = u"[#页面描述#]";
// <link rel="canonical"> and the Open Graph tags, in <head>; empty when the page's address on the
// web is not known (a page outside a site with a base address).
inline constexpr QStringView shareTags = u"[#分享标签#]";
// A <script type="application/ld+json"> element: the items as a schema.org ItemList.
inline constexpr QStringView structuredData = u"[#结构化数据#]";

// In "首页模板.htm", the site index's template. Around the loop, the site's name, the description
// above and the number of pages; in the block, once per page, "[#关键词#]" (the page's keyword),
// the picture and the price of its first item, and these two.
inline constexpr QStringView siteName = u"[#站点名称#]";
inline constexpr QStringView pageCount = u"[#页面数量#]";
inline constexpr QStringView pageUrl = u"[#页面地址#]";
inline constexpr QStringView itemCount = u"[#商品数量#]";

} // namespace placeholders
