#pragma once

#include <optional>

#include <QString>

#include "itemsource.h"
#include "services.h"

// The entries of "设置.ini" that the window and the command line share: the five inputs in
// "基本设置" and the services in "服务设置".
namespace settingsstore {

// The inputs as the window keeps them. Check1 and Combo2 are empty when the file holds no
// usable number for them; the control then stays as it was created.
struct Inputs
{
    QString keyword;               // Text1
    QString pid;                   // Text2
    QString count;                 // Text3
    std::optional<int> checkState; // Check1: 0 not ticked, 1 ticked, 2 greyed
    std::optional<int> sortIndex;  // Combo2: -1 none, else the entry's index
};

// A settings file read once, for a reader that must leave it as it is (the command line): an
// entry it lacks gives its default, which is not stored.
struct Snapshot
{
    enum class Status {
        Read,
        Missing,     // no file: every entry has its default
        TooLarge,    // over inifile::maxFileBytes; not read
        NotSettings, // a keyword list, a script, a binary...
        Unreadable,
    };
    QString path;
    QByteArray bytes;
    Status status = Status::Missing;

    bool usable() const { return status == Status::Read || status == Status::Missing; }
};
Snapshot readSnapshot(const QString &settingsPath);

// Reads the inputs; a missing entry stores its default (Check1's is `checkDefault`).
Inputs readInputs(const QString &settingsPath, int checkDefault);
Inputs readInputs(const Snapshot &settings, int checkDefault);

// Writes the five inputs; false when any of them could not be stored.
bool writeInputs(const QString &settingsPath, const Inputs &inputs);

// The service hosts, each trimmed of spaces; missing entries store the defaults.
ServiceHosts readHosts(const QString &settingsPath);
ServiceHosts readHosts(const Snapshot &settings);

// Where items come from and the open platform's account, from "服务设置"; missing entries store
// their defaults. The AppSecret is the file's where it holds one (made readable by its owner
// only), else the keyring's. Read from the file itself (the window), an AppSecret found there
// moves to the keyring where one runs; a snapshot (the command line) changes nothing.
struct SourceSettings
{
    itemsource::Source source = itemsource::Source::TestTool;
    itemsource::OpenPlatformSetup openPlatform;
    QString sourceText{}; // as the file names it, for a message about an unknown source
};
SourceSettings readSourceSettings(const QString &settingsPath);
SourceSettings readSourceSettings(const Snapshot &settings);

// Everything the settings dialog edits: the whole of "服务设置" and the short-link option.
struct ServiceSettings
{
    SourceSettings sources;
    ServiceHosts hosts;
    QString helpBaseUrl;
    int checkState = 0; // Check1
};

// Writes every entry of `settings` at once: the file is replaced whole, or not at all. The
// AppSecret goes to the keyring, kept under the file's path; where no keyring runs it stays in the
// file, which is then readable by its owner only where the system allows, and `secretInFile` says
// so. False when nothing could be stored.
bool writeServiceSettings(const QString &settingsPath, const ServiceSettings &settings,
                          bool *secretInFile = nullptr);

// The help site's address, ending with "/".
QString readHelpBaseUrl(const QString &settingsPath, const QString &defaultUrl);

// A settings value as an integer: a decimal number with blanks around it, rounded half to even,
// within [min, max]; empty otherwise.
std::optional<int> integerValue(const QString &text, int min, int max);

} // namespace settingsstore
