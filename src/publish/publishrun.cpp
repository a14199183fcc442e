#include "publishrun.h"

#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include "publishtexts.h"

namespace publish {

namespace {

// rclone's own limits: a connection that does not answer is given up on after these, and a
// transfer retried a few times rather than the default ten. The run's deadline covers the rest.
const QStringList patience{u"--contimeout"_qs,    u"20s"_qs, u"--timeout"_qs,           u"60s"_qs,
                           u"--retries"_qs,       u"2"_qs,   u"--low-level-retries"_qs, u"3"_qs,
                           u"--retries-sleep"_qs, u"2s"_qs};

// How long a child has to go after it is asked to before it is killed.
constexpr int killAfterMs = 3000;

} // namespace

QString rcloneProgram()
{
    return QStandardPaths::findExecutable(u"rclone"_qs);
}

LogLine readLogLine(QByteArrayView line)
{
    LogLine read;
    const QByteArrayView text = line.trimmed();
    if (text.isEmpty())
        return read;
    const QJsonObject entry = QJsonDocument::fromJson(text.toByteArray()).object();
    if (entry.isEmpty()) {
        // Not a log entry: rclone's last words when it cannot start, after a date and time.
        static const QRegularExpression stamp(u"^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d "_qs);
        read.kind = LogLine::Kind::Error;
        read.error = QString::fromUtf8(text).remove(stamp);
    } else {
        const QString message = entry.value(u"msg").toString();
        const QString skipped = entry.value(u"skipped").toString();
        const QString level = entry.value(u"level").toString();
        read.object = entry.value(u"object").toString();
        if (level == u"error" || level == u"critical" || level == u"fatal") {
            read.kind = LogLine::Kind::Error;
            read.error = read.object.isEmpty() ? message : read.object + u": "_qs + message;
        } else if (read.object.isEmpty()) {
            return read;
        } else if (message.startsWith(u"Copied") || skipped == u"copy") {
            read.kind = LogLine::Kind::Copied;
        } else if (message == u"Deleted" || skipped == u"delete") {
            read.kind = LogLine::Kind::Deleted;
        }
    }
    // What rclone's sftp says when the server shows a key the site never confirmed.
    if (read.error.contains(u"knownhosts: key mismatch"))
        read.error = publishtexts::hostKeyChanged;
    else if (read.error.contains(u"knownhosts: key is unknown"))
        read.error = publishtexts::hostKeyUnknown;
    return read;
}

QList<QByteArray> takeLines(QByteArray &pending)
{
    QList<QByteArray> lines;
    qsizetype from = 0;
    for (qsizetype newline; (newline = pending.indexOf('\n', from)) >= 0; from = newline + 1)
        lines.append(pending.sliced(from, newline - from));
    pending.remove(0, from);
    return lines;
}

QStringList syncArguments(const QString &wwwFolder, const publishtarget::Target &target, bool dryRun)
{
    QStringList arguments{u"sync"_qs,
                          QDir(wwwFolder).absolutePath() + u'/',
                          publishtarget::remotePath(target),
                          u"--config"_qs,
                          QString(), // no config file: the remote is wholly in the environment
                          u"--use-json-log"_qs,
                          u"--verbose"_qs,
                          u"--stats"_qs,
                          u"0"_qs};
    arguments << patience << publishtarget::syncOptions(target);
    if (dryRun)
        arguments << u"--dry-run"_qs;
    return arguments;
}

std::chrono::milliseconds deadlineFor(const QString &wwwFolder)
{
    qint64 bytes = 0;
    qint64 files = 0;
    QDirIterator it(wwwFolder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        bytes += it.fileInfo().size();
        ++files;
    }
    // Five minutes, then a second for every 32 KB (a slow upstream line) and a quarter second for
    // every file (each is a round trip or more on sftp and ftp).
    using namespace std::chrono_literals;
    return 5min + std::chrono::seconds(bytes / (32 * 1024)) + std::chrono::milliseconds(files * 250);
}

Run::Run(const QString &wwwFolder, const publishtarget::Target &target, const QString &secret, bool dryRun,
         QObject *parent)
    : QObject(parent)
    , m_www(wwwFolder)
    , m_target(target)
    , m_secret(secret)
{
    m_summary.dryRun = dryRun;
    m_deadline.setSingleShot(true);
    m_killTimer.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        stop();
    });
    connect(&m_killTimer, &QTimer::timeout, this, [this] {
        if (m_process.state() != QProcess::NotRunning)
            m_process.kill();
    });
    connect(&m_process, &QProcess::readyReadStandardError, this, &Run::readLog);
    connect(&m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        readLog();
        if (!m_pending.isEmpty())
            takeLine(std::exchange(m_pending, {}));
        if (m_finished)
            return;
        if (m_timedOut) {
            end(failure(publishtexts::timedOut));
            return;
        }
        if (m_summary.cancelled) {
            end(publishtexts::cancelled);
            return;
        }
        if (m_obscuring) {
            m_obscuring = false;
            const QString obscured = QString::fromUtf8(m_process.readAllStandardOutput()).trimmed();
            if (status != QProcess::NormalExit || code != 0 || obscured.isEmpty())
                end(failure(u"rclone obscure"_qs));
            else
                startSync(obscured);
            return;
        }
        if (status != QProcess::NormalExit || code != 0)
            end(failure(m_lastError));
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
    m_deadline.start(m_deadlineAfter.count() > 0 ? m_deadlineAfter : deadlineFor(m_www));
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
    m_process.setArguments(syncArguments(m_www, m_target, m_summary.dryRun));
    m_process.start();
}

void Run::cancel()
{
    if (m_finished)
        return;
    m_summary.cancelled = true;
    if (m_process.state() != QProcess::NotRunning)
        stop();
    else
        end(publishtexts::cancelled);
}

void Run::stop()
{
    m_process.terminate();
    m_killTimer.start(killAfterMs);
}

QString Run::failure(const QString &reason) const
{
    // rclone names each file it works on; before the first, nothing on the target was touched.
    const bool untouched = !m_attempted && m_summary.copied.isEmpty() && m_summary.deleted.isEmpty();
    const QString what =
        untouched ? publishtexts::failed
                  : publishtexts::failedPartly.arg(m_summary.copied.size()).arg(m_summary.deleted.size());
    return reason.isEmpty() ? what : what + u": "_qs + reason;
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
    for (const QByteArray &line : takeLines(m_pending))
        takeLine(line);
}

void Run::takeLine(const QByteArray &line)
{
    if (m_obscuring)
        return;
    const LogLine entry = readLogLine(line);
    if (!entry.object.isEmpty() && !m_summary.dryRun)
        m_attempted = true;
    switch (entry.kind) {
    case LogLine::Kind::Error:
        m_lastError = entry.error;
        break;
    case LogLine::Kind::Copied:
        m_summary.copied.append(entry.object);
        emit fileDone(entry.object, false);
        break;
    case LogLine::Kind::Deleted:
        m_summary.deleted.append(entry.object);
        emit fileDone(entry.object, true);
        break;
    case LogLine::Kind::Other:
        break;
    }
}

void Run::end(const QString &error)
{
    if (m_finished)
        return;
    m_finished = true;
    m_deadline.stop();
    m_summary.error = error;
    emit finished();
}

} // namespace publish
