#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "templatelibrary.h"

namespace {
// Entries ending in "/" are folders, the others files.
void populate(const QString &root, const QStringList &entries)
{
    for (const QString &entry : entries) {
        if (entry.endsWith(u'/')) {
            QVERIFY(QDir().mkpath(root + u'/' + entry));
        } else {
            QFile file(root + u'/' + entry);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }
}
} // namespace

class TestTemplateLibrary final : public QObject
{
    Q_OBJECT

private slots:
    void zairumoban_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("listed");
        const QString longName(80, u'长');
        QTest::newRow("two folders and a plain file")
            << QStringList{u"b/"_qs, u"a/"_qs, u"readme.txt"_qs} << QStringList{u"a"_qs, u"b"_qs};
        QTest::newRow("empty folder") << QStringList() << QStringList{u"暂无模板"_qs};
        QTest::newRow("only plain files") << QStringList{u"x.htm"_qs} << QStringList{u"暂无模板"_qs};
        QTest::newRow("hidden folder skipped")
            << QStringList{u".git/"_qs, u"默认/"_qs} << QStringList{u"默认"_qs};
        QTest::newRow("only hidden folders") << QStringList{u".a/"_qs} << QStringList{u"暂无模板"_qs};
        QTest::newRow("folder named like the placeholder")
            << QStringList{u"暂无模板/"_qs, u"x/"_qs} << QStringList{u"x"_qs, u"暂无模板"_qs};
        QTest::newRow("any script, spaces, brackets, long names, case ignored")
            << QStringList{longName + u'/',   u"夏季 新款/"_qs, u"Zeta/"_qs,
                           u"[促销] (2)/"_qs, u"alpha/"_qs,     u"Ünïcode/"_qs}
            << QStringList{u"[促销] (2)"_qs, u"alpha"_qs,     u"Zeta"_qs,
                           u"Ünïcode"_qs,    u"夏季 新款"_qs, longName};
    }
    void zairumoban()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, listed);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        populate(dir.path(), entries);
        QCOMPARE(::zairumoban(dir.path() + u'/'), listed);
        QCOMPARE(::zairumoban(dir.path()), listed);
    }

    void zairumobanWithoutFolder()
    {
        QTemporaryDir dir;
        QCOMPARE(::zairumoban(dir.filePath(u"模板/"_qs)), QStringList{u"暂无模板"_qs});
        QCOMPARE(::zairumoban(QString()), QStringList{u"暂无模板"_qs});
    }

    void previewAddress_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address"); // "<root>" stands for the templates folder
        QTest::newRow("preview present")
            << QStringList{u"默认/效果预览.htm"_qs} << u"默认"_qs << u"<root>/默认/效果预览.htm"_qs;
        QTest::newRow("no preview") << QStringList{u"默认/模板文件.htm"_qs} << u"默认"_qs
                                    << u"about:模板<默认>暂无预览"_qs;
        QTest::newRow("preview that is a folder")
            << QStringList{u"默认/效果预览.htm/"_qs} << u"默认"_qs << u"about:模板<默认>暂无预览"_qs;
        QTest::newRow("placeholder entry even with a preview")
            << QStringList{u"暂无模板/效果预览.htm"_qs} << u"暂无模板"_qs << u"about:无模板"_qs;
        QTest::newRow("markup in the name goes in as it stands")
            << QStringList{u"<img src=x onerror=alert(1)>/"_qs} << u"<img src=x onerror=alert(1)>"_qs
            << u"about:模板<<img src=x onerror=alert(1)>>暂无预览"_qs;
    }
    void previewAddress()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, name);
        QFETCH(QString, address);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const QString &entry : entries)
            QDir().mkpath(dir.path() + u'/' + entry.section(u'/', 0, 0));
        populate(dir.path(), entries);
        address.replace(u"<root>"_qs, dir.path());
        QCOMPARE(::previewAddress(dir.path() + u'/', name), address);
        QCOMPARE(::previewAddress(dir.path(), name), address);
    }

    // An installed program lists the templates it ships and the user's own.
    void severalRoots_data()
    {
        QTest::addColumn<QStringList>("shipped");
        QTest::addColumn<QStringList>("own"); // the user's; "-" for no such folder
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("the user's come in, sorted with the shipped ones")
            << QStringList{u"Zeta/"_qs, u"alpha/"_qs} << QStringList{u"Beta/"_qs, u"note.txt"_qs}
            << QStringList{u"alpha"_qs, u"Beta"_qs, u"Zeta"_qs};
        QTest::newRow("a name in both is listed once")
            << QStringList{u"经典网格/"_qs, u"手机精选/"_qs} << QStringList{u"经典网格/"_qs}
            << QStringList{u"手机精选"_qs, u"经典网格"_qs};
        QTest::newRow("no folder of the user's yet")
            << QStringList{u"经典网格/"_qs} << QStringList{u"-"_qs} << QStringList{u"经典网格"_qs};
        QTest::newRow("only the user's, hidden ones skipped")
            << QStringList() << QStringList{u"mine/"_qs, u".old/"_qs} << QStringList{u"mine"_qs};
        QTest::newRow("none anywhere")
            << QStringList() << QStringList{u"-"_qs} << QStringList{u"暂无模板"_qs};
        QTest::newRow("a template named like the placeholder, once")
            << QStringList() << QStringList{u"暂无模板/"_qs} << QStringList{u"暂无模板"_qs};
    }
    void severalRoots()
    {
        QFETCH(QStringList, shipped);
        QFETCH(QStringList, own);
        QFETCH(QStringList, listed);
        QTemporaryDir dir;
        const QString shippedRoot = dir.filePath(u"程序/模板/"_qs);
        const QString ownRoot = dir.filePath(u"config/模板/"_qs);
        QVERIFY(QDir().mkpath(shippedRoot));
        populate(shippedRoot, shipped);
        if (own != QStringList{u"-"_qs}) {
            QVERIFY(QDir().mkpath(ownRoot));
            populate(ownRoot, own);
        }
        QCOMPARE(::zairumoban(QStringList{shippedRoot, ownRoot}), listed);
        QCOMPARE(::zairumoban(QStringList{shippedRoot, QString()}), ::zairumoban(shippedRoot));
    }

    void templateFolderOfAName_data()
    {
        QTest::addColumn<QStringList>("shipped");
        QTest::addColumn<QStringList>("own");
        QTest::addColumn<QString>("found"); // "shipped/..." or "own/..."
        QTest::newRow("the user's own wins")
            << QStringList{u"网格/效果预览.htm"_qs} << QStringList{u"网格/模板文件.htm"_qs} << u"own/网格"_qs;
        QTest::newRow("shipped when the user has none")
            << QStringList{u"网格/效果预览.htm"_qs} << QStringList{u"别的/x"_qs} << u"shipped/网格"_qs;
        QTest::newRow("a plain file of that name does not count")
            << QStringList{u"网格/x"_qs} << QStringList{u"网格"_qs} << u"shipped/网格"_qs;
        QTest::newRow("nowhere: the shipped folder, where the run finds no template")
            << QStringList() << QStringList() << u"shipped/网格"_qs;
    }
    void templateFolderOfAName()
    {
        QFETCH(QStringList, shipped);
        QFETCH(QStringList, own);
        QFETCH(QString, found);
        QTemporaryDir dir;
        for (const auto &[root, entries] : {std::pair{u"shipped"_qs, shipped}, std::pair{u"own"_qs, own}}) {
            for (const QString &entry : entries) {
                if (entry.contains(u'/'))
                    QVERIFY(QDir().mkpath(dir.filePath(root + u'/' + entry.section(u'/', 0, 0))));
                QVERIFY(QDir().mkpath(dir.filePath(root)));
                populate(dir.filePath(root), {entry});
            }
        }
        const QStringList roots{dir.filePath(u"shipped/"_qs), QString(), dir.filePath(u"own/"_qs)};
        QCOMPARE(findTemplateFolder(roots, u"网格"_qs), dir.filePath(found));

        // The preview comes from the same folder: a user's template without one has none, even
        // when the shipped template of that name has.
        const QString preview = dir.filePath(found + u"/效果预览.htm"_qs);
        QCOMPARE(::previewAddress(roots, u"网格"_qs),
                 QFileInfo(preview).isFile() ? preview : u"about:模板<网格>暂无预览"_qs);

        // None of them has an index template: none is read, and nothing is said about it.
        QTest::failOnWarning(QRegularExpression(u"."_qs));
        QCOMPARE(readIndexTemplate(roots, u"网格"_qs), QString());
    }
};

QTEST_GUILESS_MAIN(TestTemplateLibrary)
#include "templatelibrary.moc"
