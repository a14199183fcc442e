#include <QDir>
#include <QFile>
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
};

QTEST_GUILESS_MAIN(TestTemplateLibrary)
#include "templatelibrary.moc"
