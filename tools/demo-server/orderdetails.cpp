#include "orderdetails.h"

#include <algorithm>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

namespace demo {

namespace {

const QTimeZone beijing(8 * 3600);
const QString timeFormat = u"yyyy-MM-dd HH:mm:ss"_qs;

quint64 mix(quint64 x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

// The same number for the same text in every run (qHash is seeded per process).
quint64 textHash(const QString &text)
{
    quint64 hash = 1469598103934665603ULL;
    for (const QChar c : text)
        hash = (hash ^ c.unicode()) * 1099511628211ULL;
    return hash;
}

QString timeText(qint64 seconds)
{
    return seconds > 0 ? QDateTime::fromSecsSinceEpoch(seconds, beijing).toString(timeFormat) : QString();
}

QString moneyText(qint64 fen)
{
    return QString::number(fen / 100) + u'.' + QString::number(fen % 100).rightJustified(2, u'0');
}

void collectIds(const QJsonValue &value, QStringList &ids)
{
    if (value.isArray()) {
        for (const QJsonValue &element : value.toArray())
            collectIds(element, ids);
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (it.key() == u"item_id" && it->isString())
                ids.append(it->toString());
            else
                collectIds(*it, ids);
        }
    }
}

} // namespace

void OrderBook::noteSearch(const QString &adzone, const QStringList &itemIds, const QDateTime &when)
{
    if (!m_firstSeen.contains(adzone))
        m_firstSeen.insert(adzone, when.toSecsSinceEpoch());
    QStringList &known = m_items[adzone];
    for (const QString &id : itemIds) {
        const auto at = std::lower_bound(known.begin(), known.end(), id);
        if (at == known.end() || *at != id)
            known.insert(at, id);
    }
}

QStringList OrderBook::itemIdsOf(const QByteArray &searchReply)
{
    QStringList ids;
    collectIds(QJsonDocument::fromJson(searchReply).object(), ids);
    return ids;
}

OrderBook::State OrderBook::stateAt(const Order &order, qint64 now)
{
    State state{12, order.paid, false};
    if (order.invalidated > 0 && now >= order.invalidated)
        state = {13, order.invalidated, false};
    else
        state = stateAfterPayment(order, now);
    state.modified = std::max(state.modified, order.arrived);
    return state;
}

OrderBook::State OrderBook::stateAfterPayment(const Order &order, qint64 now)
{
    State state{12, order.paid, false};
    if (now >= order.confirmed)
        state = {14, order.confirmed, false};
    if (order.invalidated == 0 && now >= order.earned)
        state = {3, order.earned, false};
    if (order.refunded > 0 && now >= order.refunded)
        state = {3, order.refunded, true};
    return state;
}

const QList<OrderBook::Order> &OrderBook::ordersFor(const Catalogue &catalogue, const QDate &today)
{
    QString key = today.toString(Qt::ISODate) + u'/' + QString::number(m_perDay);
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it)
        key += u'/' + it.key() + u':' + QString::number(it->size());
    if (key == m_ordersKey)
        return m_orders;
    m_ordersKey = key;
    m_orders.clear();

    QHash<QString, const CatalogueItem *> byId;
    for (const CatalogueItem &item : catalogue.items())
        byId.insert(openItemId(item), &item);
    for (auto zone = m_items.cbegin(); zone != m_items.cend(); ++zone) {
        QList<const CatalogueItem *> shown;
        for (const QString &id : *zone) {
            if (const CatalogueItem *item = byId.value(id))
                shown.append(item);
        }
        if (shown.isEmpty())
            continue;
        const quint64 zoneHash = textHash(zone.key());
        const qint64 arrived = m_firstSeen.value(zone.key());
        for (int d = orderDays - 1; d >= 0; --d) {
            const QDate day = today.addDays(-d);
            const qint64 dayStart = QDateTime(day, QTime(0, 0), beijing).toSecsSinceEpoch();
            for (int j = 0; j < m_perDay; ++j) {
                const quint64 h = mix(zoneHash ^ mix(quint64(day.toJulianDay()) * 1000003ULL + quint64(j)));
                Order order;
                order.adzone = zone.key();
                order.arrived = arrived;
                order.tradeId = u'2' + day.toString(u"yyMMdd") +
                                QString::number(zoneHash % 100000).rightJustified(5, u'0') +
                                QString::number(j).rightJustified(6, u'0');
                order.item = shown[qsizetype(h % quint64(shown.size()))];
                // One order in eight is of another item of the same shop.
                if ((h >> 8) % 8 == 0) {
                    const QList<const CatalogueItem *> shop = catalogue.shopItems(order.item->shopId);
                    order.item = shop[qsizetype((h >> 12) % quint64(shop.size()))];
                }
                order.itemId = openItemId(*order.item);
                const qint64 quantity = 1 + qint64((h >> 16) % 3 == 0);
                order.paidFen = cents(order.item->priceValue) * quantity;
                order.estimateFen = (order.paidFen * qint64(order.item->ratePercent * 100) + 5000) / 10000;
                order.created = dayStart + qint64((h >> 20) % 86400);
                order.paid = order.created + 60 + qint64((h >> 40) % 540);
                order.confirmed = order.paid + 86400 * (3 + qint64((h >> 44) % 5));
                order.earned = order.confirmed + 86400 * (4 + qint64((h >> 48) % 8));
                const int fate = int((h >> 52) % 100);
                if (fate < 5)
                    order.invalidated = order.paid + 86400 * (1 + qint64((h >> 56) % 3));
                else if (fate < 8)
                    order.refunded = order.earned + 2 * 86400;
                m_orders.append(order);
            }
        }
    }
    std::sort(m_orders.begin(), m_orders.end(), [](const Order &a, const Order &b) {
        return std::tie(a.created, a.tradeId) < std::tie(b.created, b.tradeId);
    });
    return m_orders;
}

