#include <QTest>

#include "gbk.h"

class TestGbk final : public QObject
{
    Q_OBJECT

private slots:
    // Bytes left at the end, or a pair GBK does not define, never vanish without a trace.
    void decodeFlushes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("text") << QByteArray("ab\xc1\xac") << u"ab连"_qs;
        QTest::newRow("lone lead byte at the end") << QByteArray("ab\xd6") << u"ab\uFFFD"_qs;
        QTest::newRow("FF then a lead byte") << QByteArray("\xff\x81") << u"\uF8F5\uFFFD"_qs;
        QTest::newRow("euro sign") << QByteArray("\x80") << u"€"_qs;
        QTest::newRow("trail byte 5D") << QByteArray("\x96\x5d]") << u"朷]"_qs;
        QTest::newRow("NUL kept") << QByteArray("a\0b", 3) << QString(u"a\0b"_qs);
    }
    void decodeFlushes()
    {
        QFETCH(QByteArray, bytes);
        QTEST(gbk::decode(bytes), "text");
    }

    void decodePair_data()
    {
        QTest::addColumn<int>("lead");
        QTest::addColumn<int>("trail");
        QTest::addColumn<QChar>("character");
        QTest::newRow("啊") << 0xB0 << 0xA1 << QChar(u'啊');
        QTest::newRow("trail below 0x80") << 0xB0 << 0x41 << QChar(u'癆');
        QTest::newRow("FF 81 is no pair") << 0xFF << 0x81 << QChar(QChar::ReplacementCharacter);
        QTest::newRow("invalid trail") << 0x81 << 0x30 << QChar(QChar::ReplacementCharacter);
    }
    void decodePair()
    {
        QFETCH(int, lead);
        QFETCH(int, trail);
        QTEST(gbk::decodePair(uchar(lead), uchar(trail)), "character");
    }

    // Characters GBK cannot hold: "?" in plain GBK, a character reference in pages and files.
    void encodeHtml_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("html");
        QTest::newRow("GBK only") << u"连衣裙 <b>&amp;</b>€"_qs
                                  << QByteArray("\xc1\xac\xd2\xc2\xc8\xb9 <b>&amp;</b>\x80")
                                  << QByteArray("\xc1\xac\xd2\xc2\xc8\xb9 <b>&amp;</b>\x80");
        QTest::newRow("emoji") << u"a😀b"_qs << QByteArray("a?b") << QByteArray("a&#x1F600;b");
        QTest::newRow("extension B") << u"𠀀"_qs << QByteArray("?") << QByteArray("&#x20000;");
        QTest::newRow("BMP character outside GBK")
            << u"\u30FB"_qs << QByteArray("?") << QByteArray("&#x30FB;");
        QTest::newRow("default-ignorable characters are not dropped")
            << u"a\u200Bb\uFFF7\u00AD"_qs << QByteArray("a?b??") << QByteArray("a&#x200B;b&#xFFF7;&#xAD;");
        QTest::newRow("lone high surrogate at the end")
            << QString(u"a"_qs + QChar(0xD83D)) << QByteArray("a?") << QByteArray("a&#xFFFD;");
        QTest::newRow("lone low surrogate")
            << QString(QChar(0xDE00) + u"a"_qs) << QByteArray("?a") << QByteArray("&#xFFFD;a");
    }
    void encodeHtml()
    {
        QFETCH(QString, text);
        QTEST(gbk::encode(text), "plain");
        QTEST(gbk::encodeHtml(text), "html");
    }

    // What canEncode accepts comes back unchanged, with the code that code() gives.
    void canEncodeMeansRoundTrip()
    {
        int accepted = 0;
        for (char32_t c = 0; c < 0x10000; ++c) {
            if (!gbk::canEncode(c))
                continue;
            ++accepted;
            const QString text{QChar(char16_t(c))};
            const QByteArray bytes = gbk::encode(text);
            QCOMPARE(gbk::decode(bytes), text);
            // code() gives the encoder's bytes as a number.
            const unsigned code = gbk::code(text.front());
            const QByteArray fromCode =
                code > 0xFF ? QByteArray(1, char(code >> 8)) + char(code & 0xFF) : QByteArray(1, char(code));
            QCOMPARE(bytes, fromCode);
        }
        QVERIFY2(accepted > 21000, qPrintable(QString::number(accepted)));
        QVERIFY(!gbk::canEncode(0x1F600));
        QVERIFY(!gbk::canEncode(0xD800));
    }
};

QTEST_GUILESS_MAIN(TestGbk)
#include "gbk.moc"
