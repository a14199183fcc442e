#include <optional>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QNetworkCookieJar>
#include <QThread>
#include <QTimer>

#include "appsetup.h"
#include "callgate.h"
#include "demoservice.h"
#include "eventwait.h"
#include "fakeform.h"
#include "gateway.h"
#include "httpexchange.h"
#include "httpserver.h"
#include "linkrecord.h"
#include "openplatformitems.h"
#include "topmessages.h"
#include "toprequest.h"
#include "topcall.h"
#include "runstate.h"
#include "sendto.h"

Q_DECLARE_METATYPE(RetrievalOutcome)
Q_DECLARE_METATYPE(itemsource::SignMethod)

namespace {
enum class Remade { None, CouponItems, All };
}
Q_DECLARE_METATYPE(Remade)
Q_DECLARE_METATYPE(ItemFilter)

namespace {

// Cancels as soon as a request asks for its cookies, which it does while it is being sent.
struct CancellingJar final : QNetworkCookieJar
{
    net::Cancellation *cancel = nullptr;
    QList<QNetworkCookie> cookiesForUrl(const QUrl &) const override
    {
        cancel->cancel();
        return {};
    }
};

const QString requesting =
    u"about:<br/><br/><br/><br/><br/><br/><br/><center><b>正在通过api接口获取商品数据....</b>"_qs;
const QString generating =
    u"about:<br/><br/><br/><br/><br/><br/><br/><center>根据api接口获取到的商品数据生成淘宝客单页..."_qs;
const QString completed = u"about:<br/><br/><br/><br/><br/><br/><br/><center>商品数据获取完毕..."_qs;
const QString failurePrefix =
    u"about:<br/><br/><br/><br/><br/><br/><br/><center>通过开放平台获取商品数据失败：<b>"_qs;

const QString block =
    u"<li>[#商品排名#]|[#商品标题#]|[#商品网址#]|[#商品图片地址#]|[#商品价格#]|[#商品销售量#]|"
    u"[#店铺网址#]|[#卖家昵称#]|[#信用等级#]|[#原价#]|[#到手价#]|[#优惠券#]|[#优惠券说明#]|"
    u"[#平台#]|[#淘口令#]</li>"_qs;

// The demo gateway on a loopback port; `intercept` answers a request in its place when it
// returns a response.
struct Gateway
{
    demo::DemoService service;
    std::function<std::optional<httpkit::Response>(const httpkit::Request &)> intercept =
        [](const httpkit::Request &) {
            return std::nullopt;
        };
    httpkit::Server server{[this](const httpkit::Request &request) {
        if (std::optional<httpkit::Response> answer = intercept(request))
            return *answer;
        return service.handle(request);
    }};

    bool listen()
    {
        if (!server.listen())
            return false;
        service.setOrigin(origin());
        return true;
    }
    QString origin() const { return u"http://127.0.0.1:"_qs + QString::number(server.port()); }
    QList<httpkit::Request> calls() const
    {
        QList<httpkit::Request> calls;
        for (const httpkit::Request &request : server.requests()) {
            if (request.path == "/router/rest")
                calls.append(request);
        }
        return calls;
    }
};

} // namespace

class TestOpenPlatformItems final : public QObject
{
    Q_OBJECT

    std::unique_ptr<Gateway> m_gateway;
    AppSetup m_setup;

    RetrievalOutcome retrieve(FakeForm &form, RunState &run, net::CallGate *callGate = nullptr)
    {
        run.itemBlock = block;
        run.templateText = block;
        return openplatform::openPlatformItems(form, m_setup, run, *form.cancel, callGate);
    }

private slots:
    void init()
    {
        m_gateway = std::make_unique<Gateway>();
        QVERIFY(m_gateway->listen());
        m_setup = AppSetup::inProgramFolder(u"/nowhere"_qs);
        m_setup.source = itemsource::Source::OpenPlatform;
        m_setup.openPlatform.gateway = m_gateway->origin() + u"/router/rest"_qs;
        m_setup.openPlatform.appKey = u"demo-app"_qs;
        m_setup.openPlatform.appSecret = u"demo-secret"_qs;
        m_setup.openPlatform.makeTpwd = true;
        m_setup.hosts.shortHost = m_gateway->origin().sliced(7);
    }

