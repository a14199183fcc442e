// Byte decoding and the GBK codec: nothing vanishes on the way in, text that GBK holds comes
// back unchanged, and a page keeps every character, as itself or as a character reference.
//
// Input: bytes, read as GBK, by bytes2BSTR, and as text (see fuzzinput::text).

#include <cstdint>

#include "bytes2bstr.h"
#include "fuzzinput.h"
#include "gbk.h"

namespace {

bool isTrail(unsigned char b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// The characters bytes2BSTR makes of the bytes: one per byte below 0x80, one per pair after a
// byte of 0x80 or more; nothing when such a byte is the last.
std::optional<qsizetype> pairedLength(QByteArrayView bytes)
{
    qsizetype characters = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i, ++characters) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80)
            continue;
        if (++i >= bytes.size())
            return std::nullopt;
    }
    return characters;
}

QString expectedHtml(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(text[i], text[i + 1]), ++i;
        else if (text[i].isSurrogate())
            c = QChar::ReplacementCharacter;
        if (gbk::canEncode(c))
            out += QChar(char16_t(c));
        else
            out += u"&#x"_qs + QString::number(c, 16).toUpper() + u';';
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));

    // Decoding: at most one character a byte, never nothing from something, and what decodes
    // without a replacement character encodes back to the same text.
    const QString decoded = gbk::decode(bytes);
    FUZZ_CHECK(decoded.size() <= bytes.size());
    FUZZ_CHECK(decoded.isEmpty() == bytes.isEmpty());
    qsizetype wellFormed = 0; // characters the bytes make by GBK's own rules
    for (qsizetype i = 0; i < bytes.size(); ++i, ++wellFormed) {
        if (gbk::isLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() &&
            isTrail(static_cast<unsigned char>(bytes[i + 1])))
            ++i;
    }
    FUZZ_CHECK(decoded.size() >= wellFormed);
    if (!decoded.contains(QChar(QChar::ReplacementCharacter)))
        FUZZ_CHECK(gbk::decode(gbk::encode(decoded)) == decoded);

    // bytes2BSTR: one character per byte or pair, or a failure for a lead byte at the end.
    const std::optional<QString> paired = bytes2BSTR(bytes);
    const std::optional<qsizetype> length = pairedLength(bytes);
    FUZZ_CHECK(paired.has_value() == length.has_value());
    if (paired)
        FUZZ_CHECK(paired->size() == *length);

    // Encoding: a character GBK cannot hold is "?" in plain GBK and its reference in a page.
    const QString text = fuzzinput::text(std::string_view(reinterpret_cast<const char *>(data), size));
    const QByteArray html = gbk::encodeHtml(text);
    FUZZ_CHECK(gbk::decode(html) == expectedHtml(text));
    const QByteArray plain = gbk::encode(text);
    FUZZ_CHECK(plain.size() <= 2 * text.size());
    if (expectedHtml(text) == text)
        FUZZ_CHECK(plain == html && gbk::decode(plain) == text);
    return 0;
}
