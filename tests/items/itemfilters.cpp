#include <QTest>

#include "itemfilters.h"
#include "itemquery.h"

class TestItemFilters final : public QObject
{
    Q_OBJECT

private slots:
    // What a price band or a rate may be typed as, and every slip refused with the text it names.
    void typedFilters_data()
    {
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("commission");
        QTest::addColumn<QString>("refusal"); // a part of it; empty: accepted
        QTest::addColumn<QString>("stored");  // price and rate as written back
        QTest::newRow("band and rate") << u"20-200"_qs << u"5"_qs << QString() << u"20-200|5"_qs;
        QTest::newRow("lowest only, rate with %")
            << u"19.9-"_qs << u"5.5%"_qs << QString() << u"19.9-|5.5"_qs;
        QTest::newRow("highest only, blanks") << u" - 300 "_qs << u" "_qs << QString() << u"-300|"_qs;
        QTest::newRow("rate 0 is none") << QString() << u"0"_qs << QString() << u"|"_qs;
        QTest::newRow("min above max")
            << u"50-20"_qs << QString() << u"“50-20”无效:最低价高于最高价"_qs << QString();
        QTest::newRow("negative price")
            << u"-5-10"_qs << QString() << u"“-5-10”无效:价格不能是负数"_qs << QString();
        QTest::newRow("no dash") << u"100"_qs << QString() << u"“100”无效"_qs << QString();
        QTest::newRow("not a number")
            << u"1e3-2000"_qs << QString() << u"“1e3-2000”无效:不是数字"_qs << QString();
        QTest::newRow("rate over 100") << QString() << u"101"_qs << u"“101”无效:不能超过100%"_qs << QString();
        QTest::newRow("negative rate") << QString() << u"-3"_qs << u"“-3”无效:不能是负数"_qs << QString();
        QTest::newRow("rate of letters") << QString() << u"five"_qs << u"“five”无效:不是数字"_qs << QString();
        QTest::newRow("inf") << u"0-inf"_qs << QString() << u"不是数字"_qs << QString();
    }
    void typedFilters()
    {
        QFETCH(QString, price);
        QFETCH(QString, commission);
        QFETCH(QString, refusal);
        ItemFilter filter;
        const QString said =
            itemfilters::setPrice(price, filter) + itemfilters::setCommission(commission, filter);
        QVERIFY2(refusal.isEmpty() ? said.isEmpty() : said.contains(refusal), qPrintable(said));
        if (refusal.isEmpty())
            QTEST(QString(itemfilters::priceText(filter) + u'|' + itemfilters::commissionText(filter)),
                  "stored");
    }

    // The test tool's query carries what it has a field for; it has none for coupons.
    void testToolQuery()
    {
        ItemFilter filter;
        filter.tmallOnly = true;
        QVERIFY(itemfilters::setPrice(u"20-200"_qs, filter).isEmpty());
        QVERIFY(itemfilters::setCommission(u"5"_qs, filter).isEmpty());
        const QString body = itemquery::requestBody(u"30571968"_qs, u"裙"_qs, QString(), u"10"_qs, filter);
        for (const QString &pair : {u"&start_price=20&"_qs, u"&end_price=200&"_qs,
                                    u"&start_commissionRate=500&"_qs, u"&mall_item=true&"_qs})
            QVERIFY2(body.contains(pair), qPrintable(pair));
        QVERIFY(itemfilters::testToolRefusal(filter).isEmpty());
        filter.couponOnly = true;
        QVERIFY(itemfilters::testToolRefusal(filter).contains(itemfilters::couponOnlyName));
    }
};

QTEST_GUILESS_MAIN(TestItemFilters)
#include "itemfilters.moc"
