#include "outputfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "generationtexts.h"
#include "joinpath.h"
#include "textops.h"
#include "wholefile.h"

namespace outputfolder {

namespace {

// createFresh adds "_2" up to "_99999" to a name that is taken.
constexpr int lastSuffix = 99999;
constexpr qsizetype suffixRoom = 6;
// What a file system takes for one name: bytes on Linux (UTF-8), UTF-16 units on Windows.
constexpr qsizetype maxNameLength = 255;

bool isForbidden(QChar c)
{
    return c.unicode() < 0x20 || QStringView(u"\\/:*?\"<>|").contains(c);
}

bool isDeviceName(const QString &name)
{
    const QString stem = name.section(u'.', 0, 0).toUpper();
    static const QStringList devices = {u"CON"_qs, u"PRN"_qs,    u"AUX"_qs,
                                        u"NUL"_qs, u"CONIN$"_qs, u"CONOUT$"_qs};
    if (devices.contains(stem))
        return true;
    // COM1..COM9 and LPT1..LPT9; Windows also treats the superscript digits as such.
    if (stem.size() == 4 && (stem.startsWith(u"COM") || stem.startsWith(u"LPT")))
        return QStringView(u"123456789\u00b9\u00b2\u00b3").contains(stem.at(3));
    return false;
}

bool occupied(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

void makeWritable(const QString &path)
{
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
}

// Opens a regular file for reading, never through a link: the check and the open are one step
// where the system allows it, so a file swapped for a link meanwhile is not read either.
bool openRegularFile(QFile &file, const QString &path)
{
#ifdef Q_OS_UNIX
    // O_NONBLOCK: a pipe put in the file's place must not hang the copy.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    const QFileInfo info(path);
    if (info.isSymLink() || info.isJunction() || !info.isFile())
        return false;
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
#endif
}

bool copyFile(const QString &source, const QString &target)
{
    QFile in;
    if (!openRegularFile(in, source))
        return false;
    if (occupied(target)) {
        makeWritable(target);
        if (!QFile::remove(target))
            return false;
    }
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    constexpr qint64 chunk = 256 * 1024;
    bool ok = true;
    while (ok && !in.atEnd()) {
        const QByteArray bytes = in.read(chunk);
        ok = !bytes.isEmpty() && out.write(bytes) == bytes.size();
    }
    ok = ok && in.error() == QFileDevice::NoError && out.flush();
    out.close();
    ok = ok && out.error() == QFileDevice::NoError;
    if (!ok) {
        QFile::remove(target);
        return false;
    }
    makeWritable(target);
    return true;
}

bool isLink(const QFileInfo &entry)
{
    return entry.isSymLink() || entry.isJunction() || entry.isShortcut();
}

// What one copy keeps track of as it goes down the tree.
struct TreeCopy
{
    QStringList skipped;
    const std::function<bool(int)> &onFile;
    int copied = 0;
    bool stopped = false;
};

bool copyInto(const QString &source, const QString &target, const QString &relative, TreeCopy &copy)
{
    if (!QDir().mkpath(target))
        return false;
    bool ok = true;
    const QFileInfoList entries = QDir(source).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (copy.stopped)
            return false;
        const QString name = relative.isEmpty() ? entry.fileName() : relative + u'/' + entry.fileName();
        if (isLink(entry)) {
            copy.skipped.append(name);
            continue;
        }
        const QString to = target + u'/' + entry.fileName();
        if (entry.isDir()) {
            ok = copyInto(entry.filePath(), to, name, copy) && ok;
        } else if (entry.isFile()) {
            ok = copyFile(entry.filePath(), to) && ok;
            if (copy.onFile && !copy.onFile(++copy.copied))
                copy.stopped = true;
        }
        // Sockets, pipes and devices are no part of a page.
    }
    return ok && !copy.stopped;
}

// `name` cut to what a file system takes, leaving room for a suffix. The cut is made safe again:
// it may end in dots or spaces now.
QString fitLength(const QString &name)
{
    constexpr qsizetype limit = maxNameLength - suffixRoom;
    // A character takes at least as many UTF-8 bytes as UTF-16 units, so the bytes decide.
    qsizetype bytes = 0;
    qsizetype end = 0;
    for (const char32_t c : QStringView(name).toUcs4()) {
        bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (bytes > limit)
            break;
        end += QChar::requiresSurrogates(c) ? 2 : 1;
    }
    return end == name.size() ? name : safeName(QStringView(name).first(end));
}

} // namespace

QString safeName(QStringView name)
{
    QString result;
    result.reserve(name.size());
    for (const QChar c : name)
        result.append(isForbidden(c) ? QChar(u'_') : c);
    // What is left that would make the name show as another: DEL, C1 controls, bidi overrides.
    result = textops::withoutControls(result);

    // Windows drops trailing dots and spaces, which would turn "a." into another folder "a" and
    // ".." into the parent folder.
    for (qsizetype i = result.size() - 1; i >= 0 && (result.at(i) == u'.' || result.at(i) == u' '); --i)
        result[i] = u'_';
    if (result.isEmpty())
        result = u"_"_qs;
    if (isDeviceName(result))
        result.prepend(u'_');
    return fitLength(result);
}

QString ensureRoot(const QString &root)
{
    const QFileInfo info(root);
    if (info.isDir())
        return QString();
    if (occupied(root))
        return generationtexts::reasonNameTaken.toString();
    // The folders above it too: an installed program's root lies in the documents folder, which a
    // new account may not have yet.
    if (!root.isEmpty() && (QDir().mkpath(root) || QFileInfo(root).isDir()))
        return QString();
    return generationtexts::reasonCannotCreate.toString();
}

QString createFresh(const QString &root, const QString &baseName, QString *reason)
{
    // mkdir fails on a name that exists, so the folder a run gets is always its own.
    for (int n = 1; n <= lastSuffix; ++n) {
        const QString name = n == 1 ? baseName : baseName + u'_' + QString::number(n);
        const QString path = QDir::fromNativeSeparators(joinPath(root, name));
        if (QDir().mkdir(path))
            return path;
        if (!occupied(path))
            break;
    }
    if (reason)
        *reason = generationtexts::reasonCannotCreate.toString();
    return QString();
}

bool copyTree(const QString &source, const QString &target, QStringList *skippedLinks,
              const std::function<bool(int)> &onFile)
{
    if (!QFileInfo(source).isDir())
        return false;
    TreeCopy copy{{}, onFile};
    const bool ok = copyInto(source, target, QString(), copy);
    if (skippedLinks)
        *skippedLinks = copy.skipped;
    return ok;
}

bool writeWhole(const QString &path, const QByteArray &bytes)
{
    return writeWholeFile(path, bytes);
}

} // namespace outputfolder
