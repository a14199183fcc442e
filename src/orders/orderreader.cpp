#include "orderreader.h"

#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>

#include "textops.h"
#include "topjson.h"

namespace orders {

namespace {

constexpr int gatewayOffset = 8 * 3600;
const QString timeFormat = u"yyyy-MM-dd HH:mm:ss"_qs;

bool isDigits(QStringView text, qsizetype most)
{
    if (text.isEmpty() || text.size() > most)
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Item ids are numbers or, in the newer form, letters, digits, "-" and "_".
QString itemIdOf(const QString &text)
{
    static const QRegularExpression plain(u"^[A-Za-z0-9_-]{1,64}$"_qs);
    return plain.match(text).hasMatch() ? text : QString();
}

// Titles only ever show as text; controls and bidi marks go, and so does an absurd length.
QString titleOf(const QString &text)
{
    return textops::withoutControls(text).left(200);
}

QString timeOf(const QString &text)
{
    const QDateTime parsed = QDateTime::fromString(text, timeFormat);
    return parsed.isValid() ? parsed.toString(timeFormat) : QString();
}

std::optional<Order> orderOf(const QJsonObject &entry)
{
    const auto value = [&entry](QStringView name) {
        return openplatform::text(entry.value(name));
    };
    Order order;
    order.tradeId = value(u"trade_id");
    order.createTime = timeOf(value(u"tk_create_time"));
    if (!isDigits(order.tradeId, 32) || order.createTime.isEmpty())
        return std::nullopt;
    order.tradeParentId = value(u"trade_parent_id");
    if (!isDigits(order.tradeParentId, 32))
        order.tradeParentId.clear();
    order.itemId = itemIdOf(value(u"item_id"));
    order.itemTitle = titleOf(value(u"item_title"));
    order.adzoneId = value(u"adzone_id");
    if (!isDigits(order.adzoneId, 20))
        order.adzoneId.clear();
    order.siteId = value(u"site_id");
    if (!isDigits(order.siteId, 20))
        order.siteId.clear();
    bool ok = false;
    order.status = value(u"tk_status").toInt(&ok);
    if (!ok)
        order.status = 0;
    order.paidFen = fenOf(value(u"alipay_total_price")).value_or(0);
    order.estimateFen = fenOf(value(u"pub_share_pre_fee")).value_or(0);
    order.settledFen = fenOf(value(u"pub_share_fee")).value_or(0);
    order.paidTime = timeOf(value(u"tk_paid_time"));
    order.earningTime = timeOf(value(u"tk_earning_time"));
    order.modifiedTime = timeOf(value(u"modified_time"));
    order.refundTag = value(u"refund_tag").toInt() == 1 ? 1 : 0;
    return order;
}

} // namespace

openplatform::Parameters orderDetails(QueryBy by, const QDateTime &start, const QDateTime &end, int pageNo,
                                      const QString &positionIndex)
{
    return {
        {u"query_type"_qs, QString::number(int(by))},
        {u"start_time"_qs, gatewayTime(start)},
        {u"end_time"_qs, gatewayTime(end)},
        {u"page_size"_qs, QString::number(pageSize)},
        {u"page_no"_qs, QString::number(pageNo)},
        {u"position_index"_qs, positionIndex},
        {u"jump_type"_qs, u"1"_qs},
        {u"order_scene"_qs, u"1"_qs},
    };
}

OrderPage parseOrderDetails(const QByteArray &json)
{
    OrderPage page;
    const std::optional<QJsonObject> top =
        json.isValidUtf8() ? openplatform::parseObject(json) : std::nullopt;
    if (!top)
        return page;
    if (const std::optional<openplatform::TopError> error = openplatform::errorOf(*top)) {
        page.kind = openplatform::ReplyKind::Error;
        page.error = *error;
        return page;
    }
    page.kind = openplatform::ReplyKind::Answer;
    const QJsonObject data = openplatform::answerOf(*top).value(u"data").toObject();
    page.hasNext = openplatform::text(data.value(u"has_next")) == u"true";
    // Passed back exactly as given: not trimmed, but nothing that could not go back in a form.
    const QJsonValue position = data.value(u"position_index");
    page.positionIndex = position.isString() ? position.toString() : openplatform::text(position);
    if (page.positionIndex.size() > 4096 ||
        textops::withoutControls(page.positionIndex) != page.positionIndex)
        page.positionIndex.clear();
    QJsonValue results = data.value(u"results");
    if (results.isObject() && results.toObject().contains(u"publisher_order_dto"))
        results = results.toObject().value(u"publisher_order_dto");
    for (const QJsonObject &entry : openplatform::listOf(results)) {
        if (const std::optional<Order> order = orderOf(entry))
            page.orders.append(*order);
        else
            ++page.skipped;
    }
    return page;
}

bool isWindowTooLong(const openplatform::TopError &error)
{
    const QString said = error.msg + u' ' + error.subMsg;
    // "查询时间跨度不能超过3小时", "开始时间与结束时间间隔…", "time range too long"; not a time stamp.
    static const QRegularExpression tooLong(
        u"(时间(?!戳)|time).{0,16}(跨度|间隔|范围|区间|range|span|window)"_qs,
        QRegularExpression::CaseInsensitiveOption);
    return tooLong.match(said).hasMatch();
}

std::optional<qint64> fenOf(const QString &yuan)
{
    static const QRegularExpression money(u"^(\\d{1,13})(?:\\.(\\d*))?$"_qs);
    const QRegularExpressionMatch match = money.match(yuan);
    if (!match.hasMatch())
        return std::nullopt;
    const QString fraction = match.captured(2) + u"000"_qs;
    qint64 fen = match.captured(1).toLongLong() * 100 + fraction.left(2).toLongLong();
    if (fraction.at(2) >= u'5')
        ++fen;
    return fen;
}

QString yuanText(qint64 fen)
{
    const QString sign = fen < 0 ? u"-"_qs : QString();
    const qint64 magnitude = fen < 0 ? -fen : fen;
    return sign + QString::number(magnitude / 100) + u'.' +
           QString::number(magnitude % 100).rightJustified(2, u'0');
}

QString gatewayTime(const QDateTime &moment)
{
    return moment.toOffsetFromUtc(gatewayOffset).toString(timeFormat);
}

QDateTime fromGatewayTime(const QString &text)
{
    const QDateTime parsed = QDateTime::fromString(text, timeFormat);
    return parsed.isValid() ? QDateTime(parsed.date(), parsed.time(), QTimeZone(gatewayOffset)) : QDateTime();
}

} // namespace orders
