#pragma once

#include <QCommandLineParser>
#include <QDir>
#include <QString>

#include "appsetup.h"
#include "batchrun.h"
#include "cliform.h"
#include "commandline.h"
#include "commonoptions.h"
#include "console.h"
#include "itemfilter.h"
#include "services.h"
#include "settingsstore.h"

// The settings behind the command line's runs, and the inputs resolved from them and the options.
namespace cli {

// Where the window's inputs come from when the command line does not give them.
struct Settings
{
    QString path;
    settingsstore::Inputs inputs;
    ServiceHosts hosts;
    settingsstore::SourceSettings sources;
    bool tokens = false; // --tokens

    QString where(const QString &key, const QString &section = u"基本设置"_qs) const
    {
        return u"设置文件 "_qs + QDir::toNativeSeparators(path) + u" ["_qs + section + u"] "_qs + key;
    }
};

// The inputs a run reads, each with the place it came from for messages.
struct ResolvedInputs
{
    CliForm::Inputs inputs;
    QString pidFrom;
    QString countFrom;
    ItemFilter filter;
};

// The settings are only read, never written: a file given by mistake stays as it was, and the
// defaults of entries it lacks are used without being stored.
bool loadSettings(const QCommandLineParser &parser, const CommonOptions &options, const Environment &env,
                  const Console &console, Settings &settings);

bool resolveInputs(const QCommandLineParser &parser, const CommonOptions &options, const Settings &settings,
                   const Console &console, ResolvedInputs &resolved);

// Which input a refusal of the run is about, for "what and where".
QString refusalPlace(const QString &message, const ResolvedInputs &resolved, const QString &keywordOption);

AppSetup setupFor(const Environment &env, const Settings &settings);

// What every keyword of a batch or a site shares, as the command line and the settings give it.
BatchSettings batchSettingsFor(const ResolvedInputs &resolved);

} // namespace cli
