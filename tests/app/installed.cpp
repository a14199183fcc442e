#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>

#include "batchdialog.h"
#include "browserpane.h"
#include "demoserver.h"
#include "form1.h"
#include "gbk.h"
#include "eventwait.h"
#include "testfiles.h"
#include "windowtest.h"
#include "testpaths.h"

using namespace windowtest;

namespace {

// Every entry below `root` with its size, so that a rewritten file shows too.
QStringList snapshot(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        entries << QDir(root).relativeFilePath(info.filePath()) + u' ' + QString::number(info.size());
    }
    entries.sort();
    return entries;
}

// Nobody may write below `root` (true), or the owner may again (false).
void lock(const QString &root, bool locked)
{
    constexpr QFile::Permissions write =
        QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
    QStringList paths{root};
    for (QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        paths << it.next();
    for (const QString &path : paths) {
        const QFile::Permissions now = QFile::permissions(path);
        QFile::setPermissions(path, locked ? now & ~write : now | QFile::WriteOwner | QFile::WriteUser);
    }
}

QStringList entriesOf(QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

} // namespace

// The window of an installed program: its folder is read-only, so settings, the user's own
// templates and the pages live in the user's folders, and the help pages say where.
class TestInstalled final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        QVERIFY(m_dir->isValid());
        m_program = m_dir->filePath(u"usr/lib/taoyefang"_qs);
        QVERIFY(copyTree(QStringLiteral(TAOYEFANG_SOURCE_DIR "/data/模板"), m_program + u"/模板"_qs));
        QVERIFY(copyTree(QStringLiteral(TAOYEFANG_SOURCE_DIR "/data/help"), m_program + u"/帮助"_qs));
        lock(m_program, true);
        m_before = snapshot(m_program);

        m_home = m_dir->filePath(u"home"_qs);
        QVERIFY(QDir().mkpath(m_home));
        qputenv("HOME", QFile::encodeName(m_home));
        qunsetenv("XDG_CONFIG_HOME");
        m_config = m_home + u"/.config/taoyefang"_qs;
        m_output = m_home + u"/Documents/淘页坊/已生成"_qs;

        m_server.reset(new demo::DemoServer);
        QVERIFY(m_server->listen());
        m_messages.clear();
    }

    void cleanup()
    {
        lock(m_program, false);
        m_dir.reset();
    }

    void settingsTemplatesAndPagesGoToTheUsersFolders()
    {
        // The user's own templates: one of a shipped template's name (without a preview), one new.
        QVERIFY(writeBytes(
            m_config + u"/模板/经典网格/模板文件.htm"_qs,
            gbk::encode(u"自己的头[#关键词#][#商品循环开始#]<p>$商品标题$</p>[#商品循环结束#]尾")));
        QVERIFY(writeBytes(m_config + u"/模板/我的/模板文件.htm"_qs, "x"));

        {
            auto form = makeForm(m_program);
            QCOMPARE(form->setup().settingsPath, m_config + u"/设置.ini"_qs);
            QCOMPARE(form->setup().outputRoot, m_output);
            QVERIFY(QFileInfo(m_config + u"/设置.ini"_qs).isFile());

            auto *combo1 = form->findChild<QComboBox *>(u"Combo1"_qs);
            QCOMPARE(entriesOf(combo1), QStringList({u"我的"_qs, u"手机精选"_qs, u"经典网格"_qs}));
            // The batch dialog lists them all too.
            form->findChild<QAction *>(u"piliangshengcheng"_qs)->trigger();
            QCOMPARE(entriesOf(form->findChild<BatchDialog *>()->findChild<QComboBox *>(u"template"_qs)),
                     entriesOf(combo1));
            // Picking the name both have previews the user's, which has no preview.
            QVERIFY(pick(*form, u"经典网格"_qs));
            QCOMPARE(m_pages.last(), u"about:模板<经典网格>暂无预览"_qs);
            QVERIFY(pick(*form, u"手机精选"_qs));
            QCOMPARE(m_pages.last(), m_program + u"/模板/手机精选/效果预览.htm"_qs);

            form->findChild<QLineEdit *>(u"Text1"_qs)->setText(u"连衣裙"_qs);
            form->findChild<QLineEdit *>(u"Text2"_qs)->setText(u"30571968"_qs);
            form->findChild<QLineEdit *>(u"Text3"_qs)->setText(u"3"_qs);
            for (const QString &name : {u"手机精选"_qs, u"经典网格"_qs}) {
                QVERIFY(pick(*form, name));
                QVERIFY(generate(*form));
                QVERIFY2(m_pages.last().contains(u"单页生成成功"_qs), qPrintable(m_pages.last()));
            }
            const QStringList folders =
                QDir(m_output).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
            QCOMPARE(folders.size(), 2);
            const QString shipped = m_output + u'/' + folders.filter(u"手机精选"_qs).value(0);
            const QString own = m_output + u'/' + folders.filter(u"经典网格"_qs).value(0);
            QVERIFY(QFileInfo(shipped + u"/style.css"_qs).isFile());
            QVERIFY(!QFileInfo(shipped + u"/模板文件.htm"_qs).exists());
            const QString page = gbk::decode(readBytes(own + u"/index.htm"_qs));
            QVERIFY2(page.startsWith(u"自己的头连衣裙<p>"_qs) && page.endsWith(u"</p>尾"_qs),
                     qPrintable(page));
            QCOMPARE(QDir(own).entryList(QDir::Files), QStringList{u"index.htm"_qs});
            form->close();
        }
        const QString settings = gbk::decode(readBytes(m_config + u"/设置.ini"_qs));
        QVERIFY2(settings.contains(u"text1=连衣裙\r\n"_qs, Qt::CaseInsensitive), qPrintable(settings));
        // The session's service stays out of the file.
        QVERIFY2(!settings.contains(QString::number(m_server->port())), qPrintable(settings));
        // Nothing beside the program, and the user's templates left as they were.
        QCOMPARE(snapshot(m_program), m_before);
        QCOMPARE(QDir(m_config + u"/模板"_qs).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
                 QStringList({u"我的"_qs, u"经典网格"_qs}));
    }

    void helpPagesNameTheUsersFolders()
    {
        auto form = makeForm(m_program);
        BrowserPane *pane = form->browser();
        form->findChild<QAction *>(u"shiyongshuoming"_qs)->trigger();
        QVERIFY(eventwait::until([&] { return pane->url().toString() == u"taoyefang://help/bangzhu.php"_qs; },
                                 20000));
        QString text;
        QVERIFY(
            eventwait::until([&] { return (text = paneText(pane)).contains(u"设置文件"_qs); }, 20000, 20));
        for (const QString &path : QStringList{m_output, m_config + u"/设置.ini"_qs, m_config + u"/模板"_qs,
                                               m_program + u"/模板"_qs})
            QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(path));
        QVERIFY(!text.contains(u"程序目录下的 已生成"_qs));
        // Showing the pages wrote nothing anywhere.
        QCOMPARE(snapshot(m_program), m_before);
        QVERIFY(!QFileInfo::exists(m_home + u"/Documents"_qs));
    }

    void writableFolderKeepsEverythingBeside()
    {
        const QString portable = m_dir->filePath(u"U盘/淘页坊"_qs);
        QVERIFY(copyTree(m_program, portable));
        {
            auto form = makeForm(portable);
            QCOMPARE(form->setup().settingsPath, portable + u"/设置.ini"_qs);
            QCOMPARE(form->setup().outputRoot, portable + u"/已生成"_qs);
            QCOMPARE(form->setup().templateRoots, QStringList{portable + u"/模板/"_qs});
            form->close();
        }
        QVERIFY(QFileInfo(portable + u"/设置.ini"_qs).isFile());
        QCOMPARE(QDir(m_home).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // The desktop finds the window's entry and icon by its class and app id; the window carries
    // the help site's logo at every size the icon theme gets.
    void windowMatchesItsDesktopEntry()
    {
        QFile file(QStringLiteral(TAOYEFANG_DESKTOP_ENTRY));
        QVERIFY2(file.open(QIODevice::ReadOnly), TAOYEFANG_DESKTOP_ENTRY);
        const QString entry = QString::fromUtf8(file.readAll());
        QVERIFY(entry.contains(u"\nStartupWMClass="_qs + QCoreApplication::applicationName() + u'\n'));
        QCOMPARE(QFileInfo(file).completeBaseName(), QGuiApplication::desktopFileName());

        auto form = makeForm(m_program);
        const QList<QSize> sizes = form->windowIcon().availableSizes();
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
    }

private:
    std::unique_ptr<Form1> makeForm(const QString &program)
    {
        m_pages.clear();
        auto form = std::make_unique<Form1>(program);
        form->setQuitOnClose(false);
        const QString host = u"127.0.0.1:"_qs + QString::number(m_server->port());
        form->useDemoService(host);
        form->show();
        connect(form.get(), &Form1::navigated, this, [this](const QString &address) { m_pages << address; });
        connect(form.get(), &Form1::messageShown, this, [this](const QString &text, const QString &) {
            m_messages << text;
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

    static bool pick(Form1 &form, const QString &name)
    {
        auto *combo = form.findChild<QComboBox *>(u"Combo1"_qs);
        const int index = combo->findText(name);
        if (index < 0)
            return false;
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        return true;
    }

    bool generate(Form1 &form)
    {
        auto *command = form.findChild<QAction *>(u"shengcheng"_qs);
        command->trigger();
        return eventwait::until([&] { return command->isEnabled(); }, 20000) && m_messages.isEmpty();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<demo::DemoServer> m_server;
    QString m_program, m_home, m_config, m_output;
    QStringList m_before, m_pages, m_messages;
};

int main(int argc, char *argv[])
{
    Form1::prepareApplication();
    QApplication app(argc, argv);
    TestInstalled test;
    return QTest::qExec(&test, argc, argv);
}

#include "installed.moc"
