#pragma once

#include <QDate>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

// What each page of a site has shown: the item ids on it now, and every id it showed in the last
// days with the first and last day it was there. Kept in "页面商品.json" beside 站点.ini, never
// published; orders are traced back to pages through it.
namespace pageitems {

inline constexpr QStringView fileName = u"页面商品.json";
// Ids shown no later than this many days ago are forgotten.
inline constexpr int keepDays = 90;

struct Shown
{
    QDate first;
    QDate last;
};

struct Page
{
    QString keyword;
    QStringList current;         // in the order the page shows them
    QHash<QString, Shown> shown; // current ones included
};

// By page address (the page's folder below www/).
using Record = QMap<QString, Page>;

// The site's record; empty when there is none, and where the file is damaged (it only serves to
// trace orders, so nothing is refused for it).
Record read(const QString &siteFolder);

// Replaces the file whole; false when it could not be written.
bool write(const QString &siteFolder, const Record &record);

// `page` now shows `ids` (on `day`): they become its current ids and their last day is `day`;
// ids last shown more than keepDays before `day` are dropped.
void recordShown(Page &page, const QString &keyword, const QStringList &ids, const QDate &day);

// Drops the ids of every page last shown more than keepDays before `day`, and pages left with none.
void forgetOld(Record &record, const QDate &day);

// Whether `page` showed `itemId` on `day`.
bool showedOn(const Page &page, const QString &itemId, const QDate &day);

} // namespace pageitems
