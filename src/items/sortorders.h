#pragma once

#include <array>

#include <QStringView>

// The sort box's entries, in the box's order, and the code the item query sends for each.
namespace sortorders {

struct SortOrder
{
    QStringView text;
    QStringView toolCode; // the API test tool's sort code
    QStringView topCode;  // the open platform's material search sort
};

inline constexpr std::array<SortOrder, 4> all{{
    {u"30天支出佣金从高到低", u"commissionVolume_desc", u"tk_total_commi_des"},
    {u"30天推广量从高到低", u"commissionNum_desc", u"tk_total_sales_des"},
    {u"佣金比率从高到低", u"commissionRate_desc", u"tk_rate_des"},
    {u"价格从高到低", u"price_desc", u"final_promotion_price_des"},
}};

// An unknown text sorts as the first entry does.
inline const SortOrder &forText(QStringView text)
{
    for (const SortOrder &order : all) {
        if (order.text == text)
            return order;
    }
    return all.front();
}

} // namespace sortorders
