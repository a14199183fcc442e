#include "charsets.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include "gbk.h"

namespace charsets {

namespace {

using Option = QRegularExpression::PatternOption;

// Each captures the charset name as group 2, between what comes before (1) and after (3) it.
const QRegularExpression &metaCharset()
{
    static const QRegularExpression pattern(u"(<meta\\s+charset\\s*=\\s*[\"']?)([\\w.:-]+)([\"']?)"_qs,
                                            Option::CaseInsensitiveOption);
    return pattern;
}

const QRegularExpression &contentCharset()
{
    static const QRegularExpression pattern(
        u"(content\\s*=\\s*[\"'][^\"'>]*?charset\\s*=\\s*)([\\w.:-]+)()"_qs, Option::CaseInsensitiveOption);
    return pattern;
}

const QRegularExpression &cssCharset()
{
    static const QRegularExpression pattern(u"(@charset\\s+[\"'])([\\w.:-]+)([\"'])"_qs,
                                            Option::CaseInsensitiveOption);
    return pattern;
}

const QRegularExpression &xmlEncoding()
{
    static const QRegularExpression pattern(u"(<\\?xml[^>]*?encoding\\s*=\\s*[\"'])([\\w.:-]+)([\"'])"_qs,
                                            Option::CaseInsensitiveOption);
    return pattern;
}

bool isGbName(QStringView name)
{
    return name.compare(u"gbk", Qt::CaseInsensitive) == 0 ||
           name.compare(u"gb2312", Qt::CaseInsensitive) == 0 ||
           name.compare(u"gb18030", Qt::CaseInsensitive) == 0 ||
           name.compare(u"x-gbk", Qt::CaseInsensitive) == 0;
}

} // namespace

PageEncoding fromName(QStringView name)
{
    return name.trimmed().compare(u"GBK", Qt::CaseInsensitive) == 0 ? PageEncoding::Gbk : PageEncoding::Utf8;
}

QString name(PageEncoding encoding)
{
    return encoding == PageEncoding::Gbk ? u"GBK"_qs : u"UTF-8"_qs;
}

bool isTextResource(QStringView fileName)
{
    for (const QStringView suffix : {u".htm", u".html", u".css", u".js", u".svg"})
        if (fileName.endsWith(suffix, Qt::CaseInsensitive))
            return true;
    return false;
}

QString decodeResource(const QByteArray &bytes)
{
    // Declarations are ASCII, near the start.
    const QString head = QString::fromLatin1(bytes.first(std::min<qsizetype>(bytes.size(), 2048)));
    for (const QRegularExpression *pattern :
         {&metaCharset(), &contentCharset(), &cssCharset(), &xmlEncoding()}) {
        const QRegularExpressionMatch match = pattern->match(head);
        if (!match.hasMatch())
            continue;
        if (isGbName(match.capturedView(2)))
            return gbk::decode(bytes);
        break;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? gbk::decode(bytes) : text;
}

QString declaring(QString text, PageEncoding encoding)
{
    const QString charset = encoding == PageEncoding::Gbk ? u"gbk"_qs : u"utf-8"_qs;
    for (const QRegularExpression *pattern :
         {&metaCharset(), &contentCharset(), &cssCharset(), &xmlEncoding()})
        text.replace(*pattern, u"\\1"_qs + charset + u"\\3"_qs);
    return text;
}

QByteArray encodePage(const QString &text, PageEncoding encoding)
{
    const QString declared = declaring(text, encoding);
    return encoding == PageEncoding::Gbk ? gbk::encodeHtml(declared) : declared.toUtf8();
}

} // namespace charsets
