#include "encoders.h"

#include "gbk.h"

namespace {

void appendByte(QString &out, unsigned byte)
{
    static constexpr char16_t digits[] = u"0123456789ABCDEF";
    out += u'%';
    out += QChar(digits[(byte >> 4) & 0xF]);
    out += QChar(digits[byte & 0xF]);
}

bool isAsciiAlnum(char16_t u)
{
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

// The character at i as a code point, and how many code units it takes. A lone surrogate
// becomes U+FFFD: encoding its half on its own would write invalid UTF-8.
char32_t codePointAt(QStringView text, qsizetype i, qsizetype &units)
{
    const QChar c = text[i];
    units = 1;
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        units = 2;
        return QChar::surrogateToUcs4(c, text[i + 1]);
    }
    if (c.isSurrogate())
        return QChar::ReplacementCharacter;
    return c.unicode();
}

} // namespace

QString UTF8Encode(QStringView szInput)
{
    QString out;
    out.reserve(szInput.size());
    for (qsizetype i = 0; i < szInput.size();) {
        qsizetype units = 1;
        const char32_t cp = codePointAt(szInput, i, units);
        i += units;
        if (cp < 0x80) {
            out += QChar(char16_t(cp));
        } else if (cp < 0x800) {
            appendByte(out, 0xC0 | (cp >> 6));
            appendByte(out, 0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            appendByte(out, 0xE0 | (cp >> 12));
            appendByte(out, 0x80 | ((cp >> 6) & 0x3F));
            appendByte(out, 0x80 | (cp & 0x3F));
        } else {
            appendByte(out, 0xF0 | (cp >> 18));
            appendByte(out, 0x80 | ((cp >> 12) & 0x3F));
            appendByte(out, 0x80 | ((cp >> 6) & 0x3F));
            appendByte(out, 0x80 | (cp & 0x3F));
        }
    }
    return out;
}

QString URLEncode(QStringView input_url)
{
    QString out;
    out.reserve(input_url.size() * 3);
    for (qsizetype i = 0; i < input_url.size(); ++i) {
        const QChar c = input_url[i];
        if (isAsciiAlnum(c.unicode())) {
            out += c;
            continue;
        }
        // A character beyond GBK (a surrogate pair among them) is "?" in GBK, as one character.
        if (c.isHighSurrogate() && i + 1 < input_url.size() && input_url[i + 1].isLowSurrogate()) {
            ++i;
            appendByte(out, '?');
            continue;
        }
        const unsigned code = gbk::code(c);
        if (code > 0xFF)
            appendByte(out, code >> 8);
        appendByte(out, code & 0xFF);
    }
    return out;
}

QString URLEncoding(QStringView vstrIn)
{
    QString out;
    out.reserve(vstrIn.size() * 3);
    for (const QChar c : vstrIn) {
        const unsigned code = gbk::code(c);
        // Every double-byte GBK code has a lead byte of 0x81 or more, so "below 255" singles
        // out the one-byte codes but one: 0xFF is a single byte too, written as that one byte.
        if (code < 0xFF) {
            out += c;
            continue;
        }
        if (code > 0xFF)
            appendByte(out, code >> 8);
        appendByte(out, code & 0xFF);
    }
    return out;
}
