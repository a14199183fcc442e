#include "webtext.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include <QByteArrayView>
#include <QUrl>

namespace webtext {

namespace {

constexpr qsizetype maxAddressLength = 2048;

bool isHiddenOrBreaking(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return c < 0x80 && QByteArrayView("\"'<>\\`").contains(char(c));
    }
}

} // namespace

QString htmlEscaped(QStringView text)
{
    static constexpr std::pair<char16_t, QStringView> entities[] = {
        {u'&', u"&amp;"}, {u'<', u"&lt;"}, {u'>', u"&gt;"}, {u'"', u"&quot;"}, {u'\'', u"&#39;"}};
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        const auto entity = std::find_if(std::begin(entities), std::end(entities),
                                         [c](const auto &e) { return e.first == c.unicode(); });
        if (entity != std::end(entities))
            out += entity->second;
        else
            out += c;
    }
    return out;
}

bool isHttpUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https");
}

bool isPlainWebAddress(QStringView address)
{
    if (address.size() > maxAddressLength)
        return false;
    if (!address.startsWith(u"http://", Qt::CaseInsensitive) &&
        !address.startsWith(u"https://", Qt::CaseInsensitive))
        return false;
    for (qsizetype i = 0; i < address.size(); ++i) {
        char32_t c = address[i].unicode();
        if (address[i].isHighSurrogate() && i + 1 < address.size() && address[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(address[i], address[i + 1]);
            ++i;
        } else if (address[i].isSurrogate()) {
            return false;
        }
        if (isHiddenOrBreaking(c))
            return false;
    }
    return isHttpUrl(QUrl(address.toString(), QUrl::StrictMode));
}

} // namespace webtext
