#pragma once

#include <optional>

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include "catalogue.h"

// What the demo gateway's methods share: the JSON they write, their error answers, the call's
// shape and what the gateway knows of an item beyond the catalogue.
namespace demo {

// A call's parameters, decoded: from the query and, for a POST, the form body.
using CallParameters = QHash<QString, QString>;

// Ids above 2^53 cannot pass through a JSON double: a string "@raw@<digits>" is written as the
// bare digits instead.
inline const QString rawNumberMark = u"@raw@"_qs;

QByteArray toJson(const QJsonObject &object);

QByteArray errorReply(int code, const QString &msg, const QString &subCode, const QString &subMsg);

// The refusal of a missing or malformed adzone_id, or nothing when it is a number above zero.
std::optional<QByteArray> adzoneRefusal(const QString &adzone);

qint64 cents(double value);
QString money(qint64 cents);

// A list as the full shape writes it, {"<holder>": [...]}, or as the simplified one.
QJsonValue listValue(const QJsonArray &array, bool full, const QString &holder);

// The answer's shape: simplified unless simplify is absent or false.
bool fullShape(const CallParameters &call);

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

Offer offerFor(const Catalogue &catalogue, const CatalogueItem &item);

// The id the material search hands out for an item: opaque letters and digits, as the gateway's
// new ids are. The link conversion takes it as well as the number.
QString openItemId(const CatalogueItem &item);

} // namespace demo
