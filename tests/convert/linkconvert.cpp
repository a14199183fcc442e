#include <QTest>

#include "cancellation.h"
#include "convertrun.h"
#include "converttexts.h"
#include "demoservice.h"
#include "formbody.h"
#include "httpserver.h"
#include "openplatform/topcall.h"
#include "topmessages.h"

namespace {

// One entry of a reply, as the program read it.
QString summary(const convert::Conversion &c)
{
    return QStringList{c.input,
                       c.title,
                       c.link,
                       c.tpwd,
                       c.hasCoupon ? c.couponAmount + u'/' + c.couponEnd : u"-"_qs,
                       c.commissionRate,
                       c.finalPrice,
                       c.code + c.msg}
        .join(u'|');
}

const QByteArray items = R"J([
  {"input_item_id":15836207491,"item_basic_info":{"title":" 雪纺连衣裙 "},
   "link_info_dto":{"coupon_short_url":"//s.click.taobao.com/c1 ","coupon_short_tpwd":"￥Cou9Pon123￥",
                    "cps_short_url":"https://s.click.taobao.com/p1","cps_short_tpwd":"￥Cps9Abc123￥"},
   "coupon_info_dto":{"coupon_amount":10,"coupon_end_time":"2024-06-30"},
   "promotion_info_dto":{"commission_rate":"850","promotion_price":11800}},
  {"input_item_id":"15836207492","link_info_dto":{"cps_short_url":"https://s.click.taobao.com/p2",
   "coupon_long_url":"https://uland.taobao.com/x\"onclick=1","cps_short_tpwd":"￥a\u202eb￥",
   "cps_full_tpwd":"1￥Full9Tpwd12￥/ CZ0001 「标题」"},"promotion_info_dto":{"promotion_price":" 990 "}},
  {"input_item_id":"99999999999","code":2001,"msg":"商品不存在 "}])J";
const QByteArray materials =
    R"J([{"input_material_url":"￥AbCdEfGh12￥","link_info_dto":{"cps_short_url":"javascript:alert(1)"}}])J";

const QStringList expectedEntries{
    u"15836207491|雪纺连衣裙|https://s.click.taobao.com/c1|￥Cou9Pon123￥|10/2024-06-30|8.50|118.00|"_qs,
    u"15836207492||https://s.click.taobao.com/p2|￥Full9Tpwd12￥|-||9.90|"_qs,
    u"99999999999||||-|||2001商品不存在"_qs,
    u"￥AbCdEfGh12￥||||-|||"_qs,
};

// The demo gateway on 127.0.0.1, which can refuse materials as an account without that permission.
struct Gateway
{
    demo::DemoService service;
    bool refuseMaterials = false;
    httpkit::Server server{[this](const httpkit::Request &request) {
        if (refuseMaterials && request.body.contains("material_list=")) {
            httpkit::Response refusal;
            refusal.body = R"({"error_response":{"code":11,"msg":"Insufficient isv permissions",
                               "sub_code":"isv.permission-api-package-limit"}})";
            return refusal;
        }
        return service.handle(request);
    }};

    convert::ConvertSetup setup()
    {
        convert::ConvertSetup s;
        s.source = itemsource::Source::OpenPlatform;
        s.account.gateway = u"http://127.0.0.1:"_qs + QString::number(server.port()) + u"/router/rest"_qs;
        s.account.appKey = u"demo-app"_qs;
        s.account.appSecret = u"demo-secret"_qs;
        s.pid = u"mm_1_2_3"_qs;
        return s;
    }
};

} // namespace

