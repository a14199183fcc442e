#include <QDirIterator>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include "demofixture.h"
#include "gbk.h"
#include "formbody.h"
#include "inifile.h"
#include "pageaddress.h"
#include "pageitems.h"
#include "wholefile.h"
#include "site.h"

namespace {

// Every file below `folder` with its modification time, as paths relative to it.
QMap<QString, QDateTime> filesWithTimes(const QString &folder)
{
    QMap<QString, QDateTime> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files.insert(QDir(folder).relativeFilePath(it.filePath()), it.fileInfo().lastModified());
    }
    return files;
}

bool writeList(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

} // namespace

class TestSites final : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DemoFixture> m_demo;
    AppSetup m_setup;
    int m_minutes = 0;

    sites::RefreshSummary refresh(const QString &folder)
    {
        sites::Refresh run(m_setup, folder, 2);
        return run.exec();
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_demo = std::make_unique<DemoFixture>();
        QVERIFY(m_demo->listen());
        const QString program = m_dir->filePath(u"程序"_qs);
        QVERIFY(programfolder::make(program, m_demo->host()));
        m_setup = AppSetup::inProgramFolder(program);
        m_setup.hosts = {m_demo->host(), m_demo->host(), m_demo->host()};
        // A clock a minute on at every reading, so a page's change time tells which refresh made it.
        m_setup.now = [this] {
            return QDateTime(QDate(2026, 12, 7), QTime(9, 0), QTimeZone(8 * 3600)).addSecs(60 * m_minutes++);
        };
    }

    void pageAddresses_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("address");
        QTest::newRow("pinyin") << u"连衣裙"_qs << QStringList() << u"lian-yi-qun"_qs;
        QTest::newRow("latin, digits and signs")
            << u"iPhone 15 Pro 手机壳!!"_qs << QStringList() << u"iphone-15-pro-shou-ji-ke"_qs;
        QTest::newRow("accents and full width") << u"Café ＡＢＣ"_qs << QStringList() << u"cafe-abc"_qs;
        QTest::newRow("a clash") << u"连衣裙"_qs << QStringList{u"lian-yi-qun"_qs, u"lian-yi-qun-2"_qs}
                                 << u"lian-yi-qun-3"_qs;
        QTest::newRow("nothing left") << u"！？…"_qs << QStringList{u"p-1"_qs} << u"p-2"_qs;
        QTest::newRow("cut at 60") << QString(40, u'裙') << QStringList() << u"qun-"_qs.repeated(15).left(59);
    }
    void pageAddresses()
    {
        QFETCH(QString, keyword);
        QFETCH(QStringList, taken);
        const QString address = pageaddress::freeName(keyword, QSet<QString>(taken.begin(), taken.end()));
        QTEST(address, "address");
        QVERIFY(pageaddress::isPageAddress(address));
        QVERIFY(!pageaddress::isPageAddress(u"../x"_qs) && !pageaddress::isPageAddress(u"a/b"_qs));
    }

    // Addresses stay through refreshes and list edits; only what changed is written; a keyword
    // that fails keeps its page; www/ holds the site and nothing else.
    void refreshInPlace()
    {
        siteconfig::Site site;
        site.name = u"夏季"_qs;
        site.templateName = u"经典网格"_qs;
        site.count = u"3"_qs;
        site.pid = u"30571968"_qs;
        site.baseUrl = u"https://example.com/xia/"_qs;
        QString error;
        const QString folder = sites::create(sites::sitesRoot(m_setup.outputRoot), site,
                                             u"连衣裙\n手机\n鞋\n"_qs.toUtf8(), &error);
        QVERIFY2(!folder.isEmpty(), qPrintable(error));
        QCOMPARE(sites::create(sites::sitesRoot(m_setup.outputRoot), site, "x", &error), QString());
        const sites::Paths paths(folder);

        sites::RefreshSummary made = refresh(folder);
        QVERIFY2(made.allDone(), qPrintable(made.error));
        QCOMPARE(made.pagesChanged, 3);
        const QMap<QString, QDateTime> first = filesWithTimes(paths.www);

        // UTF-8 by default: each text file of www/ is UTF-8 and says so; a page names its address
        // and the index has the template's own look.
        for (const QString &name :
             {u"index.htm"_qs, u"lian-yi-qun/index.htm"_qs, u"lian-yi-qun/style.css"_qs}) {
            const QByteArray bytes = programfolder::readBytes(paths.www + u'/' + name);
            QStringDecoder utf8(QStringDecoder::Utf8);
            const QString text = utf8.decode(bytes);
            QVERIFY2(!utf8.hasError(), qPrintable(name));
            QVERIFY2(text.contains(u"charset=\"utf-8\""_qs) || text.contains(u"@charset \"utf-8\""_qs),
                     qPrintable(name));
        }
        const QString page =
            QString::fromUtf8(programfolder::readBytes(paths.www + u"/lian-yi-qun/index.htm"_qs));
        QVERIFY(page.contains(
            u"<link rel=\"canonical\" href=\"https://example.com/xia/lian-yi-qun/index.htm\">"_qs));
        QVERIFY(page.contains(u"\"@type\":\"ItemList\""_qs) && !page.contains(u"[#"_qs));
        QVERIFY(QString::fromUtf8(programfolder::readBytes(paths.www + u"/index.htm"_qs))
                    .contains(u"<title>夏季 - 精选馆</title>"_qs));

        // Nothing changed: nothing written.
        const sites::RefreshSummary again = refresh(folder);
        QCOMPARE(again.pagesUnchanged, 3);
        QCOMPARE(again.filesWritten, 0);
        QCOMPARE(filesWithTimes(paths.www), first);

        // One page changes, one keyword fails, one line is refused and one keyword comes.
        QVERIFY(writeList(paths.keywords, u"# 夏季\n连衣裙\t5\n手机\n裙子\n鞋\t1\n"_qs));
        m_demo->failingKeywords = {u"手机"_qs};
        const sites::RefreshSummary edited = refresh(folder);
        QCOMPARE(edited.failed.size(), 1);
        QCOMPARE(edited.failed.first().entry.keyword, u"手机"_qs);
        QCOMPARE(edited.pagesChanged, 2);
        QCOMPARE(edited.notices.size(), 1); // 鞋's line, whose count is refused, keeps its page
        QCOMPARE(edited.pagesRemoved, 0);
        QCOMPARE(
            QDir(paths.www).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
            QStringList({u"index.htm"_qs, u"lian-yi-qun"_qs, u"qun-zi"_qs, u"shou-ji"_qs, u"sitemap.xml"_qs,
                         u"xie"_qs}));
        // Taken off the list, a keyword loses its page.
        QVERIFY(writeList(paths.keywords, u"# 夏季\n连衣裙\t5\n手机\n裙子\n"_qs));
        QCOMPARE(refresh(folder).pagesRemoved, 1);
        QVERIFY(!QFileInfo::exists(paths.www + u"/xie"_qs));
        const QMap<QString, QDateTime> now = filesWithTimes(paths.www);
        QCOMPARE(now.value(u"shou-ji/index.htm"_qs), first.value(u"shou-ji/index.htm"_qs));
        QCOMPARE(now.value(u"lian-yi-qun/style.css"_qs), first.value(u"lian-yi-qun/style.css"_qs));
        QVERIFY(programfolder::readBytes(paths.www + u"/lian-yi-qun/index.htm"_qs).count("class=\"item") !=
                    programfolder::readBytes(paths.www + u"/shou-ji/index.htm"_qs).count("class=\"item") ||
                now.value(u"lian-yi-qun/index.htm"_qs) != first.value(u"lian-yi-qun/index.htm"_qs));

        // The settings keep each address, in the list's order, and the sitemap dates each page by
        // its own last change.
        const std::optional<siteconfig::Site> kept = siteconfig::read(paths.config);
        QVERIFY(kept);
        QStringList addresses;
        for (const siteconfig::PageRecord &page : kept->pages)
            addresses << page.keyword + u'=' + page.folder;
        QCOMPARE(addresses, QStringList({u"连衣裙=lian-yi-qun"_qs, u"手机=shou-ji"_qs, u"裙子=qun-zi"_qs}));
        QVERIFY(kept->page(u"手机"_qs)->changed < kept->page(u"连衣裙"_qs)->changed);
        const QByteArray sitemap = programfolder::readBytes(paths.www + u"/sitemap.xml"_qs);
        const QByteArray dated = "shou-ji/index.htm</loc>\n    <lastmod>" +
                                 kept->page(u"手机"_qs)->changed.toString(Qt::ISODate).toLatin1();
        QVERIFY(sitemap.contains(dated));
        QVERIFY(!QFileInfo::exists(paths.staging));

        // A host that needs GBK ("编码=GBK") gets its pages in GBK, saying so.
        std::optional<siteconfig::Site> inGbk = siteconfig::read(paths.config);
        inGbk->encoding = charsets::PageEncoding::Gbk;
        QVERIFY(siteconfig::write(paths.config, *inGbk));
        QVERIFY(refresh(folder).error.isEmpty());
        const QByteArray gbkPage = programfolder::readBytes(paths.www + u"/qun-zi/index.htm"_qs);
        QVERIFY(gbkPage.contains("<meta charset=\"gbk\">") && gbk::decode(gbkPage).contains(u"裙子"_qs));
    }

    // A gateway that mints new links and 淘口令 on every call: a refresh with nothing changed
    // searches once per keyword and writes nothing; every call carries the site's own ad zone; each
    // page's items are on record; a hand edit that fails its check refreshes nothing.
    void quietAgainstMintingGateway()
    {
        m_demo->service().setFreshLinks(true);
        m_demo->service().setClock([this] {
            return QDateTime(QDate(2026, 12, 7), QTime(9, 0), QTimeZone(8 * 3600)).addSecs(60 * m_minutes);
        });
        m_setup.source = itemsource::Source::OpenPlatform;
        m_setup.openPlatform.gateway = u"http://"_qs + m_demo->host() + u"/router/rest"_qs;
        m_setup.openPlatform.appKey = u"demo-app"_qs;
        m_setup.openPlatform.appSecret = u"demo-secret"_qs;
        siteconfig::Site site;
        site.name = u"有券"_qs;
        site.templateName = u"经典网格"_qs;
        site.count = u"6"_qs;
        site.pid = u"mm_1_2_777"_qs;
        site.shortLinks = site.tokens = true;
        const QString folder = sites::create(sites::sitesRoot(m_setup.outputRoot), site,
                                             u"连衣裙\n手机\n鞋\n"_qs.toUtf8(), nullptr);
        QVERIFY(!folder.isEmpty());
        QVERIFY(refresh(folder).allDone());
        const QMap<QString, int> made = m_demo->service().calls();
        QVERIFY(made.value(u"taobao.tbk.tpwd.create"_qs) > 3 && made.value(u"short link"_qs) > 3);
        for (const httpkit::Request &request : m_demo->requests()) {
            const QString form = demo::decodeText(demo::percentDecode(request.body, true));
            QVERIFY2(form.contains(u"adzone_id=777"_qs), qPrintable(form));
        }

        m_demo->service().resetCalls();
        const sites::RefreshSummary again = refresh(folder);
        QVERIFY(again.allDone());
        QCOMPARE(again.filesWritten, 0);
        QCOMPARE(m_demo->service().calls(),
                 (QMap<QString, int>{{u"taobao.tbk.dg.material.optional.upgrade"_qs, 3}}));

        const pageitems::Record shown = pageitems::read(folder);
        const std::optional<siteconfig::Site> kept = siteconfig::read(sites::Paths(folder).config);
        QCOMPARE(shown.size(), 3);
        for (const siteconfig::PageRecord &page : kept->pages) {
            const QStringList ids = shown.value(page.folder).current;
            QCOMPARE(ids.size(), page.itemCount);
            QCOMPARE(QSet<QString>(ids.begin(), ids.end()).size(), ids.size());
        }

        QMap<QString, QDateTime> files = filesWithTimes(folder);
        QByteArray config = programfolder::readBytes(sites::Paths(folder).config);
        config = *inifile::store(config, u"站点"_qs, u"价格区间"_qs, u"300-30"_qs);
        QVERIFY(writeWholeFile(sites::Paths(folder).config, config));
        const sites::RefreshSummary refused = refresh(folder);
        QVERIFY2(refused.error.contains(u"“300-30”"_qs), qPrintable(refused.error));
        QCOMPARE(programfolder::readBytes(sites::Paths(folder).config), config);
        QMap<QString, QDateTime> after = filesWithTimes(folder);
        after.remove(u"站点.ini"_qs);
        files.remove(u"站点.ini"_qs);
        QCOMPARE(after, files);
    }
};

QTEST_GUILESS_MAIN(TestSites)
#include "sites.moc"
