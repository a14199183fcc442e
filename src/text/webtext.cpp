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

QString jsonInScript(QStringView json)
{
    QString out;
    out.reserve(json.size());
    for (const QChar c : json) {
        const char16_t u = c.unicode();
        if (u == u'<' || u == u'>' || u == u'&' || u >= 0x7F)
            out += u"\\u"_qs + QString::number(u, 16).rightJustified(4, u'0');
        else
            out += c;
    }
    return out;
}

QString plainText(QStringView html)
{
    static const std::pair<QStringView, QStringView> named[] = {
        {u"amp", u"&"}, {u"lt", u"<"}, {u"gt", u">"}, {u"quot", u"\""}, {u"apos", u"'"}, {u"nbsp", u" "}};
    QString out;
    for (qsizetype i = 0; i < html.size(); ++i) {
        if (html[i] == u'<') {
            const qsizetype close = html.indexOf(u'>', i);
            if (close < 0)
                break;
            i = close;
            continue;
        }
        const qsizetype semicolon = html[i] == u'&' ? html.indexOf(u';', i) : -1;
        if (semicolon > i && semicolon - i <= 10) {
            const QStringView name = html.sliced(i + 1, semicolon - i - 1);
            QString decoded;
            if (name.startsWith(u'#')) {
                bool ok = false;
                const uint code = name.size() > 1 && (name[1] == u'x' || name[1] == u'X')
                                      ? name.sliced(2).toUInt(&ok, 16)
                                      : name.sliced(1).toUInt(&ok, 10);
                if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                    const char32_t one = code;
                    decoded = QString::fromUcs4(&one, 1);
                }
            } else {
                for (const auto &[entity, character] : named)
                    if (name == entity)
                        decoded = character.toString();
            }
            if (!decoded.isEmpty()) {
                out += decoded;
                i = semicolon;
                continue;
            }
        }
        out += html[i];
    }
    return out;
}

} // namespace webtext
