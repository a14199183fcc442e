#pragma once

#include <QStringView>

// The item count the window accepts, and what it says about one outside those bounds. A run
// checks the count again: the settings file or a command line may hold any text.
namespace inputrules {

inline constexpr int minItemCount = 2;
inline constexpr int maxItemCount = 40;

inline constexpr QStringView countTooSmall = u"数量不能小于2";
inline constexpr QStringView countTooLarge = u"数量不能大于40";

// The message for a count's numeric value, or empty when the count is usable.
inline QStringView countRefusal(double count)
{
    if (count <= minItemCount - 1)
        return countTooSmall;
    if (count > maxItemCount)
        return countTooLarge;
    return {};
}

} // namespace inputrules
