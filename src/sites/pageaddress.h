#pragma once

#include <QSet>
#include <QString>
#include <QStringView>

// The lasting address of a keyword's page inside a site: an ASCII folder name from the keyword's
// pinyin, chosen once and kept for as long as the keyword is in the site's list.
namespace pageaddress {

// The longest folder name a keyword's pinyin gives, before a "-2" for a clash.
inline constexpr qsizetype maxLength = 60;

// The keyword in ASCII: transliterated (Han-Latin; Latin-ASCII), lower case, every run of
// anything but a-z and 0-9 one "-", no "-" at either end, at most maxLength characters. Empty
// when nothing is left (a keyword of only signs, say).
QString slugOf(QStringView keyword);

// A folder name for `keyword` that is not in `taken`: its slug, else the slug with "-2", "-3" …,
// and "p-1", "p-2" … for a keyword whose slug is empty.
QString freeName(QStringView keyword, const QSet<QString> &taken);

// `name` is one of the names slugOf() and freeName() give: a-z and 0-9 in runs joined by single
// "-", so it stays inside the folder it is joined to.
bool isPageAddress(QStringView name);

} // namespace pageaddress
