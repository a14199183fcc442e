#include <QCryptographicHash>
#include <QDirIterator>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QSignalSpy>
#include <QTimer>

#include <signal.h>

#include "demofixture.h"
#include "eventwait.h"
#include "gbk.h"
#include "outputfolder.h"
#include "publishrun.h"
#include "publishtarget.h"
#include "publishtexts.h"
#include "rcloneserver.h"

namespace {

const QString password = u"throwaway-Pw-7d1"_qs;

struct Result
{
    int code = -1;
    QString out;
    QString err;
};

// Every file below `folder`, by relative path, with its bytes.
QMap<QString, QByteArray> tree(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files.insert(QDir(folder).relativeFilePath(file.fileName()), file.readAll());
    }
    return files;
}

void put(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QStringList sortedLines(const QString &text)
{
    QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

} // namespace

// The built command line in a program folder of its own, with one site, publishing to rclone's
// servers; rclone is reached through a wrapper that records every command line it is given.
class TestPublish final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_program;
    QString m_rclone;

    QString siteFolder() const { return m_program + u"/站点/演示"_qs; }
    QString www() const { return siteFolder() + u"/www"_qs; }
    QString argvLog() const { return m_dir.filePath(u"argv.log"_qs); }

    // Runs the copy (with `keyring`, in a D-Bus session of its own with an unlocked keyring);
    // a demo service on this thread keeps answering meanwhile.
    Result run(const QStringList &arguments, const QByteArray &input = {}, const QString &path = {},
               bool keyring = false)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"PATH"_qs,
                   path.isEmpty() ? m_dir.filePath(u"bin"_qs) + u':' + env.value(u"PATH"_qs) : path);
        env.insert(u"XDG_CONFIG_HOME"_qs, m_dir.filePath(u"config"_qs));
        env.insert(u"XDG_DATA_HOME"_qs, m_dir.filePath(u"data"_qs)); // where a test keyring is kept
        env.remove(u"DBUS_SESSION_BUS_ADDRESS"_qs);                  // the user's own keyring stays out of it
        env.remove(u"XDG_RUNTIME_DIR"_qs);
        process.setProcessEnvironment(env);
        const QString cli = m_program + u"/taoyefang-cli"_qs;
        if (keyring)
            process.start(
                u"dbus-run-session"_qs,
                QStringList{u"--"_qs, u"sh"_qs, u"-c"_qs,
                            u"echo -n k | gnome-keyring-daemon --daemonize --unlock --components=secrets "
                            ">/dev/null && exec \"$0\" \"$@\""_qs,
                            cli} +
                    arguments);
        else
            process.start(cli, arguments);
        process.write(input);
        process.closeWriteChannel();
        eventwait::until([&process] { return process.state() == QProcess::NotRunning; }, 120000, 20);
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
            return {-2, {}, u"(timed out)"_qs};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private slots:
    void initTestCase()
    {
        m_rclone = QStandardPaths::findExecutable(u"rclone"_qs);
        if (m_rclone.isEmpty())
            QSKIP("rclone is not installed (Debian package rclone)");
        QVERIFY(m_dir.isValid());
        m_program = m_dir.filePath(u"程序"_qs);
        QVERIFY(QDir().mkpath(m_program));
        QVERIFY(QFile::copy(QStringLiteral(TAOYEFANG_CLI), m_program + u"/taoyefang-cli"_qs));
        const QString wrapper = m_dir.filePath(u"bin/rclone"_qs);
        put(wrapper, "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + argvLog().toUtf8() + "'\nexec '" +
                         m_rclone.toUtf8() + "' \"$@\"\n");
        QVERIFY(QFile::setPermissions(wrapper, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        put(siteFolder() + u"/站点.ini"_qs, gbk::encode(u"[站点]\r\n名称=演示\r\n"_qs));
    }

    void addresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("remote");  // empty: refused
        QTest::addColumn<QString>("setting"); // one variable rclone is given
        QTest::newRow("sftp: port, a folder below the login's home")
            << u"sftp://me@example.com:2222/~/www"_qs << u"taoyefang:www"_qs << u"PORT=2222"_qs;
        QTest::newRow("ftps: TLS from the first byte")
            << u"ftps://me@example.com/htdocs/"_qs << u"taoyefang:/htdocs"_qs << u"TLS=true"_qs;
        QTest::newRow("webdav keeps http or https for the server")
            << u"webdav+http://me@example.com:8080/dav/site"_qs << u"taoyefang:/dav/site"_qs
            << u"URL=http://example.com:8080"_qs;
        QTest::newRow("s3: bucket and prefix, key ID as user")
            << u"s3://KEYID@bucket/site?endpoint=oss-cn-hangzhou.aliyuncs.com&region=cn-hangzhou"_qs
            << u"taoyefang:bucket/site"_qs << u"ENDPOINT=oss-cn-hangzhou.aliyuncs.com"_qs;
        QTest::newRow("a folder name percent-encoded as UTF-8")
            << u"sftp://me@example.com/%E7%AB%99%E7%82%B9"_qs << u"taoyefang:/站点"_qs
            << u"HOST=example.com"_qs;
        const std::pair<const char *, QString> refused[] = {
            {"a password in the address", u"sftp://me:pw@example.com/www"_qs},
            {"no path: a sync would empty the server", u"sftp://me@example.com/"_qs},
            {"the home folder itself", u"sftp://me@example.com/~/"_qs},
            {"no user", u"ftp://example.com/www"_qs},
            {"not a target", u"https://example.com/www"_qs},
            {"s3 without endpoint", u"s3://KEYID@bucket/site"_qs},
            {"s3: the whole bucket", u"s3://KEYID@bucket?endpoint=e.example"_qs},
            {"s3: above the bucket", u"s3://KEYID@bucket/..?endpoint=e.example"_qs},
            {"the root through a dot", u"sftp://me@example.com/."_qs},
            {"the home through a dot", u"sftp://me@example.com/~/."_qs},
            {"a folder and back up", u"sftp://me@example.com/x/.."_qs},
            {"dots percent-encoded", u"sftp://me@example.com/%2E%2E"_qs},
            {"a dot with a slash after it", u"ftp://me@example.com/./"_qs},
            {"an encoded slash hiding a parent", u"ftp://me@example.com/~%2F.."_qs},
            {"a NUL cutting the path", u"sftp://me@example.com/%00x"_qs},
            {"percent-encoded bytes that are no UTF-8", u"sftp://me@example.com/%E2%79%AF"_qs},
            {"a UTF-8 sequence cut short", u"sftp://me@example.com/www%E7%AB"_qs},
            {"a line break in the user", u"sftp://m%0Ae@example.com/www"_qs},
            {"a control character in the endpoint", u"s3://KEYID@bucket/site?endpoint=e%01.example"_qs},
        };
        for (const auto &[name, address] : refused)
            QTest::newRow(name) << address << QString() << QString();
    }

    void addresses()
    {
        QFETCH(QString, address);
        QFETCH(QString, remote);
        QFETCH(QString, setting);
        QString error;
        const std::optional<publishtarget::Target> target = publishtarget::parse(address, &error);
        QCOMPARE(target.has_value(), !remote.isEmpty());
        if (!target) {
            QVERIFY(!error.isEmpty());
            return;
        }
        QCOMPARE(publishtarget::remotePath(*target), remote);
        const QProcessEnvironment env = publishtarget::environment(*target, u"s"_qs);
        const QString key = u"RCLONE_CONFIG_TAOYEFANG_"_qs + setting.section(u'=', 0, 0);
        QCOMPARE(env.value(key), setting.section(u'=', 1));
    }

    void publishes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("scheme"); // of the target address
        QTest::newRow("sftp") << u"sftp"_qs << u"sftp"_qs;
        QTest::newRow("webdav") << u"webdav"_qs << u"webdav+http"_qs;
    }

    void publishes()
    {
        QFETCH(QString, kind);
        QFETCH(QString, scheme);
        QTemporaryDir server;
        QVERIFY(QDir(www()).removeRecursively());
        put(server.filePath(u"other/keep.htm"_qs), "not the site's");
        put(www() + u"/index.htm"_qs, "index");
        put(www() + u"/sitemap.xml"_qs, "<urlset/>");
        put(www() + u"/a/index.htm"_qs, "page a");
        put(www() + u"/b/index.htm"_qs, "page b");
        QProcess rcloneServer;
        const int port = rcloneserver::serve(rcloneServer, kind, server.path(), password);
        const auto stop = qScopeGuard([&rcloneServer] {
            rcloneServer.kill();
            rcloneServer.waitForFinished();
        });
        QVERIFY(port > 0);
        const QString address = scheme + u"://u@127.0.0.1:"_qs + QString::number(port) + u"/site"_qs;
        const QString remote = server.filePath(u"site"_qs);

        QList<Result> results;
        const auto publish = [&](const QStringList &extra = {}) {
            results << run(QStringList{u"site"_qs, u"publish"_qs, u"演示"_qs} + extra);
            return results.last();
        };
        results << run(
            {u"site"_qs, u"target"_qs, u"演示"_qs, address, u"--password-stdin"_qs, u"--accept-host-key"_qs},
            password.toUtf8() + '\n');
        QCOMPARE(results.last().code, 0);
        QCOMPARE(publish({u"--dry-run"_qs}).code, 0);
        QCOMPARE(sortedLines(results.last().out).size(), 4);
        QVERIFY(!QFile::exists(remote));

        QCOMPARE(publish().code, 0);
        QCOMPARE(tree(remote), tree(www()));
        QCOMPARE(publish().code, 0);
        QCOMPARE(results.last().out, QString()); // nothing changed, nothing sent

        // Rewritten at the same length, as a page whose price changed from 12.50 to 13.50 is, and
        // later, as a refresh is.
        put(www() + u"/a/index.htm"_qs, "page A");
        QFile changed(www() + u"/a/index.htm"_qs);
        QVERIFY(changed.open(QIODevice::ReadWrite));
        QVERIFY(changed.setFileTime(QDateTime::currentDateTime().addSecs(120),
                                    QFileDevice::FileModificationTime));
        changed.close();
        put(www() + u"/c/index.htm"_qs, "page c");
        QVERIFY(QDir(www() + u"/b"_qs).removeRecursively());
        QCOMPARE(publish().code, 0);
        QCOMPARE(sortedLines(results.last().out),
                 (QStringList{u"+ a/index.htm"_qs, u"+ c/index.htm"_qs, u"- b/index.htm"_qs}));
        QCOMPARE(tree(remote), tree(www()));
        QCOMPARE(tree(server.filePath(u"other"_qs)).value(u"keep.htm"_qs), QByteArray("not the site's"));

        const QMap<QString, QByteArray> before = tree(remote);
        put(www() + u"/d/index.htm"_qs, "page d");
        results << run({u"site"_qs, u"target"_qs, u"演示"_qs, address, u"--password-stdin"_qs}, "wrong\n");
        const Result refused = publish();
        QCOMPARE(refused.code, 1);
        QVERIFY2(refused.err.contains(publishtexts::failed), qPrintable(refused.err));
        QCOMPARE(tree(remote), before);

        // The password shows nowhere but in its own private file.
        QFile log(argvLog());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(!log.readAll().contains(password.toUtf8()));
        for (const Result &result : results)
            QVERIFY(!result.out.contains(password) && !result.err.contains(password));
        const QMap<QString, QByteArray> files = tree(siteFolder());
        for (auto it = files.begin(); it != files.end(); ++it)
            QVERIFY2(it.key() == u".发布密码" || !it.value().contains(password.toUtf8()),
                     qPrintable(it.key()));
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                QFileDevice::ReadOther | QFileDevice::WriteOther;
        QVERIFY(!(QFile::permissions(siteFolder() + u"/.发布密码"_qs) & others));

        // Once a keyring runs, the password moves there and its file goes.
        if (kind != u"sftp")
            return;
        if (QStandardPaths::findExecutable(u"dbus-run-session"_qs).isEmpty() ||
            QStandardPaths::findExecutable(u"gnome-keyring-daemon"_qs).isEmpty())
            QSKIP("no dbus-run-session and gnome-keyring-daemon: the keyring is not tried");
        run({u"site"_qs, u"target"_qs, u"演示"_qs, address, u"--password-stdin"_qs},
            password.toUtf8() + '\n');
        const Result moved = run({u"site"_qs, u"publish"_qs, u"演示"_qs}, {}, {}, true);
        QVERIFY2(moved.code == 0, qPrintable(moved.err));
        QVERIFY(!QFile::exists(siteFolder() + u"/.发布密码"_qs));
        QVERIFY(!tree(m_dir.filePath(u"data"_qs)).isEmpty());
    }

    // The password goes only to a server whose host key the user confirmed; a changed key stops the
    // publish.
    void hostKeys()
    {
        QTemporaryDir server;
        QProcess rcloneServer;
        const int port = rcloneserver::serve(rcloneServer, u"sftp"_qs, server.path(), password);
        const auto stop = qScopeGuard([&rcloneServer] {
            rcloneServer.kill();
            rcloneServer.waitForFinished();
        });
        QVERIFY(port > 0);
        if (QStandardPaths::findExecutable(u"ssh-keyscan"_qs).isEmpty())
            QSKIP("no ssh-keyscan (Debian package openssh-client)");
        const QString host = u"[127.0.0.1]:%1"_qs.arg(port);
        const QStringList target{u"site"_qs, u"target"_qs, u"演示"_qs,
                                 u"sftp://u@127.0.0.1:%1/site"_qs.arg(port), u"--password-stdin"_qs};
        const QString knownHosts = siteFolder() + u"/known_hosts"_qs;
        const auto kept = [&] {
            QFile file(knownHosts);
            return file.open(QIODevice::ReadOnly)
                       ? QString::fromUtf8(file.readAll()).split(u'\n').filter(host)
                       : QStringList();
        };
        const Result unconfirmed = run(target, password.toUtf8());
        QCOMPARE(unconfirmed.code, 2);
        QVERIFY2(unconfirmed.err.contains(u"ssh-ed25519 SHA256:"_qs), qPrintable(unconfirmed.err));
        QCOMPARE(kept(), QStringList());
        QCOMPARE(run(target + QStringList{u"--accept-host-key"_qs}, password.toUtf8()).code, 0);
        QVERIFY(!kept().isEmpty());
        QCOMPARE(run({u"site"_qs, u"publish"_qs, u"演示"_qs}).code, 0);

        // Another server answering at that address: an ed25519 key made up here.
        QByteArray blob = QByteArray::fromHex("0000000b") + "ssh-ed25519" + QByteArray::fromHex("00000020");
        blob += QCryptographicHash::hash("another server", QCryptographicHash::Sha256);
        put(knownHosts, host.toUtf8() + " ssh-ed25519 " + blob.toBase64() + '\n');
        const Result changed = run({u"site"_qs, u"publish"_qs, u"演示"_qs});
        QCOMPARE(changed.code, 1);
        QVERIFY2(changed.err.contains(publishtexts::hostKeyChanged), qPrintable(changed.err));
        const Result again = run(target, password.toUtf8());
        QCOMPARE(again.code, 2);
        QVERIFY2(again.err.contains(publishtexts::hostKeyDiffers), qPrintable(again.err));

        // A timer cannot confirm anything: without a key kept, nothing is sent.
        QVERIFY(QFile::remove(knownHosts));
        const Result unknown = run({u"site"_qs, u"publish"_qs, u"演示"_qs});
        QCOMPARE(unknown.code, 1);
        QVERIFY2(unknown.err.contains(publishtexts::hostKeyUnknown), qPrintable(unknown.err));
    }

    // A server that stops answering mid-publish: the run ends at its deadline, saying that part of
    // the site went up, rather than waiting on rclone's own patience.
    void serverStopsAnswering()
    {
        QTemporaryDir server;
        QTemporaryDir site;
        for (int i = 0; i < 400; ++i)
            put(site.filePath(u"p%1/index.htm"_qs.arg(i)), QByteArray(16 * 1024, 'x'));
        QProcess rcloneServer;
        const int port = rcloneserver::serve(rcloneServer, u"sftp"_qs, server.path(), password);
        const auto stop = qScopeGuard([&rcloneServer] {
            ::kill(pid_t(rcloneServer.processId()), SIGCONT);
            rcloneServer.kill();
            rcloneServer.waitForFinished();
        });
        QVERIFY(port > 0);
        const std::optional<publishtarget::Target> target =
            publishtarget::parse(u"sftp://u@127.0.0.1:%1/site"_qs.arg(port), nullptr);
        QVERIFY(target);
        publish::Run run(site.path(), *target, password, false);
        run.setDeadline(std::chrono::seconds(4));
        QObject::connect(&run, &publish::Run::fileDone, &run,
                         [&rcloneServer] { ::kill(pid_t(rcloneServer.processId()), SIGSTOP); });
        QSignalSpy finished(&run, &publish::Run::finished);
        run.start();
        // rclone alone would wait a minute for each of its retries.
        QVERIFY(finished.wait(30000));
        const publish::Summary &summary = run.summary();
        QVERIFY(!summary.copied.isEmpty());
        QVERIFY2(summary.error.contains(publishtexts::timedOut), qPrintable(summary.error));
        QVERIFY2(!summary.error.contains(publishtexts::failed), qPrintable(summary.error));
    }

    // A refresh publishes when the target lacks what www/ holds: after it wrote something, after a
    // publish that failed, after the target changed; otherwise not at all.
    void refreshPublishes()
    {
        DemoFixture demo;
        QVERIFY(demo.listen());
        QVERIFY(programfolder::make(m_program, demo.host()));
        QTemporaryDir server;
        QProcess rcloneServer;
        const int port = rcloneserver::serve(rcloneServer, u"sftp"_qs, server.path(), password);
        const auto stop = qScopeGuard([&rcloneServer] {
            rcloneServer.kill();
            rcloneServer.waitForFinished();
        });
        QVERIFY(port > 0);
        put(m_dir.filePath(u"kw.txt"_qs), "连衣裙\n凉鞋\n");
        QCOMPARE(run({u"site"_qs, u"create"_qs, u"夏季"_qs, m_dir.filePath(u"kw.txt"_qs), u"-t"_qs,
                      u"经典网格"_qs, u"--base-url"_qs, u"https://example.com/"_qs})
                     .code,
                 0);
        const QString address = u"sftp://u@127.0.0.1:"_qs + QString::number(port) + u"/www"_qs;
        const auto setTarget = [&](const QString &to, const QByteArray &pw) {
            return run({u"site"_qs, u"target"_qs, u"夏季"_qs, to, u"--password-stdin"_qs,
                        u"--accept-host-key"_qs},
                       pw)
                .code;
        };
        const auto refresh = [&] {
            return run({u"site"_qs, u"refresh"_qs, u"夏季"_qs, u"--publish"_qs});
        };
        const QString site = m_program + u"/站点/夏季"_qs;
        QCOMPARE(setTarget(address, "wrong"), 0);
        QCOMPARE(refresh().code, 1);
        QCOMPARE(setTarget(address, password.toUtf8()), 0);
        const Result retried = refresh();
        QVERIFY2(retried.code == 0 && retried.err.contains(u"上传"_qs), qPrintable(retried.err));
        QCOMPARE(tree(server.filePath(u"www"_qs)), tree(site + u"/www"_qs));
        const Result unchanged = refresh();
        QCOMPARE(unchanged.code, 0);
        QVERIFY2(!unchanged.err.contains(u"上传"_qs), qPrintable(unchanged.err)); // no publish at all
        put(site + u"/关键词.txt"_qs, "连衣裙\n凉鞋\n雪纺\n");
        const Result added = refresh();
        QVERIFY2(added.code == 0, qPrintable(added.err));
        QCOMPARE(sortedLines(added.out).filter(u"+ "_qs).size(), tree(site + u"/www/xue-fang"_qs).size() + 2);
        QCOMPARE(tree(server.filePath(u"www"_qs)), tree(site + u"/www"_qs));
        QCOMPARE(setTarget(address + u'2', password.toUtf8()), 0);
        QCOMPARE(refresh().code, 0);
        QCOMPARE(tree(server.filePath(u"www2"_qs)), tree(site + u"/www"_qs));
    }

    void withoutRclone()
    {
        const Result result = run({u"site"_qs, u"publish"_qs, u"演示"_qs}, {}, m_dir.filePath(u"empty"_qs));
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains(u"rclone"_qs) && result.err.contains(u"apt install"_qs),
                 qPrintable(result.err));
    }

    // Names that read alike get a timer each; a timer an earlier version named after the pinyin
    // alone is read, and replaced once the site's timer is set again.
    void schedules()
    {
        for (const QString &bad : {u"0"_qs, u"169"_qs, u"six"_qs})
            QCOMPARE(run({u"site"_qs, u"schedule"_qs, u"演示"_qs, u"--every"_qs, bad}).code, 2);
        const QString units = m_dir.filePath(u"config/systemd/user"_qs);
        for (const QString &name : {u"衣服"_qs, u"依附"_qs})
            put(m_program + u"/站点/"_qs + name + u"/站点.ini"_qs,
                gbk::encode(QString(u"[站点]\r\n名称="_qs + name)));
        put(units + u"/taoyefang-site-yi-fu.service"_qs,
            "[Service]\nExecStart=\"/old/taoyefang-cli\" site refresh \"衣服\" --publish\n");
        put(units + u"/taoyefang-site-yi-fu.timer"_qs, "[Timer]\nOnUnitActiveSec=5h\n");
        const auto listed = [this](const QString &name) {
            const QStringList lines = run({u"site"_qs, u"list"_qs}).out.split(u'\n');
            const QStringList line = lines.filter(name + u'\t');
            return line.size() == 1 ? line.first().section(u'\t', 4, 4) : QString(); // the timer column
        };
        QCOMPARE(listed(u"衣服"_qs), u"每5小时"_qs);
        QCOMPARE(listed(u"依附"_qs), u"-"_qs);

        const Result on = run({u"site"_qs, u"schedule"_qs, u"衣服"_qs, u"--every"_qs, u"6"_qs});
        QCOMPARE(on.code, 0);
        QVERIFY2(on.err.contains(u"systemctl --user"_qs), qPrintable(on.err));
        QCOMPARE(run({u"site"_qs, u"schedule"_qs, u"依附"_qs, u"--every"_qs, u"7"_qs}).code, 0);
        QCOMPARE(listed(u"衣服"_qs), u"每6小时"_qs);
        QCOMPARE(listed(u"依附"_qs), u"每7小时"_qs);
        const QStringList timers = QDir(units).entryList({u"*.timer"_qs});
        QCOMPARE(timers.size(), 2);
        const QString analyze = QStandardPaths::findExecutable(u"systemd-analyze"_qs);
        for (const QString &timer : timers) {
            if (analyze.isEmpty())
                break;
            const QString unit = units + u'/' + timer.chopped(6);
            QProcess verify;
            verify.start(analyze, {u"verify"_qs, unit + u".timer"_qs, unit + u".service"_qs});
            QVERIFY(verify.waitForFinished(60000));
            QVERIFY2(verify.exitCode() == 0, verify.readAllStandardError().constData());
        }
        QCOMPARE(run({u"site"_qs, u"schedule"_qs, u"衣服"_qs, u"--off"_qs}).code, 0);
        QCOMPARE(listed(u"衣服"_qs), u"-"_qs);
        QCOMPARE(listed(u"依附"_qs), u"每7小时"_qs);
    }

    // Two long names cut to one folder name: the second is not the site in that folder.
    void nameMustMatchItsFolder()
    {
        const QString first = QString(90, u'长') + u'A';
        const QString second = QString(90, u'长') + u'B';
        const QString config = m_program + u"/站点/"_qs + outputfolder::safeName(first) + u"/站点.ini"_qs;
        put(config, gbk::encode(QString(u"[站点]\r\n名称="_qs + first)));
        const Result result = run(
            {u"site"_qs, u"target"_qs, second, u"ftp://u@127.0.0.1/x"_qs, u"--password-stdin"_qs}, "pw\n");
        QCOMPARE(result.code, 2);
        QFile file(config);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains("ftp:"));
    }
};

QTEST_GUILESS_MAIN(TestPublish)
#include "publish.moc"
