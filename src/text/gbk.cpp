#include "gbk.h"

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
