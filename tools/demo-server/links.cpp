#include "links.h"

namespace demo {

namespace {

// A PID is digits in practice; anything else is percent-encoded so the link stays one link.
QString pidQuery(const QString &pid)
{
    if (pid.isEmpty())
        return u"?from=tbk"_qs;
    const QByteArray encoded = pid.toUtf8().toPercentEncoding();
    return u"?pid=mm_"_qs + QString::fromLatin1(encoded) + u"_0_0&from=tbk"_qs;
}

} // namespace

QString itemLink(const QString &origin, const CatalogueItem &item, const QString &pid)
{
    return origin + u"/item/"_qs + QString::fromLatin1(item.numIid) + pidQuery(pid);
}

QString shopLink(const QString &origin, const CatalogueItem &item, const QString &pid)
{
    return origin + u"/shop/"_qs + QString::number(item.shopId) + pidQuery(pid);
}

QString pictureLink(const QString &origin, const CatalogueItem &item)
{
    return origin + u"/img/"_qs + QString::fromLatin1(item.numIid) + u".svg"_qs;
}

QString badgePath(int score)
{
    static const char16_t *const series[] = {u"red", u"blue", u"cap", u"crown"};
    if (score < 1 || score > 20)
        return QString();
    return u"/newrank/s_"_qs + QString::fromUtf16(series[(score - 1) / 5]) + u'_' +
           QString::number((score - 1) % 5 + 1) + u".gif"_qs;
}

} // namespace demo
