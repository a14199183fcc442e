#include "pageitems.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "wholefile.h"

namespace pageitems {

namespace {

// Large enough for thousands of pages of 40 items over three months; anything larger is no record.
constexpr qint64 maxFileSize = 64 * 1024 * 1024;
constexpr int formatVersion = 1;

QString pathIn(const QString &siteFolder)
{
    return QDir(siteFolder).filePath(fileName.toString());
}

QDate dayOf(const QJsonValue &value)
{
    return QDate::fromString(value.toString(), Qt::ISODate);
}

} // namespace

Record read(const QString &siteFolder)
{
    // Only a regular file: a pipe or a device put in its place would hang or flood the reader.
    const QFileInfo info(pathIn(siteFolder));
    if (!info.isFile() || info.isSymLink() || info.size() > maxFileSize)
        return {};
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonDocument document = QJsonDocument::fromJson(file.read(maxFileSize));
    if (!document.isObject() || document[u"version"].toInt() != formatVersion)
        return {};
    Record record;
    const QJsonObject pages = document[u"pages"].toObject();
    for (auto it = pages.begin(); it != pages.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        Page page;
        page.keyword = entry[u"keyword"].toString();
        for (const QJsonValue &id : entry[u"current"].toArray()) {
            if (id.isString() && !id.toString().isEmpty())
                page.current.append(id.toString());
        }
        const QJsonObject shown = entry[u"shown"].toObject();
        for (auto item = shown.begin(); item != shown.end(); ++item) {
            const QJsonArray days = item.value().toArray();
            const Shown span{dayOf(days.at(0)), dayOf(days.at(1))};
            if (!item.key().isEmpty() && span.first.isValid() && span.last.isValid() &&
                span.first <= span.last)
                page.shown.insert(item.key(), span);
        }
        if (!it.key().isEmpty())
            record.insert(it.key(), page);
    }
    return record;
}

bool write(const QString &siteFolder, const Record &record)
{
    QJsonObject pages;
    for (auto it = record.cbegin(); it != record.cend(); ++it) {
        QJsonObject shown;
        for (auto item = it->shown.cbegin(); item != it->shown.cend(); ++item)
            shown.insert(item.key(),
                         QJsonArray{item->first.toString(Qt::ISODate), item->last.toString(Qt::ISODate)});
        pages.insert(it.key(), QJsonObject{{u"keyword"_qs, it->keyword},
                                           {u"current"_qs, QJsonArray::fromStringList(it->current)},
                                           {u"shown"_qs, shown}});
    }
    const QJsonObject root{{u"version"_qs, formatVersion}, {u"pages"_qs, pages}};
    return writeWholeFile(pathIn(siteFolder), QJsonDocument(root).toJson(QJsonDocument::Compact));
}

void recordShown(Page &page, const QString &keyword, const QStringList &ids, const QDate &day)
{
    page.keyword = keyword;
    page.current = ids;
    for (const QString &id : ids) {
        auto it = page.shown.find(id);
        if (it == page.shown.end())
            page.shown.insert(id, Shown{day, day});
        else
            it->last = std::max(it->last, day);
    }
    const QDate oldest = day.addDays(-keepDays);
    page.shown.removeIf([&oldest](const auto &item) { return item.value().last < oldest; });
}

void forgetOld(Record &record, const QDate &day)
{
    const QDate oldest = day.addDays(-keepDays);
    for (Page &page : record)
        page.shown.removeIf([&oldest](const auto &item) { return item.value().last < oldest; });
    record.removeIf(
        [](const auto &page) { return page.value().shown.isEmpty() && page.value().current.isEmpty(); });
}

bool showedOn(const Page &page, const QString &itemId, const QDate &day)
{
    const auto it = page.shown.constFind(itemId);
    return it != page.shown.cend() && it->first <= day && day <= it->last;
}

} // namespace pageitems
