#include "routerrest.h"

#include <algorithm>
#include <cmath>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>
#include <QUrl>

#include "formbody.h"
#include "gatewayparts.h"
#include "itemquery.h"
#include "linkconversion.h"
#include "topsign.h"

namespace demo {

namespace {

const QString searchMethod = u"taobao.tbk.dg.material.optional.upgrade"_qs;
const QString tpwdMethod = u"taobao.tbk.tpwd.create"_qs;

double sortValue(const Offer &offer, QStringView field)
{
    const CatalogueItem &item = *offer.item;
    if (field == u"tk_total_commi")
        return item.commissionVolumeValue;
    if (field == u"tk_total_sales")
        return item.commissionNum;
    if (field == u"tk_rate")
        return item.ratePercent;
    if (field == u"final_promotion_price")
        return double(offer.finalCents);
    if (field == u"total_sales")
        return item.volume;
    if (field == u"price")
        return item.priceValue;
    return 0;
}

// "<field>_des" or "<field>_asc"; anything else keeps the catalogue's order.
void sortOffers(QList<Offer> &offers, const QString &sort)
{
    const qsizetype cut = sort.lastIndexOf(u'_');
    if (cut < 0)
        return;
    const QString field = sort.first(cut);
    const QStringView direction = QStringView(sort).sliced(cut + 1);
    static const QStringList fields{u"tk_total_commi"_qs,        u"tk_total_sales"_qs, u"tk_rate"_qs,
                                    u"final_promotion_price"_qs, u"total_sales"_qs,    u"price"_qs};
    if ((direction != u"des" && direction != u"asc") || !fields.contains(field))
        return;
    const bool descending = direction == u"des";
    std::stable_sort(offers.begin(), offers.end(), [&](const Offer &a, const Offer &b) {
        return descending ? sortValue(a, field) > sortValue(b, field)
                          : sortValue(a, field) < sortValue(b, field);
    });
}

// A coupon runs from the first of the gateway's month to the end of the next one, as Beijing
// time in milliseconds, the way the gateway writes it.
QPair<QString, QString> couponPeriod(const QDateTime &now)
{
    const QDate today = now.toOffsetFromUtc(8 * 3600).date();
    const QDate first(today.year(), today.month(), 1);
    const QDateTime start(first, QTime(0, 0), QTimeZone(8 * 3600));
    const QDateTime end = QDateTime(first.addMonths(2), QTime(0, 0), QTimeZone(8 * 3600)).addSecs(-1);
    return {QString::number(start.toMSecsSinceEpoch()), QString::number(end.toMSecsSinceEpoch())};
}

QJsonObject itemJson(const Offer &offer, const QString &origin, const QString &adzone, bool full,
                     const QDateTime &now, quint64 fresh)
{
    const CatalogueItem &item = *offer.item;
    const QString id = QString::fromLatin1(item.numIid);
    // The real gateway writes "//" addresses, which a page takes as https; the demo speaks plain
    // http on the loopback, so it names its scheme.
    QString link = origin + u"/item/"_qs + id + u"?adzone_id="_qs + adzone + u"&from=tbkapi"_qs;
    if (fresh != 0)
        link += u"&e="_qs + QString::number(fresh, 36);
    // Hot items carry a flame in their title, as sellers like to write it.
    const QString title = (item.volume > 3000 ? u"🔥"_qs : QString()) + item.title;

    QJsonArray paths;
    if (offer.couponCents > 0) {
        const auto [start, end] = couponPeriod(now);
        paths.append(QJsonObject{
            {u"promotion_start_time"_qs, start},
            {u"promotion_end_time"_qs, end},
            {u"promotion_title"_qs, u"商品券"_qs},
            // Coupons come in whole yuan and the gateway writes them so: "10".
            {u"promotion_fee"_qs, QString::number(offer.couponCents / 100)},
            {u"promotion_desc"_qs, QString(u"满"_qs + QString::number(offer.couponThreshold) + u"元减"_qs +
                                           QString::number(offer.couponCents / 100) + u"元"_qs)},
            {u"promotion_id"_qs, QString(u"demo-coupon-"_qs + id)},
        });
    } else if (offer.cutCents > 0) {
        paths.append(QJsonObject{
            {u"promotion_title"_qs, u"单品直降"_qs},
            {u"promotion_fee"_qs, money(offer.cutCents)},
            {u"promotion_desc"_qs, u"限时直降"_qs},
        });
    }

    // The full shape writes some numbers as text; the simplified one as numbers.
    const auto number = [full](qint64 value) {
        return full ? QJsonValue(QString::number(value)) : QJsonValue(value);
    };
    const QJsonObject basic{
        {u"title"_qs, title},
        {u"short_title"_qs, item.title.left(12)},
        {u"pict_url"_qs, QString(origin + u"/img/"_qs + id + u".svg"_qs)},
        {u"volume"_qs, number(item.volume)},
        {u"shop_title"_qs, item.nick},
        {u"user_type"_qs, number(offer.tmall ? 1 : 0)},
        {u"seller_id"_qs,
         QString(rawNumberMark + QString::number(9007199254740993LL + qint64(item.shopId) * 2))},
        {u"provcity"_qs, item.location},
    };
    QJsonObject price{
        {u"zk_final_price"_qs, item.price},
        {u"reserve_price"_qs, money(offer.reserveCents)},
        {u"final_promotion_price"_qs, money(offer.finalCents)},
    };
    if (!paths.isEmpty())
        price.insert(u"final_promotion_path_list"_qs,
                     listValue(paths, full, u"final_promotion_path_map_data"_qs));
    QJsonObject publish{
        {u"click_url"_qs, link},
        {u"income_rate"_qs, QString::number(item.ratePercent, 'f', 2)},
        {u"commission_rate"_qs, item.commissionRate},
    };
    if (offer.couponCents > 0)
        publish.insert(u"coupon_share_url"_qs, QString(link + u"&coupon=1"_qs));
    return {
        {u"item_id"_qs, openItemId(item)},
        {u"item_basic_info"_qs, basic},
        {u"price_promotion_info"_qs, price},
        {u"publish_info"_qs, publish},
    };
}

// A price band's end or a rate in the call: absent is nullopt, anything but a number refused.
std::optional<std::optional<double>> numberParameter(const CallParameters &call, const QString &name)
{
    if (!call.contains(name))
        return std::optional<double>();
    bool ok = false;
    const double value = call.value(name).toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0)
        return std::nullopt;
    return std::optional<double>(value);
}

QByteArray materialSearch(const Catalogue &catalogue, const CallParameters &call, const QString &origin,
                          const QDateTime &now, quint64 fresh)
{
    const QString adzone = call.value(u"adzone_id"_qs);
    if (const std::optional<QByteArray> refusal = adzoneRefusal(adzone))
        return *refusal;
    const QStringList terms = searchTerms(call.value(u"q"_qs));
    if (terms.isEmpty())
        return errorReply(40, u"Missing required arguments:q"_qs, u"isv.missing-parameter:q"_qs,
                          u"缺少必选参数:q"_qs);
    bool ok = true;
    const int pageSize = call.contains(u"page_size"_qs) ? call.value(u"page_size"_qs).toInt(&ok) : 20;
    if (!ok || pageSize < 1 || pageSize > 100)
        return errorReply(41, u"Invalid arguments:page_size"_qs, u"isv.invalid-parameter:page_size"_qs,
                          u"page_size 应在1到100之间"_qs);
    const int pageNo = call.contains(u"page_no"_qs) ? call.value(u"page_no"_qs).toInt(&ok) : 1;
    if (!ok || pageNo < 1)
        return errorReply(41, u"Invalid arguments:page_no"_qs, u"isv.invalid-parameter:page_no"_qs,
                          u"page_no 应为正整数"_qs);

    // The price band applies to the final price, the rate is in hundredths of a percent.
    std::optional<std::optional<double>> bounds[3];
    const QString boundNames[3] = {u"start_price"_qs, u"end_price"_qs, u"start_tk_rate"_qs};
    for (int i = 0; i < 3; ++i) {
        bounds[i] = numberParameter(call, boundNames[i]);
        if (!bounds[i])
            return errorReply(41, u"Invalid arguments:"_qs + boundNames[i],
                              u"isv.invalid-parameter:"_qs + boundNames[i],
                              boundNames[i] + u" 应为非负数"_qs);
    }
    const std::optional<double> &lowest = *bounds[0], &highest = *bounds[1], &rate = *bounds[2];
    QList<Offer> offers;
    const bool couponsOnly = call.value(u"has_coupon"_qs) == u"true";
    const bool tmallOnly = call.value(u"is_tmall"_qs) == u"true";
    for (const CatalogueItem *item : catalogue.search(terms)) {
        const Offer offer = offerFor(catalogue, *item);
        if ((!couponsOnly || offer.couponCents > 0) && (!tmallOnly || offer.tmall) &&
            (!lowest || offer.finalCents >= cents(*lowest)) &&
            (!highest || offer.finalCents <= cents(*highest)) &&
            (!rate || cents(item->ratePercent) >= qint64(std::llround(*rate))))
            offers.append(offer);
    }
    sortOffers(offers, call.value(u"sort"_qs, u"tk_total_commi_des"_qs));

    const bool full = fullShape(call);
    QJsonArray items;
    const qsizetype first = std::min<qsizetype>(offers.size(), qsizetype(pageNo - 1) * pageSize);
    for (qsizetype i = first; i < std::min<qsizetype>(offers.size(), first + pageSize); ++i)
        items.append(itemJson(offers[i], origin, adzone, full, now, fresh));

    QJsonObject answer{{u"total_results"_qs, offers.size()}, {u"request_id"_qs, u"demo"_qs}};
    // Like the real gateway, an empty page has no list at all.
    if (!items.isEmpty())
        answer.insert(u"result_list"_qs, listValue(items, full, u"map_data"_qs));
    if (full)
        return toJson({{u"tbk_dg_material_optional_upgrade_response"_qs, answer}});
    return toJson(answer);
}

QByteArray tpwdCreate(const CallParameters &call, quint64 fresh)
{
    const QString url = call.value(u"url"_qs);
    if (url.isEmpty())
        return errorReply(40, u"Missing required arguments:url"_qs, u"isv.missing-parameter:url"_qs,
                          u"缺少必选参数:url"_qs);
    if (!url.startsWith(u"https://") && !url.startsWith(u"http://"))
        return errorReply(41, u"Invalid arguments:url"_qs, u"isv.invalid-parameter:url"_qs,
                          u"url 应为 http(s) 链接"_qs);
    const QString password = demoTpwd(fresh == 0 ? url : url + u"&mint="_qs + QString::number(fresh));
    const QJsonObject data{{u"password_simple"_qs, password},
                           {u"model"_qs, QString(password + u"/ 打开手机淘宝即可查看"_qs)}};
    const QJsonObject answer{{u"data"_qs, data}, {u"request_id"_qs, u"demo"_qs}};
    if (fullShape(call))
        return toJson({{u"tbk_tpwd_create_response"_qs, answer}});
    return toJson(answer);
}

} // namespace

