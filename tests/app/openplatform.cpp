#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

#include "browserpane.h"
#include "demoserver.h"
#include "eventwait.h"
#include "form1.h"
#include "gbk.h"
#include "openplatform/topcall.h"
#include "runstate.h"
#include "servicesettingsdialog.h"
#include "testfiles.h"
#include "windowtest.h"
#include "testpaths.h"

using namespace windowtest;

namespace {

const QString fixtureDir = QStringLiteral(TAOYEFANG_TEST_DATA_DIR "/openplatform");
// What the window says, once, when no keyring takes the AppSecret (none runs under the tests).
const QString secretInFileSaid =
    u"没有运行中的系统密钥环，AppSecret 保存在设置.ini 中（只有本用户可读）。|"_qs;

// Closes the message box that is about to open, once it is up.
void closeModalSoon(QObject *context)
{
    QTimer::singleShot(0, context, [] {
        if (QWidget *box = QApplication::activeModalWidget())
            box->close();
    });
}

} // namespace

// The window with the open platform as its item source, against the demo gateway on a free port.
class TestOpenPlatformWindow final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        QVERIFY(m_dir->isValid());
        const QString templ = m_dir->filePath(u"模板/开放"_qs);
        QVERIFY(QDir().mkpath(templ));
        for (const QString &name : {u"模板文件.htm"_qs, u"style.css"_qs})
            QVERIFY(QFile::copy(fixtureDir + u"/模板/开放/"_qs + name, templ + u'/' + name));
        m_server.reset(new demo::DemoServer);
        QVERIFY(m_server->listen());
        m_messages.clear();
        m_pages.clear();
    }

    // The run keeps the set-up it began with: a gateway accepted in 服务设置 meanwhile is for the
    // next run.
    void runWritesThePinnedPage()
    {
        writeSettings(u"demo-secret"_qs);
        auto form = makeForm();
        QVERIFY(pickTemplate(*form, u"开放"_qs));
        connect(form.get(), &Form1::navigated, this, [&](const QString &address) {
            if (address.contains(u"正在通过api接口获取商品数据"_qs))
                QTimer::singleShot(0, form.get(), [&] {
                    runDialog(*form, [](ServiceSettingsDialog &dialog) {
                        dialog.findChild<QLineEdit *>(u"gateway"_qs)->setText(u"http://127.0.0.1:1/"_qs);
                        dialog.accept();
                    });
                });
        });
        const QDateTime started = QDateTime::currentDateTimeUtc();
        auto *command = form->findChild<QAction *>(u"shengcheng"_qs);
        command->trigger();
        WAIT_VERIFY(command->isEnabled(), 20000);
        QCOMPARE(m_messages, QStringList{secretInFileSaid});
        QCOMPARE(form->setup().openPlatform.gateway, u"http://127.0.0.1:1/"_qs);

        const QStringList folders = outputFolders(m_dir->path());
        QCOMPARE(folders.size(), 1);
        const QString output = m_dir->filePath(u"已生成/"_qs + folders.first());
        QVERIFY(QFile::exists(output + u"/style.css"_qs));
        QByteArray expected = readBytes(fixtureDir + u"/expected-index.htm"_qs);
        expected.replace("@ORIGIN@", m_server->origin().toLatin1());
        QCOMPARE(readBytes(output + u"/index.htm"_qs), expected);

        // The search as the gateway received it, then one 淘口令 per item, all validly signed.
        QList<httpkit::Request> calls;
        for (const httpkit::Request &request : m_server->requests()) {
            if (request.path == "/router/rest")
                calls.append(request);
        }
        QCOMPARE(calls.size(), 6);
        const httpkit::Request &search = calls.first();
        QCOMPARE(search.method, QByteArray("POST"));
        QCOMPARE(search.target, QByteArray("/router/rest"));
        QCOMPARE(search.header("Content-Type"),
                 QByteArray("application/x-www-form-urlencoded;charset=utf-8"));
        const topcall::Form received = topcall::decodeForm(search.body);
        QStringList names;
        for (const auto &[name, value] : received)
            names << name;
        names.sort();
        QCOMPARE(names,
                 QStringList({u"adzone_id"_qs, u"app_key"_qs, u"format"_qs, u"material_id"_qs, u"method"_qs,
                              u"page_no"_qs, u"page_size"_qs, u"q"_qs, u"sign"_qs, u"sign_method"_qs,
                              u"simplify"_qs, u"sort"_qs, u"timestamp"_qs, u"v"_qs}));
        const QHash<QString, QString> fixed{
            {u"method"_qs, u"taobao.tbk.dg.material.optional.upgrade"_qs},
            {u"app_key"_qs, u"demo-app"_qs},
            {u"format"_qs, u"json"_qs},
            {u"v"_qs, u"2.0"_qs},
            {u"sign_method"_qs, u"md5"_qs},
            {u"simplify"_qs, u"true"_qs},
            {u"adzone_id"_qs, u"34567890"_qs},
            {u"q"_qs, u"连衣裙"_qs},
            {u"page_no"_qs, u"1"_qs},
            {u"page_size"_qs, u"5"_qs},
            {u"material_id"_qs, u"80309"_qs},
            {u"sort"_qs, u"tk_total_sales_des"_qs},
        };
        for (auto it = fixed.begin(); it != fixed.end(); ++it)
            QCOMPARE(topcall::value(received, it.key()), it.value());
        const QDateTime stamp = QDateTime(
            QDateTime::fromString(topcall::value(received, u"timestamp"_qs), u"yyyy-MM-dd HH:mm:ss").date(),
            QDateTime::fromString(topcall::value(received, u"timestamp"_qs), u"yyyy-MM-dd HH:mm:ss").time(),
            QTimeZone(8 * 3600));
        QVERIFY2(std::abs(started.secsTo(stamp)) < 60, qPrintable(topcall::value(received, u"timestamp"_qs)));
        for (const httpkit::Request &call : calls) {
            const topcall::Form form = topcall::decodeForm(call.body);
            QCOMPARE(topcall::value(form, u"sign"_qs), topcall::expectedSign(form, u"demo-secret"_qs));
        }
        QVERIFY(m_pages.last().startsWith(u"about:<center><br/><br/><br/><b>单页生成成功"_qs));
    }

    void wrongSecretWritesNothing()
    {
        const QString secret = u"not-the-demo-secret"_qs;
        writeSettings(secret);
        auto form = makeForm();
        QVERIFY(pickTemplate(*form, u"开放"_qs));
        auto *command = form->findChild<QAction *>(u"shengcheng"_qs);
        command->trigger();
        WAIT_VERIFY(command->isEnabled(), 20000);
        QCOMPARE(command->text(), u"开始生成"_qs);
        QVERIFY(outputFolders(m_dir->path()).isEmpty());
        QVERIFY(!form->latestRun());
        QVERIFY2(m_pages.last().contains(u"签名无效（请检查 AppSecret 与签名方式）"_qs),
                 qPrintable(m_pages.last()));
        QString text;
        QVERIFY(eventwait::until(
            [&] {
                text = paneText(form->browser());
                return text.contains(u"签名无效"_qs);
            },
            10000, 50));
        QVERIFY(!text.contains(secret));
        QVERIFY(!m_pages.join(u'\n').contains(secret));
    }

    void menusKeepTheirPlaceAndToolsComesLast()
    {
        writeSettings(u"demo-secret"_qs);
        auto form = makeForm();
        QStringList captions;
        for (QAction *action : form->menuBar()->actions())
            captions << action->text();
        QCOMPARE(captions,
                 QStringList({u"开始生成"_qs, u"使用说明"_qs, u"模板制作"_qs, u"联系我们"_qs, u"工具"_qs}));
        auto *tools = form->findChild<QMenu *>(u"gongju"_qs);
        QVERIFY(tools);
        QStringList entries;
        for (QAction *action : tools->actions())
            entries << action->text();
        QCOMPARE(entries, QStringList({u"服务设置…"_qs, u"批量生成…"_qs, u"站点管理…"_qs, u"转链…"_qs,
                                       u"收益报表…"_qs}));
    }

    void dialogOkWritesAndTheWindowFollows()
    {
        writeSettings(u"demo-secret"_qs, u"接口测试工具"_qs);
        auto form = makeForm();
        const QByteArray before = readBytes(settingsPath());

        // Cancel changes nothing, whatever was typed.
        runDialog(*form, [](ServiceSettingsDialog &dialog) {
            dialog.findChild<QLineEdit *>(u"appKey"_qs)->setText(u"typed"_qs);
            dialog.findChild<QCheckBox *>(u"shortLinks"_qs)->setChecked(true);
            dialog.reject();
        });
        QCOMPARE(readBytes(settingsPath()), before);
        QCOMPARE(form->findChild<QCheckBox *>(u"Check1"_qs)->checkState(), Qt::Unchecked);

        runDialog(*form, [](ServiceSettingsDialog &dialog) {
            auto *secret = dialog.findChild<QLineEdit *>(u"appSecret"_qs);
            QCOMPARE(secret->echoMode(), QLineEdit::Password);
            QCOMPARE(secret->text(), u"demo-secret"_qs);
            dialog.findChild<QCheckBox *>(u"showSecret"_qs)->setChecked(true);
            QCOMPARE(secret->echoMode(), QLineEdit::Normal);
            secret->setText(u"new-secret"_qs);
            dialog.findChild<QComboBox *>(u"source"_qs)->setCurrentText(u"开放平台"_qs);
            dialog.findChild<QComboBox *>(u"signMethod"_qs)->setCurrentText(u"hmac"_qs);
            dialog.findChild<QCheckBox *>(u"makeTpwd"_qs)->setChecked(false);
            dialog.findChild<QCheckBox *>(u"shortLinks"_qs)->setChecked(true);
            dialog.findChild<QLineEdit *>(u"imageHost"_qs)->setText(u"img.example:81"_qs);
            dialog.accept();
        });
        const QString saved = gbk::decode(readBytes(settingsPath()));
        for (const QString &entry : {u"数据来源=开放平台"_qs, u"AppSecret=new-secret"_qs, u"签名方式=hmac"_qs,
                                     u"生成淘口令=0"_qs, u"图片主机=img.example:81"_qs, u"Check1=1"_qs})
            QVERIFY2(saved.contains(entry), qPrintable(entry));
        QCOMPARE(QFile::permissions(settingsPath()) & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
        QCOMPARE(form->findChild<QCheckBox *>(u"Check1"_qs)->checkState(), Qt::Checked);
        QCOMPARE(form->setup().source, itemsource::Source::OpenPlatform);
        QCOMPARE(form->setup().openPlatform.appSecret, u"new-secret"_qs);
        QCOMPARE(form->setup().openPlatform.signMethod, itemsource::SignMethod::Hmac);
        QCOMPARE(form->setup().hosts.imageHost, u"img.example:81"_qs);
        runDialog(*form, [](ServiceSettingsDialog &dialog) { dialog.accept(); });
        QCOMPARE(m_messages, QStringList{secretInFileSaid});
    }

    void connectionTestExplainsWhatCameBack()
    {
        writeSettings(u"demo-secret"_qs);
        auto form = makeForm();
        QStringList said;
        const auto test = [&](const QString &secret) {
            runDialog(*form, [&](ServiceSettingsDialog &dialog) {
                connect(&dialog, &ServiceSettingsDialog::connectionTested, this, [&](const QString &message) {
                    said << message;
                    closeModalSoon(this);
                });
                dialog.findChild<QLineEdit *>(u"appSecret"_qs)->setText(secret);
                dialog.findChild<QPushButton *>(u"testConnection"_qs)->click();
                dialog.reject();
            });
        };
        test(u"demo-secret"_qs);
        test(u"wrong-one"_qs);
        QCOMPARE(said.size(), 2);
        QCOMPARE(said[0], u"连接成功：搜索“连衣裙”返回 1 件商品（共 14 件相符）"_qs);
        QCOMPARE(said[1], u"连接失败：签名无效（请检查 AppSecret 与签名方式）"_qs);
        // The one search each, for 连衣裙, one item.
        const QList<httpkit::Request> requests = m_server->requests();
        QCOMPARE(requests.size(), 2);
        const topcall::Form call = topcall::decodeForm(requests.first().body);
        QCOMPARE(topcall::value(call, u"q"_qs), u"连衣裙"_qs);
        QCOMPARE(topcall::value(call, u"page_size"_qs), u"1"_qs);
        QCOMPARE(topcall::value(call, u"adzone_id"_qs), u"34567890"_qs);
    }

    void pidBoxTakesTheFullPid_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refused");
        QTest::newRow("full PID") << u"mm_12345678_2345678_34567890"_qs << false;
        QTest::newRow("old eight digits") << u"30571968"_qs << true;
        QTest::newRow("old whole PID") << u"mm_30571968_0_0"_qs << true;
        QTest::newRow("empty") << QString() << false;
    }
    void pidBoxTakesTheFullPid()
    {
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        writeSettings(u"demo-secret"_qs);
        auto form = makeForm();
        QApplication::setActiveWindow(form.get());
        WAIT_VERIFY(form->isActiveWindow());
        auto *edit = form->findChild<QLineEdit *>(u"Text2"_qs);
        edit->setFocus(Qt::OtherFocusReason);
        WAIT_VERIFY(edit->hasFocus());
        edit->clear();
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Tab);
        WAIT_VERIFY(!edit->hasFocus());
        eventwait::settle(50);
        if (!refused) {
            QCOMPARE(m_messages, QStringList());
            return;
        }
        WAIT_COMPARE(m_messages.size(), 1);
        QVERIFY(
            m_messages.first().startsWith(u"请输入完整的推广位PID，例如 mm_12345678_2345678_34567890"_qs));
        QVERIFY(m_messages.first().contains(u"没有推广位"_qs));
        QVERIFY(m_messages.first().endsWith(u"|淘宝客PID错误"_qs));
        QCOMPARE(edit->text(), typed);
    }

