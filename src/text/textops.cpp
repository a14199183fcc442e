#include "textops.h"

#include <charconv>
#include <cmath>
#include <string>

#include <QLocale>
#include <QStringDecoder>

namespace textops {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Walks a text while skipping blanks, as the numeric value rule wants.
class Reader
{
public:
    explicit Reader(QStringView text)
        : m_text(text)
    {
        skip();
    }
    bool atEnd() const { return m_pos >= m_text.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_text[m_pos]; }
    QChar take()
    {
        const QChar c = peek();
        ++m_pos;
        skip();
        return c;
    }
    qsizetype pos() const { return m_pos; }
    void seek(qsizetype pos) { m_pos = pos; }

private:
    void skip()
    {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
            ++m_pos;
    }
    QStringView m_text;
    qsizetype m_pos = 0;
};

double radixValue(Reader &reader, int radix)
{
    double value = 0;
    for (;;) {
        const char16_t c = reader.peek().toUpper().unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0 || digit >= radix)
            return value;
        value = value * radix + digit;
        reader.take();
    }
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

double numericValue(QStringView text)
{
    Reader reader(text);
    if (reader.peek() == u'&') {
        const qsizetype start = reader.pos();
        reader.take();
        const QChar prefix = reader.peek().toUpper();
        if (prefix == u'H' || prefix == u'O') {
            reader.take();
            return radixValue(reader, prefix == u'H' ? 16 : 8);
        }
        reader.seek(start);
        return 0;
    }

    // Collect the characters of the number without blanks, then let the C library read them.
    std::string digits;
    if (reader.peek() == u'+' || reader.peek() == u'-')
        digits += static_cast<char>(reader.take().toLatin1());
    bool anyDigit = false;
    while (isDigit(reader.peek())) {
        digits += static_cast<char>(reader.take().toLatin1());
        anyDigit = true;
    }
    if (reader.peek() == u'.') {
        digits += static_cast<char>(reader.take().toLatin1());
        while (isDigit(reader.peek())) {
            digits += static_cast<char>(reader.take().toLatin1());
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;
    const QChar e = reader.peek().toUpper();
    if (e == u'E' || e == u'D') {
        const qsizetype mark = reader.pos();
        std::string exponent = "e";
        reader.take();
        if (reader.peek() == u'+' || reader.peek() == u'-')
            exponent += static_cast<char>(reader.take().toLatin1());
        bool expDigit = false;
        while (isDigit(reader.peek())) {
            exponent += static_cast<char>(reader.take().toLatin1());
            expDigit = true;
        }
        if (expDigit)
            digits += exponent;
        else
            reader.seek(mark);
    }
    // from_chars does not take a leading '+' and, unlike strtod, ignores the process locale.
    const char *first = digits.data();
    if (*first == '+')
        ++first;
    double value = 0;
    const auto result = std::from_chars(first, digits.data() + digits.size(), value);
    return result.ec == std::errc() && std::isfinite(value) ? value : 0;
}

QString numberText(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

QString trimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin).toString();
}

QString replaceAll(QString text, const QString &before, const QString &after)
{
    if (before.isEmpty())
        return text;
    return text.replace(before, after, Qt::CaseSensitive);
}

QString withoutControls(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c >= u'\t' && c <= u'\r')
            out += u' ';
        else if (!isControlOrBidi(c))
            out += c;
    }
    return out;
}

bool isControlOrBidi(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x061C || u == 0x200E || u == 0x200F ||
           (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

QString shortened(const QString &text, qsizetype most)
{
    if (text.size() <= most)
        return text;
    const qsizetype cut = text[most - 2].isHighSurrogate() ? most - 2 : most - 1;
    return text.first(cut) + u'…';
}

void appendFilled(QString &out, QStringView text, std::span<const std::pair<QStringView, QString>> values)
{
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(u"[#"); at >= 0; at = text.indexOf(u"[#", at + 1)) {
        const QStringView rest = text.sliced(at);
        for (const auto &[placeholder, value] : values) {
            if (rest.startsWith(placeholder)) {
                out += text.sliced(copied, at - copied);
                out += value;
                copied = at + placeholder.size();
                at = copied - 1;
                break;
            }
        }
    }
    out += text.sliced(copied);
}

bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes); // decoded only when taken as text
    return !utf8.hasError();
}

} // namespace textops
