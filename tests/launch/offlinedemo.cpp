#include <cerrno>
#include <csignal>

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "offlinedemo.h"
#include "testpaths.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

const QString demoServer = QStringLiteral(TAOYEFANG_BIN_DIR "/demo-server");

// The process is gone: not running, and reaped.
bool processGone(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

int statusOf(const QString &url)
{
    QNetworkAccessManager manager;
    QNetworkReply *reply = manager.get(QNetworkRequest(QUrl(url)));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished() && !finished.wait(5000))
        return -1;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    delete reply;
    return status;
}

// A stand-in for the service: a shell script that writes its process id to `pidFile` first.
QString script(const QTemporaryDir &dir, const QByteArray &body)
{
    const QString path = dir.filePath(u"service.sh"_qs);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("#!/bin/sh\necho $$ > '" + QFile::encodeName(dir.filePath(u"pid"_qs)) + "'\n" + body + '\n');
    file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser);
    return path;
}

qint64 scriptPid(const QTemporaryDir &dir)
{
    QFile file(dir.filePath(u"pid"_qs));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
}

} // namespace

class TestOfflineDemo final : public QObject
{
    Q_OBJECT

private slots:
    void servesUntilStopped()
    {
        OfflineDemo demo;
        QVERIFY2(demo.start(demoServer), qPrintable(demo.errorString()));
        QVERIFY(demo.isRunning());
        QVERIFY(demo.port() > 0);
        QCOMPARE(demo.hostAndPort(), u"127.0.0.1:"_qs + QString::number(demo.port()));
        const qint64 pid = demo.processId();
        QVERIFY(!processGone(pid));
        QCOMPARE(statusOf(u"http://"_qs + demo.hostAndPort() + u"/newrank/s_red_1.gif"_qs), 200);

        const QString address = u"http://"_qs + demo.hostAndPort() + u"/newrank/s_red_1.gif"_qs;
        demo.stop();
        QVERIFY(!demo.isRunning());
        QVERIFY(processGone(pid));
        QCOMPARE(statusOf(address), 0); // refused
    }

    void goesWithItsOwner()
    {
        qint64 pid = 0;
        quint16 first = 0;
        {
            OfflineDemo demo;
            QVERIFY2(demo.start(demoServer), qPrintable(demo.errorString()));
            pid = demo.processId();
            first = demo.port();
            // A second session gets a port of its own.
            OfflineDemo other;
            QVERIFY2(other.start(demoServer), qPrintable(other.errorString()));
            QVERIFY(other.port() != first);
        }
        QVERIFY(processGone(pid));
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("body"); // the script; empty: no program at all
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("timeoutMs");
        QTest::newRow("no such program") << QByteArray() << u"找不到离线演示服务程序"_qs << 5000;
        QTest::newRow("not executable") << QByteArray("-") << u"离线演示服务程序不可执行"_qs << 5000;
        QTest::newRow("ends at once, saying why")
            << QByteArray("echo 'demo-server: cannot listen on 127.0.0.1:0' >&2; exit 1")
            << u"离线演示服务启动后就退出了：demo-server: cannot listen on 127.0.0.1:0"_qs << 5000;
        QTest::newRow("never says where it listens")
            << QByteArray("exec sleep 30") << u"离线演示服务在 0.5 秒内没有开始监听"_qs << 500;
        QTest::newRow("says something else")
            << QByteArray("echo 'ready'; exec sleep 30") << u"离线演示服务没有报告端口：ready"_qs << 5000;
    }
    void failures()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, reason);
        QFETCH(int, timeoutMs);
        QTemporaryDir dir;
        QString program = body.isEmpty() ? dir.filePath(u"demo-server"_qs) : script(dir, body);
        if (body == "-")
            QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner));
        OfflineDemo demo;
        QVERIFY(!demo.start(program, timeoutMs));
        QVERIFY2(demo.errorString().startsWith(reason), qPrintable(demo.errorString()));
        QVERIFY(!demo.isRunning());
        // Nothing is left running.
        if (!body.isEmpty() && body != "-") {
            const qint64 pid = scriptPid(dir);
            QVERIFY(pid > 0);
            QVERIFY(processGone(pid));
        }
    }
};

QTEST_GUILESS_MAIN(TestOfflineDemo)
#include "offlinedemo.moc"
