#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "itemfilter.h"
#include "itemsource.h"
#include "topsign.h"

// Building the open platform's calls: the system parameters, the two methods' own parameters,
// the signature and the form body.
namespace openplatform {

inline constexpr QStringView materialSearchMethod = u"taobao.tbk.dg.material.optional.upgrade";
inline constexpr QStringView tpwdCreateMethod = u"taobao.tbk.tpwd.create";
// The material the search looks in: the whole affiliate catalogue.
inline constexpr QStringView materialId = u"80309";

// "yyyy-MM-dd HH:mm:ss" in GMT+8, the gateway's clock, whatever the machine's time zone.
QString gatewayTimestamp(const QDateTime &now);

// The material search's own parameters. `pageSize` goes as the count, `sort` as the gateway's
// sort code; the filter as has_coupon, is_tmall, start_price/end_price and start_tk_rate.
Parameters materialSearch(const QString &adzoneId, const QString &keyword, int pageSize, const QString &sort,
                          const ItemFilter &filter = {});

// tpwd.create's own parameters: the link the 淘口令 opens.
Parameters tpwdCreate(const QString &url);

// The whole call: method, app_key, timestamp, format, v, sign_method and simplify, then
// `own`, without any parameter whose value is empty, then "sign".
Parameters signedCall(QStringView method, const Parameters &own, const itemsource::OpenPlatformSetup &account,
                      const QDateTime &now);

// name=value pairs joined by "&", each percent-encoded from UTF-8 (a "+" as %2B, a blank as %20).
QByteArray formBody(const Parameters &parameters);

} // namespace openplatform
