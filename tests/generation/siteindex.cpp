#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include "gbk.h"
#include "siteindex.h"
#include "testpaths.h"

namespace {

QDateTime runTime()
{
    return QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9), Qt::OffsetFromUTC, 8 * 3600);
}

struct Sitemap
{
    QStringList locs;
    QStringList lastmods;
    QString error;
};

// Reads a sitemap the way a search engine's parser would: namespaced elements, entities decoded.
Sitemap readSitemap(const QByteArray &xml)
{
    Sitemap map;
    QXmlStreamReader reader(xml);
    const QString ns = u"http://www.sitemaps.org/schemas/sitemap/0.9"_qs;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.namespaceUri() != ns)
            map.error = u"element outside the schema: "_qs + reader.name().toString();
        else if (reader.name() == u"loc")
            map.locs << reader.readElementText();
        else if (reader.name() == u"lastmod")
            map.lastmods << reader.readElementText();
    }
    if (reader.hasError())
        map.error = reader.errorString();
    return map;
}

} // namespace

class TestSiteIndex final : public QObject
{
    Q_OBJECT

private slots:
    void indexLinksEveryPageInOrder()
    {
        const QList<siteindex::Page> pages{
            {u"连衣裙"_qs, u"连衣裙_经典网格_140509"_qs, 40, u"http://127.0.0.1:1/img/1.svg"_qs},
            {u"手机"_qs, u"手机_经典网格_140510"_qs, 7, u"https://img.example/2.jpg"_qs},
        };
        const QString page = gbk::decode(siteindex::indexPage(u"夏季"_qs, pages, runTime()));
        QVERIFY(page.startsWith(u"<!DOCTYPE html>"_qs));
        QVERIFY(page.contains(u"<meta charset=\"gbk\">"_qs));
        QVERIFY(page.contains(u"<title>夏季</title>"_qs));
        QVERIFY(page.contains(u"共2个页面"_qs));
        const QRegularExpression link(
            u"<a href=\"([^\"]*)\"><img src=\"([^\"]*)\"[^>]*><span class=\"kw\">([^<]*)"
            u"</span><span class=\"n\">(\\d+)件商品</span>"_qs);
        QStringList found;
        for (auto it = link.globalMatch(page); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            found << m.captured(3) + u'|' + m.captured(4) + u'|' + m.captured(1) + u'|' + m.captured(2);
        }
        QCOMPARE(
            found,
            (QStringList{u"连衣裙|40|%E8%BF%9E%E8%A1%A3%E8%A3%99_%E7%BB%8F%E5%85%B8%E7%BD%91%E6%A0%BC_140509/"
                         u"index.htm|http://127.0.0.1:1/img/1.svg"_qs,
                         u"手机|7|%E6%89%8B%E6%9C%BA_%E7%BB%8F%E5%85%B8%E7%BD%91%E6%A0%BC_140510/index.htm|"
                         u"https://img.example/2.jpg"_qs}));
    }

