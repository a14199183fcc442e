#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QLineEdit>
#include <QWebEnginePage>

#include "browserpane.h"
#include "demoserver.h"
#include "form1.h"
#include "gbk.h"
#include "runstate.h"
#include "eventwait.h"
#include "testfiles.h"
#include "windowtest.h"
#include "testpaths.h"

using namespace windowtest;

// The window end to end: inputs from the settings file, the shipped templates, the demo service
// on a free port standing in for the outside services.
class TestGeneration final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        QVERIFY(m_dir->isValid());
        QVERIFY(
            copyTree(QStringLiteral(TAOYEFANG_SOURCE_DIR) + u"/data/模板"_qs, m_dir->filePath(u"模板"_qs)));
        m_server.reset(new demo::DemoServer);
        QVERIFY(m_server->listen());
        m_messages.clear();
        m_pages.clear();
    }

    void runWritesThePageAndTheLinksWork_data()
    {
        QTest::addColumn<int>("check1");
        QTest::newRow("short links off") << 0;
        QTest::newRow("short links on") << 1;
    }
    void runWritesThePageAndTheLinksWork()
    {
        QFETCH(int, check1);
        writeSettings(u"连衣裙"_qs, check1);
        auto form = makeForm();
        BrowserPane *pane = form->browser();
        QVERIFY(pickTemplate(*form, u"经典网格"_qs));
        m_pages.clear();
        auto *command = form->findChild<QAction *>(u"shengcheng"_qs);
        command->trigger();
        WAIT_VERIFY(command->isEnabled(), 20000);
        QCOMPARE(command->text(), u"开始生成"_qs);

        // One folder named keyword_template_hhmmss holding the template's files but not its own two.
        const QStringList folders = outputFolders(m_dir->path());
        QCOMPARE(folders.size(), 1);
        QVERIFY2(QRegularExpression(u"^连衣裙_经典网格_\\d{6}$"_qs).match(folders.first()).hasMatch(),
                 qPrintable(folders.first()));
        const QString output = m_dir->filePath(u"已生成/"_qs + folders.first());
        const std::shared_ptr<const RunState> run = form->latestRun();
        QVERIFY(run);
        QCOMPARE(run->outputFolder, output);
        QVERIFY(QFile::exists(output + u"/style.css"_qs));
        QVERIFY(!QFile::exists(output + u"/模板文件.htm"_qs));
        QVERIFY(!QFile::exists(output + u"/效果预览.htm"_qs));

        // The page: header, five filled item blocks and footer, in GBK.
        const QByteArray index = readBytes(output + u"/index.htm"_qs);
        QCOMPARE(index, gbk::encode(run->pageSource()));
        const QString page = gbk::decode(index);
        QVERIFY(page.contains(u"<title>连衣裙"_qs) || page.contains(u"连衣裙</title>"_qs) ||
                page.contains(u"连衣裙"_qs));
        QVERIFY(!page.contains(u"[#"_qs));
        const QString origin = u"http://127.0.0.1:"_qs + QString::number(m_server->port());
        QCOMPARE(page.count(origin + u"/newrank/"_qs), 5);
        // Each item's link and its shop's, and the item's again in the structured data.
        QCOMPARE(page.count(origin + u"/t/"_qs), check1 ? 15 : 0);
        QCOMPARE(page.count(u"pid=mm_30571968_0_0"_qs) > 0, !check1);

        // What the services received: the query, then a promotion and a shop link per item.
        const QList<httpkit::Request> requests = m_server->requests();
        QCOMPARE(requests.size(), check1 ? 11 : 1);
        const httpkit::Request &query = requests.first();
        QCOMPARE(query.method, QByteArray("POST"));
        QCOMPARE(query.target, QByteArray("/apitools/getResult.htm"));
        QCOMPARE(
            query.header("Referer"),
            (origin + u"/apitools/getResult.htm?catId=38&apiName=taobao.taobaoke.items.get"_qs).toLatin1());
        QCOMPARE(query.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        QVERIFY(query.body.startsWith("format=xml&method=taobao.taobaoke.items.get&restId=2&"));
        QVERIFY(query.body.contains("&pid=30571968&keyword=%E8%BF%9E%E8%A1%A3%E8%A3%99&"));
        QVERIFY(query.body.contains("&sort=commissionVolume_desc&"));
        QVERIFY(query.body.endsWith("&page_size=5&outer_code=&is_mobile=&session="));
        for (qsizetype i = 1; i < requests.size(); ++i) {
            QCOMPARE(requests[i].target, QByteArray("/create.php"));
            QVERIFY(requests[i].body.startsWith("url=http%3A%2F%2F127%2E0%2E0%2E1%3A"));
            QVERIFY(!requests[i].hasHeader("Referer"));
        }

        // The status pages, in order; the success page is what stays. The links are shortened
        // together, so their pages come in the order the answers did: one per link.
        QStringList expected{u"正在通过api接口获取商品数据...."_qs,
                             u"根据api接口获取到的商品数据生成淘宝客单页..."_qs};
        const int linkPages = check1 ? 10 : 0;
        expected << u"商品数据获取完毕..."_qs << u"/index.htm"_qs << u"单页生成成功,已保存到【"_qs;
        QCOMPARE(m_pages.size(), expected.size() + linkPages);
        for (qsizetype i = 0; i < m_pages.size(); ++i) {
            const bool linkPage = i >= 2 && i < 2 + linkPages;
            const QString &wanted = linkPage ? u"转换为短网址..."_qs : expected[i < 2 ? i : i - linkPages];
            QVERIFY2(m_pages[i].contains(wanted), qPrintable(m_pages[i]));
        }
        QCOMPARE(m_pages.filter(u"的店铺推广地址转换为短网址..."_qs).size(), linkPages / 2);
        QCOMPARE(m_pages.last(),
                 u"about:<center><br/><br/><br/><b>单页生成成功,已保存到【"_qs +
                     QDir::toNativeSeparators(output) +
                     u"】文件夹</b><br/><br/><br/><br/><a href=\"minglin1.htm\">查看生成的单页文件</a>"
                     u"<br/><br/><a href=\"minglin2.htm\">预览生成的单页效果</a><br/><br/>"
                     u"<a href=\"minglin3.htm\">将单页源码复制到剪切板</a>"_qs);
        WAIT_VERIFY(paneHtml(pane).contains(u"href=\"minglin3.htm\""_qs), 10000);

        // The three links, as a click on them asks for them.
        pane->load(QUrl(u"taoyefang-status://page/run1/minglin1.htm"_qs));
        WAIT_COMPARE(pane->url(), QUrl::fromLocalFile(output + u'/'), 10000);
        WAIT_VERIFY(paneHtml(pane).contains(u"index.htm"_qs), 10000);
        pane->load(QUrl(u"taoyefang-status://page/run1/minglin2.htm"_qs));
        WAIT_COMPARE(pane->url(), QUrl::fromLocalFile(output + u"/index.htm"_qs), 10000);
        QGuiApplication::clipboard()->clear();
        pane->load(QUrl(u"taoyefang-status://page/run1/minglin3.htm"_qs));
        WAIT_COMPARE(m_messages, QStringList{u"单页源码已经复制到剪切板.|"_qs});
        QCOMPARE(QGuiApplication::clipboard()->text(), page);
        // The pane itself never opened a link's own target.
        QCOMPARE(pane->url(), QUrl::fromLocalFile(output + u"/index.htm"_qs));
        // Any other address is opened as it stands, whatever it ends with.
        const QStringList others{u"taoyefang-status://page/run1/MINGLIN1.HTM"_qs,
                                 u"taoyefang-status://page/minglin2.htm"_qs,
                                 u"taoyefang-status://page/run1/minglin2.htm?x=minglin2.htm"_qs,
                                 m_server->origin() + u"/run1/minglin2.htm"_qs};
        for (const QString &other : others) {
            pane->load(QUrl(other));
            WAIT_COMPARE(pane->url(), QUrl(other), 10000);
        }
    }

    // Two runs; the first one's success page, reached again with Back, still acts on its own run,
    // and a success page the pane can no longer show acts no more.
    void linksActOnTheRunOfTheirPage()
    {
        writeSettings(u"连衣裙"_qs, 0);
        auto form = makeForm();
        BrowserPane *pane = form->browser();
        QVERIFY(pickTemplate(*form, u"经典网格"_qs));
        auto *command = form->findChild<QAction *>(u"shengcheng"_qs);
        command->trigger();
        const std::shared_ptr<const RunState> first = form->latestRun();
        QVERIFY(first);
        WAIT_VERIFY(paneHtml(pane).contains(u"连衣裙_经典网格"_qs), 10000);
        pane->load(QUrl(u"taoyefang-status://page/run1/minglin1.htm"_qs));
        WAIT_COMPARE(pane->url(), QUrl::fromLocalFile(first->outputFolder + u'/'), 10000);
        form->findChild<QLineEdit *>(u"Text1"_qs)->setText(u"手机"_qs);
        command->trigger();
        const std::shared_ptr<const RunState> second = form->latestRun();
        QVERIFY(second && second != first);
        WAIT_VERIFY(paneHtml(pane).contains(u"手机_经典网格"_qs), 10000);
        // Each success page has an address of its own, which its links resolve below.
        QCOMPARE(pane->url(), QUrl(u"taoyefang-status://page/run2/"_qs));

        // The status pages offer no way back in their context menu; the folder listing does.
        QVERIFY(!pane->pageAction(QWebEnginePage::Back)->isVisible());
        QVERIFY(!pane->pageAction(QWebEnginePage::ViewSource)->isVisible());
        pane->back();
        WAIT_COMPARE(pane->url(), QUrl::fromLocalFile(first->outputFolder + u'/'), 10000);
        QVERIFY(pane->pageAction(QWebEnginePage::Back)->isVisible());

        // A link of the first run's success page, reached again, resolves below that page's own
        // tag and acts on that run. (Which pages the engine keeps in its history varies with the
        // load, so the address the page's links resolve to is asked for directly.)
        QGuiApplication::clipboard()->clear();
        pane->load(QUrl(u"taoyefang-status://page/run1/minglin3.htm"_qs));
        WAIT_COMPARE(m_messages, QStringList{u"单页源码已经复制到剪切板.|"_qs});
        QCOMPARE(QGuiApplication::clipboard()->text(), first->pageSource());
        QVERIFY(first->pageSource() != second->pageSource());
        pane->load(QUrl(u"taoyefang-status://page/run1/minglin2.htm"_qs));
        WAIT_COMPARE(pane->url(), QUrl::fromLocalFile(first->outputFolder + u"/index.htm"_qs), 10000);
        // Going back and on to another page left the second run's page out of the history: the
        // pane can no longer show it, so its links act no more.
        pane->load(QUrl(u"taoyefang-status://page/run2/minglin2.htm"_qs));
        WAIT_COMPARE(pane->url(), QUrl(u"taoyefang-status://page/run2/minglin2.htm"_qs), 10000);
    }

    // Closing one window during its run stops that run only: another window's run, later in the
    // same process, still reaches the network.
    void aClosedWindowsRunLeavesLaterRunsAlone()
    {
        writeSettings(u"连衣裙"_qs, 0);
        m_server->service().setReplyDelay(3000);
        auto closing = makeForm();
        QVERIFY(pickTemplate(*closing, u"经典网格"_qs));
        connect(closing.get(), &Form1::navigated, this, [&closing](const QString &address) {
            if (address.contains(u"正在通过api接口获取商品数据"_qs))
                QTimer::singleShot(100, closing.get(), [&closing] { closing->close(); });
        });
        closing->findChild<QAction *>(u"shengcheng"_qs)->trigger();
        QVERIFY(closing->isClosing());
        QVERIFY(!closing->latestRun());

        m_server->service().setReplyDelay(0);
        auto later = makeForm();
        QVERIFY(pickTemplate(*later, u"经典网格"_qs));
        later->findChild<QAction *>(u"shengcheng"_qs)->trigger();
        QVERIFY(later->latestRun());
        QCOMPARE(outputFolders(m_dir->path()).size(), 1);
        QCOMPARE(m_server->requests().size(), 2);
    }

    void statusPageRunsNoScriptAndReachesNothing()
    {
        writeSettings(u"连衣裙"_qs, 0);
        // A template folder whose name carries markup: its preview status page shows the name as
        // markup, but must neither run script nor fetch anything.
        const QString origin = u"http:\\\\127.0.0.1:"_qs + QString::number(m_server->port());
        const QString name = u"<meta http-equiv=\"refresh\" content=\"0;url="_qs + origin +
                             u"\\moved\"><img src=x onerror=\"document.title='pwned'\"><img src="_qs +
                             origin + u"\\leak.png><iframe src="_qs + origin + u"\\frame>"_qs;
        QVERIFY(QDir().mkpath(m_dir->filePath(u"模板/"_qs + name)));
        auto form = makeForm();
        BrowserPane *pane = form->browser();
        QVERIFY(pickTemplate(*form, name));
        QVERIFY2(eventwait::until([&] { return paneHtml(pane).contains(u"暂无预览"_qs); }, 10000, 20),
                 qPrintable(paneHtml(pane)));
        eventwait::settle(1500);
        QVERIFY(pane->title() != u"pwned"_qs);
        QCOMPARE(pane->url().scheme(), u"taoyefang-status"_qs);
        QCOMPARE(m_server->requests().size(), 0);
    }

    void closingDuringARunWritesNothing_data()
    {
        QTest::addColumn<int>("check1");
        QTest::addColumn<QString>("closeAfter"); // the page after which the window is closed
        QTest::newRow("during the item query") << 0 << u"正在通过api接口获取商品数据"_qs;
        QTest::newRow("while the short links are out")
            << 1 << u"根据api接口获取到的商品数据生成淘宝客单页"_qs;
    }
    void closingDuringARunWritesNothing()
    {
        QFETCH(int, check1);
        QFETCH(QString, closeAfter);
        writeSettings(u"连衣裙"_qs, check1);
        m_server->service().setReplyDelay(1000);
        auto form = makeForm();
        QVERIFY(pickTemplate(*form, u"手机精选"_qs));
        m_pages.clear();
        connect(form.get(), &Form1::navigated, this, [&form, closeAfter](const QString &address) {
            if (address.contains(closeAfter))
                QTimer::singleShot(200, form.get(), [&form] { form->close(); });
        });
        form->findChild<QAction *>(u"shengcheng"_qs)->trigger();
        QVERIFY(form->isClosing());
        QCOMPARE(outputFolders(m_dir->path()), QStringList());
        QVERIFY2(m_pages.last().contains(closeAfter), qPrintable(m_pages.last())); // nothing shown after
        QVERIFY(gbk::decode(readBytes(m_dir->filePath(u"设置.ini"_qs))).contains(u"Text1=连衣裙"_qs));
    }

private:
    void writeSettings(const QString &keyword, int check1)
    {
        const QString host = u"127.0.0.1:"_qs + QString::number(m_server->port());
        const QString text = u"[基本设置]\r\nText1="_qs + keyword +
                             u"\r\nText2=30571968\r\nText3=5\r\nCheck1="_qs + QString::number(check1) +
                             u"\r\nCombo2=0\r\n[服务设置]\r\n接口主机="_qs + host + u"\r\n短网址主机="_qs +
                             host + u"\r\n图片主机="_qs + host + u"\r\n"_qs;
        QVERIFY(writeBytes(m_dir->filePath(u"设置.ini"_qs), gbk::encode(text)));
    }

    std::unique_ptr<Form1> makeForm()
    {
        auto form = std::make_unique<Form1>(m_dir->path());
        form->setQuitOnClose(false);
        form->show();
        connect(form.get(), &Form1::navigated, this, [this](const QString &address) {
            if (!address.contains(u"页面载入中"_qs))
                m_pages << address;
        });
        connect(form.get(), &Form1::messageShown, this, [this](const QString &text, const QString &title) {
            m_messages << text + u'|' + title;
            QTimer::singleShot(0, this, [] {
                if (QWidget *box = QApplication::activeModalWidget())
                    box->close();
            });
        });
        // Let the start page come first, as it does for a user.
        if (!eventwait::until([&] { return form->browser()->url().toString() == u"taoyefang://help/"_qs; },
                              20000))
            qWarning("the start page did not come");
        return form;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<demo::DemoServer> m_server;
    QStringList m_messages;
    QStringList m_pages;
};

int main(int argc, char *argv[])
{
    Form1::prepareApplication();
    QApplication app(argc, argv);
    TestGeneration test;
    return QTest::qExec(&test, argc, argv);
}

#include "generation.moc"
