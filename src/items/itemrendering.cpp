#include "itemrendering.h"

#include <array>
#include <utility>

#include "creditbadge.h"
#include "textops.h"
#include "itemrecord.h"

namespace itemrendering {

void appendItem(QString &itemsHtml, const QString &itemBlock, int rank, const ItemRecord &record,
                const QString &volume)
{
    itemsHtml += itemBlock;
    // The whole text is filled, not only the new copy, so a placeholder that a value brought in
    // (a title holding "[#商品价格#]") is filled too.
    const std::array<std::pair<QString, QString>, 9> values{{
        {u"[#商品排名#]"_qs, textops::numberText(rank)},
        {u"[#商品标题#]"_qs, record.title},
        {u"[#商品网址#]"_qs, record.click_url},
        {u"[#商品图片地址#]"_qs, record.pic_url},
        {u"[#商品价格#]"_qs, record.price},
        {u"[#商品销售量#]"_qs, volume},
        {u"[#店铺网址#]"_qs, record.shop_click_url},
        {u"[#卖家昵称#]"_qs, record.nick},
        {u"[#信用等级#]"_qs, creditbadge::scoreText(record.seller_credit_score)},
    }};
    for (const auto &[placeholder, value] : values)
        itemsHtml = textops::replaceAll(std::move(itemsHtml), placeholder, value);
}

void fillOfferPlaceholders(QString &itemsHtml, const ItemRecord &record)
{
    const std::array<std::pair<QString, QString>, 6> values{{
        {u"[#原价#]"_qs, record.reserve_price},
        {u"[#到手价#]"_qs, record.final_promotion_price},
        {u"[#优惠券#]"_qs, record.coupon_fee},
        {u"[#优惠券说明#]"_qs, record.coupon_desc},
        {u"[#平台#]"_qs, record.platform},
        {u"[#淘口令#]"_qs, record.tpwd},
    }};
    for (const auto &[placeholder, value] : values)
        itemsHtml = textops::replaceAll(std::move(itemsHtml), placeholder, value);
}

} // namespace itemrendering