    void indexEscapesWhatThePagesBring_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("mustContain");
        QTest::addColumn<QString>("mustNotContain");
        QTest::newRow("markup in a keyword")
            << u"<b>裙</b> & \"x\" 'y'"_qs << QString()
            << u"&lt;b&gt;裙&lt;/b&gt; &amp; &quot;x&quot; &#39;y&#39;"_qs << u"<b>裙"_qs;
        QTest::newRow("an ampersand in the picture address")
            << u"裙"_qs << u"http://h/p.jpg?a=1&b=2"_qs << u"src=\"http://h/p.jpg?a=1&amp;b=2\""_qs
            << u"&b=2"_qs;
        QTest::newRow("a quote in the picture address cannot leave the attribute")
            << u"裙"_qs << u"http://h/p.jpg\" onerror=\"alert(1)"_qs << u"class=\"blank\""_qs
            << u"onerror=\""_qs;
        QTest::newRow("a script address is no picture")
            << u"裙"_qs << u"javascript:alert(1)"_qs << u"class=\"blank\""_qs << u"javascript:"_qs;
        QTest::newRow("a local file is no picture")
            << u"裙"_qs << u"file:///etc/passwd"_qs << u"class=\"blank\""_qs << u"file:"_qs;
        QTest::newRow("characters outside GBK survive as references")
            << u"🔥爆款™"_qs << QString() << u"&#x1F525;爆款&#x2122;"_qs << u"?"_qs;
    }
    void indexEscapesWhatThePagesBring()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, picture);
        QFETCH(QString, mustContain);
        QFETCH(QString, mustNotContain);
        const QByteArray bytes = siteindex::indexPage(u"站"_qs, {{keyword, u"f"_qs, 3, picture}}, runTime());
        const QString page = gbk::decode(bytes);
        QVERIFY2(page.contains(mustContain), qPrintable(page));
        const QString body = page.sliced(page.indexOf(u"<ul>"_qs));
        QVERIFY2(!body.contains(mustNotContain), qPrintable(body));

        // A template's own index escapes the same, and shows no marker.
        const QString themed = gbk::decode(siteindex::indexPage(
            u"站"_qs, {{keyword, u"f"_qs, 3, picture, {}, u"9.9"_qs}}, runTime(), charsets::PageEncoding::Gbk,
            u"<meta charset=\"utf-8\"><title>[#站点名称#]</title>[#商品循环开始#]<a href=\"[#页面地址#]\">"
            u"<img src=\"[#商品图片地址#]\">[#关键词#] [#商品价格#] [#商品数量#]</a>[#商品循环结束#]"_qs));
        QVERIFY2(themed.startsWith(u"<meta charset=\"gbk\"><title>站</title><a href=\"f/index.htm\">"_qs),
                 qPrintable(themed));
        QVERIFY2(themed.endsWith(u" 9.9 3</a>"_qs) && !themed.contains(u"[#"_qs), qPrintable(themed));
        QVERIFY2(!themed.contains(mustNotContain), qPrintable(themed));
    }

    // Each slip named for what it is; a password would be published in sitemap.xml.
    void baseAddress_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("base");    // empty: refused
        QTest::addColumn<QString>("refusal"); // part of the message
        const QString http = u"必须是以http://或https://开头"_qs;
        const QString credentials = u"不能带有用户名或密码"_qs;
        const QString port = u"端口无效"_qs;
        QTest::newRow("slash added") << u"https://example.com"_qs << u"https://example.com/"_qs << QString();
        QTest::newRow("folder kept") << u"http://example.com/shop/"_qs << u"http://example.com/shop/"_qs
                                     << QString();
        QTest::newRow("blanks around")
            << u"  https://example.com/a  "_qs << u"https://example.com/a/"_qs << QString();
        QTest::newRow("Chinese path encoded")
            << u"https://example.com/夏季/"_qs << u"https://example.com/%E5%A4%8F%E5%AD%A3/"_qs << QString();
        QTest::newRow("Chinese host as punycode")
            << u"http://例子.中国/"_qs << u"http://xn--fsqu00a.xn--fiqs8s/"_qs << QString();
        QTest::newRow("port kept") << u"http://[::1]:8080/a@b/"_qs << u"http://[::1]:8080/a@b/"_qs
                                   << QString();
        QTest::newRow("not a web address") << u"ftp://example.com/"_qs << QString() << http;
        QTest::newRow("relative") << u"example.com/"_qs << QString() << http;
        QTest::newRow("query") << u"https://example.com/?a=1"_qs << QString() << u"查询参数"_qs;
        QTest::newRow("fragment") << u"https://example.com/#top"_qs << QString() << u"锚点"_qs;
        QTest::newRow("empty") << QString() << QString() << http;
        QTest::newRow("user and password") << u"https://me:pw@example.com/"_qs << QString() << credentials;
        QTest::newRow("user only") << u"http://me@example.com"_qs << QString() << credentials;
        QTest::newRow("blank inside") << u"https://exa mple.com/"_qs << QString() << u"不能含有空格"_qs;
        QTest::newRow("port not a number") << u"https://example.com:80a/"_qs << QString() << port;
        QTest::newRow("port out of range") << u"http://example.com:70000/"_qs << QString() << port;
        QTest::newRow("no host") << u"http:///shop/"_qs << QString() << u"不是有效的网址"_qs;
    }
    void baseAddress()
    {
        QFETCH(QString, text);
        QFETCH(QString, base);
        QFETCH(QString, refusal);
        QString error;
        QCOMPARE(siteindex::baseAddress(text, &error), base);
        QCOMPARE(error.isEmpty(), !base.isEmpty());
        QVERIFY2(error.contains(refusal), qPrintable(error));
    }

    void sitemapIsWellFormedAndEscaped()
    {
        const QString base = siteindex::baseAddress(u"https://example.com/a&b's/"_qs);
        const QList<siteindex::Page> pages{
            {u"连衣裙"_qs, u"连衣裙_经典网格_140509"_qs, 40, QString()},
            {u"A&B <1> \"q\" 'a'"_qs, u"A&B <1> _q_ 'a'_经典网格_140509"_qs, 2, QString()},
        };
        const QByteArray xml = siteindex::sitemap(base, pages, runTime());
        QVERIFY(xml.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        // No raw ampersand, quote or apostrophe in any text: all five are entities in a sitemap.
        const QString text = QString::fromUtf8(xml);
        QVERIFY2(
            !QRegularExpression(u"<loc>[^<]*(&(?!amp;|apos;|quot;|lt;|gt;)|['\"])"_qs).match(text).hasMatch(),
            xml.constData());

        const Sitemap map = readSitemap(xml);
        QVERIFY2(map.error.isEmpty(), qPrintable(map.error));
        QCOMPARE(
            map.locs,
            (QStringList{
                base + u"index.htm"_qs,
                base +
                    u"%E8%BF%9E%E8%A1%A3%E8%A3%99_%E7%BB%8F%E5%85%B8%E7%BD%91%E6%A0%BC_140509/index.htm"_qs,
                base + u"A%26B%20%3C1%3E%20_q_%20%27a%27_%E7%BB%8F%E5%85%B8%E7%BD%91%E6%A0%BC_140509/"
                       u"index.htm"_qs}));
        for (const QString &loc : map.locs)
            QVERIFY2(QUrl(loc, QUrl::StrictMode).isValid(), qPrintable(loc));
        QCOMPARE(map.lastmods, QStringList(3, u"2026-12-07T14:05:09+08:00"_qs));

        // The sitemap protocol's own schema agrees, where xmllint is installed.
        const QString xmllint = QStandardPaths::findExecutable(u"xmllint"_qs);
        if (xmllint.isEmpty())
            QSKIP("xmllint is not installed (Debian: libxml2-utils)");
        QTemporaryDir dir;
        QFile file(dir.filePath(u"sitemap.xml"_qs));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(xml) == xml.size());
        file.close();
        QProcess lint;
        lint.start(xmllint,
                   {u"--noout"_qs, u"--schema"_qs,
                    QStringLiteral(TAOYEFANG_TEST_DATA_DIR "/sitemap/sitemap.xsd"), file.fileName()});
        QVERIFY(lint.waitForFinished(60000));
        QVERIFY2(lint.exitStatus() == QProcess::NormalExit && lint.exitCode() == 0,
                 lint.readAllStandardError().constData());
    }
};

QTEST_GUILESS_MAIN(TestSiteIndex)
#include "siteindex.moc"
