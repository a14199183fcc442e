#include <QDirIterator>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <sys/stat.h>

#include "demofixture.h"
#include "fulldisk.h"
#include "gbk.h"
#include "formbody.h"
#include "inifile.h"
#include "pageaddress.h"
#include "pagesync.h"
#include "pageitems.h"
#include "wholefile.h"
#include "site.h"
#include "wholefile.h"

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

// Each page folder's index.htm, by folder: what a reader of the site gets.
QMap<QString, QByteArray> pagesOf(const QString &www)
{
    QMap<QString, QByteArray> pages;
    for (const QString &folder : QDir(www).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        pages.insert(folder, programfolder::readBytes(www + u'/' + folder + u"/index.htm"_qs));
    return pages;
}

// "keyword=folder" for each record of the site.
QStringList recordsOf(const QString &config)
{
    QStringList records;
    for (const siteconfig::PageRecord &page : siteconfig::read(config).value_or(siteconfig::Site()).pages)
        records << page.keyword + u'=' + page.folder;
    return records;
}

} // namespace

class TestSites final : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DemoFixture> m_demo;
    AppSetup m_setup;
    int m_minutes = 0;

    sites::RefreshSummary refresh(const QString &folder, bool allowRemoval = false)
    {
        sites::Refresh run(m_setup, folder, 2);
        run.allowRemoval(allowRemoval);
        return run.exec();
    }

    // A site of `keywords`, refreshed once.
    QString madeSite(const QString &keywords)
    {
        siteconfig::Site site;
        site.name = u"秋季"_qs;
        site.templateName = u"经典网格"_qs;
        site.pid = u"30571968"_qs;
        site.count = u"3"_qs;
        QString error;
        const QString folder =
            sites::create(sites::sitesRoot(m_setup.outputRoot), site, keywords.toUtf8(), &error);
        const sites::RefreshSummary made = folder.isEmpty() ? sites::RefreshSummary() : refresh(folder);
        if (!made.allDone() || made.pagesChanged == 0) {
            return QString();
        }
        return folder;
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

    // A file that claims more pages than it holds is read for what it holds, and of two records
    // that share a folder the second is dropped.
    void siteFile()
    {
        const QString path = m_dir->filePath(u"站点.ini"_qs);
        QVERIFY(
            writeWholeFile(path, gbk::encode(u"[站点]\n名称=x\n页数=2000000000\n[页面1]\n关键词=a\n地址=a\n"
                                             u"[页面2]\n关键词=b\n地址=a\n[页面3]\n关键词=c\n地址=c\n"_qs)));
        QCOMPARE(recordsOf(path), (QStringList{u"a=a"_qs, u"c=c"_qs}));
    }

    // A keyword in quotes keeps its record, and its page when it fails; also in a file written
    // before values were quoted, where it reads back without them.
    void quotedKeyword_data()
    {
        QTest::addColumn<bool>("unquotedFile");
        QTest::newRow("written now") << false;
        QTest::newRow("written before values were quoted") << true;
    }
    void quotedKeyword()
    {
        QFETCH(bool, unquotedFile);
        const QString folder = madeSite(u"手机\n连衣裙\n"_qs);
        QVERIFY(!folder.isEmpty());
        const sites::Paths paths(folder);
        std::optional<siteconfig::Site> site = siteconfig::read(paths.config);
        site->pages[0].keyword = u"\"手机\""_qs;
        QVERIFY(siteconfig::write(paths.config, *site));
        if (unquotedFile)
            QVERIFY(writeWholeFile(
                paths.config, programfolder::readBytes(paths.config)
                                  .replace(gbk::encode(u"=\"\"手机\"\""_qs), gbk::encode(u"=\"手机\""_qs))));
        QVERIFY(writeList(paths.keywords, u"\"手机\"\n连衣裙\n"_qs));
        const QMap<QString, QByteArray> before = pagesOf(paths.www);
        m_demo->failingKeywords = {u"\"手机\""_qs};
        const sites::RefreshSummary failed = refresh(folder);
        QCOMPARE(failed.failed.size(), 1);
        QCOMPARE(failed.pagesRemoved, 0);
        QCOMPARE(pagesOf(paths.www), before);
        QCOMPARE(recordsOf(paths.config), (QStringList{u"\"手机\"=shou-ji"_qs, u"连衣裙=lian-yi-qun"_qs}));
    }

    // One writer per site: a second refresh (or publish) while one runs is refused and names the
    // holder; every page is whole afterwards and the lock is free again.
    void oneWriter()
    {
        const QString folder = madeSite(u"连衣裙\n手机\n鞋\n"_qs);
        QVERIFY(!folder.isEmpty());
        const sites::Paths paths(folder);
        QVERIFY(writeList(paths.keywords, u"连衣裙\t5\n手机\t5\n鞋\t5\n"_qs));
        sites::Refresh first(m_setup, folder, 1);
        QVERIFY(first.start());
        sites::Refresh second(m_setup, folder, 1);
        QVERIFY(!second.start());
        QVERIFY2(second.summary().error.contains(QString::number(QCoreApplication::applicationPid())),
                 qPrintable(second.summary().error));
        QVERIFY(!sites::SiteLock(folder).isLocked());
        QVERIFY(first.exec().allDone());
        QCOMPARE(first.summary().pagesChanged, 3);
        for (const QByteArray &page : pagesOf(paths.www))
            QCOMPARE(page.count("class=\"goods\""), 5);
        QVERIFY(sites::SiteLock(folder).isLocked());
    }

    // Links where a page, the staging folder, the index or 站点.ini should be are removed as links:
    // nothing is written or deleted where they point. The keyword list is read only when it is a
    // regular file (an empty target: a FIFO).
    void hostileFolder_data()
    {
        QTest::addColumn<QString>("link"); // relative to the site folder
        QTest::addColumn<QString>("target");
        QTest::newRow("a page folder") << u"www/shou-ji"_qs << u"outside"_qs;
        QTest::newRow("a staging folder of another run") << u".暂存-abc123"_qs << u"outside"_qs;
        QTest::newRow("the index") << u"www/index.htm"_qs << u"outside/file"_qs;
        QTest::newRow("the site's settings") << u"站点.ini"_qs << u"outside/file"_qs;
        QTest::newRow("a keyword list that never ends") << u"关键词.txt"_qs << u"/dev/zero"_qs;
        QTest::newRow("a keyword list that is a FIFO") << u"关键词.txt"_qs << QString();
    }
    void hostileFolder()
    {
        QFETCH(QString, link);
        QFETCH(QString, target);
        const QString folder = madeSite(u"连衣裙\n手机\n"_qs);
        QVERIFY(!folder.isEmpty());
        const sites::Paths paths(folder);
        QVERIFY(writeList(paths.keywords, u"连衣裙\t4\n手机\t4\n"_qs));
        const QString outside = m_dir->filePath(u"outside"_qs);
        const QString at = folder + u'/' + link;
        // What the file at the link held goes outside (站点.ini must still be readable there).
        const QByteArray precious = link == u"站点.ini" ? programfolder::readBytes(at) : "precious";
        QVERIFY(QDir().mkpath(outside + u"/sub"_qs) &&
                writeWholeFile(outside + u"/sub/keep.txt"_qs, "kept") &&
                writeWholeFile(outside + u"/file"_qs, precious) && pagesync::removeTree(at));
        if (target.isEmpty())
            QCOMPARE(::mkfifo(QFile::encodeName(at).constData(), 0600), 0);
        else
            QVERIFY(QFile::link(target.startsWith(u'/') ? target : m_dir->filePath(target), at));

        const sites::RefreshSummary done = refresh(folder);
        const bool refreshes = !target.isEmpty() && !target.startsWith(u'/');
        QVERIFY2(done.error.isEmpty() == refreshes, qPrintable(done.error));
        QCOMPARE(programfolder::readBytes(outside + u"/sub/keep.txt"_qs), QByteArray("kept"));
        QCOMPARE(programfolder::readBytes(outside + u"/file"_qs), precious);
        if (refreshes) {
            QVERIFY(!QFileInfo(at).isSymLink());
            for (const QByteArray &page : pagesOf(paths.www))
                QCOMPARE(page.count("class=\"goods\""), 4);
        }
    }

    // A damaged or cut list does not take the site down: a stray byte is a damaged line, and a
    // list that would take most pages off is refused unless allowed.
    void listChanges_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<bool>("allow");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("notices");
        QTest::newRow("a stray byte in a comment")
            << QByteArray("连衣裙\n手机\n鞋\n裙子\n# note \xe2\x80\n") << false << 0 << 1;
        QTest::newRow("a stray byte in a keyword")
            << QByteArray("连衣裙\n手机\n鞋\xff\n裙子\n") << false << 0 << 1;
        QTest::newRow("most pages") << QByteArray("连衣裙\n") << false << -1 << 0;
        QTest::newRow("most pages, allowed") << QByteArray("连衣裙\n") << true << 3 << 0;
    }
    void listChanges()
    {
        QFETCH(QByteArray, list);
        QFETCH(bool, allow);
        QFETCH(int, removed);
        const QString folder = madeSite(u"连衣裙\n手机\n鞋\n裙子\n"_qs);
        QVERIFY(!folder.isEmpty());
        const sites::Paths paths(folder);
        const QMap<QString, QByteArray> before = pagesOf(paths.www);
        const QByteArray config = programfolder::readBytes(paths.config);
        QVERIFY(writeWholeFile(paths.keywords, list));
        const sites::RefreshSummary done = refresh(folder, allow);
        QTEST(int(done.notices.size()), "notices");
        if (removed < 0) {
            QCOMPARE(done.wouldRemove, 3);
            QVERIFY(!done.error.isEmpty());
            QCOMPARE(pagesOf(paths.www), before);
            QCOMPARE(programfolder::readBytes(paths.config), config);
        } else {
            QVERIFY2(done.error.isEmpty(), qPrintable(done.error));
            QCOMPARE(done.pagesRemoved, removed);
            QCOMPARE(pagesOf(paths.www).size(), before.size() - removed);
        }
    }

    // The user's files in a page folder stay, are named, and do not make the page changed.
    void userFiles()
    {
        const QString folder = madeSite(u"连衣裙\n手机\n"_qs);
        QVERIFY(!folder.isEmpty());
        const sites::Paths paths(folder);
        QVERIFY(QDir().mkpath(paths.www + u"/shou-ji/mine"_qs));
        QVERIFY(writeWholeFile(paths.www + u"/shou-ji/mine/extra.html"_qs, "mine"));
        const sites::RefreshSummary same = refresh(folder);
        QCOMPARE(same.pagesUnchanged, 2);
        QCOMPARE(same.kept, QStringList{u"shou-ji/mine/extra.html"_qs});
        QVERIFY(writeList(paths.keywords, u"连衣裙\n手机\t5\n"_qs));
        const sites::RefreshSummary changed = refresh(folder);
        QCOMPARE(changed.pagesChanged, 1);
        QCOMPARE(changed.kept, same.kept);
        QCOMPARE(programfolder::readBytes(paths.www + u"/shou-ji/mine/extra.html"_qs), QByteArray("mine"));
        QCOMPARE(programfolder::readBytes(paths.www + u"/shou-ji/index.htm"_qs).count("class=\"goods\""), 5);
    }

    // A file the page no longer has goes when the program wrote it and stays, named, when the user
    // did; a site from before the record of written files keeps everything once, then behaves.
    void pageFiles_data()
    {
        QTest::addColumn<bool>("recorded");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("left"); // in shou-ji/ afterwards
        QTest::addColumn<QStringList>("kept");
        const QStringList page{u"images"_qs, u"index.htm"_qs, u"preview"_qs, u"style.css"_qs};
        QTest::newRow("a file the template dropped goes, the user's stays")
            << true << u"连衣裙\n手机\n"_qs << page + QStringList{u"mine.txt"_qs}
            << QStringList{u"shou-ji/mine.txt"_qs};
        QTest::newRow("a site without the record keeps everything once")
            << false << u"连衣裙\n手机\n"_qs << page + QStringList{u"mine.txt"_qs, u"old.css"_qs}
            << QStringList{u"lian-yi-qun/old.css"_qs, u"shou-ji/mine.txt"_qs, u"shou-ji/old.css"_qs};
        QTest::newRow("a page taken off keeps only the user's files")
            << true << u"连衣裙\n"_qs << QStringList{u"mine.txt"_qs} << QStringList{u"shou-ji/mine.txt"_qs};
    }
    void pageFiles()
    {
        QFETCH(bool, recorded);
        QFETCH(QString, list);
        QFETCH(QStringList, left);
        left.sort();
        const QString templateFolder = m_setup.templateRoot + u"经典网格/"_qs;
        QVERIFY(writeWholeFile(templateFolder + u"old.css"_qs, "p{}"));
        const QString folder = madeSite(u"连衣裙\n手机\n"_qs);
        QVERIFY(!folder.isEmpty());
        const sites::Paths paths(folder);
        const QString record = folder + u"/页面文件.json"_qs;
        QVERIFY(QFileInfo::exists(paths.www + u"/shou-ji/old.css"_qs));
        QVERIFY(writeWholeFile(paths.www + u"/shou-ji/mine.txt"_qs, "mine"));
        QVERIFY(recorded || QFile::remove(record));
        QVERIFY(QFile::remove(templateFolder + u"old.css"_qs) && writeList(paths.keywords, list));
        sites::RefreshSummary done = refresh(folder, true);
        QVERIFY2(done.allDone(), qPrintable(done.error));
        done.kept.sort();
        QTEST(done.kept, "kept");
        QCOMPARE(QDir(paths.www + u"/shou-ji"_qs).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), left);

        // From now on the record is there: a file the template gains and drops again goes.
        QVERIFY(writeWholeFile(templateFolder + u"new.css"_qs, "p{}"));
        QVERIFY(refresh(folder).allDone());
        QVERIFY(QFileInfo::exists(paths.www + u"/lian-yi-qun/new.css"_qs));
        QVERIFY(QFile::remove(templateFolder + u"new.css"_qs));
        QVERIFY(!refresh(folder).kept.join(u' ').contains(u"new.css"_qs));
        QVERIFY(!QFileInfo::exists(paths.www + u"/lian-yi-qun/new.css"_qs));
        // Nothing changed: neither a page nor the record is written.
        const QDateTime recordTime = QFileInfo(record).lastModified();
        QCOMPARE(refresh(folder).filesWritten, 0);
        QCOMPARE(QFileInfo(record).lastModified(), recordTime);
    }

    // A disk that fills up leaves every page and its record as they were.
    void fullDisk()
    {
        const QString folder = madeSite(u"连衣裙\n手机\n"_qs);
        QVERIFY(!folder.isEmpty());
        const sites::Paths paths(folder);
        const QMap<QString, QByteArray> before = pagesOf(paths.www);
        const QByteArray config = programfolder::readBytes(paths.config);
        QVERIFY(writeList(paths.keywords, u"连衣裙\t6\n手机\t6\n"_qs));
        sites::RefreshSummary done;
        {
            const FileSizeLimit limit(qint64(config.size()) - 1);
            if (!limit.active())
                QSKIP("no file size limit here");
            done = refresh(folder);
        }
        QVERIFY(!done.allDone());
        QCOMPARE(pagesOf(paths.www), before);
        QCOMPARE(programfolder::readBytes(paths.config), config);
    }

    // Pages whose record was not written (站点.ini could not be) are taken back by the next refresh
    // rather than left beside a second page of the same keyword.
    void orphanTakenBack()
    {
        const QString folder = madeSite(u"连衣裙\n"_qs);
        QVERIFY(!folder.isEmpty());
        const sites::Paths paths(folder);
        const QByteArray config = programfolder::readBytes(paths.config);
        QVERIFY(writeList(paths.keywords, u"连衣裙\n手机\n"_qs));
        sites::Refresh blocked(m_setup, folder, 1);
        QVERIFY(blocked.start());
        QVERIFY(QFile::remove(paths.config) && QDir().mkdir(paths.config));
        QCOMPARE(blocked.exec().error.isEmpty(), false);
        QVERIFY(QFileInfo::exists(paths.www + u"/shou-ji/index.htm"_qs));
        QVERIFY(QDir(paths.config).removeRecursively() && writeWholeFile(paths.config, config));
        QVERIFY(refresh(folder).allDone());
        QCOMPARE(recordsOf(paths.config), (QStringList{u"连衣裙=lian-yi-qun"_qs, u"手机=shou-ji"_qs}));
        QCOMPARE(QDir(paths.www).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 (QStringList{u"lian-yi-qun"_qs, u"shou-ji"_qs}));
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
