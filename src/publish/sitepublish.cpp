#include "sitepublish.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include "templatelibrary.h"
#include "publishtarget.h"
#include "publishtexts.h"
#include "site.h"
#include "siteconfig.h"

namespace sitepublish {

namespace {

// The keyring entry of the site in `siteFolder`: the folder is what tells two sites apart.
QString secretKey(const QString &siteFolder)
{
    return u"site:"_qs + QFileInfo(siteFolder).absoluteFilePath();
}

} // namespace

QString secretFile(const QString &siteFolder)
{
    return joinPath(siteFolder, u".发布密码"_qs);
}

bool setTarget(const QString &siteFolder, const QString &address, const QString &password,
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
    *place = secretstore::store(secretKey(siteFolder), password, secretFile(siteFolder));
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
    const std::optional<publishtarget::Target> target = publishtarget::parse(site->target, error);
    if (!target)
        return nullptr;
    const std::optional<QString> secret = secretstore::read(secretKey(siteFolder), secretFile(siteFolder));
    if (!secret) {
        *error = publishtexts::noPassword;
        return nullptr;
    }
    auto run = std::make_unique<publish::Run>(paths.www, *target, *secret, dryRun);
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
