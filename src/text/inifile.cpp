#include "inifile.h"

#include <algorithm>

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringDecoder>

#include "gbk.h"
#include "wholefile.h"

namespace {

// A value holds at most this many bytes, as with the 144-byte buffer of the Windows call.
constexpr qsizetype maxValueBytes = 143;

// One line of the file in GBK, and the line end it had ("\r\n", "\n", a lone "\r", or none on
// the last line), so that lines nobody changes go back exactly as they came.
struct Line
{
    QByteArray text;
    QByteArray end;
};

unsigned unitAt(QByteArrayView text, qsizetype i)
{
    return static_cast<unsigned char>(text[i]);
}

unsigned unitAt(QStringView text, qsizetype i)
{
    return text[i].unicode();
}

int hexValue(unsigned unit)
{
    if (unit >= '0' && unit <= '9')
        return int(unit - '0');
    if (unit >= 'A' && unit <= 'F')
        return int(unit - 'A' + 10);
    if (unit >= 'a' && unit <= 'f')
        return int(unit - 'a' + 10);
    return -1;
}

// The character reference at `i` that the file format reads back: "&#x", one to six hex digits
// and ";", naming a character GBK cannot hold, or "&" itself. Any other text, "&#x41;" among it,
// stays as it stands, so a value typed with such text in it comes back as typed.
template <typename Text> std::optional<char32_t> referenceAt(Text text, qsizetype i, qsizetype &length)
{
    if (i + 4 >= text.size() || unitAt(text, i) != '&' || unitAt(text, i + 1) != '#' ||
        unitAt(text, i + 2) != 'x')
        return std::nullopt;
    char32_t value = 0;
    qsizetype j = i + 3;
    for (; j < text.size() && j < i + 3 + 6; ++j) {
        const int digit = hexValue(unitAt(text, j));
        if (digit < 0)
            break;
        value = value * 16 + char32_t(digit);
    }
    if (j == i + 3 || j >= text.size() || unitAt(text, j) != ';')
        return std::nullopt;
    const bool scalar = value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
    if (value != u'&' && (!scalar || gbk::canEncode(value)))
        return std::nullopt;
    length = j + 1 - i;
    return value;
}

// Text as the file holds it: an "&" that would read as a reference is written as one itself,
// then every character outside GBK becomes its reference.
QByteArray encodeText(QStringView text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = 0;
        if (text[i] == u'&' && referenceAt(text, i, length))
            escaped += u"&#x26;"_qs;
        else
            escaped += text[i];
    }
    return gbk::encodeHtml(escaped);
}

QString decodeText(QByteArrayView bytes)
{
    const QString text = gbk::decode(bytes);
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        qsizetype length = 0;
        if (const auto value = referenceAt(QStringView(text), i, length)) {
            // Not QString::fromUcs4: it takes a leading U+FEFF for a byte-order mark and drops it.
            if (QChar::requiresSurrogates(*value)) {
                out += QChar(QChar::highSurrogate(*value));
                out += QChar(QChar::lowSurrogate(*value));
            } else {
                out += QChar(char16_t(*value));
            }
            i += length;
        } else {
            out += text[i++];
        }
    }
    return out;
}

// Text decoded with the converter flushed at the end; nothing when the bytes are not valid
// text in that encoding.
std::optional<QString> strictDecode(QStringConverter::Encoding encoding, QByteArrayView bytes)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom);
    QByteArray input(bytes.data(), bytes.size());
    // A NUL cannot continue any sequence: it ends one left open at the end as an error.
    if (encoding == QStringConverter::Utf8)
        input.append('\0');
    QString text = decoder.decode(input);
    if (decoder.hasError())
        return std::nullopt;
    if (encoding == QStringConverter::Utf8)
        text.chop(1);
    return text;
}