CallParameters callParameters(QByteArrayView query, QByteArrayView body)
{
    CallParameters parameters;
    for (const QByteArrayView part : {query, body}) {
        for (const auto &[key, value] : splitForm(part)) {
            const QString name = decodeText(percentDecode(key, true));
            if (!parameters.contains(name))
                parameters.insert(name, decodeText(percentDecode(value, true)));
        }
    }
    return parameters;
}

QString demoTpwd(const QString &url)
{
    static const char alphabet[] = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
    // The item's path and query decide, not the host: the same item gets the same token on any port.
    const QUrl parsed(url);
    const QByteArray digest =
        QCryptographicHash::hash(parsed.isValid() ? parsed.path(QUrl::FullyEncoded).toUtf8() + '?' +
                                                        parsed.query(QUrl::FullyEncoded).toUtf8()
                                                  : url.toUtf8(),
                                 QCryptographicHash::Sha1);
    QString code;
    for (int i = 0; i < 11; ++i)
        code += QLatin1Char(alphabet[static_cast<unsigned char>(digest[i]) % (sizeof(alphabet) - 1)]);
    return u"￥"_qs + code + u"￥"_qs;
}

QByteArray routerRestReply(const Catalogue &catalogue, const CallParameters &call, const QString &origin,
                           const QDateTime &now, ShortLinks *shortLinks, quint64 fresh, OrderBook *orders)
{
    const QString method = call.value(u"method"_qs);
    if (method.isEmpty())
        return errorReply(21, u"Missing method"_qs, QString(), u"缺少参数 method"_qs);
    if (method != searchMethod && method != tpwdMethod && method != linkConvertMethod &&
        !(method == orderDetailsMethod && orders))
        return errorReply(22, u"Invalid method"_qs, QString(),
                          u"演示服务只提供物料搜索、淘口令生成与链接转换"_qs);
    if (call.value(u"format"_qs, u"json"_qs) != u"json")
        return errorReply(23, u"Invalid format"_qs, QString(), u"演示服务只以 json 格式回复"_qs);

    const QString appKey = call.value(u"app_key"_qs);
    if (appKey.isEmpty())
        return errorReply(28, u"Missing app key"_qs, QString(), u"缺少参数 app_key"_qs);
    if (appKey != demoAppKey)
        return errorReply(29, u"Invalid app key"_qs, QString(), u"演示服务的 AppKey 是 demo-app"_qs);

    const QString timestamp = call.value(u"timestamp"_qs);
    if (timestamp.isEmpty())
        return errorReply(30, u"Missing timestamp"_qs, QString(), u"缺少参数 timestamp"_qs);
    const QDateTime parsed = QDateTime::fromString(timestamp, u"yyyy-MM-dd HH:mm:ss");
    const QDateTime stamped(parsed.date(), parsed.time(), QTimeZone(8 * 3600));
    if (!parsed.isValid() || std::abs(stamped.secsTo(now)) > timestampWindowSecs)
        return errorReply(31, u"Invalid timestamp"_qs, QString(),
                          u"时间戳须为北京时间 yyyy-MM-dd HH:mm:ss，与服务器时间相差不超过10分钟"_qs);

    const QString signMethodName = call.value(u"sign_method"_qs, u"md5"_qs);
    if (signMethodName != u"md5" && signMethodName != u"hmac" && signMethodName != u"hmac-sha256")
        return errorReply(25, u"Invalid signature"_qs, QString(), u"不支持的签名方式 "_qs + signMethodName);
    const QString signature = call.value(u"sign"_qs);
    if (signature.isEmpty())
        return errorReply(24, u"Missing signature"_qs, QString(), u"缺少参数 sign"_qs);
    openplatform::Parameters signedParameters;
    for (auto it = call.begin(); it != call.end(); ++it)
        signedParameters.append({it.key(), it.value()});
    const QString expected = openplatform::sign(signedParameters, demoAppSecret.toString(),
                                                itemsource::signMethodFromText(signMethodName));
    if (signature.compare(expected, Qt::CaseInsensitive) != 0)
        return errorReply(25, u"Invalid signature"_qs, QString(),
                          u"签名无效：请核对 AppSecret 与签名方式"_qs);

    if (method == orderDetailsMethod)
        return orders->reply(catalogue, call, now);
    if (method == linkConvertMethod)
        return linkConvertReply(catalogue, call, origin, now, shortLinks);
    return method == searchMethod ? materialSearch(catalogue, call, origin, now, fresh)
                                  : tpwdCreate(call, fresh);
}

} // namespace demo
