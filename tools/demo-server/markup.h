#pragma once

#include <QString>

// JSON text as the shortening service writes it (markup is escaped with webtext::htmlEscaped).
namespace demo {

// A JSON string literal with its quotes, written the way PHP's json_encode writes it: "/" as
// "\/" and every character outside ASCII as \uXXXX, so the reply is plain ASCII.
QString jsonString(QStringView text);

} // namespace demo
