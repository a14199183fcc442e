#include <QTest>
#include <QUrl>

#include "eventwait.h"
#include "exchangebatch.h"
#include "fakeform.h"
#include "gbk.h"
#include "httpserver.h"
#include "itemrecord.h"
#include "itemrendering.h"
#include "linkshortening.h"
#include "sendto.h"
#include "services.h"
#include "statuspages.h"
#include "toolreply.h"
#include "webtext.h"

using toolreply::answer;

namespace {

ServiceHosts hostsOf(const httpkit::Server &server)
{
    ServiceHosts hosts;
    hosts.shortHost = u"127.0.0.1:"_qs + QString::number(server.port());
    return hosts;
}

// Item n with the links the test tool would give it.
ItemRecord item(int n)
{
    const QString id = QString::number(n);
    ItemRecord record;
    record.title = n == 1 ? u"新款<span class=H>裙</span>"_qs : u"新款"_qs + id;
    record.click_url = u"http://s.click.taobao.com/t_8?e=c"_qs + id + u"&p=mm_30571968_0_0"_qs;
    record.shop_click_url = u"http://s.click.taobao.com/t_9?e=s"_qs + id + u"&p=mm_30571968_0_0"_qs;
    return record;
}

} // namespace

class TestLinkShortening final : public QObject
{
    Q_OBJECT

private slots:
    void applyReply_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("link");
        QTest::newRow("escaped slashes") << u"{\"tinyurl\":\"http:\\/\\/dwz.cn\\/a1B2\",\"status\":0}"_qs
                                         << true << u"http://dwz.cn/a1B2"_qs;
        QTest::newRow("member twice, first wins")
            << u"{\"tinyurl\":\"http:\\/\\/t\\/1\",\"old\":{\"tinyurl\":\"http:\\/\\/t\\/2\"}}"_qs << true
            << u"http://t/1"_qs;
        QTest::newRow("blanks around value")
            << u"{\"tinyurl\":\"  http:\\/\\/t\\/3 \"}"_qs << true << u"http://t/3"_qs;
        QTest::newRow("error object") << u"{\"status\":-1,\"err_msg\":\"url为空\"}"_qs << false << u"LONG"_qs;
        QTest::newRow("time-out") << u"错误|连接超时"_qs << false << u"LONG"_qs;
        QTest::newRow("blank after colon is another text")
            << u"{\"tinyurl\": \"http:\\/\\/t\"}"_qs << false << u"LONG"_qs;
        QTest::newRow("no closing quote") << u"{\"tinyurl\":\"http:\\/\\/t"_qs << true << u"LONG"_qs;
        QTest::newRow("empty member keeps the long link")
            << u"{\"tinyurl\":\"\",\"status\":1}"_qs << true << u"LONG"_qs;
        QTest::newRow("not usable: long link kept as it is")
            << u"{\"tinyurl\":\"javascript:alert(1)\"}"_qs << true << u"LONG"_qs;
    }

    // What a service may put in the member, and whether it may replace a link in a published page.
    void hostileShortLinks_data()
    {
        QTest::addColumn<QString>("value"); // the member's value as the reply holds it
        QTest::addColumn<bool>("used");
        QTest::newRow("plain http") << u"http:\\/\\/t.cn\\/a1"_qs << true;
        QTest::newRow("https, path, query, port") << u"https://dwz.cn:8443/a/b?c=1&d=%20#f"_qs << true;
        QTest::newRow("scheme in capitals") << u"HTTP://T.CN/A"_qs << true;
        QTest::newRow("2048 characters") << u"http://t.cn/"_qs + QString(2048 - 12, u'a') << true;
        QTest::newRow("2049 characters") << u"http://t.cn/"_qs + QString(2049 - 12, u'a') << false;
        QTest::newRow("5000 characters") << u"http://t.cn/"_qs + QString(4988, u'a') << false;
        QTest::newRow("javascript") << u"javascript:alert(document.cookie)"_qs << false;
        QTest::newRow("javascript with spaces") << u"  javascript:alert(1)"_qs << false;
        QTest::newRow("data") << u"data:text/html,<script>alert(1)</script>"_qs << false;
        QTest::newRow("file") << u"file:\\/\\/\\/etc\\/passwd"_qs << false;
        QTest::newRow("ftp") << u"ftp://t.cn/a"_qs << false;
        QTest::newRow("scheme-relative") << u"\\/\\/t.cn\\/a"_qs << false;
        QTest::newRow("relative") << u"a1B2"_qs << false;
        QTest::newRow("no host") << u"http:\\/\\/\\/a"_qs << false;
        QTest::newRow("only the scheme") << u"http://"_qs << false;
        QTest::newRow("single quote") << u"http://t.cn/a'onmouseover='alert(1)"_qs << false;
        QTest::newRow("angle brackets") << u"http://t.cn/<script>alert(1)</script>"_qs << false;
        QTest::newRow("back quote") << u"http://t.cn/a`b"_qs << false;
        QTest::newRow("blank") << u"http://t.cn/a b"_qs << false;
        QTest::newRow("tab") << u"http://t.cn/a\tb"_qs << false;
        QTest::newRow("no-break space") << u"http://t.cn/a\u00a0b"_qs << false;
        QTest::newRow("ideographic space") << u"http://t.cn/a\u3000b"_qs << false;
        QTest::newRow("line separator") << u"http://t.cn/a\u2028b"_qs << false;
        QTest::newRow("NUL") << QString(u"http://t.cn/a"_qs + QChar(0) + u"b"_qs) << false;
        QTest::newRow("DEL") << u"http://t.cn/a\u007fb"_qs << false;
        QTest::newRow("C1 control") << u"http://t.cn/a\u0085b"_qs << false;
        QTest::newRow("right-to-left override") << u"http://t.cn/a\u202eb"_qs << false;
        QTest::newRow("zero-width space") << u"http://t.cn/a\u200bb"_qs << false;
        QTest::newRow("undecoded escape") << u"http:\\/\\/t.cn\\/\\u0000"_qs << false;
        QTest::newRow("backslash") << u"http://t.cn\\evil.example"_qs << false;
        QTest::newRow("lone surrogate") << QString(u"http://t.cn/"_qs + QChar(0xD800)) << false;
        QTest::newRow("hanzi path") << u"http://t.cn/短"_qs << true;
    }
    void hostileShortLinks()
    {
        QFETCH(QString, value);
        QFETCH(bool, used);
        QString link = u"http://s.click.taobao.com/t_8?e=c1"_qs;
        QVERIFY(linkshortening::applyReply(u"{\"tinyurl\":\""_qs + value + u"\",\"status\":0}"_qs, link));
        const QString expected = used ? QString(value).replace(u"\\/"_qs, u"/"_qs).trimmed()
                                      : u"http://s.click.taobao.com/t_8?e=c1"_qs;
        QCOMPARE(link, expected);
        QCOMPARE(webtext::isPlainWebAddress(link), true);
    }
    void applyReply()
    {
        QFETCH(QString, reply);
        QFETCH(bool, found);
        QFETCH(QString, link);
        QString current = u"LONG"_qs;
        QCOMPARE(linkshortening::applyReply(reply, current), found);
        QCOMPARE(current, link);
    }

    void requestBody_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("body");
        QTest::newRow("promotion link")
            << u"http://s.click.taobao.com/t_8?e=7HZ%3D&p=mm_30571968_0_0"_qs
            << u"url=http%3A%2F%2Fs%2Eclick%2Etaobao%2Ecom%2Ft%5F8%3Fe%3D7HZ%253D%26p%3Dmm%5F30571968%5F0%5F0"_qs;
        QTest::newRow("empty link") << QString() << u"url="_qs;
    }
    void requestBody()
    {
        QFETCH(QString, link);
        QFETCH(QString, body);
        QCOMPARE(linkshortening::requestBody(link), body);
    }

    void itemLinks_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<bool>("shopInTemplate");
        QTest::addColumn<bool>("serviceWorks");
        QTest::addColumn<QStringList>("sentLinks");
        QTest::addColumn<QString>("clickUrl");
        QTest::addColumn<QString>("shopUrl");
        QTest::addColumn<QStringList>("pages");
        const QString click = u"http://s.click.taobao.com/t_8?e=c1&p=mm_30571968_0_0"_qs;
        const QString shop = u"http://s.click.taobao.com/t_9?e=s1&p=mm_30571968_0_0"_qs;
        const QString clickPage =
            u"about:<center><br/><br/><br/>正在将商品<新款<span class=H>裙</span>>的推广地址转换为短网址..."_qs;
        const QString shopPage =
            u"about:<center><br/><br/><br/>正在将商品<新款<span class=H>裙</span>>的店铺推广地址转换为短网址..."_qs;
        QTest::newRow("option off") << 0 << true << true << QStringList() << click << shop << QStringList();
        QTest::newRow("option greyed")
            << 2 << true << true << QStringList() << click << shop << QStringList();
        QTest::newRow("ticked, template without shop link")
            << 1 << false << true << QStringList{click} << u"http://127.0.0.1/t/c1"_qs << shop
            << QStringList{clickPage};
        QTest::newRow("ticked, template with shop link")
            << 1 << true << true << QStringList{click, shop} << u"http://127.0.0.1/t/c1"_qs
            << u"http://127.0.0.1/t/s1"_qs << QStringList{clickPage, shopPage};
        QTest::newRow("ticked, service refuses")
            << 1 << true << false << QStringList{click, shop} << click << shop << QStringList();
    }
    void itemLinks()
    {
        QFETCH(int, option);
        QFETCH(bool, shopInTemplate);
        QFETCH(bool, serviceWorks);
        QFETCH(QStringList, sentLinks);
        QFETCH(QStringList, pages);
        httpkit::Server server([&](const httpkit::Request &request) {
            return serviceWorks ? answer(toolreply::shortenerAnswer(request.body))
                                : answer("<html>502 Bad Gateway</html>", 502);
        });
        QVERIFY(server.listen());
        FakeForm form;
        form.shortLinks = option;
        const ServiceHosts hosts = hostsOf(server);
        const QString templateText =
            shopInTemplate ? u"<a href=\"[#店铺网址#]\">店铺</a>"_qs : u"[#商品网址#]"_qs;
        ItemRecord record = item(1);

        QVERIFY(linkshortening::shortenItemLinks(form, hosts, templateText, record, *form.cancel));

        QStringList sent;
        for (const httpkit::Request &request : server.requests()) {
            QCOMPARE(request.method, "POST");
            QCOMPARE(request.target, "/create.php");
            QVERIFY(!request.hasHeader("Referer"));
            QCOMPARE(request.header("Content-Type"), "application/x-www-form-urlencoded");
            QVERIFY(request.body.startsWith("url="));
            sent.append(QUrl::fromPercentEncoding(request.body.mid(4)));
        }
        // Both links are out together, so they may arrive, and be answered, in either order.
        sent.sort();
        QCOMPARE(sent, sentLinks);
        QTEST(record.click_url, "clickUrl");
        QTEST(record.shop_click_url, "shopUrl");
        form.pages.sort();
        pages.sort();
        QCOMPARE(form.pages, pages);
    }

    // Out together and answered in a shuffled order, the links of a run end up exactly where one
    // request after another puts them, with the same status pages (in the order the answers came).
    void sameLinksAsOneAfterAnother()
    {
        int working = 0;
        int mostAtOnce = 0;
        bool shuffled = false;
        httpkit::Server server([&](const httpkit::Request &request) {
            const int delayMs = shuffled ? int(qHash(request.body) % 7) * 9 : 0;
            return answer(toolreply::shortenerAnswer(request.body), 200, delayMs);
        });
        QObject::connect(&server, &httpkit::Server::requestReceived, &server,
                         [&] { mostAtOnce = std::max(mostAtOnce, ++working); });
        QObject::connect(&server, &httpkit::Server::responseSent, &server, [&] { --working; });
        QVERIFY(server.listen());
        const ServiceHosts hosts = hostsOf(server);
        const QString templateText = u"[#商品网址#]|[#店铺网址#]"_qs;
        QList<ItemRecord> records;
        for (int n = 1; n <= 40; ++n)
            records.append(item(n));

        // One after another: a request per link, in item order, as each item is filled.
        FakeForm sequential;
        sequential.shortLinks = 1;
        QString expected;
        for (int n = 1; n <= 40; ++n) {
            ItemRecord record = records[n - 1];
            for (QString *link : {&record.click_url, &record.shop_click_url}) {
                const net::Exchange request = linkshortening::request(hosts, *link);
                const QString reply =
                    SendTo(request.url, request.body, request.referer, request.readReply, request.cached,
                           request.timeoutSeconds, request.asText, request.contentType);
                if (linkshortening::applyReply(reply, *link))
                    sequential.pages.append(
                        statuspages::linkShortened(record.title, link == &record.shop_click_url));
            }
            itemrendering::appendItem(expected, templateText + u';', n, record, QString());
        }
        QCOMPARE(server.requests().size(), 80);
        working = mostAtOnce = 0;
        shuffled = true;

        FakeForm together;
        together.shortLinks = 1;
        QVERIFY(linkshortening::shortenLinks(together, hosts, templateText, records, *together.cancel));
        QString html;
        for (int n = 1; n <= 40; ++n)
            itemrendering::appendItem(html, templateText + u';', n, records[n - 1], QString());

        QCOMPARE(server.requests().size(), 160);
        QCOMPARE(gbk::encode(html), gbk::encode(expected));
        QVERIFY(html.contains(u"|http://127.0.0.1/t/s40;"_qs));
        QCOMPARE(mostAtOnce, 8);
        QVERIFY2(together.pages != sequential.pages, "the answers came in request order");
        together.pages.sort();
        sequential.pages.sort();
        QCOMPARE(together.pages, sequential.pages);
    }

    // One link among eight whose request fails keeps its long form and shows no page; the other
    // seven are shortened.
    void oneFailsAmongEight_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("error page") << 502 << QByteArray("<html>502 Bad Gateway</html>");
        QTest::newRow("refusal without a short link")
            << 200 << QByteArray("{\"status\":-2,\"err_msg\":\"长网址格式不正确\"}");
        QTest::newRow("empty answer") << 200 << QByteArray();
    }
    void oneFailsAmongEight()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        httpkit::Server server([&](const httpkit::Request &request) {
            if (request.body.contains("s3"))
                return answer(body, status);
            return answer(toolreply::shortenerAnswer(request.body), 200, 20);
        });
        QVERIFY(server.listen());
        FakeForm form;
        form.shortLinks = 1;
        QList<ItemRecord> records{item(1), item(2), item(3), item(4)};

        QVERIFY(
            linkshortening::shortenLinks(form, hostsOf(server), u"[#店铺网址#]"_qs, records, *form.cancel));
        QCOMPARE(server.requests().size(), 8);
        for (int n = 1; n <= 4; ++n) {
            const QString id = QString::number(n);
            QCOMPARE(records[n - 1].click_url, u"http://127.0.0.1/t/c"_qs + id);
            QCOMPARE(records[n - 1].shop_click_url,
                     n == 3 ? item(3).shop_click_url : u"http://127.0.0.1/t/s"_qs + id);
        }
        QCOMPARE(form.pages.size(), 7);
        QVERIFY(!form.pages.contains(statuspages::linkShortened(records[2].title, true)));
    }

    // Closing the window while eight requests are out: each is aborted (the server sees its
    // connection close), no further one is sent and the window is not touched again.
    void windowClosedWhileEightAreOut()
    {
        FakeForm form;
        form.shortLinks = 1;
        httpkit::Server server([&](const httpkit::Request &request) {
            if (server.requests().size() == 8)
                form.cancel->cancel();
            return answer(toolreply::shortenerAnswer(request.body), 200, 20000);
        });
        QVERIFY(server.listen());
        QList<ItemRecord> records;
        for (int n = 1; n <= 10; ++n)
            records.append(item(n));

        QVERIFY(
            !linkshortening::shortenLinks(form, hostsOf(server), u"[#店铺网址#]"_qs, records, *form.cancel));
        QCOMPARE(form.callsWhileClosing, 0);
        QVERIFY(form.pages.isEmpty());
        WAIT_COMPARE(server.answersOwed(), 0, 5000);
        eventwait::settle(50);
        QCOMPARE(server.requests().size(), 8);
    }
};

QTEST_GUILESS_MAIN(TestLinkShortening)
#include "linkshortening.moc"
