#include "itemrendering.h"

#include <array>
#include <utility>

#include "creditbadge.h"
#include "placeholders.h"
#include "itemrecord.h"
#include "textops.h"
#include "webtext.h"

namespace itemrendering {

void appendItem(QString &itemsHtml, const QString &itemBlock, int rank, const ItemRecord &record,
                const QString &volume)
{
    const std::array<std::pair<QStringView, QString>, 15> values{{
        {placeholders::rank, textops::numberText(rank)},
        {placeholders::title, record.title},
        {placeholders::clickUrl, record.click_url},
        {placeholders::picUrl, record.pic_url},
        {placeholders::price, record.price},
        {placeholders::volume, volume},
        {placeholders::shopUrl, record.shop_click_url},
        {placeholders::nick, record.nick},
        {placeholders::credit, creditbadge::scoreText(record.seller_credit_score)},
        {placeholders::reservePrice, record.reserve_price},
        {placeholders::finalPrice, record.final_promotion_price},
        {placeholders::coupon, record.coupon_fee},
        {placeholders::couponTerms, record.coupon_desc},
        {placeholders::platform, record.platform},
        {placeholders::tpwd, record.tpwd},
    }};

    textops::appendFilled(itemsHtml, itemBlock, values);
}

ItemRecord escapedForPage(const ItemRecord &record)
{
    ItemRecord out = record;
    for (QString *value : {&out.title, &out.click_url, &out.pic_url, &out.price, &out.shop_click_url,
                           &out.nick, &out.reserve_price, &out.final_promotion_price, &out.coupon_fee,
                           &out.coupon_desc, &out.platform, &out.tpwd})
        *value = webtext::htmlEscaped(*value);
    if (out.seller_credit_score.typeId() == QMetaType::QString)
        out.seller_credit_score = webtext::htmlEscaped(out.seller_credit_score.toString());
    return out;
}

} // namespace itemrendering
