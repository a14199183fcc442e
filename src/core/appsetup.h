#pragma once

#include <functional>
#include <memory>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "filenames.h"
#include "itemfilter.h"
#include "itemsource.h"
#include "services.h"

// What the program sets up once and keeps for as long as its window (or a command-line run)
// lives: where things are and which services it talks to.
namespace openplatform {
class LinkRecord;
}

struct AppSetup
{
    QString programFolder; // the folder that holds the executable, no trailing separator
    QString settingsPath;
    QString templateRoot;      // the shipped templates, ends with a separator
    QStringList templateRoots; // where templates are found; a later root wins a name
    QString outputRoot;        // "已生成", no trailing separator
    QString helpBaseUrl;       // ends with "/"; the window's only
    ServiceHosts hosts;
    // Where the items come from; the open platform's account when they come from there.
    itemsource::Source source = itemsource::Source::TestTool;
    itemsource::OpenPlatformSetup openPlatform;
    // For a page of a site: its own address on the web (for its canonical link and share card),
    // and whether it and its template copy are written in UTF-8. A single page knows no address
    // and stays GBK.
    QString pageAddress;
    bool utf8Pages = false;
    // Which items the search may bring; none by default.
    ItemFilter filter;
    // A site's links and 淘口令 kept per item from its last refresh, shared by every keyword of
    // the run; none outside a site.
    std::shared_ptr<openplatform::LinkRecord> linkRecord;
    // The clock that names output folders and stamps signed calls; tests pin it.
    std::function<QDateTime()> now = [] {
        return QDateTime::currentDateTime();
    };

    // The usual places beside the executable.
    static AppSetup inProgramFolder(const QString &programFolder)
    {
        AppSetup setup;
        setup.programFolder = programFolder;
        setup.settingsPath = programFolder + u'/' + filenames::settingsFile;
        setup.templateRoot = programFolder + u'/' + filenames::templatesFolder + u'/';
        setup.templateRoots = {setup.templateRoot};
        setup.outputRoot = programFolder + u'/' + filenames::outputFolder;
        setup.hosts = services::defaultHosts();
        return setup;
    }
};
