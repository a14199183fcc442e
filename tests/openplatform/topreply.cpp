#include <QTest>

#include "topreply.h"

using openplatform::ReplyKind;

Q_DECLARE_METATYPE(openplatform::ReplyKind)

namespace {

// One item as the gateway writes it, with the coupon path list in the form given.
QByteArray itemJson(const QByteArray &paths, const QByteArray &extra = QByteArray())
{
    return "{\"item_id\":\"7Xk9aBcD\",\"item_basic_info\":{\"title\":\"真丝连衣裙\",\"pict_url\":\"//"
           "img.alicdn.com/i/1.jpg\","
           "      "
           "\"volume\":1200,\"shop_title\":\"丝语旗舰店\",\"user_type\":1,\"seller_id\":2200000000000000123},"
           "      "
           "\"price_promotion_info\":{\"zk_final_price\":\"199.00\",\"reserve_price\":\"399.00\",\"final_"
           "promotion_price\":\"179.00\","
           "      \"final_promotion_path_list\":" +
           paths +
           R"(},"publish_info":{"click_url":"//s.click.taobao.com/t?e=1","coupon_share_url":"//uland.taobao.com/coupon?e=2"})" +
           extra + "}";
}

const QByteArray couponPaths =
    R"([{"promotion_title":"单品直降","promotion_fee":"5","promotion_desc":"限时"},
        {"promotion_title":"商品券","promotion_fee":"15","promotion_desc":"满150元减15元"}])";

} // namespace

