#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include "charsets.h"

// The two files that tie a batch's pages into one site: "index.htm" and "sitemap.xml".
namespace siteindex {

// One page written by the batch, as the index lists it.
struct Page
{
    QString keyword;
    QString folderName; // the page's folder inside the site folder
    int itemCount = 0;
    QString picture;        // the first item's picture; only a web address is shown
    QDateTime changed = {}; // when the page's bytes last changed; invalid: the sitemap's own date
    QString price = {};     // the first item's final price
};

// The site's index page in the pages' encoding: a link to every page with its keyword, its item
// count and its first item's picture, in the order given, and a description naming the first
// keywords. In GBK, characters GBK cannot hold are written as character references, so nothing is
// lost.
// `indexTemplate`, the text of a template's "首页模板.htm", gives the page its look when it has a
// loop; without one the index has the program's own.
QByteArray indexPage(const QString &title, const QList<Page> &pages, const QDateTime &made,
                     charsets::PageEncoding encoding = charsets::PageEncoding::Gbk,
                     const QString &indexTemplate = {});

// The index's description: the title, the page count and the first keywords, at most 150
// characters, plain text.
QString indexDescription(const QString &title, const QList<Page> &pages);

// `text` as a site's base address: an absolute http or https address without query or
// fragment, ending with "/", fully percent-encoded. Empty, with `error` set, when it is not one.
QString baseAddress(const QString &text, QString *error = nullptr);

// "sitemap.xml" (UTF-8, sitemaps.org schema): the index and every page below `base` (a result of
// baseAddress()); the index with `lastmod`, each page with its own change time or `lastmod`.
QByteArray sitemap(const QString &base, const QList<Page> &pages, const QDateTime &lastmod);

// Where a page lies relative to the site folder, percent-encoded: "<folder>/index.htm".
QString pageAddress(const QString &folderName);

} // namespace siteindex
