#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "apiceshijiekou.h"
#include "fakeform.h"
#include "httpserver.h"
#include "testpaths.h"
#include "toolreply.h"
#include "runstate.h"
#include "services.h"

Q_DECLARE_METATYPE(RetrievalOutcome)

namespace {

const QString requesting =
    u"about:<br/><br/><br/><br/><br/><br/><br/><center><b>正在通过api接口获取商品数据....</b>"_qs;
const QString timedOut =
    u"about:<br/><br/><br/><br/><br/><br/><br/><center>通过api接口获取商品数据超时,请点击开始生成按钮重新尝试生成..."_qs;
const QString failed =
    u"about:<br/><br/><br/><br/><br/><br/><br/><center>通过api接口获取商品数据失败,请点击开始生成按钮重新尝试生成..."_qs;
const QString generating =
    u"about:<br/><br/><br/><br/><br/><br/><br/><center>根据api接口获取到的商品数据生成淘宝客单页..."_qs;
const QString completed = u"about:<br/><br/><br/><br/><br/><br/><br/><center>商品数据获取完毕..."_qs;

httpkit::Response answer(const QByteArray &body, int delayMs = 0)
{
    httpkit::Response response;
    response.body = body;
    response.delayMs = delayMs;
    return response;
}

QByteArray fixture(const char *name)
{
    QFile file(QStringLiteral(TAOYEFANG_TEST_DATA_DIR "/items/") + QLatin1StringView(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString clickPage(int n)
{
    return u"about:<center><br/><br/><br/>正在将商品<新款<span class=H>连衣裙</span>"_qs +
           QString::number(n) + u">的推广地址转换为短网址..."_qs;
}

// The API test tool and the shortening service on one loopback server; `onRequest` lets a test
// act while the run waits for an answer.
struct Services
{
    QByteArray itemReply;
    int delayMs = 0;
    std::function<void(const httpkit::Request &)> onRequest = [](const httpkit::Request &) {
    };
    int linkDelayMs = 0;
    httpkit::Server server{[this](const httpkit::Request &request) {
        onRequest(request);
        if (request.path == "/create.php")
            return answer(toolreply::shortenerAnswer(request.body), linkDelayMs);
        return answer(itemReply, delayMs);
    }};

    QStringList paths() const
    {
        QStringList list;
        for (const httpkit::Request &request : server.requests())
            list.append(QString::fromLatin1(request.path));
        return list;
    }
};

} // namespace

class TestApiceshijiekou final : public QObject
{
    Q_OBJECT

    std::unique_ptr<Services> services;
    FakeForm form;
    ServiceHosts hosts;
    RunState state;

    RetrievalOutcome run() { return apiceshijiekou(form, hosts, state, *form.cancel); }

private slots:
    void init()
    {
        services = std::make_unique<Services>();
        QVERIFY(services->server.listen());
        form = FakeForm();
        state = RunState();
        const QString host = u"127.0.0.1:"_qs + QString::number(services->server.port());
        hosts = {host, host, u"img.taobaocdn.com"_qs};
        state.itemsHtml = u"before;"_qs;
        state.itemBlock =
            u"[#商品排名#]|[#商品价格#]|[#商品销售量#]|[#卖家昵称#]|[#信用等级#]|[#商品网址#];"_qs;
        state.templateText = u"[#商品循环开始#]"_qs + state.itemBlock + u"[#商品循环结束#]"_qs;
    }

    void outcome_data()
    {
        using namespace toolreply;
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("count");
        QTest::addColumn<RetrievalOutcome>("outcome");
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<QString>("html");
        const QString badge = u"http://img.taobaocdn.com/newrank/"_qs;
        const QString c = u"http://s.click.taobao.com/t_8?e="_qs;
        const QString p = u"&p=mm_30571968_0_0;"_qs;
        const QStringList done{requesting, generating, completed};
        const QString dresses =
            u"before;1|89.00|2356|韩都衣舍旗舰店|"_qs + badge + u"s_crown_5.gif|"_qs + c +
            u"7HZ6jHSTbIQ%2BcrGi7Y4JiZx2cKwfKz6XnCeBK09rJg%3D%3D"_qs + p + u"2|99.00|1279|茵曼旗舰店|"_qs +
            badge + u"s_cap_3.gif|"_qs + c + u"7HZ6jHSTbIWa9nH0pxB%2FnQvN0m4dKB8a4w%3D%3D"_qs + p +
            u"3|76.00|688|小清新的衣橱|"_qs + badge + u"s_blue_2.gif|"_qs + c +
            u"7HZ6jHSTbIQZLh2SAa9Uo%2F5b1NrJLfa6fQ%3D%3D"_qs + p + u"4|59.00|143|aimee小店|"_qs + badge +
            u"s_red_3.gif|"_qs + c + u"7HZ6jHSTbIRq0V%2BmO5xKc8l3JdQ9sQ%3D%3D"_qs + p +
            u"5|59.00|21|新开小铺2013|0|"_qs + c + u"7HZ6jHSTbIT3nUq7%2FxVbE8kN5u%3D%3D"_qs + p;
        QTest::newRow("shipped reply, count above its items")
            << fixture("reply_dresses.html") << u"10"_qs << RetrievalOutcome::Completed << done << dresses;
        QTest::newRow("count below the items")
            << fixture("reply_dresses.html") << u"2"_qs << RetrievalOutcome::Completed << done
            << dresses.first(dresses.indexOf(u";3|"_qs) + 1);

        const QByteArray three = page(xml({item(1, u"1"_qs), item(2, u"6"_qs), item(3, u"0"_qs)})).toUtf8();
        const QString line1 = u"1|19.00|100|卖家1|"_qs + badge + u"s_red_1.gif|"_qs + c + u"c1"_qs + p;
        const QString line2 = u"2|29.00|200|卖家2|"_qs + badge + u"s_blue_1.gif|"_qs + c + u"c2"_qs + p;
        QTest::newRow("fractional count")
            << three << u"2.9"_qs << RetrievalOutcome::Completed << done << u"before;"_qs + line1 + line2;
        QTest::newRow("count of letters")
            << three << u"abc"_qs << RetrievalOutcome::Completed << done << u"before;"_qs;
        QTest::newRow("unclosed last element ends the list")
            << page(xml({item(1, u"1"_qs), item(2, u"6"_qs), item(3)}, true)).toUtf8() << u"10"_qs
            << RetrievalOutcome::Completed << done << u"before;"_qs + line1 + line2;
        QTest::newRow("missing fields stay empty")
            << page(xml({without(without(without(item(1), u"price"_qs), u"nick"_qs),
                                 u"seller_credit_score"_qs),
                         without(without(item(2), u"volume"_qs), u"click_url"_qs)}))
                   .toUtf8()
            << u"10"_qs << RetrievalOutcome::Completed << done
            << u"before;1||100|||"_qs + c + u"c1"_qs + p + u"2|29.00||卖家2|"_qs + badge +
                   u"s_blue_2.gif|;"_qs;

        QTest::newRow("error reply") << fixture("reply_error.html") << u"10"_qs << RetrievalOutcome::Failed
                                     << QStringList{requesting, failed} << u"before;"_qs;
        QTest::newRow("empty reply") << QByteArray() << u"10"_qs << RetrievalOutcome::Failed
                                     << QStringList{requesting, failed} << u"before;"_qs;
        QTest::newRow("time-out text among items")
            << three + "错误|连接超时" << u"10"_qs << RetrievalOutcome::TimedOut
            << QStringList{requesting, timedOut} << u"before;"_qs;
    }
    void outcome()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, count);
        services->itemReply = reply;
        form.count = count;
        form.sort = u"价格从高到低"_qs;

        QTEST(run(), "outcome");
        QTEST(form.pages, "pages");
        QTEST(state.itemsHtml, "html");
        QCOMPARE(state.itemCount, state.itemsHtml.count(u';') - 1);
        QVERIFY(services->server.requests().constFirst().body.contains("&sort=price_desc&"));
        QCOMPARE(services->paths(), QStringList{u"/apitools/getResult.htm"_qs});
    }

    void inputsReadAgainAtTheLoop()
    {
        using namespace toolreply;
        services->itemReply = page(xml({item(1), item(2), item(3)})).toUtf8();
        // The user changes the count while the query is out.
        services->onRequest = [this](const httpkit::Request &) {
            form.count = u"1"_qs;
        };
        QCOMPARE(run(), RetrievalOutcome::Completed);
        QVERIFY(services->server.requests().constFirst().body.contains("&page_size=10&"));
        QCOMPARE(state.itemsHtml.count(u'|'), 5);
        QCOMPARE(form.inputReads,
                 (QStringList{u"Combo2"_qs, u"Text2"_qs, u"Text1"_qs, u"Text3"_qs, u"Text3"_qs}));
    }

    void shortLinks()
    {
        using namespace toolreply;
        services->itemReply = page(xml({item(1), item(2)})).toUtf8();
        form.shortLinks = 1;
        state.itemBlock = u"[#商品排名#]|[#商品网址#]|[#店铺网址#];"_qs;
        state.templateText = state.itemBlock;

        QCOMPARE(run(), RetrievalOutcome::Completed);
        QCOMPARE(services->paths(), (QStringList{u"/apitools/getResult.htm"_qs, u"/create.php"_qs,
                                                 u"/create.php"_qs, u"/create.php"_qs, u"/create.php"_qs}));
        QCOMPARE(state.itemsHtml, u"before;1|http://127.0.0.1/t/c1|http://127.0.0.1/t/s1;"
                                  u"2|http://127.0.0.1/t/c2|http://127.0.0.1/t/s2;"_qs);
        const auto shopPage = [](int n) -> QString {
            return u"about:<center><br/><br/><br/>正在将商品<新款<span class=H>连衣裙</span>"_qs +
                   QString::number(n) + u">的店铺推广地址转换为短网址..."_qs;
        };
        QCOMPARE(form.pages.size(), 7);
        QCOMPARE(form.pages.mid(0, 2), (QStringList{requesting, generating}));
        // One page per link, in the order the answers came.
        QStringList linkPages = form.pages.mid(2, 4);
        linkPages.sort();
        QStringList expected{clickPage(1), shopPage(1), clickPage(2), shopPage(2)};
        expected.sort();
        QCOMPARE(linkPages, expected);
        QCOMPARE(form.pages.constLast(), completed);
    }

    void windowClosed_data()
    {
        QTest::addColumn<int>("closeAtRequest"); // 1: the item query
        QTest::newRow("during the item query") << 1;
        QTest::newRow("while the links are out") << 2;
    }
    void windowClosed()
    {
        QFETCH(int, closeAtRequest);
        services->itemReply =
            toolreply::page(toolreply::xml({toolreply::item(1), toolreply::item(2)})).toUtf8();
        services->linkDelayMs = 2000;
        int seen = 0;
        services->onRequest = [&](const httpkit::Request &) {
            if (++seen == closeAtRequest)
                form.cancel->cancel();
        };
        form.shortLinks = 1;
        state.itemBlock = u"[#商品排名#]|[#商品网址#];"_qs;

        QCOMPARE(run(), RetrievalOutcome::Aborted);
        QCOMPARE(form.callsWhileClosing, 0);
        // Both links were sent together; the second may or may not have arrived.
        QVERIFY(services->server.requests().size() >= closeAtRequest);
        QVERIFY(services->server.requests().size() <= (closeAtRequest == 1 ? 1 : 3));
        const QStringList pages =
            closeAtRequest == 1 ? QStringList{requesting} : QStringList{requesting, generating};
        QCOMPARE(form.pages, pages);
        QCOMPARE(state.itemsHtml, u"before;"_qs);
    }

    // The one test that waits out the query's five seconds.
    void queryTimesOut()
    {
        services->itemReply = fixture("reply_dresses.html");
        services->delayMs = 5600;
        QCOMPARE(run(), RetrievalOutcome::TimedOut);
        QCOMPARE(form.pages, (QStringList{requesting, timedOut}));
        QCOMPARE(state.itemsHtml, u"before;"_qs);
    }

    // A reply cut off by the connection holds some complete items; they must not pass for all.
    void replyCutOffFails()
    {
        using namespace toolreply;
        const QByteArray whole = page(xml({item(1), item(2), item(3)})).toUtf8();
        const QByteArray cut = whole.left(whole.indexOf("&lt;/taobaoke_item&gt;", whole.size() / 2) + 22);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket *socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket, whole, cut] {
                socket->readAll();
                socket->write(
                    "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                    QByteArray::number(whole.size()) + "\r\n\r\n" + cut);
                socket->disconnectFromHost();
            });
        });
        hosts.apiHost = u"127.0.0.1:"_qs + QString::number(server.serverPort());
        QCOMPARE(run(), RetrievalOutcome::Failed);
        QCOMPARE(form.pages, (QStringList{requesting, failed}));
        QCOMPARE(state.itemsHtml, u"before;"_qs);
    }
};

QTEST_GUILESS_MAIN(TestApiceshijiekou)
#include "apiceshijiekou.moc"
