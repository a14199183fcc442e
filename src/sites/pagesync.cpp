#include "pagesync.h"

#include <algorithm>
#include <cstdio>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

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

// Everything below `root` but folders: files and links (links are not followed), relative to it.
QStringList entriesBelow(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isSymLink() || !it.fileInfo().isDir())
            entries.append(QDir(root).relativeFilePath(it.filePath()));
    }
    return entries;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isRealFolder(const QFileInfo &info)
{
    return info.isDir() && !info.isSymLink();
}

bool isRealFile(const QFileInfo &info)
{
    return info.isFile() && !info.isSymLink();
}

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo old(b);
    return isRealFile(old) && QFileInfo(a).size() == old.size() && contents(a) == contents(b);
}

// Puts the user's entry `from` at `to` as it is: a link as a link, a file as another name for the
// same file (a copy where the file system cannot), its time kept.
bool carry(const QString &from, const QString &to)
{
    const QFileInfo info(from);
    // The new page has something of its own there (a folder where a link was): it wins.
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
        return true;
    if (!QDir().mkpath(QFileInfo(to).path()))
        return false;
#ifdef Q_OS_UNIX
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (info.isSymLink()) {
        QByteArray link(4096, Qt::Uninitialized);
        const ssize_t length = ::readlink(source.constData(), link.data(), size_t(link.size()));
        return length > 0 && length < link.size() &&
               ::symlink(link.first(length).constData(), target.constData()) == 0;
    }
    if (::link(source.constData(), target.constData()) == 0)
        return true;
#else
    if (info.isSymLink())
        return QFile::link(info.symLinkTarget(), to);
#endif
    if (!info.isFile() || !QFile::copy(from, to))
        return false;
    QFile copied(to);
    return copied.open(QIODevice::ReadWrite) &&
           copied.setFileTime(info.lastModified(), QFileDevice::FileModificationTime);
}

// `source` takes `target`'s place in one step; what was there is left at `source`.
bool swapIn(const QString &source, const QString &target)
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(target);
    if (!QFileInfo(target).exists() && !QFileInfo(target).isSymLink())
        return std::rename(from.constData(), to.constData()) == 0;
#if defined(Q_OS_LINUX) && defined(RENAME_EXCHANGE)
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // Without an exchange: the old page steps aside first, and comes back if the new one cannot go
    // in. A folder is never renamed over, so only a moment passes without the page.
    const QByteArray aside = from + ".old";
    if (std::rename(to.constData(), aside.constData()) != 0)
        return false;
    if (std::rename(from.constData(), to.constData()) == 0)
        return true; // the old page stays in the staging folder, which goes
    std::rename(aside.constData(), to.constData());
    return false;
}

} // namespace

bool writeIfChanged(const QString &path, const QByteArray &bytes, bool *written)
{
    if (written)
        *written = false;
    const QFileInfo info(path);
    if (isRealFile(info) && info.size() == bytes.size() && contents(path) == bytes)
        return true;
    // A link in the file's place would have the file written wherever it points.
    if (info.isSymLink() && !QFile::remove(path))
        return false;
    if (!QDir().mkpath(info.path()) || !writeWholeFile(path, bytes))
        return false;
    if (written)
        *written = true;
    return true;
}

bool removeTree(const QString &path)
{
    const QFileInfo info(path);
    if (isRealFolder(info))
        return QDir(path).removeRecursively(); // which removes the links inside as links
    return !info.exists() && !info.isSymLink() ? true : QFile::remove(path);
}

Outcome syncFolder(const QString &source, const QString &target, const std::optional<QSet<QString>> &ours)
{
    Outcome outcome;
    const QString page = filenames::pageFile.toString();
    if (!isRealFolder(QFileInfo(source)) || !isRealFile(QFileInfo(source + u'/' + page))) {
        outcome.ok = false;
        return outcome;
    }
    const QStringList files = filesBelow(source);
    outcome.files = files;
    outcome.files.sort();
    const QSet<QString> generated(files.begin(), files.end());
    const QFileInfo targetInfo(target);
    const bool oldPage = isRealFolder(targetInfo);
    // A file of the user's where the page goes is not taken away.
    if (targetInfo.exists() && !oldPage && !targetInfo.isSymLink()) {
        outcome.ok = false;
        return outcome;
    }

    for (const QString &relative : files) {
        const QString old = target + u'/' + relative;
        if (!oldPage || !sameFile(source + u'/' + relative, old)) {
            ++outcome.written;
            continue;
        }
        // The same bytes as before: the same time too.
        QFile same(source + u'/' + relative);
        if (!same.open(QIODevice::ReadWrite) ||
            !same.setFileTime(QFileInfo(old).lastModified(), QFileDevice::FileModificationTime))
            outcome.ok = false;
    }
    if (oldPage) {
        for (const QString &relative : entriesBelow(target)) {
            if (generated.contains(relative))
                continue;
            // Ours from last time and no longer in the page: left behind, it goes with the old page.
            if (ours && ours->contains(relative))
                ++outcome.removed;
            else
                outcome.kept.append(relative);
        }
        if (outcome.changed()) {
            for (const QString &relative : std::as_const(outcome.kept)) {
                if (!carry(target + u'/' + relative, source + u'/' + relative))
                    outcome.ok = false;
            }
        }
    }
    // A link in the page's place is no page: it is replaced even when its target looks the same.
    if (!outcome.changed() && oldPage && outcome.ok)
        return outcome;
    if (!outcome.ok || !swapIn(source, target)) {
        outcome.ok = false;
        outcome.written = 0;
        outcome.removed = 0;
    }
    return outcome;
}

Outcome removePage(const QString &target, const std::optional<QSet<QString>> &ours)
{
    Outcome outcome;
    if (!isRealFolder(QFileInfo(target)) || !ours) {
        if (isRealFolder(QFileInfo(target)))
            outcome.removed = int(entriesBelow(target).size());
        outcome.ok = removeTree(target);
        return outcome;
    }
    for (const QString &relative : entriesBelow(target)) {
        if (!ours->contains(relative)) {
            outcome.kept.append(relative);
        } else if (QFile::remove(target + u'/' + relative)) {
            ++outcome.removed;
        } else {
            outcome.ok = false;
        }
    }
    // The folders left empty go, deepest first; one that still holds something stays.
    QStringList folders;
    QDirIterator it(target, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        folders.append(it.next());
    std::sort(folders.begin(), folders.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &folder : std::as_const(folders))
        QDir().rmdir(folder);
    QDir().rmdir(target);
    return outcome;
}

} // namespace pagesync
