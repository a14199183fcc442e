#include "keywordfile.h"

#include <algorithm>

#include <QSet>
#include <QStringDecoder>

#include "gbk.h"
#include "generationrun.h"
#include "generationtexts.h"
#include "inputrules.h"

namespace keywordfile {

namespace {

const QString tooManyFields = u"多余的字段(每行只能有关键词、数量和模板三项,以制表符分隔)"_qs;
const QString repeatedKeyword = u"关键词重复,只生成一次"_qs;

bool isBlank(QStringView line)
{
    return line.trimmed().isEmpty();
}

} // namespace

QString decode(const QByteArray &bytes, QString *encoding)
{
    const auto report = [encoding](const QString &name) {
        if (encoding)
            *encoding = name;
    };
    // A byte order mark decides; the decoder drops it.
    if (const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(bytes)) {
        if (*marked == QStringConverter::Utf8) {
            report(u"UTF-8"_qs);
            return QStringDecoder(QStringConverter::Utf8).decode(bytes);
        }
        if (*marked == QStringConverter::Utf16LE || *marked == QStringConverter::Utf16BE) {
            report(u"UTF-16"_qs);
            return QStringDecoder(*marked).decode(bytes);
        }
    }
    // GBK text is almost never valid UTF-8 as well, so valid UTF-8 is taken as such.
    QStringDecoder utf8(QStringConverter::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        report(u"UTF-8"_qs);
        return text;
    }
    report(u"GBK"_qs);
    return gbk::decode(bytes);
}

List parse(QStringView text)
{
    List list;
    QSet<QString> seen;
    int number = 0;
    // Windows, Unix and old Mac line ends alike.
    QString lines = text.toString();
    lines.replace(u"\r\n"_qs, u"\n"_qs).replace(u'\r', u'\n');
    for (const QStringView line : QStringView(lines).split(u'\n')) {
        ++number;
        if (isBlank(line) || line.trimmed().startsWith(u'#'))
            continue;

        const QList<QStringView> fields = line.split(u'\t');
        Entry entry;
        entry.line = number;
        entry.keyword = fields.value(0).trimmed().toString();
        entry.count = fields.value(1).trimmed().toString();
        entry.templateName = fields.value(2).trimmed().toString();

        QString refusal = keywordRefusal(entry.keyword);
        if (!refusal.isEmpty())
            // The notice names the line by its start; an overlong keyword is not echoed whole.
            entry.keyword.truncate(generationtexts::maxKeywordLength);
        else if (fields.size() > 3 && !std::all_of(fields.begin() + 3, fields.end(), isBlank))
            refusal = tooManyFields;
        else if (!entry.count.isEmpty())
            refusal = inputrules::countTextRefusal(entry.count).toString();
        if (!refusal.isEmpty()) {
            list.refused.append({number, entry.keyword, refusal});
            continue;
        }
        if (seen.contains(entry.keyword)) {
            list.repeated.append({number, entry.keyword, repeatedKeyword});
            continue;
        }
        seen.insert(entry.keyword);
        list.entries.append(entry);
    }
    return list;
}

List read(const QByteArray &bytes)
{
    QString encoding;
    const QString text = decode(bytes, &encoding);
    List list = parse(text);
    list.encoding = encoding;
    return list;
}

QString describe(const Notice &notice)
{
    QString text = u"第"_qs + QString::number(notice.line) + u"行"_qs;
    if (!notice.keyword.isEmpty())
        text += u' ' + notice.keyword;
    return text + u": "_qs + notice.text;
}

} // namespace keywordfile
