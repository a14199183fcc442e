#include "sitetimer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "pageaddress.h"
#include "joinpath.h"
#include "textops.h"
#include "wholefile.h"

namespace sitetimer {

namespace {

// One argument of ExecStart=, quoted so that spaces, quotes, "%", "$" and line breaks stay what
// they are.
QString unitArgument(const QString &text)
{
    QString quoted;
    for (const QChar c : text) {
        if (c == u'\\' || c == u'"')
            quoted += u'\\';
        if (c == u'%' || c == u'$')
            quoted += c;
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            quoted += u"\\x"_qs + QString::number(c.unicode(), 16).rightJustified(2, u'0');
        else
            quoted += c;
    }
    return u'"' + quoted + u'"';
}

// A name in a Description=, which is one line and expands "%".
QString described(const QString &siteName)
{
    return textops::withoutControls(siteName).replace(u'%', u"%%"_qs);
}

// Whether a systemd user manager runs for this user (it owns $XDG_RUNTIME_DIR/systemd/private).
bool userManagerRuns()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFile::exists(runtime + u"/systemd/private"_qs) &&
           !QStandardPaths::findExecutable(u"systemctl"_qs).isEmpty();
}

bool systemctl(const QStringList &arguments)
{
    QProcess process;
    process.start(u"systemctl"_qs, QStringList{u"--user"_qs} + arguments);
    return process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QString unitPath(const QString &unit, QStringView suffix)
{
    return joinPath(unitFolder(), unit + suffix);
}

// What an earlier version called the units: the name's pinyin alone, shared by names that read
// alike, so they are the site's only when their service names it.
QString legacyUnitName(const QString &siteName)
{
    QString slug = pageaddress::slugOf(siteName);
    if (slug.isEmpty())
        slug = QString::fromLatin1(
            QCryptographicHash::hash(siteName.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    return u"taoyefang-site-"_qs + slug;
}

QString legacyUnitOf(const QString &siteName)
{
    const QString unit = legacyUnitName(siteName);
    QFile service(unitPath(unit, u".service"));
    if (!service.open(QIODevice::ReadOnly) || service.size() > 64 * 1024)
        return QString();
    const QString command = u" site refresh "_qs + unitArgument(siteName) + u" --publish\n"_qs;
    return QString::fromUtf8(service.readAll()).contains(command) ? unit : QString();
}

// Stops the timer `unit` and removes its files; false with `error` set when a file stays.
bool removeUnits(const QString &unit, Outcome &outcome)
{
    outcome.enabled = userManagerRuns() && systemctl({u"disable"_qs, u"--now"_qs, unit + u".timer"_qs});
    bool removed = true;
    // The link `enable` made goes too, or the user manager would find it dangling.
    for (const QString &file : {unitPath(unit, u".timer"), unitPath(unit, u".service"),
                                joinPath(unitFolder(), u"timers.target.wants/"_qs + unit + u".timer"_qs)}) {
        if (QFileInfo(file).isSymLink() || QFileInfo::exists(file)) {
            if (!QFile::remove(file)) {
                outcome.error = QDir::toNativeSeparators(file);
                removed = false;
            }
        }
    }
    if (outcome.enabled)
        systemctl({u"daemon-reload"_qs});
    return removed;
}

} // namespace

QString unitName(const QString &siteFolder)
{
    // The window and the command line may reach one folder by different paths.
    const QFileInfo info(siteFolder);
    const QString folder =
        info.exists() ? info.canonicalFilePath() : QDir::cleanPath(info.absoluteFilePath());
    QString slug = pageaddress::slugOf(QFileInfo(folder).fileName());
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(10));
    return u"taoyefang-site-"_qs + (slug.isEmpty() ? QString() : slug + u'-') + hash;
}

QString unitFolder()
{
    return joinPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                    u"systemd/user"_qs);
}

QString serviceUnit(const QString &siteName, const QString &cli)
{
    // "--" first: a name may begin with "-". A oneshot service has no time limit of its own; the
    // publish has its deadline, and this one ends whatever else may hang. Then the orders the pages
    // brought; "-": a sync that cannot run fails no refresh.
    return u"[Unit]\nDescription=淘页坊: refresh and publish the site "_qs + described(siteName) +
           u"\n\n[Service]\nType=oneshot\nTimeoutStartSec=6h\nExecStart="_qs + unitArgument(cli) +
           u" site refresh --publish -- "_qs + unitArgument(siteName) + u"\nExecStart=-"_qs +
           unitArgument(cli) + u" orders sync\n"_qs;
}

QString timerUnit(const QString &siteName, int hours)
{
    const QString every = QString::number(hours) + u'h';
    return u"[Unit]\nDescription=淘页坊: refresh and publish the site "_qs + described(siteName) +
           u" every "_qs + every + u"\n\n[Timer]\nOnActiveSec="_qs + every + u"\nOnUnitActiveSec="_qs +
           every + u"\nRandomizedDelaySec=5min\n\n[Install]\nWantedBy=timers.target\n"_qs;
}

Outcome install(const QString &siteFolder, const QString &siteName, int hours, const QString &cli)
{
    Outcome outcome;
    const QString unit = unitName(siteFolder);
    if (const QString legacy = legacyUnitOf(siteName); !legacy.isEmpty() && !removeUnits(legacy, outcome))
        return outcome;
    if (!QDir().mkpath(unitFolder()) ||
        !writeWholeFile(unitPath(unit, u".service"), serviceUnit(siteName, cli).toUtf8()) ||
        !writeWholeFile(unitPath(unit, u".timer"), timerUnit(siteName, hours).toUtf8())) {
        outcome.error = QDir::toNativeSeparators(unitFolder());
        return outcome;
    }
    const QString timer = unit + u".timer"_qs;
    // A timer already on must pick up its new interval: reload, then restart.
    outcome.enabled = userManagerRuns() && systemctl({u"daemon-reload"_qs}) &&
                      systemctl({u"enable"_qs, timer}) && systemctl({u"restart"_qs, timer});
    if (!outcome.enabled)
        outcome.enableCommand =
            u"systemctl --user daemon-reload && systemctl --user enable --now "_qs + timer;
    return outcome;
}

Outcome remove(const QString &siteFolder, const QString &siteName)
{
    Outcome outcome;
    if (const QString legacy = legacyUnitOf(siteName); !legacy.isEmpty())
        removeUnits(legacy, outcome);
    Outcome own;
    removeUnits(unitName(siteFolder), own);
    own.error = own.error.isEmpty() ? outcome.error : own.error;
    return own;
}

int installedHours(const QString &siteFolder, const QString &siteName)
{
    QString unit = unitName(siteFolder);
    if (!QFileInfo::exists(unitPath(unit, u".timer")))
        unit = legacyUnitOf(siteName);
    QFile file(unitPath(unit, u".timer"));
    if (unit.isEmpty() || !file.open(QIODevice::ReadOnly))
        return 0;
    static const QRegularExpression every(u"^OnUnitActiveSec=(\\d+)h$"_qs,
                                          QRegularExpression::MultilineOption);
    return every.match(QString::fromUtf8(file.read(64 * 1024))).captured(1).toInt();
}

} // namespace sitetimer
