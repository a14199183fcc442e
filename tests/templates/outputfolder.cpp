#include <optional>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "fulldisk.h"
#include "outputfolder.h"

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything below `root`, links included, as sorted relative paths; folders end with "/".
QStringList entriesBelow(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString relative = QDir(root).relativeFilePath(it.filePath());
        entries.append(it.fileInfo().isDir() && !it.fileInfo().isSymLink() ? relative + u'/' : relative);
    }
    entries.sort();
    return entries;
}

} // namespace

class TestOutputFolder final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir.emplace();
        QVERIFY(m_dir->isValid());
    }

    // Links in a template folder are neither followed nor copied, wherever they point; the run
    // learns which were left out. Regular files and folders are copied as before.
    void copyTreeLeavesLinksOut()
    {
        const QString outside = m_dir->filePath(u"outside"_qs);
        QVERIFY(writeFile(outside + u"/secret.txt"_qs, "secret"));
        const QString source = m_dir->filePath(u"模板/网格"_qs);
        QVERIFY(writeFile(source + u"/index.css"_qs, "css"));
        QVERIFY(writeFile(source + u"/images/a.gif"_qs, "gif"));
        QVERIFY(writeFile(source + u"/.hidden"_qs, "h"));
        const QList<QPair<QString, QString>> links{
            {u"etc"_qs, outside},                                   // a folder outside
            {u"secret.txt"_qs, outside + u"/secret.txt"_qs},        // a file outside
            {u"images/again.gif"_qs, source + u"/images/a.gif"_qs}, // a file inside
            {u"images/up"_qs, source},                              // a folder inside: a loop
            {u"dangling"_qs, m_dir->filePath(u"nowhere"_qs)},
        };
        for (const auto &[name, to] : links)
            QVERIFY2(QFile::link(to, source + u'/' + name), qPrintable(name));

        const QString target = m_dir->filePath(u"已生成/out"_qs);
        QStringList skipped{u"stale"_qs};
        QVERIFY(outputfolder::copyTree(source, target, &skipped));
        QCOMPARE(skipped, (QStringList{u"dangling"_qs, u"etc"_qs, u"images/again.gif"_qs, u"images/up"_qs,
                                       u"secret.txt"_qs}));
        QCOMPARE(entriesBelow(target),
                 (QStringList{u".hidden"_qs, u"images/"_qs, u"images/a.gif"_qs, u"index.css"_qs}));
        QCOMPARE(readFile(target + u"/images/a.gif"_qs), QByteArray("gif"));

        // Without the list the copy is the same.
        const QString second = m_dir->filePath(u"已生成/second"_qs);
        QVERIFY(outputfolder::copyTree(source, second));
        QCOMPARE(entriesBelow(second), entriesBelow(target));
    }

    // A template folder without links reports none.
    void copyTreeWithoutLinks()
    {
        const QString source = m_dir->filePath(u"t"_qs);
        QVERIFY(writeFile(source + u"/a/b/c.txt"_qs, "c"));
        QVERIFY(QDir().mkpath(source + u"/empty"_qs));
        QStringList skipped{u"stale"_qs};
        QVERIFY(outputfolder::copyTree(source, m_dir->filePath(u"o"_qs), &skipped));
        QVERIFY(skipped.isEmpty());
        QCOMPARE(entriesBelow(m_dir->filePath(u"o"_qs)),
                 (QStringList{u"a/"_qs, u"a/b/"_qs, u"a/b/c.txt"_qs, u"empty/"_qs}));
    }

    // A page that does not fit on the disk is not written at all, and the caller learns it: the
    // earlier file stays whole. Pages smaller than the write buffer fail only when flushed.
    void writeWholeOnFullDisk_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("smaller than the write buffer") << 12099;
        QTest::newRow("larger than the write buffer") << 40000;
    }
    void writeWholeOnFullDisk()
    {
        QFETCH(int, size);
        const QString path = m_dir->filePath(u"index.htm"_qs);
        QVERIFY(writeFile(path, "earlier page"));
        {
            const FileSizeLimit limit(4096);
            if (!limit.active())
                QSKIP("file size limits are not available here");
            QVERIFY(!outputfolder::writeWhole(path, QByteArray(size, 'x')));
        }
        QCOMPARE(readFile(path), QByteArray("earlier page"));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"index.htm"_qs});
        QVERIFY(outputfolder::writeWhole(path, QByteArray(size, 'x')));
        QCOMPARE(readFile(path).size(), size);
    }

    void writeWholeOnFullFileSystem()
    {
        SmallTmpfs disk(16 * 1024);
        if (!disk.isMounted())
            QSKIP("cannot mount a tmpfs here (needs root)");
        const QString path = disk.filePath(u"index.htm"_qs);
        QVERIFY(!outputfolder::writeWhole(path, QByteArray(12099 + 16 * 1024, 'x')));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(outputfolder::writeWhole(path, QByteArray(12099, 'x')));
        QCOMPARE(readFile(path).size(), 12099);
    }

    // A copy onto a full disk reports the failure and leaves no half-copied file behind.
    void copyTreeOnFullDisk()
    {
        const QString source = m_dir->filePath(u"t"_qs);
        QVERIFY(writeFile(source + u"/small.css"_qs, "css"));
        QVERIFY(writeFile(source + u"/big.jpg"_qs, QByteArray(64 * 1024, 'j')));
        const QString target = m_dir->filePath(u"o"_qs);
        {
            const FileSizeLimit limit(4096);
            if (!limit.active())
                QSKIP("file size limits are not available here");
            QVERIFY(!outputfolder::copyTree(source, target));
        }
        QCOMPARE(entriesBelow(target), QStringList{u"small.css"_qs});
    }

private:
    std::optional<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestOutputFolder)
#include "outputfolder.moc"
