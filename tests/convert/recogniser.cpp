#include <QTest>

#include "recogniser.h"

namespace {

// The text with each input found replaced by [kind:what the gateway is asked]: every other
// character must come through as it was.
QString marked(const QString &text)
{
    const QList<convert::Found> found = convert::recognise(text);
    QStringList marks;
    for (const convert::Found &f : found) {
        const char16_t kind = f.kind == convert::Found::Kind::ItemLink        ? u'L'
                              : f.kind == convert::Found::Kind::ItemId        ? u'I'
                              : f.kind == convert::Found::Kind::PromotionLink ? u'P'
                                                                              : u'T';
        marks << u'[' + QString(QChar(kind)) + u':' + f.input + u']';
        if (text.mid(f.start, f.length) != f.written)
            return u"(written text differs at "_qs + QString::number(f.start) + u')';
    }
    return convert::rewrite(text, found, marks);
}

} // namespace

class TestRecogniser final : public QObject
{
    Q_OBJECT

private slots:
    void findsWhatAPromotionTextHolds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("supplier message, two links and a 淘口令")
            << u"【好价】雪纺连衣裙\n👉https://item.taobao.com/item.htm?id=15836207491&spm=a1.b2，券后118！\n"
               u"手机 https://m.tb.cn/h.5Xy9AbC?tk=Qw3rTy7uIoP 复制￥Zx8Cv6Bn4Mq￥打开👉手机淘宝"_qs
            << u"【好价】雪纺连衣裙\n👉[L:15836207491]，券后118！\n"
               u"手机 [P:https://m.tb.cn/h.5Xy9AbC?tk=Qw3rTy7uIoP] 复制[T:￥Zx8Cv6Bn4Mq￥]打开👉手机淘宝"_qs;
        QTest::newRow("Tmall and mobile detail pages, scheme left out")
            << u"detail.tmall.com/item.htm?spm=x&id=612345678901 和 "
               u"https://h5.m.taobao.com/awp/core/detail.htm?id=598765432109."_qs
            << u"[L:612345678901] 和 [L:598765432109]."_qs;
        QTest::newRow("link in brackets keeps the bracket")
            << u"（详情见 https://s.click.taobao.com/t?e=m%3D2%26s%3Dab,cd）"_qs
            << u"（详情见 [P:https://s.click.taobao.com/t?e=m%3D2%26s%3Dab%2Ccd]）"_qs;
        QTest::newRow("uland link and one in parentheses")
            << u"(HTTPS://uland.taobao.com/coupon/edetail?e=Ab12)"_qs
            << u"([P:https://uland.taobao.com/coupon/edetail?e=Ab12])"_qs;
        QTest::newRow("the link's own brackets stay, the sentence's go")
            << u"(https://uland.taobao.com/c?e=f(1)[2])."_qs
            << u"([P:https://uland.taobao.com/c?e=f(1)[2]])."_qs;
        const QString closers(65536, u')');
        QTest::newRow("link followed by 64k closing brackets")
            << u"https://m.tb.cn/h.1"_qs + closers << u"[P:https://m.tb.cn/h.1]"_qs + closers;
        QTest::newRow("淘口令 in every bracket style")
            << u"¥AbCdEfGh12¥ ￥AbCdEfGh13¥ €mhFxZiBfxdK€ (FzHx2sdkEdS) （Qa7Zp3Lm9Kc）"_qs
            << u"[T:¥AbCdEfGh12¥] [T:￥AbCdEfGh13¥] [T:€mhFxZiBfxdK€] [T:(FzHx2sdkEdS)] [T:（Qa7Zp3Lm9Kc）]"_qs;
        QTest::newRow("bare ids, numeric and the new form")
            << u"商品ID：15836207491\n6xB2qLmN8pRsT4vW9yZa-Kd3Fg7Hj1\n编号 demoMTU4MzYyMDc0OTE"_qs
            << u"商品ID：[I:15836207491]\n[I:6xB2qLmN8pRsT4vW9yZa-Kd3Fg7Hj1]\n编号 [I:demoMTU4MzYyMDc0OTE]"_qs;
        const QString lookalikes =
            u"价格￥128.00￥，日期20240501，时间 12:30，订单 123456789012345678901，型号(iPhone) (WindowsXP) "
            u"(12345678) ￥12800000￥ mm_1_2_3 https://example.com/p/123456789012 "
            u"https://item.taobao.com/item.htm?id=abc x.com/123456789012 3.141592653589 ABCDEFGH12345678IJ "
            u"https://www.taobao.com/"_qs;
        QTest::newRow("text that only looks like one") << lookalikes << lookalikes;
        QTest::newRow("nothing at all") << QString() << QString();
    }
    void findsWhatAPromotionTextHolds()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(marked(text), expected);
    }

    void rewriteKeepsTheRestAsItWas()
    {
        const QString text = u"A https://m.tb.cn/h.1 B 15836207491 C ￥AbCdEfGh12￥ D"_qs;
        const QList<convert::Found> found = convert::recognise(text);
        QCOMPARE(found.size(), 3);
        // The middle one could not be converted: it stays as written.
        QCOMPARE(convert::rewrite(text, found, {u"x"_qs, QString(), u"￥NEWcode123￥"_qs}),
                 u"A x B 15836207491 C ￥NEWcode123￥ D"_qs);
        QCOMPARE(convert::rewrite(text, found, {}), text);
    }
};

QTEST_GUILESS_MAIN(TestRecogniser)
#include "recogniser.moc"
