#pragma once

#include <limits>
#include <optional>

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include "topreply.h"

// The pieces every reader of the gateway's JSON replies shares: the reply as an object, its
// values as text, its lists in any of their forms, its answer in either shape and its error.
namespace openplatform {

// The reply as a JSON object, ids written as bare numbers kept exact; nothing for anything else.
std::optional<QJsonObject> parseObject(const QByteArray &json);

// A string, number or truth value as text, trimmed (real replies carry stray blanks); empty for
// anything else.
QString text(const QJsonValue &value);

// The elements of a list: an array, an object holding one list, or a single object; the first
// `limit` of them that are objects with members.
QList<QJsonObject> listOf(const QJsonValue &value, qsizetype limit = std::numeric_limits<qsizetype>::max());

// The method's members: the top in the simplified shape, "<method>_response" in the full one.
QJsonObject answerOf(const QJsonObject &top);

// The error the reply reports, if it is one: an error_response in whatever form, or a non-zero
// code at the top with its msg.
std::optional<TopError> errorOf(const QJsonObject &top);

} // namespace openplatform
