#include "siteconfig.h"

#include <QFile>

#include "inifile.h"
#include "pageaddress.h"
#include "wholefile.h"

namespace siteconfig {

namespace {

const QString siteSection = u"站点"_qs;
const QString pageSection = u"页面"_qs; // "页面1", "页面2" …, in the order of the list

const QString nameKey = u"名称"_qs;
const QString templateKey = u"模板"_qs;
const QString countKey = u"数量"_qs;
const QString sortKey = u"排序"_qs;
const QString pidKey = u"PID"_qs;
const QString shortLinksKey = u"短网址"_qs;
const QString tokensKey = u"淘口令"_qs;
const QString baseUrlKey = u"网址"_qs;
const QString targetKey = u"发布地址"_qs;
const QString encodingKey = u"编码"_qs;
const QString refreshedKey = u"更新时间"_qs;
const QString publishedKey = u"发布时间"_qs;
const QString publishedTargetKey = u"发布目标"_qs;
const QString publishedDigestKey = u"发布摘要"_qs;
const QString pageCountKey = u"页数"_qs;
const QString keywordKey = u"关键词"_qs;
const QString folderKey = u"地址"_qs;
const QString changedKey = u"更新"_qs;
const QString itemCountKey = u"件数"_qs;
const QString pictureKey = u"图片"_qs;
const QString priceKey = u"价格"_qs;

// A site's file is small; anything larger is no site's.
constexpr qint64 maxFileSize = 4 * 1024 * 1024;

QString timeText(const QDateTime &time)
{
    return time.isValid() ? time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate) : QString();
}

QDateTime timeOf(const QString &text)
{
    return QDateTime::fromString(text, Qt::ISODate);
}

} // namespace

const PageRecord *Site::page(const QString &keyword) const
{
    for (const PageRecord &record : pages) {
        if (record.keyword == keyword)
            return &record;
    }
    return nullptr;
}

QByteArray toBytes(const Site &site)
{
    QByteArray file;
    const auto put = [&file](const QString &section, const QString &key, const QString &value) {
        if (std::optional<QByteArray> stored = inifile::store(file, section, key, value))
            file = *stored;
    };
    put(siteSection, nameKey, site.name);
    put(siteSection, templateKey, site.templateName);
    put(siteSection, countKey, site.count);
    put(siteSection, sortKey, site.sortText);
    put(siteSection, pidKey, site.pid);
    put(siteSection, shortLinksKey, site.shortLinks ? u"1"_qs : u"0"_qs);
    put(siteSection, tokensKey, site.tokens ? u"1"_qs : u"0"_qs);
    put(siteSection, baseUrlKey, site.baseUrl);
    put(siteSection, targetKey, site.target);
    put(siteSection, encodingKey, charsets::name(site.encoding));
    put(siteSection, refreshedKey, timeText(site.refreshed));
    put(siteSection, publishedKey, timeText(site.published));
    put(siteSection, publishedTargetKey, site.publishedTarget);
    put(siteSection, publishedDigestKey, site.publishedDigest);
    put(siteSection, pageCountKey, QString::number(site.pages.size()));
    for (qsizetype i = 0; i < site.pages.size(); ++i) {
        const QString section = pageSection + QString::number(i + 1);
        put(section, keywordKey, site.pages[i].keyword);
        put(section, folderKey, site.pages[i].folder);
        put(section, changedKey, timeText(site.pages[i].changed));
        put(section, itemCountKey, QString::number(site.pages[i].itemCount));
        put(section, pictureKey, site.pages[i].picture);
        put(section, priceKey, site.pages[i].price);
    }
    return file;
}

std::optional<Site> read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxFileSize)
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    const auto value = [&bytes](const QString &section, const QString &key) {
        return inifile::lookUp(bytes, section, key, inifile::ValueLength::Whole);
    };
    Site site;
    site.name = value(siteSection, nameKey);
    if (site.name.isEmpty())
        return std::nullopt;
    site.templateName = value(siteSection, templateKey);
    site.count = value(siteSection, countKey);
    site.sortText = value(siteSection, sortKey);
    site.pid = value(siteSection, pidKey);
    site.shortLinks = value(siteSection, shortLinksKey) == u"1";
    site.tokens = value(siteSection, tokensKey) == u"1";
    site.baseUrl = value(siteSection, baseUrlKey);
    site.target = value(siteSection, targetKey);
    site.encoding = charsets::fromName(value(siteSection, encodingKey));
    site.refreshed = timeOf(value(siteSection, refreshedKey));
    site.published = timeOf(value(siteSection, publishedKey));
    site.publishedTarget = value(siteSection, publishedTargetKey);
    site.publishedDigest = value(siteSection, publishedDigestKey);
    const int pages = value(siteSection, pageCountKey).toInt();
    for (int i = 1; i <= pages; ++i) {
        const QString section = pageSection + QString::number(i);
        PageRecord record{value(section, keywordKey),         value(section, folderKey),
                          timeOf(value(section, changedKey)), value(section, itemCountKey).toInt(),
                          value(section, pictureKey),         value(section, priceKey)};
        // The file may have been edited: a folder that is no page address could name a place
        // outside the site, so the record is dropped and the next refresh gives the keyword a
        // new one.
        if (!record.keyword.isEmpty() && pageaddress::isPageAddress(record.folder))
            site.pages.append(record);
    }
    return site;
}

bool write(const QString &path, const Site &site)
{
    return writeWholeFile(path, toBytes(site));
}

} // namespace siteconfig
