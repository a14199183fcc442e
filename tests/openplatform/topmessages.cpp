#include <QTest>

#include "topmessages.h"

namespace {

const QString secret = u"s3cr3t-Key"_qs;

} // namespace

class TestTopMessages final : public QObject
{
    Q_OBJECT

private slots:
    void errorTable_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("msg");
        QTest::addColumn<QString>("subMsg");
        QTest::addColumn<QString>("message");
        QTest::newRow("25 signature") << u"25"_qs << u"Invalid signature"_qs << QString()
                                      << u"签名无效（请检查 AppSecret 与签名方式）"_qs;
        QTest::newRow("28 missing app key")
            << u"28"_qs << u"Missing app key"_qs << QString() << u"AppKey 无效（请检查 AppKey）"_qs;
        QTest::newRow("29 invalid app key")
            << u"29"_qs << u"Invalid app key"_qs << QString() << u"AppKey 无效（请检查 AppKey）"_qs;
        QTest::newRow("30 missing timestamp")
            << u"30"_qs << u"Missing timestamp"_qs << QString() << u"时间戳无效（请校准本机时间）"_qs;
        QTest::newRow("31 invalid timestamp")
            << u"31"_qs << u"Invalid timestamp"_qs << QString() << u"时间戳无效（请校准本机时间）"_qs;
        QTest::newRow("7 with seconds")
            << u"7"_qs << u"App Call Limited"_qs << u"This ban will last for 12 more seconds"_qs
            << u"调用过于频繁，请 12 秒后再试"_qs;
        QTest::newRow("7, other numbers are not the wait")
            << u"7"_qs << u"App Call Limited"_qs
            << u"app 12345678 banned, this ban will last for 3 more seconds"_qs
            << u"调用过于频繁，请 3 秒后再试"_qs;
        QTest::newRow("7, an endless wait is an hour")
            << u"7"_qs << u"App Call Limited"_qs
            << u"This ban will last for "_qs + QString(309, u'9') + u" more"_qs
            << u"调用过于频繁，请 3600 秒后再试"_qs;
        QTest::newRow("7, a number but no wait")
            << u"7"_qs << u"App Call Limited"_qs << u"limit 5000 calls a day"_qs
            << u"调用过于频繁，请稍后再试"_qs;
        QTest::newRow("7 without") << u"7"_qs << u"App Call Limited"_qs << QString()
                                   << u"调用过于频繁，请稍后再试"_qs;
        QTest::newRow("11 permission") << u"11"_qs << u"Insufficient isv permissions"_qs << QString()
                                       << u"应用没有此接口的权限（请在开放平台为应用申请淘宝客接口权限）"_qs;
        QTest::newRow("15 with sub_msg") << u"15"_qs << u"Remote service error"_qs << u"推广位不存在"_qs
                                         << u"推广位不存在（错误码 15）"_qs;
        QTest::newRow("other, msg only") << u"41"_qs << u"Invalid arguments:page_size"_qs << QString()
                                         << u"Invalid arguments:page_size（错误码 41）"_qs;
        QTest::newRow("nothing said")
            << QString() << QString() << QString() << u"开放平台返回错误（错误码 未知）"_qs;
        QTest::newRow("a gateway that echoes the secret")
            << u"15"_qs << QString() << u"bad key "_qs + secret << u"bad key ******（错误码 15）"_qs;
    }
    void errorTable()
    {
        QFETCH(QString, code);
        QFETCH(QString, msg);
        QFETCH(QString, subMsg);
        const QString message = openplatform::errorMessage({code, msg, QString(), subMsg}, secret);
        QTEST(message, "message");
        QVERIFY(!message.contains(secret));
    }

    void transportMessagesNeverCarryTheSecret()
    {
        for (const QString &message :
             {openplatform::httpErrorMessage(502, secret),
              openplatform::networkErrorMessage(u"Connection refused to "_qs + secret, secret),
              openplatform::failurePage(openplatform::networkErrorMessage(secret, secret))}) {
            QVERIFY2(!message.contains(secret), qPrintable(message));
        }
        QCOMPARE(openplatform::httpErrorMessage(502, secret),
                 u"开放平台网关返回 HTTP 错误 502，请检查网关地址"_qs);
    }

    void failurePageEscapesWhatTheGatewaySaid()
    {
        const QString page = openplatform::failurePage(u"<img src=x onerror=alert(1)>（错误码 15）"_qs);
        QVERIFY(page.startsWith(u"about:"_qs));
        QVERIFY(page.contains(u"&lt;img src=x onerror=alert(1)&gt;（错误码 15）"_qs));
        QVERIFY(!page.contains(u"<img"_qs));
    }
};

QTEST_GUILESS_MAIN(TestTopMessages)
#include "topmessages.moc"
