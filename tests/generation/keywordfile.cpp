#include <QTest>

#include "gbk.h"
#include "keywordfile.h"

namespace {

// "keyword|count|template@line" per entry, so a table row states the whole expected list.
QStringList describeEntries(const keywordfile::List &list)
{
    QStringList out;
    for (const keywordfile::Entry &e : list.entries)
        out << e.keyword + u'|' + e.count + u'|' + e.templateName + u'@' + QString::number(e.line);
    return out;
}

QStringList describeNotices(const QList<keywordfile::Notice> &notices)
{
    QStringList out;
    for (const keywordfile::Notice &n : notices)
        out << QString::number(n.line) + u':' + n.text;
    return out;
}

} // namespace

class TestKeywordFile final : public QObject
{
    Q_OBJECT

private slots:
    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        const QString text = u"连衣裙\r\n手机壳\r\n"_qs;
        QTest::newRow("UTF-8 without BOM") << text.toUtf8() << u"UTF-8"_qs;
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" + text.toUtf8()) << u"UTF-8"_qs;
        QTest::newRow("GBK") << gbk::encode(text) << u"GBK"_qs;
        QByteArray utf16("\xFF\xFE");
        for (const QChar c : text)
            utf16 += char(c.unicode() & 0xFF), utf16 += char(c.unicode() >> 8);
        QTest::newRow("UTF-16 with BOM") << utf16 << u"UTF-16"_qs;
    }
    void encodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        const keywordfile::List list = keywordfile::read(bytes);
        QCOMPARE(list.encoding, encoding);
        // No byte order mark and no carriage return reaches a keyword.
        QCOMPARE(describeEntries(list), (QStringList{u"连衣裙||@1"_qs, u"手机壳||@2"_qs}));
        QVERIFY(list.refused.isEmpty());
    }

    // GBK bytes that happen to form a valid UTF-8 sequence are rare; a real GBK word list with an
    // ASCII line first must still be read as GBK.
    void gbkAfterAsciiLines()
    {
        const QByteArray bytes = "# list\nipad\n" + gbk::encode(u"零食大礼包\n"_qs);
        const keywordfile::List list = keywordfile::read(bytes);
        QCOMPARE(list.encoding, u"GBK"_qs);
        QCOMPARE(describeEntries(list), (QStringList{u"ipad||@2"_qs, u"零食大礼包||@3"_qs}));
    }

    // UTF-8 with a few damaged lines stays UTF-8: the damaged lines are named and not used, every
    // other keyword comes through.
    void damagedLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray list = u"连衣裙\r\n手机壳\r\n鞋\r\n"_qs.toUtf8();
        QTest::newRow("a cut sequence in a comment") << list + "# note \xe2\x80\n";
        QTest::newRow("a GBK keyword among UTF-8 ones") << list + gbk::encode(u"零食\n"_qs);
        QTest::newRow("a stray byte after a byte order mark") << "\xEF\xBB\xBF" + list + "\xff\n";
    }
    void damagedLines()
    {
        QFETCH(QByteArray, bytes);
        const keywordfile::List list = keywordfile::read(bytes);
        QCOMPARE(list.encoding, u"UTF-8"_qs);
        QCOMPARE(describeEntries(list), (QStringList{u"连衣裙||@1"_qs, u"手机壳||@2"_qs, u"鞋||@3"_qs}));
        QCOMPARE(list.damaged, QList<int>{4});
        QCOMPARE(describeNotices(list.refused), QStringList{u"4:含有无法识别的字节(按UTF-8读取)"_qs});
    }

    void lines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("refused");
        QTest::addColumn<QStringList>("repeated");

        QTest::newRow("blank and comment lines are skipped but counted")
            << u"# 夏季\n\n   \n连衣裙\n  # 缩进的注释\n手机\n"_qs
            << QStringList{u"连衣裙||@4"_qs, u"手机||@6"_qs} << QStringList() << QStringList();
        QTest::newRow("count and template after tabs")
            << u"连衣裙\t40\t经典网格\n手机\t5\n鞋\t\t手机精选\n"_qs
            << QStringList{u"连衣裙|40|经典网格@1"_qs, u"手机|5|@2"_qs, u"鞋||手机精选@3"_qs} << QStringList()
            << QStringList();
        QTest::newRow("blanks around fields dropped, inner blanks kept")
            << u"  韩版 连衣裙 \t 12 \t 经典网格 \t\n"_qs << QStringList{u"韩版 连衣裙|12|经典网格@1"_qs}
            << QStringList() << QStringList();
        QTest::newRow("duplicates done once, the first line wins")
            << u"连衣裙\t10\n手机\n连衣裙\t20\n 连衣裙 \n"_qs
            << QStringList{u"连衣裙|10|@1"_qs, u"手机||@2"_qs} << QStringList()
            << QStringList{u"3:关键词重复,只生成一次"_qs, u"4:关键词重复,只生成一次"_qs};
        QTest::newRow("bad lines reported with their numbers")
            << u"连衣裙\n\t10\n手机\t1\n鞋\t41\n包\tabc\n零食\t40.5\n裙\t2\n帽\t5\t经典网格\t多余\n"_qs
            << QStringList{u"连衣裙||@1"_qs, u"裙|2|@7"_qs}
            << QStringList{u"2:关键词不能为空!"_qs,
                           u"3:数量不能小于2"_qs,
                           u"4:数量不能大于40"_qs,
                           u"5:数量必须是整数"_qs,
                           u"6:数量必须是整数"_qs,
                           u"8:多余的字段(每行只能有关键词、数量和模板三项,以制表符分隔)"_qs}
            << QStringList();
        QTest::newRow("a keyword longer than a search")
            << QString(101, u'裙') + u"\t5\n"_qs << QStringList()
            << QStringList{u"1:关键词不能超过100个字!"_qs} << QStringList();
        QTest::newRow("a refused line does not hide a later good one of the same keyword")
            << u"连衣裙\t1\n连衣裙\t3\n"_qs << QStringList{u"连衣裙|3|@2"_qs}
            << QStringList{u"1:数量不能小于2"_qs} << QStringList();
        QTest::newRow("trailing empty fields are no extra fields")
            << u"连衣裙\t8\t经典网格\t\t\n"_qs << QStringList{u"连衣裙|8|经典网格@1"_qs} << QStringList()
            << QStringList();
        QTest::newRow("old Mac line ends")
            << u"连衣裙\r手机"_qs << QStringList{u"连衣裙||@1"_qs, u"手机||@2"_qs} << QStringList()
            << QStringList();
        QTest::newRow("empty file") << QString() << QStringList() << QStringList() << QStringList();
    }
    void lines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, refused);
        QFETCH(QStringList, repeated);
        const keywordfile::List list = keywordfile::parse(text);
        QCOMPARE(describeEntries(list), entries);
        QCOMPARE(describeNotices(list.refused), refused);
        QCOMPARE(describeNotices(list.repeated), repeated);
    }

    void describeNamesLineAndKeyword()
    {
        QCOMPARE(keywordfile::describe({7, u"连衣裙"_qs, u"数量不能小于2"_qs}),
                 u"第7行 连衣裙: 数量不能小于2"_qs);
        QCOMPARE(keywordfile::describe({2, QString(), u"关键词不能为空!"_qs}), u"第2行: 关键词不能为空!"_qs);
    }
};

QTEST_GUILESS_MAIN(TestKeywordFile)
#include "keywordfile.moc"
