#pragma once

#include <optional>

#include <QByteArray>
#include <QHash>
#include <QString>

// The settings file: an INI file in GBK, read and written the way the Windows profile functions
// treat one. Section and key names match without regard to case; a value is replaced in place;
// a new entry goes to the end of its section; a missing section or file is created; every other
// line stays as it was, byte for byte, line ends included. A character GBK cannot represent is
// stored as a character reference ("&#x1F600;") and read back as the character.
//
// Files saved by an editor in another encoding are read too and written back as GBK: UTF-8 and
// UTF-16 with a byte-order mark, UTF-16 without one (either byte order), and UTF-8 without one.
// GBK and UTF-8 without a mark cannot always be told apart, and the cost of a wrong guess is not
// the same: GBK text taken for UTF-8 is lost when the file is written back, UTF-8 taken for GBK
// only shows wrong characters and keeps its bytes. So a file is UTF-8 only when it is valid UTF-8
// and its bytes do not read as plain GBK text either, that is as letters and hanzi of GB2312
// (lead byte A1-F7, trail byte A1-FE), which UTF-8's multi-byte sequences almost never are.
// A file whose encoding is not recognised (a byte-order mark the rest contradicts, UTF-32, mostly
// NUL bytes) is never written.

// A file larger than this is no settings file: it is neither read nor written.
namespace inifile {
inline constexpr qint64 maxFileBytes = 1024 * 1024;

// How much of a stored value is read: the first 143 GBK bytes, on a character boundary, as the
// window's five inputs always were; or all of it, for entries added since (an AppSecret is
// longer than that).
enum class ValueLength { Cut, Whole };
} // namespace inifile

// The stored value. A missing or empty entry stores `defaultValue` and returns it; a file that
// cannot be read or is not recognised is left alone and gives `defaultValue`.
QString ReadIni(const QString &section, const QString &key, const QString &defaultValue, const QString &path,
                inifile::ValueLength length = inifile::ValueLength::Cut);

// Stores one entry. The file is replaced as a whole only once the new content is safely on
// disk, so a crash or a full disk never leaves it half-written; when nothing changes it is not
// written at all. Returns false when nothing could be stored: the file or its folder cannot be
// written, the file is marked read-only, or it cannot be read or its encoding is not recognised.
bool WriteIni(const QString &section, const QString &key, const QString &value, const QString &path);

// The same on the file's bytes, for callers and tests that hold them in memory.
namespace inifile {

enum class Coding { Gbk, Utf8, Utf16LE, Utf16BE, Unrecognised };
Coding detectCoding(QByteArrayView file);

// The value as ReadIni returns it, or empty text when the entry is missing or empty or the file
// is not recognised.
QString lookUp(QByteArrayView file, const QString &section, const QString &key,
               ValueLength length = ValueLength::Cut);

// Whether the file is one to take settings from: text in a recognised encoding, no control
// characters but tabs and line ends, and a section header before any entry (blank lines and
// comments may come first). An empty file is one, holding no entries. A keyword list, a script or
// a binary given in its place is not.
bool isSettingsText(QByteArrayView file);

// The file with the entry stored; nothing when the file's encoding is not recognised, or when the
// result would not read as GBK again (other lines that are valid UTF-8, with nothing left that
// makes the file GBK).
std::optional<QByteArray> store(QByteArrayView file, const QString &section, const QString &key,
                                const QString &value);

// Every entry of the file in one pass, values whole, by section and key name folded to lower case
// (QString::toCaseFolded): for each name the first section of that name and in it the first entry
// of each key, as lookUp() finds them. Empty when the file's encoding is not recognised.
using Entries = QHash<QString, QString>;
QHash<QString, Entries> readAll(QByteArrayView file);

// The bytes of a "key=value" line for a file written whole, in GBK. The value is put in double
// quotes when it begins or ends with a blank or a quote, so that it reads back exactly as given
// (line breaks and NULs, which no value can hold, as blanks). store() keeps the plain rule of the
// settings file, whose values other programs read too.
QByteArray exactEntry(const QString &key, const QString &value);
// The bytes of a "[section]" line.
QByteArray sectionLine(const QString &section);

} // namespace inifile
