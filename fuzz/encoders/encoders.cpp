// The URL and UTF-8 encoders: what they write decodes back to the text's bytes, and holds
// nothing a request body could trip over.
//
// Input: text (see fuzzinput::text).

#include <cstdint>

#include "encoders.h"
#include "fuzzinput.h"
#include "gbk.h"

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1; // the encoders write upper-case digits only
}

// Reads "%XX" escapes back into bytes; other characters (a surrogate pair as one) as `plain`
// makes them bytes.
template <typename Plain> std::optional<QByteArray> unescape(const QString &encoded, Plain plain)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != u'%') {
            const bool pair =
                encoded[i].isHighSurrogate() && i + 1 < encoded.size() && encoded[i + 1].isLowSurrogate();
            bytes += plain(QStringView(encoded).sliced(i, pair ? 2 : 1));
            i += pair ? 1 : 0;
            continue;
        }
        if (i + 2 >= encoded.size() || hexValue(encoded[i + 1]) < 0 || hexValue(encoded[i + 2]) < 0)
            return std::nullopt;
        bytes += char(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
        i += 2;
    }
    return bytes;
}

QString withoutLoneSurrogates(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += text[i];
            out += text[++i];
        } else {
            out += text[i].isSurrogate() ? QChar(QChar::ReplacementCharacter) : text[i];
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzzinput::text(std::string_view(reinterpret_cast<const char *>(data), size));
    const bool hasPercent = text.contains(u'%');

    // UTF8Encode: ASCII as it is, everything else as the escaped bytes of its UTF-8 form.
    const QString utf8 = UTF8Encode(text);
    for (const QChar c : utf8)
        FUZZ_CHECK(c.unicode() < 0x80);
    if (!hasPercent) {
        const auto bytes = unescape(utf8, [](QStringView c) { return c.toLatin1(); });
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        FUZZ_CHECK(bytes && QString(utf8.decode(*bytes)) == withoutLoneSurrogates(text));
    }

    // URLEncode: letters and digits, and escapes of the GBK bytes of everything else.
    const QString url = URLEncode(text);
    for (const QChar c : url)
        FUZZ_CHECK((c.isDigit() || c.isLetter() || c == u'%') && c.unicode() < 0x80);
    const auto urlBytes = unescape(url, [](QStringView c) { return c.toLatin1(); });
    FUZZ_CHECK(urlBytes && *urlBytes == gbk::encode(text));

    // URLEncoding: single-byte characters as they are, escapes of the bytes of the others.
    const QString encoding = URLEncoding(text);
    if (!hasPercent) {
        const auto bytes = unescape(encoding, [](QStringView c) { return gbk::encode(c); });
        FUZZ_CHECK(bytes && *bytes == gbk::encode(text));
    }
    return 0;
}
