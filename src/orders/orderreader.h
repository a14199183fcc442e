#pragma once

#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include "order.h"
#include "topreply.h"
#include "topsign.h"

// taobao.tbk.order.details.get: its parameters and its replies, read defensively.
namespace orders {

inline constexpr QStringView orderDetailsMethod = u"taobao.tbk.order.details.get";
inline constexpr int pageSize = 100;

// query_type
enum class QueryBy { Created = 1, Paid = 2, Settled = 3, Modified = 4 };

// The parameters of one page of a window [start, end] (the gateway's clock, GMT+8).
// `positionIndex` goes back exactly as the previous page gave it; empty on the first page.
openplatform::Parameters orderDetails(QueryBy by, const QDateTime &start, const QDateTime &end, int pageNo,
                                      const QString &positionIndex);

struct OrderPage
{
    openplatform::ReplyKind kind = openplatform::ReplyKind::Unparseable;
    QList<Order> orders;
    bool hasNext = false;
    QString positionIndex;
    int skipped = 0; // entries that were no usable order (no trade_id, no creation time)
    openplatform::TopError error;
};

OrderPage parseOrderDetails(const QByteArray &json);

// The refusal of a window longer than the gateway allows (3 hours, 20 minutes in big sales).
bool isWindowTooLong(const openplatform::TopError &error);

// "12.34" (or a number) in fen, rounded half up beyond the fen; nothing for anything else.
std::optional<qint64> fenOf(const QString &yuan);

// Fen as yuan text, "12.34".
QString yuanText(qint64 fen);

// A time of the gateway's clock as the store keeps it, and back.
QString gatewayTime(const QDateTime &moment);
QDateTime fromGatewayTime(const QString &text);

} // namespace orders
