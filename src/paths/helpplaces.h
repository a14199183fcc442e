#pragma once

#include <QHash>
#include <QString>

struct DataLocations;

// The help pages mark every phrase that names a place the program writes to or reads templates
// from, e.g. <span data-place="output">程序目录下的 <code>已生成</code></span>. The wording
// inside reads right for a portable folder; when the pages are shown it is replaced by the real
// paths, which differ once the program is installed.

// The replacement for each place, as HTML: "settings" (设置.ini), "output" (已生成), "templates"
// (every folder the template list comes from) and "user-templates" (where the user's own go).
QHash<QString, QString> helpPlaces(const DataLocations &where);

// `page` with the content of every marked phrase whose place is known replaced; the marks
// themselves and everything else stay as they are.
QString fillPlaces(const QString &page, const QHash<QString, QString> &places);
