#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "pagemetadata.h"

class TestPageMetadata final : public QObject
{
    Q_OBJECT

private slots:
    // Each placeholder filled and escaped for where it stands: attribute, head markup, JSON-LD.
    void filled_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        const QString page = u"https://example.com/xia/%E8%A3%99/index.htm"_qs;
        const QString pic = u"https://img.example.com/1.jpg"_qs;
        QTest::newRow("description in an attribute")
            << u"<meta name=\"description\" content=\"[#页面描述#]\">"_qs << u"\"><b>裙"_qs << QString()
            << u"A&B 'x'"_qs << pic
            << QStringList{u"content=\"&quot;&gt;&lt;b&gt;裙热卖精选，共1件好货：A&amp;B &#39;x&#39;\">"_qs}
            << QStringList{u"<b>"_qs};
        QTest::newRow("description cut, whole characters")
            << u"[#页面描述#]"_qs << u"裙"_qs << QString() << u"😀"_qs.repeated(100) << pic
            << QStringList{u"😀…"_qs} << QStringList{QString(QChar(0xD83D)) + u"…"_qs};
        QTest::newRow("no address, no share tags")
            << u"<head>[#分享标签#]</head>"_qs << u"裙"_qs << QString() << u"A"_qs << pic
            << QStringList{u"<head></head>"_qs} << QStringList{u"canonical"_qs};
        QTest::newRow("share tags")
            << u"[#分享标签#]"_qs << u"x\" onload=\"y"_qs << page << u"A"_qs << pic
            << QStringList{u"<link rel=\"canonical\" href=\""_qs + page + u"\">"_qs,
                           u"<meta property=\"og:url\" content=\""_qs + page + u"\">"_qs,
                           u"<meta property=\"og:image\" content=\""_qs + pic + u"\">"_qs,
                           u"<meta property=\"og:title\" content=\"x&quot; onload=&quot;y热卖精选\">"_qs}
            << QStringList{u"\" onload"_qs};
        QTest::newRow("share tags, a picture that is no web address")
            << u"[#分享标签#]"_qs << u"裙"_qs << page << u"A"_qs << u"javascript:alert(1)"_qs
            << QStringList{u"og:url"_qs} << QStringList{u"og:image"_qs, u"javascript"_qs};
        QTest::newRow("structured data cannot close its element")
            << u"[#结构化数据#]"_qs << u"</SCRIPT><!--"_qs << page
            << u"</script>😀<script>alert(1)</script>"_qs << pic
            << QStringList{u"\\u003c/script\\u003e"_qs, u"\"price\":\"19.90\""_qs,
                           u"\"priceCurrency\":\"CNY\""_qs, u"\"priceValidUntil\":\"2026-12-31\""_qs,
                           u"\"url\":\""_qs + page + u'"'}
            << QStringList{u"<script>alert"_qs, u"</SCRIPT"_qs, u"<!--"_qs};
        QTest::newRow("a placeholder in a value stays text")
            << u"[#页面描述#]|[#结构化数据#]"_qs << u"裙"_qs << QString() << u"[#结构化数据#][#分享标签#]"_qs
            << pic << QStringList{u"[#结构化数据#][#分享标签#]"_qs} << QStringList{u"canonical"_qs};
    }
    void filled()
    {
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(QString, picture);
        ItemRecord item;
        item.title = title;
        item.pic_url = picture;
        item.click_url = u"https://s.click.example.com/t?e=1&u=2"_qs;
        item.price = u"29.90"_qs;
        item.final_promotion_price = u"19.90"_qs;
        item.coupon_end = u"2026-12-31"_qs;
        pagemetadata::Page page;
        QFETCH(QString, keyword);
        QFETCH(QString, address);
        page.keyword = keyword;
        page.address = address;
        page.items = {item};
        const QString html = pagemetadata::fill(text, page);
        QFETCH(QStringList, present);
        for (const QString &part : present)
            QVERIFY2(html.contains(part), qPrintable(part + u" in "_qs + html));
        QFETCH(QStringList, absent);
        for (const QString &part : absent)
            QVERIFY2(!html.contains(part), qPrintable(part + u" in "_qs + html));
        QVERIFY(pagemetadata::description(page).size() <= pagemetadata::maxDescription);

        // The structured data is one element whose JSON reads back as the item's own text.
        const QString open = u"<script type=\"application/ld+json\">"_qs;
        if (!html.contains(open))
            return;
        QCOMPARE(html.count(u"</script"_qs, Qt::CaseInsensitive), 1);
        const qsizetype start = html.indexOf(open) + open.size();
        const QJsonObject list =
            QJsonDocument::fromJson(html.sliced(start, html.indexOf(u"</script>"_qs) - start).toUtf8())
                .object();
        QCOMPARE(list.value(u"@type"_qs).toString(), u"ItemList"_qs);
        const QJsonObject product = list.value(u"itemListElement"_qs)[0][u"item"_qs].toObject();
        QCOMPARE(product.value(u"name"_qs).toString(), title);
        QCOMPARE(product.value(u"offers"_qs)[u"url"_qs].toString(), item.click_url);
    }
};

QTEST_GUILESS_MAIN(TestPageMetadata)
#include "pagemetadata.moc"
