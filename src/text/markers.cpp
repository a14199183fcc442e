#include "markers.h"

#include "textops.h"

std::optional<QString> jiequ(QString &待截取内容, const QString &起始字符, const QString &终止字符,
                             bool 特殊模式, bool 保留起始字符, bool 保留终止字符)
{
    // Presence is tested on the whole text, so an end marker that only stands before the start
    // marker passes here and fails below.
    const qsizetype start = 待截取内容.indexOf(起始字符);
    if (start < 0 || !待截取内容.contains(终止字符))
        return jiequErrorText();

    const qsizetype skip = 保留起始字符 ? 0 : 起始字符.size();
    const QString cut = 待截取内容.mid(start + skip);
    if (特殊模式)
        待截取内容 = cut;

    // The end marker is looked for after the start marker also when the start marker is kept:
    // inside it ("tinyurl\":\"" holds the quote that ends the value) it ends nothing. No end marker
    // after the start marker: there is no piece. Including the end marker does not make one up.
    const qsizetype end = cut.indexOf(终止字符, 保留起始字符 ? 起始字符.size() : 0);
    if (end < 0)
        return std::nullopt;

    const qsizetype extra = 保留终止字符 ? 终止字符.size() : 0;
    return textops::trimSpaces(QStringView(cut).left(end + extra));
}
