#pragma once

#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

// `rclone serve sftp|webdav` for a test: a real server on a free port of 127.0.0.1, user "u".
namespace rcloneserver {

// Starts `server` serving `root`; the port it listens on, or 0 (rclone missing, or it failed).
inline int serve(QProcess &server, const QString &kind, const QString &root, const QString &password)
{
    const QString rclone = QStandardPaths::findExecutable(u"rclone"_qs);
    if (rclone.isEmpty())
        return 0;
    server.start(rclone, {u"serve"_qs, kind, root, u"--addr"_qs, u"127.0.0.1:0"_qs, u"--user"_qs, u"u"_qs,
                          u"--pass"_qs, password, u"--config"_qs, QString()});
    static const QRegularExpression listening(u"127\\.0\\.0\\.1:(\\d+)"_qs);
    QByteArray log;
    QEventLoop loop;
    QObject::connect(&server, &QProcess::readyReadStandardError, &loop, [&] {
        log += server.readAllStandardError();
        if (listening.match(QString::fromUtf8(log)).hasMatch())
            loop.quit();
    });
    QObject::connect(&server, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    loop.exec();
    return listening.match(QString::fromUtf8(log)).captured(1).toInt();
}

} // namespace rcloneserver
