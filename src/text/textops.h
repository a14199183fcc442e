#pragma once

#include <span>
#include <utility>

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Small text rules that several parts of the program share, each kept in this one place.
namespace textops {

// The number a text begins with, read as a floating-point number: blanks, tabs and line breaks
// are skipped anywhere, &H and &O introduce hexadecimal and octal digits, reading stops at the
// first character that cannot continue the number, and a text that does not begin with a
// number is 0.
double numericValue(QStringView text);

// Shortest decimal form, without a decimal point when the number is whole: 10, 2.5, 0.
QString numberText(double value);

// Removes U+0020 at both ends; tabs, line breaks and other white space stay.
QString trimSpaces(QStringView text);

// Replaces every exact (case-sensitive) occurrence from left to right without rescanning the
// inserted text. An empty `before` leaves the text as it is.
QString replaceAll(QString text, const QString &before, const QString &after);

// `text` when it has at most `most` UTF-16 units; else cut at a whole character and ended with
// "…", `most` units in all.
QString shortened(const QString &text, qsizetype most);

// Appends `text` to `out` with every placeholder ("[#...#]") of `values` replaced by its value,
// in one pass left to right: a value is never scanned again, so a value holding placeholder text
// stays text, and a value holding many of them cannot multiply the output.
void appendFilled(QString &out, QStringView text, std::span<const std::pair<QStringView, QString>> values);

// Text from outside made safe to show or to name things with: control characters (C0, DEL, C1)
// and the bidirectional controls that make text read differently from how it is stored (U+202E
// turns "gpj.exe" into "exe.jpg") are dropped; tabs and line breaks become one blank each, so
// words stay apart.
QString withoutControls(QStringView text);

// A control character (C0, DEL, C1) or a bidirectional control: what withoutControls() drops.
bool isControlOrBidi(QChar c);

// Whether the bytes are valid UTF-8 throughout; a sequence cut short at the end is not.
bool isUtf8(QByteArrayView bytes);

} // namespace textops
