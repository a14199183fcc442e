#include "convertreport.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "converttexts.h"
#include "textops.h"

namespace convert {

namespace {

QJsonValue orNull(const QString &value)
{
    return value.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(forTerminal(value));
}

QByteArray jsonLineOf(const QString &input, const Conversion &conversion, const QString &itemId,
                      const QString &failure)
{
    const QJsonObject object{
        {u"input"_qs, orNull(input)},
        {u"item_id"_qs, orNull(itemId)},
        {u"short_url"_qs, orNull(conversion.link)},
        {u"tpwd"_qs, orNull(conversion.tpwd)},
        {u"coupon_amount"_qs, orNull(conversion.couponAmount)},
        {u"coupon_end"_qs, orNull(conversion.couponEnd)},
        {u"commission_rate"_qs, orNull(conversion.commissionRate)},
        {u"final_price"_qs, orNull(conversion.finalPrice)},
        {u"error"_qs, orNull(failure)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QString forTerminal(QString text)
{
    // Tabs and line breaks stay: the converted text keeps its lines.
    text.removeIf([](QChar c) { return c != u'\t' && c != u'\n' && textops::isControlOrBidi(c); });
    return text;
}

QStringList rowCells(const ConvertOutcome &outcome, qsizetype i)
{
    const Conversion &c = outcome.conversions[i];
    const QString &failure = outcome.failures[i];
    return {outcome.found[i].written,
            c.title,
            c.link,
            c.tpwd,
            c.couponAmount,
            c.couponEnd,
            c.commissionRate,
            c.finalPrice,
            failure.isEmpty() ? converttexts::converted.toString() : failure};
}

QByteArray jsonLine(const ConvertOutcome &outcome, qsizetype i)
{
    const Found &found = outcome.found[i];
    const Conversion &conversion = outcome.conversions[i];
    const QString itemId = !conversion.itemId.isEmpty() ? conversion.itemId
                           : found.isItem()             ? found.input
                                                        : QString();
    return jsonLineOf(found.written, conversion, itemId, outcome.failures[i]);
}

QByteArray unrecognisedJsonLine(const QString &input)
{
    return jsonLineOf(input, Conversion(), QString(), converttexts::notRecognised.toString());
}

} // namespace convert
