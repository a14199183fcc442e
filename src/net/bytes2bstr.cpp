#include "bytes2bstr.h"

#include "gbk.h"

std::optional<QString> bytes2BSTR(QByteArrayView vIn)
{
    QString out;
    out.reserve(vIn.size());
    for (qsizetype i = 0; i < vIn.size(); ++i) {
        const auto b = static_cast<unsigned char>(vIn[i]);
        if (b < 0x80) {
            out += QChar(char16_t(b));
            continue;
        }
        if (i + 1 >= vIn.size())
            return std::nullopt;
        out += gbk::decodePair(b, static_cast<unsigned char>(vIn[++i]));
    }
    return out;
}