class TestLinkConvert final : public QObject
{
    Q_OBJECT

private slots:
    void readsBothShapes_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("simplified, arrays") << QByteArray(R"({"data":{"item_url_list":)" + items +
                                                          R"(,"material_url_list":)" + materials + "}}");
        QTest::newRow("wrapped, lists in map objects") << QByteArray(
            R"({"tbk_dg_general_link_convert_response":{"data":{"item_url_list":{"item_url_list":)" + items +
            R"(},"material_url_list":{"material_url_list":)" + materials + R"(}},"request_id":"x"}})");
    }
    void readsBothShapes()
    {
        QFETCH(QByteArray, json);
        const convert::LinkConvertReply reply = convert::parseLinkConvert(json);
        QCOMPARE(reply.kind, openplatform::ReplyKind::Answer);
        QStringList read;
        for (const convert::Conversion &c : reply.items + reply.materials)
            read << summary(c);
        QCOMPARE(read, expectedEntries);

        const auto refused =
            convert::parseLinkConvert(R"({"error_response":{"code":25,"msg":"Invalid signature"}})");
        QCOMPARE(refused.kind, openplatform::ReplyKind::Error);
        QCOMPARE(refused.error.code, u"25"_qs);
        QCOMPARE(convert::parseLinkConvert("<html>").kind, openplatform::ReplyKind::Unparseable);
    }

    // Whatever the gateway writes, a rate or price is shown as a finite number or not at all.
    void amountsAreFiniteOrLeftOut_data()
    {
        QTest::addColumn<QByteArray>("amount");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain number") << QByteArray(R"("1250")") << u"12.50"_qs;
        QTest::newRow("infinity") << QByteArray(R"("inf")") << QString();
        QTest::newRow("infinity, spelled out") << QByteArray(R"(" Infinity ")") << QString();
        QTest::newRow("not a number") << QByteArray(R"("nan")") << QString();
        QTest::newRow("too large for a double") << QByteArray(R"("1e999")") << QString();
        QTest::newRow("negative") << QByteArray("-5") << QString();
    }
    void amountsAreFiniteOrLeftOut()
    {
        QFETCH(QByteArray, amount);
        QFETCH(QString, shown);
        const convert::LinkConvertReply reply = convert::parseLinkConvert(
            R"({"data":{"item_url_list":[{"input_item_id":"15836207491","link_info_dto":)"
            R"({"coupon_short_url":"https://s.click.taobao.com/c1"},"coupon_info_dto":{"coupon_amount":)" +
            amount + R"(},"promotion_info_dto":{"commission_rate":)" + amount + R"(,"promotion_price":)" +
            amount + "}}]}}");
        QCOMPARE(reply.items.size(), 1);
        const convert::Conversion &c = reply.items.first();
        QCOMPARE(c.commissionRate, shown);
        QCOMPARE(c.finalPrice, shown);
        QCOMPARE(c.couponAmount.isEmpty(), shown.isEmpty());
    }

    // 45 ids and 21 淘口令: five signed calls of at most twenty, every input converted once.
    void callsInBatchesOfTwenty()
    {
        Gateway gateway;
        QVERIFY(gateway.server.listen());
        QStringList lines;
        for (qsizetype i = 0; i < 45; ++i)
            lines << QString::fromLatin1(demo::Catalogue::shipped().items()[i].numIid);
        for (int i = 0; i < 21; ++i)
            lines << u"复制(Ab"_qs + QString::number(1000000 + i) + u"xY)打开"_qs;
        lines << lines.first(); // asked once however often it comes
        const convert::ConvertOutcome outcome =
            convert::convertText(lines.join(u'\n'), gateway.setup(), nullptr);
        QCOMPARE(outcome.convertedCount(), 67);

        QList<int> idCounts, materialCounts;
        for (const httpkit::Request &request : gateway.server.requests()) {
            const topcall::Form form = topcall::decodeForm(request.body);
            QCOMPARE(topcall::value(form, u"sign"_qs), topcall::expectedSign(form, u"demo-secret"_qs));
            QCOMPARE(topcall::value(form, u"method"_qs), u"taobao.tbk.dg.general.link.convert"_qs);
            QCOMPARE(topcall::value(form, u"adzone_id"_qs), u"3"_qs);
            const QString ids = topcall::value(form, u"item_id_list"_qs);
            const QString mats = topcall::value(form, u"material_list"_qs);
            QVERIFY(ids.isEmpty() != mats.isEmpty());
            (ids.isEmpty() ? materialCounts : idCounts) << int(QString(ids + mats).split(u',').size());
        }
        QCOMPARE(idCounts, (QList<int>{20, 20, 5}));
        QCOMPARE(materialCounts, (QList<int>{20, 1}));
    }

    void refusalsLeaveTheTextAlone_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("calls");
        QTest::addColumn<QStringList>("failures"); // for the id, then the 淘口令
        const QString signature = openplatform::errorMessage({u"25"_qs, {}, {}, {}}, QString());
        QTest::newRow("no permission for materials")
            << u"permission"_qs << 2 << QStringList{QString(), converttexts::materialPermission.toString()};
        QTest::newRow("wrong secret stops at the first call")
            << u"secret"_qs << 1 << QStringList{signature, signature};
        QTest::newRow("test tool mode") << u"mode"_qs << 0 << QStringList();
        QTest::newRow("PID without 推广位") << u"pid"_qs << 0 << QStringList();
        QTest::newRow("cancelled") << u"cancel"_qs << 0
                                   << QStringList{converttexts::cancelled.toString(),
                                                  converttexts::cancelled.toString()};
    }
    void refusalsLeaveTheTextAlone()
    {
        QFETCH(QString, change);
        QFETCH(int, calls);
        QFETCH(QStringList, failures);
        Gateway gateway;
        QVERIFY(gateway.server.listen());
        gateway.refuseMaterials = change == u"permission";
        convert::ConvertSetup setup = gateway.setup();
        if (change == u"secret")
            setup.account.appSecret = u"wrong"_qs;
        if (change == u"mode")
            setup.source = itemsource::Source::TestTool;
        if (change == u"pid")
            setup.pid = u"mm_30571968_0_0"_qs;
        net::Cancellation cancel;
        if (change == u"cancel")
            cancel.cancel();

        const QString text = u"A 15836207491 B ￥AbCdEfGh12￥ C"_qs;
        const convert::ConvertOutcome outcome = convert::convertText(text, setup, &cancel);
        QCOMPARE(gateway.server.requests().size(), calls);
        QCOMPARE(outcome.failures, failures);
        QCOMPARE(outcome.status == convert::ConvertOutcome::Status::Refused, failures.isEmpty());
        if (change == u"permission")
            QVERIFY(outcome.text.startsWith(u"A http://127.0.0.1:"_qs) &&
                    outcome.text.endsWith(u" B ￥AbCdEfGh12￥ C"));
        else
            QCOMPARE(outcome.text, text);
    }
};

QTEST_GUILESS_MAIN(TestLinkConvert)
#include "linkconvert.moc"
