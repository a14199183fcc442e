#include "statustext.h"

#include "generationtexts.h"

namespace statustext {

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// A tag starts as a browser's does: "<" then a letter, "/" then a letter, or "!".
bool startsTag(QStringView text, qsizetype at)
{
    if (at + 1 >= text.size() || text[at] != u'<')
        return false;
    const QChar next = text[at + 1];
    if (isAsciiLetter(next) || next == u'!')
        return true;
    return next == u'/' && at + 2 < text.size() && isAsciiLetter(text[at + 2]);
}

QStringView tagName(QStringView tag)
{
    qsizetype from = tag.startsWith(u"</") ? 2 : 1;
    qsizetype to = from;
    while (to < tag.size() && (isAsciiLetter(tag[to]) || tag[to].isDigit()))
        ++to;
    return tag.sliced(from, to - from);
}

// Tags that start a new line on a page; inline ones such as <b> or <span> join their text.
bool breaksLine(QStringView name)
{
    static const QStringView breaking[] = {u"br", u"center", u"p",  u"div", u"li", u"tr", u"td",
                                           u"h1", u"h2",     u"h3", u"h4",  u"h5", u"h6", u"hr"};
    for (const QStringView b : breaking) {
        if (name.compare(b, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString decodeReference(QStringView name)
{
    if (name.startsWith(u'#')) {
        bool ok = false;
        const uint code = name.startsWith(u"#x", Qt::CaseInsensitive) ? name.sliced(2).toUInt(&ok, 16)
                                                                      : name.sliced(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            const char32_t c = code;
            return QString::fromUcs4(&c, 1);
        }
        return QString();
    }
    static const std::pair<QStringView, QStringView> named[] = {
        {u"lt", u"<"}, {u"gt", u">"}, {u"amp", u"&"}, {u"quot", u"\""}, {u"apos", u"'"}, {u"nbsp", u" "},
    };
    for (const auto &[key, value] : named) {
        if (name == key)
            return value.toString();
    }
    return QString();
}

} // namespace

QString plainText(QStringView page)
{
    if (page.startsWith(u"about:"))
        page = page.sliced(6);

    QString out;
    bool inLink = false;
    for (qsizetype i = 0; i < page.size();) {
        const QChar c = page[i];
        if (startsTag(page, i)) {
            const qsizetype end = page.indexOf(u'>', i);
            if (end < 0)
                break; // an unfinished tag shows nothing
            const QStringView tag = page.sliced(i, end + 1 - i);
            const QStringView name = tagName(tag);
            if (name.compare(u"a", Qt::CaseInsensitive) == 0)
                inLink = !tag.startsWith(u"</");
            else if (!inLink && breaksLine(name))
                out += u' ';
            i = end + 1;
            continue;
        }
        if (c == u'&') {
            const qsizetype semicolon = page.indexOf(u';', i);
            if (semicolon > i + 1 && semicolon - i <= 10) {
                const QString decoded = decodeReference(page.sliced(i + 1, semicolon - i - 1));
                if (!decoded.isEmpty()) {
                    if (!inLink)
                        out += decoded;
                    i = semicolon + 1;
                    continue;
                }
            }
        }
        if (!inLink)
            out += c.isSpace() ? QChar(u' ') : c;
        ++i;
    }
    return out.simplified();
}

QString withoutCommandAdvice(QStringView text)
{
    const qsizetype advice = text.lastIndexOf(generationtexts::commandIdle);
    if (advice < 0)
        return text.toString();
    // The advice is the last clause: from the mark or blank that ends the reason.
    static constexpr QStringView clauseEnds = u" ,，。:：";
    qsizetype end = advice;
    while (end > 0 && !clauseEnds.contains(text[end - 1]))
        --end;
    while (end > 0 && clauseEnds.contains(text[end - 1]))
        --end;
    return end > 0 ? text.first(end).toString() : text.toString();
}

} // namespace statustext
