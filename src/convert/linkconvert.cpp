#include "linkconvert.h"

#include <cmath>
#include <optional>

#include <QJsonObject>
#include <QRegularExpression>

#include "recogniser.h"
#include "topjson.h"
#include "topreply.h"

namespace convert {

namespace {

QString value(const QJsonObject &object, QStringView name)
{
    return openplatform::text(object.value(name)).trimmed();
}

QString firstOf(std::initializer_list<QString> values)
{
    for (const QString &v : values) {
        if (!v.isEmpty())
            return v;
    }
    return QString();
}

// A link only when it is a plain web address: it goes back into the user's message.
QString linkValue(const QJsonObject &links, QStringView name)
{
    return openplatform::webLink(value(links, name));
}

// A short 淘口令 as it is, or the one inside a full one ("1￥…￥/ 复制…打开淘宝").
QString tpwdValue(const QJsonObject &links, QStringView shortName, QStringView fullName)
{
    const QString tpwd = value(links, shortName);
    if (isPlainValue(tpwd, 64))
        return tpwd;
    const QString full = value(links, fullName);
    for (const Found &found : recognise(full)) {
        if (found.kind == Found::Kind::Tpwd)
            return found.input;
    }
    return QString();
}

// An amount the gateway wrote as a number: finite and not negative, or nothing ("inf" and "nan"
// read as numbers too, and must never reach a message).
std::optional<double> amountOf(const QString &text)
{
    bool ok = false;
    const double amount = text.toDouble(&ok);
    if (!ok || !std::isfinite(amount) || amount < 0)
        return std::nullopt;
    return amount;
}

// Hundredths of a percent, as the affiliate APIs write rates, in percent.
QString percentText(const QString &hundredths)
{
    const std::optional<double> rate = amountOf(hundredths);
    return rate ? QString::number(*rate / 100, 'f', 2) : QString();
}

QString yuanText(const QString &fen)
{
    const std::optional<double> amount = amountOf(fen);
    return amount ? QString::number(*amount / 100, 'f', 2) : QString();
}

Conversion conversion(const QJsonObject &entry, QStringView inputName)
{
    const QJsonObject links = entry.value(u"link_info_dto").toObject();
    const QJsonObject coupon = entry.value(u"coupon_info_dto").toObject();
    const QJsonObject promotion = entry.value(u"promotion_info_dto").toObject();

    Conversion out;
    out.input = value(entry, inputName);
    out.itemId = firstOf({value(entry, u"item_id"), value(links, u"material_id")});
    if (!isItemId(out.itemId))
        out.itemId.clear();
    out.title =
        firstOf({value(entry, u"title"), value(entry.value(u"item_basic_info").toObject(), u"title")});
    const QString couponLink =
        firstOf({linkValue(links, u"coupon_short_url"), linkValue(links, u"coupon_long_url")});
    out.hasCoupon = !couponLink.isEmpty();
    if (out.hasCoupon) {
        out.link = couponLink;
        out.tpwd = tpwdValue(links, u"coupon_short_tpwd", u"coupon_full_tpwd");
        out.couponAmount = value(coupon, u"coupon_amount");
        if (!amountOf(out.couponAmount))
            out.couponAmount.clear();
        out.couponDesc = value(coupon, u"coupon_desc");
        out.couponStart = value(coupon, u"coupon_start_time");
        out.couponEnd = value(coupon, u"coupon_end_time");
        out.couponRemain = value(coupon, u"coupon_remain_count");
    } else {
        out.link = firstOf({linkValue(links, u"cps_short_url"), linkValue(links, u"cps_long_url")});
        out.tpwd = tpwdValue(links, u"cps_short_tpwd", u"cps_full_tpwd");
    }
    out.commissionRate = percentText(value(promotion, u"commission_rate"));
    out.finalPrice = yuanText(value(promotion, u"promotion_price"));
    out.code = value(entry, u"code");
    if (out.code == u"0")
        out.code.clear();
    out.msg = firstOf({value(entry, u"sub_msg"), value(entry, u"msg")});
    return out;
}

} // namespace

openplatform::Parameters linkConvert(const QString &adzoneId, const QStringList &itemIds,
                                     const QStringList &materials)
{
    return {
        {u"adzone_id"_qs, adzoneId},
        {u"item_id_list"_qs, itemIds.join(u',')},
        {u"material_list"_qs, materials.join(u',')},
    };
}

bool isPlainValue(QStringView value, qsizetype maxLength)
{
    static const QRegularExpression unsafe(u"[\\p{Cc}\\p{Cf}\\p{Zl}\\p{Zp}]"_qs);
    return !value.isEmpty() && value.size() <= maxLength && value.isValidUtf16() &&
           !unsafe.match(value).hasMatch();
}

LinkConvertReply parseLinkConvert(const QByteArray &json)
{
    LinkConvertReply reply;
    const std::optional<QJsonObject> top = openplatform::parseObject(json);
    if (!top)
        return reply;
    if (const std::optional<openplatform::TopError> error = openplatform::errorOf(*top)) {
        reply.kind = openplatform::ReplyKind::Error;
        reply.error = *error;
        return reply;
    }
    reply.kind = openplatform::ReplyKind::Answer;
    const QJsonObject data = openplatform::answerOf(*top).value(u"data").toObject();
    for (const QJsonObject &entry : openplatform::listOf(data.value(u"item_url_list")))
        reply.items.append(conversion(entry, u"input_item_id"));
    for (const QJsonObject &entry : openplatform::listOf(data.value(u"material_url_list")))
        reply.materials.append(conversion(entry, u"input_material_url"));
    return reply;
}

} // namespace convert
