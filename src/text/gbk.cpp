#include "gbk.h"

#include <array>
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

// Every BMP character that some GBK code reads as, with that code. Built by decoding every code,
// so a character counts only when it survives the way back; the encoder's one-way best fits do
// not. No two GBK codes read as the same character, so the code is the encoder's too.
struct Table
{
    std::bitset<0x10000> encodable;
    std::array<quint16, 0x10000> codes{};
};

const Table &table()
{
    static const std::unique_ptr<Table> built = [] {
        auto t = std::make_unique<Table>();
        QStringDecoder decoder("GBK");
        const auto mark = [&](QByteArrayView bytes, unsigned code) {
            decoder.resetState();
            const QString text = decodeFlushed(decoder, bytes);
            if (text.size() != 1 || text.front() == QChar::ReplacementCharacter)
                return;
            const char16_t c = text.front().unicode();
            if (!t->encodable.test(c)) {
                t->encodable.set(c);
                t->codes[c] = quint16(code);
            }
        };
        for (unsigned byte = 0; byte <= 0xFF; ++byte) {
            const char single = static_cast<char>(byte);
            mark(QByteArrayView(&single, 1), byte);
        }
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                mark(QByteArrayView(pair, 2), lead * 256 + trail);
            }
        }
        return t;
    }();
    return *built;
}

const std::bitset<0x10000> &encodable()
{
    return table().encodable;
}

// The text in GBK, with `mark` writing what stands for each character GBK cannot hold (a
// surrogate pair is one character, a lone surrogate U+FFFD). The converter is never left to
// decide: it writes "?" for some such characters and leaves others out without a trace (U+200B,
// U+FFF7 and the other default-ignorable ones).
template <typename Mark> QByteArray encodeMarked(QStringView text, Mark mark)
{
    // Most text is plain GBK: only copy when something has to be marked.
    qsizetype first = 0;
    while (first < text.size() && encodable().test(text[first].unicode()))
        ++first;
    // Only characters GBK holds reach the converter, so it is never left with one half done.
    thread_local QStringEncoder encoder("GBK");
    encoder.resetState();
    if (first == text.size())
        return encoder.encode(text);

    QString marked;
    marked.reserve(text.size() + 16);
    marked.append(text.first(first));
    for (qsizetype i = first; i < text.size(); ++i) {
        const QChar c = text[i];
        if (encodable().test(c.unicode())) {
            marked.append(c);
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            mark(marked, QChar::surrogateToUcs4(c, text[i + 1]));
            ++i;
        } else {
            mark(marked, c.isSurrogate() ? char32_t(QChar::ReplacementCharacter) : char32_t(c.unicode()));
        }
    }
    return encoder.encode(marked);
}

} // namespace

QString decode(QByteArrayView bytes)
{
    // Opening a converter costs more than most texts take to convert, so each thread keeps one.
    // It is never left with a sequence half done (see decodeFlushed).
    thread_local QStringDecoder decoder("GBK");
    decoder.resetState();
    return decodeFlushed(decoder, bytes);
}

QByteArray encode(QStringView text)
{
    return encodeMarked(text, [](QString &out, char32_t) { out += u'?'; });
}

bool canEncode(char32_t codePoint)
{
    return codePoint < 0x10000 && encodable().test(codePoint);
}

QByteArray encodeHtml(QStringView text)
{
    return encodeMarked(text, [](QString &out, char32_t codePoint) {
        out += u"&#x"_qs + QString::number(codePoint, 16).toUpper() + u';';
    });
}

unsigned code(QChar c)
{
    const Table &t = table();
    return t.encodable.test(c.unicode()) ? t.codes[c.unicode()] : unsigned('?');
}

QChar decodePair(unsigned char lead, unsigned char trail)
{
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    const QString text = decode(QByteArrayView(pair, 2));
    return text.size() == 1 ? text.front() : QChar(QChar::ReplacementCharacter);
}

} // namespace gbk
