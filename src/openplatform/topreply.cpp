#include "topreply.h"

#include <limits>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "textops.h"
#include "topjson.h"
#include "webtext.h"

namespace openplatform {

namespace {

// Identifiers written as bare numbers are quoted before parsing: QJsonDocument would read
// them as doubles, and a seller or trade id above 2^53 would lose its last digits. The order
// report's ids and its paging position are among them.
QByteArray quoteIdentifiers(const QByteArray &json)
{
    static const QRegularExpression bareId(
        uR"re((?<!\\)("(?:item_id|seller_id|num_iid|trade_id|trade_parent_id|adzone_id|site_id|position_index)"\s*:\s*)(-?\d+)(?=\s*[,}\]]))re"_qs);
    const QString text = QString::fromUtf8(json);
    if (!text.contains(bareId))
        return json;
    QString quoted = text;
    quoted.replace(bareId, uR"(\1"\2")"_qs);
    return quoted.toUtf8();
}

} // namespace

std::optional<QJsonObject> parseObject(const QByteArray &json)
{
    // Checked before the quoting, which goes through QString: bytes that are no UTF-8 are refused
    // whether or not they hold an identifier.
    if (!json.isValidUtf8())
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(quoteIdentifiers(json), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

// Real replies carry stray blanks ("69.9 ", "商品券 \t"): every value is read trimmed.
QString text(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString().trimmed();
    case QJsonValue::Double:
        return textops::numberText(value.toDouble());
    case QJsonValue::Bool:
        return value.toBool() ? u"true"_qs : u"false"_qs;
    default:
        return QString();
    }
}

// The elements of a list in any of its forms, the first `limit` that are objects with members.
QList<QJsonObject> listOf(const QJsonValue &value, qsizetype limit)
{
    QList<QJsonObject> out;
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (auto element = array.begin(); element != array.end() && out.size() < limit; ++element) {
            if (element->isObject() && !element->toObject().isEmpty())
                out.append(element->toObject());
        }
    } else if (value.isObject() && limit > 0) {
        const QJsonObject object = value.toObject();
        // {"map_data": [...]} holds the list; an object of several members is the one element.
        if (object.size() == 1 && (object.begin()->isArray() || object.begin()->isObject()))
            return listOf(*object.begin(), limit);
        if (!object.isEmpty())
            out.append(object);
    }
    return out;
}

// The method's members: the top in the simplified shape, "<method>_response" in the full one.
QJsonObject answerOf(const QJsonObject &top)
{
    for (auto it = top.begin(); it != top.end(); ++it) {
        if (it.key().endsWith(u"_response") && it->isObject())
            return it->toObject();
    }
    return top;
}

// An error_response, in whatever form, is a refusal; so is a non-zero code at the top with its
// msg (the simplified shape's error). A top-level code 0 is the gateway saying all went well.
std::optional<TopError> errorOf(const QJsonObject &top)
{
    QJsonObject error;
    if (top.contains(u"error_response")) {
        error = top.value(u"error_response").toObject();
    } else if (top.contains(u"code") && (top.contains(u"msg") || top.contains(u"sub_code"))) {
        const QString code = text(top.value(u"code"));
        if (code.isEmpty() || code == u"0")
            return std::nullopt;
        error = top;
    } else {
        return std::nullopt;
    }
    return TopError{text(error.value(u"code")), text(error.value(u"msg")), text(error.value(u"sub_code")),
                    text(error.value(u"sub_msg"))};
}

namespace {

// A member of one of the item's groups, or of the item itself as older replies had it.
QString field(const QJsonObject &item, QStringView group, QStringView name)
{
    const QJsonValue grouped = item.value(group).toObject().value(name);
    return text(grouped.isUndefined() || grouped.isNull() ? item.value(name) : grouped);
}

QString platformName(const QString &userType)
{
    if (userType == u"1")
        return u"天猫"_qs;
    if (userType == u"0")
        return u"淘宝"_qs;
    if (userType == u"3")
        return u"特价版"_qs;
    return QString();
}

// A promotion's end as a day, yyyy-MM-dd: the reply gives milliseconds since 1970 or a date
// and time in Beijing time; anything else is not known.
QString endDay(const QString &value)
{
    bool ms = false;
    const qint64 since = value.toLongLong(&ms);
    const QDate day = ms ? QDateTime::fromMSecsSinceEpoch(since, Qt::OffsetFromUTC, 8 * 3600).date()
                         : QDate::fromString(value.left(10), Qt::ISODate);
    return day.isValid() ? day.toString(Qt::ISODate) : QString();
}

MaterialItem materialItem(const QJsonObject &item)
{
    const auto basic = [&item](QStringView name) {
        return field(item, u"item_basic_info", name);
    };
    const auto price = [&item](QStringView name) {
        return field(item, u"price_promotion_info", name);
    };
    const auto publish = [&item](QStringView name) {
        return field(item, u"publish_info", name);
    };

    MaterialItem out;
    ItemRecord &record = out.record;
    record.title = basic(u"title");
    out.clickUrl = webLink(publish(u"click_url"));
    out.couponUrl = webLink(publish(u"coupon_share_url"));
    record.click_url = out.couponUrl.isEmpty() ? out.clickUrl : out.couponUrl;
    record.pic_url = webLink(basic(u"pict_url"));
    record.price = price(u"zk_final_price");
    record.nick = basic(u"shop_title");
    record.reserve_price = price(u"reserve_price");
    record.final_promotion_price = price(u"final_promotion_price");
    if (record.final_promotion_price.isEmpty())
        record.final_promotion_price = record.price;
    record.platform = platformName(basic(u"user_type"));

    const QJsonValue paths =
        item.value(u"price_promotion_info").toObject().value(u"final_promotion_path_list");
    for (const QJsonObject &path : listOf(paths)) {
        if (text(path.value(u"promotion_title")).contains(u'券')) {
            record.coupon_fee = text(path.value(u"promotion_fee"));
            record.coupon_desc = text(path.value(u"promotion_desc"));
            out.couponStart = text(path.value(u"promotion_start_time"));
            out.couponEnd = text(path.value(u"promotion_end_time"));
            record.coupon_end = endDay(out.couponEnd);
            break;
        }
    }
    out.volume = basic(u"volume");
    out.itemId = text(item.value(u"item_id"));
    record.item_id = out.itemId;
    out.sellerId = basic(u"seller_id");
    return out;
}

} // namespace

QString webLink(const QString &address)
{
    // A page published over https would refuse an http picture, so "//" always means https.
    const QString absolute = address.startsWith(u"//") ? u"https:"_qs + address : address;
    return webtext::isPlainWebAddress(absolute) ? absolute : QString();
}

SearchReply parseMaterialSearch(const QByteArray &json, qsizetype maxItems)
{
    SearchReply reply;
    const std::optional<QJsonObject> top = parseObject(json);
    if (!top)
        return reply;
    if (const std::optional<TopError> error = errorOf(*top)) {
        reply.kind = ReplyKind::Error;
        reply.error = *error;
        return reply;
    }
    reply.kind = ReplyKind::Answer;
    const QJsonObject answer = answerOf(*top);
    reply.totalResults = text(answer.value(u"total_results"));
    for (const QJsonObject &item : listOf(answer.value(u"result_list"), maxItems))
        reply.items.append(materialItem(item));
    return reply;
}

TpwdReply parseTpwdCreate(const QByteArray &json)
{
    TpwdReply reply;
    const std::optional<QJsonObject> top = parseObject(json);
    if (!top)
        return reply;
    if (const std::optional<TopError> error = errorOf(*top)) {
        reply.kind = ReplyKind::Error;
        reply.error = *error;
        return reply;
    }
    reply.kind = ReplyKind::Answer;
    const QList<QJsonObject> data = listOf(answerOf(*top).value(u"data"));
    if (!data.isEmpty())
        reply.password = text(data.first().value(u"password_simple"));
    return reply;
}

} // namespace openplatform
