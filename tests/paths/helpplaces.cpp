#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include "datalocations.h"
#include "helpplaces.h"
#include "testpaths.h"

namespace {

DataLocations portableFolder()
{
    DataLocations where;
    where.settingsPath = u"/media/u/淘页坊/设置.ini"_qs;
    where.templateRoot = u"/media/u/淘页坊/模板/"_qs;
    where.userTemplateRoot = where.templateRoot;
    where.outputRoot = u"/media/u/淘页坊/已生成"_qs;
    where.templateRoots = {where.templateRoot};
    return where;
}

DataLocations installed()
{
    DataLocations where;
    where.portable = false;
    where.settingsPath = u"/home/u/.config/taoyefang/设置.ini"_qs;
    where.templateRoot = u"/usr/lib/taoyefang/模板/"_qs;
    where.userTemplateRoot = u"/home/u/.config/taoyefang/模板/"_qs;
    where.outputRoot = u"/home/u/文档/淘页坊/已生成"_qs;
    where.templateRoots = {where.templateRoot, where.userTemplateRoot};
    return where;
}

} // namespace

class TestHelpPlaces final : public QObject
{
    Q_OBJECT

private slots:
    void fillPlaces_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("filled");
        const QString output = u"<code>/home/u/文档/淘页坊/已生成</code>"_qs;
        QTest::newRow("phrase replaced, mark kept")
            << u"在<span data-place=\"output\">程序目录下的 <code>已生成</code></span> 文件夹中"_qs
            << u"在<span data-place=\"output\">"_qs + output + u"</span> 文件夹中"_qs;
        QTest::newRow("several marks, text between them kept")
            << u"<p><span data-place=\"settings\">x</span>、<span data-place=\"output\">y</span>。</p>"_qs
            << u"<p><span data-place=\"settings\"><code>/home/u/.config/taoyefang/设置.ini</code></span>、"
               u"<span data-place=\"output\">"_qs +
                   output + u"</span>。</p>"_qs;
        QTest::newRow("phrase over several lines")
            << u"<span data-place=\"output\">程序目录下的\n<code>已生成</code></span>"_qs
            << u"<span data-place=\"output\">"_qs + output + u"</span>"_qs;
        QTest::newRow("unknown place left as written")
            << u"<span data-place=\"nowhere\">程序目录</span> <span data-place=\"output\">y</span>"_qs
            << u"<span data-place=\"nowhere\">程序目录</span> <span data-place=\"output\">"_qs + output +
                   u"</span>"_qs;
        QTest::newRow("ordinary spans untouched")
            << u"<span class=\"c\">← 生成的单页</span>"_qs << u"<span class=\"c\">← 生成的单页</span>"_qs;
        QTest::newRow("mark never closed")
            << u"<span data-place=\"output\">已生成"_qs << u"<span data-place=\"output\">已生成"_qs;
    }
    void fillPlaces()
    {
        QFETCH(QString, page);
        QFETCH(QString, filled);
        QCOMPARE(::fillPlaces(page, helpPlaces(installed())), filled);
    }

    void placesOfEachKind()
    {
        const QHash<QString, QString> portable = helpPlaces(portableFolder());
        QCOMPARE(portable.value(u"settings"_qs), u"<code>/media/u/淘页坊/设置.ini</code>"_qs);
        QCOMPARE(portable.value(u"output"_qs), u"<code>/media/u/淘页坊/已生成</code>"_qs);
        QCOMPARE(portable.value(u"templates"_qs), u"<code>/media/u/淘页坊/模板</code>"_qs);
        QCOMPARE(portable.value(u"user-templates"_qs), u"<code>/media/u/淘页坊/模板</code>"_qs);

        const QHash<QString, QString> own = helpPlaces(installed());
        QCOMPARE(own.value(u"templates"_qs),
                 u"<code>/usr/lib/taoyefang/模板</code> 和 <code>/home/u/.config/taoyefang/模板</code>"
                 u"（两处有同名模板时，用后者）"_qs);
        QCOMPARE(own.value(u"user-templates"_qs), u"<code>/home/u/.config/taoyefang/模板</code>"_qs);

        // A path is text, never markup.
        DataLocations odd = installed();
        odd.outputRoot = u"/home/<b>&amp;/已生成"_qs;
        QCOMPARE(helpPlaces(odd).value(u"output"_qs), u"<code>/home/&lt;b&gt;&amp;amp;/已生成</code>"_qs);
    }

    // The shipped help site: every mark names a known place, and once filled no page still says
    // the settings, the templates or the pages sit in the program's folder.
    void shippedPagesNameTheRealPlaces()
    {
        const QHash<QString, QString> places = helpPlaces(installed());
        const QRegularExpression mark(u"data-place=\"([^\"]*)\""_qs);
        const QRegularExpression programFolder(u"程序目录下的?\\s*<code>(模板|已生成|设置\\.ini)</code>"_qs);
        int marks = 0;
        QDirIterator it(QStringLiteral(TAOYEFANG_SOURCE_DIR "/data/help"), {u"*.php"_qs, u"*.html"_qs});
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString page = QString::fromUtf8(file.readAll());
            for (auto m = mark.globalMatch(page); m.hasNext(); ++marks) {
                const QString place = m.next().captured(1);
                QVERIFY2(places.contains(place), qPrintable(it.fileName() + u": "_qs + place));
            }
            const QString filled = ::fillPlaces(page, places);
            const QRegularExpressionMatch left = programFolder.match(filled);
            QVERIFY2(!left.hasMatch(), qPrintable(it.fileName() + u": "_qs + left.captured()));
        }
        QVERIFY(marks >= 6);
    }
};

QTEST_GUILESS_MAIN(TestHelpPlaces)
#include "helpplaces.moc"
