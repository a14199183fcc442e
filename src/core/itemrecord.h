#pragma once

#include <QString>
#include <QVariant>

// The fields of one item of the item query's reply, named after its XML elements. Each element
// of the reply starts from empty fields, so a missing element never shows another item's value.
struct ItemRecord
{
    QString title;
    QString click_url;
    QString pic_url;
    QString price;
    QString shop_click_url;
    QString nick;
    // A number after parsing, then the badge address when the score maps to a badge.
    QVariant seller_credit_score = QString();

    // What only the open platform tells; empty for an item of the test tool.
    QString reserve_price;         // the original price
    QString final_promotion_price; // the price after every promotion, else the discounted price
    QString coupon_fee;            // the coupon's amount
    QString coupon_desc;           // the coupon's terms
    QString coupon_end;            // the coupon's last day, yyyy-MM-dd; empty when not known
    QString platform;              // 天猫, 淘宝 or 特价版
    QString tpwd;                  // the 淘口令 that opens the item in the Taobao app
    QString item_id = {};          // the item's id as the source gave it; empty when not known
};
