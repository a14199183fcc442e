#include <QTest>

#include "bytes2bstr.h"

class TestBytes2Bstr final : public QObject
{
    Q_OBJECT

private slots:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("no bytes") << QByteArray() << u""_qs;
        QTest::newRow("ascii") << QByteArray("\x41\x42") << u"AB"_qs;
        QTest::newRow("one pair") << QByteArray("\xB0\xA1") << u"啊"_qs;
        QTest::newRow("ascii around a pair") << QByteArray("\x41\xB0\xA1\x42") << u"A啊B"_qs;
        QTest::newRow("ascii trail byte belongs to the pair") << QByteArray("\xB0\x41") << u"癆"_qs;
        QTest::newRow("nul stays a character") << QByteArray("a\0b", 3) << QString::fromUtf16(u"a\0b", 3);
        QTest::newRow("0x80 starts a pair too") << QByteArray("\x80\x41z") << u"\uFFFDz"_qs;
        QTest::newRow("undefined pair is one replacement") << QByteArray("\xFF\xFF\x41") << u"\uFFFDA"_qs;
        QTest::newRow("line break eaten as trail byte") << QByteArray("\x81\x0A\x41") << u"\uFFFDA"_qs;
        QTest::newRow("keyword") << QByteArray("\xC1\xAC\xD2\xC2\xC8\xB9") << u"连衣裙"_qs;
    }
    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const std::optional<QString> result = bytes2BSTR(bytes);
        QVERIFY(result.has_value());
        QCOMPARE(*result, text);
    }

    void loneLeadByteFails_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii then lead") << QByteArray("\x41\xB0");
        QTest::newRow("lead alone") << QByteArray("\xB0");
        QTest::newRow("pair then lead") << QByteArray("\xB0\xA1\xFF");
        QTest::newRow("0x80 last") << QByteArray("ab\x80");
    }
    void loneLeadByteFails()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!bytes2BSTR(bytes).has_value());
    }
};

QTEST_GUILESS_MAIN(TestBytes2Bstr)
#include "bytes2bstr.moc"
