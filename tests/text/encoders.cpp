#include <QTest>

#include "encoders.h"
#include "gbk.h"

class TestEncoders final : public QObject
{
    Q_OBJECT

private slots:
    void utf8Encode_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("ascii passes, also & = + % space") << u"a b&c=d+e%f"_qs << u"a b&c=d+e%f"_qs;
        QTest::newRow("keyword") << u"连衣裙 a&b"_qs << u"%E8%BF%9E%E8%A1%A3%E8%A3%99 a&b"_qs;
        QTest::newRow("two bytes") << u"é"_qs << u"%C3%A9"_qs;
        QTest::newRow("three bytes") << u"ก"_qs << u"%E0%B8%81"_qs;
        QTest::newRow("edges of the ranges")
            << u"\u007f\u0080\u07ff\u0800\uffff"_qs << u"\u007f%C2%80%DF%BF%E0%A0%80%EF%BF%BF"_qs;
        QTest::newRow("surrogate pair is one character") << u"😀"_qs << u"%F0%9F%98%80"_qs;
        QTest::newRow("highest code point") << QString::fromUcs4(U"\U0010FFFF") << u"%F4%8F%BF%BF"_qs;
        QTest::newRow("lone high surrogate") << QString(QChar(0xD83D)) + u"x"_qs << u"%EF%BF%BDx"_qs;
        QTest::newRow("lone low surrogate") << QString(QChar(0xDE00)) << u"%EF%BF%BD"_qs;
        QTest::newRow("pair halves reversed")
            << QString(QChar(0xDE00)) + QChar(0xD83D) << u"%EF%BF%BD%EF%BF%BD"_qs;
    }
    void utf8Encode()
    {
        QFETCH(QString, input);
        QFETCH(QString, encoded);
        QCOMPARE(UTF8Encode(input), encoded);
    }

    void urlEncode_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("link") << u"a/b:c?d=1&e=f_g.h-I"_qs << u"a%2Fb%3Ac%3Fd%3D1%26e%3Df%5Fg%2Eh%2DI"_qs;
        QTest::newRow("letters keep their case") << u"AbZz09"_qs << u"AbZz09"_qs;
        QTest::newRow("tab keeps its leading 0") << u"\t"_qs << u"%09"_qs;
        QTest::newRow("space is %20") << u" "_qs << u"%20"_qs;
        QTest::newRow("percent and plus") << u"%+"_qs << u"%25%2B"_qs;
        QTest::newRow("nul") << QString(QChar(0)) << u"%00"_qs;
        QTest::newRow("double-byte writes both bytes") << u"连衣裙"_qs << u"%C1%AC%D2%C2%C8%B9"_qs;
        QTest::newRow("euro is one byte in GBK") << u"€"_qs << u"%80"_qs;
        // Letters whose upper case is an ASCII letter are still not ASCII.
        QTest::newRow("dotless i and long s") << u"ıſ"_qs << u"%3F%3F"_qs;
        QTest::newRow("beyond GBK is one question mark") << u"😀a"_qs << u"%3Fa"_qs;
    }
    void urlEncode()
    {
        QFETCH(QString, input);
        QFETCH(QString, encoded);
        QCOMPARE(URLEncode(input), encoded);
    }

    void urlEncoding_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("keyword") << u"连衣裙 a&b"_qs << u"%C1%AC%D2%C2%C8%B9 a&b"_qs;
        QTest::newRow("ascii untouched") << u"a/b?c=%20+"_qs << u"a/b?c=%20+"_qs;
        QTest::newRow("single-byte euro untouched") << u"€"_qs << u"€"_qs;
        QTest::newRow("full-width comma") << u"，"_qs << u"%A3%AC"_qs;
        QTest::newRow("lowest lead byte") << u"丂"_qs << u"%81%40"_qs;
        QTest::newRow("not in GBK left as it is") << u"ก"_qs << u"ก"_qs;
        QTest::newRow("byte FF is one byte") << u"a\uF8F5b"_qs << u"a%FFb"_qs;
        QTest::newRow("highest double-byte code") << QString(gbk::decode("\xfe\xfe")) << u"%FE%FE"_qs;
    }
    void urlEncoding()
    {
        QFETCH(QString, input);
        QFETCH(QString, encoded);
        QCOMPARE(URLEncoding(input), encoded);
    }
};

QTEST_GUILESS_MAIN(TestEncoders)
#include "encoders.moc"
