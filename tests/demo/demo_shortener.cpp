#include <QTest>

#include <QJsonDocument>
#include <QJsonObject>

#include "demoreply.h"

using namespace demotest;

class TestDemoShortener final : public QObject
{
    Q_OBJECT

private:
    static QByteArray shorten(demo::DemoService &service, const QByteArray &body)
    {
        const httpkit::Response response = service.handle(post("/create.php", body));
        return response.body;
    }

    static QString codeOf(const QByteArray &reply)
    {
        const QString tinyurl = QJsonDocument::fromJson(reply).object().value(u"tinyurl").toString();
        return tinyurl.section(u'/', -1);
    }

private slots:
    void exactReply()
    {
        demo::DemoService service;
        service.setOrigin(u"http://127.0.0.1:17999"_qs);
        // The program sends the link with every character but letters and digits encoded.
        const QByteArray reply = shorten(
            service,
            "url=http%3A%2F%2F127%2E0%2E0%2E1%3A17999%2Fitem%2F1%3Fpid%3Dmm%5F1%5F0%5F0%26from%3Dtbk");
        const QString code = codeOf(reply);
        QCOMPARE(code.size(), 6);
        QCOMPARE(
            reply,
            "{\"tinyurl\":\"http:\\/\\/127.0.0.1:17999\\/t\\/" + code.toLatin1() +
                "\",\"status\":0,\"longurl\":\"http:\\/\\/127.0.0.1:17999\\/item\\/1?pid=mm_1_0_0&from=tbk\","
                "\"err_msg\":\"\"}");
    }

    void codes()
    {
        demo::DemoService service;
        const QString first = codeOf(shorten(service, "url=http%3A%2F%2Fa%2Fx"));
        const QString again = codeOf(shorten(service, "url=http%3A%2F%2Fa%2Fx"));
        const QString other = codeOf(shorten(service, "url=http%3A%2F%2Fa%2Fy"));
        QCOMPARE(again, first);
        QVERIFY(other != first);
        QCOMPARE(service.shortLinks().size(), 2);
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::newRow("empty url") << QByteArray("url=") << -1;
        QTest::newRow("no url field") << QByteArray("link=http%3A%2F%2Fa") << -1;
        QTest::newRow("not a web address") << QByteArray("url=javascript%3Aalert%281%29") << -2;
        QTest::newRow("scheme only") << QByteArray("url=http%3A%2F%2F") << -2;
        QTest::newRow("line break would split the redirect")
            << QByteArray("url=http%3A%2F%2Fa%2F%0D%0ASet-Cookie%3A%20x%3D1") << -2;
        QTest::newRow("blank inside") << QByteArray("url=http%3A%2F%2Fa%2Fb+c") << -2;
        QTest::newRow("too long") << QByteArray("url=http%3A%2F%2Fa%2F" + QByteArray(5000, 'x')) << -3;
    }
    void refusals()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        demo::DemoService service;
        const QByteArray reply = shorten(service, body);
        const QJsonObject object = QJsonDocument::fromJson(reply).object();
        QCOMPARE(object.value(u"status").toInt(), status);
        QVERIFY(!object.contains(u"tinyurl"));
        QVERIFY(!reply.contains("tinyurl\":\""));
        QVERIFY(!object.value(u"err_msg").toString().isEmpty());
        QCOMPARE(service.shortLinks().size(), 0);
    }

    void redirect_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("location");
        QTest::newRow("plain link") << QByteArray("url=http%3A%2F%2Fa%2Fb%3Fc%3D1%26d%3D2")
                                    << QByteArray("http://a/b?c=1&d=2");
        QTest::newRow("link with Chinese, UTF-8")
            << QByteArray("url=https%3A%2F%2Fa%2F%E8%A3%99") << QByteArray("https://a/%E8%A3%99");
        QTest::newRow("link with Chinese, GBK")
            << QByteArray("url=https%3A%2F%2Fa%2F%C1%AC") << QByteArray("https://a/%E8%BF%9E");
    }
    void redirect()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, location);
        demo::DemoService service;
        const QString code = codeOf(shorten(service, body));
        const httpkit::Response response = service.handle(get("/t/" + code.toLatin1()));
        QCOMPARE(response.status, 302);
        QCOMPARE(response.headers.size(), 1);
        QCOMPARE(response.headers[0].first, QByteArray("Location"));
        QCOMPARE(response.headers[0].second, location);
    }

    void unknownCode()
    {
        demo::DemoService service;
        QCOMPARE(service.handle(get("/t/abcdef")).status, 404);
        QCOMPARE(service.handle(get("/t/")).status, 404);
    }
};

QTEST_GUILESS_MAIN(TestDemoShortener)
#include "demo_shortener.moc"