    void itemsWithCouponsAndTpwd_data()
    {
        QTest::addColumn<itemsource::SignMethod>("method");
        QTest::newRow("md5") << itemsource::SignMethod::Md5;
        QTest::newRow("hmac") << itemsource::SignMethod::Hmac;
        QTest::newRow("hmac-sha256") << itemsource::SignMethod::HmacSha256;
    }
    void itemsWithCouponsAndTpwd()
    {
        QFETCH(itemsource::SignMethod, method);
        m_setup.openPlatform.signMethod = method;
        FakeForm form;
        form.count = u"4"_qs;
        form.pid = u"mm_1_2_3"_qs;
        form.sort = u"价格从高到低"_qs;
        RunState run;
        QCOMPARE(retrieve(form, run), RetrievalOutcome::Completed);
        QCOMPARE(run.itemCount, 4);

        // One search, then one 淘口令 per item, each signed as the gateway checks it.
        const QList<httpkit::Request> calls = m_gateway->calls();
        QCOMPARE(calls.size(), 5);
        for (const httpkit::Request &call : calls) {
            QCOMPARE(call.method, QByteArray("POST"));
            QCOMPARE(call.header("Content-Type"),
                     QByteArray("application/x-www-form-urlencoded;charset=utf-8"));
            const topcall::Form received = topcall::decodeForm(call.body);
            QCOMPARE(topcall::value(received, u"sign"_qs),
                     topcall::expectedSign(received, u"demo-secret"_qs));
            QCOMPARE(topcall::value(received, u"sign_method"_qs),
                     itemsource::signMethodText(method).toString());
            QVERIFY(!call.body.contains("demo-secret"));
        }
        const topcall::Form search = topcall::decodeForm(calls.first().body);
        QCOMPARE(topcall::value(search, u"method"_qs), u"taobao.tbk.dg.material.optional.upgrade"_qs);
        QCOMPARE(topcall::value(search, u"adzone_id"_qs), u"3"_qs);
        QCOMPARE(topcall::value(search, u"q"_qs), u"连衣裙"_qs);
        QCOMPARE(topcall::value(search, u"page_size"_qs), u"4"_qs);
        QCOMPARE(topcall::value(search, u"sort"_qs), u"final_promotion_price_des"_qs);
        QCOMPARE(topcall::value(search, u"simplify"_qs), u"true"_qs);
        for (qsizetype i = 1; i < calls.size(); ++i) {
            const topcall::Form tpwd = topcall::decodeForm(calls[i].body);
            QCOMPARE(topcall::value(tpwd, u"method"_qs), u"taobao.tbk.tpwd.create"_qs);
            QVERIFY(topcall::value(tpwd, u"url"_qs).startsWith(m_gateway->origin() + u"/item/"_qs));
        }

        // Four blocks, every placeholder filled; sorted by final price, the highest first.
        const QStringList items = run.itemsHtml.split(u"</li>"_qs, Qt::SkipEmptyParts);
        QCOMPARE(items.size(), 4);
        double previous = 1e9;
        int coupons = 0;
        for (int i = 0; i < 4; ++i) {
            const QStringList f = items[i].sliced(4).split(u'|');
            QCOMPARE(f.size(), 15);
            QCOMPARE(f[0], QString::number(i + 1));
            QVERIFY(f[2].startsWith(m_gateway->origin() + u"/item/"_qs)); // protocol-relative made whole
            QVERIFY(f[3].startsWith(m_gateway->origin() + u"/img/"_qs));
            QVERIFY(f[6].isEmpty() && f[8].isEmpty()); // no shop link, no credit
            QVERIFY(f[10].toDouble() <= previous);
            previous = f[10].toDouble();
            QVERIFY(f[9].toDouble() > f[4].toDouble());
            QVERIFY(f[13] == u"天猫" || f[13] == u"淘宝");
            QVERIFY2(QRegularExpression(u"^￥[A-Za-z0-9]{11}￥$"_qs).match(f[14]).hasMatch(),
                     qPrintable(f[14]));
            if (!f[11].isEmpty()) {
                ++coupons;
                QVERIFY(f[12].startsWith(u"满"_qs));
                QVERIFY(f[2].contains(u"coupon=1"_qs)); // the coupon's own link
            }
        }
        QVERIFY(coupons > 0);
        QCOMPARE(run.firstPicture, items[0].sliced(4).split(u'|')[3]);

        QCOMPARE(form.pages.first(), requesting);
        QCOMPARE(form.pages[1], generating);
        QVERIFY(form.pages[2].startsWith(u"about:<center><br/><br/><br/>正在为商品<"_qs));
        QVERIFY(form.pages[2].endsWith(u">生成淘口令..."_qs));
        QCOMPARE(form.pages.last(), completed);
        QCOMPARE(form.pages.size(), 7);
    }

