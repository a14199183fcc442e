#include <QTest>

#include "gbk.h"

class TestGbkHtml final : public QObject
{
    Q_OBJECT

private slots:
    void charactersGbkCannotHold_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ASCII") << u"<a href=\"x\">?</a>"_qs << QByteArray("<a href=\"x\">?</a>");
        QTest::newRow("Chinese stays GBK") << u"连衣裙"_qs << QByteArray("\xC1\xAC\xD2\xC2\xC8\xB9");
        QTest::newRow("emoji outside the BMP") << u"🔥热卖"_qs << QByteArray("&#x1F525;\xC8\xC8\xC2\xF4");
        QTest::newRow("trade mark and heart") << u"a™b❤"_qs << QByteArray("a&#x2122;b&#x2764;");
        QTest::newRow("Chinese after symbols")
            << u"™裙❤裙"_qs << QByteArray("&#x2122;\xC8\xB9&#x2764;\xC8\xB9");
        QTest::newRow("euro sign is in the code page") << u"€"_qs << QByteArray("\x80");
        QTest::newRow("two in a row") << u"😀😀"_qs << QByteArray("&#x1F600;&#x1F600;");
        QTest::newRow("lone surrogate") << QString(QChar(0xD83D)) + u"x"_qs << QByteArray("&#xFFFD;x");
        QTest::newRow("at the very end") << u"裙👗"_qs << QByteArray("\xC8\xB9&#x1F457;");
        QTest::newRow("empty") << QString() << QByteArray();
    }
    void charactersGbkCannotHold()
    {
        QFETCH(QString, text);
        QTEST(gbk::encodeHtml(text), "bytes");
    }

    void sameAsPlainEncodingWhenGbkHoldsEverything()
    {
        const QString text = u"［全角］、《书名》·—…①ⅰ￥淘页坊 abc 123"_qs;
        QCOMPARE(gbk::encodeHtml(text), gbk::encode(text));
        QCOMPARE(gbk::decode(gbk::encodeHtml(text)), text);
    }
};

QTEST_GUILESS_MAIN(TestGbkHtml)
#include "gbkhtml.moc"
