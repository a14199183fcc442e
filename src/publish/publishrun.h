#pragma once

#include <chrono>

#include <QObject>
#include <QProcess>
#include <QTimer>
#include <QString>
#include <QStringList>

#include "publishtarget.h"

// Makes a target equal to a site's www/ through rclone, run as a child process: new and changed
// files go up, files gone from www/ are deleted there, nothing outside the target's path is
// touched. rclone compares by size and time, so a second run with nothing changed sends nothing.
namespace publish {

struct Summary
{
    bool dryRun = false;
    QStringList copied;  // sent (or, on a dry run, that would be), relative to www/
    QStringList deleted; // deleted from the target (or that would be)
    QString error;       // empty when the target now equals www/
    bool cancelled = false;

    bool ok() const { return error.isEmpty(); }
};

// One line of rclone's JSON log, as far as a publish cares: a file it sent or deleted, or an error.
struct LogLine
{
    enum class Kind { Other, Copied, Deleted, Error };
    Kind kind = Kind::Other;
    QString object; // the file the line is about, relative to www/; empty when about none
    QString error;  // for an error: what rclone said
};
LogLine readLogLine(QByteArrayView line);

// The whole lines at the start of `pending` (without their line breaks), which loses them.
QList<QByteArray> takeLines(QByteArray &pending);

// What rclone is told for one sync of `wwwFolder` to `target`: never a secret, which goes through
// the environment (publishtarget::environment).
QStringList syncArguments(const QString &wwwFolder, const publishtarget::Target &target, bool dryRun);

// rclone on PATH, or empty.
QString rcloneProgram();

// How long a publish of `wwwFolder` may take in all, by its size: room for a slow line, but an
// end to a server that stopped answering.
std::chrono::milliseconds deadlineFor(const QString &wwwFolder);

class Run final : public QObject
{
    Q_OBJECT

public:
    Run(const QString &wwwFolder, const publishtarget::Target &target, const QString &secret, bool dryRun,
        QObject *parent = nullptr);
    ~Run() override;

    // Starts rclone; finished() follows in every case, at once when rclone is missing.
    void start();
    void cancel(); // stops rclone; what it sent so far stays sent
    // Replaces the deadline deadlineFor() gives; before start().
    void setDeadline(std::chrono::milliseconds deadline) { m_deadlineAfter = deadline; }
    const Summary &exec();

    const Summary &summary() const { return m_summary; }

signals:
    // One file sent (`deleted` false) or deleted, relative to www/, as rclone reports it.
    void fileDone(const QString &file, bool deleted);
    void finished();

private:
    void startSync(const QString &secret);
    void readLog();
    void takeLine(const QByteArray &line);
    void stop();
    QString failure(const QString &reason) const;
    void end(const QString &error);

    QString m_www;
    publishtarget::Target m_target;
    QString m_secret;
    QProcess m_process;
    QByteArray m_pending;
    QString m_lastError;
    std::chrono::milliseconds m_deadlineAfter{0};
    QTimer m_deadline;
    QTimer m_killTimer; // after a terminate, for a child that does not go
    bool m_timedOut = false;
    bool m_attempted = false; // rclone named a file: the target may have changed
    Summary m_summary;
    bool m_obscuring = false;
    bool m_finished = false;
};

} // namespace publish
