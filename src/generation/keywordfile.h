#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A keyword list for a batch run: one keyword a line, optionally followed by a tab and the item
// count and another tab and the template name for that keyword alone.
namespace keywordfile {

struct Entry
{
    QString keyword;
    QString count;        // empty: the batch's own count
    QString templateName; // empty: the batch's own template
    int line = 0;         // 1-based, counting every line of the file
};

// A line that is not used, and why.
struct Notice
{
    int line = 0;
    QString keyword; // as the line has it; may be empty
    QString text;
};

struct List
{
    QList<Entry> entries;
    QList<Notice> refused;  // lines the window would refuse; skipped
    QList<Notice> repeated; // a keyword already listed above; done once
    QString encoding;       // "UTF-8", "UTF-16" or "GBK"
    QList<int> damaged;     // lines with bytes that could not be read (see decode())
};

// The text of a keyword file: UTF-8 with or without a byte order mark, UTF-16 with one, and
// anything else as GBK (the ANSI code page the program's own files are in). Text that is UTF-8 but
// for a few lines (a stray byte, a line pasted from elsewhere) is UTF-8, those bytes U+FFFD:
// `damagedLines` gets the numbers of those lines, counted as parse() counts them.
QString decode(const QByteArray &bytes, QString *encoding = nullptr, QList<int> *damagedLines = nullptr);

// The notice of a line decode() found damaged.
Notice damagedLine(int line);

// Keyword lists larger than this are no keyword list.
inline constexpr qint64 maxFileBytes = 8 * 1024 * 1024;

// The entries of a decoded list. Blank lines and lines starting with "#" are skipped; blanks
// around each field are dropped. A line is refused, with its number, when its keyword is empty or
// too long, its count is not a whole number from 2 to 40, or it has fields beyond the template.
List parse(QStringView text);

// decode() then parse(); a damaged line is refused with damagedLine()'s notice, whatever it holds.
List read(const QByteArray &bytes);

// "第3行 连衣裙: 数量不能小于2", as the command line and the batch dialog show a notice.
QString describe(const Notice &notice);

} // namespace keywordfile
