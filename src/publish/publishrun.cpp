#include "publishrun.h"

#include <QDir>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include "publishtexts.h"

namespace publish {

QString rcloneProgram()
{
    return QStandardPaths::findExecutable(u"rclone"_qs);
}

Run::Run(const QString &wwwFolder, const publishtarget::Target &target, const QString &secret, bool dryRun,
         QObject *parent)
    : QObject(parent)
    , m_www(wwwFolder)
    , m_target(target)
    , m_secret(secret)
{
    m_summary.dryRun = dryRun;
    connect(&m_process, &QProcess::readyReadStandardError, this, &Run::readLog);
    connect(&m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        readLog();
        if (!m_pending.isEmpty())
            takeLine(std::exchange(m_pending, {}));
        if (m_finished)
            return;
        if (m_summary.cancelled) {
            end(publishtexts::cancelled);
            return;
        }
        if (m_obscuring) {
            m_obscuring = false;
            const QString obscured = QString::fromUtf8(m_process.readAllStandardOutput()).trimmed();
            if (status != QProcess::NormalExit || code != 0 || obscured.isEmpty())
                end(publishtexts::failed + u": rclone obscure"_qs);
            else
                startSync(obscured);
            return;
        }
        if (status != QProcess::NormalExit || code != 0)
            end(publishtexts::failed + (m_lastError.isEmpty() ? QString() : u": "_qs + m_lastError));
        else
            end(QString());
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && !m_finished)
            end(publishtexts::noRclone);
    });
}

Run::~Run()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

void Run::start()
{
    const QString rclone = rcloneProgram();
    if (rclone.isEmpty()) {
        QTimer::singleShot(0, this, [this] { end(publishtexts::noRclone); });
        return;
    }
    m_process.setProgram(rclone);
    if (m_secret.isEmpty() || !publishtarget::wantsObscured(m_target)) {
        startSync(m_secret);
        return;
    }
    // rclone wants the password obscured; it reads it from stdin so that no command line shows it.
    m_obscuring = true;
    m_process.setArguments({u"obscure"_qs, u"-"_qs});
    m_process.start();
    m_process.write(m_secret.toUtf8());
    m_process.closeWriteChannel();
}

void Run::startSync(const QString &secret)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QProcessEnvironment remote = publishtarget::environment(m_target, secret);
    for (const QString &key : remote.keys())
        env.insert(key, remote.value(key));
    m_process.setProcessEnvironment(env);
    QStringList arguments{u"sync"_qs,
                          QDir(m_www).absolutePath() + u'/',
                          publishtarget::remotePath(m_target),
                          u"--config"_qs,
                          QString(), // no config file: the remote is wholly in the environment
                          u"--use-json-log"_qs,
                          u"--verbose"_qs,
                          u"--stats"_qs,
                          u"0"_qs,
                          u"--contimeout"_qs,
                          u"20s"_qs};
    arguments << publishtarget::syncOptions(m_target);
    if (m_summary.dryRun)
        arguments << u"--dry-run"_qs;
    m_process.setArguments(arguments);
    m_process.start();
}

void Run::cancel()
{
    if (m_finished)
        return;
    m_summary.cancelled = true;
    if (m_process.state() != QProcess::NotRunning)
        m_process.terminate();
    else
        end(publishtexts::cancelled);
}

const Summary &Run::exec()
{
    if (!m_finished) {
        QEventLoop loop;
        connect(this, &Run::finished, &loop, &QEventLoop::quit);
        if (!m_finished)
            loop.exec();
    }
    return m_summary;
}

void Run::readLog()
{
    m_pending += m_process.readAllStandardError();
    qsizetype newline;
    while ((newline = m_pending.indexOf('\n')) >= 0) {
        takeLine(m_pending.left(newline));
        m_pending.remove(0, newline + 1);
    }
}

void Run::takeLine(const QByteArray &line)
{
    if (m_obscuring || line.trimmed().isEmpty())
        return;
    const QJsonObject entry = QJsonDocument::fromJson(line).object();
    if (entry.isEmpty()) {
        // Not a log entry: rclone's last words when it cannot start, after a date and time.
        static const QRegularExpression stamp(u"^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d "_qs);
        m_lastError = QString::fromUtf8(line).trimmed().remove(stamp);
        return;
    }
    const QString message = entry.value(u"msg").toString();
    const QString object = entry.value(u"object").toString();
    const QString skipped = entry.value(u"skipped").toString();
    if (entry.value(u"level").toString() == u"error") {
        m_lastError = object.isEmpty() ? message : object + u": "_qs + message;
        return;
    }
    if (object.isEmpty())
        return;
    const bool copied = message.startsWith(u"Copied") || skipped == u"copy";
    const bool deleted = message == u"Deleted" || skipped == u"delete";
    if (copied)
        m_summary.copied.append(object);
    else if (deleted)
        m_summary.deleted.append(object);
    if (copied || deleted)
        emit fileDone(object, deleted);
}

void Run::end(const QString &error)
{
    if (m_finished)
        return;
    m_finished = true;
    m_summary.error = error;
    emit finished();
}

} // namespace publish
