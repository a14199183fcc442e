#include <QTest>

#include "gbk.h"
#include "textops.h"

class TestTextOps final : public QObject
{
    Q_OBJECT

private slots:
    void numericValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << u"10"_qs << 10.0;
        QTest::newRow("fraction") << u"10.5"_qs << 10.5;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("letters only") << u"abc"_qs << 0.0;
        QTest::newRow("digits then letters") << u"12abc"_qs << 12.0;
        QTest::newRow("blank inside") << u"4 0"_qs << 40.0;
        QTest::newRow("tab and line breaks") << u"\t1\r\n2"_qs << 12.0;
        QTest::newRow("leading blanks") << u"   7"_qs << 7.0;
        QTest::newRow("negative") << u"-5"_qs << -5.0;
        QTest::newRow("plus sign") << u"+3"_qs << 3.0;
        QTest::newRow("lone sign") << u"-"_qs << 0.0;
        QTest::newRow("leading point") << u".5"_qs << 0.5;
        QTest::newRow("second point stops") << u"1.2.3"_qs << 1.2;
        QTest::newRow("exponent") << u"1e3"_qs << 1000.0;
        QTest::newRow("exponent D") << u"2D2"_qs << 200.0;
        QTest::newRow("exponent without digits") << u"5e"_qs << 5.0;
        QTest::newRow("hex") << u"&HFF"_qs << 255.0;
        QTest::newRow("hex lower case") << u"&hff"_qs << 255.0;
        QTest::newRow("octal") << u"&O17"_qs << 15.0;
        QTest::newRow("octal stops at 8") << u"&O78"_qs << 7.0;
        QTest::newRow("ampersand alone") << u"&"_qs << 0.0;
        QTest::newRow("comma stops") << u"1,5"_qs << 1.0;
        QTest::newRow("full-width digit is no digit") << u"１２"_qs << 0.0;
        QTest::newRow("overflow") << u"1e999"_qs << 0.0;
    }
    void numericValue()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(textops::numericValue(text), value);
    }

    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 10.0 << u"10"_qs;
        QTest::newRow("half") << 2.5 << u"2.5"_qs;
        QTest::newRow("zero") << 0.0 << u"0"_qs;
        QTest::newRow("negative zero") << -0.0 << u"0"_qs;
        QTest::newRow("negative") << -3.0 << u"-3"_qs;
        QTest::newRow("large whole") << 100000.0 << u"100000"_qs;
        QTest::newRow("tenth") << 0.1 << u"0.1"_qs;
    }
    void numberText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(textops::numberText(value), text);
    }

    void trimSpaces()
    {
        QCOMPARE(textops::trimSpaces(u"  a b  "), u"a b"_qs);
        QCOMPARE(textops::trimSpaces(u"\t a \n"), u"\t a \n"_qs);
        QCOMPARE(textops::trimSpaces(u" \n  "), u"\n"_qs);
        QCOMPARE(textops::trimSpaces(u"    "), QString());
        QCOMPARE(textops::trimSpaces(u"\u3000x\u3000"), u"\u3000x\u3000"_qs);
    }

    void replaceAll()
    {
        QCOMPARE(textops::replaceAll(u"aXbXc"_qs, u"X"_qs, u"XX"_qs), u"aXXbXXc"_qs);
        QCOMPARE(textops::replaceAll(u"aaa"_qs, u"aa"_qs, u"b"_qs), u"ba"_qs);
        QCOMPARE(textops::replaceAll(u"Case case"_qs, u"case"_qs, u"x"_qs), u"Case x"_qs);
        QCOMPARE(textops::replaceAll(u"abc"_qs, QString(), u"x"_qs), u"abc"_qs);
        QCOMPARE(textops::replaceAll(u"[#a#][#a#]"_qs, u"[#a#]"_qs, u"[#a#]!"_qs), u"[#a#]![#a#]!"_qs);
    }

    void gbkRoundTrip()
    {
        const QString text = u"连衣裙 a&b €"_qs;
        const QByteArray bytes = gbk::encode(text);
        QCOMPARE(bytes.first(6), QByteArray("\xC1\xAC\xD2\xC2\xC8\xB9"));
        QCOMPARE(gbk::decode(bytes), text);
        QCOMPARE(gbk::code(u'啊'), 0xB0A1u);
        QCOMPARE(gbk::code(u'A'), 0x41u);
        QCOMPARE(gbk::decodePair(0xB0, 0x41), QChar(u'癆'));
    }
};

QTEST_GUILESS_MAIN(TestTextOps)
#include "textops.moc"
