#include <functional>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "appsetup.h"
#include "cancellation.h"
#include "formport.h"
#include "gbk.h"
#include "generationrun.h"
#include "httpserver.h"
#include "outputfolder.h"
#include "runstate.h"
#include "testpaths.h"

namespace {

const QString requestPageMark = u"正在通过api接口获取商品数据"_qs;
const QString idle = u"开始生成"_qs;
const QString running = u"生成中..."_qs;

// Records everything the run asks of the window; its inputs can change when the item request
// goes out, as a user's edits would while the run waits.
class FakeForm final : public FormPort
{
public:
    QString keyword = u"连衣裙"_qs, pid = u"30571968"_qs, count = u"2"_qs, tmpl = u"网格"_qs;
    net::Cancellation cancel;
    std::function<void(FakeForm &)> onRequest;
    std::function<void(FakeForm &, const QString &)> onPage;
    QStringList pages, messages;
    QList<QPair<bool, QString>> commands;
    std::shared_ptr<const RunState> run; // of the success page

    QString keywordText() const override { return keyword; }
    QString pidText() const override { return pid; }
    QString countText() const override { return count; }
    QString templateName() const override { return tmpl; }
    QString sortText() const override { return QString(); }
    int shortLinkState() const override { return 0; }
    void navigate(const QString &address) override
    {
        pages.append(address);
        if (address.contains(requestPageMark) && onRequest)
            onRequest(*this);
        if (onPage)
            onPage(*this, address);
    }
    void showMessage(const QString &text, const QString &) override { messages.append(text); }
    void setGenerateCommand(bool enabled, const QString &caption) override
    {
        commands.append({enabled, caption});
    }
    void showResult(const QString &page, const std::shared_ptr<const RunState> &result) override
    {
        pages.append(page);
        run = result;
    }
};

QByteArray itemsReply()
{
    const QString xml = u"<taobaoke_items><taobaoke_item><title>碎花连衣裙</title><price>99.00</price>"
                        u"</taobaoke_item><taobaoke_item><title>真丝长裙</title><price>258.50</price>"
                        u"</taobaoke_item></taobaoke_items>"_qs;
    return xml.toHtmlEscaped().toUtf8();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Every file below `root`, relative, sorted.
QStringList filesBelow(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(root).relativeFilePath(it.next()));
    files.sort();
    return files;
}

QDateTime pinnedTime()
{
    return QDateTime(QDate(2026, 12, 7), QTime(14, 5, 9));
}

} // namespace

