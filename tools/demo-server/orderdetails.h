#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include "catalogue.h"
#include "gatewayparts.h"

// taobao.tbk.order.details.get for the demo: deterministic orders over the last 60 days for every
// ad zone the material search was asked with, of the items it handed out to it (and now and then
// another item of the same shop). Statuses move from paid to settled as orders age; a few become
// invalid, a few are refunded after settling.
namespace demo {

inline constexpr QStringView orderDetailsMethod = u"taobao.tbk.order.details.get";
inline constexpr int defaultOrdersPerDay = 6;
inline constexpr int orderDays = 60;
// The longest window the gateway reads.
inline constexpr int maxWindowSeconds = 3 * 3600;

class OrderBook
{
public:
    void setOrdersPerDay(int count) { m_perDay = count; }
    int ordersPerDay() const { return m_perDay; }

    // The material search, called with `adzone` at `when`, handed out `itemIds`. The ad zone's
    // orders of the days before are reported as changed at the first such moment, as if they had
    // just reached the gateway: a sync by modification time then finds them too.
    void noteSearch(const QString &adzone, const QStringList &itemIds, const QDateTime &when);
    // The item ids of a search reply.
    static QStringList itemIdsOf(const QByteArray &searchReply);

    QByteArray reply(const Catalogue &catalogue, const CallParameters &call, const QDateTime &now);

private:
    struct Order
    {
        QString tradeId;
        QString adzone;
        const CatalogueItem *item = nullptr;
        QString itemId;
        qint64 paidFen = 0;
        qint64 estimateFen = 0;
        qint64 created = 0; // seconds since 1970
        qint64 paid = 0;
        qint64 confirmed = 0;
        qint64 earned = 0;
        qint64 invalidated = 0; // 0: stays valid
        qint64 refunded = 0;    // 0: not refunded
        qint64 arrived = 0;     // no change is reported before this
    };
    struct State
    {
        int status = 12;
        qint64 modified = 0;
        bool refunded = false;
    };
    static State stateAt(const Order &order, qint64 now);
    static State stateAfterPayment(const Order &order, qint64 now);
    const QList<Order> &ordersFor(const Catalogue &catalogue, const QDate &today);

    QMap<QString, QStringList> m_items; // ad zone -> ids handed out, sorted
    QHash<QString, qint64> m_firstSeen; // ad zone -> seconds since 1970
    int m_perDay = defaultOrdersPerDay;
    QList<Order> m_orders; // every ad zone's, by creation time
    QString m_ordersKey;   // what they were made for
};

} // namespace demo
