#include "sitepublish.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include "joinpath.h"
#include "publishtarget.h"
#include "publishtexts.h"
#include "site.h"
#include "siteconfig.h"
#include "sitelock.h"
#include "wholefile.h"

namespace sitepublish {

namespace {

// Far more than a site's servers ever list.
constexpr qint64 maxKnownHostsSize = 1024 * 1024;

// The keyring entry of the site in `siteFolder`: the folder is what tells two sites apart.
QString secretKey(const QString &siteFolder)
{
    return u"site:"_qs + QFileInfo(siteFolder).absoluteFilePath();
}

// The lines of `file` for `host`, without the host: "类型 密钥".
QSet<QString> hostKeysOf(const QString &file, const QString &host)
{
    QSet<QString> keys;
    QFile known(file);
    if (!known.open(QIODevice::ReadOnly) || known.size() > maxKnownHostsSize)
        return keys;
    for (const QByteArray &line : known.readAll().split('\n')) {
        const QStringList fields = QString::fromUtf8(line).simplified().split(u' ');
        if (fields.size() >= 3 && fields[0] == host)
            keys.insert(fields[1] + u' ' + fields[2]);
    }
    return keys;
}

// "SHA256:…" as ssh-keygen -l shows a key.
QString fingerprint(const QString &base64Key)
{
    const QByteArray blob = QByteArray::fromBase64(base64Key.toLatin1());
    QByteArray digest = QCryptographicHash::hash(blob, QCryptographicHash::Sha256).toBase64();
    while (digest.endsWith('='))
        digest.chop(1);
    return u"SHA256:"_qs + QString::fromLatin1(digest);
}

} // namespace

QString knownHostsFile(const QString &siteFolder)
{
    return joinPath(siteFolder, u"known_hosts"_qs);
}

HostKeys fetchHostKeys(const QString &siteFolder, const publishtarget::Target &target)
{
    HostKeys keys;
    const QString keyscan = QStandardPaths::findExecutable(u"ssh-keyscan"_qs);
    if (keyscan.isEmpty()) {
        keys.error = publishtexts::noKeyscan;
        return keys;
    }
    QProcess process;
    process.start(keyscan, {u"-T"_qs, u"10"_qs, u"-p"_qs, QString::number(target.port > 0 ? target.port : 22),
                            u"--"_qs, target.host});
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
    }
    const QString host = publishtarget::hostPattern(target);
    QSet<QString> fetched;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        const QStringList fields = QString::fromUtf8(line).simplified().split(u' ');
        if (fields.size() != 3 || fields[0] != host || fetched.contains(fields[1] + u' ' + fields[2]))
            continue;
        fetched.insert(fields[1] + u' ' + fields[2]);
        keys.lines.append(fields.join(u' '));
        keys.fingerprints.append(fields[1] + u' ' + fingerprint(fields[2]));
    }
    if (keys.lines.isEmpty()) {
        keys.error = publishtexts::noHostKey;
        return keys;
    }
    const QSet<QString> kept = hostKeysOf(knownHostsFile(siteFolder), host);
    keys.known = kept.contains(fetched);
    keys.changed = !kept.isEmpty() && !keys.known;
    return keys;
}

bool keepHostKeys(const QString &siteFolder, const publishtarget::Target &target, const HostKeys &keys)
{
    const QString host = publishtarget::hostPattern(target);
    QByteArray content;
    QFile known(knownHostsFile(siteFolder));
    if (known.open(QIODevice::ReadOnly) && known.size() <= maxKnownHostsSize) {
        for (const QByteArray &line : known.readAll().split('\n')) {
            if (!line.trimmed().isEmpty() && QString::fromUtf8(line).simplified().section(u' ', 0, 0) != host)
                content += line + '\n';
        }
    }
    for (const QString &line : keys.lines)
        content += line.toUtf8() + '\n';
    return writeWholeFile(knownHostsFile(siteFolder), content);
}

QString secretFile(const QString &siteFolder)
{
    return joinPath(siteFolder, u".发布密码"_qs);
}

