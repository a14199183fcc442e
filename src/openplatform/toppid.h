#pragma once

#include <optional>

#include <QString>
#include <QStringView>

// The full affiliate PID the open platform needs: mm_<member>_<site>_<adzone>.
namespace openplatform {

// The adzone (推广位) of a full PID: three decimal numbers of up to 64 bits after "mm_", the
// adzone above zero, nothing else around them. Empty for any other text.
std::optional<QString> adzoneOf(QStringView pid);

// What the PID box says about `pid`, or empty text when it is a full PID. The old forms (eight
// digits, mm_..._0_0) are told that they name no 推广位.
QString pidRefusal(QStringView pid);

} // namespace openplatform
