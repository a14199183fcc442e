#pragma once

#include <QObject>
#include <QProcess>
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

// rclone on PATH, or empty.
QString rcloneProgram();

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
    void end(const QString &error);

    QString m_www;
    publishtarget::Target m_target;
    QString m_secret;
    QProcess m_process;
    QByteArray m_pending;
    QString m_lastError;
    Summary m_summary;
    bool m_obscuring = false;
    bool m_finished = false;
};

} // namespace publish
