#pragma once

#include <QStringView>

// The names of the files and folders the program keeps, each written only here.
namespace filenames {

inline constexpr QStringView settingsFile = u"设置.ini";
inline constexpr QStringView templatesFolder = u"模板";
inline constexpr QStringView outputFolder = u"已生成";
// A page, and a site's front page.
inline constexpr QStringView pageFile = u"index.htm";
// Beside the output folder: the lasting sites, each with its sitemap.
inline constexpr QStringView sitesFolder = u"站点";
inline constexpr QStringView sitemapFile = u"sitemap.xml";

} // namespace filenames
