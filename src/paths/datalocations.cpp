#include "datalocations.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <QTemporaryFile>
#endif

#include "filenames.h"

namespace {

// The name of the configuration folder, and of the folder in the documents that holds the pages.
const QString configFolderName = u"taoyefang"_qs;
const QString documentsFolderName = u"淘页坊"_qs;

QString withoutTrailingSlash(QString path)
{
    path = QDir::fromNativeSeparators(path);
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

UserFolders standardUserFolders()
{
    // AppConfigLocation depends on the name of the program that asks; the command-line front end
    // must find the window's settings all the same.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return {config + u'/' + configFolderName, documents};
}

DataLocations locate(const QString &programFolder, const UserFolders &user)
{
    const QString program = withoutTrailingSlash(programFolder);
    DataLocations where;
    where.templateRoot = program + u'/' + filenames::templatesFolder + u'/';
    where.portable = !QFileInfo::exists(program + u'/' + installedMarker) && isWritableFolder(program);
    if (where.portable) {
        where.settingsPath = program + u'/' + filenames::settingsFile;
        where.userTemplateRoot = where.templateRoot;
        where.outputRoot = program + u'/' + filenames::outputFolder;
        where.templateRoots = {where.templateRoot};
    } else {
        const QString config = withoutTrailingSlash(user.configFolder);
        where.settingsPath = config + u'/' + filenames::settingsFile;
        where.userTemplateRoot = config + u'/' + filenames::templatesFolder + u'/';
        where.outputRoot = withoutTrailingSlash(user.documentsFolder) + u'/' + documentsFolderName + u'/' +
                           filenames::outputFolder;
        where.templateRoots = {where.templateRoot, where.userTemplateRoot};
    }
    return where;
}

DataLocations locate(const QString &programFolder)
{
    return locate(programFolder, standardUserFolders());
}

bool isWritableFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isWritable())
        return false;
    constexpr QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!(info.permissions() & anyWrite))
        return false;
#ifdef Q_OS_WIN
    // Without an ACL lookup Qt reports every folder as writable, "Program Files" included.
    QTemporaryFile probe(info.absoluteFilePath() + u"/.probe-XXXXXX"_qs);
    if (!probe.open())
        return false;
#endif
    return true;
}
