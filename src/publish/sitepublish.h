#pragma once

#include <memory>

#include <QString>

#include "publishrun.h"
#include "secretstore.h"

// Publishing a lasting site: its target from 站点.ini, its password from the keyring (or the
// private file beside 站点.ini, never inside www/).
namespace sitepublish {

// Checks `address` and keeps it as the site's target, with `password` stored apart from it; false
// with `error` set when the address is no target or 站点.ini cannot be written. `place` says
// where the password went.
bool setTarget(const QString &siteFolder, const QString &address, const QString &password,
               secretstore::Place *place, QString *error);

// The private file the password falls back to.
QString secretFile(const QString &siteFolder);

// A run that publishes the site's www/ to its target; null with `error` set when the site has no
// usable target. Once it succeeds (not on a dry run), 站点.ini records it.
std::unique_ptr<publish::Run> runFor(const QString &siteFolder, bool dryRun, QString *error);

// A digest of the files below `www`: their names, sizes and times.
QString wwwDigest(const QString &www);

// Whether www/ or the target changed since the last publish that succeeded (or none did).
bool needsPublish(const QString &siteFolder);

} // namespace sitepublish
