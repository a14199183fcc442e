#pragma once

#include <QByteArray>
#include <QString>

// Every file the program reads or writes (templates, generated pages, the settings file) is in
// the Simplified Chinese ANSI code page, GBK, whatever the locale of the machine it runs on.
namespace gbk {

QString decode(QByteArrayView bytes);
QByteArray encode(QStringView text);

// The text in GBK for an HTML page: a character GBK cannot hold (an emoji, "™") becomes a numeric
// character reference such as "&#x1F525;" instead of "?", so no character is lost. A lone
// surrogate becomes "&#xFFFD;".
QByteArray encodeForHtml(QStringView text);

// The character's code in GBK: one byte, or lead byte * 256 + trail byte. A character GBK
// cannot represent gets the code of "?" as the Windows conversion does.
unsigned code(QChar c);

// Decodes exactly one double-byte pair; returns U+FFFD when GBK does not define it.
QChar decodePair(unsigned char lead, unsigned char trail);

} // namespace gbk
