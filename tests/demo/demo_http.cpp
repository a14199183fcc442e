#include <QTest>

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QXmlStreamReader>

#include "catalogue.h"
#include "demoreply.h"
#include "demoserver.h"
#include "links.h"
#include "testpaths.h"

using namespace demotest;

namespace {

struct Fetched
{
    int status = 0;
    QByteArray contentType;
    QByteArray location;
    QByteArray body;
    QUrl finalUrl;
};

Fetched fetch(QNetworkAccessManager &manager, const QString &url, const QByteArray &postBody = QByteArray(),
              bool follow = false)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         follow ? QNetworkRequest::NoLessSafeRedirectPolicy
                                : QNetworkRequest::ManualRedirectPolicy);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
    QNetworkReply *reply = postBody.isNull() ? manager.get(request) : manager.post(request, postBody);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        finished.wait(5000);
    Fetched result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    result.location = reply->rawHeader("Location");
    result.body = reply->readAll();
    result.finalUrl = reply->url();
    delete reply;
    return result;
}

// The root element's width, or -1 when the text is not a well-formed SVG document.
int svgWidth(const QByteArray &svg)
{
    QXmlStreamReader reader(svg);
    int width = -1;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && width < 0 && reader.name() == u"svg")
            width = reader.attributes().value(u"width"_qs).toInt();
    }
    return reader.hasError() ? -1 : width;
}

} // namespace

