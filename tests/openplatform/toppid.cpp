#include <QTest>

#include "toppid.h"

class TestTopPid final : public QObject
{
    Q_OBJECT

private slots:
    void forms_data()
    {
        QTest::addColumn<QString>("pid");
        QTest::addColumn<QString>("adzone"); // null: refused
        QTest::addColumn<bool>("oldForm");
        QTest::newRow("smallest") << u"mm_1_2_3"_qs << u"3"_qs << false;
        QTest::newRow("as the back end shows it")
            << u"mm_12345678_2345678_34567890"_qs << u"34567890"_qs << false;
        QTest::newRow("12-digit adzone")
            << u"mm_12345678_2345678_123456789012"_qs << u"123456789012"_qs << false;
        QTest::newRow("largest 64-bit adzone")
            << u"mm_1_2_18446744073709551615"_qs << u"18446744073709551615"_qs << false;
        QTest::newRow("adzone beyond 64 bits") << u"mm_1_2_18446744073709551616"_qs << QString() << false;
        QTest::newRow("leading zeros read as the number") << u"mm_1_2_007"_qs << u"7"_qs << false;
        QTest::newRow("old whole PID") << u"mm_12345678_0_0"_qs << QString() << true;
        QTest::newRow("adzone zero") << u"mm_12345678_2345678_0"_qs << QString() << false;
        QTest::newRow("old eight digits") << u"30571968"_qs << QString() << true;
        QTest::newRow("empty") << QString() << QString() << false;
        QTest::newRow("blanks") << u"   "_qs << QString() << false;
        QTest::newRow("blank around") << u" mm_1_2_3 "_qs << QString() << false;
        QTest::newRow("blank inside") << u"mm_1_2_ 3"_qs << QString() << false;
        QTest::newRow("upper case prefix") << u"MM_1_2_3"_qs << QString() << false;
        QTest::newRow("two numbers") << u"mm_1_2"_qs << QString() << false;
        QTest::newRow("four numbers") << u"mm_1_2_3_4"_qs << QString() << false;
        QTest::newRow("empty number") << u"mm__2_3"_qs << QString() << false;
        QTest::newRow("sign") << u"mm_1_2_-3"_qs << QString() << false;
        QTest::newRow("letters") << u"mm_a_b_c"_qs << QString() << false;
        QTest::newRow("full-width digits") << u"mm_１_２_３"_qs << QString() << false;
        QTest::newRow("junk") << u"<script>"_qs << QString() << false;
    }
    void forms()
    {
        QFETCH(QString, pid);
        QFETCH(QString, adzone);
        QFETCH(bool, oldForm);
        QCOMPARE(openplatform::adzoneOf(pid).value_or(QString()), adzone);
        const QString refusal = openplatform::pidRefusal(pid);
        if (!adzone.isNull()) {
            QCOMPARE(refusal, QString());
            return;
        }
        QVERIFY(refusal.startsWith(u"请输入完整的推广位PID，例如 mm_12345678_2345678_34567890"_qs));
        QCOMPARE(refusal.contains(u"没有推广位"_qs), oldForm);
    }
};

QTEST_GUILESS_MAIN(TestTopPid)
#include "toppid.moc"
