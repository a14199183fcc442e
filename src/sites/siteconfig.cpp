#include "siteconfig.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "inifile.h"
#include "itemfilters.h"
#include "pageaddress.h"
#include "site.h"
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
const QString couponOnlyKey = itemfilters::couponOnlyName.toString();
const QString tmallOnlyKey = itemfilters::tmallOnlyName.toString();
const QString priceBandKey = itemfilters::priceName.toString();
const QString commissionKey = itemfilters::commissionName.toString();
const QString linkDaysKey = linkDaysName.toString();

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

// The filters and the links' validity, with the checks of the command line: a hand edit that
// fails them is named, never guessed at.
template <typename Value> void readFilters(Site &site, const Value &value)
{
    site.filter.couponOnly = value(siteSection, couponOnlyKey) == u"1";
    site.filter.tmallOnly = value(siteSection, tmallOnlyKey) == u"1";
    for (const QString &refusal :
         {itemfilters::setPrice(value(siteSection, priceBandKey), site.filter),
          itemfilters::setCommission(value(siteSection, commissionKey), site.filter)}) {
        if (!refusal.isEmpty())
            site.refusals.append(sites::configFileName.toString() + u": "_qs + refusal);
    }
    const QString days = value(siteSection, linkDaysKey).trimmed();
    bool ok = days.isEmpty();
    if (!ok) {
        site.linkValidDays = days.toInt(&ok);
        ok = ok && site.linkValidDays >= 1 && site.linkValidDays <= Site::maxLinkValidDays;
    }
    if (!ok) {
        site.linkValidDays = Site::defaultLinkValidDays;
        site.refusals.append(sites::configFileName.toString() + u": "_qs + linkDaysKey + u"“"_qs + days +
                             u"”无效:应为1到"_qs + QString::number(Site::maxLinkValidDays) + u"的整数"_qs);
    }
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
    // Written whole in one go: storing entry by entry would read the growing file again each time.
    QByteArray file;
    const auto section = [&file](const QString &name) {
        file += inifile::sectionLine(name) + "\r\n";
    };
    const auto put = [&file](const QString &key, const QString &value) {
        file += inifile::exactEntry(key, value) + "\r\n";
    };
    section(siteSection);
    put(nameKey, site.name);
    put(templateKey, site.templateName);
    put(countKey, site.count);
    put(sortKey, site.sortText);
    put(pidKey, site.pid);
    put(shortLinksKey, site.shortLinks ? u"1"_qs : u"0"_qs);
    put(tokensKey, site.tokens ? u"1"_qs : u"0"_qs);
    put(baseUrlKey, site.baseUrl);
    put(targetKey, site.target);
    put(encodingKey, charsets::name(site.encoding));
    put(couponOnlyKey, site.filter.couponOnly ? u"1"_qs : u"0"_qs);
    put(tmallOnlyKey, site.filter.tmallOnly ? u"1"_qs : u"0"_qs);
    put(priceBandKey, itemfilters::priceText(site.filter));
    put(commissionKey, itemfilters::commissionText(site.filter));
    put(linkDaysKey, QString::number(site.linkValidDays));
    put(refreshedKey, timeText(site.refreshed));
    put(publishedKey, timeText(site.published));
    put(publishedTargetKey, site.publishedTarget);
    put(publishedDigestKey, site.publishedDigest);
    put(pageCountKey, QString::number(site.pages.size()));
    for (qsizetype i = 0; i < site.pages.size(); ++i) {
        section(pageSection + QString::number(i + 1));
        put(keywordKey, site.pages[i].keyword);
        put(folderKey, site.pages[i].folder);
        put(changedKey, timeText(site.pages[i].changed));
        put(itemCountKey, QString::number(site.pages[i].itemCount));
        put(pictureKey, site.pages[i].picture);
        put(priceKey, site.pages[i].price);
    }
    return file;
}

std::optional<Site> fromBytes(QByteArrayView bytes)
{
    // One pass over the file; every value is then a look-up.
    const QHash<QString, inifile::Entries> sections = inifile::readAll(bytes);
    const auto value = [&sections](const QString &section, const QString &key) {
        const auto found = sections.constFind(section.toCaseFolded());
        return found == sections.cend() ? QString() : found->value(key.toCaseFolded());
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
    readFilters(site, value);
    // The count is only a claim: no more pages are looked for than the file has sections.
    const qsizetype pages =
        std::min<qsizetype>(value(siteSection, pageCountKey).toLongLong(), sections.size());
    QSet<QString> folders;
    for (qsizetype i = 1; i <= pages; ++i) {
        const QString section = pageSection + QString::number(i);
        PageRecord record{value(section, keywordKey),         value(section, folderKey),
                          timeOf(value(section, changedKey)), value(section, itemCountKey).toInt(),
                          value(section, pictureKey),         value(section, priceKey)};
        // The file may have been edited: a folder that is no page address could name a place
        // outside the site, and one that an earlier record has already would make two pages
        // share a folder. The record is dropped and the next refresh gives the keyword a new one.
        if (!record.keyword.isEmpty() && pageaddress::isPageAddress(record.folder) &&
            !folders.contains(record.folder)) {
            folders.insert(record.folder);
            site.pages.append(record);
        }
    }
    return site;
}

std::optional<Site> read(const QString &path)
{
    const std::optional<QByteArray> bytes = readRegularFile(path, maxFileSize);
    if (!bytes)
        return std::nullopt;
    return fromBytes(*bytes);
}

bool write(const QString &path, const Site &site)
{
    // A link in the file's place is replaced, never written through.
    if (QFileInfo(path).isSymLink() && !QFile::remove(path))
        return false;
    return writeWholeFile(path, toBytes(site));
}

} // namespace siteconfig
