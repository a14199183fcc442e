#include "toprequest.h"

#include <QUrl>

#include "textops.h"

namespace openplatform {

QString gatewayTimestamp(const QDateTime &now)
{
    return now.toOffsetFromUtc(8 * 3600).toString(u"yyyy-MM-dd HH:mm:ss");
}

Parameters materialSearch(const QString &adzoneId, const QString &keyword, int pageSize, const QString &sort,
                          const ItemFilter &filter)
{
    // Left empty, a filter is left out of the call.
    const auto yes = [](bool on) {
        return on ? u"true"_qs : QString();
    };
    const auto yuan = [](const std::optional<double> &price) {
        return price ? textops::numberText(*price) : QString();
    };
    return {
        {u"adzone_id"_qs, adzoneId},
        {u"q"_qs, keyword},
        {u"page_no"_qs, u"1"_qs},
        {u"page_size"_qs, QString::number(pageSize)},
        {u"material_id"_qs, materialId.toString()},
        {u"sort"_qs, sort},
        {u"has_coupon"_qs, yes(filter.couponOnly)},
        {u"is_tmall"_qs, yes(filter.tmallOnly)},
        {u"start_price"_qs, yuan(filter.minPrice)},
        {u"end_price"_qs, yuan(filter.maxPrice)},
        {u"start_tk_rate"_qs,
         filter.minCommission ? QString::number(filter.commissionHundredths()) : QString()},
    };
}

Parameters tpwdCreate(const QString &url)
{
    return {{u"url"_qs, url}};
}

Parameters signedCall(QStringView method, const Parameters &own, const itemsource::OpenPlatformSetup &account,
                      const QDateTime &now)
{
    Parameters all{
        {u"method"_qs, method.toString()},
        {u"app_key"_qs, account.appKey},
        {u"timestamp"_qs, gatewayTimestamp(now)},
        {u"format"_qs, u"json"_qs},
        {u"v"_qs, u"2.0"_qs},
        {u"sign_method"_qs, itemsource::signMethodText(account.signMethod).toString()},
        {u"simplify"_qs, u"true"_qs},
    };
    all += own;
    // The gateway reads an empty parameter as a wrong one; one left out takes its default.
    all.removeIf([](const auto &parameter) { return parameter.second.isEmpty(); });
    all.append({u"sign"_qs, sign(all, account.appSecret, account.signMethod)});
    return all;
}

QByteArray formBody(const Parameters &parameters)
{
    QByteArray body;
    for (const auto &[name, value] : parameters) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return body;
}

} // namespace openplatform
