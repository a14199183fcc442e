#pragma once

#include <QString>

// Percent-escaping of request body values. Hex digits are upper case in all three.

// Characters below U+0080 stay as they are; every other character becomes its UTF-8 bytes, each
// as "%XX". A surrogate pair becomes the single 4-byte sequence of its character; a lone surrogate
// becomes the bytes of U+FFFD.
QString UTF8Encode(QStringView szInput);

// ASCII digits and letters stay as they are; every other character becomes "%XX" of its GBK code,
// both bytes ("%XX%XX") for a double-byte character. A space becomes %20, never "+".
QString URLEncode(QStringView input_url);

// Characters whose GBK code is a single byte below 0xFF stay as they are; a double-byte character
// becomes "%XX%XX" of its two GBK bytes, the byte 0xFF (U+F8F5) "%FF". A character GBK cannot
// represent is left as it is.
QString URLEncoding(QStringView vstrIn);
