#include <QTest>

#include "generationtexts.h"
#include "statuspages.h"
#include "statustext.h"

class TestStatusText final : public QObject
{
    Q_OBJECT

private slots:
    void plainText_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("text");
        QTest::newRow("request page") << statuspages::requesting() << u"正在通过api接口获取商品数据...."_qs;
        QTest::newRow("failure page")
            << statuspages::failed() << u"通过api接口获取商品数据失败,请点击开始生成按钮重新尝试生成..."_qs;
        QTest::newRow("success page without its links")
            << generationtexts::successPage(u"/tmp/已生成/连衣裙_经典网格_140509"_qs)
            << u"单页生成成功,已保存到【/tmp/已生成/连衣裙_经典网格_140509】文件夹"_qs;
        QTest::newRow("an item title between < and > is text, its highlighting is not")
            << statuspages::linkShortened(u"2012夏装 <span class=H>连衣裙</span> 女"_qs, false)
            << u"正在将商品<2012夏装 连衣裙 女>的推广地址转换为短网址..."_qs;
        QTest::newRow("a title starting with a letter reads as a tag, as in the pane")
            << statuspages::linkShortened(u"iPhone 壳"_qs, true)
            << u"正在将商品的店铺推广地址转换为短网址..."_qs;
        QTest::newRow("references decoded once")
            << u"about:<b>a &amp;lt; b &lt;c&gt; &#x4E2D;&#25991; &nbsp;&bogus;</b>"_qs
            << u"a &lt; b <c> 中文 &bogus;"_qs;
        QTest::newRow("the folder of a failure page comes back unescaped")
            << generationtexts::failurePage(u"/a<b>&c"_qs, u"无法写入单页文件index.htm")
            << u"单页生成失败,未能保存到【/a<b>&c】文件夹 无法写入单页文件index.htm 请检查后点击开始生成按钮重新生成..."_qs;
        QTest::newRow("an unfinished tag shows nothing after it") << u"about:前<b class=x"_qs << u"前"_qs;
        QTest::newRow("line breaks and tabs are blanks") << u"about:a\n\tb<br/><br/>c"_qs << u"a b c"_qs;
    }
    void plainText()
    {
        QFETCH(QString, page);
        QFETCH(QString, text);
        QCOMPARE(statustext::plainText(page), text);
    }
};

QTEST_GUILESS_MAIN(TestStatusText)
#include "statustext.moc"
