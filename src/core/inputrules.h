#pragma once

#include <algorithm>

#include <QStringView>

// The item count the window accepts, and what it says about one outside those bounds. A run
// checks the count again: the settings file or a command line may hold any text.
namespace inputrules {

inline constexpr int minItemCount = 2;
inline constexpr int maxItemCount = 40;

inline constexpr QStringView countTooSmall = u"数量不能小于2";
inline constexpr QStringView countTooLarge = u"数量不能大于40";
inline constexpr QStringView countNotWhole = u"数量必须是整数";

// The message for a count's numeric value, or empty when the count is usable.
inline QStringView countRefusal(double count)
{
    if (count <= minItemCount - 1)
        return countTooSmall;
    if (count > maxItemCount)
        return countTooLarge;
    return {};
}

// The message for a count given as text where no box of the window stands guard (a command line,
// a keyword file, a batch's settings), or empty when it is usable. The window reads "1.5" as a
// number and "abc" as 0; here only a whole number in decimal digits is one, so a slip is named
// for what it is rather than making a one-item page.
inline QStringView countTextRefusal(QStringView text)
{
    text = text.trimmed();
    const bool negative = text.startsWith(u'-');
    if (negative || text.startsWith(u'+'))
        text = text.sliced(1);
    if (text.isEmpty() ||
        !std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return countNotWhole;
    while (text.size() > 1 && text.front() == u'0')
        text = text.sliced(1);
    if (negative)
        return countTooSmall;
    // Many digits cannot fit an int and are too large in any case.
    return text.size() > 3 ? countTooLarge : countRefusal(text.toInt());
}

} // namespace inputrules
