#include "linkconversion.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>

#include "routerrest.h"

namespace demo {

namespace {

constexpr int maxPerCall = 20;

QStringList listOf(const QString &joined)
{
    QStringList parts = joined.split(u',', Qt::SkipEmptyParts);
    for (QString &part : parts)
        part = part.trimmed();
    parts.removeAll(QString());
    return parts;
}

const CatalogueItem *itemById(const Catalogue &catalogue, const QString &id)
{
    for (const CatalogueItem &item : catalogue.items()) {
        if (id == QLatin1String(item.numIid) || id == openItemId(item))
            return &item;
    }
    return nullptr;
}

const CatalogueItem *itemByMaterial(const Catalogue &catalogue, const QString &material)
{
    static const QRegularExpression number(u"(?<![0-9])[0-9]{9,13}(?![0-9])"_qs);
    for (auto it = number.globalMatch(material); it.hasNext();) {
        if (const CatalogueItem *item = catalogue.find(it.next().captured().toLatin1()))
            return item;
    }
    const bool link = material.startsWith(u"http://") || material.startsWith(u"https://");
    static const QRegularExpression tpwd(u"^[￥¥€(（][A-Za-z0-9]+[￥¥€)）]$"_qs);
    if ((!link && !tpwd.match(material).hasMatch()) || catalogue.items().isEmpty())
        return nullptr;
    const QByteArray digest = QCryptographicHash::hash(material.toUtf8(), QCryptographicHash::Sha1);
    const quint32 pick =
        (quint8(digest[0]) << 24) | (quint8(digest[1]) << 16) | (quint8(digest[2]) << 8) | quint8(digest[3]);
    return &catalogue.items()[pick % catalogue.items().size()];
}

QJsonObject refusal(const QString &inputName, const QString &input, int code, const QString &msg)
{
    return {{inputName, input}, {u"code"_qs, code}, {u"msg"_qs, msg}};
}

struct Answer
{
    QString origin;
    QString adzone;
    QDateTime now;
    ShortLinks *shortLinks = nullptr;
    bool full = false;
};

QString shortLink(const Answer &answer, const QString &longLink)
{
    const QString code = answer.shortLinks ? answer.shortLinks->shorten(longLink) : QString();
    return code.isEmpty() ? longLink : answer.origin + u"/t/"_qs + code;
}

QJsonObject converted(const Catalogue &catalogue, const CatalogueItem &item, const QString &inputName,
                      const QString &input, const Answer &answer)
{
    const Offer offer = offerFor(catalogue, item);
    const QString id = QString::fromLatin1(item.numIid);
    const QString cpsLong =
        answer.origin + u"/item/"_qs + id + u"?adzone_id="_qs + answer.adzone + u"&from=convert"_qs;
    const QString cpsTpwd = demoTpwd(cpsLong);
    QJsonObject links{
        {u"cps_short_url"_qs, shortLink(answer, cpsLong)},
        {u"cps_long_url"_qs, cpsLong},
        {u"cps_short_tpwd"_qs, cpsTpwd},
        {u"cps_full_tpwd"_qs, QString(u"1"_qs + cpsTpwd + u"/ CZ0001 「"_qs + item.title + u"」"_qs)},
    };
    const auto number = [&answer](qint64 value) {
        return answer.full ? QJsonValue(QString::number(value)) : QJsonValue(value);
    };
    QJsonObject out{
        {inputName, input},
        {u"item_id"_qs, inputName == u"input_item_id" ? input : id},
        {u"item_basic_info"_qs, QJsonObject{{u"title"_qs, item.title}}},
        {u"link_info_dto"_qs, links},
        {u"promotion_info_dto"_qs, QJsonObject{{u"commission_rate"_qs, item.commissionRate},
                                               {u"promotion_price"_qs, number(offer.finalCents)}}},
    };
    if (offer.couponCents > 0) {
        const QString couponLong = cpsLong + u"&coupon=1"_qs;
        const QString couponTpwd = demoTpwd(couponLong);
        links.insert(u"coupon_short_url"_qs, shortLink(answer, couponLong));
        links.insert(u"coupon_long_url"_qs, couponLong);
        links.insert(u"coupon_short_tpwd"_qs, couponTpwd);
        links.insert(u"coupon_full_tpwd"_qs,
                     QString(u"1"_qs + couponTpwd + u"/ CZ0001 「"_qs + item.title + u"」"_qs));
        out.insert(u"link_info_dto"_qs, links);
        // Coupons run from today (Beijing time) for a week or two.
        const QDate today = answer.now.toOffsetFromUtc(8 * 3600).date();
        out.insert(
            u"coupon_info_dto"_qs,
            QJsonObject{
                {u"coupon_amount"_qs, QString::number(offer.couponCents / 100)},
                {u"coupon_desc"_qs, QString(u"满"_qs + QString::number(offer.couponThreshold) + u"元减"_qs +
                                            QString::number(offer.couponCents / 100) + u"元"_qs)},
                {u"coupon_start_time"_qs, today.toString(Qt::ISODate)},
                {u"coupon_end_time"_qs, today.addDays(7 + offer.index % 10).toString(Qt::ISODate)},
                {u"coupon_remain_count"_qs, number(1000 + offer.index * 37)},
            });
    }
    return out;
}

} // namespace

QByteArray linkConvertReply(const Catalogue &catalogue, const CallParameters &call, const QString &origin,
                            const QDateTime &now, ShortLinks *shortLinks)
{
    const Answer answer{origin, call.value(u"adzone_id"_qs), now, shortLinks, fullShape(call)};
    if (const std::optional<QByteArray> refused = adzoneRefusal(answer.adzone))
        return *refused;
    const QStringList ids = listOf(call.value(u"item_id_list"_qs));
    const QStringList materials = listOf(call.value(u"material_list"_qs));
    if (ids.isEmpty() && materials.isEmpty())
        return errorReply(40, u"Missing required arguments:item_id_list"_qs,
                          u"isv.missing-parameter:item_id_list"_qs,
                          u"item_id_list 与 material_list 至少填写一个"_qs);
    if (ids.size() > maxPerCall || materials.size() > maxPerCall)
        return errorReply(41, u"Invalid arguments:item_id_list"_qs, u"isv.invalid-parameter:item_id_list"_qs,
                          u"每次最多转换20个商品ID，或20个物料"_qs);

    QJsonArray items;
    for (const QString &id : ids) {
        const CatalogueItem *item = itemById(catalogue, id);
        items.append(item ? converted(catalogue, *item, u"input_item_id"_qs, id, answer)
                          : refusal(u"input_item_id"_qs, id, 2001, u"商品不存在或已下架，不能推广"_qs));
    }
    QJsonArray converts;
    for (const QString &material : materials) {
        const CatalogueItem *item = itemByMaterial(catalogue, material);
        converts.append(
            item ? converted(catalogue, *item, u"input_material_url"_qs, material, answer)
                 : refusal(u"input_material_url"_qs, material, 2002, u"无法识别的链接或淘口令"_qs));
    }
    QJsonObject data;
    if (!items.isEmpty())
        data.insert(u"item_url_list"_qs, listValue(items, answer.full, u"item_url_list"_qs));
    if (!converts.isEmpty())
        data.insert(u"material_url_list"_qs, listValue(converts, answer.full, u"material_url_list"_qs));
    const QJsonObject reply{{u"data"_qs, data}, {u"request_id"_qs, u"demo"_qs}};
    if (answer.full)
        return toJson({{u"tbk_dg_general_link_convert_response"_qs, reply}});
    return toJson(reply);
}

} // namespace demo
