#include "sitepublish.h"

#include <QDir>
#include <QFileInfo>

#include "templatelibrary.h"
#include "publishtarget.h"
#include "publishtexts.h"
#include "site.h"
#include "siteconfig.h"
#include "sitelock.h"

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
    // The site stays locked while the run lives: no refresh changes www/ under the upload.
    auto lock = std::make_unique<sites::SiteLock>(siteFolder);
    if (!lock->isLocked()) {
        *error = lock->refusal();
        return nullptr;
    }
    auto run = std::make_unique<publish::Run>(paths.www, *target, *secret, dryRun);
    lock.release()->setParent(run.get());
    return run;
}

} // namespace sitepublish
