#pragma once

#include <QHash>
#include <QString>

namespace demo {

// The short links the demo service has handed out, kept for as long as it runs. The same long
// link always gets the same code.
class ShortLinks
{
public:
    enum class Refusal { None, Empty, NotHttp, TooLong, Full };

    // Only http and https links without blanks or control characters are taken: the long link
    // ends up in a Location header and in pages, where anything else would be unsafe.
    static Refusal check(const QString &longUrl);

    // The code for `longUrl`, made on first use; empty with `refusal` set when it is refused.
    QString shorten(const QString &longUrl, Refusal *refusal = nullptr);

    // The long link of a code; empty when the code is unknown.
    QString resolve(const QString &code) const { return m_links.value(code); }

    qsizetype size() const { return m_links.size(); }

    static constexpr qsizetype maxLinks = 200000;
    static constexpr qsizetype maxUrlLength = 4096;

private:
    QHash<QString, QString> m_links; // code -> long link
    QHash<QString, QString> m_codes; // long link -> code
};

} // namespace demo
