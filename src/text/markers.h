#pragma once

#include <optional>

#include <QString>

// The error text of jiequ when a marker is missing. Callers search results for this whole text.
inline QString jiequErrorText()
{
    return QStringLiteral("错误|待截取内容不包含起始字符(或终止字符)");
}

// jiequ: the piece between two markers. Returns the piece, or the error text
// "错误|待截取内容不包含起始字符(或终止字符)" when either marker is absent from the whole text.
// Returns std::nullopt (a failure the caller sees) when the end marker does not follow the start
// marker (searched after the start marker, also when the start marker is kept). In special mode the caller's
// text is advanced to the cut point before the end search, also when that search then fails. The piece loses
// U+0020 at both ends (tabs and line breaks stay).
std::optional<QString> jiequ(QString &待截取内容, const QString &起始字符, const QString &终止字符,
                             bool 特殊模式, bool 保留起始字符, bool 保留终止字符);
