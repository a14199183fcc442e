#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include "browserpane.h"
#include "commandline.h"
#include "demofixture.h"
#include "eventwait.h"
#include "form1.h"

namespace {

QStringList filesBelow(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

// The window and the command line, given the same inputs, write the same folder with the same
// page, byte for byte.
class TestWindowAndCli final : public QObject
{
    Q_OBJECT

private slots:
    void sameFolderAndSameBytes_data()
    {
        QTest::addColumn<int>("check1");
        QTest::newRow("short links off") << 0;
        QTest::newRow("short links on") << 1;
    }
    void sameFolderAndSameBytes()
    {
        QFETCH(int, check1);
        DemoFixture demo;
        QVERIFY(demo.listen());
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // The window takes its keyword from Text1; the command line is given it.
        const QString basic = u"Text1=连衣裙\r\nText2=30571968\r\nText3=6\r\nCheck1="_qs +
                              QString::number(check1) + u"\r\nCombo2=3\r\n"_qs;

        // The window.
        const QString windowFolder = dir.filePath(u"窗口"_qs);
        QVERIFY(programfolder::make(windowFolder, demo.host(), basic));
        {
            Form1 form(windowFolder);
            form.setQuitOnClose(false);
            form.show();
            WAIT_VERIFY(form.browser()->url().toString() == u"taoyefang://help/"_qs, 20000);
            auto *combo = form.findChild<QComboBox *>(u"Combo1"_qs);
            combo->setCurrentIndex(combo->findText(u"经典网格"_qs));
            auto *command = form.findChild<QAction *>(u"shengcheng"_qs);
            command->trigger();
            WAIT_VERIFY(command->isEnabled(), 20000);
            QVERIFY(form.latestRun());
        }
        const QStringList windowOutputs = programfolder::subfolders(windowFolder + u"/已生成"_qs);
        QCOMPARE(windowOutputs.size(), 1);
        const QString name = windowOutputs.first();
        const QString windowOutput = windowFolder + u"/已生成/"_qs + name;
        const QByteArray windowPage = programfolder::readBytes(windowOutput + u"/index.htm"_qs);
        QVERIFY(!windowPage.isEmpty());

        // The command line's own code, with its clock at the second the window's run named.
        const QString cliFolder = dir.filePath(u"命令行"_qs);
        QVERIFY(programfolder::make(cliFolder, demo.host(), basic));
        QString outText;
        QString errText;
        QTextStream out(&outText);
        QTextStream err(&errText);
        cli::Environment env;
        env.programFolder = cliFolder;
        env.out = &out;
        env.err = &err;
        const QTime at = QTime::fromString(name.right(6), u"hhmmss");
        QVERIFY(at.isValid());
        env.now = [at] {
            return QDateTime(QDate::currentDate(), at);
        };
        const int code = cli::run(
            {u"taoyefang-cli"_qs, u"generate"_qs, u"-k"_qs, u"连衣裙"_qs, u"-t"_qs, u"经典网格"_qs}, env);
        QVERIFY2(code == 0, qPrintable(errText));
        QCOMPARE(programfolder::subfolders(cliFolder + u"/已生成"_qs), QStringList{name});
        const QString cliOutput = cliFolder + u"/已生成/"_qs + name;
        out.flush();
        QCOMPARE(outText, QDir::toNativeSeparators(cliOutput) + u'\n');
        QCOMPARE(filesBelow(cliOutput), filesBelow(windowOutput));
        QCOMPARE(programfolder::readBytes(cliOutput + u"/index.htm"_qs), windowPage);

        // The built program, run as a user would.
        const QString programFolder = dir.filePath(u"程序"_qs);
        QVERIFY(programfolder::make(programFolder, demo.host(), basic));
        QVERIFY(QFile::copy(QStringLiteral(TAOYEFANG_CLI), programFolder + u"/taoyefang-cli"_qs));
        QProcess process;
        QEventLoop loop;
        connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        process.start(programFolder + u"/taoyefang-cli"_qs,
                      {u"generate"_qs, u"-k"_qs, u"连衣裙"_qs, u"-t"_qs, u"经典网格"_qs});
        QVERIFY(process.waitForStarted());
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        QCOMPARE(process.exitCode(), 0);
        const QString printed = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        QVERIFY(printed.startsWith(QDir::toNativeSeparators(programFolder + u"/已生成/连衣裙_经典网格_"_qs)));
        QCOMPARE(programfolder::readBytes(printed + u"/index.htm"_qs), windowPage);
    }
};

int main(int argc, char *argv[])
{
    Form1::prepareApplication();
    QApplication app(argc, argv);
    TestWindowAndCli test;
    return QTest::qExec(&test, argc, argv);
}

#include "windowandcli.moc"
