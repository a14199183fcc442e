#include "outputfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include "generationtexts.h"
#include "templatelibrary.h"

namespace outputfolder {

namespace {

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

// The bytes of `source` into a new file `target`. QFile::copy would force each file to the disk
// before going on, which makes a template of a few dozen files cost a tenth of a second per page;
// the page itself is still written whole by writeWhole().
bool copyContents(const QString &source, const QString &target)
{
    QFile in(source);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got == 0)
            break;
        if (got < 0 || out.write(buffer.constData(), got) != got) {
            out.close();
            out.remove();
            return false;
        }
    }
    if (!out.flush()) {
        out.close();
        out.remove();
        return false;
    }
    out.close();
    out.setPermissions(in.permissions());
    return true;
}

bool copyFile(const QString &source, const QString &target)
{
    if (occupied(target)) {
        makeWritable(target);
        if (!QFile::remove(target))
            return false;
    }
    if (!copyContents(source, target))
        return false;
    makeWritable(target);
    return true;
}

bool copyInto(const QString &source, const QString &target, QStringList &ancestors)
{
    if (!QDir().mkpath(target))
        return false;
    const QString canonical = QFileInfo(source).canonicalFilePath();
    // A link back up the tree would otherwise be copied without end.
    if (ancestors.contains(canonical))
        return true;
    ancestors.append(canonical);

    bool ok = true;
    const QFileInfoList entries =
        QDir(source).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        const QString to = target + u'/' + entry.fileName();
        if (entry.isDir())
            ok = copyInto(entry.filePath(), to, ancestors) && ok;
        else if (entry.isFile())
            ok = copyFile(entry.filePath(), to) && ok;
        // Sockets, pipes and devices are no part of a page.
    }
    ancestors.removeLast();
    return ok;
}

} // namespace

QString safeName(QStringView name)
{
    QString result;
    result.reserve(name.size());
    for (const QChar c : name)
        result.append(isForbidden(c) ? QChar(u'_') : c);

    // Windows drops trailing dots and spaces, which would turn "a." into another folder "a" and
    // ".." into the parent folder.
    for (qsizetype i = result.size() - 1; i >= 0 && (result.at(i) == u'.' || result.at(i) == u' '); --i)
        result[i] = u'_';
    if (result.isEmpty())
        result = u"_"_qs;
    if (isDeviceName(result))
        result.prepend(u'_');
    return result;
}

QString ensureRoot(const QString &root)
{
    const QFileInfo info(root);
    if (info.isDir())
        return QString();
    if (occupied(root))
        return generationtexts::reasonNameTaken.toString();
    if (QDir().mkdir(root) || QFileInfo(root).isDir())
        return QString();
    return generationtexts::reasonCannotCreate.toString();
}

QString createFresh(const QString &root, const QString &baseName, QString *reason)
{
    // mkdir fails on a name that exists, so the folder a run gets is always its own.
    for (int n = 1; n < 100000; ++n) {
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

bool copyTree(const QString &source, const QString &target)
{
    if (!QFileInfo(source).isDir())
        return false;
    QStringList ancestors;
    return copyInto(source, target, ancestors);
}

bool writeWhole(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace outputfolder
