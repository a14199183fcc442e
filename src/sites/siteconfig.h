#pragma once

#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "charsets.h"
#include "itemfilter.h"

// "站点.ini": what a site is made with, and the lasting address of each of its pages. The same INI
// format (GBK) as 设置.ini; written whole, so a crash leaves the old file or the new one.
namespace siteconfig {

inline constexpr QStringView linkDaysName = u"链接有效天数";

// One keyword's page: the folder it lives in below www/ and when its bytes last changed.
struct PageRecord
{
    QString keyword;
    QString folder; // a page address (see pageaddress.h); nothing else is read back
    QDateTime changed;
    int itemCount = 0;
    QString picture;    // the first item's, for the site's index
    QString price = {}; // the first item's final price, for the site's index
};

struct Site
{
    QString name;
    QString templateName;
    QString count = u"10"_qs;
    QString sortText;
    QString pid;
    bool shortLinks = false;
    bool tokens = false; // one 淘口令 per item (open platform)
    QString baseUrl;     // the site's address on the web; empty: no sitemap
    QString target;      // where it is published (publishtarget.h); never with the password
    // What www/ is written in: UTF-8 unless the host needs GBK ("编码=GBK").
    charsets::PageEncoding encoding = charsets::PageEncoding::Utf8;
    QDateTime refreshed; // the end of the last refresh; invalid before the first
    // The last publish that succeeded: when, where to, and a digest of www/ as it was sent.
    QDateTime published;
    QString publishedTarget;
    QString publishedDigest;
    QList<PageRecord> pages;
    ItemFilter filter;                        // which items its pages show
    int linkValidDays = defaultLinkValidDays; // how long an item's links and 淘口令 are shown again
    // Values of the file that failed their checks (a hand edit), each naming the value: such a
    // site is listed but not refreshed.
    QStringList refusals = {};

    static constexpr int defaultLinkValidDays = 7;
    static constexpr int maxLinkValidDays = 365;

    // The record of `keyword`'s page, or null.
    const PageRecord *page(const QString &keyword) const;
};

// The file's content for `site`.
QByteArray toBytes(const Site &site);

// The site a 站点.ini holds; empty when the file cannot be read, is no regular file, or names no
// site. Page records whose address is no page address, or one an earlier record has, are left out.
std::optional<Site> read(const QString &path);
std::optional<Site> fromBytes(QByteArrayView bytes);

// Replaces the file whole (a link in its place is replaced, not followed); false when it could not
// be written. Every value reads back exactly as it is in `site`.
bool write(const QString &path, const Site &site);

} // namespace siteconfig