bool setTarget(const QString &siteFolder, const QString &address, const std::optional<QString> &password,
               secretstore::Place *place, QString *error)
{
    if (!publishtarget::parse(address, error))
        return false;
    const sites::Paths paths(siteFolder);
    std::optional<siteconfig::Site> site = siteconfig::read(paths.config);
    if (!site) {
        *error = QDir::toNativeSeparators(paths.config);
        return false;
    }
    site->target = address.trimmed();
    if (!siteconfig::write(paths.config, *site)) {
        *error = QDir::toNativeSeparators(paths.config);
        return false;
    }
    if (!password)
        return true;
    if (password->isEmpty()) {
        secretstore::remove(secretKey(siteFolder), secretFile(siteFolder));
        return true;
    }
    *place = secretstore::store(secretKey(siteFolder), *password, secretFile(siteFolder));
    if (*place == secretstore::Place::Nowhere) {
        *error = publishtexts::cannotStore;
        return false;
    }
    return true;
}

std::unique_ptr<publish::Run> runFor(const QString &siteFolder, bool dryRun, QString *error)
{
    const sites::Paths paths(siteFolder);
    const std::optional<siteconfig::Site> site = siteconfig::read(paths.config);
    if (!site || site->target.isEmpty()) {
        *error = publishtexts::noTarget;
        return nullptr;
    }
    std::optional<publishtarget::Target> target = publishtarget::parse(site->target, error);
    if (!target)
        return nullptr;
    if (publish::rcloneProgram().isEmpty()) {
        *error = publishtexts::noRclone;
        return nullptr;
    }
    if (target->kind == publishtarget::Kind::Sftp) {
        // Never the password to a server the user has not confirmed.
        if (hostKeysOf(knownHostsFile(siteFolder), publishtarget::hostPattern(*target)).isEmpty()) {
            *error = publishtexts::hostKeyUnknown;
            return nullptr;
        }
        target->knownHosts = knownHostsFile(siteFolder);
    }
    const std::optional<QString> secret = secretstore::read(secretKey(siteFolder), secretFile(siteFolder));
    if (!secret) {
        *error = publishtexts::noPassword;
        return nullptr;
    }
    // The site stays locked while the run lives: no refresh changes www/ under the upload.
    auto lock = std::make_unique<sites::SiteLock>(siteFolder);
    if (!lock->isLocked()) {
        *error = lock->refusal();
        return nullptr;
    }
    auto run = std::make_unique<publish::Run>(paths.www, *target, *secret, dryRun);
    lock.release()->setParent(run.get());
    if (dryRun)
        return run;
    // What was sent is www/ as it is now; a page written meanwhile makes the next publish send it.
    const QString digest = wwwDigest(paths.www);
    const QString address = site->target;
    QObject::connect(run.get(), &publish::Run::finished, run.get(),
                     [run = run.get(), paths, digest, address] {
                         if (!run->summary().ok())
                             return;
                         std::optional<siteconfig::Site> now = siteconfig::read(paths.config);
                         if (!now)
                             return;
                         now->published = QDateTime::currentDateTime();
                         now->publishedTarget = address;
                         now->publishedDigest = digest;
                         // Unrecorded, the next refresh --publish merely publishes again.
                         siteconfig::write(paths.config, *now);
                     });
    return run;
}

QString wwwDigest(const QString &www)
{
    QStringList entries;
    QDirIterator it(www, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo &file = it.fileInfo();
        entries.append(QDir(www).relativeFilePath(file.filePath()) + u'\t' + QString::number(file.size()) +
                       u'\t' + QString::number(file.lastModified().toMSecsSinceEpoch()));
    }
    entries.sort();
    return QString::fromLatin1(
        QCryptographicHash::hash(entries.join(u'\n').toUtf8(), QCryptographicHash::Sha256).toHex());
}

bool needsPublish(const QString &siteFolder)
{
    const sites::Paths paths(siteFolder);
    const std::optional<siteconfig::Site> site = siteconfig::read(paths.config);
    return !site || !site->published.isValid() || site->publishedTarget != site->target ||
           site->publishedDigest != wwwDigest(paths.www);
}

} // namespace sitepublish
