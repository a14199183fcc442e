#pragma once

#include <memory>
#include <optional>

#include <QString>
#include <QStringList>

#include "publishrun.h"
#include "publishtarget.h"
#include "secretstore.h"

// Publishing a lasting site: its target from 站点.ini, its password from the keyring (or the
// private file beside 站点.ini, never inside www/).
namespace sitepublish {

// Checks `address` and keeps it as the site's target, with `password` stored apart from it (none:
// the stored one stays; empty: it is removed); false with `error` set when the address is no target
// or 站点.ini cannot be written. `place` says where a password given went.
bool setTarget(const QString &siteFolder, const QString &address, const std::optional<QString> &password,
               secretstore::Place *place, QString *error);

// The private file the password falls back to.
QString secretFile(const QString &siteFolder);

// The host keys an sftp server shows, for the user to confirm before the password goes to it.
struct HostKeys
{
    QStringList lines;        // as known_hosts holds them
    QStringList fingerprints; // "ssh-ed25519 SHA256:…", one a key
    bool known = false;       // the site has confirmed these already
    bool changed = false;     // the site confirmed other keys for this server
    QString error;            // none could be fetched
};

// Asks the target's server for its host keys (ssh-keyscan) and compares them with the site's.
HostKeys fetchHostKeys(const QString &siteFolder, const publishtarget::Target &target);

// Keeps `keys` as the only ones the target's server may show; false when the file cannot be written.
bool keepHostKeys(const QString &siteFolder, const publishtarget::Target &target, const HostKeys &keys);

// The site's known_hosts, beside 站点.ini.
QString knownHostsFile(const QString &siteFolder);

// A run that publishes the site's www/ to its target, holding the site's lock while it lives; null
// with `error` set when the site has no usable target or another process holds the site. Once it
// succeeds (not on a dry run), 站点.ini records it.
std::unique_ptr<publish::Run> runFor(const QString &siteFolder, bool dryRun, QString *error);

// A digest of the files below `www`: their names, sizes and times.
QString wwwDigest(const QString &www);

// Whether www/ or the target changed since the last publish that succeeded (or none did).
bool needsPublish(const QString &siteFolder);

} // namespace sitepublish
