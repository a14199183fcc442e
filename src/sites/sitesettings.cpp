#include "sitesettings.h"

#include "siteindex.h"

namespace sites {

BatchSettings batchSettings(const siteconfig::Site &site)
{
    BatchSettings settings;
    settings.templateName = site.templateName;
    settings.count = site.count;
    settings.sortText = site.sortText;
    settings.pid = site.pid;
    settings.shortLinkState = site.shortLinks ? 1 : 0;
    settings.siteName = site.name;
    settings.baseUrl = site.baseUrl;
    settings.utf8 = site.encoding == charsets::PageEncoding::Utf8;
    settings.filter = site.filter;
    return settings;
}

AppSetup runSetup(const siteconfig::Site &site, AppSetup setup)
{
    setup.openPlatform.makeTpwd = site.tokens;
    return setup;
}

void takeSettings(siteconfig::Site &site, const BatchSettings &settings)
{
    site.templateName = settings.templateName;
    site.count = settings.count;
    site.sortText = settings.sortText;
    site.pid = settings.pid;
    site.shortLinks = settings.shortLinkState == 1;
    site.baseUrl = settings.baseUrl.isEmpty() ? QString() : siteindex::baseAddress(settings.baseUrl);
    site.filter = settings.filter;
}

} // namespace sites