class TestDemoHttp final : public QObject
{
    Q_OBJECT

private:
    demo::DemoServer m_server;
    QNetworkAccessManager m_manager;
    QString m_origin;

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.listen(0));
        QVERIFY(m_server.port() != 0);
        m_origin = u"http://127.0.0.1:"_qs + QString::number(m_server.port());
        QCOMPARE(m_server.origin(), m_origin);
    }

    void pictures_data()
    {
        const demo::CatalogueItem &first = demo::Catalogue::shipped().items().front();
        const QString id = QString::fromLatin1(first.numIid);
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("width");
        QTest::newRow("product picture") << u"/img/"_qs + id + u".svg"_qs << 200 << 400;
        QTest::newRow("product picture with a size suffix")
            << u"/img/"_qs + id + u".svg_160x160.jpg"_qs << 200 << 400;
        QTest::newRow("unknown product") << u"/img/1.svg"_qs << 404 << 0;
        QTest::newRow("no id") << u"/img/.svg"_qs << 404 << 0;
        for (int score = 1; score <= 20; ++score) {
            const QString path = demo::badgePath(score);
            QTest::newRow(qPrintable(path)) << path << 200 << 16 * ((score - 1) % 5 + 1);
        }
        QTest::newRow("grade 0") << u"/newrank/s_red_0.gif"_qs << 404 << 0;
        QTest::newRow("grade 6") << u"/newrank/s_blue_6.gif"_qs << 404 << 0;
        QTest::newRow("fractional grade") << u"/newrank/s_red_2.5.gif"_qs << 404 << 0;
        QTest::newRow("unknown series") << u"/newrank/s_gold_1.gif"_qs << 404 << 0;
    }
    void pictures()
    {
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(int, width);
        const Fetched fetched = fetch(m_manager, m_origin + path);
        QCOMPARE(fetched.status, status);
        if (status == 200) {
            QCOMPARE(fetched.contentType, QByteArray("image/svg+xml"));
            QCOMPARE(svgWidth(fetched.body), width);
        }
    }

    // A query as the program makes it, then every address of the first item followed as a browser would.
    void linksOfAQueryLeadSomewhere()
    {
        const Fetched page = fetch(m_manager, m_origin + u"/apitools/getResult.htm"_qs,
                                   programBody(u"手机"_qs, "30571968", "price_desc", "2"));
        QCOMPARE(page.status, 200);
        QCOMPARE(page.contentType, QByteArray("text/html; charset=utf-8"));
        const Reply reply = readReply(QString::fromUtf8(page.body));
        QCOMPARE(reply.items.size(), 2);
        const auto &item = reply.items.front();

        const Fetched itemPage = fetch(m_manager, item[u"click_url"_qs]);
        QCOMPARE(itemPage.status, 200);
        QVERIFY(itemPage.body.contains("mm_30571968_0_0"));
        QVERIFY(itemPage.body.contains(item[u"nick"_qs].toUtf8()));
        const Fetched shopPage = fetch(m_manager, item[u"shop_click_url"_qs]);
        QCOMPARE(shopPage.status, 200);
        QVERIFY(shopPage.body.contains(item[u"num_iid"_qs].toUtf8()));
        QCOMPARE(fetch(m_manager, item[u"pic_url"_qs]).contentType, QByteArray("image/svg+xml"));

        // Shortened, the promotion link redirects to itself.
        const Fetched shortened = fetch(m_manager, m_origin + u"/create.php"_qs,
                                        "url=" + item[u"click_url"_qs].toUtf8().toPercentEncoding());
        QCOMPARE(shortened.contentType, QByteArray("application/json; charset=utf-8"));
        const qsizetype marker = shortened.body.indexOf("tinyurl\":\"") + 10;
        const QString tinyurl =
            QString::fromUtf8(shortened.body.mid(marker, shortened.body.indexOf('"', marker) - marker))
                .replace(u"\\/"_qs, u"/"_qs);
        QVERIFY(tinyurl.startsWith(m_origin + u"/t/"_qs));
        const Fetched redirect = fetch(m_manager, tinyurl);
        QCOMPARE(redirect.status, 302);
        QCOMPARE(QString::fromUtf8(redirect.location), item[u"click_url"_qs]);
        const Fetched followed = fetch(m_manager, tinyurl, QByteArray(), true);
        QCOMPARE(followed.status, 200);
        QCOMPARE(followed.finalUrl.toString(), item[u"click_url"_qs]);

        // The server keeps what it received, for tests of the program.
        const auto received = m_server.requests();
        const auto query = std::find_if(received.begin(), received.end(), [](const httpkit::Request &r) {
            return r.path == "/apitools/getResult.htm";
        });
        QVERIFY(query != received.end());
        QCOMPARE(query->body, programBody(u"手机"_qs, "30571968", "price_desc", "2"));
    }

    void unknownPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::newRow("home page") << u"/"_qs << 200;
        QTest::newRow("unknown page") << u"/nothing"_qs << 404;
        QTest::newRow("unknown item") << u"/item/123"_qs << 404;
        QTest::newRow("unknown shop") << u"/shop/99999999999999999999"_qs << 404;
    }
    void unknownPaths()
    {
        QFETCH(QString, path);
        QFETCH(int, status);
        const Fetched fetched = fetch(m_manager, m_origin + path);
        QCOMPARE(fetched.status, status);
        QCOMPARE(fetched.contentType, QByteArray("text/html; charset=utf-8"));
    }

    // The latency is added to every answer, on top of the reply delay of the two services.
    void latencyDelaysEveryAnswer_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("delayMs");
        QTest::newRow("shortening") << QByteArray("/create.php") << 350;
        QTest::newRow("item query") << QByteArray("/apitools/getResult.htm") << 350;
        QTest::newRow("picture") << QByteArray("/img/1.jpg") << 250;
        QTest::newRow("unknown page") << QByteArray("/nothing") << 250;
    }
    void latencyDelaysEveryAnswer()
    {
        QFETCH(QByteArray, path);
        demo::DemoService service;
        service.setReplyDelay(100);
        service.setLatency(250);
        httpkit::Request request;
        request.method = "POST";
        request.target = request.path = path;
        request.body = "url=http%3A%2F%2Fa%2Fb";
        QTEST(service.handle(request).delayMs, "delayMs");
    }

    // Delayed answers do not wait for one another: six at once take about one latency, not six.
    void executableWithLatency()
    {
#ifdef Q_OS_UNIX
        QProcess process;
        process.start(QStringLiteral(TAOYEFANG_BIN_DIR "/demo-server"),
                      {u"--port"_qs, u"0"_qs, u"--latency"_qs, u"400"_qs});
        QVERIFY(process.waitForStarted(5000));
        QVERIFY(process.waitForReadyRead(5000));
        const QByteArray line = process.readLine().trimmed();
        const QString origin = QString::fromLatin1(line.sliced(line.indexOf("http://")));

        QNetworkAccessManager manager;
        QList<QNetworkReply *> replies;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 6; ++i) {
            QNetworkRequest request{QUrl(origin + u"/create.php"_qs)};
            request.setHeader(QNetworkRequest::ContentTypeHeader,
                              QByteArray("application/x-www-form-urlencoded"));
            replies.append(manager.post(request, "url=http%3A%2F%2Fa%2F" + QByteArray::number(i)));
        }
        for (QNetworkReply *reply : replies) {
            QSignalSpy finished(reply, &QNetworkReply::finished);
            QVERIFY(reply->isFinished() || finished.wait(5000));
            QVERIFY(reply->readAll().startsWith("{\"tinyurl\":"));
            delete reply;
        }
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= 400 && elapsed < 2000, qPrintable(QString::number(elapsed)));
        process.terminate();
        QVERIFY(process.waitForFinished(5000));

        QProcess refused;
        refused.start(QStringLiteral(TAOYEFANG_BIN_DIR "/demo-server"), {u"--latency"_qs, u"-5"_qs});
        QVERIFY(refused.waitForFinished(5000));
        QCOMPARE(refused.exitCode(), 2);
#else
        QSKIP("signals are a Unix matter");
#endif
    }

    void executableAnnouncesItselfAndStopsOnTerminate()
    {
#ifdef Q_OS_UNIX
        QProcess process;
        process.start(QStringLiteral(TAOYEFANG_BIN_DIR "/demo-server"), {u"--port"_qs, u"0"_qs});
        QVERIFY(process.waitForStarted(5000));
        QVERIFY(process.waitForReadyRead(5000));
        const QByteArray line = process.readLine().trimmed();
        QVERIFY2(line.startsWith("demo-server listening on http://127.0.0.1:"), line.constData());
        const QString origin = QString::fromLatin1(line.sliced(line.indexOf("http://")));

        const Fetched reply = fetch(m_manager, origin + u"/create.php"_qs, "url=http%3A%2F%2Fa%2Fb");
        const QByteArray expected = "{\"tinyurl\":\"" + origin.toLatin1().replace("/", "\\/") + "\\/t\\/";
        QVERIFY(reply.body.startsWith(expected));

        process.terminate();
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
#else
        QSKIP("signals are a Unix matter");
#endif
    }
};

QTEST_GUILESS_MAIN(TestDemoHttp)
#include "demo_http.moc"
