#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// The files the program wrote in each page folder at its last refresh, so that the next one can
// tell its own files, which it may remove, from the user's, which it keeps. Kept in "页面文件.json"
// beside 站点.ini, never published.
namespace pagefiles {

inline constexpr QStringView fileName = u"页面文件.json";

// By page address (the page's folder below www/): paths relative to the page folder.
using Record = QMap<QString, QStringList>;

// The site's record; empty when there is none or it is damaged. A page without an entry is one
// whose files are not known: all of them are treated as the user's.
Record read(const QString &siteFolder);

// Replaces the file whole; false when it could not be written.
bool write(const QString &siteFolder, const Record &record);

} // namespace pagefiles
