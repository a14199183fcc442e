#include "itemfilters.h"

#include <cmath>
#include <optional>

#include <QStringList>

#include "textops.h"

namespace itemfilters {

namespace {

// A plain decimal without sign or exponent: what a price or a rate is typed as.
std::optional<double> plainNumber(QStringView text)
{
    if (text.isEmpty() || text.size() > 12)
        return std::nullopt;
    int points = 0;
    for (const QChar c : text) {
        if (c == u'.')
            ++points;
        else if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || points > 1 || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString refusal(QStringView what, QStringView text, QStringView why)
{
    return what.toString() + u"“"_qs + text.toString() + u"”无效:"_qs + why.toString();
}

} // namespace

QString setPrice(QStringView text, ItemFilter &filter)
{
    const QStringView typed = text;
    text = text.trimmed();
    filter.minPrice.reset();
    filter.maxPrice.reset();
    if (text.isEmpty())
        return QString();
    const qsizetype dash = text.indexOf(u'-');
    const QStringView low = dash < 0 ? text : text.first(dash).trimmed();
    const QStringView high = dash < 0 ? QStringView() : text.sliced(dash + 1).trimmed();
    if (dash >= 0 && (high.startsWith(u'-') || (low.isEmpty() && high.contains(u'-'))))
        return refusal(priceName, typed, u"价格不能是负数");
    if (dash < 0 || (low.isEmpty() && high.isEmpty()))
        return refusal(priceName, typed, u"应写成 最低-最高(元),如 20-200、20- 或 -200");
    const std::optional<double> lowest = low.isEmpty() ? std::optional<double>() : plainNumber(low);
    const std::optional<double> highest = high.isEmpty() ? std::optional<double>() : plainNumber(high);
    if ((!low.isEmpty() && !lowest) || (!high.isEmpty() && !highest))
        return refusal(priceName, typed, u"不是数字");
    if (lowest && highest && *lowest > *highest)
        return refusal(priceName, typed, u"最低价高于最高价");
    filter.minPrice = lowest;
    filter.maxPrice = highest;
    return QString();
}

QString setCommission(QStringView text, ItemFilter &filter)
{
    const QStringView typed = text;
    text = text.trimmed();
    if (text.endsWith(u'%'))
        text = text.chopped(1).trimmed();
    filter.minCommission.reset();
    if (text.isEmpty())
        return QString();
    if (text.startsWith(u'-'))
        return refusal(commissionName, typed, u"不能是负数");
    const std::optional<double> rate = plainNumber(text);
    if (!rate)
        return refusal(commissionName, typed, u"不是数字");
    if (*rate > 100)
        return refusal(commissionName, typed, u"不能超过100%");
    // Hundredths of a percent is what the services take; anything finer would be lost unsaid.
    if (std::llround(*rate * 100) > 0)
        filter.minCommission = std::llround(*rate * 100) / 100.0;
    return QString();
}

QString priceText(const ItemFilter &filter)
{
    if (!filter.minPrice && !filter.maxPrice)
        return QString();
    return (filter.minPrice ? textops::numberText(*filter.minPrice) : QString()) + u'-' +
           (filter.maxPrice ? textops::numberText(*filter.maxPrice) : QString());
}

QString commissionText(const ItemFilter &filter)
{
    return filter.minCommission ? textops::numberText(*filter.minCommission) : QString();
}

QString summary(const ItemFilter &filter)
{
    QStringList parts;
    if (filter.couponOnly)
        parts << u"有券"_qs;
    if (filter.tmallOnly)
        parts << u"天猫"_qs;
    if (const QString price = priceText(filter); !price.isEmpty())
        parts << price + u"元"_qs;
    if (filter.minCommission)
        parts << u"佣金≥"_qs + commissionText(filter) + u'%';
    return parts.isEmpty() ? u"-"_qs : parts.join(u' ');
}

QString testToolRefusal(const ItemFilter &filter)
{
    return filter.couponOnly
               ? u"接口测试工具没有“"_qs + couponOnlyName + u"”的参数:请改用开放平台,或去掉这一项"_qs
               : QString();
}

} // namespace itemfilters
