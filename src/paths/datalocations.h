#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Where the program keeps what it writes. A program folder the user may write to (the build
// folder, a folder carried on a USB stick) keeps everything beside the executable, as it always
// has. An installed program keeps the settings and the user's own templates in the user's
// configuration folder and the generated pages in the documents folder, and reads the templates
// it ships from the program folder without copying them.
struct DataLocations
{
    bool portable = true;
    QString settingsPath;      // 设置.ini
    QString templateRoot;      // the shipped templates, ends with "/"
    QString userTemplateRoot;  // the user's own templates, ends with "/"; templateRoot when portable
    QString outputRoot;        // 已生成, no trailing separator
    QStringList templateRoots; // where the template list comes from; a later root wins a name
};

// The per-user folders an installed program writes to.
struct UserFolders
{
    QString configFolder;    // holds 设置.ini and the user's 模板
    QString documentsFolder; // holds 淘页坊/已生成
};

// A program folder holding this file belongs to the package manager: nothing is written there,
// even by the administrator, who could write anywhere. The install rules put it there.
inline constexpr QStringView installedMarker = u".installed";

// The user's configuration folder for this program (the window's AppConfigLocation, whichever
// program asks) and the documents folder.
UserFolders standardUserFolders();

DataLocations locate(const QString &programFolder, const UserFolders &user);
DataLocations locate(const QString &programFolder);

// The current user may create files in `folder`. A folder whose permissions allow no one to
// write counts as read-only for the administrator too.
bool isWritableFolder(const QString &folder);
