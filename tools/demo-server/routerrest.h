#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

#include "catalogue.h"
#include "gatewayparts.h"
#include "orderdetails.h"
#include "shortlinks.h"

// The open platform's REST gateway, /router/rest, as far as the program uses it: the material
// search and tpwd.create, signed with the demo account.
namespace demo {

inline constexpr QStringView demoAppKey = u"demo-app";
inline constexpr QStringView demoAppSecret = u"demo-secret";

// How far a call's timestamp may be from the gateway's clock.
inline constexpr int timestampWindowSecs = 10 * 60;

CallParameters callParameters(QByteArrayView query, QByteArrayView body);

// The JSON answer to one call: the method's result, or an error_response when the call is
// unusable (unknown method, wrong app_key, stale timestamp, bad signature, missing or invalid
// parameters). `origin` is "http://127.0.0.1:PORT"; links are handed out protocol-relative.
// Converted links are made short links of `shortLinks`, when given. A `fresh` number other than 0
// goes into every link and 淘口令 handed out, as a live gateway mints new ones per call. Orders come
// from `orders`.
QByteArray routerRestReply(const Catalogue &catalogue, const CallParameters &call, const QString &origin,
                           const QDateTime &now, ShortLinks *shortLinks = nullptr, quint64 fresh = 0,
                           OrderBook *orders = nullptr);

// The demo's 淘口令 for a link: "￥", eleven letters and digits, "￥"; the same item link gets the
// same one, whatever host and port it names.
QString demoTpwd(const QString &url);

} // namespace demo
