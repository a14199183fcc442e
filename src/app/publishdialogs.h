#pragma once

#include <QString>

class QWidget;

// The two settings 站点管理 asks for before publishing a site: where it goes (with the password,
// which goes to the keyring, never to 站点.ini) and how often it refreshes and publishes itself.
namespace publishdialogs {

// Asks for the site's target and password and keeps them; true when they were kept.
bool editTarget(QWidget *parent, const QString &siteFolder);

// Asks every how many hours the site is refreshed and published (or never) and installs or
// removes the timer; `cli` is the command line it runs.
void editSchedule(QWidget *parent, const QString &siteFolder, const QString &cli);

} // namespace publishdialogs
