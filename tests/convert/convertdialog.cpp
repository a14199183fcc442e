#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "convertdialog.h"
#include "converttexts.h"
#include "demofixture.h"
#include "form1.h"

namespace {

const QString promotion = u"【今日好价】夏装雪纺连衣裙，领券立减！\n"
                          u"👉 https://item.taobao.com/item.htm?id=15836207491&spm=a21bo.1\n"
                          u"同款男鞋：https://m.tb.cn/h.5Xy9AbC?tk=Qw3rTy7uIoP\n"
                          u"复制￥Zx8Cv6Bn4Mq￥打开手机淘宝"_qs;

} // namespace

// 工具 -> 转链… on the real window, against the demo gateway.
class TestConvertDialog final : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoFixture> m_demo;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Form1> m_form;
    ConvertDialog *m_dialog = nullptr;

    template <typename T> T *child(const char *name) const
    {
        return m_dialog->findChild<T *>(QLatin1String(name));
    }

    ConvertDialog *openDialog(const QString &source)
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_demo = std::make_unique<DemoFixture>();
        if (!m_demo->listen() ||
            !programfolder::make(m_dir->path(), m_demo->host(), u"Text2=mm_1_2_3\r\n"_qs))
            return nullptr;
        QFile settings(m_dir->filePath(u"设置.ini"_qs));
        if (!settings.open(QIODevice::Append))
            return nullptr;
        settings.write(gbk::encode(
            QString(u"数据来源="_qs + source + u"\r\nAppKey=demo-app\r\nAppSecret=demo-secret\r\n"_qs)));
        settings.close();
        m_form = std::make_unique<Form1>(m_dir->path());
        m_form->setQuitOnClose(false);
        m_form->useDemoService(m_demo->host());
        m_form->findChild<QAction *>(u"zhuanlian"_qs)->trigger();
        m_dialog = m_form->findChild<ConvertDialog *>();
        return m_dialog;
    }

private slots:
    void cleanup()
    {
        m_form.reset();
        m_demo.reset();
    }

    void pastedTextComesBackConverted()
    {
        ConvertDialog *dialog = openDialog(u"开放平台"_qs);
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(!child<QLabel>("notice")->isVisible());
        QGuiApplication::clipboard()->setText(promotion);
        child<QPlainTextEdit>("input")->paste();
        child<QPushButton>("convert")->click();

        QCOMPARE(child<QLabel>("status")->text(), converttexts::converted + u" 3/3 项"_qs);
        auto *table = child<QTableWidget>("found");
        QCOMPARE(table->rowCount(), 3);
        for (int row = 0; row < 3; ++row)
            QCOMPARE(table->item(row, 8)->text(), converttexts::converted.toString());
        child<QPushButton>("copyAll")->click();
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied, dialog->outcome().text);
        // Each of the three replaced by the user's own, everything around them as it was.
        const QStringList replacements = dialog->outcome().replacements;
        QVERIFY(replacements[0].startsWith(u"http://"_qs + m_demo->host() + u"/t/"_qs));
        QVERIFY(replacements[1].startsWith(u"http://"_qs + m_demo->host() + u"/t/"_qs));
        QVERIFY(replacements[2].startsWith(u'￥') && replacements[2] != u"￥Zx8Cv6Bn4Mq￥");
        QCOMPARE(copied, u"【今日好价】夏装雪纺连衣裙，领券立减！\n👉 "_qs + replacements[0] +
                             u"\n同款男鞋："_qs + replacements[1] + u"\n复制"_qs + replacements[2] +
                             u"打开手机淘宝"_qs);
        qobject_cast<QPushButton *>(table->cellWidget(2, 9))->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), replacements[2]);
    }

    void testToolModeSaysHowToSwitch()
    {
        QVERIFY(openDialog(u"接口测试工具"_qs));
        QVERIFY(child<QLabel>("notice")->isVisible());
        QCOMPARE(child<QLabel>("notice")->text(), converttexts::notOpenPlatform.toString());
        QVERIFY(!child<QPushButton>("convert")->isEnabled());
    }

    // The calls wait with the window's events flowing; closing the window stops them at once.
    void closingTheWindowStopsTheCalls()
    {
        ConvertDialog *dialog = openDialog(u"开放平台"_qs);
        m_demo->service().setLatency(10000);
        child<QPlainTextEdit>("input")->setPlainText(promotion);
        QTimer::singleShot(300, m_form.get(), [this] { m_form->close(); });
        QElapsedTimer clock;
        clock.start();
        child<QPushButton>("convert")->click();
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(dialog->outcome().status, convert::ConvertOutcome::Status::Cancelled);
        QCOMPARE(child<QPlainTextEdit>("output")->toPlainText(), QString());
        QCOMPARE(child<QLabel>("status")->text(), converttexts::cancelled.toString());
    }
};

int main(int argc, char *argv[])
{
    Form1::prepareApplication();
    QApplication app(argc, argv);
    TestConvertDialog test;
    return QTest::qExec(&test, argc, argv);
}

#include "convertdialog.moc"
