#pragma once

#include <QList>
#include <QString>
#include <utility>

#include "itemsource.h"

// Signing the open platform's calls.
namespace openplatform {

// A call's parameters as name and raw (not percent-encoded) value, in the order they were added.
using Parameters = QList<std::pair<QString, QString>>;

// The signature of `parameters` (every one but "sign", sorted by name in byte order, joined as
// name1value1name2value2... in UTF-8) with `secret`: MD5(secret + S + secret), HMAC-MD5 or
// HMAC-SHA256 keyed with the secret, as upper-case hex.
QString sign(const Parameters &parameters, const QString &secret, itemsource::SignMethod method);

} // namespace openplatform
