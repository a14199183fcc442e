#pragma once

#include <QString>

// One order of the affiliate account as the open platform reports it, with money in fen so that
// sums are exact.
namespace orders {

// tk_status
inline constexpr int statusPaid = 12;
inline constexpr int statusConfirmed = 14;
inline constexpr int statusSettled = 3;
inline constexpr int statusInvalid = 13;

struct Order
{
    QString tradeId; // digits only: the key
    QString tradeParentId;
    QString itemId;
    QString itemTitle;
    QString adzoneId;
    QString siteId;
    int status = 0;
    qint64 paidFen = 0;     // alipay_total_price
    qint64 estimateFen = 0; // pub_share_pre_fee
    qint64 settledFen = 0;  // pub_share_fee
    // "yyyy-MM-dd HH:mm:ss" in GMT+8, the gateway's clock; empty when not given.
    QString createTime;
    QString paidTime;
    QString earningTime;
    QString modifiedTime;
    int refundTag = 0;

    bool operator==(const Order &) const = default;
};

} // namespace orders
