#include "gatewayparts.h"

#include <algorithm>
#include <cmath>

#include <QJsonDocument>

namespace demo {

namespace {

bool isPositiveNumber(const QString &text)
{
    bool ok = false;
    return !text.isEmpty() && text.toULongLong(&ok) > 0 && ok &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

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

std::optional<QByteArray> adzoneRefusal(const QString &adzone)
{
    if (adzone.isEmpty())
        return errorReply(40, u"Missing required arguments:adzone_id"_qs,
                          u"isv.missing-parameter:adzone_id"_qs, u"缺少必选参数:adzone_id"_qs);
    if (!isPositiveNumber(adzone))
        return errorReply(41, u"Invalid arguments:adzone_id"_qs, u"isv.invalid-parameter:adzone_id"_qs,
                          u"adzone_id 应为推广位PID的第三段数字"_qs);
    return std::nullopt;
}

QJsonValue listValue(const QJsonArray &array, bool full, const QString &holder)
{
    if (!full)
        return array;
    return QJsonObject{{holder, array}};
}

bool fullShape(const CallParameters &call)
{
    return call.value(u"simplify"_qs) != u"true";
}

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

QString openItemId(const CatalogueItem &item)
{
    return u"demo"_qs + QString::fromLatin1(item.numIid.toBase64(QByteArray::Base64UrlEncoding |
                                                                 QByteArray::OmitTrailingEquals));
}

} // namespace demo
