#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "datalocations.h"

namespace {

// Every entry below `root`, relative, sorted.
QStringList entriesBelow(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(QDir(root).relativeFilePath(it.next()));
    entries.sort();
    return entries;
}

void setWritable(const QString &path, bool writable)
{
    constexpr QFile::Permissions write =
        QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
    const QFile::Permissions now = QFile::permissions(path);
    QFile::setPermissions(path, writable ? now | QFile::WriteOwner | QFile::WriteUser : now & ~write);
}

// Sets an environment variable for as long as it lives.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace

class TestDataLocations final : public QObject
{
    Q_OBJECT

private slots:
    void locate_data()
    {
        QTest::addColumn<QString>("folder"); // how the program folder is
        QTest::addColumn<bool>("portable");
        QTest::newRow("writable folder keeps everything beside the program") << u"writable"_qs << true;
        QTest::newRow("installed folder, writable all the same") << u"installed"_qs << false;
        QTest::newRow("read-only folder, also for the administrator") << u"read-only"_qs << false;
        QTest::newRow("folder that does not exist") << u"missing"_qs << false;
    }
    void locate()
    {
        QFETCH(QString, folder);
        QFETCH(bool, portable);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString program = dir.filePath(u"程序 1"_qs);
        if (folder != u"missing"_qs)
            QVERIFY(QDir().mkpath(program + u"/模板/默认"_qs));
        if (folder == u"installed"_qs)
            QVERIFY(QFile(program + u"/.installed"_qs).open(QIODevice::WriteOnly));
        if (folder == u"read-only"_qs)
            setWritable(program, false);
        const UserFolders user{dir.filePath(u"home/.config/taoyefang/"_qs), dir.filePath(u"home/文档"_qs)};

        const DataLocations where = ::locate(program + u'/', user);
        setWritable(program, true);

        QCOMPARE(where.portable, portable);
        QCOMPARE(where.templateRoot, program + u"/模板/"_qs);
        if (portable) {
            QCOMPARE(where.settingsPath, program + u"/设置.ini"_qs);
            QCOMPARE(where.userTemplateRoot, where.templateRoot);
            QCOMPARE(where.outputRoot, program + u"/已生成"_qs);
            QCOMPARE(where.templateRoots, QStringList{where.templateRoot});
        } else {
            QCOMPARE(where.settingsPath, dir.filePath(u"home/.config/taoyefang/设置.ini"_qs));
            QCOMPARE(where.userTemplateRoot, dir.filePath(u"home/.config/taoyefang/模板/"_qs));
            QCOMPARE(where.outputRoot, dir.filePath(u"home/文档/淘页坊/已生成"_qs));
            // The user's own templates come last, so that they win a name.
            QCOMPARE(where.templateRoots, QStringList({where.templateRoot, where.userTemplateRoot}));
        }
        // Deciding copies and creates nothing.
        QVERIFY(!QFileInfo::exists(dir.filePath(u"home"_qs)));
        QStringList expected;
        if (folder != u"missing"_qs)
            expected << u"模板"_qs << u"模板/默认"_qs;
        if (folder == u"installed"_qs)
            expected.prepend(u".installed"_qs);
        QCOMPARE(entriesBelow(program), expected);
    }

    void writableFolder_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("writable");
        QTest::newRow("ordinary folder") << u"folder"_qs << true;
        QTest::newRow("folder nobody may write to") << u"read-only"_qs << false;
        QTest::newRow("plain file") << u"file"_qs << false;
        QTest::newRow("nothing there") << u"missing"_qs << false;
    }
    void writableFolder()
    {
        QFETCH(QString, kind);
        QFETCH(bool, writable);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"x"_qs);
        if (kind == u"folder"_qs || kind == u"read-only"_qs)
            QVERIFY(QDir().mkdir(path));
        if (kind == u"file"_qs)
            QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        if (kind == u"read-only"_qs)
            setWritable(path, false);
        QCOMPARE(isWritableFolder(path), writable);
        setWritable(path, true);
    }

    void userFoldersFollowTheEnvironment()
    {
        QTemporaryDir dir;
        const ScopedEnv home("HOME", QFile::encodeName(dir.path()));
        const ScopedEnv config("XDG_CONFIG_HOME", QByteArray());
        const UserFolders user = standardUserFolders();
        QCOMPARE(user.configFolder, dir.filePath(u".config/taoyefang"_qs));
        QCOMPARE(user.documentsFolder, dir.filePath(u"Documents"_qs));

        // The window's own configuration folder, also when another program (the command-line
        // front end, a test) asks.
        const QString name = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(u"taoyefang"_qs);
        const QString windowConfig = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QCoreApplication::setApplicationName(name);
        QCOMPARE(user.configFolder, windowConfig);

        const ScopedEnv elsewhere("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(u"cfg"_qs)));
        QCOMPARE(standardUserFolders().configFolder, dir.filePath(u"cfg/taoyefang"_qs));
        QCOMPARE(::locate(dir.filePath(u"nowhere"_qs)).settingsPath,
                 dir.filePath(u"cfg/taoyefang/设置.ini"_qs));
    }
};

QTEST_GUILESS_MAIN(TestDataLocations)
#include "datalocations.moc"
