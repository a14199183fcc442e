#pragma once

#include <QString>

// A site refreshed and published on a timer: a systemd user timer and its service in
// ~/.config/systemd/user/, named after the site's folder (taoyefang-site-<拼音>-<hash>), since two
// names can read alike. Units an earlier version named after the name's pinyin alone are still
// read, and replaced whenever the site's timer is set again.
namespace sitetimer {

inline constexpr int minHours = 1;
inline constexpr int maxHours = 168;

// "taoyefang-site-<拼音>-<hash>", the units' name without .timer or .service.
QString unitName(const QString &siteFolder);

// Where the user's units live.
QString unitFolder();

// The two units' content: every `hours` hours `cli` runs "site refresh --publish -- <siteName>".
QString serviceUnit(const QString &siteName, const QString &cli);
QString timerUnit(const QString &siteName, int hours);

struct Outcome
{
    QString error;         // the units could not be written or removed
    bool enabled = false;  // the user manager has it running (or, for off, has let it go)
    QString enableCommand; // otherwise what the user runs to enable it
};

// Writes the units of the site in `siteFolder`, named `siteName`, and enables the timer when a
// user manager runs.
Outcome install(const QString &siteFolder, const QString &siteName, int hours, const QString &cli);

// Stops the timer and removes the units.
Outcome remove(const QString &siteFolder, const QString &siteName);

// The hours of the installed timer, or 0 when there is none.
int installedHours(const QString &siteFolder, const QString &siteName);

} // namespace sitetimer
