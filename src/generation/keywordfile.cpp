#include "keywordfile.h"

#include <algorithm>

#include <QSet>
#include <QStringDecoder>

#include "gbk.h"
#include "generationrun.h"
#include "generationtexts.h"
#include "inputrules.h"
#include "textops.h"

namespace keywordfile {

namespace {

const QString tooManyFields = u"多余的字段(每行只能有关键词、数量和模板三项,以制表符分隔)"_qs;
const QString repeatedKeyword = u"关键词重复,只生成一次"_qs;

const QString damagedText = u"含有无法识别的字节(按UTF-8读取)"_qs;

bool isBlank(QStringView line)
{
    return line.trimmed().isEmpty();
}

// The file's lines as parse() numbers them: "\r\n", "\r" and "\n" each end one.
QList<QByteArrayView> byteLines(QByteArrayView bytes)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r')
            continue;
        lines.append(bytes.sliced(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines.append(bytes.sliced(start));
    return lines;
}

// The lines that are no UTF-8, when the rest shows the file is UTF-8: lines with other than ASCII
// in them that are UTF-8 are more than twice as many. GBK text's lines almost never are.
std::optional<QList<int>> mostlyUtf8(QByteArrayView bytes)
{
    QList<int> damaged;
    int good = 0;
    const QList<QByteArrayView> lines = byteLines(bytes);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (std::all_of(lines[i].begin(), lines[i].end(), [](char c) { return (c & 0x80) == 0; }))
            continue;
        if (textops::isUtf8(lines[i]))
            ++good;
        else
            damaged.append(int(i + 1));
    }
    if (damaged.isEmpty() || good > 2 * damaged.size())
        return damaged;
    return std::nullopt;
}

} // namespace

QString decode(const QByteArray &bytes, QString *encoding, QList<int> *damagedLines)
{
    const auto report = [encoding](const QString &name) {
        if (encoding)
            *encoding = name;
    };
    // A byte order mark decides; the decoder drops it.
    if (const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(bytes)) {
        if (*marked == QStringConverter::Utf8) {
            report(u"UTF-8"_qs);
            if (damagedLines) {
                const QList<QByteArrayView> lines = byteLines(bytes);
                for (qsizetype i = 0; i < lines.size(); ++i)
                    if (!textops::isUtf8(i == 0 ? lines[i].sliced(3) : lines[i]))
                        damagedLines->append(int(i + 1));
            }
            return QStringDecoder(QStringConverter::Utf8).decode(bytes);
        }
        if (*marked == QStringConverter::Utf16LE || *marked == QStringConverter::Utf16BE) {
            report(u"UTF-16"_qs);
            return QStringDecoder(*marked).decode(bytes);
        }
    }
    // GBK text is almost never valid UTF-8 as well, so text that is UTF-8 (but for a few lines)
    // is taken as such. Taken for GBK, a UTF-8 list would lose every keyword at once.
    if (const std::optional<QList<int>> damaged = mostlyUtf8(bytes)) {
        if (damagedLines)
            *damagedLines += *damaged;
        report(u"UTF-8"_qs);
        return QStringDecoder(QStringConverter::Utf8, QStringDecoder::Flag::Stateless).decode(bytes);
    }
    report(u"GBK"_qs);
    return gbk::decode(bytes);
}

Notice damagedLine(int line)
{
    return {line, QString(), damagedText};
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
    QList<int> damaged;
    const QString text = decode(bytes, &encoding, &damaged);
    List list = parse(text);
    list.encoding = encoding;
    list.damaged = damaged;
    // A keyword with bytes replaced is not the keyword that was meant: its line is not used.
    for (const int line : std::as_const(damaged)) {
        Notice notice = damagedLine(line);
        const auto entry = std::find_if(list.entries.cbegin(), list.entries.cend(),
                                        [line](const Entry &e) { return e.line == line; });
        if (entry != list.entries.cend()) {
            notice.keyword = entry->keyword;
            list.entries.erase(entry);
        }
        list.refused.append(notice);
    }
    std::sort(list.refused.begin(), list.refused.end(),
              [](const Notice &a, const Notice &b) { return a.line < b.line; });
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
