#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "gbk.h"
#include "settingsstore.h"

Q_DECLARE_METATYPE(itemsource::Source)
Q_DECLARE_METATYPE(itemsource::SignMethod)

namespace {

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? gbk::decode(file.readAll()) : QString();
}

bool writeText(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(gbk::encode(text)) >= 0;
}

// Set where the test runs in a keyring session of its own.
constexpr char inKeyringSession[] = "TAOYEFANG_TEST_IN_KEYRING";

constexpr QFileDevice::Permissions groupOrOthers =
    QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;

} // namespace

class TestServiceSettings final : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(u"设置.ini"_qs); }

private slots:
    void init() { QFile::remove(path()); }

    void missingEntriesStoreTheirDefaults()
    {
        const settingsstore::SourceSettings read = settingsstore::readSourceSettings(path());
        QCOMPARE(read.source, itemsource::Source::TestTool);
        QCOMPARE(read.openPlatform.gateway, u"https://gw.api.taobao.com/router/rest"_qs);
        QVERIFY(read.openPlatform.appKey.isEmpty() && read.openPlatform.appSecret.isEmpty());
        QCOMPARE(read.openPlatform.signMethod, itemsource::SignMethod::HmacSha256);
        QVERIFY(!read.openPlatform.makeTpwd);
        QCOMPARE(readText(path()),
                 u"[服务设置]\r\n数据来源=接口测试工具\r\n开放平台网关=https://gw.api.taobao.com/router/"
                 u"rest\r\nAppKey=\r\nAppSecret=\r\n签名方式=hmac-sha256\r\n生成淘口令=0\r\n"_qs);
    }

    void valuesAsTheFileHoldsThem_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("signMethod");
        QTest::addColumn<QString>("tpwd");
        QTest::addColumn<itemsource::Source>("expectedSource");
        QTest::addColumn<itemsource::SignMethod>("expectedMethod");
        QTest::addColumn<bool>("expectedTpwd");
        QTest::newRow("open platform, md5, tpwd")
            << u"开放平台"_qs << u"md5"_qs << u"1"_qs << itemsource::Source::OpenPlatform
            << itemsource::SignMethod::Md5 << true;
        QTest::newRow("hmac") << u"开放平台"_qs << u"hmac"_qs << u"0"_qs << itemsource::Source::OpenPlatform
                              << itemsource::SignMethod::Hmac << false;
        QTest::newRow("capitals and blanks")
            << u" 开放平台 "_qs << u"MD5"_qs << u" 1"_qs << itemsource::Source::OpenPlatform
            << itemsource::SignMethod::Md5 << true;
        QTest::newRow("unknown values")
            << u"淘宝联盟"_qs << u"sha1"_qs << u"yes"_qs << itemsource::Source::Unknown
            << itemsource::SignMethod::HmacSha256 << false;
        QTest::newRow("no source named") << QString() << u"md5"_qs << u"0"_qs << itemsource::Source::TestTool
                                         << itemsource::SignMethod::Md5 << false;
    }
    void valuesAsTheFileHoldsThem()
    {
        QFETCH(QString, source);
        QFETCH(QString, signMethod);
        QFETCH(QString, tpwd);
        QVERIFY(writeText(path(), u"[服务设置]\r\n数据来源="_qs + source + u"\r\n签名方式="_qs + signMethod +
                                      u"\r\n生成淘口令="_qs + tpwd + u"\r\nappkey=k1\r\n"_qs));
        const settingsstore::SourceSettings read = settingsstore::readSourceSettings(path());
        QTEST(read.source, "expectedSource");
        QTEST(read.openPlatform.signMethod, "expectedMethod");
        QTEST(read.openPlatform.makeTpwd, "expectedTpwd");
        QCOMPARE(read.openPlatform.appKey, u"k1"_qs);
    }

    // The dialog takes values of any length; only the five inputs keep their 143-byte cut.
    void serviceValuesAreReadWhole()
    {
        const QString secret = QString(153, u's');
        const QString gateway = u"https://gw.example.com/router/rest/"_qs + QString(150, u'g');
        QVERIFY(writeText(path(), u"[基本设置]\r\nText1="_qs + QString(150, u'k') +
                                      u"\r\n[服务设置]\r\nAppSecret="_qs + secret + u"\r\n开放平台网关="_qs +
                                      gateway + u"\r\n"_qs));
        const settingsstore::SourceSettings read = settingsstore::readSourceSettings(path());
        QCOMPARE(read.openPlatform.appSecret, secret);
        QCOMPARE(read.openPlatform.gateway, gateway);
        QCOMPARE(settingsstore::readInputs(path(), 0).keyword, QString(143, u'k'));
    }

    void writingKeepsTheRestAndHidesTheSecret()
    {
        QVERIFY(writeText(path(),
                          u"; 我的\r\n[基本设置]\r\nText1=裙\r\nCheck1=0\r\n[服务设置]\r\n接口主机=a:1\r\n"
                          u"其他=保留\r\n"_qs));
        QVERIFY(QFile::setPermissions(path(), QFile::permissions(path()) | QFileDevice::ReadOther));
        settingsstore::ServiceSettings settings;
        settings.sources.source = itemsource::Source::OpenPlatform;
        settings.sources.openPlatform.gateway = u"http://127.0.0.1:9/router/rest"_qs;
        settings.sources.openPlatform.appKey = u"demo-app"_qs;
        settings.sources.openPlatform.appSecret = u"demo-secret"_qs;
        settings.sources.openPlatform.signMethod = itemsource::SignMethod::Hmac;
        settings.sources.openPlatform.makeTpwd = true;
        settings.hosts = {u"b:2"_qs, u"c:3"_qs, u"d:4"_qs};
        settings.helpBaseUrl = u"http://help/"_qs;
        settings.checkState = 1;
        QVERIFY(settingsstore::writeServiceSettings(path(), settings));
        QCOMPARE(
            readText(path()),
            u"; 我的\r\n[基本设置]\r\nText1=裙\r\nCheck1=1\r\n[服务设置]\r\n接口主机=b:2\r\n其他=保留\r\n"
            u"短网址主机=c:3\r\n图片主机=d:4\r\n帮助网址=http://help/\r\n数据来源=开放平台\r\n"
            u"开放平台网关=http://127.0.0.1:9/router/rest\r\nAppKey=demo-app\r\nAppSecret=demo-secret\r\n"
            u"签名方式=hmac\r\n生成淘口令=1\r\n"_qs);
        QCOMPARE(QFile::permissions(path()) & groupOrOthers, QFileDevice::Permissions());
        // Nothing of the staging is left beside the file.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"设置.ini"_qs});

        // Later writes of single entries keep the file private.
        QVERIFY(settingsstore::writeInputs(path(), {u"x"_qs, u"y"_qs, u"10"_qs, 0, 0}));
        QCOMPARE(QFile::permissions(path()) & groupOrOthers, QFileDevice::Permissions());

        const settingsstore::SourceSettings read = settingsstore::readSourceSettings(path());
        QCOMPARE(read.openPlatform.appSecret, u"demo-secret"_qs);
        QCOMPARE(read.openPlatform.signMethod, itemsource::SignMethod::Hmac);
        QCOMPARE(settingsstore::readHosts(path()).imageHost, u"d:4"_qs);
    }

    void aSecretWrittenByHandIsHiddenOnRead()
    {
        QVERIFY(writeText(path(), u"[服务设置]\r\nAppSecret=typed-in\r\n"_qs));
        QVERIFY(QFile::setPermissions(path(), QFile::permissions(path()) | QFileDevice::ReadOther));
        QCOMPARE(settingsstore::readSourceSettings(path()).openPlatform.appSecret, u"typed-in"_qs);
        QCOMPARE(QFile::permissions(path()) & groupOrOthers, QFileDevice::Permissions());
    }

    void noSecretLeavesThePermissionsAlone()
    {
        QVERIFY(writeText(path(), u"[服务设置]\r\n"_qs));
        QVERIFY(QFile::setPermissions(path(), QFile::permissions(path()) | QFileDevice::ReadOther));
        settingsstore::readSourceSettings(path());
        QVERIFY(settingsstore::writeServiceSettings(path(), settingsstore::ServiceSettings()));
        QVERIFY(QFile::permissions(path()) & QFileDevice::ReadOther);
    }

    // Saved, the AppSecret goes to the keyring and leaves the file, or stays there (private, as
    // above) where no keyring runs; servicesettings_keyring runs this in a keyring session.
    void appSecretGoesToTheKeyring()
    {
        const bool keyring = qEnvironmentVariableIsSet(inKeyringSession);
        settingsstore::ServiceSettings settings;
        settings.sources.openPlatform.appSecret = u"kept-secret"_qs;
        bool inFile = keyring;
        QVERIFY(settingsstore::writeServiceSettings(path(), settings, &inFile));
        QCOMPARE(inFile, !keyring);
        QCOMPARE(readText(path()).contains(u"kept-secret"_qs), !keyring);
        const auto secretRead = [this] {
            return settingsstore::readSourceSettings(settingsstore::readSnapshot(path()))
                .openPlatform.appSecret;
        };
        QCOMPARE(secretRead(), u"kept-secret"_qs);
        // Cleared, it is gone from the keyring too.
        QVERIFY(settingsstore::writeServiceSettings(path(), settingsstore::ServiceSettings()));
        QCOMPARE(secretRead(), QString());
    }

    void anUnwritablePlaceChangesNothing()
    {
        // A folder where the file should be: nothing can be stored, and nothing is left behind.
        const QString blocked = m_dir.filePath(u"blocked"_qs);
        QVERIFY(QDir().mkpath(blocked + u"/设置.ini"_qs));
        QVERIFY(!settingsstore::writeServiceSettings(blocked + u"/设置.ini"_qs,
                                                     settingsstore::ServiceSettings()));
        QCOMPARE(QDir(blocked).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{u"设置.ini"_qs});
    }
};

QTEST_GUILESS_MAIN(TestServiceSettings)
#include "servicesettings.moc"
