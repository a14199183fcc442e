#include <QTest>

#include "orderreader.h"

class TestOrderReader final : public QObject
{
    Q_OBJECT

private slots:
    void readsOrdersInEitherShape_data();
    void readsOrdersInEitherShape();
    void moneyInFen_data();
    void moneyInFen();
    void tellsATooLongWindow_data();
    void tellsATooLongWindow();
};

void TestOrderReader::readsOrdersInEitherShape_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("expected"); // trade id|item|adzone|status|paid|estimate|settled|created
    QTest::addColumn<bool>("hasNext");
    QTest::addColumn<QString>("position");

    const QString first =
        u"1947256014567890123|AbC-9x_z|34567890|3|128.00|10.88|10.88|2026-11-30 08:01:02"_qs;
    QTest::newRow("simplified, ids as bare numbers beyond a double")
        << QByteArray(R"({"data":{"has_next":true,"position_index":" 1947256014567890123_x ","results":[
             {"trade_id":1947256014567890123,"item_id":"AbC-9x_z","adzone_id":34567890,"tk_status":3,
              "alipay_total_price":"128.00","pub_share_pre_fee":10.88,"pub_share_fee":"10.88 ",
              "tk_create_time":"2026-11-30 08:01:02"}]}})")
        << QStringList{first} << true << u" 1947256014567890123_x "_qs;
    QTest::newRow("full shape, list inside publisher_order_dto")
        << QByteArray(R"({"tbk_order_details_get_response":{"data":{"has_next":false,"results":
             {"publisher_order_dto":[{"trade_id":"1947256014567890123","item_id":"AbC-9x_z",
              "adzone_id":"34567890","tk_status":"3","alipay_total_price":"128","pub_share_pre_fee":"10.88",
              "pub_share_fee":"10.88","tk_create_time":"2026-11-30 08:01:02"}]}}}})")
        << QStringList{first} << false << QString();
    QTest::newRow("entries without a trade id or time, or with a script for an id, are skipped")
        << QByteArray(R"({"data":{"results":[{"item_id":"1"},{"trade_id":"12","tk_create_time":"soon"},
             {"trade_id":"13","item_id":"<script>","tk_status":12,"alipay_total_price":"-3",
              "tk_create_time":"2026-11-30 08:01:02"}]}})")
        << QStringList{u"13|||12|0.00|0.00|0.00|2026-11-30 08:01:02"_qs} << false << QString();
    QTest::newRow("an error answer") << QByteArray(R"({"error_response":{"code":15,"sub_msg":"x"}})")
                                     << QStringList() << false << QString();
}

void TestOrderReader::readsOrdersInEitherShape()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, expected);
    QFETCH(bool, hasNext);
    QFETCH(QString, position);
    const orders::OrderPage page = orders::parseOrderDetails(reply);
    QStringList read;
    for (const orders::Order &o : page.orders)
        read << QStringList{o.tradeId,
                            o.itemId,
                            o.adzoneId,
                            QString::number(o.status),
                            orders::yuanText(o.paidFen),
                            orders::yuanText(o.estimateFen),
                            orders::yuanText(o.settledFen),
                            o.createTime}
                    .join(u'|');
    QCOMPARE(read, expected);
    QCOMPARE(page.hasNext, hasNext);
    QCOMPARE(page.positionIndex, position);
}

void TestOrderReader::moneyInFen_data()
{
    QTest::addColumn<QString>("yuan");
    QTest::addColumn<qint64>("fen");
    QTest::newRow("two places") << u"12.34"_qs << qint64(1234);
    QTest::newRow("one place") << u"0.5"_qs << qint64(50);
    QTest::newRow("whole yuan") << u"7"_qs << qint64(700);
    QTest::newRow("a third place rounds half up") << u"1.005"_qs << qint64(101);
    QTest::newRow("more digits than any amount") << u"90071992547409.93"_qs << qint64(-1);
    QTest::newRow("negative") << u"-1.00"_qs << qint64(-1);
    QTest::newRow("not a number") << u"1e3"_qs << qint64(-1);
}

void TestOrderReader::moneyInFen()
{
    QFETCH(QString, yuan);
    QFETCH(qint64, fen);
    QCOMPARE(orders::fenOf(yuan).value_or(-1), fen);
}

void TestOrderReader::tellsATooLongWindow_data()
{
    QTest::addColumn<QString>("subMsg");
    QTest::addColumn<bool>("tooLong");
    QTest::newRow("span") << u"查询时间跨度不能超过3小时"_qs << true;
    QTest::newRow("interval") << u"开始时间与结束时间间隔不能超过20分钟"_qs << true;
    QTest::newRow("english") << u"time range is too long"_qs << true;
    QTest::newRow("another refusal") << u"签名无效"_qs << false;
    QTest::newRow("a time stamp refusal") << u"时间戳须为北京时间，与服务器时间相差不超过10分钟"_qs << false;
}

void TestOrderReader::tellsATooLongWindow()
{
    QFETCH(QString, subMsg);
    QFETCH(bool, tooLong);
    QCOMPARE(orders::isWindowTooLong({u"15"_qs, u"Remote service error"_qs, QString(), subMsg}), tooLong);
}

QTEST_GUILESS_MAIN(TestOrderReader)
#include "orderreader.moc"
