#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "demofixture.h"

// taoyefang-cli orders sync and report as built, in a program folder of their own, against the
// demo gateway.
class TestOrderCli final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    DemoFixture m_demo;

    bool writeSettings(const QString &name, const QString &source)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) &&
               file.write(gbk::encode(
                   QString(u"[基本设置]\r\nText2=mm_1_2_34567890\r\n[服务设置]\r\n数据来源="_qs + source +
                           u"\r\n开放平台网关=http://"_qs + m_demo.host() +
                           u"/router/rest\r\nAppKey=demo-app\r\nAppSecret=demo-secret\r\n"_qs))) > 0;
    }

    // Runs the command with the demo answering meanwhile; its exit code, stdout and stderr.
    std::tuple<int, QString, QString> run(const QStringList &arguments)
    {
        QProcess process;
        QEventLoop loop;
        connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        process.start(m_dir.filePath(u"taoyefang-cli"_qs), arguments);
        loop.exec();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid() && m_demo.listen());
        QVERIFY(QFile::copy(QStringLiteral(TAOYEFANG_CLI), m_dir.filePath(u"taoyefang-cli"_qs)));
        QVERIFY(writeSettings(u"设置.ini"_qs, u"开放平台"_qs));
        QVERIFY(writeSettings(u"测试工具.ini"_qs, u"接口测试工具"_qs));
        // The gateway's clock stands still: no order is made between one sync and the next.
        const QDateTime now = QDateTime::currentDateTime();
        m_demo.service().setClock([now] { return now; });
        m_demo.service().orders().noteSearch(u"34567890"_qs,
                                             {demo::openItemId(demo::Catalogue::shipped().items().first())},
                                             QDateTime::currentDateTime().addSecs(-3600));
    }

    void refusesWhatCannotBeDone_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("says");
        QTest::newRow("the test tool has no orders")
            << QStringList{u"orders"_qs, u"sync"_qs, u"--settings"_qs, m_dir.filePath(u"测试工具.ini"_qs)}
            << u"接口测试工具没有订单接口"_qs;
        QTest::newRow("days out of range")
            << QStringList{u"orders"_qs, u"sync"_qs, u"--days"_qs, u"0"_qs} << u"--days 0"_qs;
        QTest::newRow("no such site")
            << QStringList{u"report"_qs, u"别的站"_qs} << u"别的站: 没有这个站点"_qs;
        QTest::newRow("two formats") << QStringList{u"report"_qs, u"--json"_qs, u"--csv"_qs} << u"--json"_qs;
    }

    void refusesWhatCannotBeDone()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        const auto [code, out, err] = run(arguments);
        QCOMPARE(code, 2);
        QVERIFY2(err.contains(says), qPrintable(err));
    }

    void syncsThenReports()
    {
        const auto [code, out, err] = run({u"orders"_qs, u"sync"_qs, u"--days"_qs, u"60"_qs});
        QVERIFY2(code == 0, qPrintable(err));
        QVERIFY2(err.contains(u"新增 / new: "_qs) && !err.contains(u"新增 / new: 0,"_qs), qPrintable(err));
        const auto [again, againOut, againErr] = run({u"orders"_qs, u"sync"_qs, u"--days"_qs, u"60"_qs});
        QCOMPARE(again, 0);
        QVERIFY2(againErr.contains(u"新增 / new: 0, 更新 / updated: 0"_qs), qPrintable(againErr));
        // Asked for more days than were ever read: only the older ones are read, by creation time.
        const auto [longer, longerOut, longerErr] = run({u"orders"_qs, u"sync"_qs, u"--days"_qs, u"61"_qs});
        QCOMPARE(longer, 0);
        QVERIFY2(longerErr.contains(u"windows 9/9"_qs), qPrintable(longerErr));

        const auto [reported, json, reportErr] = run({u"report"_qs, u"--json"_qs, u"--days"_qs, u"5"_qs});
        QCOMPARE(reported, 0);
        const QJsonObject report = QJsonDocument::fromJson(json.toUtf8()).object();
        // No site on that ad zone: everything under the other ad zones, and the total the same.
        QVERIFY(report[u"other"][u"orders"].toInt() > 0);
        QCOMPARE(report[u"total"], report[u"other"]);
        QCOMPARE(QDate::fromString(report[u"from"].toString(), Qt::ISODate)
                     .daysTo(QDate::fromString(report[u"to"].toString(), Qt::ISODate)),
                 4);
        QVERIFY(QFileInfo(m_dir.filePath(u"收益.sqlite"_qs)).permissions() ==
                (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                 QFileDevice::WriteUser));
    }
};

QTEST_GUILESS_MAIN(TestOrderCli)
#include "ordercli.moc"