QByteArray OrderBook::reply(const Catalogue &catalogue, const CallParameters &call, const QDateTime &now)
{
    const auto invalid = [](const QString &name, const QString &why) {
        return errorReply(41, u"Invalid arguments:"_qs + name, u"isv.invalid-parameter:"_qs + name, why);
    };
    bool ok = true;
    const int queryType = call.value(u"query_type"_qs, u"1"_qs).toInt(&ok);
    if (!ok || queryType < 1 || queryType > 4)
        return invalid(u"query_type"_qs, u"query_type 应为1到4"_qs);
    const QDateTime start = QDateTime::fromString(call.value(u"start_time"_qs), timeFormat);
    const QDateTime end = QDateTime::fromString(call.value(u"end_time"_qs), timeFormat);
    if (!start.isValid() || !end.isValid() || end < start)
        return invalid(u"start_time"_qs,
                       u"start_time 与 end_time 应为 yyyy-MM-dd HH:mm:ss,且开始不晚于结束"_qs);
    const qint64 from = QDateTime(start.date(), start.time(), beijing).toSecsSinceEpoch();
    const qint64 to = QDateTime(end.date(), end.time(), beijing).toSecsSinceEpoch();
    if (to - from > maxWindowSeconds)
        return errorReply(15, u"Remote service error"_qs, u"isv.invalid-parameter"_qs,
                          u"查询时间跨度不能超过3小时"_qs);
    const int pageSize = call.value(u"page_size"_qs, u"20"_qs).toInt(&ok);
    if (!ok || pageSize < 1 || pageSize > 100)
        return invalid(u"page_size"_qs, u"page_size 应在1到100之间"_qs);
    const int pageNo = call.value(u"page_no"_qs, u"1"_qs).toInt(&ok);
    if (!ok || pageNo < 1)
        return invalid(u"page_no"_qs, u"page_no 应为正整数"_qs);

    const qint64 nowSecs = now.toSecsSinceEpoch();
    const QList<Order> &all = ordersFor(catalogue, now.toTimeZone(beijing).date());
    struct Match
    {
        const Order *order;
        State state;
        qint64 at;
    };
    QList<Match> matched;
    for (const Order &order : all) {
        if (order.created > nowSecs)
            break;
        const State state = stateAt(order, nowSecs);
        const qint64 at = queryType == 1   ? order.created
                          : queryType == 2 ? order.paid
                          : queryType == 3 ? (state.status == 3 ? order.earned : 0)
                                           : state.modified;
        if (at >= from && at <= to && at <= nowSecs)
            matched.append({&order, state, at});
    }
    std::stable_sort(matched.begin(), matched.end(),
                     [](const Match &a, const Match &b) { return a.at < b.at; });

    const auto token = [&](qsizetype last) {
        const QByteArray seed =
            QString(QString::number(queryType) + u'|' + call.value(u"start_time"_qs) + u'|' +
                    call.value(u"end_time"_qs) + u'|' + matched[last].order->tradeId)
                .toUtf8();
        return QString::fromLatin1(QCryptographicHash::hash(seed, QCryptographicHash::Sha1).toHex().left(16));
    };
    const qsizetype first = qsizetype(pageNo - 1) * pageSize;
    if (pageNo > 1 && (first > matched.size() || call.value(u"position_index"_qs) != token(first - 1)))
        return invalid(u"position_index"_qs, u"position_index 应为上一页返回的值"_qs);

    const bool full = fullShape(call);
    QJsonArray results;
    const qsizetype end_ = std::min<qsizetype>(matched.size(), first + pageSize);
    for (qsizetype i = first; i < end_; ++i) {
        const Order &order = *matched[i].order;
        const State &state = matched[i].state;
        const bool settled = state.status == 3;
        results.append(QJsonObject{
            {u"trade_id"_qs, full ? order.tradeId : rawNumberMark + order.tradeId},
            {u"trade_parent_id"_qs, order.tradeId},
            {u"item_id"_qs, order.itemId},
            {u"item_title"_qs, order.item->title},
            {u"adzone_id"_qs, full ? order.adzone : rawNumberMark + order.adzone},
            {u"site_id"_qs, u"1000"_qs},
            {u"tk_status"_qs, state.status},
            {u"alipay_total_price"_qs, moneyText(order.paidFen)},
            {u"pub_share_pre_fee"_qs, moneyText(order.estimateFen)},
            {u"pub_share_fee"_qs, moneyText(settled ? order.estimateFen : 0)},
            {u"tk_create_time"_qs, timeText(order.created)},
            {u"tk_paid_time"_qs, timeText(order.paid)},
            {u"tk_earning_time"_qs, timeText(settled ? order.earned : 0)},
            {u"modified_time"_qs, timeText(state.modified)},
            {u"refund_tag"_qs, state.refunded ? 1 : 0},
        });
    }
    QJsonObject data{
        {u"has_next"_qs, end_ < matched.size()},
        {u"has_pre"_qs, pageNo > 1},
        {u"page_no"_qs, pageNo},
        {u"page_size"_qs, pageSize},
        {u"position_index"_qs, end_ > first ? token(end_ - 1) : QString()},
    };
    if (!results.isEmpty())
        data.insert(u"results"_qs, listValue(results, full, u"publisher_order_dto"_qs));
    const QJsonObject answer{{u"data"_qs, data}, {u"request_id"_qs, u"demo"_qs}};
    if (full)
        return toJson({{u"tbk_order_details_get_response"_qs, answer}});
    return toJson(answer);
}

} // namespace demo
