#include "itemquery.h"

#include <array>
#include <utility>

#include <QStringList>

#include "encoders.h"
#include "sendto.h"
#include "sortorders.h"
#include "textops.h"
#include "services.h"

namespace itemquery {

QString sortCodeFor(const QString &sortText)
{
    return sortorders::forText(sortText).toolCode.toString();
}

// Typed values: the characters that would end a value or change its meaning in a form body are
// escaped, so "T恤&短裤" stays one keyword and "C++" keeps its pluses.
static QString formEscaped(const QString &typed)
{
    QString escaped;
    escaped.reserve(typed.size());
    for (const QChar c : typed) {
        switch (c.unicode()) {
        case u'%':
            escaped += u"%25"_qs;
            break;
        case u'&':
            escaped += u"%26"_qs;
            break;
        case u'+':
            escaped += u"%2B"_qs;
            break;
        case u'=':
            escaped += u"%3D"_qs;
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

QString requestBody(const QString &pid, const QString &keyword, const QString &sortCode,
                    const QString &countText, const ItemFilter &filter)
{
    const auto price = [](const std::optional<double> &yuan) {
        return yuan ? textops::numberText(*yuan) : QString();
    };
    // The test tool's own placeholder for key and secret, already percent-encoded.
    const QString placeholderKey = u"%E6%B5%8B%E8%AF%95%E5%8D%A0%E4%BD%8D"_qs;
    const QString fields =
        u"num_iid,title,nick,pic_url,price,click_url,commission,commission_rate,commission_num,"
        u"commission_volume,shop_click_url,seller_credit_score,item_location,volume"_qs;

    const std::array<std::pair<QString, QString>, 40> pairs{{
        {u"format"_qs, u"xml"_qs},
        {u"method"_qs, u"taobao.taobaoke.items.get"_qs},
        {u"restId"_qs, u"2"_qs},
        {u"api_soure"_qs, u"0"_qs},
        {u"app_key"_qs, placeholderKey},
        {u"app_secret"_qs, placeholderKey},
        {u"sip_http_method"_qs, u"POST"_qs},
        {u"codeType"_qs, u"PHP"_qs},
        {u"fields"_qs, fields},
        {u"nick"_qs, {}},
        {u"pid"_qs, formEscaped(pid)},
        {u"keyword"_qs, UTF8Encode(formEscaped(keyword))},
        {u"cid"_qs, {}},
        {u"start_price"_qs, price(filter.minPrice)},
        {u"end_price"_qs, price(filter.maxPrice)},
        {u"auto_send"_qs, {}},
        {u"area"_qs, {}},
        {u"start_credit"_qs, {}},
        {u"end_credit"_qs, {}},
        {u"sort"_qs, sortCode},
        {u"guarantee"_qs, {}},
        {u"start_commissionRate"_qs,
         filter.minCommission ? QString::number(filter.commissionHundredths()) : QString()},
        {u"end_commissionRate"_qs, {}},
        {u"start_commissionNum"_qs, {}},
        {u"end_commissionNum"_qs, {}},
        {u"start_totalnum"_qs, {}},
        {u"end_totalnum"_qs, {}},
        {u"cash_coupon"_qs, {}},
        {u"vip_card"_qs, {}},
        {u"overseas_item"_qs, {}},
        {u"sevendays_return"_qs, {}},
        {u"real_describe"_qs, {}},
        {u"onemonth_repair"_qs, {}},
        {u"cash_ondelivery"_qs, {}},
        {u"mall_item"_qs, filter.tmallOnly ? u"true"_qs : QString()},
        {u"page_no"_qs, {}},
        {u"page_size"_qs, textops::numberText(textops::numericValue(countText))},
        {u"outer_code"_qs, {}},
        {u"is_mobile"_qs, {}},
        {u"session"_qs, {}},
    }};

    // The fixed values go as they stand. UTF8Encode leaves ASCII, and so the escapes, alone.
    QStringList parts;
    parts.reserve(int(pairs.size()));
    for (const auto &[key, value] : pairs)
        parts.append(key + u'=' + value);
    return parts.join(u'&');
}

QString endpointUrl(const ServiceHosts &hosts)
{
    return u"http://"_qs + hosts.apiHost + u"/apitools/getResult.htm"_qs;
}

QString refererUrl(const ServiceHosts &hosts)
{
    return endpointUrl(hosts) + u"?catId=38&apiName=taobao.taobaoke.items.get"_qs;
}

QString send(const ServiceHosts &hosts, const QString &body, const net::Cancellation *cancel)
{
    return SendTo(endpointUrl(hosts), body, refererUrl(hosts), true, false, 5, true,
                  u"application/x-www-form-urlencoded"_qs, cancel);
}

} // namespace itemquery