// UTF-16 text of an INI file: whole code units, surrogates in pairs, no NUL.
std::optional<QString> utf16Text(QByteArrayView bytes, QStringConverter::Encoding encoding)
{
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    std::optional<QString> text = strictDecode(encoding, bytes);
    if (!text)
        return std::nullopt;
    for (qsizetype i = 0; i < text->size(); ++i) {
        const QChar c = text->at(i);
        if (c.isNull())
            return std::nullopt;
        if (c.isHighSurrogate() && i + 1 < text->size() && text->at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return std::nullopt;
    }
    return text;
}

qsizetype asciiUnits(const QString &text)
{
    return std::count_if(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

// UTF-16 without a byte-order mark, in the byte order that reads as an INI file.
std::optional<inifile::Coding> utf16WithoutMark(QByteArrayView bytes)
{
    const auto structured = [](const std::optional<QString> &text) {
        return text && (text->contains(u'=') || text->contains(u'['));
    };
    const std::optional<QString> le = utf16Text(bytes, QStringConverter::Utf16LE);
    const std::optional<QString> be = utf16Text(bytes, QStringConverter::Utf16BE);
    const bool isLe = structured(le);
    const bool isBe = structured(be);
    if (isLe && isBe)
        return asciiUnits(*le) >= asciiUnits(*be) ? inifile::Coding::Utf16LE : inifile::Coding::Utf16BE;
    if (isLe)
        return inifile::Coding::Utf16LE;
    if (isBe)
        return inifile::Coding::Utf16BE;
    return std::nullopt;
}

// Every non-ASCII byte pairs up as a GB2312 letter or hanzi: what a GBK settings file holds.
bool readsAsGb2312(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80)
            continue;
        if (b < 0xA1 || b > 0xF7 || i + 1 >= bytes.size())
            return false;
        const auto trail = static_cast<unsigned char>(bytes[++i]);
        if (trail < 0xA1 || trail > 0xFE)
            return false;
    }
    return true;
}

// The file's content as GBK bytes; nothing when its encoding is not recognised.
std::optional<QByteArray> toGbk(QByteArrayView file)
{
    std::optional<QString> text;
    switch (inifile::detectCoding(file)) {
    case inifile::Coding::Gbk:
        return QByteArray(file.data(), file.size());
    case inifile::Coding::Unrecognised:
        return std::nullopt;
    case inifile::Coding::Utf8:
        text = strictDecode(QStringConverter::Utf8, file.startsWith("\xEF\xBB\xBF") ? file.sliced(3) : file);
        break;
    case inifile::Coding::Utf16LE:
        text = utf16Text(file.startsWith("\xFF\xFE") ? file.sliced(2) : file, QStringConverter::Utf16LE);
        break;
    case inifile::Coding::Utf16BE:
        text = utf16Text(file.startsWith("\xFE\xFF") ? file.sliced(2) : file, QStringConverter::Utf16BE);
        break;
    }
    if (!text)
        return std::nullopt;
    return encodeText(*text);
}

QList<Line> splitLines(QByteArrayView content)
{
    QList<Line> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c != '\n' && c != '\r')
            continue;
        const qsizetype endLength = (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ? 2 : 1;
        lines.append(
            Line{content.sliced(start, i - start).toByteArray(), content.sliced(i, endLength).toByteArray()});
        i += endLength - 1;
        start = i + 1;
    }
    if (start < content.size())
        lines.append(Line{content.sliced(start).toByteArray(), QByteArray()});
    return lines;
}

// The line end new lines get: the one the file uses, "\r\n" for a new file.
QByteArray lineEndOf(const QList<Line> &lines)
{
    for (const char *candidate : {"\r\n", "\n", "\r"}) {
        if (std::any_of(lines.cbegin(), lines.cend(),
                        [&](const Line &line) { return line.end == candidate; }))
            return candidate;
    }
    return "\r\n";
}

QByteArray joinLines(const QList<Line> &lines)
{
    QByteArray content;
    for (const Line &line : lines)
        content += line.text + line.end;
    return content;
}

bool sameName(const QByteArray &fileName, const QString &name)
{
    return decodeText(fileName).compare(name, Qt::CaseInsensitive) == 0;
}

// Where the bracket that closes a trimmed "[name]" line stands, or -1. It is looked for character
// by character: a GBK trail byte can be 0x5D, the bracket's byte (朷 is 96 5D).
qsizetype sectionClose(const QByteArray &trimmed)
{
    for (qsizetype i = 1; i < trimmed.size(); ++i) {
        if (trimmed[i] == ']')
            return i;
        if (gbk::isLeadByte(static_cast<unsigned char>(trimmed[i])))
            ++i;
    }
    return -1;
}

// The name of a "[name]" line.
std::optional<QByteArray> sectionName(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    if (!trimmed.startsWith('['))
        return std::nullopt;
    const qsizetype close = sectionClose(trimmed);
    return (close < 0 ? trimmed.sliced(1) : trimmed.sliced(1, close - 1)).trimmed();
}

// Where a section and one of its keys stand in the file.
struct Location
{
    qsizetype sectionLine = -1; // the "[name]" line
    qsizetype keyLine = -1;     // the entry's line
    qsizetype lastEntry = -1;   // the last non-blank line of the section
};

// Blanks around a name are no part of it, as the file's names are read without them.
QString trimmedName(QStringView name)
{
    const auto blank = [](QChar c) {
        return c == u' ' || (c >= u'\t' && c <= u'\r');
    };
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && blank(name[begin]))
        ++begin;
    while (end > begin && blank(name[end - 1]))
        --end;
    return name.sliced(begin, end - begin).toString();
}

