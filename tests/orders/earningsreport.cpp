#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "earningsreport.h"
#include "ordertexts.h"

namespace {

const QDate from(2026, 11, 1);
const QDate to(2026, 11, 30);

// Two sites: 甲 on ad zone 111 with pages p1 and p2 that both showed item X, p1 first; 乙 on 222.
QList<orders::SiteSource> twoSites()
{
    orders::SiteSource first;
    first.name = u"甲"_qs;
    first.adzone = u"111"_qs;
    first.pages = {{u"p1"_qs, u"连衣裙"_qs, u"https://a.example/p1/"_qs},
                   {u"p2"_qs, u"半身裙"_qs, QString()}};
    first.record[u"p1"_qs].shown.insert(u"X"_qs, {QDate(2026, 11, 1), QDate(2026, 11, 10)});
    first.record[u"p2"_qs].shown.insert(u"X"_qs, {QDate(2026, 11, 8), QDate(2026, 11, 30)});
    orders::SiteSource second;
    second.name = u"乙"_qs;
    second.adzone = u"222"_qs;
    second.pages = {{u"q1"_qs, u"手机"_qs, QString()}};
    second.record[u"q1"_qs].shown.insert(u"X"_qs, {QDate(2026, 11, 1), QDate(2026, 11, 30)});
    return {first, second};
}

orders::OrderGroup group(const QString &adzone, const QString &item, const QString &day, int status,
                         qint64 count, qint64 paid, qint64 estimate, qint64 settled)
{
    return {adzone, item, day, status, count, paid, estimate, settled};
}

// Where the report put the orders: "site/page", "site/未归属" or "其他推广位".
QString placeOf(const orders::Report &report)
{
    if (report.other.orders + report.other.invalid > 0)
        return ordertexts::otherAdzones.toString();
    for (const orders::SiteEarnings &site : report.sites) {
        for (const orders::PageEarnings &page : site.pages) {
            if (page.totals.orders + page.totals.invalid > 0)
                return site.name + u'/' + page.page.address;
        }
        if (site.unattributed.orders > 0)
            return site.name + u'/' + ordertexts::unattributed.toString();
    }
    return QString();
}

} // namespace

class TestEarningsReport final : public QObject
{
    Q_OBJECT

private slots:
    void attributesOrders_data();
    void attributesOrders();
    void sumsToTheFenWithoutInvalidOrders();
    void keepsOneSite();
};

void TestEarningsReport::attributesOrders_data()
{
    QTest::addColumn<QString>("adzone");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("place");
    QTest::newRow("only the first page showed it then")
        << u"111"_qs << u"X"_qs << u"2026-11-05"_qs << u"甲/p1"_qs;
    QTest::newRow("both had, the later one showed it last")
        << u"111"_qs << u"X"_qs << u"2026-11-20"_qs << u"甲/p2"_qs;
    QTest::newRow("bought before the record began: the page that showed it first")
        << u"111"_qs << u"X"_qs << u"2026-10-31"_qs << u"甲/p1"_qs;
    QTest::newRow("an item no page showed") << u"111"_qs << u"Y"_qs << u"2026-11-05"_qs << u"甲/未归属"_qs;
    QTest::newRow("the ad zone decides the site") << u"222"_qs << u"X"_qs << u"2026-11-05"_qs << u"乙/q1"_qs;
    QTest::newRow("an ad zone of no site") << u"333"_qs << u"X"_qs << u"2026-11-05"_qs << u"其他推广位"_qs;
}

void TestEarningsReport::attributesOrders()
{
    QFETCH(QString, adzone);
    QFETCH(QString, item);
    QFETCH(QString, day);
    QFETCH(QString, place);
    const orders::Report report = orders::buildReport(
        {group(adzone, item, day, orders::statusPaid, 1, 10000, 800, 0)}, twoSites(), from, to);
    QCOMPARE(placeOf(report), place);
    QCOMPARE(report.total.orders, 1);
    QCOMPARE(report.total.estimateFen, 800);
}