private:
    QString settingsPath() const { return m_dir->filePath(u"设置.ini"_qs); }

    void writeSettings(const QString &secret, const QString &source = u"开放平台"_qs)
    {
        const QString host = u"127.0.0.1:"_qs + QString::number(m_server->port());
        const QString text =
            u"[基本设置]\r\nText1=连衣裙\r\nText2=mm_12345678_2345678_34567890\r\nText3=5\r\n"
            u"Check1=0\r\nCombo2=1\r\n[服务设置]\r\n接口主机="_qs +
            host + u"\r\n短网址主机="_qs + host + u"\r\n图片主机="_qs + host + u"\r\n数据来源="_qs + source +
            u"\r\n开放平台网关=http://"_qs + host + u"/router/rest\r\nAppKey=demo-app\r\nAppSecret="_qs +
            secret + u"\r\n签名方式=md5\r\n生成淘口令=1\r\n"_qs;
        QVERIFY(writeBytes(settingsPath(), gbk::encode(text)));
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
            closeModalSoon(this);
        });
        if (!eventwait::until([&] { return form->browser()->url().toString() == u"taoyefang://help/"_qs; },
                              20000))
            qWarning("the start page did not come");
        return form;
    }

    // Opens 工具 → 服务设置… and hands the dialog to `drive` once it is up.
    void runDialog(Form1 &form, const std::function<void(ServiceSettingsDialog &)> &drive)
    {
        bool driven = false;
        const QMetaObject::Connection opened =
            connect(&form, &Form1::serviceSettingsOpened, this, [&](QDialog *dialog) {
                QTimer::singleShot(0, dialog, [&, dialog] {
                    drive(*static_cast<ServiceSettingsDialog *>(dialog));
                    driven = true;
                    if (dialog->isVisible())
                        dialog->reject();
                });
            });
        form.findChild<QAction *>(u"fuwushezhi"_qs)->trigger();
        disconnect(opened);
        QVERIFY(driven);
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
    TestOpenPlatformWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "openplatform.moc"
