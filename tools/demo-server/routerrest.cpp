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
#include "itemquery.h"
#include "topsign.h"

namespace demo {

namespace {

const QString searchMethod = u"taobao.tbk.dg.material.optional.upgrade"_qs;
const QString tpwdMethod = u"taobao.tbk.tpwd.create"_qs;

// Ids above 2^53 cannot pass through a JSON double; they are written as raw digits instead.
const QString rawNumberMark = u"@raw@"_qs;

QByteArray toJson(const QJsonObject &object)
{
    QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    // "@raw@123" (with its quotes) becomes 123.
    const QByteArray mark = '"' + rawNumberMark.toUtf8();
    for (qsizetype at = json.indexOf(mark); at >= 0; at = json.indexOf(mark, at)) {
        const qsizetype end = json.indexOf('"', at + mark.size());
        json.replace(at, end - at + 1, json.mid(at + mark.size(), end - at - mark.size()));
    }
    return json;
}

QByteArray errorReply(int code, const QString &msg, const QString &subCode, const QString &subMsg)
{
    QJsonObject error{{u"code"_qs, code}, {u"msg"_qs, msg}, {u"request_id"_qs, u"demo"_qs}};
    if (!subCode.isEmpty())
        error.insert(u"sub_code"_qs, subCode);
    if (!subMsg.isEmpty())
        error.insert(u"sub_msg"_qs, subMsg);
    return toJson({{u"error_response"_qs, error}});
}

qint64 cents(double value)
{
    return qint64(std::llround(value * 100.0));
}

QString money(qint64 cents)
{
    return QString::number(cents / 100) + u'.' + QString::number(cents % 100).rightJustified(2, u'0');
}

// What the demo gateway knows of an item beyond the catalogue.
struct Offer
{
    const CatalogueItem *item = nullptr;
    int index = 0;           // position in the catalogue
    qint64 reserveCents = 0; // the price before the shop's discount
    qint64 finalCents = 0;   // after every promotion
    qint64 couponCents = 0;  // 0: no coupon
    qint64 cutCents = 0;     // a promotion that is no coupon
    qint64 couponThreshold = 0;
    bool tmall = false;
};

Offer offerFor(const Catalogue &catalogue, const CatalogueItem &item)
{
    Offer offer;
    offer.item = &item;
    offer.index = int(&item - catalogue.items().constData());
    const qint64 price = cents(item.priceValue);
    offer.reserveCents = qint64(std::ceil(item.priceValue * 1.5)) * 100;
    // A third of the items carry a coupon, another third a plain price cut.
    if (offer.index % 3 == 0) {
        offer.couponCents = price < 5000    ? 300
                            : price < 10000 ? 500
                            : price < 20000 ? 1000
                            : price < 50000 ? 2000
                                            : 5000;
        offer.couponThreshold = std::max<qint64>(offer.couponCents / 100 + 1, price / 1000 * 10);
    } else if (offer.index % 3 == 1) {
        offer.cutCents = std::max<qint64>(100, price / 2000 * 100);
    }
    offer.finalCents = price - offer.couponCents - offer.cutCents;
    offer.tmall = item.nick.contains(u"旗舰店") || item.nick.contains(u"官方");
    return offer;
}

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

QJsonValue listValue(const QJsonArray &array, bool full, const QString &holder)
{
    if (!full)
        return array;
    return QJsonObject{{holder, array}};
}

QJsonObject itemJson(const Offer &offer, const QString &origin, const QString &adzone, bool full)
{
    const CatalogueItem &item = *offer.item;
    const QString id = QString::fromLatin1(item.numIid);
    // The real gateway writes "//" addresses, which a page takes as https; the demo speaks plain
    // http on the loopback, so it names its scheme.
    const QString link = origin + u"/item/"_qs + id + u"?adzone_id="_qs + adzone + u"&from=tbkapi"_qs;
    // Hot items carry a flame in their title, as sellers like to write it.
    const QString title = (item.volume > 3000 ? u"🔥"_qs : QString()) + item.title;

    QJsonArray paths;
    if (offer.couponCents > 0) {
        paths.append(QJsonObject{
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
        {u"item_id"_qs,
         QString(u"demo"_qs + QString::fromLatin1(item.numIid.toBase64(QByteArray::Base64UrlEncoding |
                                                                       QByteArray::OmitTrailingEquals)))},
        {u"item_basic_info"_qs, basic},
        {u"price_promotion_info"_qs, price},
        {u"publish_info"_qs, publish},
    };
}

bool isPositiveNumber(const QString &text)
{
    bool ok = false;
    return !text.isEmpty() && text.toULongLong(&ok) > 0 && ok &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The answer's shape: simplified unless simplify is absent or false.
bool fullShape(const CallParameters &call)
{
    return call.value(u"simplify"_qs) != u"true";
}

QByteArray materialSearch(const Catalogue &catalogue, const CallParameters &call, const QString &origin)
{
    const QString adzone = call.value(u"adzone_id"_qs);
    if (adzone.isEmpty())
        return errorReply(40, u"Missing required arguments:adzone_id"_qs,
                          u"isv.missing-parameter:adzone_id"_qs, u"缺少必选参数:adzone_id"_qs);
    if (!isPositiveNumber(adzone))
        return errorReply(41, u"Invalid arguments:adzone_id"_qs, u"isv.invalid-parameter:adzone_id"_qs,
                          u"adzone_id 应为推广位PID的第三段数字"_qs);
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

    QList<Offer> offers;
    const bool couponsOnly = call.value(u"has_coupon"_qs) == u"true";
    const bool tmallOnly = call.value(u"is_tmall"_qs) == u"true";
    for (const CatalogueItem *item : catalogue.search(terms)) {
        const Offer offer = offerFor(catalogue, *item);
        if ((!couponsOnly || offer.couponCents > 0) && (!tmallOnly || offer.tmall))
            offers.append(offer);
    }
    sortOffers(offers, call.value(u"sort"_qs, u"tk_total_commi_des"_qs));

    const bool full = fullShape(call);
    QJsonArray items;
    const qsizetype first = std::min<qsizetype>(offers.size(), qsizetype(pageNo - 1) * pageSize);
    for (qsizetype i = first; i < std::min<qsizetype>(offers.size(), first + pageSize); ++i)
        items.append(itemJson(offers[i], origin, adzone, full));

    QJsonObject answer{{u"total_results"_qs, offers.size()}, {u"request_id"_qs, u"demo"_qs}};
    // Like the real gateway, an empty page has no list at all.
    if (!items.isEmpty())
        answer.insert(u"result_list"_qs, listValue(items, full, u"map_data"_qs));
    if (full)
        return toJson({{u"tbk_dg_material_optional_upgrade_response"_qs, answer}});
    return toJson(answer);
}

QByteArray tpwdCreate(const CallParameters &call)
{
    const QString url = call.value(u"url"_qs);
    if (url.isEmpty())
        return errorReply(40, u"Missing required arguments:url"_qs, u"isv.missing-parameter:url"_qs,
                          u"缺少必选参数:url"_qs);
    if (!url.startsWith(u"https://") && !url.startsWith(u"http://"))
        return errorReply(41, u"Invalid arguments:url"_qs, u"isv.invalid-parameter:url"_qs,
                          u"url 应为 http(s) 链接"_qs);
    const QString password = demoTpwd(url);
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
                           const QDateTime &now)
{
    const QString method = call.value(u"method"_qs);
    if (method.isEmpty())
        return errorReply(21, u"Missing method"_qs, QString(), u"缺少参数 method"_qs);
    if (method != searchMethod && method != tpwdMethod)
        return errorReply(22, u"Invalid method"_qs, QString(), u"演示服务只提供物料搜索与淘口令生成"_qs);
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

    return method == searchMethod ? materialSearch(catalogue, call, origin) : tpwdCreate(call);
}

} // namespace demo
