#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "batchdialog.h"
#include "batchrun.h"
#include "browserpane.h"
#include "demofixture.h"
#include "eventwait.h"
#include "form1.h"
#include "gbk.h"
#include "newsitedialog.h"
#include "rcloneserver.h"
#include "site.h"
#include "sitedialog.h"
#include "sitepublish.h"

// 工具 -> 批量生成… and 站点管理…: the dialogs on the real window, against the demo service.
class TestBatchDialog final : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DemoFixture> m_demo;
    std::unique_ptr<Form1> m_form;

    template <typename T> T *child(const char *name) const
    {
        auto *dialog = m_form->findChild<BatchDialog *>();
        return dialog ? dialog->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    }

    BatchDialog *openDialog()
    {
        m_form->findChild<QAction *>(u"piliangshengcheng"_qs)->trigger();
        return m_form->findChild<BatchDialog *>();
    }

    // Clicks 发布设置… and answers the dialogs it opens: the form gets `address` and `password` and
    // OK, a question about the host key Yes; a second showing of the form (it refused) is cancelled.
    // Returns the questions' texts.
    QStringList answerPublishSettings(const QString &address, const QString &password)
    {
        QStringList asked;
        bool filled = false;
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            auto *form = m_form->findChild<QDialog *>(u"PublishSettingsDialog"_qs);
            if (!form || !form->isVisible())
                return;
            if (auto *box = form->findChild<QMessageBox *>(); box && box->isVisible()) {
                asked << box->text();
                box->button(box->button(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok)->click();
            } else if (std::exchange(filled, true)) {
                form->reject();
            } else {
                form->findChild<QLineEdit *>(u"target"_qs)->setText(address);
                form->findChild<QLineEdit *>(u"password"_qs)->setText(password);
                // Queued: what OK opens runs a loop of its own, and this timer does not fire inside itself.
                QMetaObject::invokeMethod(form->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok),
                                          &QPushButton::click, Qt::QueuedConnection);
            }
        });
        answer.start(50);
        m_form->findChild<SiteDialog *>()->findChild<QPushButton *>(u"publishSettings"_qs)->click();
        return asked;
    }

    QStringList sites() const { return programfolder::subfolders(m_dir->filePath(u"已生成"_qs)); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_demo = std::make_unique<DemoFixture>();
        m_demo->failingKeywords = {u"故障词"_qs};
        QVERIFY(m_demo->listen());
        QVERIFY(programfolder::make(m_dir->path(), m_demo->host()));
        m_form = std::make_unique<Form1>(m_dir->path());
        m_form->setQuitOnClose(false);
        m_form->show();
        WAIT_VERIFY(m_form->browser()->url().toString() == u"taoyefang://help/"_qs, 20000);
    }

    void cleanup()
    {
        m_form.reset();
        m_demo.reset();
    }

    void toolsMenuIsTheLastOne()
    {
        const QList<QAction *> top = m_form->menuBar()->actions();
        QVERIFY(top.last()->menu());
        QCOMPARE(top.last()->text(), u"工具"_qs);
        const QList<QAction *> entries = top.last()->menu()->actions();
        QVERIFY(std::any_of(entries.begin(), entries.end(),
                            [](const QAction *entry) { return entry->text() == u"批量生成…"; }));
        // The four menus of the window stay where they were.
        QCOMPARE(top.first()->text(), u"开始生成"_qs);
        QCOMPARE(top.size(), 5);
    }

    void writesASiteAndShowsItsIndex()
    {
        BatchDialog *dialog = openDialog();
        QVERIFY(dialog && dialog->isVisible());
        // The window's choices are the dialog's starting point.
        QCOMPARE(child<QLineEdit>("count")->text(), u"3"_qs);
        QCOMPARE(child<QComboBox>("sort")->currentText(), u"30天支出佣金从高到低"_qs);

        child<QPlainTextEdit>("keywords")->setPlainText(u"连衣裙\n故障词\n手机\t5\n\t7\n"_qs);
        auto *templ = child<QComboBox>("template");
        templ->setCurrentIndex(templ->findText(u"经典网格"_qs));
        child<QLineEdit>("siteName")->setText(u"夏季"_qs);
        child<QLineEdit>("baseUrl")->setText(u"https://example.com/"_qs);
        child<QSpinBox>("jobs")->setValue(2);
        child<QPushButton>("start")->click();

        auto *progress = child<QProgressBar>("progress");
        QCOMPARE(progress->maximum(), 3);
        QVERIFY(!child<QPushButton>("start")->isEnabled());
        WAIT_VERIFY(!dialog->isRunning(), 30000);
        QCOMPARE(progress->value(), 3);
        QVERIFY(child<QPushButton>("start")->isEnabled());

        const BatchSummary &summary = dialog->batch()->summary();
        QCOMPARE(summary.written.size(), 2);
        QCOMPARE(summary.failed.size(), 1);
        QCOMPARE(sites().size(), 1);
        QVERIFY(sites().first().startsWith(u"夏季_"_qs));
        QVERIFY(QFile::exists(summary.siteFolder + u"/sitemap.xml"_qs));

        const QString log = child<QPlainTextEdit>("log")->toPlainText();
        QVERIFY2(log.contains(u"第4行: 关键词不能为空!(跳过)"_qs), qPrintable(log));
        QVERIFY(log.contains(u"故障词: 未能生成"_qs));
        QVERIFY(child<QLabel>("status")->text().startsWith(u"已生成2/3个页面,失败1个"_qs));

        // The site's index in the window's pane.
        WAIT_COMPARE(m_form->browser()->url(), QUrl::fromLocalFile(summary.indexFile), 10000);
        WAIT_COMPARE(m_form->browser()->title(), u"夏季 - 精选馆"_qs, 10000); // the template's own index
    }

    void loadsAKeywordFile()
    {
        BatchDialog *dialog = openDialog();
        const QString path = m_dir->filePath(u"秋季主推.txt"_qs);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(gbk::encode(u"连衣裙\t4\n手机\n"_qs));
        file.close();
        QVERIFY(dialog->loadKeywordFile(path));
        QCOMPARE(child<QPlainTextEdit>("keywords")->toPlainText(), u"连衣裙\t4\n手机\n"_qs);
        QCOMPARE(child<QLineEdit>("siteName")->text(), u"秋季主推"_qs);
        QVERIFY(!dialog->loadKeywordFile(m_dir->filePath(u"没有.txt"_qs)));
        QVERIFY(child<QPlainTextEdit>("log")->toPlainText().contains(u"无法读取关键词文件"_qs));
    }

    void cancelKeepsThePagesWritten()
    {
        BatchDialog *dialog = openDialog();
        child<QPlainTextEdit>("keywords")->setPlainText(u"连衣裙\n手机\n鞋\n零食\n"_qs);
        auto *templ = child<QComboBox>("template");
        templ->setCurrentIndex(templ->findText(u"经典网格"_qs));
        m_demo->service().setReplyDelay(200);
        m_demo->onQuery = [this](const QString &keyword) {
            if (keyword == u"手机")
                child<QPushButton>("cancel")->click();
        };
        child<QPushButton>("start")->click();
        WAIT_VERIFY(!dialog->isRunning(), 30000);

        const BatchSummary &summary = dialog->batch()->summary();
        QVERIFY(summary.cancelled);
        QCOMPARE(summary.written.size(), 2);
        QCOMPARE(summary.notDone, 2);
        QCOMPARE(child<QProgressBar>("progress")->value(), 2);
        QVERIFY(child<QLabel>("status")->text().contains(u"已取消"_qs));
        QCOMPARE(programfolder::subfolders(summary.siteFolder).size(), 2);
        const QString index = gbk::decode(programfolder::readBytes(summary.indexFile));
        QCOMPARE(index.count(u"<a href="_qs), 2);
        WAIT_COMPARE(m_form->browser()->url(), QUrl::fromLocalFile(summary.indexFile), 10000);
    }

    // A batch follows the set-up of the moment: switched to the open platform after the dialog
    // was made, it takes the full PID.
    void followsTheSetUpOfTheMoment()
    {
        AppSetup setup = m_form->setup();
        BatchDialog dialog(setup, *m_form);
        setup.source = itemsource::Source::OpenPlatform;
        m_form->findChild<QLineEdit *>(u"Text2"_qs)->setText(u"mm_12345678_2345678_34567890"_qs);
        dialog.findChild<QPlainTextEdit *>(u"keywords"_qs)->setPlainText(u"连衣裙"_qs);
        dialog.findChild<QComboBox *>(u"template"_qs)->setCurrentText(u"经典网格"_qs);
        dialog.startBatch();
        QVERIFY2(dialog.batch(), qPrintable(dialog.findChild<QLabel *>(u"status"_qs)->text()));
        WAIT_VERIFY(!dialog.isRunning(), 30000);
    }

    void refusalIsShownAndNothingRuns()
    {
        QVERIFY(programfolder::writeSettings(m_dir->filePath(u"设置.ini"_qs), m_demo->host(),
                                             u"Text2=123\r\n"_qs));
        m_form = std::make_unique<Form1>(m_dir->path());
        m_form->setQuitOnClose(false);
        BatchDialog *dialog = openDialog();
        child<QPlainTextEdit>("keywords")->setPlainText(u"连衣裙\n"_qs);
        auto *templ = child<QComboBox>("template");
        templ->setCurrentIndex(templ->findText(u"经典网格"_qs));
        child<QPushButton>("start")->click();
        QVERIFY(!dialog->isRunning());
        QVERIFY(child<QLabel>("status")->text().startsWith(u"正确的淘宝客PID格式是"_qs));
        eventwait::settle(200);
        QCOMPARE(m_demo->requests().size(), 0);
        QCOMPARE(sites(), QStringList());
    }

    void siteIsMadeThenRefreshedInPlace()
    {
        m_form->findChild<QAction *>(u"zhandianguanli"_qs)->trigger();
        auto *dialog = m_form->findChild<SiteDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(dialog->findChild<QProgressBar *>()->isHidden()); // nothing runs yet
        dialog->findChild<QPushButton *>(u"newSite"_qs)->click();
        auto *form = dialog->findChild<NewSiteDialog *>();
        QVERIFY(form && form->isVisible());
        form->findChild<QLineEdit *>(u"siteName"_qs)->setText(u"夏季"_qs);
        form->findChild<QPlainTextEdit *>(u"keywords"_qs)->setPlainText(u"连衣裙\n手机\n"_qs);
        auto *templ = form->findChild<QComboBox *>(u"template"_qs);
        templ->setCurrentIndex(templ->findText(u"经典网格"_qs));
        auto *baseUrl = form->findChild<QLineEdit *>(u"baseUrl"_qs);
        // The form's own PID starts as the window's; a slip there is said in the form.
        auto *pid = form->findChild<QLineEdit *>(u"pid"_qs);
        QCOMPARE(pid->text(), m_form->findChild<QLineEdit *>(u"Text2"_qs)->text());
        const QString windowPid = pid->text();
        pid->setText(u"123"_qs);
        form->findChild<QPushButton *>(u"create"_qs)->click();
        QVERIFY(form->findChild<QLabel *>(u"message"_qs)->text().startsWith(u"正确的淘宝客PID格式是"_qs));
        pid->setText(windowPid);

        // A refusal is said in the form, which stays open, and makes nothing.
        baseUrl->setText(u"example.com"_qs);
        form->findChild<QPushButton *>(u"create"_qs)->click();
        QVERIFY(form->isVisible() && !dialog->isRunning());
        QVERIFY(form->findChild<QLabel *>(u"message"_qs)->text().startsWith(u"网站地址"_qs));
        QCOMPARE(programfolder::subfolders(m_dir->filePath(u"站点"_qs)), QStringList());

        baseUrl->setText(u"https://example.com/"_qs);
        form->findChild<QPushButton *>(u"create"_qs)->click();
        QVERIFY(dialog->isRunning());
        WAIT_VERIFY(!dialog->isRunning(), 30000);
        const QString www = m_dir->filePath(u"站点/夏季/www"_qs);
        QCOMPARE(programfolder::subfolders(www), (QStringList{u"lian-yi-qun"_qs, u"shou-ji"_qs}));
        QVERIFY(QFile::exists(www + u"/index.htm"_qs) && QFile::exists(www + u"/sitemap.xml"_qs));
        const QTreeWidgetItem *listed = dialog->findChild<QTreeWidget *>(u"sites"_qs)->currentItem();
        QCOMPARE(listed->text(0), u"夏季"_qs);
        QCOMPARE(listed->text(1), u"2"_qs);
        QVERIFY(listed->text(2).startsWith(QDate::currentDate().toString(u"yyyy-MM-dd"_qs)));

        // Refreshed again with nothing changed at the service, nothing is written.
        dialog->findChild<QPushButton *>(u"refresh"_qs)->click();
        WAIT_VERIFY(!dialog->isRunning(), 30000);
        QCOMPARE(dialog->findChild<QLabel *>(u"status"_qs)->text(),
                 u"已更新0页,未变2页,已删除0页,写入0个文件"_qs);

        // 站点设置… refuses a band upside down and keeps 站点.ini; a good one is written.
        const QString config = m_dir->filePath(u"站点/夏季/站点.ini"_qs);
        const QByteArray before = programfolder::readBytes(config);
        dialog->findChild<QPushButton *>(u"siteSettings"_qs)->click();
        auto *settings = dialog->findChild<NewSiteDialog *>(u"SiteSettingsDialog"_qs);
        QVERIFY(settings && settings->isVisible());
        auto *price = settings->findChild<QLineEdit *>(u"price"_qs);
        price->setText(u"50-20"_qs);
        settings->findChild<QPushButton *>(u"create"_qs)->click();
        QVERIFY(settings->findChild<QLabel *>(u"message"_qs)->text().contains(u"“50-20”"_qs));
        QCOMPARE(programfolder::readBytes(config), before);
        price->setText(u"20-300"_qs);
        settings->findChild<QPushButton *>(u"create"_qs)->click();
        QVERIFY(settings->isHidden());
        QVERIFY(gbk::decode(programfolder::readBytes(config)).contains(u"价格区间=20-300"_qs));

        // Published from here, each file shows as it goes up, and the server ends with www/.
        QProcess server;
        QTemporaryDir remote;
        const auto stop = qScopeGuard([&server] {
            server.kill();
            server.waitForFinished();
        });
        const int port = rcloneserver::serve(server, u"sftp"_qs, remote.path(), u"made-up-pw"_qs);
        if (port == 0)
            QSKIP("no rclone (Debian package rclone): publishing is not tried");
        qunsetenv("DBUS_SESSION_BUS_ADDRESS"); // the password stays out of the user's keyring
        auto *status = dialog->findChild<QLabel *>(u"status"_qs);
        auto *progress = dialog->findChild<QProgressBar *>();
        auto *publishSettings = dialog->findChild<QPushButton *>(u"publishSettings"_qs);
        dialog->findChild<QPushButton *>(u"publish"_qs)->click();
        QVERIFY2(status->text().contains(publishSettings->text()) &&
                     !status->text().contains(u"site target"_qs),
                 qPrintable(status->text()));
        QVERIFY(progress->value() < progress->maximum());

        // Set in 发布设置…, the server's host key asked about once; later the address alone changes
        // and the password stays.
        const QString address = u"sftp://u@127.0.0.1:"_qs + QString::number(port) + u"/site"_qs;
        QStringList asked = answerPublishSettings(address, u"made-up-pw"_qs);
        QCOMPARE(asked.filter(u"SHA256:"_qs).size(), 1);
        QVERIFY2(status->text().contains(address), qPrintable(status->text()));
        QCOMPARE(dialog->findChild<QTreeWidget *>(u"sites"_qs)->currentItem()->text(3), address);
        QCOMPARE(answerPublishSettings(address + u'2', QString()), QStringList());
        dialog->findChild<QPushButton *>(u"publish"_qs)->click();
        WAIT_VERIFY(!dialog->isRunning(), 30000);
        QVERIFY2(status->text().startsWith(u"发布完成"_qs), qPrintable(status->text()));
        QVERIFY(QFile::exists(remote.filePath(u"site2/index.htm"_qs)));
        QCOMPARE(answerPublishSettings(address, QString()), QStringList());
        dialog->findChild<QPushButton *>(u"publish"_qs)->click();
        QVERIFY(dialog->isRunning());
        WAIT_VERIFY(!dialog->isRunning(), 30000);
        QVERIFY2(dialog->findChild<QLabel *>(u"status"_qs)->text().startsWith(u"发布完成"_qs),
                 qPrintable(dialog->findChild<QLabel *>(u"status"_qs)->text()));
        const QString log = dialog->findChild<QPlainTextEdit *>(u"log"_qs)->toPlainText();
        QVERIFY(log.contains(u"已上传: index.htm"_qs) && log.contains(u"已上传: shou-ji/"_qs));
        QVERIFY(QFile::exists(remote.filePath(u"site/lian-yi-qun/index.htm"_qs)));
    }

    // A site another process holds is not refreshed, and the status says so; a list that takes
    // most pages off is refreshed only once the user says yes.
    void siteHeldOrEmptiedAsks()
    {
        siteconfig::Site site;
        site.name = u"秋季"_qs;
        site.templateName = u"经典网格"_qs;
        site.pid = u"30571968"_qs;
        QString error;
        const QString folder = sites::create(m_dir->filePath(u"站点"_qs), site, "连衣裙\n手机\n", &error);
        QVERIFY2(!folder.isEmpty(), qPrintable(error));
        m_form->findChild<QAction *>(u"zhandianguanli"_qs)->trigger();
        auto *dialog = m_form->findChild<SiteDialog *>();
        auto *status = dialog->findChild<QLabel *>(u"status"_qs);
        {
            const sites::SiteLock held(folder);
            dialog->findChild<QPushButton *>(u"refresh"_qs)->click();
            QVERIFY(!dialog->isRunning());
            QVERIFY2(status->text().contains(QString::number(QCoreApplication::applicationPid())),
                     qPrintable(status->text()));
        }
        dialog->findChild<QPushButton *>(u"refresh"_qs)->click();
        WAIT_VERIFY(!dialog->isRunning(), 30000);
        QFile list(sites::Paths(folder).keywords);
        QVERIFY(list.open(QIODevice::WriteOnly) && list.write("鞋\n") == 4 && list.flush());
        for (const auto answer : {QMessageBox::RejectRole, QMessageBox::AcceptRole}) {
            // The question runs its own loop: it is answered from inside it.
            QString asked;
            QTimer answering;
            connect(&answering, &QTimer::timeout, this, [&] {
                if (auto *question = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    asked = question->text();
                    for (QAbstractButton *button : question->buttons())
                        if (question->buttonRole(button) == answer)
                            button->click();
                }
            });
            answering.start(20);
            dialog->findChild<QPushButton *>(u"refresh"_qs)->click();
            WAIT_VERIFY(!asked.isEmpty(), 10000);
            WAIT_VERIFY(!dialog->isRunning(), 30000);
            QVERIFY2(asked.contains(u"2页中的2页"_qs), qPrintable(asked));
            const QStringList expected = answer == QMessageBox::RejectRole
                                             ? QStringList{u"lian-yi-qun"_qs, u"shou-ji"_qs}
                                             : QStringList{u"xie"_qs};
            QCOMPARE(programfolder::subfolders(sites::Paths(folder).www), expected);
        }
    }
};

int main(int argc, char *argv[])
{
    Form1::prepareApplication();
    QApplication app(argc, argv);
    TestBatchDialog test;
    return QTest::qExec(&test, argc, argv);
}

#include "batchdialog.moc"
