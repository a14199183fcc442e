#include <QFile>
#include <QTest>

#include "creditbadge.h"
#include "replyparsing.h"
#include "testpaths.h"
#include "toolreply.h"
#include "itemrecord.h"

using replyparsing::ReplyKind;
Q_DECLARE_METATYPE(ReplyKind)

static QString fixture(const char *name)
{
    QFile file(QStringLiteral(TAOYEFANG_TEST_DATA_DIR "/items/") + QLatin1StringView(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return QString::fromUtf8(file.readAll());
}

// Every element of a decoded reply, as the item loop takes them.
static QStringList elementsOf(QString replyText)
{
    QStringList elements;
    while (const auto element = replyparsing::takeElement(replyText))
        elements.append(*element);
    return elements;
}

class TestReplyParsing final : public QObject
{
    Q_OBJECT

private slots:
    void decodeEntities_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("decoded");
        QTest::newRow("escaped markup")
            << u"&lt;price&gt;89.00&lt;/price&gt;"_qs << u"<price>89.00</price>"_qs;
        QTest::newRow("escaped twice") << u"&amp;lt;b&amp;gt;"_qs << u"<b>"_qs;
        QTest::newRow("ampersand escaped twice") << u"a&amp;amp;p=1"_qs << u"a&p=1"_qs;
        QTest::newRow("escaped entity stays an entity") << u"&amp;amp;lt;"_qs << u"&lt;"_qs;
        QTest::newRow("quote and blank") << u"&quot;夏日&quot;&nbsp;款"_qs << u"\"夏日\" 款"_qs;
        QTest::newRow("quote escaped twice") << u"&amp;quot;x&amp;quot;"_qs << u"\"x\""_qs;
        QTest::newRow("other entities stay") << u"&apos;&copy;&#39;"_qs << u"&apos;&copy;&#39;"_qs;
        QTest::newRow("case matters") << u"&LT;&Amp;"_qs << u"&LT;&Amp;"_qs;
        QTest::newRow("empty") << QString() << QString();
    }
    void decodeEntities()
    {
        QFETCH(QString, reply);
        QFETCH(QString, decoded);
        replyparsing::decodeEntities(reply);
        QCOMPARE(reply, decoded);
    }

    void decodedFixture()
    {
        QString reply = fixture("reply_dresses.html");
        replyparsing::decodeEntities(reply);
        QVERIFY(reply.contains(
            u"<title>韩都衣舍2013夏装新款韩版雪纺<span class=H>连衣裙</span>修身显瘦短袖裙子</title>"_qs));
        QVERIFY(reply.contains(u"rJg%3D%3D&p=mm_30571968_0_0</click_url>"_qs));
        QVERIFY(reply.contains(u"<title>\"夏日\"纯棉碎花<span class=H>连衣裙</span></title>"_qs));
        QVERIFY(reply.contains(u"收腰A字裙 & 送腰带"_qs));
        QCOMPARE(elementsOf(reply).size(), 5);
    }

    void classify_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<ReplyKind>("kind");
        const QString items = toolreply::xml({toolreply::item(1), toolreply::item(2)});
        QTest::newRow("items") << items << ReplyKind::Items;
        QTest::newRow("shipped reply") << fixture("reply_dresses.html") << ReplyKind::Items;
        QTest::newRow("time-out text among items") << items + u"错误|连接超时"_qs << ReplyKind::TimedOut;
        QTest::newRow("time-out alone") << u"错误|连接超时"_qs << ReplyKind::TimedOut;
        QTest::newRow("connection broken off") << u"错误|连接中断"_qs << ReplyKind::NoItems;
        QTest::newRow("other error text") << u"错误|"_qs << ReplyKind::NoItems;
        QTest::newRow("empty reply") << QString() << ReplyKind::NoItems;
        QTest::newRow("error response") << fixture("reply_error.html") << ReplyKind::NoItems;
        QTest::newRow("no closing tag") << u"<taobaoke_item><title>x</title>"_qs << ReplyKind::NoItems;
        QTest::newRow("no opening tag") << u"<title>x</title></taobaoke_item>"_qs << ReplyKind::NoItems;
        QTest::newRow("no items") << toolreply::xml({}) << ReplyKind::NoItems;
    }
    void classify()
    {
        QFETCH(QString, reply);
        QFETCH(ReplyKind, kind);
        // The fixtures come escaped, as the tool sends them.
        replyparsing::decodeEntities(reply);
        QCOMPARE(replyparsing::classify(reply), kind);
    }

    void elements_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QStringList>("elements");
        QTest::newRow("three") << u"<a><taobaoke_item>1</taobaoke_item><taobaoke_item>2</taobaoke_item>"
                                  u"<taobaoke_item>3</taobaoke_item></a>"_qs
                               << QStringList{u"1"_qs, u"2"_qs, u"3"_qs};
        QTest::newRow("blanks trimmed, line breaks kept")
            << u"<taobaoke_item>  \n<p>1</p>  </taobaoke_item>"_qs << QStringList{u"\n<p>1</p>"_qs};
        QTest::newRow("empty element") << u"<taobaoke_item></taobaoke_item>"_qs << QStringList{QString()};
        QTest::newRow("last one unclosed")
            << u"<taobaoke_item>1</taobaoke_item><taobaoke_item>2"_qs << QStringList{u"1"_qs};
        QTest::newRow("unclosed before the next one")
            << u"<taobaoke_item>1<taobaoke_item>2</taobaoke_item>"_qs << QStringList();
        QTest::newRow("stray closing tag first")
            << u"</taobaoke_item><taobaoke_item>1</taobaoke_item>"_qs << QStringList{u"1"_qs};
        QTest::newRow("none") << u"<error_response/>"_qs << QStringList();
    }
    void elements()
    {
        QFETCH(QString, reply);
        QFETCH(QStringList, elements);
        QCOMPARE(elementsOf(reply), elements);
    }

    void fields_data()
    {
        QTest::addColumn<QString>("itemText");
        QTest::addColumn<QStringList>("fields"); // title, click, pic, price, volume, shop, nick, score
        QTest::newRow("all, alphabetical as sent")
            << u"<click_url>C</click_url><commission_volume>9.5</commission_volume><nick>N</nick>"
               u"<pic_url>P</pic_url><price>89.00</price><seller_credit_score>12</seller_credit_score>"
               u"<shop_click_url>S</shop_click_url><title>新款<span class=H>裙</span></title>"
               u"<volume>2356</volume>"_qs
            << QStringList{u"新款<span class=H>裙</span>"_qs,
                           u"C"_qs,
                           u"P"_qs,
                           u"89.00"_qs,
                           u"2356"_qs,
                           u"S"_qs,
                           u"N"_qs,
                           u"12"_qs};
        QTest::newRow("similar names are other fields")
            << u"<shop_click_url>S</shop_click_url><commission_volume>9</commission_volume>"
               u"<seller_nick>X</seller_nick><reserve_price>1</reserve_price>"_qs
            << QStringList{{}, {}, {}, {}, {}, u"S"_qs, {}, {}};
        QTest::newRow("blanks trimmed, line breaks kept")
            << u"<title>  两行\n标题  </title><price> 5 </price>"_qs
            << QStringList{u"两行\n标题"_qs, {}, {}, u"5"_qs, {}, {}, {}, {}};
        QTest::newRow("first of two")
            << u"<nick>A</nick><nick>B</nick>"_qs << QStringList{{}, {}, {}, {}, {}, {}, u"A"_qs, {}};
        QTest::newRow("closing before opening is no value")
            << u"</price><price>5<nick>N</nick>"_qs << QStringList{{}, {}, {}, {}, {}, {}, u"N"_qs, {}};
        QTest::newRow("score with blanks") << u"<seller_credit_score> 12 </seller_credit_score>"_qs
                                           << QStringList{{}, {}, {}, {}, {}, {}, {}, u"12"_qs};
        QTest::newRow("score of letters") << u"<seller_credit_score>abc</seller_credit_score>"_qs
                                          << QStringList{{}, {}, {}, {}, {}, {}, {}, u"0"_qs};
    }
    void fields()
    {
        QFETCH(QString, itemText);
        QFETCH(QStringList, fields);
        ItemRecord record;
        QString volume;
        replyparsing::extractFields(itemText, record, volume);
        const QStringList got{record.title,   record.click_url,
                              record.pic_url, record.price,
                              volume,         record.shop_click_url,
                              record.nick,    creditbadge::scoreText(record.seller_credit_score)};
        QCOMPARE(got, fields);
    }

    void badge_data()
    {
        QTest::addColumn<QString>("score");
        QTest::addColumn<QString>("shown");
        const QString base = u"http://img.taobaocdn.com/newrank/"_qs;
        QTest::newRow("1") << u"1"_qs << base + u"s_red_1.gif"_qs;
        QTest::newRow("5") << u"5"_qs << base + u"s_red_5.gif"_qs;
        QTest::newRow("6") << u"6"_qs << base + u"s_blue_1.gif"_qs;
        QTest::newRow("10") << u"10"_qs << base + u"s_blue_5.gif"_qs;
        QTest::newRow("11") << u"11"_qs << base + u"s_cap_1.gif"_qs;
        QTest::newRow("15") << u"15"_qs << base + u"s_cap_5.gif"_qs;
        QTest::newRow("16") << u"16"_qs << base + u"s_crown_1.gif"_qs;
        QTest::newRow("20") << u"20"_qs << base + u"s_crown_5.gif"_qs;
        QTest::newRow("2.5 inside red") << u"2.5"_qs << base + u"s_red_2.5.gif"_qs;
        QTest::newRow("hexadecimal 16") << u"&H10"_qs << base + u"s_crown_1.gif"_qs;
        QTest::newRow("0") << u"0"_qs << u"0"_qs;
        QTest::newRow("0.5 below red") << u"0.5"_qs << u"0.5"_qs;
        QTest::newRow("5.5 between red and blue") << u"5.5"_qs << u"5.5"_qs;
        QTest::newRow("21") << u"21"_qs << u"21"_qs;
        QTest::newRow("-3") << u"-3"_qs << u"-3"_qs;
        QTest::newRow("empty") << QString() << u"0"_qs;
        QTest::newRow("abc") << u"abc"_qs << u"0"_qs;
    }
    void badge()
    {
        QFETCH(QString, score);
        QFETCH(QString, shown);
        ItemRecord record;
        QString volume;
        replyparsing::extractFields(u"<seller_credit_score>"_qs + score + u"</seller_credit_score>"_qs,
                                    record, volume);
        creditbadge::apply(record.seller_credit_score, u"img.taobaocdn.com"_qs);
        QCOMPARE(creditbadge::scoreText(record.seller_credit_score), shown);
    }
};

QTEST_GUILESS_MAIN(TestReplyParsing)
#include "replyparsing.moc"
