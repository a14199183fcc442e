#include "pagesync.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "filenames.h"
#include "wholefile.h"

namespace pagesync {

namespace {

// The regular files below `root`, as paths relative to it; links are no part of a page.
QStringList filesBelow(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (!it.fileInfo().isSymLink())
            files.append(QDir(root).relativeFilePath(it.filePath()));
    }
    return files;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

bool writeIfChanged(const QString &path, const QByteArray &bytes, bool *written)
{
    if (written)
        *written = false;
    const QFileInfo info(path);
    if (info.isFile() && !info.isSymLink() && info.size() == bytes.size() && contents(path) == bytes)
        return true;
    if (!QDir().mkpath(info.path()) || !writeWholeFile(path, bytes))
        return false;
    if (written)
        *written = true;
    return true;
}

Outcome syncFolder(const QString &source, const QString &target)
{
    Outcome outcome;
    QStringList files = filesBelow(source);
    // The page itself last: until it is in place, the old page still shows.
    const QString page = filenames::pageFile.toString();
    if (files.removeAll(page) > 0)
        files.append(page);
    for (const QString &relative : std::as_const(files)) {
        QFile in(source + u'/' + relative);
        bool written = false;
        if (!in.open(QIODevice::ReadOnly) ||
            !writeIfChanged(target + u'/' + relative, in.readAll(), &written))
            outcome.ok = false;
        else if (written)
            ++outcome.written;
    }
    const QSet<QString> wanted(files.begin(), files.end());
    for (const QString &relative : filesBelow(target)) {
        if (wanted.contains(relative))
            continue;
        if (QFile::remove(target + u'/' + relative))
            ++outcome.removed;
        else
            outcome.ok = false;
    }
    // Folders left empty by files that are gone.
    QDirIterator dirs(target, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks,
                      QDirIterator::Subdirectories);
    QStringList folders;
    while (dirs.hasNext())
        folders.prepend(dirs.next());
    for (const QString &folder : std::as_const(folders))
        QDir().rmdir(folder);
    return outcome;
}

} // namespace pagesync