// A name as the file holds it, read back: what a written name has to be found by again (a lone
// surrogate, which nothing can hold, is U+FFFD in the file).
QString storedName(QStringView name)
{
    return decodeText(encodeText(trimmedName(name)));
}

Location locate(const QList<Line> &lines, const QString &wantedSection, const QString &wantedKey)
{
    const QString section = storedName(wantedSection);
    const QString key = storedName(wantedKey);
    Location where;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines[i].text;
        const auto name = sectionName(line);
        if (where.sectionLine >= 0) {
            if (name)
                break;
            if (line.trimmed().isEmpty())
                continue;
            where.lastEntry = i;
            // "=" (0x3D) is never a GBK trail byte, so the first one ends the key.
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

// The first `maxValueBytes` bytes, never ending inside a character: a double-byte character,
// or a reference standing for one. 0x80 and 0xFF are characters of one byte.
QByteArray cutToLimit(const QByteArray &value, inifile::ValueLength length)
{
    if (length == inifile::ValueLength::Whole)
        return value;
    qsizetype end = 0;
    while (end < value.size()) {
        qsizetype width = 1;
        if (!referenceAt(QByteArrayView(value), end, width) &&
            gbk::isLeadByte(static_cast<unsigned char>(value[end])))
            width = 2;
        if (end + width > maxValueBytes)
            break;
        end += width;
    }
    return value.first(std::min(end, value.size()));
}

// Inserts a line before `at`. A last line without a line end gets one first; the new line then
// is the one without, so the file still ends the way it did.
void insertLine(QList<Line> &lines, qsizetype at, const QByteArray &text, const QByteArray &lineEnd)
{
    Line line{text, lineEnd};
    if (at > 0 && lines[at - 1].end.isEmpty()) {
        lines[at - 1].end = lineEnd;
        line.end.clear();
    }
    lines.insert(at, line);
}

// Nothing when the file cannot be read; empty bytes when there is no file.
std::optional<QByteArray> readFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QByteArray();
    if (!info.isFile() || info.size() > inifile::maxFileBytes)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

} // namespace

namespace inifile {

Coding detectCoding(QByteArrayView file)
{
    if (file.startsWith("\xEF\xBB\xBF"))
        return strictDecode(QStringConverter::Utf8, file.sliced(3)) ? Coding::Utf8 : Coding::Unrecognised;
    if (file.startsWith("\xFF\xFE"))
        return utf16Text(file.sliced(2), QStringConverter::Utf16LE) ? Coding::Utf16LE : Coding::Unrecognised;
    if (file.startsWith("\xFE\xFF"))
        return utf16Text(file.sliced(2), QStringConverter::Utf16BE) ? Coding::Utf16BE : Coding::Unrecognised;
    if (file.contains('\0')) {
        if (const auto coding = utf16WithoutMark(file))
            return *coding;
        // Mostly NUL bytes is no text of ours: UTF-32, or a broken UTF-16 file.
        const auto nuls = std::count(file.begin(), file.end(), '\0');
        return nuls * 4 > file.size() ? Coding::Unrecognised : Coding::Gbk;
    }
    if (std::all_of(file.begin(), file.end(), [](char c) { return (c & 0x80) == 0; }))
        return Coding::Gbk;
    if (!strictDecode(QStringConverter::Utf8, file) || readsAsGb2312(file))
        return Coding::Gbk;
    return Coding::Utf8;
}

QString lookUp(QByteArrayView file, const QString &section, const QString &key, ValueLength length)
{
    const std::optional<QByteArray> content = toGbk(file);
    if (!content)
        return QString();
    const QList<Line> lines = splitLines(*content);
    const Location where = locate(lines, section, key);
    if (where.keyLine < 0)
        return QString();
    QByteArray value = cutToLimit(valueOf(lines[where.keyLine].text), length);
    const qsizetype nul = value.indexOf('\0');
    if (nul >= 0)
        value.truncate(nul);
    return decodeText(value);
}

bool isSettingsText(QByteArrayView file)
{
    if (file.size() > maxFileBytes)
        return false;
    const std::optional<QByteArray> content = toGbk(file);
    // GBK trail bytes lie above 0x3F, so any byte below 0x20 or 0x7F is a character of its own.
    if (!content || std::any_of(content->begin(), content->end(), [](char c) {
            return (c >= 0 && c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F;
        }))
        return false;
    for (const Line &line : splitLines(*content)) {
        const QByteArray trimmed = line.text.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(';') || trimmed.startsWith('#'))
            continue;
        return trimmed.startsWith('[') && sectionClose(trimmed) == trimmed.size() - 1;
    }
    return true;
}

std::optional<QByteArray> store(QByteArrayView file, const QString &section, const QString &key,
                                const QString &value)
{
    const std::optional<QByteArray> content = toGbk(file);
    if (!content)
        return std::nullopt;
    QList<Line> lines = splitLines(*content);
    const QByteArray lineEnd = lineEndOf(lines);

    // A line break inside a value would split the entry and corrupt the file's structure; a NUL
    // would end the value there and make the file look like UTF-16.
    QString flatValue = value;
    flatValue.replace(u'\r', u' ').replace(u'\n', u' ').replace(QChar(u'\0'), u' ');
    const QByteArray storedValue = encodeText(flatValue);

    const Location where = locate(lines, section, key);
    if (where.keyLine >= 0) {
        // Keep the key as the file spells it; only the value changes.
        QByteArray &text = lines[where.keyLine].text;
        text = text.first(text.indexOf('=') + 1) + storedValue;
    } else if (where.sectionLine >= 0) {
        insertLine(lines, where.lastEntry + 1, encodeText(trimmedName(key)) + '=' + storedValue, lineEnd);
    } else {
        if (!lines.isEmpty() && lines.last().end.isEmpty())
            lines.last().end = lineEnd;
        lines.append(Line{'[' + encodeText(trimmedName(section)) + ']', lineEnd});
        lines.append(Line{encodeText(trimmedName(key)) + '=' + storedValue, lineEnd});
    }
    QByteArray result = joinLines(lines);
    // The file has to read as GBK next time too. Lines of other programs that happen to be valid
    // UTF-8 could make it look like UTF-8 once the line that kept it from being so is replaced;
    // writing it then would have those lines read wrongly and rewritten.
    if (detectCoding(result) != Coding::Gbk)
        return std::nullopt;
    return result;
}

QHash<QString, Entries> readAll(QByteArrayView file)
{
    QHash<QString, Entries> sections;
    const std::optional<QByteArray> content = toGbk(file);
    if (!content)
        return sections;
    Entries *current = nullptr;
    for (const Line &line : splitLines(*content)) {
        if (const auto name = sectionName(line.text)) {
            const QString folded = decodeText(*name).toCaseFolded();
            // A section named again further down is not read: lookUp() stops at the first.
            current = sections.contains(folded) ? nullptr : &sections[folded];
            continue;
        }
        const qsizetype eq = line.text.indexOf('=');
        if (!current || eq < 0 || line.text.trimmed().isEmpty())
            continue;
        const QString key = decodeText(line.text.first(eq).trimmed()).toCaseFolded();
        if (current->contains(key))
            continue;
        QByteArray value = valueOf(line.text);
        if (const qsizetype nul = value.indexOf('\0'); nul >= 0)
            value.truncate(nul);
        current->insert(key, decodeText(value));
    }
    return sections;
}

QByteArray exactEntry(const QString &key, const QString &value)
{
    QString flatValue = value;
    flatValue.replace(u'\r', u' ').replace(u'\n', u' ').replace(QChar(u'\0'), u' ');
    QByteArray stored = encodeText(flatValue);
    // The reader drops blanks at either end and one pair of enclosing quotes.
    const auto loose = [](char c) {
        return c == '"' || c == '\'' || QByteArrayView(" \t\v\f").contains(c);
    };
    if (!stored.isEmpty() && (loose(stored.front()) || loose(stored.back())))
        stored = '"' + stored + '"';
    return encodeText(trimmedName(key)) + '=' + stored;
}

QByteArray sectionLine(const QString &section)
{
    return '[' + encodeText(trimmedName(section)) + ']';
}

} // namespace inifile

QString ReadIni(const QString &section, const QString &key, const QString &defaultValue, const QString &path,
                inifile::ValueLength length)
{
    const std::optional<QByteArray> file = readFile(path);
    if (!file || inifile::detectCoding(*file) == inifile::Coding::Unrecognised)
        return defaultValue;
    const QString value = inifile::lookUp(*file, section, key, length);
    if (value.isEmpty()) {
        WriteIni(section, key, defaultValue, path);
        return defaultValue;
    }
    return value;
}

bool WriteIni(const QString &section, const QString &key, const QString &value, const QString &path)
{
    const std::optional<QByteArray> file = readFile(path);
    if (!file)
        return false;
    const QFileInfo info(path);
    // The read-only mark is the user's word, also for an administrator who could write anyway.
    if (info.exists() && (!info.isWritable() || !(info.permissions() & QFileDevice::WriteOwner)))
        return false;
    const std::optional<QByteArray> content = inifile::store(*file, section, key, value);
    if (!content)
        return false;
    if (info.exists() && *content == *file)
        return true;
    return writeWholeFile(path, *content);
}
