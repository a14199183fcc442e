#include <QTest>
#include <QTimeZone>

#include "toprequest.h"
#include "topsign.h"

Q_DECLARE_METATYPE(itemsource::SignMethod)

namespace {

openplatform::Parameters searchVector(const QString &signMethod)
{
    return {
        {u"method"_qs, u"taobao.tbk.dg.material.optional.upgrade"_qs},
        {u"app_key"_qs, u"12345678"_qs},
        {u"timestamp"_qs, u"2024-05-01 12:00:00"_qs},
        {u"format"_qs, u"json"_qs},
        {u"v"_qs, u"2.0"_qs},
        {u"simplify"_qs, u"true"_qs},
        {u"adzone_id"_qs, u"123456789"_qs},
        {u"q"_qs, u"连衣裙"_qs},
        {u"page_no"_qs, u"1"_qs},
        {u"page_size"_qs, u"20"_qs},
        {u"sort"_qs, u"total_sales_des"_qs},
        {u"material_id"_qs, u"80309"_qs},
        {u"sign_method"_qs, signMethod},
    };
}

// The parameters of a form body, decoded.
QHash<QString, QString> decodedForm(const QByteArray &body)
{
    QHash<QString, QString> form;
    for (const QByteArray &pair : body.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        form.insert(QString::fromUtf8(QByteArray::fromPercentEncoding(pair.first(eq))),
                    QString::fromUtf8(QByteArray::fromPercentEncoding(pair.sliced(eq + 1))));
    }
    return form;
}

} // namespace

class TestTopSign final : public QObject
{
    Q_OBJECT

private slots:
    // Vectors checked independently of this code.
    void publishedVectors_data()
    {
        QTest::addColumn<openplatform::Parameters>("parameters");
        QTest::addColumn<itemsource::SignMethod>("method");
        QTest::addColumn<QString>("signature");
        QTest::newRow("platform's own md5 example")
            << openplatform::Parameters{{u"method"_qs, u"taobao.item.seller.get"_qs},
                                        {u"app_key"_qs, u"12345678"_qs},
                                        {u"session"_qs, u"test"_qs},
                                        {u"timestamp"_qs, u"2016-01-01 12:00:00"_qs},
                                        {u"format"_qs, u"json"_qs},
                                        {u"v"_qs, u"2.0"_qs},
                                        {u"sign_method"_qs, u"md5"_qs},
                                        {u"fields"_qs, u"num_iid,title,nick,price,num"_qs},
                                        {u"num_iid"_qs, u"11223344"_qs}}
            << itemsource::SignMethod::Md5 << u"66987CB115214E59E6EC978214934FB8"_qs;
        QTest::newRow("material search, md5") << searchVector(u"md5"_qs) << itemsource::SignMethod::Md5
                                              << u"3650900CA565438D0B93A01A45C8B482"_qs;
        QTest::newRow("material search, hmac") << searchVector(u"hmac"_qs) << itemsource::SignMethod::Hmac
                                               << u"E8785753E22A0145F3F921042C11243A"_qs;
        QTest::newRow("material search, hmac-sha256")
            << searchVector(u"hmac-sha256"_qs) << itemsource::SignMethod::HmacSha256
            << u"CB4E7D3B01AB650F2C7634508A60EAAB170B8791BC607790EB325D0E2BAD93F2"_qs;
    }
    void publishedVectors()
    {
        QFETCH(openplatform::Parameters, parameters);
        QFETCH(itemsource::SignMethod, method);
        QTEST(openplatform::sign(parameters, u"helloworld"_qs, method), "signature");
        // Neither the order given nor a sign already present changes it.
        std::reverse(parameters.begin(), parameters.end());
        parameters.append({u"sign"_qs, u"OLD"_qs});
        QTEST(openplatform::sign(parameters, u"helloworld"_qs, method), "signature");
    }

    void timestampIsGatewayTime_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("timestamp");
        QTest::newRow("UTC morning") << QDateTime(QDate(2024, 5, 1), QTime(4, 0, 0), QTimeZone::utc())
                                     << u"2024-05-01 12:00:00"_qs;
        QTest::newRow("UTC evening crosses the date")
            << QDateTime(QDate(2024, 12, 31), QTime(20, 30, 5), QTimeZone::utc())
            << u"2025-01-01 04:30:05"_qs;
        QTest::newRow("a machine at UTC-4")
            << QDateTime(QDate(2024, 5, 1), QTime(0, 0, 0), QTimeZone(-4 * 3600))
            << u"2024-05-01 12:00:00"_qs;
        QTest::newRow("a machine at UTC+1")
            << QDateTime(QDate(2024, 1, 15), QTime(9, 59, 59), QTimeZone(3600)) << u"2024-01-15 16:59:59"_qs;
    }
    void timestampIsGatewayTime()
    {
        QFETCH(QDateTime, now);
        QTEST(openplatform::gatewayTimestamp(now), "timestamp");
    }

    void callIsSignedAndEncoded()
    {
        itemsource::OpenPlatformSetup account;
        account.appKey = u"12345678"_qs;
        account.appSecret = u"helloworld"_qs;
        account.signMethod = itemsource::SignMethod::Md5;
        const QDateTime now(QDate(2024, 5, 1), QTime(4, 0, 0), QTimeZone::utc());
        const openplatform::Parameters call = openplatform::signedCall(
            openplatform::materialSearchMethod,
            openplatform::materialSearch(u"123"_qs, u"a+b c&连"_qs, 20, QString()), account, now);
        // The empty sort is not sent, and the signature covers what is.
        QVERIFY(std::none_of(call.begin(), call.end(), [](const auto &p) { return p.first == u"sort"; }));
        QCOMPARE(call.last().first, u"sign"_qs);
        openplatform::Parameters unsigned_ = call;
        unsigned_.removeLast();
        QCOMPARE(call.last().second,
                 openplatform::sign(unsigned_, u"helloworld"_qs, itemsource::SignMethod::Md5));

        const QByteArray body = openplatform::formBody(call);
        QVERIFY(body.contains("&q=a%2Bb%20c%26%E8%BF%9E&"));
        QVERIFY(body.contains("timestamp=2024-05-01%2012%3A00%3A00"));
        QVERIFY(body.startsWith("method=taobao.tbk.dg.material.optional.upgrade&app_key=12345678&"));
        const QHash<QString, QString> form = decodedForm(body);
        QCOMPARE(form.value(u"q"_qs), u"a+b c&连"_qs);
        QCOMPARE(form.value(u"sign_method"_qs), u"md5"_qs);
        QCOMPARE(form.value(u"simplify"_qs), u"true"_qs);
        QCOMPARE(form.value(u"material_id"_qs), u"80309"_qs);
        QCOMPARE(form.value(u"page_size"_qs), u"20"_qs);
        QCOMPARE(form.size(), call.size());
        // The secret itself never travels.
        QVERIFY(!body.contains("helloworld"));
    }
};

QTEST_GUILESS_MAIN(TestTopSign)
#include "topsign.moc"
