#include <QTest>

#include "httpserver.h"
#include "toolreply.h"
#include "itemquery.h"
#include "services.h"

using toolreply::answer;

class TestItemQuery final : public QObject
{
    Q_OBJECT

private slots:
    void sortCode_data()
    {
        QTest::addColumn<QString>("sortText");
        QTest::addColumn<QString>("code");
        QTest::newRow("commission volume") << u"30天支出佣金从高到低"_qs << u"commissionVolume_desc"_qs;
        QTest::newRow("promotions") << u"30天推广量从高到低"_qs << u"commissionNum_desc"_qs;
        QTest::newRow("commission rate") << u"佣金比率从高到低"_qs << u"commissionRate_desc"_qs;
        QTest::newRow("price") << u"价格从高到低"_qs << u"price_desc"_qs;
        QTest::newRow("empty box") << QString() << u"commissionVolume_desc"_qs;
        QTest::newRow("trailing blank is another text") << u"价格从高到低 "_qs << u"commissionVolume_desc"_qs;
        QTest::newRow("typed code") << u"price_desc"_qs << u"commissionVolume_desc"_qs;
    }
    void sortCode()
    {
        QFETCH(QString, sortText);
        QFETCH(QString, code);
        QCOMPARE(itemquery::sortCodeFor(sortText), code);
    }

    void wholeBody()
    {
        const QString expected =
            u"format=xml&method=taobao.taobaoke.items.get&restId=2&api_soure=0"
            u"&app_key=%E6%B5%8B%E8%AF%95%E5%8D%A0%E4%BD%8D&app_secret=%E6%B5%8B%E8%AF%95%E5%8D%A0%E4%BD%8D"
            u"&sip_http_method=POST&codeType=PHP&fields=num_iid,title,nick,pic_url,price,click_url,"
            u"commission,"
            u"commission_rate,commission_num,commission_volume,shop_click_url,seller_credit_score,item_"
            u"location,"
            u"volume&nick=&pid=30571968&keyword=%E6%89%8B%E6%9C%BA&cid=&start_price=&end_price=&auto_send="
            u"&area=&start_credit=&end_credit=&sort=price_desc&guarantee=&start_commissionRate="
            u"&end_commissionRate=&start_commissionNum=&end_commissionNum=&start_totalnum=&end_totalnum="
            u"&cash_coupon=&vip_card=&overseas_item=&sevendays_return=&real_describe=&onemonth_repair="
            u"&cash_ondelivery=&mall_item=&page_no=&page_size=10&outer_code=&is_mobile=&session="_qs;
        QCOMPARE(itemquery::requestBody(u"30571968"_qs, u"手机"_qs, u"price_desc"_qs, u"10"_qs), expected);
    }

    void insertedValues_data()
    {
        QTest::addColumn<QString>("pid");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("sentPid");
        QTest::addColumn<QString>("sentKeyword");
        QTest::addColumn<QString>("sentCount");
        QTest::newRow("chinese keyword") << u"30571968"_qs << u"连衣裙"_qs << u"40"_qs << u"30571968"_qs
                                         << u"%E8%BF%9E%E8%A1%A3%E8%A3%99"_qs << u"40"_qs;
        QTest::newRow("blank stays, ampersand escaped")
            << u"30571968"_qs << u"a b&c"_qs << u"10"_qs << u"30571968"_qs << u"a b%26c"_qs << u"10"_qs;
        QTest::newRow("plus, equals and percent escaped")
            << u"30571968"_qs << u"C++ =5%"_qs << u"10"_qs << u"30571968"_qs << u"C%2B%2B %3D5%25"_qs
            << u"10"_qs;
        QTest::newRow("mixed keyword") << u"30571968"_qs << u"T恤&短裤"_qs << u"2"_qs << u"30571968"_qs
                                       << u"T%E6%81%A4%26%E7%9F%AD%E8%A3%A4"_qs << u"2"_qs;
        QTest::newRow("fractional count")
            << u"30571968"_qs << u"x"_qs << u"10.5"_qs << u"30571968"_qs << u"x"_qs << u"10.5"_qs;
        QTest::newRow("count with blanks")
            << u"30571968"_qs << u"x"_qs << u" 2 0"_qs << u"30571968"_qs << u"x"_qs << u"20"_qs;
        QTest::newRow("no count") << u"30571968"_qs << u"x"_qs << QString() << u"30571968"_qs << u"x"_qs
                                  << u"0"_qs;
        QTest::newRow("count of letters")
            << u"30571968"_qs << u"x"_qs << u"abc"_qs << u"30571968"_qs << u"x"_qs << u"0"_qs;
        QTest::newRow("pid with ampersand")
            << u"1234&s=x"_qs << u"x"_qs << u"5"_qs << u"1234%26s%3Dx"_qs << u"x"_qs << u"5"_qs;
    }
    void insertedValues()
    {
        QFETCH(QString, pid);
        QFETCH(QString, keyword);
        QFETCH(QString, count);
        const QStringList pairs = itemquery::requestBody(pid, keyword, u"price_desc"_qs, count).split(u'&');
        QFETCH(QString, sentPid);
        QFETCH(QString, sentKeyword);
        QFETCH(QString, sentCount);
        // Typed text never adds or moves a pair.
        QCOMPARE(pairs.size(), 40);
        QCOMPARE(pairs.at(10), u"pid="_qs + sentPid);
        QCOMPARE(pairs.at(11), u"keyword="_qs + sentKeyword);
        QCOMPARE(pairs.at(19), u"sort=price_desc"_qs);
        QCOMPARE(pairs.at(36), u"page_size="_qs + sentCount);
    }

    void requestAsReceived()
    {
        const QByteArray page = "<textarea>&lt;taobaoke_item&gt;连衣裙&lt;/taobaoke_item&gt;</textarea>";
        httpkit::Server server([&](const httpkit::Request &) { return answer(page); });
        QVERIFY(server.listen());
        ServiceHosts hosts;
        hosts.apiHost = u"127.0.0.1:"_qs + QString::number(server.port());
        const QString body =
            itemquery::requestBody(u"30571968"_qs, u"连衣裙 女"_qs, u"price_desc"_qs, u"40"_qs);

        QCOMPARE(itemquery::send(hosts, body), QString::fromUtf8(page));

        QCOMPARE(server.requests().size(), 1);
        const httpkit::Request request = server.requests().constFirst();
        QCOMPARE(request.method, "POST");
        QCOMPARE(request.target, "/apitools/getResult.htm");
        QCOMPARE(request.header("Referer"),
                 "http://127.0.0.1:" + QByteArray::number(server.port()) +
                     "/apitools/getResult.htm?catId=38&apiName=taobao.taobaoke.items.get");
        QCOMPARE(request.header("Content-Type"), "application/x-www-form-urlencoded");
        QCOMPARE(request.body, body.toUtf8());
        QVERIFY(request.body.contains("&keyword=%E8%BF%9E%E8%A1%A3%E8%A3%99 %E5%A5%B3&"));
    }
};

QTEST_GUILESS_MAIN(TestItemQuery)
#include "itemquery.moc"
