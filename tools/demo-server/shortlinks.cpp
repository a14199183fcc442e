#include "shortlinks.h"

#include <QCryptographicHash>

namespace demo {

namespace {

// Six characters of base 62 taken from a hash of the link (and a counter on a collision).
QString codeFor(const QString &longUrl, int attempt)
{
    static constexpr char alphabet[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QByteArray input = longUrl.toUtf8();
    if (attempt > 0)
        input += '#' + QByteArray::number(attempt);
    const QByteArray digest = QCryptographicHash::hash(input, QCryptographicHash::Sha1);
    quint64 value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | quint8(digest[i]);
    QString code;
    for (int i = 0; i < 6; ++i) {
        code += QLatin1Char(alphabet[value % 62]);
        value /= 62;
    }
    return code;
}

} // namespace

ShortLinks::Refusal ShortLinks::check(const QString &longUrl)
{
    if (longUrl.isEmpty())
        return Refusal::Empty;
    if (longUrl.size() > maxUrlLength)
        return Refusal::TooLong;
    const bool http = longUrl.startsWith(u"http://", Qt::CaseInsensitive) ||
                      longUrl.startsWith(u"https://", Qt::CaseInsensitive);
    if (!http || longUrl.size() <= longUrl.indexOf(u"//") + 2)
        return Refusal::NotHttp;
    for (const QChar c : longUrl) {
        if (c.unicode() <= 0x20 || c.unicode() == 0x7f)
            return Refusal::NotHttp;
    }
    return Refusal::None;
}

QString ShortLinks::shorten(const QString &longUrl, Refusal *refusal)
{
    Refusal why = check(longUrl);
    QString code = m_codes.value(longUrl);
    if (why == Refusal::None && code.isEmpty()) {
        if (m_links.size() >= maxLinks) {
            why = Refusal::Full;
        } else {
            for (int attempt = 0; code.isEmpty() || m_links.contains(code); ++attempt)
                code = codeFor(longUrl, attempt);
            m_links.insert(code, longUrl);
            m_codes.insert(longUrl, code);
        }
    }
    if (refusal)
        *refusal = why;
    return why == Refusal::None ? code : QString();
}

} // namespace demo
