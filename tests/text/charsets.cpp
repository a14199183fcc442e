#include <QTest>

#include "charsets.h"
#include "gbk.h"

class TestCharsets final : public QObject
{
    Q_OBJECT

private slots:
    // A template file of either encoding comes out in UTF-8, its declaration saying so.
    void toUtf8_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("meta charset, GBK")
            << gbk::encode(u"<meta charset=\"gbk\"><p>裙</p>") << u"<meta charset=\"utf-8\"><p>裙</p>"_qs;
        QTest::newRow("http-equiv, gb2312, unquoted case")
            << gbk::encode(u"<META HTTP-EQUIV=Content-Type CONTENT='text/html; charset=GB2312'>裙")
            << u"<META HTTP-EQUIV=Content-Type CONTENT='text/html; charset=utf-8'>裙"_qs;
        QTest::newRow("css @charset, GBK") << gbk::encode(u"@charset \"GBK\";\n.a::before{content:\"券\"}")
                                           << u"@charset \"utf-8\";\n.a::before{content:\"券\"}"_qs;
        QTest::newRow("svg, GBK")
            << gbk::encode(u"<?xml version=\"1.0\" encoding=\"GBK\"?><svg><text>裙</text></svg>")
            << u"<?xml version=\"1.0\" encoding=\"utf-8\"?><svg><text>裙</text></svg>"_qs;
        QTest::newRow("css @charset, UTF-8 already")
            << u"@charset \"UTF-8\";\n/* 裙 */"_qs.toUtf8() << u"@charset \"utf-8\";\n/* 裙 */"_qs;
        QTest::newRow("undeclared UTF-8") << u"var a = '裙';"_qs.toUtf8() << u"var a = '裙';"_qs;
        QTest::newRow("undeclared GBK") << gbk::encode(u"var a = '连衣裙';") << u"var a = '连衣裙';"_qs;
        QTest::newRow("declared UTF-8 holding GBK text reads as GBK")
            << QByteArray("<meta charset=\"utf-8\">") + gbk::encode(u"连衣裙")
            << u"<meta charset=\"utf-8\">连衣裙"_qs;
    }
    void toUtf8()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(charsets::encodePage(charsets::decodeResource(bytes), charsets::PageEncoding::Utf8),
                 text.toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestCharsets)
#include "charsets.moc"