class TestGenerationRun final : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<httpkit::Server> m_server;
    QByteArray m_reply;
    QString m_program;
    AppSetup m_setup;

    RunOutcome generate(FakeForm &form) { return shengcheng_Click(form, m_setup, form.cancel); }

    QString outputRoot() const { return m_program + u"/已生成"_qs; }
    void addTemplate(const QString &name, const QString &templateText)
    {
        QVERIFY(QDir().mkpath(m_setup.templateRoot + name));
        QFile file(m_setup.templateRoot + name + u"/模板文件.htm"_qs);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(gbk::encode(templateText));
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_program = m_dir->path() + u"/程序"_qs;
        m_setup = AppSetup::inProgramFolder(m_program);
        m_setup.now = &pinnedTime;
        QVERIFY(outputfolder::copyTree(QStringLiteral(TAOYEFANG_TEST_DATA_DIR "/templates/网格"),
                                       m_setup.templateRoot + u"网格"_qs));
        m_reply = itemsReply();
        m_server = std::make_unique<httpkit::Server>([this](const httpkit::Request &) {
            return httpkit::Response{200, "text/html; charset=utf-8", {}, m_reply, 0};
        });
        QVERIFY(m_server->listen());
        m_setup.hosts.apiHost = u"127.0.0.1:"_qs + QString::number(m_server->port());
    }

    void inputRefusals_data()
    {
        QTest::addColumn<QString>("tmpl");
        QTest::addColumn<QString>("pid");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("message");
        const QString pidMessage = u"正确的淘宝客PID格式是mm_和_0_0中间的8位数字,例如：30571968"_qs;
        QTest::newRow("no template, checked first")
            << QString() << u"1"_qs << QString() << u"0"_qs << u"请先选择模板文件!"_qs;
        QTest::newRow("seven-digit pid") << u"网格"_qs << u"3057196"_qs << u"k"_qs << u"2"_qs << pidMessage;
        QTest::newRow("nine-digit pid, before the keyword")
            << u"网格"_qs << u"305719680"_qs << QString() << u"2"_qs << pidMessage;
        // Any other eight characters would go into every link and lose the commission.
        QTest::newRow("eight letters") << u"网格"_qs << u"abcdefgh"_qs << u"k"_qs << u"2"_qs << pidMessage;
        QTest::newRow("full-width digits")
            << u"网格"_qs << u"３０５７１９６８"_qs << u"k"_qs << u"2"_qs << pidMessage;
        QTest::newRow("open platform PID")
            << u"网格"_qs << u"mm_1_2_3"_qs << u"k"_qs << u"2"_qs << pidMessage;
        QTest::newRow("empty keyword")
            << u"网格"_qs << u"30571968"_qs << QString() << u"0"_qs << u"关键词不能为空!"_qs;
        QTest::newRow("blanks only, full-width too")
            << u"网格"_qs << u"30571968"_qs << u" \t\u3000"_qs << u"2"_qs << u"关键词不能为空!"_qs;
        QTest::newRow("keyword longer than a search")
            << u"网格"_qs << u"30571968"_qs << QString(101, u'裙') << u"2"_qs << u"关键词不能超过100个字!"_qs;
        // The settings file or a command line can hold any count; a run keeps to the window's.
        QTest::newRow("count of one")
            << u"网格"_qs << u"30571968"_qs << u"k"_qs << u"1"_qs << u"数量不能小于2"_qs;
        QTest::newRow("count of letters")
            << u"网格"_qs << u"30571968"_qs << u"k"_qs << u"abc"_qs << u"数量不能小于2"_qs;
        QTest::newRow("runaway count")
            << u"网格"_qs << u"30571968"_qs << u"k"_qs << u"100000"_qs << u"数量不能大于40"_qs;
    }
    void inputRefusals()
    {
        QFETCH(QString, tmpl);
        QFETCH(QString, pid);
        QFETCH(QString, keyword);
        QFETCH(QString, count);
        QFETCH(QString, message);
        FakeForm form;
        form.tmpl = tmpl;
        form.pid = pid;
        form.keyword = keyword;
        form.count = count;
        QCOMPARE(generate(form), RunOutcome::Refused);
        QCOMPARE(form.messages, QStringList{message});
        QVERIFY(form.commands.isEmpty());
        QVERIFY(form.pages.isEmpty());
        QVERIFY(m_server->requests().isEmpty());
    }

    void templateRefusals_data()
    {
        QTest::addColumn<QString>("tmpl");
        QTest::addColumn<QString>("text"); // no file when null, a folder in its place for "/"
        QTest::addColumn<QString>("message");
        QTest::newRow("template folder missing") << u"不存在"_qs << QString() << u"模板文件无效"_qs;
        QTest::newRow("placeholder entry without such folder")
            << u"暂无模板"_qs << QString() << u"模板文件无效"_qs;
        QTest::newRow("template file is a folder") << u"网格"_qs << u"/"_qs << u"模板文件无效"_qs;
        QTest::newRow("empty template file") << u"空"_qs << u""_qs << u"模板头部无效"_qs;
        QTest::newRow("no start marker") << u"坏"_qs << u"<p>[#商品循环结束#]"_qs << u"模板头部无效"_qs;
        QTest::newRow("no end marker") << u"坏"_qs << u"<p>[#商品循环开始#]"_qs << u"模板尾部无效"_qs;
        QTest::newRow("end before start")
            << u"坏"_qs << u"[#商品循环结束#]x[#商品循环开始#]"_qs << u"模板循环区域无效"_qs;
    }
    void templateRefusals()
    {
        QFETCH(QString, tmpl);
        QFETCH(QString, text);
        QFETCH(QString, message);
        const QString file = m_setup.templateRoot + tmpl + u"/模板文件.htm"_qs;
        if (text == u"/")
            QVERIFY(QFile::remove(file) && QDir().mkpath(file));
        else if (!text.isNull())
            addTemplate(tmpl, text);
        FakeForm form;
        form.tmpl = tmpl;
        QCOMPARE(generate(form), RunOutcome::Refused);
        QCOMPARE(form.messages, QStringList{message});
        const QList<QPair<bool, QString>> commands{{false, running}, {true, idle}};
        QCOMPARE(form.commands, commands);
        QVERIFY(m_server->requests().isEmpty());
        QVERIFY(!QFileInfo::exists(outputRoot()));
    }

    void successfulRun()
    {
        FakeForm form;
        QCOMPARE(generate(form), RunOutcome::Written);
        const QString folder = outputRoot() + u"/连衣裙_网格_140509"_qs;
        QVERIFY(form.run);
        QCOMPARE(form.run->outputFolder, folder);
        QCOMPARE(form.run->itemCount, 2);
        QCOMPARE(form.run->keyword, u"连衣裙"_qs);
        QVERIFY(form.messages.isEmpty());
        const QList<QPair<bool, QString>> commands{{false, running}, {true, idle}};
        QCOMPARE(form.commands, commands);
        QVERIFY(form.pages.size() >= 3);
        QCOMPARE(form.pages.at(form.pages.size() - 2), folder + u"/index.htm"_qs);
        QCOMPARE(
            form.pages.last(),
            u"about:<center><br/><br/><br/><b>单页生成成功,已保存到【"_qs + QDir::toNativeSeparators(folder) +
                u"】文件夹</b><br/><br/><br/><br/><a href=\"minglin1.htm\">查看生成的单页文件</a><br/><br/>"
                u"<a href=\"minglin2.htm\">预览生成的单页效果</a><br/><br/>"
                u"<a href=\"minglin3.htm\">将单页源码复制到剪切板</a>"_qs);

        // Resources and subfolders copied, the two template-only files gone from the top level only,
        // the template's own index.htm replaced by the generated page, byte for byte in GBK.
        const QStringList files{u"css/style.css"_qs, u"images/icons/star.gif"_qs, u"images/模板文件.htm"_qs,
                                u"index.htm"_qs};
        QCOMPARE(filesBelow(folder), files);
        const QString fixture = QStringLiteral(TAOYEFANG_TEST_DATA_DIR "/templates/");
        QCOMPARE(readAll(folder + u"/index.htm"_qs), readAll(fixture + u"expected-index.htm"_qs));
        QCOMPARE(readAll(folder + u"/images/icons/star.gif"_qs),
                 readAll(fixture + u"网格/images/icons/star.gif"_qs));
        QCOMPARE(QFile::permissions(folder + u"/css/style.css"_qs) & QFile::WriteOwner, QFile::WriteOwner);
    }

    void runsInTheSameSecondGetTheirOwnFolders()
    {
        FakeForm form;
        generate(form);
        const QString first = form.run->outputFolder;
        QFile::remove(first + u"/css/style.css"_qs);
        // Something else already holds the "_2" name.
        QVERIFY(QFile(outputRoot() + u"/连衣裙_网格_140509_2"_qs).open(QIODevice::WriteOnly));

        m_reply = u"<taobaoke_item><title>x</title></taobaoke_item>"_qs.toHtmlEscaped().toUtf8();
        generate(form);
        QCOMPARE(form.run->outputFolder, outputRoot() + u"/连衣裙_网格_140509_3"_qs);
        QVERIFY(readAll(form.run->outputFolder + u"/index.htm"_qs).contains("<li>1 x"));
        QCOMPARE(filesBelow(first).size(), 3);
        QVERIFY(readAll(first + u"/index.htm"_qs).contains("<li>2 "));
    }

    void unsafeKeywords_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("folderName");
        QTest::newRow("parent steps") << u"a/../../b"_qs << u"a_.._.._b_网格_140509"_qs;
        QTest::newRow("dots only") << u".."_qs << u".._网格_140509"_qs;
        QTest::newRow("backslash and drive") << u"C:\\x"_qs << u"C__x_网格_140509"_qs;
        QTest::newRow("wildcards and quotes") << u"a*b?\"<>|"_qs << u"a_b______网格_140509"_qs;
        QTest::newRow("control characters") << u"\t新\n"_qs << u"_新__网格_140509"_qs;
        QTest::newRow("device name") << u"CON"_qs << u"CON_网格_140509"_qs;
        QTest::newRow("bidi override and C1 control")
            << u"裙子\u202Egpj.exe\u0085"_qs << u"裙子gpj.exe_网格_140509"_qs;
        QTest::newRow("characters outside GBK") << u"裙😀𠀀"_qs << u"裙😀𠀀_网格_140509"_qs;
    }
    void unsafeKeywords()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, folderName);
        FakeForm form;
        form.keyword = keyword;
        generate(form);
        QCOMPARE(form.run->outputFolder, outputRoot() + u'/' + folderName);
        QCOMPARE(QDir(outputRoot()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{folderName});
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{u"程序"_qs});
        // The page shows the keyword as typed: as text, a character GBK cannot hold as its reference.
        QVERIFY(form.pages.last().startsWith(u"about:<center><br/><br/><br/><b>单页生成成功"_qs));
        QVERIFY(readAll(form.run->outputFolder + u"/index.htm"_qs)
                    .contains(gbk::encodeHtml(QString(u"<title>"_qs + keyword.toHtmlEscaped()))));
        if (keyword.contains(u"😀"_qs))
            QVERIFY(readAll(form.run->outputFolder + u"/index.htm"_qs)
                        .contains(QByteArray(gbk::encode(u"<title>裙") + "&#x1F600;&#x20000;")));
    }

    void failurePage_data()
    {
        QTest::addColumn<QString>("blocker"); // what stands in the way, set up below
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a file where the output root belongs")
            << u"file root"_qs << u"/已生成"_qs << u"该位置已有同名文件,无法创建文件夹"_qs;
        QTest::newRow("name too long for the file system")
            << u"long keyword"_qs << u"/已生成/"_qs + QString(100, u'长') + u"_网格_140509"_qs
            << u"无法创建文件夹(名称无效、过长或没有写入权限)"_qs;
        QTest::newRow("index.htm cannot be written")
            << u"index folder"_qs << u"/已生成/连衣裙_网格_140509"_qs << u"无法写入单页文件index.htm"_qs;
    }
    void failurePage()
    {
        QFETCH(QString, blocker);
        QFETCH(QString, folder);
        QFETCH(QString, reason);
        FakeForm form;
        if (blocker == u"file root")
            QVERIFY(QFile(outputRoot()).open(QIODevice::WriteOnly));
        else if (blocker == u"long keyword")
            form.keyword = QString(100, u'长');
        else
            QVERIFY(QFile::remove(m_setup.templateRoot + u"网格/index.htm"_qs) &&
                    QDir().mkpath(m_setup.templateRoot + u"网格/index.htm/x"_qs));
        QCOMPARE(generate(form), RunOutcome::Failed);
        const QString page = form.pages.last();
        QVERIFY2(page.startsWith(u"about:"_qs) &&
                     page.contains(QDir::toNativeSeparators(m_program + folder)) && page.contains(reason),
                 qPrintable(page));
        QVERIFY(!page.contains(u"成功"_qs));
        QCOMPARE(form.commands.last(), qMakePair(true, idle));
        QVERIFY(!form.run);
        // A folder the run made for a page it could not write is not left behind half-filled.
        if (blocker == u"index folder")
            QVERIFY(!QFileInfo::exists(m_program + folder));
    }

    void retrievalFailureWritesNothing()
    {
        m_reply = "<html>服务繁忙</html>";
        FakeForm form;
        QCOMPARE(generate(form), RunOutcome::Failed);
        QVERIFY(form.pages.last().contains(u"获取商品数据失败"_qs));
        QCOMPARE(form.commands.last(), qMakePair(true, idle));
        QVERIFY(!QFileInfo::exists(outputRoot()));
    }

    void inputsChangedDuringRetrieval()
    {
        addTemplate(u"其他"_qs, u"[#商品循环开始#][#商品循环结束#]其他"_qs);
        FakeForm form;
        form.onRequest = [](FakeForm &f) {
            f.tmpl = u"其他"_qs;
            f.keyword = u"手机"_qs;
        };
        generate(form);
        QCOMPARE(form.run->outputFolder, outputRoot() + u"/连衣裙_网格_140509"_qs);
        QVERIFY(QFileInfo::exists(form.run->outputFolder + u"/css/style.css"_qs));
        QVERIFY(readAll(form.run->outputFolder + u"/index.htm"_qs).startsWith("<!DOCTYPE html>"));
    }

    void charactersOutsideGbkBecomeReferences()
    {
        // Titles carry emoji and symbols GBK has no code for; the page keeps them as references,
        // and the new offer placeholders are empty for the test tool's items.
        m_reply = u"<taobaoke_items><taobaoke_item><title>🔥碎花™连衣裙❤</title><price>99.00</price>"
                  u"</taobaoke_item><taobaoke_item><title>真丝€长裙</title><price>258.50</price>"
                  u"</taobaoke_item></taobaoke_items>"_qs.toHtmlEscaped()
                      .toUtf8();
        addTemplate(u"符号"_qs,
                    u"<p>[#关键词#]</p>[#商品循环开始#]<i>[#商品标题#]|[#原价#][#到手价#][#优惠券#]"
                    u"[#优惠券说明#][#平台#][#淘口令#]|[#商品价格#]</i>[#商品循环结束#]<p>尾</p>"_qs);
        FakeForm form;
        form.tmpl = u"符号"_qs;
        form.keyword = u"裙❤"_qs;
        QCOMPARE(generate(form), RunOutcome::Written);
        const QByteArray expected = gbk::encode(u"<p>裙"_qs) + "&#x2764;</p><i>&#x1F525;" +
                                    gbk::encode(u"碎花"_qs) + "&#x2122;" + gbk::encode(u"连衣裙"_qs) +
                                    "&#x2764;||99.00</i><i>" +
                                    gbk::encode(u"真丝€长裙||258.50</i><p>尾</p>"_qs);
        QCOMPARE(readAll(form.run->outputFolder + u"/index.htm"_qs), expected);
        // The copy of the source keeps the characters themselves.
        QVERIFY(form.run->pageSource().contains(u"🔥碎花™连衣裙❤"_qs));
    }

    void pidForTheOpenPlatform_data()
    {
        QTest::addColumn<QString>("pid");
        QTest::addColumn<QString>("message");
        const QString full = u"请输入完整的推广位PID，例如 mm_12345678_2345678_34567890"_qs;
        QTest::newRow("eight digits") << u"30571968"_qs
                                      << full + u"（8位数字或 mm_数字_0_0 形式的旧PID没有推广位，"
                                                u"请在淘宝联盟后台的推广位管理中复制完整PID）"_qs;
        QTest::newRow("old whole PID") << u"mm_30571968_0_0"_qs
                                       << full + u"（8位数字或 mm_数字_0_0 形式的旧PID没有推广位，"
                                                 u"请在淘宝联盟后台的推广位管理中复制完整PID）"_qs;
        QTest::newRow("blank") << QString() << full;
        QTest::newRow("junk") << u"mm_1_2_x"_qs << full;
    }
    void pidForTheOpenPlatform()
    {
        QFETCH(QString, pid);
        m_setup.source = itemsource::Source::OpenPlatform;
        FakeForm form;
        form.pid = pid;
        QCOMPARE(generate(form), RunOutcome::Refused);
        QTEST(form.messages.value(0), "message");
        QVERIFY(form.commands.isEmpty());
    }

    void unknownSourceIsRefused()
    {
        m_setup.source = itemsource::Source::Unknown;
        FakeForm form;
        QCOMPARE(generate(form), RunOutcome::Refused);
        QCOMPARE(form.messages, QStringList{u"数据来源无法识别,只能是“接口测试工具”或“开放平台”"_qs});
        QVERIFY(m_server->requests().isEmpty());
    }

    void closingDuringRetrieval()
    {
        FakeForm form;
        form.onRequest = [](FakeForm &f) {
            f.cancel.cancel();
        };
        QCOMPARE(generate(form), RunOutcome::Cancelled);
        const QList<QPair<bool, QString>> commands{{false, running}};
        QCOMPARE(form.commands, commands);
        QVERIFY(!QFileInfo::exists(outputRoot()));
        QVERIFY(form.pages.filter(u"单页生成"_qs).isEmpty());
    }

    // A link in the template folder is not copied, and the success page says so.
    void linksInTheTemplateAreNamed()
    {
        const QString outside = m_dir->filePath(u"outside"_qs);
        QVERIFY(QDir().mkpath(outside));
        QVERIFY(QFile(outside + u"/secret.txt"_qs).open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(outside, m_setup.templateRoot + u"网格/<etc>"_qs));
        FakeForm form;
        QCOMPARE(generate(form), RunOutcome::Written);
        QVERIFY(!QFileInfo::exists(form.run->outputFolder + u"/<etc>"_qs));
        QVERIFY2(form.pages.last().endsWith(u"模板文件夹中的链接没有复制: &lt;etc&gt;"_qs),
                 qPrintable(form.pages.last()));
    }

    // Closing the window while a large template is copied stops the copy at once and leaves no
    // folder behind.
    void closingDuringTheCopy()
    {
        const QString images = m_setup.templateRoot + u"网格/many"_qs;
        QVERIFY(QDir().mkpath(images));
        for (int i = 0; i < 4000; ++i)
            QVERIFY(QFile(images + u"/"_qs + QString::number(i) + u".gif"_qs).open(QIODevice::WriteOnly));
        FakeForm form;
        QElapsedTimer sinceCancel;
        form.onPage = [&sinceCancel](FakeForm &f, const QString &page) {
            if (page.contains(u"商品数据获取完毕"_qs)) {
                QTimer::singleShot(20, [&f, &sinceCancel] {
                    sinceCancel.start();
                    f.cancel.cancel();
                });
            }
        };
        QCOMPARE(generate(form), RunOutcome::Cancelled);
        QVERIFY(sinceCancel.isValid());
        QVERIFY2(sinceCancel.elapsed() < 1000, qPrintable(QString::number(sinceCancel.elapsed())));
        QCOMPARE(QDir(outputRoot()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(form.pages.filter(u"单页生成"_qs).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestGenerationRun)
#include "generationrun.moc"