    // Against a gateway that mints new links and 淘口令 on every call, a page made again shows what
    // it showed before, and calls only for the items whose links can no longer be shown.
    void keptLinks_data()
    {
        QTest::addColumn<int>("daysLater");
        QTest::addColumn<QString>("pid");
        QTest::addColumn<QString>("secondReplyEdit"); // a coupon field given another value
        QTest::addColumn<bool>("couponEndsTomorrow");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<Remade>("remade");
        const QString pid = u"mm_1_2_3"_qs;
        QTest::newRow("nothing changed") << 0 << pid << QString() << false << false << Remade::None;
        QTest::newRow("a day on") << 1 << pid << QString() << false << false << Remade::None;
        QTest::newRow("coupon period changed")
            << 0 << pid << u"promotion_start_time"_qs << false << false << Remade::CouponItems;
        QTest::newRow("coupon amount changed")
            << 0 << pid << u"promotion_fee"_qs << false << false << Remade::CouponItems;
        QTest::newRow("coupon ended") << 2 << pid << QString() << true << false << Remade::CouponItems;
        QTest::newRow("links past their days") << 8 << pid << QString() << false << false << Remade::All;
        QTest::newRow("another ad zone") << 0 << u"mm_1_2_4"_qs << QString() << false << false << Remade::All;
        QTest::newRow("damaged record") << 0 << pid << QString() << false << true << Remade::All;
    }
    void keptLinks()
    {
        QFETCH(int, daysLater);
        QFETCH(QString, pid);
        QFETCH(QString, secondReplyEdit);
        QFETCH(bool, couponEndsTomorrow);
        QFETCH(bool, damaged);
        QFETCH(Remade, remade);
        QDateTime now = QDateTime::currentDateTime();
        m_setup.now = [&now] {
            return now;
        };
        m_gateway->service.setClock([&now] { return now; });
        m_gateway->service.setFreshLinks(true);
        QString edit;
        const QString tomorrow = QString::number(now.addDays(1).toMSecsSinceEpoch());
        m_gateway->intercept = [&](const httpkit::Request &request) -> std::optional<httpkit::Response> {
            if (!request.body.contains("material.optional") || (edit.isEmpty() && !couponEndsTomorrow))
                return std::nullopt;
            httpkit::Response answer = m_gateway->service.handle(request);
            QString body = QString::fromUtf8(answer.body);
            if (couponEndsTomorrow)
                body.replace(QRegularExpression(u"(\"promotion_end_time\":\")\\d+"_qs), u"\\1"_qs + tomorrow);
            if (!edit.isEmpty())
                body.replace(QRegularExpression(u"(\""_qs + edit + u"\":\")"_qs), u"\\1"_qs + u"9"_qs);
            answer.body = body.toUtf8();
            return answer;
        };
        QTemporaryDir dir;
        const QString file = dir.filePath(u"链接记录.json"_qs);
        const auto page = [&](const QString &usePid) {
            FakeForm form;
            form.pid = usePid;
            form.count = u"9"_qs;
            form.shortLinks = 1;
            RunState run;
            m_setup.linkRecord = openplatform::LinkRecord::read(file);
            const qsizetype before = m_gateway->server.requests().size();
            [&] {
                QCOMPARE(retrieve(form, run), RetrievalOutcome::Completed);
            }();
            m_setup.linkRecord->write(file, now.date());
            return std::pair(run, m_gateway->server.requests().size() - before);
        };
        const auto [first, firstCalls] = page(u"mm_1_2_3"_qs);
        QCOMPARE(firstCalls, 1 + 9 * 2);
        if (damaged) {
            QFile bad(file);
            QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("{\"version\":1,\"items\":[") > 0);
        }
        now = now.addDays(daysLater);
        edit = secondReplyEdit;
        const auto [second, secondCalls] = page(pid);

