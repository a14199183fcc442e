#include <QTest>

#include "demoreply.h"
#include "formbody.h"
#include "gbk.h"
#include "itemquery.h"

using namespace demotest;

class TestDemoItemQuery final : public QObject
{
    Q_OBJECT

private slots:
    void keywordOfProgramForm_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QByteArray>("pageSize");
        QTest::newRow("Chinese") << programBody(u"连衣裙"_qs, "30571968", "price_desc", "10") << u"连衣裙"_qs
                                 << QByteArray("10");
        QTest::newRow("blank and ampersand stay raw")
            << programBody(u"a b&c"_qs, "30571968", "price_desc", "10") << u"a b&c"_qs << QByteArray("10");
        QTest::newRow("keyword that looks like the next field")
            << programBody(u"x&cid=1&sort=y"_qs, "1", "", "5") << u"x&cid=1&sort=y"_qs << QByteArray("5");
        QTest::newRow("percent sign typed by the user")
            << programBody(u"100%棉"_qs, "1", "", "5") << u"100%棉"_qs << QByteArray("5");
        QTest::newRow("trailing ampersand")
            << programBody(u"裙&"_qs, "1", "", "5") << u"裙&"_qs << QByteArray("5");
        QTest::newRow("standard form in another order")
            << QByteArray("page_size=7&keyword=%E6%89%8B%E6%9C%BA&sort=price_desc") << u"手机"_qs
            << QByteArray("7");
        QTest::newRow("keyword last")
            << QByteArray("page_size=7&keyword=a%20b") << u"a b"_qs << QByteArray("7");
        QTest::newRow("GBK-encoded keyword")
            << QByteArray("keyword=%C1%AC%D2%C2%C8%B9&page_size=2") << u"连衣裙"_qs << QByteArray("2");
        QTest::newRow("no keyword") << QByteArray("pid=1&page_size=3") << QString() << QByteArray("3");
    }
    void keywordOfProgramForm()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, keyword);
        QFETCH(QByteArray, pageSize);
        const demo::FormPairs form = demo::splitItemQueryForm(body);
        QCOMPARE(demo::decodeText(demo::percentDecode(demo::formValue(form, "keyword"), false)), keyword);
        QCOMPARE(demo::formValue(form, "page_size"), pageSize);
    }

    void pageSize_data()
    {
        QTest::addColumn<QByteArray>("pageSize");
        QTest::addColumn<int>("items");
        QTest::newRow("three") << QByteArray("3") << 3;
        QTest::newRow("fraction cut down") << QByteArray("10.5") << 10;
        QTest::newRow("zero") << QByteArray("0") << 0;
        QTest::newRow("not a number") << QByteArray("abc") << 0;
        QTest::newRow("negative") << QByteArray("-4") << 0;
        QTest::newRow("above the cap") << QByteArray("99") << 14;
        QTest::newRow("empty takes the default") << QByteArray() << 14;
        QTest::newRow("overflowing number") << QByteArray("1e999") << 0;
    }
    void pageSize()
    {
        QFETCH(QByteArray, pageSize);
        QFETCH(int, items);
        demo::DemoService service;
        const Reply reply = query(service, programBody(u"连衣裙"_qs, "30571968", "", pageSize));
        QVERIFY(reply.wellFormed);
        QCOMPARE(reply.items.size(), items);
        QCOMPARE(reply.total, 14);
    }

    void pageSizeCapsAtForty()
    {
        QString tsv;
        for (int i = 0; i < 45; ++i)
            tsv += QString::number(1000 + i) + u"\tphone\t手机\t手机 型号"_qs + QString::number(i) +
                   u"\t10.00\t1\t5\t1\t店\t北京\t3\n"_qs;
        const demo::Catalogue catalogue = demo::Catalogue::fromTsv(tsv);
        QCOMPARE(catalogue.items().size(), 45);
        demo::DemoService service(catalogue);
        const Reply reply = query(service, programBody(u"手机"_qs, "1", "", "1000"));
        QCOMPARE(reply.total, 45);
        QCOMPARE(reply.items.size(), 40);
    }

    void sortOrders_data()
    {
        QTest::addColumn<QByteArray>("sort");
        QTest::addColumn<QString>("field");
        QTest::newRow("30-day commission paid")
            << QByteArray("commissionVolume_desc") << u"commission_volume"_qs;
        QTest::newRow("30-day promotions") << QByteArray("commissionNum_desc") << u"commission_num"_qs;
        QTest::newRow("commission rate") << QByteArray("commissionRate_desc") << u"commission_rate"_qs;
        QTest::newRow("price") << QByteArray("price_desc") << u"price"_qs;
    }
    void sortOrders()
    {
        QFETCH(QByteArray, sort);
        QFETCH(QString, field);
        demo::DemoService service;
        const Reply reply = query(service, programBody(u"连衣裙"_qs, "30571968", sort, "40"));
        QCOMPARE(reply.items.size(), 14);
        for (qsizetype i = 1; i < reply.items.size(); ++i)
            QVERIFY2(reply.items[i - 1][field].toDouble() >= reply.items[i][field].toDouble(),
                     qPrintable(field));
        QVERIFY(reply.items.front()[field].toDouble() > reply.items.back()[field].toDouble());
    }

    void replyShape()
    {
        demo::DemoService service;
        service.setOrigin(u"http://127.0.0.1:4321"_qs);
        const Reply reply = query(service, programBody(u"连衣裙"_qs, "30571968", "price_desc", "5"));
        QVERIFY(reply.wellFormed);
        QCOMPARE(reply.items.size(), 5);
        const QStringList alphabetical = {u"click_url"_qs,
                                          u"commission"_qs,
                                          u"commission_num"_qs,
                                          u"commission_rate"_qs,
                                          u"commission_volume"_qs,
                                          u"item_location"_qs,
                                          u"nick"_qs,
                                          u"num_iid"_qs,
                                          u"pic_url"_qs,
                                          u"price"_qs,
                                          u"seller_credit_score"_qs,
                                          u"shop_click_url"_qs,
                                          u"title"_qs,
                                          u"volume"_qs};
        for (qsizetype i = 0; i < reply.items.size(); ++i) {
            const auto &item = reply.items[i];
            QCOMPARE(reply.childOrder[i], alphabetical);
            QVERIFY(item[u"title"_qs].contains(u"<span class=H>连衣裙</span>"));
            const QString pidPart = u"?pid=mm_30571968_0_0&"_qs;
            QVERIFY(item[u"click_url"_qs].startsWith(u"http://127.0.0.1:4321/item/"_qs + item[u"num_iid"_qs] +
                                                     pidPart));
            QVERIFY(item[u"shop_click_url"_qs].startsWith(u"http://127.0.0.1:4321/shop/"));
            QVERIFY(item[u"shop_click_url"_qs].contains(pidPart));
            QCOMPARE(item[u"pic_url"_qs],
                     u"http://127.0.0.1:4321/img/"_qs + item[u"num_iid"_qs] + u".svg"_qs);
        }
    }

    // What the program reads after its own decoding: markup in the title, plain "&" in links.
    void programReadsDecodedValues()
    {
        demo::DemoService service;
        const httpkit::Response response = service.handle(
            post("/apitools/getResult.htm", programBody(u"T恤 纯棉"_qs, "12345678", "", "40")));
        const QString decoded = programDecode(QString::fromUtf8(response.body));
        QVERIFY(decoded.contains(u"<taobaoke_item>"));
        QVERIFY(decoded.contains(u"<title>情侣装<span class=H>T恤</span> <span class=H>纯棉</span>短袖 "
                                 u"男&女同款 夏季 班服</title>"));
        QVERIFY(decoded.contains(u"?pid=mm_12345678_0_0&from=tbk</click_url>"));
        QVERIFY(!decoded.contains(u"&amp;"));
    }

    void highlight_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("terms");
        QTest::addColumn<QString>("highlighted");
        QTest::newRow("each occurrence")
            << u"裙裙子"_qs << QStringList{u"裙"_qs} << u"<span class=H>裙裙</span>子"_qs;
        QTest::newRow("letters without case")
            << u"t恤T恤"_qs << QStringList{u"T恤"_qs} << u"<span class=H>t恤T恤</span>"_qs;
        QTest::newRow("overlapping terms share a span")
            << u"连衣裙子"_qs << QStringList{u"连衣"_qs, u"衣裙"_qs} << u"<span class=H>连衣裙</span>子"_qs;
        QTest::newRow("term absent") << u"手机"_qs << QStringList{u"裙"_qs} << u"手机"_qs;
    }
    void highlight()
    {
        QFETCH(QString, title);
        QFETCH(QStringList, terms);
        QFETCH(QString, highlighted);
        QCOMPARE(demo::highlight(title, terms), highlighted);
    }

    void filters_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<int>("total");
        QTest::newRow("title word") << u"连衣裙"_qs << 14;
        QTest::newRow("category name only") << u"美妆护肤"_qs << 8;
        QTest::newRow("tag only") << u"裙子"_qs << 14;
        QTest::newRow("all words must match") << u"连衣裙　雪纺"_qs << 3;
        QTest::newRow("no match") << u"拖拉机"_qs << 0;
    }
    void filters()
    {
        QFETCH(QString, keyword);
        QFETCH(int, total);
        demo::DemoService service;
        const Reply reply = query(service, programBody(keyword, "30571968", "", "40"));
        QVERIFY(reply.wellFormed);
        QCOMPARE(reply.errorCode, QString());
        QCOMPARE(reply.total, total);
        QCOMPARE(reply.items.size(), total);
    }

    void errors_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("code");
        QTest::newRow("keyword missing") << QByteArray("pid=1&page_size=3") << u"40"_qs;
        QTest::newRow("keyword empty") << programBody(QString(), "30571968", "", "10") << u"40"_qs;
        QTest::newRow("keyword blank") << programBody(u"  "_qs, "30571968", "", "10") << u"40"_qs;
        QTest::newRow("other method") << QByteArray("method=taobao.item.get&keyword=a") << u"22"_qs;
    }
    void errors()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, code);
        demo::DemoService service;
        const httpkit::Response response = service.handle(post("/apitools/getResult.htm", body));
        QCOMPARE(response.status, 200);
        const QString page = QString::fromUtf8(response.body);
        const Reply reply = readReply(page);
        QVERIFY(reply.wellFormed);
        QCOMPARE(reply.errorCode, code);
        QVERIFY(!reply.errorMsg.isEmpty());
        // The program must see a failure, not items.
        QVERIFY(!programDecode(page).contains(u"<taobaoke_item>"));
        QVERIFY(programDecode(page).contains(u"<error_response><code>"_qs + code + u"</code><msg>"_qs));
    }

    // Whatever arrives, the reply stays a well-formed page the program can read.
    void oddInputs_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("items");
        QTest::newRow("page far beyond the last")
            << QByteArray("keyword=%E6%89%8B%E6%9C%BA&page_no=99999999999") << 0;
        QTest::newRow("cut-off UTF-8") << QByteArray("keyword=%E8%BF&page_size=5") << 0;
        QTest::newRow("only ampersands") << QByteArray("&&&&") << 0;
        QTest::newRow("markup in the keyword") << QByteArray("keyword=</textarea><b>&page_size=5") << 0;
        QTest::newRow("markup in the PID") << programBody(u"手机"_qs, "\"><x>", "", "1") << 1;
    }
    void oddInputs()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, items);
        demo::DemoService service;
        const httpkit::Response response = service.handle(post("/apitools/getResult.htm", body));
        const QString page = QString::fromUtf8(response.body);
        QCOMPARE(page.count(u"</textarea>"), 1);
        const Reply reply = readReply(page);
        QVERIFY(reply.wellFormed);
        QCOMPARE(reply.items.size(), items);
        for (const auto &item : reply.items)
            QVERIFY(!item[u"click_url"_qs].contains(u'"') && !item[u"click_url"_qs].contains(u'<'));
    }

    void gbkPage()
    {
        demo::DemoService service;
        service.setGbkReplies(true);
        const httpkit::Response response =
            service.handle(post("/apitools/getResult.htm", programBody(u"连衣裙"_qs, "30571968", "", "2")));
        QCOMPARE(response.contentType, QByteArray("text/html; charset=GBK"));
        const Reply reply = readReply(gbk::decode(response.body));
        QCOMPARE(reply.items.size(), 2);
        QVERIFY(reply.items[0][u"title"_qs].contains(u"连衣裙"));
    }

    void fieldsAskedFor()
    {
        demo::DemoService service;
        const Reply reply = query(service, "keyword=%E6%89%8B%E6%9C%BA&fields=title,%20price,num_iid");
        QVERIFY(!reply.items.isEmpty());
        QCOMPARE(reply.childOrder[0], (QStringList{u"num_iid"_qs, u"price"_qs, u"title"_qs}));
    }
};

QTEST_GUILESS_MAIN(TestDemoItemQuery)
#include "demo_itemquery.moc"
