#include <QTest>

#include "itemrendering.h"
#include "itemrecord.h"

static ItemRecord record(const QString &title, const QString &price, const QVariant &score)
{
    ItemRecord r;
    r.title = title;
    r.click_url = u"http://c/"_qs + price;
    r.pic_url = u"http://p/"_qs + price + u".jpg"_qs;
    r.price = price;
    r.shop_click_url = u"http://s/"_qs + price;
    r.nick = u"店主"_qs + price;
    r.seller_credit_score = score;
    return r;
}

class TestItemRendering final : public QObject
{
    Q_OBJECT

private slots:
    void twoItems_data()
    {
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("firstTitle");
        QTest::addColumn<QString>("secondTitle");
        QTest::addColumn<QString>("html");
        const QString badge = u"http://img.taobaocdn.com/newrank/s_blue_2.gif"_qs;
        QTest::newRow("every placeholder")
            << u"[#商品排名#]|[#商品标题#]|[#商品网址#]|[#商品图片地址#]|[#商品价格#]|[#商品销售量#]|"
               u"[#店铺网址#]|[#卖家昵称#]|[#信用等级#];"_qs
            << u"<span class=H>裙</span>"_qs << u"B"_qs
            << u"1|<span class=H>裙</span>|http://c/9.50|http://p/9.50.jpg|9.50|300|http://s/9.50|店主9.50|"_qs +
                   badge + u";2|B|http://c/12|http://p/12.jpg|12|40|http://s/12|店主12|0;"_qs;
        QTest::newRow("no placeholder")
            << u"<li>固定</li>"_qs << u"A"_qs << u"B"_qs << u"<li>固定</li><li>固定</li>"_qs;
        QTest::newRow("placeholder twice, unknown one kept")
            << u"[#商品价格#]/[#商品价格#][#价格#]"_qs << u"A"_qs << u"B"_qs
            << u"9.50/9.50[#价格#]12/12[#价格#]"_qs;
        // The test tool tells no coupon or final price: those placeholders are left empty.
        QTest::newRow("what only the open platform tells")
            << u"[#商品价格#]|[#原价#][#到手价#][#优惠券#][#优惠券说明#][#平台#][#淘口令#];"_qs << u"A"_qs
            << u"B"_qs << u"9.50|;12|;"_qs;
        // Values are data: a placeholder in a value stays text, in its own item and the next.
        QTest::newRow("price inside a title") << u"[#商品标题#]|[#商品价格#];"_qs << u"仅[#商品价格#]元"_qs
                                              << u"B"_qs << u"仅[#商品价格#]元|9.50;B|12;"_qs;
        QTest::newRow("rank inside a title")
            << u"[#商品标题#];"_qs << u"第[#商品排名#]名"_qs << u"B"_qs << u"第[#商品排名#]名;B;"_qs;
        QTest::newRow("rank inside the last title")
            << u"[#商品标题#];"_qs << u"A"_qs << u"第[#商品排名#]名"_qs << u"A;第[#商品排名#]名;"_qs;
        QTest::newRow("title inside a title") << u"<b>[#商品标题#]</b>"_qs << u"[#商品标题#][#商品标题#]"_qs
                                              << u"B"_qs << u"<b>[#商品标题#][#商品标题#]</b><b>B</b>"_qs;
        QTest::newRow("placeholder after a stray opening")
            << u"[#[#商品价格#]#][#商品价格"_qs << u"A"_qs << u"B"_qs
            << u"[#9.50#][#商品价格[#12#][#商品价格"_qs;
        QTest::newRow("adjacent placeholders")
            << u"[#商品排名#][#商品排名#][#卖家昵称#]"_qs << u"A"_qs << u"B"_qs << u"11店主9.5022店主12"_qs;
        QTest::newRow("keyword placeholder is not an item's")
            << u"[#关键词#]"_qs << u"A"_qs << u"B"_qs << u"[#关键词#][#关键词#]"_qs;
    }
    void twoItems()
    {
        QFETCH(QString, block);
        QFETCH(QString, firstTitle);
        QFETCH(QString, secondTitle);
        QString html;
        itemrendering::appendItem(
            html, block, 1,
            record(firstTitle, u"9.50"_qs, u"http://img.taobaocdn.com/newrank/s_blue_2.gif"_qs), u"300"_qs);
        itemrendering::appendItem(html, block, 2, record(secondTitle, u"12"_qs, 0.0), u"40"_qs);
        QTEST(html, "html");
    }

    // Titles full of placeholders cost what ordinary ones do: each item adds its block and its
    // values once, whatever came before.
    void selfReferencingTitlesStayLinear()
    {
        const QString block = u"<li>[#商品排名#] [#商品标题#] [#商品价格#]</li>"_qs;
        const QString title = u"[#商品标题#][#商品标题#][#商品排名#]"_qs;
        QString html;
        for (int rank = 1; rank <= 40; ++rank)
            itemrendering::appendItem(html, block, rank, record(title, u"1"_qs, 0.0), u"5"_qs);
        QString expected;
        for (int rank = 1; rank <= 40; ++rank)
            expected += u"<li>"_qs + QString::number(rank) + u' ' + title + u" 1</li>"_qs;
        QCOMPARE(html, expected);
    }
};

QTEST_GUILESS_MAIN(TestItemRendering)
#include "itemrendering.moc"
