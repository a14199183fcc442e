#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>

#include "browserpane.h"
#include "form1.h"
#include "helpscheme.h"
#include "gbk.h"
#include "eventwait.h"
#include "testfiles.h"
#include "windowtest.h"

using namespace windowtest;

class TestForm1 final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        QVERIFY(m_dir->isValid());
        m_messages.clear();
        // A program folder with two templates, a hidden folder and a plain file.
        const QString root = m_dir->filePath(u"模板"_qs);
        QVERIFY(writeBytes(root + u"/经典 [A]/模板文件.htm"_qs,
                           gbk::encode(u"头[#商品循环开始#]块[#商品循环结束#]尾")));
        QVERIFY(writeBytes(root + u"/经典 [A]/效果预览.htm"_qs,
                           gbk::encode(u"<html><body>预览甲</body></html>")));
        QVERIFY(writeBytes(root + u"/手机/模板文件.htm"_qs, "x"));
        QVERIFY(QDir(root).mkpath(u".hidden"_qs));
        QVERIFY(writeBytes(root + u"/readme.txt"_qs, "not a template"));
        // The shipped help site.
        QVERIFY(writeBytes(m_dir->filePath(u"帮助/index.html"_qs),
                           u"<html><head><title>首页</title></head><body>欢迎</body></html>"_qs.toUtf8()));
        for (const char *page : {"bangzhu.php", "moban.php", "guanwang.php", "zuozhe.php", "jianyi.php"}) {
            const QString name = QString::fromLatin1(page);
            QVERIFY(writeBytes(
                m_dir->filePath(u"帮助/"_qs + name),
                (u"<html><head><title>"_qs + name + u"</title></head><body>页</body></html>"_qs).toUtf8()));
        }
    }

    void firstStartCreatesSettings()
    {
        auto form = makeForm();
        QCOMPARE(form->windowTitle(), u"淘页坊2.1.0 [Norvane https://www.norvane.com 出品]"_qs);
        QCOMPARE(text(*form, "Text1"), QString());
        QCOMPARE(text(*form, "Text2"), QString());
        QCOMPARE(text(*form, "Text3"), u"10"_qs);
        QCOMPARE(form->findChild<QCheckBox *>(u"Check1"_qs)->checkState(), Qt::Unchecked);
        QVERIFY(!form->findChild<QCheckBox *>(u"Check1"_qs)->isEnabled());
        QCOMPARE(form->findChild<QComboBox *>(u"Combo2"_qs)->currentText(), u"30天支出佣金从高到低"_qs);
        auto *combo1 = form->findChild<QComboBox *>(u"Combo1"_qs);
        QStringList templates;
        for (int i = 0; i < combo1->count(); ++i)
            templates << combo1->itemText(i);
        templates.sort();
        QCOMPARE(templates, QStringList({u"手机"_qs, u"经典 [A]"_qs}));
        QCOMPARE(combo1->currentIndex(), -1);
        QVERIFY(readBytes(settingsPath())
                    .startsWith(gbk::encode(u"[基本设置]\r\nText1=\r\nText2=\r\nText3=10\r\nCheck1="
                                            u"0\r\nCombo2=0\r\n[服务设置]\r\n")));
    }

    void inputsRoundTripThroughTheFile()
    {
        QVERIFY(writeBytes(settingsPath(),
                           gbk::encode(u"; mine\r\n[基本设置]\r\ntext1=abc\r\nCheck1=1\r\nCombo2=3\r\n"
                                       u"Extra=keep\r\n[别的]\r\nText1=other\r\n")));
        {
            auto form = makeForm();
            QCOMPARE(text(*form, "Text1"), u"abc"_qs);
            QCOMPARE(form->findChild<QCheckBox *>(u"Check1"_qs)->checkState(), Qt::Checked);
            QCOMPARE(form->findChild<QComboBox *>(u"Combo2"_qs)->currentText(), u"价格从高到低"_qs);
            auto *text1 = form->findChild<QLineEdit *>(u"Text1"_qs);
            text1->clear();
            text1->insert(u"连衣裙 夏"_qs);
            form->findChild<QLineEdit *>(u"Text2"_qs)->setText(u"30571968"_qs);
            form->findChild<QLineEdit *>(u"Text3"_qs)->setText(u"100"_qs); // saved unchecked
            form->close();
        }
        const QString saved = gbk::decode(readBytes(settingsPath()));
        QVERIFY2(saved.startsWith(
                     u"; mine\r\n[基本设置]\r\ntext1=连衣裙 夏\r\nCheck1=1\r\nCombo2=3\r\nExtra=keep\r\n"
                     u"Text2=30571968\r\nText3=100\r\n[别的]\r\nText1=other\r\n"_qs),
                 qPrintable(saved));
        QCOMPARE(saved.count(u"text1="_qs, Qt::CaseInsensitive), 2);
    }

    void unusableValuesLeaveControlsAsCreated_data()
    {
        QTest::addColumn<QString>("check1");
        QTest::addColumn<QString>("combo2");
        QTest::addColumn<Qt::CheckState>("state");
        QTest::addColumn<int>("index");
        QTest::newRow("out of range") << u"5"_qs << u"7"_qs << Qt::Unchecked << -1;
        QTest::newRow("not numbers") << u"x"_qs << u"abc"_qs << Qt::Unchecked << -1;
        QTest::newRow("no selection") << u"0"_qs << u"-1"_qs << Qt::Unchecked << -1;
        QTest::newRow("greyed and blanks") << u"2"_qs << u" 2 "_qs << Qt::PartiallyChecked << 2;
        QTest::newRow("half to even") << u"0.5"_qs << u"2.5"_qs << Qt::Unchecked << 2;
    }
    void unusableValuesLeaveControlsAsCreated()
    {
        QFETCH(QString, check1);
        QFETCH(QString, combo2);
        QFETCH(Qt::CheckState, state);
        QFETCH(int, index);
        QVERIFY(writeBytes(settingsPath(), gbk::encode(QString(u"[基本设置]\r\nCheck1="_qs + check1 +
                                                               u"\r\nCombo2="_qs + combo2))));
        auto form = makeForm();
        QCOMPARE(form->findChild<QCheckBox *>(u"Check1"_qs)->checkState(), state);
        QCOMPARE(form->findChild<QComboBox *>(u"Combo2"_qs)->currentIndex(), index);
        form->close();
        QVERIFY(gbk::decode(readBytes(settingsPath())).contains(u"Combo2="_qs + QString::number(index)));
    }

    // Inputs that cannot be saved at close are reported once, with the file's place; the file
    // stays as it was.
    void unsavedSettingsReportedOnce_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("read-only file") << u"read-only"_qs;
        QTest::newRow("a folder of that name") << u"folder"_qs;
        QTest::newRow("saved: no message") << u"writable"_qs;
    }
    void unsavedSettingsReportedOnce()
    {
        QFETCH(QString, kind);
        const QByteArray before =
            gbk::encode(u"[基本设置]\r\nText1=旧\r\nText2=\r\nText3=10\r\nCheck1=0\r\nCombo2=0\r\n");
        if (kind == u"folder") {
            QVERIFY(QDir().mkdir(settingsPath()));
        } else {
            QVERIFY(writeBytes(settingsPath(), before));
            if (kind == u"read-only")
                QVERIFY(QFile::setPermissions(settingsPath(), QFile::ReadOwner | QFile::ReadUser));
        }
        {
            auto form = makeForm();
            form->findChild<QLineEdit *>(u"Text1"_qs)->setText(u"新关键词"_qs);
            QVERIFY(m_messages.isEmpty());
            form->close();
        }
        if (kind == u"writable") {
            QVERIFY(m_messages.isEmpty());
            QVERIFY(gbk::decode(readBytes(settingsPath())).contains(u"Text1=新关键词"_qs));
            return;
        }
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.front().startsWith(u"设置未能保存"_qs), qPrintable(m_messages.front()));
        QVERIFY(m_messages.front().contains(QDir::toNativeSeparators(settingsPath())));
        if (kind == u"folder") {
            QVERIFY(QFileInfo(settingsPath()).isDir());
        } else {
            QCOMPARE(readBytes(settingsPath()), before);
            QFile::setPermissions(settingsPath(), QFile::ReadOwner | QFile::WriteOwner);
        }
    }

    void inputChecksOnLeavingTheBox_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("after");
        const QString pid = u"正确的淘宝客PID格式是mm_和_0_0中间的8位数字,例如：30571968|淘宝客PID错误"_qs;
        QTest::newRow("pid of 8 digits") << u"Text2"_qs << u"30571968"_qs << QStringList() << u"30571968"_qs;
        QTest::newRow("pid of 8 letters")
            << u"Text2"_qs << u"abcdefgh"_qs << QStringList{pid} << u"abcdefgh"_qs;
        QTest::newRow("pid empty") << u"Text2"_qs << QString() << QStringList() << QString();
        QTest::newRow("pid of 7 digits") << u"Text2"_qs << u"3057196"_qs << QStringList{pid} << u"3057196"_qs;
        QTest::newRow("whole pid stays")
            << u"Text2"_qs << u"mm_30571968_0_0"_qs << QStringList{pid} << u"mm_30571968_0_0"_qs;
        QTest::newRow("count empty") << u"Text3"_qs << QString() << QStringList{u"数量不能小于2|"_qs}
                                     << u"2"_qs;
        QTest::newRow("count letters")
            << u"Text3"_qs << u"abc"_qs << QStringList{u"数量不能小于2|"_qs} << u"2"_qs;
        QTest::newRow("count 1.5 passes") << u"Text3"_qs << u"1.5"_qs << QStringList() << u"1.5"_qs;
        QTest::newRow("count 40") << u"Text3"_qs << u"40"_qs << QStringList() << u"40"_qs;
        QTest::newRow("count 40.5") << u"Text3"_qs << u"40.5"_qs << QStringList{u"数量不能大于40|"_qs}
                                    << u"40"_qs;
        QTest::newRow("count 12abc") << u"Text3"_qs << u"12abc"_qs << QStringList() << u"12abc"_qs;
        QTest::newRow("count 4 0") << u"Text3"_qs << u"4 0"_qs << QStringList() << u"4 0"_qs;
    }
    void inputChecksOnLeavingTheBox()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QStringList, messages);
        QFETCH(QString, after);
        auto form = makeForm();
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        auto *edit = form->findChild<QLineEdit *>(box);
        edit->setFocus(Qt::OtherFocusReason);
        WAIT_VERIFY(edit->hasFocus());
        edit->clear();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Tab);
        WAIT_VERIFY(!edit->hasFocus());
        eventwait::settle(50);
        WAIT_COMPARE(m_messages, messages);
        QCOMPARE(edit->text(), after);
    }

    void paneShowsHelpPages()
    {
        auto form = makeForm();
        form->show();
        BrowserPane *pane = form->browser();
        // The start page: the loading words, then the help site's home page.
        WAIT_COMPARE(pane->url().toString(), u"taoyefang://help/"_qs, 20000);
        WAIT_COMPARE(pane->title(), u"首页"_qs, 10000);
        const QList<std::pair<const char *, QString>> entries = {
            {"shiyongshuoming", u"bangzhu.php"_qs}, {"mobanzhizuo", u"moban.php"_qs},
            {"guanwang", u"guanwang.php"_qs},       {"zuozhe", u"zuozhe.php"_qs},
            {"yijianjianyi", u"jianyi.php"_qs},     {"chengxushouye", QString()}};
        for (const auto &[action, page] : entries) {
            form->findChild<QAction *>(QString::fromLatin1(action))->trigger();
            WAIT_COMPARE(pane->url().toString(), u"taoyefang://help/"_qs + page, 10000);
        }
        WAIT_COMPARE(pane->title(), u"首页"_qs);
    }

    void previewOfThePickedTemplate()
    {
        auto form = makeForm();
        form->show();
        auto *combo1 = form->findChild<QComboBox *>(u"Combo1"_qs);
        BrowserPane *pane = form->browser();
        WAIT_COMPARE(pane->url().toString(), u"taoyefang://help/"_qs, 20000);

        combo1->setCurrentIndex(combo1->findText(u"经典 [A]"_qs));
        emit combo1->activated(combo1->currentIndex());
        WAIT_COMPARE(pane->url(), QUrl::fromLocalFile(m_dir->filePath(u"模板/经典 [A]/效果预览.htm"_qs)),
                     10000);
        WAIT_COMPARE(paneText(pane), u"预览甲"_qs, 10000);

        combo1->setCurrentIndex(combo1->findText(u"手机"_qs));
        emit combo1->activated(combo1->currentIndex());
        WAIT_COMPARE(paneText(pane), u"模板<手机>暂无预览"_qs, 10000);
    }

    // A page on disk shows its own pictures but reads nothing beside its folder, 设置.ini least.
    void pageOnDiskReadsOnlyItsFolder()
    {
        const QString folder = m_dir->filePath(u"模板/窥"_qs);
        QVERIFY(writeBytes(folder + u"/模板文件.htm"_qs, "x"));
        QVERIFY(QFile::copy(m_dir->filePath(u"帮助/index.html"_qs), folder + u"/own.txt"_qs));
        QVERIFY(writeBytes(folder + u"/效果预览.htm"_qs,
                           "<html><body><script>"
                           "function read(a){var x=new XMLHttpRequest();try{x.open('GET',a,false);x.send();"
                           "return x.responseText.length>0?'read':'none';}catch(e){return 'blocked';}}"
                           "document.title=read('own.txt')+','+read('../../设置.ini');"
                           "</script></body></html>"));
        auto form = makeForm();
        BrowserPane *pane = form->browser();
        WAIT_COMPARE(pane->url().toString(), u"taoyefang://help/"_qs, 20000);
        QVERIFY(QFile::exists(m_dir->filePath(u"设置.ini"_qs)));
        QVERIFY(pickTemplate(*form, u"窥"_qs));
        WAIT_COMPARE(pane->title(), u"read,blocked"_qs, 10000);
        for (const auto &[page, request, outside] :
             {std::tuple{"file:///o/a/index.htm", "file:///o/a/img/x.png", false},
              {"file:///o/a/", "file:///o/a/x.css", false},
              {"file:///o/a/index.htm", "file:///o/a/../设置.ini", true},
              {"file:///o/a/index.htm", "file:///o/ab/x.png", true},
              {"taoyefang://help/", "file:///o/a/x.png", true},
              {"file:///o/a/index.htm", "https://img.alicdn.com/x.png", false}})
            QCOMPARE(StatusPageGuard::isOutsidePageFolder(QUrl(QString::fromUtf8(page)),
                                                          QUrl(QString::fromUtf8(request))),
                     outside);
    }

    void paneFollowsTheWindowSize()
    {
        auto form = makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        auto *client = form->centralWidget();
        BrowserPane *pane = form->browser();
        // 11850 x 7080 twips at 96 dpi.
        QCOMPARE(client->size(), QSize(790, 472));
        QCOMPARE(pane->geometry(), QRect(0, 35, 790, 403));
        form->resize(1000, form->height());
        WAIT_COMPARE(pane->width(), client->width());
        QCOMPARE(pane->height(), 403);
        const int height = pane->height();
        form->resize(300, 1);
        WAIT_COMPARE(pane->width(), client->width());
        QCOMPARE(pane->height(), height);
        form->showMinimized();
        form->showNormal();
        form->resize(790, 600);
        WAIT_COMPARE(pane->height(), client->height() - 35 - 34);
    }

private:
    std::unique_ptr<Form1> makeForm()
    {
        auto form = std::make_unique<Form1>(m_dir->path());
        form->setQuitOnClose(false);
        connect(form.get(), &Form1::messageShown, this, [this](const QString &text, const QString &title) {
            m_messages << text + u'|' + title;
            // Answer the box as soon as it is open.
            QTimer::singleShot(0, this, [] {
                if (QWidget *box = QApplication::activeModalWidget())
                    box->close();
            });
        });
        return form;
    }

    QString settingsPath() const { return m_dir->filePath(u"设置.ini"_qs); }
    static QString text(const Form1 &form, const char *name)
    {
        return form.findChild<QLineEdit *>(QString::fromLatin1(name))->text();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_messages;
};

int main(int argc, char *argv[])
{
    Form1::prepareApplication();
    QApplication app(argc, argv);
    TestForm1 test;
    return QTest::qExec(&test, argc, argv);
}

#include "form1.moc"
