#pragma once

#include <optional>

#include <QByteArrayView>
#include <QString>

// Reads reply bytes as GBK: a byte below 0x80 is one character, every other byte starts a pair
// with the byte after it (whatever its value). A pair GBK does not define gives U+FFFD.
// std::nullopt when a byte >= 0x80 stands last (no second byte).
std::optional<QString> bytes2BSTR(QByteArrayView vIn);
