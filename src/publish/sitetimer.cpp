#include "sitetimer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "pageaddress.h"
#include "templatelibrary.h"
#include "wholefile.h"

namespace sitetimer {

namespace {

// One argument of ExecStart=, quoted so that spaces, quotes, "%" and "$" stay what they are.
QString unitArgument(const QString &text)
{
    QString quoted = text;
    quoted.replace(u'\\', u"\\\\"_qs)
        .replace(u'"', u"\\\""_qs)
        .replace(u'%', u"%%"_qs)
        .replace(u'$', u"$$"_qs);
    return u'"' + quoted + u'"';
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

QString path(const QString &siteName, QStringView suffix)
{
    return joinPath(unitFolder(), unitName(siteName) + suffix);
}

} // namespace

QString unitName(const QString &siteName)
{
    QString slug = pageaddress::slugOf(siteName);
    if (slug.isEmpty())
        slug = QString::fromLatin1(
            QCryptographicHash::hash(siteName.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    return u"taoyefang-site-"_qs + slug;
}

QString unitFolder()
{
    return joinPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                    u"systemd/user"_qs);
}

QString serviceUnit(const QString &siteName, const QString &cli)
{
    return u"[Unit]\nDescription=淘页坊: refresh and publish the site "_qs + siteName +
           u"\n\n[Service]\nType=oneshot\nExecStart="_qs + unitArgument(cli) + u" site refresh "_qs +
           unitArgument(siteName) + u" --publish\n"_qs +
           // Then the orders the pages brought; "-": a sync that cannot run fails no refresh.
           u"ExecStart=-"_qs + unitArgument(cli) + u" orders sync\n"_qs;
}

QString timerUnit(const QString &siteName, int hours)
{
    const QString every = QString::number(hours) + u'h';
    return u"[Unit]\nDescription=淘页坊: refresh and publish the site "_qs + siteName + u" every "_qs +
           every + u"\n\n[Timer]\nOnActiveSec="_qs + every + u"\nOnUnitActiveSec="_qs + every +
           u"\nRandomizedDelaySec=5min\n\n[Install]\nWantedBy=timers.target\n"_qs;
}

Outcome install(const QString &siteName, int hours, const QString &cli)
{
    Outcome outcome;
    if (!QDir().mkpath(unitFolder()) ||
        !writeWholeFile(path(siteName, u".service"), serviceUnit(siteName, cli).toUtf8()) ||
        !writeWholeFile(path(siteName, u".timer"), timerUnit(siteName, hours).toUtf8())) {
        outcome.error = QDir::toNativeSeparators(unitFolder());
        return outcome;
    }
    const QString timer = unitName(siteName) + u".timer"_qs;
    // A timer already on must pick up its new interval: reload, then restart.
    outcome.enabled = userManagerRuns() && systemctl({u"daemon-reload"_qs}) &&
                      systemctl({u"enable"_qs, timer}) && systemctl({u"restart"_qs, timer});
    if (!outcome.enabled)
        outcome.enableCommand =
            u"systemctl --user daemon-reload && systemctl --user enable --now "_qs + timer;
    return outcome;
}

Outcome remove(const QString &siteName)
{
    Outcome outcome;
    const QString timer = unitName(siteName) + u".timer"_qs;
    outcome.enabled = userManagerRuns() && systemctl({u"disable"_qs, u"--now"_qs, timer});
    for (const QStringView suffix : {u".timer", u".service"}) {
        const QString file = path(siteName, suffix);
        if (QFile::exists(file) && !QFile::remove(file))
            outcome.error = QDir::toNativeSeparators(file);
    }
    if (outcome.enabled)
        systemctl({u"daemon-reload"_qs});
    return outcome;
}

int installedHours(const QString &siteName)
{
    QFile file(path(siteName, u".timer"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    static const QRegularExpression every(u"^OnUnitActiveSec=(\\d+)h$"_qs,
                                          QRegularExpression::MultilineOption);
    return every.match(QString::fromUtf8(file.readAll())).captured(1).toInt();
}

} // namespace sitetimer