        const QStringList before = first.itemsHtml.split(u"</li>"_qs),
                          after = second.itemsHtml.split(u"</li>"_qs);
        int couponItems = 0, kept = 0;
        for (qsizetype i = 0; i < first.pageItems.size(); ++i) {
            const bool coupon = !first.pageItems[i].coupon_fee.isEmpty();
            couponItems += coupon ? 1 : 0;
            const bool remadeHere = remade == Remade::All || (remade == Remade::CouponItems && coupon);
            QCOMPARE(before[i] == after[i], !remadeHere);
            kept += remadeHere ? 0 : 1;
        }
        QVERIFY(couponItems > 0 && couponItems < 9);
        QCOMPARE(secondCalls, 1 + (9 - kept) * 2);

        // Shown on no page for 30 days, the items are forgotten.
        m_setup.linkRecord->write(file, now.date().addDays(30));
        QCOMPARE(openplatform::LinkRecord::read(file)->size(), 9);
        m_setup.linkRecord->write(file, now.date().addDays(31));
        QCOMPARE(openplatform::LinkRecord::read(file)->size(), 0);
    }

    // Each filter goes to the search as its own parameter, and the demo gateway honours it.
    void filtersReachTheSearch_data()
    {
        QTest::addColumn<ItemFilter>("filter");
        QTest::addColumn<QStringList>("sent");
        ItemFilter coupons, tmall, band, rate;
        coupons.couponOnly = true;
        tmall.tmallOnly = true;
        band.minPrice = 50;
        band.maxPrice = 150;
        rate.minCommission = 8.5;
        QTest::newRow("coupon only") << coupons << QStringList{u"has_coupon=true"_qs};
        QTest::newRow("tmall only") << tmall << QStringList{u"is_tmall=true"_qs};
        QTest::newRow("price band") << band << QStringList{u"start_price=50"_qs, u"end_price=150"_qs};
        QTest::newRow("lowest rate") << rate << QStringList{u"start_tk_rate=850"_qs};
    }
    void filtersReachTheSearch()
    {
        QFETCH(ItemFilter, filter);
        QFETCH(QStringList, sent);
        m_setup.filter = filter;
        m_setup.openPlatform.makeTpwd = false;
        FakeForm form;
        form.keyword = u"裙"_qs;
        form.pid = u"mm_1_2_3"_qs;
        RunState run;
        QCOMPARE(retrieve(form, run), RetrievalOutcome::Completed);
        const topcall::Form search = topcall::decodeForm(m_gateway->calls().first().body);
        for (const QString &pair : sent)
            QCOMPARE(topcall::value(search, pair.section(u'=', 0, 0)), pair.section(u'=', 1));
        QVERIFY(run.itemCount > 0);
        for (const ItemRecord &item : std::as_const(run.pageItems)) {
            const double price = item.final_promotion_price.toDouble();
            QVERIFY(!filter.couponOnly || !item.coupon_fee.isEmpty());
            QVERIFY(!filter.tmallOnly || item.platform == u"天猫");
            QVERIFY(!filter.minPrice || (price >= *filter.minPrice && price <= *filter.maxPrice));
        }
    }

    void shortLinksOnlyForTheItemLink()
    {
        FakeForm form;
        form.count = u"3"_qs;
        form.pid = u"mm_1_2_3"_qs;
        form.shortLinks = 1;
        RunState run;
        QCOMPARE(retrieve(form, run), RetrievalOutcome::Completed);
        QList<httpkit::Request> shortened;
        for (const httpkit::Request &request : m_gateway->server.requests()) {
            if (request.path == "/create.php")
                shortened.append(request);
        }
        QCOMPARE(shortened.size(), 3);
        QCOMPARE(run.itemsHtml.count(m_gateway->origin() + u"/t/"_qs), 3);
        // The 淘口令 opens the long link, asked for before it was shortened.
        for (const httpkit::Request &call : m_gateway->calls().mid(1))
            QVERIFY(topcall::value(topcall::decodeForm(call.body), u"url"_qs).contains(u"/item/"_qs));
    }

    // The reply's values are text: whatever they hold shows as written in the page and runs nothing.
    void hostileValuesAreText_data()
    {
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("absent");
        QTest::newRow("script in the title")
            << QByteArray("\"item_basic_info\":{\"title\":\"<script>alert(1)</script>裙\"}")
            << u"|&lt;script&gt;alert(1)&lt;/script&gt;裙|"_qs << u"<script"_qs;
        QTest::newRow("handler in the shop name")
            << QByteArray("\"item_basic_info\":{\"shop_title\":\"<img src=x onerror=alert(1)>\"}")
            << u"|&lt;img src=x onerror=alert(1)&gt;|"_qs << u"<img"_qs;
        QTest::newRow("quote in the coupon terms")
            << QByteArray(
                   "\"price_promotion_info\":{\"final_promotion_path_list\":[{\"promotion_title\":\"券\","
                   "\"promotion_fee\":\"5\",\"promotion_desc\":\"\\\" onmouseover=\\\"x\"}]}")
            << u"|&quot; onmouseover=&quot;x|"_qs << u"\" onmouseover"_qs;
        QTest::newRow("script link") << QByteArray("\"publish_info\":{\"click_url\":\"javascript:alert(1)\"}")
                                     << u"<li>1|||"_qs << u"javascript:"_qs;
        QTest::newRow("link with an ampersand")
            << QByteArray("\"publish_info\":{\"click_url\":\"https://s.click.taobao.com/t?a=1&b=2\"}")
            << u"|https://s.click.taobao.com/t?a=1&amp;b=2|"_qs << u"a=1&b"_qs;
    }
    void hostileValuesAreText()
    {
        QFETCH(QByteArray, member);
        m_setup.openPlatform.makeTpwd = false;
        m_gateway->intercept = [member](const httpkit::Request &) {
            return httpkit::Response{200,
                                     "application/json;charset=UTF-8",
                                     {},
                                     "{\"result_list\":[{\"item_id\":\"1\"," + member + "}]}",
                                     0};
        };
        FakeForm form;
        form.pid = u"mm_1_2_3"_qs;
        RunState run;
        QCOMPARE(retrieve(form, run), RetrievalOutcome::Completed);
        QFETCH(QString, shown);
        QFETCH(QString, absent);
        QVERIFY2(run.itemsHtml.contains(shown), qPrintable(run.itemsHtml));
        QVERIFY2(!run.itemsHtml.contains(absent), qPrintable(run.itemsHtml));
    }

    void refusalsEndOnAPageThatSaysWhy_data()
    {
        QTest::addColumn<QString>("appKey");
        QTest::addColumn<QString>("secret");
        QTest::addColumn<int>("clockOffsetSecs");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("calls");
        QTest::newRow("wrong secret") << u"demo-app"_qs << u"wrong-secret"_qs << 0 << u"连衣裙"_qs
                                      << u"签名无效（请检查 AppSecret 与签名方式）"_qs << 1;
        QTest::newRow("wrong key") << u"someone"_qs << u"demo-secret"_qs << 0 << u"连衣裙"_qs
                                   << u"AppKey 无效（请检查 AppKey）"_qs << 1;
        QTest::newRow("clock an hour late") << u"demo-app"_qs << u"demo-secret"_qs << -3600 << u"连衣裙"_qs
                                            << u"时间戳无效（请校准本机时间）"_qs << 1;
        QTest::newRow("no secret set")
            << u"demo-app"_qs << QString() << 0 << u"连衣裙"_qs
            << u"尚未设置 AppKey 或 AppSecret，请在“工具 → 服务设置…”中填写"_qs << 0;
        QTest::newRow("nothing found") << u"demo-app"_qs << u"demo-secret"_qs << 0 << u"不存在的东西xyz"_qs
                                       << u"开放平台没有找到与关键词相符的商品"_qs << 1;
    }
    void refusalsEndOnAPageThatSaysWhy()
    {
        QFETCH(QString, appKey);
        QFETCH(QString, secret);
        QFETCH(int, clockOffsetSecs);
        QFETCH(QString, keyword);
        m_setup.openPlatform.appKey = appKey;
        m_setup.openPlatform.appSecret = secret;
        m_setup.now = [clockOffsetSecs] {
            return QDateTime::currentDateTime().addSecs(clockOffsetSecs);
        };
        FakeForm form;
        form.pid = u"mm_1_2_3"_qs;
        form.keyword = keyword;
        RunState run;
        QCOMPARE(retrieve(form, run), RetrievalOutcome::Failed);
        QCOMPARE(form.pages.size(), 2);
        QFETCH(QString, reason);
        QCOMPARE(form.pages.last(), openplatform::failurePage(reason));
        QVERIFY(run.itemsHtml.isEmpty());
        QCOMPARE(run.itemCount, 0);
        QTEST(int(m_gateway->calls().size()), "calls");
        if (!secret.isEmpty())
            QVERIFY(!form.pages.join(u' ').contains(secret));
    }

    void transportFailures_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<qint64>("pauseMs"); // how long a batch then holds back; 0: not at all
        QTest::newRow("HTTP 502") << 502 << QByteArray("<html>bad gateway</html>")
                                  << u"开放平台网关返回 HTTP 错误 502，请检查网关地址"_qs << qint64(0);
        QTest::newRow("HTTP 500 with an error_response")
            << 500 << QByteArray(R"({"error_response":{"code":11,"msg":"Insufficient isv permissions"}})")
            << u"应用没有此接口的权限（请在开放平台为应用申请淘宝客接口权限）"_qs << qint64(0);
        QTest::newRow("not JSON") << 200 << QByteArray("<html>login</html>")
                                  << u"开放平台网关的回复无法解析（不是有效的JSON），请检查网关地址"_qs
                                  << qint64(0);
        QTest::newRow("rate limited") << 200
                                      << QByteArray(R"({"error_response":{"code":7,"msg":"App Call Limited",)"
                                                    R"("sub_msg":"This ban will last for 9 more seconds"}})")
                                      << u"调用过于频繁，请 9 秒后再试"_qs << qint64(9000);
        QTest::newRow("rate limited, no time named")
            << 200 << QByteArray(R"({"error_response":{"code":7,"msg":"App Call Limited"}})")
            << u"调用过于频繁，请稍后再试"_qs << qint64(10000);
    }
    void transportFailures()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        m_gateway->intercept = [status, body](const httpkit::Request &) {
            return httpkit::Response{status, "application/json;charset=UTF-8", {}, body, 0};
        };
        FakeForm form;
        form.pid = u"mm_1_2_3"_qs;
        net::CallGate gate;
        RunState run;
        QCOMPARE(retrieve(form, run, &gate), RetrievalOutcome::Failed);
        QFETCH(QString, reason);
        QCOMPARE(form.pages.last(), openplatform::failurePage(reason));
        // The call-limit answer holds back every job of a batch for the time it names.
        QFETCH(qint64, pauseMs);
        QCOMPARE(gate.pauseCount(), pauseMs ? 1u : 0u);
        QVERIFY2(gate.remainingMs() <= pauseMs && gate.remainingMs() > pauseMs - 3000,
                 qPrintable(QString::number(gate.remainingMs())));
    }

    void gatewayNotReachable()
    {
        m_setup.openPlatform.gateway = u"http://127.0.0.1:1/router/rest"_qs;
        FakeForm form;
        form.pid = u"mm_1_2_3"_qs;
        RunState run;
        QCOMPARE(retrieve(form, run), RetrievalOutcome::Failed);
        QVERIFY2(form.pages.last().contains(u"无法连接开放平台网关（"_qs), qPrintable(form.pages.last()));

        m_setup.openPlatform.gateway = u"ftp://example/router"_qs;
        FakeForm other;
        other.pid = u"mm_1_2_3"_qs;
        QCOMPARE(retrieve(other, run), RetrievalOutcome::Failed);
        QVERIFY(other.pages.last().contains(u"开放平台网关地址无效"_qs));
    }

    void slowGatewayTimesOut()
    {
        m_gateway->service.setReplyDelay(3000);
        const openplatform::CallResult result =
            openplatform::call(openplatform::materialSearchMethod, {}, m_setup.openPlatform,
                               QDateTime::currentDateTime(), nullptr, 300);
        QCOMPARE(result.status, openplatform::CallResult::Status::TimedOut);
    }

    void oneFailedTpwdLeavesItsTokenEmpty()
    {
        // The calls go out together: the second to arrive fails, whichever item it is for.
        int tpwdCalls = 0;
        QString failedUrl;
        m_gateway->intercept = [&](const httpkit::Request &request) -> std::optional<httpkit::Response> {
            if (!request.body.contains("taobao.tbk.tpwd.create") || ++tpwdCalls != 2)
                return std::nullopt;
            failedUrl = topcall::value(topcall::decodeForm(request.body), u"url"_qs);
            return httpkit::Response{200,
                                     "application/json",
                                     {},
                                     R"({"error_response":{"code":15,"sub_msg":"url not supported"}})",
                                     0};
        };
        FakeForm form;
        form.pid = u"mm_1_2_3"_qs;
        form.count = u"3"_qs;
        RunState run;
        QCOMPARE(retrieve(form, run), RetrievalOutcome::Completed);
        const QStringList items = run.itemsHtml.split(u"</li>"_qs, Qt::SkipEmptyParts);
        QCOMPARE(items.size(), 3);
        for (const QString &item : items) {
            const QStringList f = item.sliced(4).split(u'|');
            QCOMPARE(f[14].isEmpty(), f[2] == failedUrl.toHtmlEscaped());
        }
    }

    void pidChangedDuringTheRun()
    {
        FakeForm form;
        form.pid = u"30571968"_qs;
        RunState run;
        QCOMPARE(retrieve(form, run), RetrievalOutcome::Failed);
        QVERIFY(form.pages.last().contains(u"请输入完整的推广位PID"_qs));
        QCOMPARE(m_gateway->calls().size(), 0);
    }

    void cancelledWhileWaiting()
    {
        m_gateway->service.setReplyDelay(2000);
        FakeForm form;
        form.pid = u"mm_1_2_3"_qs;
        QTimer::singleShot(100, form.cancel.get(), [&form] { form.cancel->cancel(); });
        RunState run;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(retrieve(form, run), RetrievalOutcome::Aborted);
        QVERIFY(clock.elapsed() < 1500);
        QCOMPARE(form.pages, QStringList{requesting});
        QCOMPARE(form.callsWhileClosing, 0);
    }

    // A cancel that lands as a request is sent still ends the wait at once, not at its time-out.
    void cancelAsTheRequestGoesOut()
    {
        m_gateway->service.setReplyDelay(5000);
        bool prompt = false;
        // On a thread of its own, whose manager is its own too.
        std::unique_ptr<QThread> worker(QThread::create([&] {
            net::Cancellation first, second;
            auto *jar = new CancellingJar;
            net::threadManager()->setCookieJar(jar);
            QElapsedTimer clock;
            clock.start();
            jar->cancel = &first;
            const auto call = openplatform::call(u"m"_qs, {}, m_setup.openPlatform, {}, &first, 3000);
            jar->cancel = &second;
            const QString sent =
                SendTo(m_setup.openPlatform.gateway, u"x"_qs, {}, true, false, 30, true, {}, &second);
            prompt = call.status == openplatform::CallResult::Status::Cancelled && sent == timeoutText &&
                     clock.elapsed() < 1000;
        }));
        worker->start();
        QVERIFY(eventwait::until([&] { return worker->isFinished(); }, 10000));
        QVERIFY(prompt);
    }
};

QTEST_GUILESS_MAIN(TestOpenPlatformItems)
#include "openplatformitems.moc"
