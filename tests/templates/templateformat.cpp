#include <QTest>

#include "templateformat.h"

namespace {
// Short names keep the table readable: S and E are the loop markers, K the keyword marker.
QString expand(QString text)
{
    return text.replace(u"{S}"_qs, u"[#商品循环开始#]"_qs)
        .replace(u"{E}"_qs, u"[#商品循环结束#]"_qs)
        .replace(u"{K}"_qs, u"[#关键词#]"_qs);
}
} // namespace

class TestTemplateFormat final : public QObject
{
    Q_OBJECT

private slots:
    void split_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("footer");
        const QString old = u"old"_qs;
        const QString none;

        QTest::newRow("plain") << u"H{S}A{E}F"_qs << u"k"_qs << none << u"H"_qs << u"A"_qs << u"F"_qs;
        QTest::newRow("markers at very start and end")
            << u"{S}A{E}"_qs << u"k"_qs << none << none << u"A"_qs << none;
        QTest::newRow("empty block") << u"H{S}{E}F"_qs << u"k"_qs << none << u"H"_qs << none << u"F"_qs;
        QTest::newRow("only the first pair counts")
            << u"H{S}A{E}M{S}B{E}F"_qs << u"k"_qs << none << u"H"_qs << u"A"_qs << u"M{S}B{E}F"_qs;
        QTest::newRow("spaces trimmed, line breaks kept")
            << u" head\r\n    {S}\r\n  item  {E}  foot "_qs << u"k"_qs << none << u"head\r\n"_qs
            << u"\r\n  item"_qs << u"  foot "_qs;
        QTest::newRow("tabs and ideographic spaces stay")
            << u"\tH\u3000{S}\u3000A\t{E}F"_qs << u"k"_qs << none << u"\tH\u3000"_qs << u"\u3000A\t"_qs
            << u"F"_qs;
        QTest::newRow("keyword in title and footer")
            << u"<title>{K}</title>{S}<b>{K}</b>{E}<p>{K}</p>"_qs << u"连衣裙"_qs << none
            << u"<title>连衣裙</title>"_qs << u"<b>连衣裙</b>"_qs << u"<p>连衣裙</p>"_qs;
        QTest::newRow("item placeholder outside the block stays")
            << u"[#商品标题#]{S}A{E}"_qs << u"k"_qs << none << u"[#商品标题#]"_qs << u"A"_qs << none;
        // The keyword is text: escaped, and never a marker of the template.
        QTest::newRow("keyword holding the start marker is text")
            << u"H{K}A{E}F"_qs << expand(u"{S}"_qs) << u"模板头部无效"_qs << old << old << old;
        QTest::newRow("keyword holding markers in the block")
            << u"{S}<b>{K}</b>{E}"_qs << expand(u"{E}{S}[#商品标题#]"_qs) << none << none
            << u"<b>&#91;#商品循环结束#]&#91;#商品循环开始#]&#91;#商品标题#]</b>"_qs << none;
        QTest::newRow("keyword holding its own marker is not replaced again")
            << u"{K}{S}A{E}"_qs << expand(u"{K}"_qs) << none << u"&#91;#关键词#]"_qs << u"A"_qs << none;
        QTest::newRow("keyword breaking out of the title and an attribute")
            << u"<title>{K}</title><meta content=\"{K}\">{S}A{E}"_qs << u"10\"</title><script>'"_qs << none
            << u"<title>10&quot;&lt;/title&gt;&lt;script&gt;&#39;</title><meta "
               u"content=\"10&quot;&lt;/title&gt;"
               u"&lt;script&gt;&#39;\">"_qs
            << u"A"_qs << none;

        // Refusals leave the parts not yet reached as they were; the checks run in this order.
        QTest::newRow("empty text") << QString() << u"k"_qs << u"模板头部无效"_qs << old << old << old;
        QTest::newRow("no marker at all")
            << u"H A F"_qs << u"k"_qs << u"模板头部无效"_qs << old << old << old;
        QTest::newRow("only an end marker")
            << u"H{E}F"_qs << u"k"_qs << u"模板头部无效"_qs << old << old << old;
        QTest::newRow("no end marker")
            << u"H {S}A"_qs << u"k"_qs << u"模板尾部无效"_qs << u"H"_qs << old << old;
        QTest::newRow("end marker before start marker")
            << u"H{E}A{S}F"_qs << u"k"_qs << u"模板循环区域无效"_qs << u"H{E}A"_qs << old << old;
        QTest::newRow("first end marker before start, another after")
            << u"{E}H{S}A{E}F"_qs << u"k"_qs << u"模板循环区域无效"_qs << u"{E}H"_qs << old << old;
    }
    void split()
    {
        QFETCH(QString, text);
        QFETCH(QString, keyword);
        QFETCH(QString, refusal);
        QFETCH(QString, header);
        QFETCH(QString, block);
        QFETCH(QString, footer);

        QString headerPart = u"old"_qs, itemBlock = u"old"_qs, footerPart = u"old"_qs;
        QCOMPARE(templateformat::split(expand(text), keyword, headerPart, itemBlock, footerPart), refusal);
        QCOMPARE(headerPart, expand(header));
        QCOMPARE(itemBlock, expand(block));
        QCOMPARE(footerPart, expand(footer));
    }
};

QTEST_GUILESS_MAIN(TestTemplateFormat)
#include "templateformat.moc"
