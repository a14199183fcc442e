#include <QTest>

#include <QSet>

#include "catalogue.h"
#include "gbk.h"
#include "links.h"

class TestDemoCatalogue final : public QObject
{
    Q_OBJECT

private slots:
    void shippedCatalogue()
    {
        const demo::Catalogue &catalogue = demo::Catalogue::shipped();
        QVERIFY(catalogue.items().size() >= 60);

        QSet<QByteArray> ids;
        QSet<int> scores;
        QSet<QString> kinds;
        int dresses = 0;
        for (const demo::CatalogueItem &item : catalogue.items()) {
            QVERIFY2(!ids.contains(item.numIid), item.numIid.constData());
            ids.insert(item.numIid);
            scores.insert(item.creditScore);
            kinds.insert(item.category->kind);
            dresses += item.title.contains(u"连衣裙") ? 1 : 0;
            // Titles, nicks and places go into pages the program writes in GBK.
            for (const QString &text : {item.title, item.nick, item.location})
                QVERIFY2(gbk::decode(gbk::encode(text)) == text, qPrintable(text));
            QVERIFY(item.priceValue > 0);
            QVERIFY(item.location.contains(u' ') || item.location.size() == 2);
        }
        QVERIFY(dresses >= 12);
        QVERIFY(kinds.size() >= 6);
        // A seller without a badge and every badge series.
        for (const int score : {0, 3, 8, 13, 18, 20})
            QVERIFY2(scores.contains(score), qPrintable(QString::number(score)));
    }

    void derivedFigures()
    {
        const demo::Catalogue catalogue = demo::Catalogue::fromTsv(
            u"# comment\n123\tdress\t裙子\t长裙\t128.00\t10\t8.50\t1580\t小店\t浙江 杭州\t12\r\n"
            "124\tdress\t裙子\t短裙\t19.90\t1\t5\t3\t小店\t浙江 杭州\t12\n"_qs);
        QCOMPARE(catalogue.items().size(), 2);
        const demo::CatalogueItem &item = catalogue.items()[0];
        QCOMPARE(item.commission, u"10.88"_qs);
        QCOMPARE(item.commissionRate, u"850.00"_qs);
        QCOMPARE(item.commissionVolume, u"17190.40"_qs);
        QCOMPARE(catalogue.items()[1].commission, u"1.00"_qs);
        QCOMPARE(catalogue.items()[1].shopId, item.shopId);
    }

    // A day's repricing: a few prices move, the same ones for the same seed, and their
    // commissions with them; seed 0 is the shipped catalogue.
    void repricing()
    {
        const demo::Catalogue &shipped = demo::Catalogue::shipped();
        const demo::Catalogue once = shipped.repriced(7);
        qsizetype changed = 0;
        for (qsizetype i = 0; i < shipped.items().size(); ++i) {
            const demo::CatalogueItem &before = shipped.items()[i];
            const demo::CatalogueItem &after = once.items()[i];
            if (after.price == before.price)
                continue;
            ++changed;
            QVERIFY(after.commission != before.commission || before.commissionValue == 0);
            QVERIFY(std::abs(after.priceValue / before.priceValue - 1) <= 0.21);
        }
        QVERIFY(changed > 0 && changed < shipped.items().size() / 4);
        QCOMPARE(shipped.repriced(7).items()[3].price, once.items()[3].price);
        const demo::Catalogue unchanged = shipped.repriced(0);
        for (qsizetype i = 0; i < shipped.items().size(); ++i)
            QCOMPARE(unchanged.items()[i].price, shipped.items()[i].price);
    }

    void malformedLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("too few cells") << u"1\tdress\tx\tt\t1\t1\t1\t1\tn\tl"_qs;
        QTest::newRow("unknown kind") << u"1\tcar\tx\tt\t1\t1\t1\t1\tn\tl\t1"_qs;
        QTest::newRow("price not a number") << u"1\tdress\tx\tt\tx\t1\t1\t1\tn\tl\t1"_qs;
        QTest::newRow("score above 20") << u"1\tdress\tx\tt\t1\t1\t1\t1\tn\tl\t21"_qs;
        QTest::newRow("repeated id")
            << u"1\tdress\tx\tt\t1\t1\t1\t1\tn\tl\t1\n1\tdress\tx\tt\t1\t1\t1\t1\tn\tl\t1"_qs;
    }
    void malformedLines()
    {
        QFETCH(QString, line);
        QString error;
        QVERIFY(demo::Catalogue::fromTsv(line, &error).items().isEmpty());
        QVERIFY(error.startsWith(u"line "));
    }

    void badgePaths_data()
    {
        QTest::addColumn<int>("score");
        QTest::addColumn<QString>("path");
        QTest::newRow("none for 0") << 0 << QString();
        QTest::newRow("first red") << 1 << u"/newrank/s_red_1.gif"_qs;
        QTest::newRow("last red") << 5 << u"/newrank/s_red_5.gif"_qs;
        QTest::newRow("first blue") << 6 << u"/newrank/s_blue_1.gif"_qs;
        QTest::newRow("last cap") << 15 << u"/newrank/s_cap_5.gif"_qs;
        QTest::newRow("first crown") << 16 << u"/newrank/s_crown_1.gif"_qs;
        QTest::newRow("last crown") << 20 << u"/newrank/s_crown_5.gif"_qs;
        QTest::newRow("none above 20") << 21 << QString();
    }
    void badgePaths()
    {
        QFETCH(int, score);
        QFETCH(QString, path);
        QCOMPARE(demo::badgePath(score), path);
    }
};

QTEST_GUILESS_MAIN(TestDemoCatalogue)
#include "demo_catalogue.moc"
