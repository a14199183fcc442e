#pragma once

#include <QByteArray>
#include <QString>

// Every file the program reads or writes (templates, generated pages, the settings file) is in
// the Simplified Chinese ANSI code page, GBK, whatever the locale of the machine it runs on.
namespace gbk {

// The whole text: a lead byte with nothing after it at the end becomes U+FFFD, never nothing.
QString decode(QByteArrayView bytes);
// A character GBK cannot represent becomes "?", as the Windows conversion makes it.
QByteArray encode(QStringView text);

// Like encode(), but a character GBK cannot represent becomes a numeric character reference
// ("&#x1F600;"), so a page or file keeps it; a lone surrogate becomes "&#xFFFD;".
QByteArray encodeHtml(QStringView text);

// True when GBK has a code for the character and reading that code gives the character back.
bool canEncode(char32_t codePoint);

// The character's code in GBK: one byte, or lead byte * 256 + trail byte. A character GBK
// cannot represent gets the code of "?" as the Windows conversion does.
unsigned code(QChar c);

// Decodes exactly one double-byte pair; returns U+FFFD when GBK does not define it.
QChar decodePair(unsigned char lead, unsigned char trail);

// GBK's lead bytes. 0x80 (the euro sign) and 0xFF are single bytes.
constexpr bool isLeadByte(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

} // namespace gbk
