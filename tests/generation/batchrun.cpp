#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>

#include "batchrun.h"
#include "callgate.h"
#include "demofixture.h"
#include "eventwait.h"
#include "gbk.h"
#include "openplatform/topcall.h"

namespace {

const QString failing = u"故障词"_qs;

QDateTime pinnedTime()
{
    return QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
}

QList<keywordfile::Entry> entries(const QStringList &keywords)
{
    QList<keywordfile::Entry> list;
    int line = 0;
    for (const QString &keyword : keywords)
        list.append({keyword, QString(), QString(), ++line});
    return list;
}

QStringList keywordsOf(const QList<PageResult> &results)
{
    QStringList keywords;
    for (const PageResult &result : results)
        keywords << result.entry.keyword;
    return keywords;
}

// The pages the index links to, as paths relative to the site folder, in the order shown.
QStringList indexLinks(const QString &indexFile)
{
    const QString page = gbk::decode(programfolder::readBytes(indexFile));
    QStringList links;
    const QRegularExpression href(u"<a href=\"([^\"]+)\""_qs);
    for (auto it = href.globalMatch(page); it.hasNext();)
        links << QUrl::fromPercentEncoding(it.next().captured(1).toLatin1());
    return links;
}

} // namespace

class TestBatchRun final : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DemoFixture> m_demo;
    AppSetup m_setup;

    BatchSettings settings(int jobs = 1) const
    {
        BatchSettings s;
        s.templateName = u"经典网格"_qs;
        s.count = u"3"_qs;
        s.pid = u"30571968"_qs;
        s.siteName = u"夏季"_qs;
        s.jobs = jobs;
        return s;
    }

    QString outputRoot() const { return m_setup.outputRoot; }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_demo = std::make_unique<DemoFixture>();
        m_demo->failingKeywords = {failing};
        QVERIFY(m_demo->listen());
        const QString program = m_dir->filePath(u"程序"_qs);
        QVERIFY(programfolder::make(program, m_demo->host()));
        m_setup = AppSetup::inProgramFolder(program);
        m_setup.hosts = {m_demo->host(), m_demo->host(), m_demo->host()};
        m_setup.now = pinnedTime;
    }

    void oneFailingKeyword_data()
    {
        QTest::addColumn<int>("jobs");
        QTest::newRow("one job") << 1;
        QTest::newRow("three jobs") << 3;
    }
    void oneFailingKeyword()
    {
        QFETCH(int, jobs);
        QList<keywordfile::Entry> list = entries({u"连衣裙"_qs, failing, u"手机"_qs, u"鞋"_qs});
        list[2].count = u"5"_qs;
        list[3].templateName = u"手机精选"_qs;
        BatchSettings s = settings(jobs);
        s.baseUrl = u"https://example.com/夏季"_qs;
        BatchRun run(m_setup, s, list);
        QSignalSpy progress(&run, &BatchRun::keywordFinished);
        const BatchSummary &summary = run.exec();

        QCOMPARE(progress.size(), 4);
        QCOMPARE(keywordsOf(summary.written), (QStringList{u"连衣裙"_qs, u"手机"_qs, u"鞋"_qs}));
        QCOMPARE(keywordsOf(summary.failed), QStringList{failing});
        QCOMPARE(summary.failed.first().outcome, RunOutcome::Failed);
        QVERIFY2(summary.failed.first().reason.contains(u"获取商品数据失败"_qs),
                 qPrintable(summary.failed.first().reason));
        QVERIFY(!summary.allWritten());
        QVERIFY(summary.error.isEmpty());

        // One site folder, holding the pages (named as the window names them), the index and the
        // sitemap, and nothing of the keyword that failed.
        QCOMPARE(programfolder::subfolders(outputRoot()), QStringList{u"夏季_20261207_140509"_qs});
        QCOMPARE(summary.siteFolder, outputRoot() + u"/夏季_20261207_140509"_qs);
        QCOMPARE(programfolder::subfolders(summary.siteFolder),
                 (QStringList{u"手机_经典网格_140509"_qs, u"连衣裙_经典网格_140509"_qs,
                              u"鞋_手机精选_140509"_qs}));
        QCOMPARE(QDir(summary.siteFolder).entryList(QDir::Files, QDir::Name),
                 (QStringList{u"index.htm"_qs, u"sitemap.xml"_qs}));

        // The items each page got, its own count or the batch's, and its first picture.
        const QList<int> counts{3, 5, 3};
        for (qsizetype i = 0; i < summary.written.size(); ++i) {
            const PageResult &page = summary.written[i];
            QCOMPARE(page.itemCount, counts[i]);
            QVERIFY(page.firstPicture.startsWith(u"http://"_qs + m_demo->host() + u"/img/"_qs));
            const QString html = gbk::decode(programfolder::readBytes(page.folder + u"/index.htm"_qs));
            QVERIFY(html.contains(page.firstPicture));
            QVERIFY(!html.contains(u"[#"_qs));
        }

        // The index links the pages written, in the list's order, each to a page that exists.
        const QStringList links = indexLinks(summary.indexFile);
        QCOMPARE(links,
                 (QStringList{u"连衣裙_经典网格_140509/index.htm"_qs, u"手机_经典网格_140509/index.htm"_qs,
                              u"鞋_手机精选_140509/index.htm"_qs}));
        for (const QString &link : links)
            QVERIFY(QFile::exists(summary.siteFolder + u'/' + link));
        const QString index = gbk::decode(programfolder::readBytes(summary.indexFile));
        QVERIFY(!index.contains(failing));
        QVERIFY(index.contains(u"<span>5件好货</span>"_qs)); // the template's own index
        QVERIFY(index.contains(summary.written[1].firstPicture));

        // The sitemap: the index and the three pages below the base address.
        QXmlStreamReader xml(programfolder::readBytes(summary.sitemapFile));
        QStringList locs;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"loc")
                locs << xml.readElementText();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        const QString base = u"https://example.com/%E5%A4%8F%E5%AD%A3/"_qs;
        QCOMPARE(locs.size(), 4);
        QCOMPARE(locs.first(), base + u"index.htm"_qs);
        QCOMPARE(locs.last(), base + u"%E9%9E%8B_%E6%89%8B%E6%9C%BA%E7%B2%BE%E9%80%89_140509/index.htm"_qs);
    }

    void cancelKeepsWhatWasWritten_data()
    {
        QTest::addColumn<QStringList>("keywords");
        QTest::addColumn<int>("notDone");
        QTest::newRow("while the second of four waits")
            << QStringList{u"连衣裙"_qs, u"手机"_qs, u"鞋"_qs, u"零食"_qs} << 2;
        // Nothing was left to stop: the batch is done, not cancelled.
        QTest::newRow("while the last one waits") << QStringList{u"连衣裙"_qs, u"手机"_qs} << 0;
    }
    void cancelKeepsWhatWasWritten()
    {
        QFETCH(QStringList, keywords);
        QFETCH(int, notDone);
        BatchRun run(m_setup, settings(), entries(keywords));
        // The user cancels while the second keyword waits for its items.
        m_demo->onQuery = [&run](const QString &keyword) {
            if (keyword == u"手机")
                run.cancel();
        };
        const BatchSummary &summary = run.exec();

        QCOMPARE(summary.cancelled, notDone > 0);
        QCOMPARE(summary.allWritten(), notDone == 0);
        QCOMPARE(keywordsOf(summary.written), (QStringList{u"连衣裙"_qs, u"手机"_qs}));
        QVERIFY(summary.failed.isEmpty());
        QCOMPARE(summary.notDone, notDone);
        QCOMPARE(m_demo->queriedKeywords(), (QStringList{u"连衣裙"_qs, u"手机"_qs}));
        QCOMPARE(programfolder::subfolders(summary.siteFolder),
                 (QStringList{u"手机_经典网格_140509"_qs, u"连衣裙_经典网格_140509"_qs}));
        QCOMPARE(indexLinks(summary.indexFile),
                 (QStringList{u"连衣裙_经典网格_140509/index.htm"_qs, u"手机_经典网格_140509/index.htm"_qs}));
        QVERIFY(summary.sitemapFile.isEmpty());
    }

    void abortStopsTheKeywordsInProgress()
    {
        m_demo->service().setReplyDelay(5000);
        BatchRun run(m_setup, settings(2), entries({u"连衣裙"_qs, u"手机"_qs, u"鞋"_qs}));
        bool aborting = false;
        m_demo->onQuery = [&run, &aborting](const QString &) {
            if (!std::exchange(aborting, true))
                QTimer::singleShot(200, &run, [&run] { run.abort(); });
        };
        QElapsedTimer clock;
        clock.start();
        const BatchSummary &summary = run.exec();
        QVERIFY2(clock.elapsed() < 4000, "the waits were not stopped");
        QVERIFY(summary.written.isEmpty());
        // The keywords stopped are not done, not failed.
        QVERIFY(summary.failed.isEmpty());
        QCOMPARE(summary.notDone, 3);
        QVERIFY(summary.cancelled);
        // No page, so no site: nothing is left below the output root.
        QVERIFY(summary.siteFolder.isEmpty());
        QCOMPARE(programfolder::subfolders(outputRoot()), QStringList());
    }

    // The window closes while a batch runs: what was written keeps its index.
    void destroyingARunningBatchKeepsAnIndex()
    {
        auto run =
            std::make_unique<BatchRun>(m_setup, settings(), entries({u"连衣裙"_qs, u"手机"_qs, u"鞋"_qs}));
        m_demo->onQuery = [this](const QString &keyword) {
            if (keyword == u"手机")
                m_demo->service().setReplyDelay(5000);
        };
        QVERIFY(run->start());
        WAIT_COMPARE(m_demo->queriedKeywords().size(), 2, 20000);
        const QString site = run->summary().siteFolder;
        run.reset();
        QCOMPARE(programfolder::subfolders(site), QStringList{u"连衣裙_经典网格_140509"_qs});
        QCOMPARE(indexLinks(site + u"/index.htm"_qs), QStringList{u"连衣裙_经典网格_140509/index.htm"_qs});
    }

    void allFailingLeavesNoSite()
    {
        m_demo->failingKeywords << u"手机"_qs;
        BatchRun run(m_setup, settings(), entries({failing, u"手机"_qs}));
        const BatchSummary &summary = run.exec();
        QCOMPARE(summary.failed.size(), 2);
        QVERIFY(summary.siteFolder.isEmpty());
        QVERIFY(summary.indexFile.isEmpty());
        QCOMPARE(programfolder::subfolders(outputRoot()), QStringList());
    }

    void pausedGateHoldsEveryJob()
    {
        BatchRun run(m_setup, settings(3), entries({u"连衣裙"_qs, u"手机"_qs, u"鞋"_qs}));
        run.callGate()->pauseFor(60);
        QVERIFY(run.start());
        eventwait::settle(600);
        QCOMPARE(m_demo->queriedKeywords(), QStringList());
        QVERIFY(!run.isFinished());
        run.callGate()->resume();
        WAIT_VERIFY(run.isFinished(), 20000);
        QCOMPARE(run.summary().written.size(), 3);
    }

    // A keyword whose search meets the call limit pauses every job and is done again afterwards;
    // one that failed otherwise while the pause was on is not.
    void onlyTheKeywordThatMetTheCallLimitIsDoneAgain()
    {
        const QByteArray limitAnswer =
            R"({"error_response":{"code":7,"sub_msg":"ban will last for 1 more seconds"}})";
        const QByteArray otherError = R"({"error_response":{"code":15,"msg":"Remote service error"}})";
        m_setup.source = itemsource::Source::OpenPlatform;
        m_setup.openPlatform.gateway = u"http://"_qs + m_demo->host() + u"/router/rest"_qs;
        m_setup.openPlatform.appKey = u"demo-app"_qs;
        m_setup.openPlatform.appSecret = u"demo-secret"_qs;
        m_setup.now = AppSetup().now; // the gateway checks the time of each call
        QStringList searched;
        m_demo->onCall = [&](const httpkit::Request &call) -> std::optional<httpkit::Response> {
            searched << topcall::value(topcall::decodeForm(call.body), u"q"_qs);
            // 手机's first search meets the limit; 故障词 fails otherwise, while the pause is on.
            const bool limited = searched.last() == u"手机" && searched.count(u"手机"_qs) == 1;
            if (!limited && searched.last() != failing)
                return std::nullopt;
            return httpkit::Response{
                200, "application/json", {}, limited ? limitAnswer : otherError, limited ? 0 : 300};
        };
        BatchSettings s = settings(2);
        s.pid = u"mm_1_2_3"_qs;
        BatchRun run(m_setup, s, entries({u"手机"_qs, failing, u"鞋"_qs}));
        const BatchSummary &summary = run.exec();
        QCOMPARE(keywordsOf(summary.written), (QStringList{u"手机"_qs, u"鞋"_qs}));
        QCOMPARE(keywordsOf(summary.failed), QStringList{failing});
        QCOMPARE(searched.count(u"手机"_qs), 2);
        QCOMPARE(searched.count(failing), 1);
    }

    void settingsRefusal_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("usable") << QString() << QString() << QString();
        QTest::newRow("no template") << u"template"_qs << QString() << u"请先选择模板文件!"_qs;
        QTest::newRow("unknown template") << u"template"_qs << u"没有这个"_qs << u"模板文件无效"_qs;
        QTest::newRow("PID of 9 digits") << u"pid"_qs << u"305719681"_qs
                                         << u"正确的淘宝客PID格式是mm_和_0_0中间的8位数字,例如：30571968"_qs;
        QTest::newRow("count 1") << u"count"_qs << u"1"_qs << u"数量不能小于2"_qs;
        QTest::newRow("count 41") << u"count"_qs << u"41"_qs << u"数量不能大于40"_qs;
        QTest::newRow("count 40") << u"count"_qs << u"40"_qs << QString();
        QTest::newRow("base address not on the web") << u"baseUrl"_qs << u"ftp://example.com/"_qs
                                                     << u"网站地址必须是以http://或https://开头的完整网址"_qs;
    }
    void settingsRefusal()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, refusal);
        BatchSettings s = settings();
        if (field == u"template")
            s.templateName = value;
        else if (field == u"pid")
            s.pid = value;
        else if (field == u"count")
            s.count = value;
        else if (field == u"baseUrl")
            s.baseUrl = value;
        QCOMPARE(BatchRun::settingsRefusal(m_setup, s), refusal);
    }

    void linesWithAnUnknownTemplateAreDropped()
    {
        QList<keywordfile::Entry> list = entries({u"连衣裙"_qs, u"手机"_qs, u"鞋"_qs});
        list[1].templateName = u"不存在"_qs;
        list[2].templateName = u"手机精选"_qs;
        const QList<keywordfile::Notice> dropped =
            BatchRun::dropUnknownTemplates(m_setup.templateRoots, list);
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[1].keyword, u"鞋"_qs);
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(dropped.first().line, 2);
        QCOMPARE(dropped.first().text, u"模板文件无效: 不存在"_qs);
    }

    void emptyListFinishesWithoutASite()
    {
        BatchRun run(m_setup, settings(), {});
        QSignalSpy finished(&run, &BatchRun::finished);
        QVERIFY(run.start());
        QCOMPARE(finished.size(), 1);
        QVERIFY(run.summary().allWritten());
        QVERIFY(!QFileInfo::exists(outputRoot()));
    }
};

QTEST_GUILESS_MAIN(TestBatchRun)
#include "batchrun.moc"