class TestTopReply final : public QObject
{
    Q_OBJECT

private slots:
    void shapesAndListForms_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<int>("items");
        const QByteArray item = itemJson(couponPaths);
        QTest::newRow("simplified, array")
            << "{\"result_list\":[" + item + "," + item + "],\"total_results\":2}" << 2;
        QTest::newRow("simplified, single object") << "{\"result_list\":" + item + "}" << 1;
        QTest::newRow("full, map_data array")
            << "{\"tbk_dg_material_optional_upgrade_response\":{\"result_list\":{\"map_data\":[" + item +
                   "," + item + "," + item + "]},\"total_results\":\"3\"}}"
            << 3;
        QTest::newRow("full, map_data single object")
            << "{\"tbk_dg_material_optional_upgrade_response\":{\"result_list\":{\"map_data\":" + item + "}}}"
            << 1;
        QTest::newRow("full, path list as object holding an array")
            << "{\"tbk_dg_material_optional_upgrade_response\":{\"result_list\":{\"map_data\":[" +
                   itemJson(R"({"final_promotion_path_map_data":)" + couponPaths + "}") + "]}}}"
            << 1;
        QTest::newRow("path list as one object")
            << "{\"result_list\":[" +
                   itemJson(
                       R"({"promotion_title":"商品券","promotion_fee":15,"promotion_desc":"满150元减15元"})") +
                   "]}"
            << 1;
        QTest::newRow("a top-level code 0 is success")
            << "{\"code\":0,\"msg\":\"success\",\"result_list\":[{}," + item + ",{}]}" << 1;
        QTest::newRow("no result list: no items")
            << QByteArray("{\"tbk_dg_material_optional_upgrade_response\":{\"total_results\":0}}") << 0;
    }
    void shapesAndListForms()
    {
        QFETCH(QByteArray, json);
        QFETCH(int, items);
        const openplatform::SearchReply reply = openplatform::parseMaterialSearch(json);
        QCOMPARE(reply.kind, ReplyKind::Answer);
        QCOMPARE(reply.items.size(), items);
        for (const openplatform::MaterialItem &item : reply.items) {
            const ItemRecord &r = item.record;
            QCOMPARE(r.title, u"真丝连衣裙"_qs);
            // The coupon's link wins over the plain one; protocol-relative links get https.
            QCOMPARE(r.click_url, u"https://uland.taobao.com/coupon?e=2"_qs);
            QCOMPARE(r.pic_url, u"https://img.alicdn.com/i/1.jpg"_qs);
            QCOMPARE(r.price, u"199.00"_qs);
            QCOMPARE(r.nick, u"丝语旗舰店"_qs);
            QCOMPARE(r.reserve_price, u"399.00"_qs);
            QCOMPARE(r.final_promotion_price, u"179.00"_qs);
            // The entry with 券 in its title, not the first one.
            QCOMPARE(r.coupon_fee, u"15"_qs);
            QCOMPARE(r.coupon_desc, u"满150元减15元"_qs);
            QCOMPARE(r.platform, u"天猫"_qs);
            QVERIFY(r.shop_click_url.isEmpty());
            QCOMPARE(r.seller_credit_score.toString(), QString());
            QCOMPARE(item.volume, u"1200"_qs);
            QCOMPARE(item.itemId, u"7Xk9aBcD"_qs);
            QCOMPARE(item.sellerId, u"2200000000000000123"_qs);
        }
    }

    void valuesInOtherForms_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        const auto one = [](const QByteArray &basic, const QByteArray &price,
                            const QByteArray &publish) -> QByteArray {
            return "{\"result_list\":[{\"item_id\":1,\"item_basic_info\":{" + basic +
                   "},\"price_promotion_info\":{" + price + "},\"publish_info\":{" + publish + "}}]}";
        };
        QTest::newRow("volume as text") << one(R"("volume":"1.2万")", "", "") << u"volume"_qs << u"1.2万"_qs;
        QTest::newRow("price as number")
            << one("", R"("zk_final_price":59.9)", "") << u"price"_qs << u"59.9"_qs;
        QTest::newRow("final price missing: the discounted one")
            << one("", R"("zk_final_price":"59.90")", "") << u"final"_qs << u"59.90"_qs;
        QTest::newRow("user_type as text, 0")
            << one(R"("user_type":"0")", "", "") << u"platform"_qs << u"淘宝"_qs;
        QTest::newRow("user_type 3") << one(R"("user_type":3)", "", "") << u"platform"_qs << u"特价版"_qs;
        QTest::newRow("user_type unknown") << one(R"("user_type":7)", "", "") << u"platform"_qs << QString();
        QTest::newRow("seller id above 2^53 stays exact")
            << one(R"("seller_id":9007199254740993)", "", "") << u"seller"_qs << u"9007199254740993"_qs;
        QTest::newRow("seller id as text") << one(R"("seller_id":"18446744073709551615")", "", "")
                                           << u"seller"_qs << u"18446744073709551615"_qs;
        QTest::newRow("numeric item id is kept as written") << one("", "", "") << u"item"_qs << u"1"_qs;
        QTest::newRow("empty coupon link: the click link")
            << one("", "", "\"coupon_share_url\":\"\",\"click_url\":\"//s.click.taobao.com/x\"") << u"link"_qs
            << u"https://s.click.taobao.com/x"_qs;
        QTest::newRow("absolute links stay")
            << one("", "", "\"click_url\":\"http://a.b/c\"") << u"link"_qs << u"http://a.b/c"_qs;
        // Links and pictures go into pages: only plain web addresses are taken.
        QTest::newRow("script link dropped")
            << one("", "", "\"click_url\":\"javascript:alert(1)\"") << u"link"_qs << QString();
        QTest::newRow("picture breaking its attribute dropped")
            << one("\"pict_url\":\"//x.y/a.jpg\\\" onerror=\\\"alert(1)\"", "", "") << u"picture"_qs
            << QString();
        QTest::newRow("protocol-relative picture is https")
            << one("\"pict_url\":\"//img.alicdn.com/a.jpg\"", "", "") << u"picture"_qs
            << u"https://img.alicdn.com/a.jpg"_qs;
        QTest::newRow("stray blanks trimmed")
            << one("", R"("zk_final_price":"69.9 \t")", "") << u"price"_qs << u"69.9"_qs;
        QTest::newRow("coupon title with stray blanks")
            << one("",
                   R"("final_promotion_path_list":[{"promotion_title":"商品券 \t","promotion_fee":" 15 "}])",
                   "")
            << u"coupon"_qs << u"15"_qs;
        QTest::newRow("no coupon path: empty") << one("", "", "") << u"coupon"_qs << QString();
        QTest::newRow("a number inside a title is not an id")
            << one("\"title\":\"\\\"seller_id\\\":12345678901234567890 \xe6\xac\xbe\"", "", "") << u"title"_qs
            << u"\"seller_id\":12345678901234567890 款"_qs;
    }
    void valuesInOtherForms()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, field);
        const openplatform::SearchReply reply = openplatform::parseMaterialSearch(json);
        QCOMPARE(reply.kind, ReplyKind::Answer);
        QCOMPARE(reply.items.size(), 1);
        const openplatform::MaterialItem &item = reply.items.first();
        const QHash<QString, QString> fields{
            {u"volume"_qs, item.volume},
            {u"price"_qs, item.record.price},
            {u"final"_qs, item.record.final_promotion_price},
            {u"platform"_qs, item.record.platform},
            {u"seller"_qs, item.sellerId},
            {u"item"_qs, item.itemId},
            {u"link"_qs, item.record.click_url},
            {u"picture"_qs, item.record.pic_url},
            {u"coupon"_qs, item.record.coupon_fee},
            {u"title"_qs, item.record.title},
        };
        QTEST(fields.value(field), "value");
    }

    void onlyTheItemsARunUses()
    {
        // A reply of countless empty objects builds no item, and no more items than the run takes.
        QByteArray list;
        for (int i = 0; i < 100000; ++i)
            list += "{},";
        const QByteArray item = itemJson(couponPaths);
        const QByteArray json = "{\"result_list\":[" + list + item + "," + item + "," + item + "]}";
        QCOMPARE(openplatform::parseMaterialSearch(json, 2).items.size(), 2);
        QCOMPARE(openplatform::parseMaterialSearch(json).items.size(), 3);
    }

    void errorsInEitherShape_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("subMsg");
        QTest::newRow("error_response")
            << QByteArray(
                   R"({"error_response":{"code":25,"msg":"Invalid signature","sub_msg":"x","request_id":"r"}})")
            << u"25"_qs << u"x"_qs;
        QTest::newRow("code as text")
            << QByteArray(
                   R"({"error_response":{"code":"7","msg":"App Call Limited","sub_code":"accesscontrol.limited-by-app-access-count","sub_msg":"This ban will last for 3 more seconds"}})")
            << u"7"_qs << u"This ban will last for 3 more seconds"_qs;
        QTest::newRow("error_response that is no object")
            << QByteArray(R"({"error_response":"denied","result_list":[{"item_id":1}]})") << QString()
            << QString();
        QTest::newRow("simplified, at the top")
            << QByteArray(R"({"code":15,"msg":"Remote service error","sub_code":"isv.x","sub_msg":"y"})")
            << u"15"_qs << u"y"_qs;
    }
    void errorsInEitherShape()
    {
        QFETCH(QByteArray, json);
        const openplatform::SearchReply search = openplatform::parseMaterialSearch(json);
        QCOMPARE(search.kind, ReplyKind::Error);
        QTEST(search.error.code, "code");
        QTEST(search.error.subMsg, "subMsg");
        QVERIFY(search.items.isEmpty());
        const openplatform::TpwdReply tpwd = openplatform::parseTpwdCreate(json);
        QCOMPARE(tpwd.kind, ReplyKind::Error);
        QTEST(tpwd.error.code, "code");
        QVERIFY(tpwd.password.isEmpty());
    }

    void unparseable_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("an HTML error page") << QByteArray("<html><body>502 Bad Gateway</body></html>");
        QTest::newRow("cut short") << QByteArray(R"({"result_list":[{"item_basic_info":{"title":"a")");
        QTest::newRow("an array") << QByteArray("[1,2]");
        // The same bytes are read the same way, whatever identifiers they hold.
        QTest::newRow("invalid UTF-8") << QByteArray("{\"result_list\":[{\"title\":\"\xff\"}]}");
        QTest::newRow("invalid UTF-8 with a bare id")
            << QByteArray("{\"result_list\":[{\"item_id\":1,\"title\":\"\xff\"}]}");
    }
    void unparseable()
    {
        QFETCH(QByteArray, body);
        QCOMPARE(openplatform::parseMaterialSearch(body).kind, ReplyKind::Unparseable);
        QCOMPARE(openplatform::parseTpwdCreate(body).kind, ReplyKind::Unparseable);
    }

    void tpwdInBothShapes_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("password");
        QTest::newRow("simplified")
            << QByteArray(R"({"data":{"model":"￥AbC123dEf45￥/","password_simple":"￥AbC123dEf45￥"}})")
            << u"￥AbC123dEf45￥"_qs;
        QTest::newRow("full")
            << QByteArray(
                   R"({"tbk_tpwd_create_response":{"data":{"password_simple":"￥Zz9Zz9Zz9Zz￥"},"request_id":"1"}})")
            << u"￥Zz9Zz9Zz9Zz￥"_qs;
        QTest::newRow("no data") << QByteArray(R"({"tbk_tpwd_create_response":{"request_id":"1"}})")
                                 << QString();
    }
    void tpwdInBothShapes()
    {
        QFETCH(QByteArray, json);
        const openplatform::TpwdReply reply = openplatform::parseTpwdCreate(json);
        QCOMPARE(reply.kind, ReplyKind::Answer);
        QTEST(reply.password, "password");
    }
};

QTEST_GUILESS_MAIN(TestTopReply)
#include "topreply.moc"
