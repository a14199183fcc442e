#pragma once

#include <QString>
#include <QStringView>

#include "placeholders.h"

// A template folder holds "模板文件.htm", the page with markers, and optionally "效果预览.htm", a
// finished sample page; everything else in it is a resource of the page.
namespace templateformat {

inline constexpr QStringView templateFileName = u"模板文件.htm";
inline constexpr QStringView previewFileName = u"效果预览.htm";
// Optional: the site index in the template's style, one block per page.
inline constexpr QStringView indexFileName = u"首页模板.htm";

inline constexpr QStringView keywordMarker = placeholders::keyword;
inline constexpr QStringView startMarker = placeholders::loopStart;
inline constexpr QStringView endMarker = placeholders::loopEnd;

// The whole file decoded from GBK; empty text when it cannot be read (and then refused like a
// text without markers).
QString readTemplateFile(const QString &path);

// The keyword as it stands in a page: HTML-escaped, so that it is text in an element or a quoted
// attribute, and holding no "[" that could start a placeholder or a loop marker.
QString keywordInPage(const QString &keyword);

// Every "[#关键词#]" replaced by the keyword as it stands in a page, left to right, before the
// text is split.
QString replaceKeyword(const QString &text, const QString &keyword);

// The three parts around the loop as they stand, without the keyword put in: false when the text
// has no start marker followed by an end marker.
bool splitLoop(QStringView text, QString &headerPart, QString &itemBlock, QString &footerPart);

// Splits the text at its first start marker and its first end marker: the header before the
// start marker and the item block between the markers, both with U+0020 trimmed at the edges, and
// the footer after the end marker, unchanged; then puts the keyword into each part. The split
// comes first, so a keyword holding marker text never acts as a marker. The parts are assigned in
// that order, header first, and a refusal leaves the parts not yet reached as they were. Returns
// the refusal message, or empty text when the template is usable. A loop region the split cannot
// use (end marker before the start marker, or none after it) is refused rather than leaking
// marker text into the page.
QString split(const QString &text, const QString &keyword, QString &headerPart, QString &itemBlock,
              QString &footerPart);

} // namespace templateformat
