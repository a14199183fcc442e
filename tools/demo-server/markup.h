#pragma once

#include <QString>

// Escaping for the three kinds of text the demo service writes: XML/HTML and JSON.
namespace demo {

// & < > " become entities, as both the XML of the item query and the HTML pages need.
QString escapeMarkup(QStringView text);

// A JSON string literal with its quotes, written the way PHP's json_encode writes it: "/" as
// "\/" and every character outside ASCII as \uXXXX, so the reply is plain ASCII.
QString jsonString(QStringView text);

} // namespace demo
