#include "inifile.h"

#include <optional>

#include <QByteArrayList>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include "gbk.h"

namespace {

// A value holds at most this many bytes, as with the 144-byte buffer of the Windows call.
constexpr qsizetype maxValueBytes = 143;

// The lines of an INI file as GBK bytes, without their line ends.
struct IniLines
{
    QByteArrayList lines;
    QByteArray lineEnd = "\r\n";
    bool endsWithLineEnd = true;
};

QByteArray toGbkIfUnicode(const QByteArray &raw)
{
    if (raw.startsWith("\xEF\xBB\xBF"))
        return gbk::encode(QString::fromUtf8(raw.sliced(3)));
    if (raw.startsWith("\xFF\xFE")) {
        QStringDecoder utf16(QStringDecoder::Utf16LE);
        const QString text = utf16.decode(raw.sliced(2));
        return gbk::encode(text);
    }
    // Non-ASCII text that is valid UTF-8 is almost never GBK, whose pairs rarely form valid
    // UTF-8 sequences: such a file was saved as UTF-8 by an editor.
    const bool ascii = std::all_of(raw.begin(), raw.end(), [](char c) { return (c & 0x80) == 0; });
    if (!ascii) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString asUtf8 = utf8.decode(raw);
        if (!utf8.hasError())
            return gbk::encode(asUtf8);
    }
    return raw;
}

IniLines readLines(const QString &path)
{
    IniLines ini;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ini;
    const QByteArray content = toGbkIfUnicode(file.readAll());
    if (content.isEmpty())
        return ini;
    if (content.contains('\n') && !content.contains("\r\n"))
        ini.lineEnd = "\n";
    ini.endsWithLineEnd = content.endsWith('\n');
    ini.lines = content.split('\n');
    if (ini.endsWithLineEnd)
        ini.lines.removeLast();
    for (QByteArray &line : ini.lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return ini;
}

bool sameName(const QByteArray &gbkName, const QString &name)
{
    return gbk::decode(gbkName).compare(name, Qt::CaseInsensitive) == 0;
}

std::optional<QByteArray> sectionName(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    if (!trimmed.startsWith('['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(']');
    return (close < 0 ? trimmed.sliced(1) : trimmed.sliced(1, close - 1)).trimmed();
}

// Where a section and one of its keys stand in the file.
struct Location
{
    qsizetype sectionLine = -1; // the "[name]" line
    qsizetype keyLine = -1;     // the entry's line
    qsizetype lastEntry = -1;   // the last non-blank line of the section
};

Location locate(const IniLines &ini, const QString &section, const QString &key)
{
    Location where;
    for (qsizetype i = 0; i < ini.lines.size(); ++i) {
        const auto name = sectionName(ini.lines[i]);
        if (where.sectionLine >= 0) {
            if (name)
                break;
            const QByteArray &line = ini.lines[i];
            if (line.trimmed().isEmpty())
                continue;
            where.lastEntry = i;
            const qsizetype eq = line.indexOf('=');
            if (where.keyLine < 0 && eq >= 0 && sameName(line.first(eq).trimmed(), key))
                where.keyLine = i;
        } else if (name && sameName(*name, section)) {
            where.sectionLine = i;
            where.lastEntry = i;
        }
    }
    return where;
}

QByteArray valueOf(const QByteArray &line)
{
    QByteArray value = line.sliced(line.indexOf('=') + 1).trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value;
}

// The first `maxValueBytes` bytes, never ending in the first half of a double-byte character.
QByteArray cutToLimit(const QByteArray &value)
{
    qsizetype end = 0;
    while (end < value.size()) {
        const qsizetype width = (static_cast<unsigned char>(value[end]) >= 0x80) ? 2 : 1;
        if (end + width > maxValueBytes)
            break;
        end += width;
    }
    return value.first(std::min(end, value.size()));
}

} // namespace

QString ReadIni(const QString &section, const QString &key, const QString &defaultValue, const QString &path)
{
    const IniLines ini = readLines(path);
    const Location where = locate(ini, section, key);
    QByteArray value;
    if (where.keyLine >= 0)
        value = cutToLimit(valueOf(ini.lines[where.keyLine]));
    const qsizetype nul = value.indexOf('\0');
    if (nul >= 0)
        value.truncate(nul);
    if (value.isEmpty()) {
        WriteIni(section, key, defaultValue, path);
        return defaultValue;
    }
    return gbk::decode(value);
}

bool WriteIni(const QString &section, const QString &key, const QString &value, const QString &path)
{
    IniLines ini = readLines(path);
    // A line break inside a value would split the entry and corrupt the file's structure.
    QString flatValue = value;
    flatValue.replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray entry = gbk::encode(key) + '=' + gbk::encode(flatValue);

    const Location where = locate(ini, section, key);
    if (where.keyLine >= 0) {
        // Keep the key as the file spells it; only the value changes.
        const QByteArray &old = ini.lines[where.keyLine];
        ini.lines[where.keyLine] = old.first(old.indexOf('=') + 1) + gbk::encode(flatValue);
    } else if (where.sectionLine >= 0) {
        ini.lines.insert(where.lastEntry + 1, entry);
    } else {
        ini.lines.append('[' + gbk::encode(section) + ']');
        ini.lines.append(entry);
        ini.endsWithLineEnd = true;
    }

    QByteArray content = ini.lines.join(ini.lineEnd);
    if (ini.endsWithLineEnd)
        content += ini.lineEnd;
    // An empty entry is stored back as its default each time it is read, at every start: a file
    // that would not change is left alone rather than rewritten and synced to disk.
    QFile current(path);
    if (current.open(QIODevice::ReadOnly) && current.readAll() == content)
        return true;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(content);
    return file.commit();
}
