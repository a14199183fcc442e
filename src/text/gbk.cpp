#include "gbk.h"

#include <optional>

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

QString decode(QByteArrayView bytes)
{
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

QByteArray encode(QStringView text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QByteArray encodeForHtml(QStringView text)
{
    QStringEncoder encoder("GBK");
    // Characters are tried on an encoder of their own: once it has met a character it cannot
    // encode it keeps reporting an error, so it is replaced after each such character.
    std::optional<QStringEncoder> probe;
    QStringDecoder decoder("GBK");
    QByteArray out;
    out.reserve(text.size() * 2);
    qsizetype plainFrom = 0; // start of the run of characters not yet written
    const auto flushPlain = [&](qsizetype end) {
        if (end > plainFrom)
            out += encoder.encode(text.sliced(plainFrom, end - plainFrom));
    };
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c.unicode() < 0x80) {
            ++i;
            continue;
        }
        char32_t point = c.unicode();
        qsizetype width = 1;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            point = QChar::surrogateToUcs4(c, text[i + 1]);
            width = 2;
        } else if (c.isSurrogate()) {
            point = QChar::ReplacementCharacter;
        }
        // A character GBK holds comes back unchanged from a round trip; any other was replaced.
        bool representable = false;
        if (width == 1 && !c.isSurrogate()) {
            if (!probe)
                probe.emplace("GBK");
            const QByteArray bytes = probe->encode(text.sliced(i, 1));
            representable = !probe->hasError() && QString(decoder.decode(bytes)) == text.sliced(i, 1);
            if (!representable)
                probe.reset();
            decoder.resetState();
        }
        if (!representable) {
            flushPlain(i);
            out += "&#x" + QByteArray::number(quint32(point), 16).toUpper() + ';';
            plainFrom = i + width;
        }
        i += width;
    }
    flushPlain(text.size());
    return out;
}

unsigned code(QChar c)
{
    const QByteArray bytes = encode(QStringView(&c, 1));
    if (bytes.size() == 1)
        return static_cast<unsigned char>(bytes[0]);
    if (bytes.size() == 2)
        return static_cast<unsigned char>(bytes[0]) * 256u + static_cast<unsigned char>(bytes[1]);
    return '?';
}

QChar decodePair(unsigned char lead, unsigned char trail)
{
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    const QString text = decode(QByteArrayView(pair, 2));
    return text.size() == 1 ? text.front() : QChar(QChar::ReplacementCharacter);
}

} // namespace gbk
