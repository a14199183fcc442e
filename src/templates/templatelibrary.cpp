#include "templatelibrary.h"

#include <algorithm>

#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include "charsets.h"
#include "generationtexts.h"
#include "joinpath.h"
#include "templateformat.h"

QStringList zairumoban(const QString &路径)
{
    QStringList names;
    // An empty path would list the working folder.
    if (!路径.isEmpty()) {
        const QDir root(路径);
        const QFileInfoList entries =
            root.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                               QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo &entry : entries) {
            if (entry.isDir() && !isHiddenEntry(entry))
                names.append(entry.fileName());
        }
    }
    if (names.isEmpty())
        names.append(generationtexts::noTemplate.toString());
    return names;
}

QStringList zairumoban(const QStringList &roots)
{
    QStringList names;
    for (const QString &root : roots) {
        if (root.isEmpty())
            continue;
        for (const QString &name : zairumoban(root)) {
            // The placeholder stands for an empty folder here, unless a template carries its name.
            if (!names.contains(name) &&
                (name != generationtexts::noTemplate || QFileInfo(joinPath(root, name)).isDir()))
                names.append(name);
        }
    }
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    if (names.isEmpty())
        names.append(generationtexts::noTemplate.toString());
    return names;
}

bool isPlainTemplateName(const QString &name)
{
    const bool onlyDotsAndSpaces =
        std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c == u'.' || c == u' '; });
    return !onlyDotsAndSpaces && !name.contains(u'/') && !name.contains(u'\\') && !name.contains(u':') &&
           !QDir::isAbsolutePath(name);
}

QString findTemplateFolder(const QStringList &roots, const QString &name)
{
    if (!isPlainTemplateName(name))
        return QString();
    QString first;
    for (auto root = roots.crbegin(); root != roots.crend(); ++root) {
        if (root->isEmpty())
            continue;
        const QString folder = joinPath(*root, name);
        const QFileInfo info(folder);
        if (info.isDir() && !isHiddenEntry(info))
            return folder;
        first = folder;
    }
    return first;
}

namespace {

// `folder`/`fileName` when that is a present file; empty text otherwise, also for no folder.
QString presentFileIn(const QString &folder, QStringView fileName)
{
    const QString file = joinPath(folder, fileName.toString());
    return !folder.isEmpty() && isPresentFile(file) ? file : QString();
}

} // namespace

QString findTemplateFile(const QStringList &roots, const QString &name)
{
    return presentFileIn(findTemplateFolder(roots, name), templateformat::templateFileName);
}

QString readIndexTemplate(const QStringList &roots, const QString &name)
{
    // Most templates have none; opening an empty name would put a warning on the user's terminal.
    const QString path = presentFileIn(findTemplateFolder(roots, name), templateformat::indexFileName);
    QFile file(path);
    return !path.isEmpty() && file.open(QIODevice::ReadOnly) ? charsets::decodeResource(file.readAll())
                                                             : QString();
}

QString previewAddress(const QStringList &roots, const QString &name)
{
    if (name == generationtexts::noTemplate)
        return generationtexts::noTemplatePage.toString();
    const QString preview = presentFileIn(findTemplateFolder(roots, name), templateformat::previewFileName);
    return preview.isEmpty() ? generationtexts::noPreviewPage(name) : preview;
}

QString previewAddress(const QString &templateRoot, const QString &name)
{
    return previewAddress(QStringList{templateRoot}, name);
}

bool isHiddenEntry(const QFileInfo &info)
{
    if (info.isHidden())
        return true;
#ifdef Q_OS_WIN
    const QString native = QDir::toNativeSeparators(info.absoluteFilePath());
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<LPCWSTR>(native.utf16()));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_SYSTEM))
        return true;
#endif
    return false;
}

bool isPresentFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !isHiddenEntry(info);
}