void TestEarningsReport::sumsToTheFenWithoutInvalidOrders()
{
    const QList<orders::OrderGroup> groups{
        group(u"111"_qs, u"X"_qs, u"2026-11-05"_qs, orders::statusPaid, 3, 3003, 10, 0),
        group(u"111"_qs, u"X"_qs, u"2026-11-05"_qs, orders::statusSettled, 1, 1001, 20, 20),
        group(u"111"_qs, u"X"_qs, u"2026-11-05"_qs, orders::statusInvalid, 2, 99999, 5555, 0),
        group(u"111"_qs, u"X"_qs, u"2026-11-20"_qs, orders::statusConfirmed, 1, 7, 1, 0),
        group(u"333"_qs, u"Z"_qs, u"2026-11-21"_qs, orders::statusSettled, 1, 1, 1, 1),
    };
    const orders::Report report = orders::buildReport(groups, twoSites(), from, to);
    const QJsonObject json = QJsonDocument::fromJson(orders::reportJson(report)).object();
    QCOMPARE(json[u"from"].toString(), u"2026-11-01"_qs);
    QCOMPARE(json[u"to"].toString(), u"2026-11-30"_qs);
    const QJsonObject total = json[u"total"].toObject();
    // 30.03 + 10.01 + 0.07 + 0.01: exact in fen, and printed so.
    QCOMPARE(total[u"paid"].toDouble(), 40.12);
    QVERIFY(orders::reportJson(report).contains("\"paid\":40.12"));
    QCOMPARE(total[u"estimate"].toDouble(), 0.32);
    QCOMPARE(total[u"settled"].toDouble(), 0.21);
    QCOMPARE(total[u"orders"].toInt(), 6);
    QCOMPARE(total[u"invalid"].toInt(), 2);

    const QJsonObject first = json[u"sites"].toArray().at(0).toObject();
    QCOMPARE(first[u"name"].toString(), u"甲"_qs);
    const QJsonArray pages = first[u"pages"].toArray();
    // Best first: p1 earned 0.30, p2 0.01.
    QCOMPARE(pages.at(0)[u"address"].toString(), u"p1"_qs);
    QCOMPARE(pages.at(0)[u"keyword"].toString(), u"连衣裙"_qs);
    QCOMPARE(pages.at(0)[u"estimate"].toDouble(), 0.30);
    QCOMPARE(pages.at(0)[u"invalid"].toInt(), 2);
    QCOMPARE(pages.at(1)[u"estimate"].toDouble(), 0.01);
    QCOMPARE(json[u"other"].toObject()[u"settled"].toDouble(), 0.01);

    // The chart: a bar a day, the settled part apart.
    QCOMPARE(report.days.size(), 30);
    QCOMPARE(report.days[4].settledFen, 20);
    QCOMPARE(report.days[4].pendingFen, 10);
    QCOMPARE(orders::reportCsv(report).count(u"\r\n"_qs), 1 + 3 + 1 + 1 + 1 + 1);
}

void TestEarningsReport::keepsOneSite()
{
    orders::Report report =
        orders::buildReport({group(u"222"_qs, u"X"_qs, u"2026-11-05"_qs, orders::statusPaid, 1, 100, 10, 0),
                             group(u"333"_qs, u"X"_qs, u"2026-11-05"_qs, orders::statusPaid, 1, 100, 10, 0)},
                            twoSites(), from, to);
    QVERIFY(!orders::keepOnlySite(report, u"丙"_qs));
    QVERIFY(orders::keepOnlySite(report, u"乙"_qs));
    QCOMPARE(report.sites.size(), 1);
    QCOMPARE(report.total.orders, 1);
    QCOMPARE(report.other.orders, 0);
}

QTEST_GUILESS_MAIN(TestEarningsReport)
#include "earningsreport.moc"
