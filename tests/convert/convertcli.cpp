#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "demofixture.h"

// taoyefang-cli convert as built, in a program folder of its own, against the demo gateway.
class TestConvertCli final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    DemoFixture m_demo;

    bool writeSettings(const QString &name, const QString &source)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) &&
               file.write(gbk::encode(
                   QString(u"[基本设置]\r\nText2=mm_1_2_3\r\n[服务设置]\r\n数据来源="_qs + source +
                           u"\r\n开放平台网关=http://"_qs + m_demo.host() +
                           u"/router/rest\r\nAppKey=demo-app\r\nAppSecret=demo-secret\r\n"_qs))) > 0;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid() && m_demo.listen());
        QVERIFY(QFile::copy(QStringLiteral(TAOYEFANG_CLI), m_dir.filePath(u"taoyefang-cli"_qs)));
        QVERIFY(writeSettings(u"设置.ini"_qs, u"开放平台"_qs));
        QVERIFY(writeSettings(u"测试工具.ini"_qs, u"接口测试工具"_qs));
        for (const auto &[name, pid] :
             {std::pair{u"广告"_qs, u"mm_1_2_777"_qs}, std::pair{u"无号"_qs, QString()}}) {
            QFile site(m_dir.filePath(u"站点/"_qs + name + u"/站点.ini"_qs));
            QVERIFY(QDir().mkpath(QFileInfo(site).path()) && site.open(QIODevice::WriteOnly));
            QVERIFY(site.write(gbk::encode(
                        QString(u"[站点]\r\n名称="_qs + name + u"\r\nPID="_qs + pid + u"\r\n"_qs))) > 0);
        }
    }

    void convertsTextAndInputs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("input"); // on stdin
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");    // a pattern for all of stdout
        QTest::addColumn<QString>("adzone"); // of every call made

        const QString link = u"http://127\\.0\\.0\\.1:\\d+/t/\\w{6}"_qs;
        QTest::newRow("two links and a 淘口令 from stdin, controls dropped")
            << QStringList{u"convert"_qs, u"--text"_qs, u"-"_qs}
            << u"好价\x1b[2J https://item.taobao.com/item.htm?id=15836207491\n"
               u"\u202e男鞋 https://m.tb.cn/h.5Xy9AbC 复制￥Zx8Cv6Bn4Mq￥打开"_qs
            << 0 << u"好价\\[2J "_qs + link + u"\n男鞋 "_qs + link + u" 复制￥\\w{11}￥打开\n"_qs << u"3"_qs;
        // Keys in order; the known item in full, the others by their error.
        const QString known =
            u"\\{\"commission_rate\":\"6.00\",\"coupon_amount\":\"10\",\"coupon_end\":\"[\\d-]+\","
            u"\"error\":null,\"final_price\":\"158.00\",\"input\":\"10963374125\","
            u"\"item_id\":\"10963374125\",\"short_url\":\""_qs;
        QTest::newRow("JSON per input, one the demo does not know")
            << QStringList{u"convert"_qs, u"--json"_qs, u"10963374125"_qs, u"99999999999"_qs, u"你好"_qs}
            << QString() << 1
            << known + link +
                   u"\",\"tpwd\":\"￥\\w{11}￥\"\\}\n"
                   u"\\{.*\"error\":\"商品不存在或已下架，不能推广（错误码 "
                   u"2001）\".*\"input\":\"99999999999\".*\\}\n"
                   u"\\{.*\"error\":\"不是商品链接、商品ID、推广短链或淘口令\".*\"input\":\"你好\".*\\}\n"_qs
            << u"3"_qs;
        QTest::newRow("test tool mode") << QStringList{u"convert"_qs, u"--settings"_qs,
                                                       m_dir.filePath(u"测试工具.ini"_qs), u"10963374125"_qs}
                                        << QString() << 2 << QString() << QString();
        QTest::newRow("text and inputs both")
            << QStringList{u"convert"_qs, u"--text"_qs, u"-"_qs, u"10963374125"_qs} << QString() << 2
            << QString() << QString();
        QTest::newRow("a site's own ad zone")
            << QStringList{u"convert"_qs, u"--site"_qs, u"广告"_qs, u"10963374125"_qs} << QString() << 0
            << link + u"\n"_qs << u"777"_qs;
        QTest::newRow("a site without one")
            << QStringList{u"convert"_qs, u"--site"_qs, u"无号"_qs, u"10963374125"_qs} << QString() << 2
            << QString() << QString();
    }
    void convertsTextAndInputs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, input);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, adzone);
        const qsizetype callsBefore = m_demo.requests().size();
        QProcess process;
        process.start(m_dir.filePath(u"taoyefang-cli"_qs), arguments);
        QVERIFY(process.waitForStarted());
        process.write(input.toUtf8());
        process.closeWriteChannel();
        // The demo service answers on this thread.
        QEventLoop loop;
        connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        if (process.state() != QProcess::NotRunning)
            loop.exec();
        const QString stdOut = QString::fromUtf8(process.readAllStandardOutput());
        const QString stdErr = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(out)).match(stdOut).hasMatch(),
                 qPrintable(stdOut + stdErr));
        QCOMPARE(process.exitCode(), exitCode);
        QVERIFY(!stdErr.contains(u'\x1b') && !stdErr.contains(u'\u202e'));
        const QList<httpkit::Request> calls = m_demo.requests().mid(callsBefore);
        QCOMPARE(calls.isEmpty(), adzone.isEmpty());
        for (const httpkit::Request &call : calls)
            QVERIFY2(call.body.contains(QByteArray("adzone_id=" + adzone.toLatin1())), call.body.constData());
    }
};

QTEST_GUILESS_MAIN(TestConvertCli)
#include "convertcli.moc"
