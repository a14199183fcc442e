#include "gbk.h"

#include <bitset>
#include <memory>

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

namespace {

// The converters keep an unfinished sequence for a next call that never comes, so a lone lead
// byte (or high surrogate) at the end would vanish. A NUL after it is never part of a sequence:
// it flushes what is pending and is then taken off again.
QString decodeFlushed(QStringDecoder &decoder, QByteArrayView bytes)
{
    QByteArray input;
    input.reserve(bytes.size() + 1);
    input.append(bytes);
    input.append('\0');
    QString text = decoder.decode(input);
    text.chop(1);
    return text;
}

// Every BMP character that some GBK code reads as. Built by decoding every code, so a character
// counts only when it survives the way back; the encoder's one-way best fits do not.
const std::bitset<0x10000> &encodable()
{
    static const std::unique_ptr<std::bitset<0x10000>> table = [] {
        auto set = std::make_unique<std::bitset<0x10000>>();
        QStringDecoder decoder("GBK");
        const auto mark = [&](QByteArrayView code) {
            decoder.resetState();
            const QString text = decodeFlushed(decoder, code);
            if (text.size() == 1 && text.front() != QChar::ReplacementCharacter)
                set->set(text.front().unicode());
        };
        for (int byte = 0; byte <= 0xFF; ++byte) {
            const char single = static_cast<char>(byte);
            mark(QByteArrayView(&single, 1));
        }
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                mark(QByteArrayView(pair, 2));
            }
        }
        return set;
    }();
    return *table;
}

void appendReference(QString &out, char32_t codePoint)
{
    out += u"&#x"_qs + QString::number(codePoint, 16).toUpper() + u';';
}

} // namespace

QString decode(QByteArrayView bytes)
{
    QStringDecoder decoder("GBK");
    return decodeFlushed(decoder, bytes);
}

QByteArray encode(QStringView text)
{
    QStringEncoder encoder("GBK");
    QString input;
    input.reserve(text.size() + 1);
    input.append(text);
    input.append(QChar(u'\0'));
    QByteArray bytes = encoder.encode(input);
    bytes.chop(1);
    return bytes;
}

bool canEncode(char32_t codePoint)
{
    return codePoint < 0x10000 && encodable().test(codePoint);
}

QByteArray encodeHtml(QStringView text)
{
    // Most text is plain GBK: only copy when a reference is needed.
    qsizetype first = 0;
    while (first < text.size() && canEncode(text[first].unicode()))
        ++first;
    if (first == text.size())
        return encode(text);

    QString marked;
    marked.reserve(text.size() + 16);
    marked.append(text.first(first));
    for (qsizetype i = first; i < text.size(); ++i) {
        const QChar c = text[i];
        if (canEncode(c.unicode())) {
            marked.append(c);
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            appendReference(marked, QChar::surrogateToUcs4(c, text[i + 1]));
            ++i;
        } else if (c.isSurrogate()) {
            appendReference(marked, QChar::ReplacementCharacter);
        } else {
            appendReference(marked, c.unicode());
        }
    }
    return encode(marked);
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
