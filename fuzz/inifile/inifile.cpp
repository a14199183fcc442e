// The settings file: whatever the bytes on disk, storing an entry and reading it back gives the
// value (as far as the format keeps it), leaves the other entries alone, and writes a file that
// reads as GBK again.
//
// Input: file bytes, section, key, another key and the value, separated by 0x1F.

#include <cstdint>

#include "fuzzinput.h"
#include "inifile.h"

namespace {

// A section or key name as the program could use one: no line break, no "=", "[" or "]", no NUL.
// Blanks around it are allowed: they are no part of the name. A name of blanks only falls back to
// one of the program's own names.
QString usableName(const QString &text, const QString &fallback)
{
    QString name = text;
    name.removeIf([](QChar c) { return QStringView(u"\r\n=[]\0", 6).contains(c); });
    return name.trimmed().isEmpty() ? fallback : name;
}

bool isTrimmedBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f';
}

// The value as the file gives it back: line breaks and NULs as blanks, a lone surrogate as U+FFFD,
// blanks at the ends dropped, one pair of enclosing quotes dropped.
QString storedForm(const QString &value)
{
    QString v;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
            v += c;
            v += value[++i];
        } else if (c.isSurrogate()) {
            v += QChar(QChar::ReplacementCharacter);
        } else if (c == u'\r' || c == u'\n' || c.isNull()) {
            v += u' ';
        } else {
            v += c;
        }
    }
    while (!v.isEmpty() && isTrimmedBlank(v.front()))
        v.remove(0, 1);
    while (!v.isEmpty() && isTrimmedBlank(v.back()))
        v.chop(1);
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.sliced(1, v.size() - 2);
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    const std::string_view fileBytes = fuzzinput::takePart(rest);
    const QString section = usableName(fuzzinput::text(fuzzinput::takePart(rest)), u"基本设置"_qs);
    const QString key = usableName(fuzzinput::text(fuzzinput::takePart(rest)), u"Text1"_qs);
    const QString other = usableName(fuzzinput::text(fuzzinput::takePart(rest)), u"Text2"_qs);
    const QString value = fuzzinput::text(rest);
    const QByteArrayView file(fileBytes.data(), qsizetype(fileBytes.size()));

    const inifile::Coding coding = inifile::detectCoding(file);
    const QString otherBefore = inifile::lookUp(file, section, other);
    inifile::lookUp(file, section, key);

    const std::optional<QByteArray> stored = inifile::store(file, section, key, value);
    if (coding == inifile::Coding::Unrecognised)
        FUZZ_CHECK(!stored);
    if (!stored)
        return 0;
    FUZZ_CHECK(inifile::detectCoding(*stored) == inifile::Coding::Gbk);

    // The value comes back whole, or cut at the 143-byte limit.
    const QString expected = storedForm(value);
    const QString read = inifile::lookUp(*stored, section, key);
    FUZZ_CHECK(read.isEmpty() || expected.startsWith(read));
    if (expected.toUcs4().size() <= 14) // at most 10 bytes a character: always within the limit
        FUZZ_CHECK(read == expected);

    // Another entry of the section is not touched. Names that differ only in lone surrogates are
    // one name in the file (each is U+FFFD there).
    if (storedForm(other).trimmed().compare(storedForm(key).trimmed(), Qt::CaseInsensitive) != 0)
        FUZZ_CHECK(inifile::lookUp(*stored, section, other) == otherBefore);

    // Storing the same again changes nothing.
    FUZZ_CHECK(inifile::store(*stored, section, key, value) == stored);
    return 0;
}
