#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "gbk.h"
#include "inifile.h"

namespace {

const QString section = u"基本设置"_qs;

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestIniFile final : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(u"设置.ini"_qs);
        QFile::remove(m_path);
    }

    void firstStartWritesDefaultsInOrder()
    {
        QCOMPARE(ReadIni(section, u"Text1"_qs, QString(), m_path), QString());
        QCOMPARE(ReadIni(section, u"Text2"_qs, QString(), m_path), QString());
        QCOMPARE(ReadIni(section, u"Text3"_qs, u"10"_qs, m_path), u"10"_qs);
        QCOMPARE(ReadIni(section, u"Check1"_qs, u"0"_qs, m_path), u"0"_qs);
        QCOMPARE(ReadIni(section, u"Combo2"_qs, u"0"_qs, m_path), u"0"_qs);
        QCOMPARE(readBytes(m_path),
                 gbk::encode(u"[基本设置]\r\nText1=\r\nText2=\r\nText3=10\r\nCheck1=0\r\nCombo2=0\r\n"));
    }

    void replacesInPlaceWithoutCase()
    {
        writeBytes(m_path, gbk::encode(u"; "
                                       u"注释\r\n[其他]\r\ntext1=keep\r\n\r\n[基本设置]\r\ntext1=abc\r\nZ="
                                       u"1\r\n\r\n[尾]\r\nx=y\r\n"));
        QCOMPARE(ReadIni(section, u"Text1"_qs, QString(), m_path), u"abc"_qs);
        QVERIFY(WriteIni(section, u"text1"_qs, u"连衣裙"_qs, m_path));
        QVERIFY(WriteIni(u"基本设置"_qs, u"NEW"_qs, u"v"_qs, m_path));
        QVERIFY(WriteIni(u"新节"_qs, u"k"_qs, u"1"_qs, m_path));
        QCOMPARE(
            readBytes(m_path),
            gbk::encode(
                u"; 注释\r\n[其他]\r\ntext1=keep\r\n\r\n[基本设置]\r\ntext1=连衣裙\r\nZ=1\r\nNEW=v\r\n\r\n"
                u"[尾]\r\nx=y\r\n[新节]\r\nk=1\r\n"));
        QCOMPARE(ReadIni(section, u"TEXT1"_qs, QString(), m_path), u"连衣裙"_qs);
    }

    void sectionNamesIgnoreCaseAndBlanks()
    {
        writeBytes(m_path, "[Main]\nKey = value \n");
        QCOMPARE(ReadIni(u"main"_qs, u"key"_qs, u"d"_qs, m_path), u"value"_qs);
        QVERIFY(WriteIni(u"MAIN"_qs, u"KEY"_qs, u"w"_qs, m_path));
        QCOMPARE(readBytes(m_path), QByteArray("[Main]\nKey =w\n"));
    }

    void emptyEntryStoresDefault()
    {
        writeBytes(m_path, gbk::encode(u"[基本设置]\r\nText3=\r\n"));
        QCOMPARE(ReadIni(section, u"Text3"_qs, u"10"_qs, m_path), u"10"_qs);
        QCOMPARE(readBytes(m_path), gbk::encode(u"[基本设置]\r\nText3=10\r\n"));
    }

    void longValueCutOnCharacterBoundary()
    {
        // 142 ASCII bytes then a two-byte character: the character would end at byte 144.
        const QString ascii(142, u'a');
        QVERIFY(WriteIni(section, u"Text1"_qs, ascii + u"连衣裙"_qs, m_path));
        QCOMPARE(ReadIni(section, u"Text1"_qs, QString(), m_path), ascii);
        // 141 ASCII bytes then the character fits exactly.
        QVERIFY(WriteIni(section, u"Text1"_qs, ascii.first(141) + u"连衣裙"_qs, m_path));
        QCOMPARE(ReadIni(section, u"Text1"_qs, QString(), m_path), ascii.first(141) + u"连"_qs);
        QVERIFY(WriteIni(section, u"Text1"_qs, QString(200, u'b'), m_path));
        QCOMPARE(ReadIni(section, u"Text1"_qs, QString(), m_path), QString(143, u'b'));
    }

    void unicodeFilesAreRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("utf-8 with bom")
            << QByteArray("\xEF\xBB\xBF") + u"[基本设置]\r\nText1=手机\r\n"_qs.toUtf8();
        QTest::newRow("utf-8 without bom") << u"[基本设置]\r\nText1=手机\r\n"_qs.toUtf8();
        QTest::newRow("utf-16 with bom")
            << QByteArray("\xFF\xFE") +
                   QByteArray(reinterpret_cast<const char *>(u"[基本设置]\r\nText1=手机\r\n"), 2 * 18);
    }
    void unicodeFilesAreRead()
    {
        QFETCH(QByteArray, bytes);
        writeBytes(m_path, bytes);
        QCOMPARE(ReadIni(section, u"Text1"_qs, QString(), m_path), u"手机"_qs);
        QVERIFY(WriteIni(section, u"Text2"_qs, u"1"_qs, m_path));
        QCOMPARE(readBytes(m_path), gbk::encode(u"[基本设置]\r\nText1=手机\r\nText2=1\r\n"));
    }

    void garbageAndOddLinesSurvive()
    {
        const QByteArray garbage("\x81\xFF\x00junk\r\nno equals here\r\n", 26);
        writeBytes(m_path, garbage);
        QCOMPARE(ReadIni(section, u"Text3"_qs, u"10"_qs, m_path), u"10"_qs);
        QVERIFY(readBytes(m_path).startsWith(garbage));
    }

    void lineBreakInValueKeepsStructure()
    {
        QVERIFY(WriteIni(section, u"Text1"_qs, u"a\r\n[x]"_qs, m_path));
        QCOMPARE(ReadIni(section, u"Text1"_qs, QString(), m_path), u"a  [x]"_qs);
        QCOMPARE(readBytes(m_path).count('\n'), 2);
    }

    // Reading an empty entry stores its default; when that changes nothing the file is not
    // replaced (it would be synced to disk at every start).
    void unchangedFileIsNotRewritten()
    {
        const QByteArray bytes = gbk::encode(u"[基本设置]\r\nText1=\r\nText3=10\r\n");
        writeBytes(m_path, bytes);
        const QDateTime past = QDateTime::currentDateTime().addDays(-3);
        {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(past, QFileDevice::FileModificationTime));
        }
        QCOMPARE(ReadIni(section, u"Text1"_qs, QString(), m_path), QString());
        QVERIFY(WriteIni(section, u"Text3"_qs, u"10"_qs, m_path));
        QCOMPARE(QFileInfo(m_path).lastModified(), past);
        QVERIFY(WriteIni(section, u"Text3"_qs, u"11"_qs, m_path));
        QCOMPARE(readBytes(m_path), gbk::encode(u"[基本设置]\r\nText1=\r\nText3=11\r\n"));
    }

    void unwritableFolderStoresNothing()
    {
        const QString path = m_dir.filePath(u"missing/设置.ini"_qs);
        QCOMPARE(ReadIni(section, u"Text3"_qs, u"10"_qs, path), u"10"_qs);
        QVERIFY(!WriteIni(section, u"Text3"_qs, u"10"_qs, path));
        QVERIFY(!QFile::exists(path));
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "inifile.moc"
