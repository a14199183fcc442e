#include <functional>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "formport.h"
#include "gbk.h"
#include "generationrun.h"
#include "httpserver.h"
#include "outputfolder.h"
#include "testpaths.h"
#include "windowstate.h"

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
    bool closing = false;
    std::function<void(FakeForm &)> onRequest;
    QStringList pages, messages;
    QList<QPair<bool, QString>> commands;

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
    }
    void showMessage(const QString &text, const QString &) override { messages.append(text); }
    void setGenerateCommand(bool enabled, const QString &caption) override
    {
        commands.append({enabled, caption});
    }
    bool isClosing() const override { return closing; }
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

QTime pinnedTime()
{
    return QTime(14, 5, 9);
}

} // namespace

class TestGenerationRun final : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<httpkit::Server> m_server;
    QByteArray m_reply;
    QString m_program;
    WindowState m_state;

    QString outputRoot() const { return m_program + u"/已生成"_qs; }
    void addTemplate(const QString &name, const QString &templateText)
    {
        QVERIFY(QDir().mkpath(m_state.templateRoot + name));
        QFile file(m_state.templateRoot + name + u"/模板文件.htm"_qs);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(gbk::encode(templateText));
    }

private slots:
    void initTestCase() { setGenerationClock(&pinnedTime); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_program = m_dir->path() + u"/程序"_qs;
        m_state = WindowState();
        m_state.programFolder = m_program;
        m_state.templateRoot = m_program + u"/模板/"_qs;
        QVERIFY(outputfolder::copyTree(QStringLiteral(TAOYEFANG_TEST_DATA_DIR "/templates/网格"),
                                       m_state.templateRoot + u"网格"_qs));
        m_reply = itemsReply();
        m_server = std::make_unique<httpkit::Server>([this](const httpkit::Request &) {
            return httpkit::Response{200, "text/html; charset=utf-8", {}, m_reply, 0};
        });
        QVERIFY(m_server->listen());
        m_state.hosts.apiHost = u"127.0.0.1:"_qs + QString::number(m_server->port());
    }

    void inputRefusals_data()
    {
        QTest::addColumn<QString>("tmpl");
        QTest::addColumn<QString>("pid");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("message");
        const QString pidMessage = u"正确的淘宝客PID格式是mm_和_0_0中间的8位数字,例如：30571968"_qs;
        QTest::newRow("no template, checked first")
            << QString() << u"1"_qs << QString() << u"请先选择模板文件!"_qs;
        QTest::newRow("seven-digit pid") << u"网格"_qs << u"3057196"_qs << u"k"_qs << pidMessage;
        QTest::newRow("nine-digit pid, before the keyword")
            << u"网格"_qs << u"305719680"_qs << QString() << pidMessage;
        QTest::newRow("eight letters pass, empty keyword")
            << u"网格"_qs << u"abcdefgh"_qs << QString() << u"关键词不能为空!"_qs;
    }
    void inputRefusals()
    {
        QFETCH(QString, tmpl);
        QFETCH(QString, pid);
        QFETCH(QString, keyword);
        QFETCH(QString, message);
        FakeForm form;
        form.tmpl = tmpl;
        form.pid = pid;
        form.keyword = keyword;
        m_state.itemsHtml = u"earlier items"_qs;
        shengcheng_Click(form, m_state);
        QCOMPARE(form.messages, QStringList{message});
        QVERIFY(form.commands.isEmpty());
        QVERIFY(form.pages.isEmpty());
        QCOMPARE(m_state.itemsHtml, u"earlier items"_qs);
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
        const QString file = m_state.templateRoot + tmpl + u"/模板文件.htm"_qs;
        if (text == u"/")
            QVERIFY(QFile::remove(file) && QDir().mkpath(file));
        else if (!text.isNull())
            addTemplate(tmpl, text);
        FakeForm form;
        form.tmpl = tmpl;
        m_state.itemsHtml = u"earlier items"_qs;
        shengcheng_Click(form, m_state);
        QCOMPARE(form.messages, QStringList{message});
        const QList<QPair<bool, QString>> commands{{false, running}, {true, idle}};
        QCOMPARE(form.commands, commands);
        QVERIFY(m_state.itemsHtml.isEmpty());
        QVERIFY(m_server->requests().isEmpty());
        QVERIFY(!QFileInfo::exists(outputRoot()));
    }

    void successfulRun()
    {
        FakeForm form;
        shengcheng_Click(form, m_state);
        const QString folder = outputRoot() + u"/连衣裙_网格_140509"_qs;
        QCOMPARE(m_state.outputFolder, folder);
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
        shengcheng_Click(form, m_state);
        const QString first = m_state.outputFolder;
        QFile::remove(first + u"/css/style.css"_qs);
        // Something else already holds the "_2" name.
        QVERIFY(QFile(outputRoot() + u"/连衣裙_网格_140509_2"_qs).open(QIODevice::WriteOnly));

        m_reply = u"<taobaoke_item><title>x</title></taobaoke_item>"_qs.toHtmlEscaped().toUtf8();
        shengcheng_Click(form, m_state);
        QCOMPARE(m_state.outputFolder, outputRoot() + u"/连衣裙_网格_140509_3"_qs);
        QVERIFY(readAll(m_state.outputFolder + u"/index.htm"_qs).contains("<li>1 x"));
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
        QTest::newRow("characters outside GBK") << u"裙😀𠀀"_qs << u"裙😀𠀀_网格_140509"_qs;
    }
    void unsafeKeywords()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, folderName);
        FakeForm form;
        form.keyword = keyword;
        shengcheng_Click(form, m_state);
        QCOMPARE(m_state.outputFolder, outputRoot() + u'/' + folderName);
        QCOMPARE(QDir(outputRoot()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{folderName});
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{u"程序"_qs});
        // The page keeps the keyword as typed; a character GBK cannot hold as its reference.
        QVERIFY(form.pages.last().startsWith(u"about:<center><br/><br/><br/><b>单页生成成功"_qs));
        QVERIFY(readAll(m_state.outputFolder + u"/index.htm"_qs)
                    .contains(gbk::encodeHtml(QString(u"<title>"_qs + keyword))));
        if (keyword.contains(u"😀"_qs))
            QVERIFY(readAll(m_state.outputFolder + u"/index.htm"_qs)
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
            << u"long keyword"_qs << u"/已生成/"_qs + QString(300, u'长') + u"_网格_140509"_qs
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
            form.keyword = QString(300, u'长');
        else
            QVERIFY(QFile::remove(m_state.templateRoot + u"网格/index.htm"_qs) &&
                    QDir().mkpath(m_state.templateRoot + u"网格/index.htm/x"_qs));
        m_state.outputFolder = u"earlier"_qs;

        shengcheng_Click(form, m_state);
        const QString page = form.pages.last();
        QVERIFY2(page.startsWith(u"about:"_qs) &&
                     page.contains(QDir::toNativeSeparators(m_program + folder)) && page.contains(reason),
                 qPrintable(page));
        QVERIFY(!page.contains(u"成功"_qs));
        QCOMPARE(form.commands.last(), qMakePair(true, idle));
        if (blocker != u"index folder")
            QCOMPARE(m_state.outputFolder, u"earlier"_qs);
    }

    void retrievalFailureWritesNothing()
    {
        m_reply = "<html>服务繁忙</html>";
        FakeForm form;
        shengcheng_Click(form, m_state);
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
        shengcheng_Click(form, m_state);
        QCOMPARE(m_state.outputFolder, outputRoot() + u"/连衣裙_网格_140509"_qs);
        QVERIFY(QFileInfo::exists(m_state.outputFolder + u"/css/style.css"_qs));
        QVERIFY(readAll(m_state.outputFolder + u"/index.htm"_qs).startsWith("<!DOCTYPE html>"));
    }

    void closingDuringRetrieval()
    {
        FakeForm form;
        form.onRequest = [](FakeForm &f) {
            f.closing = true;
        };
        shengcheng_Click(form, m_state);
        const QList<QPair<bool, QString>> commands{{false, running}};
        QCOMPARE(form.commands, commands);
        QVERIFY(!QFileInfo::exists(outputRoot()));
        QVERIFY(form.pages.filter(u"单页生成"_qs).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestGenerationRun)
#include "generationrun.moc"
