#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "fulldisk.h"
#include "gbk.h"
#include "inifile.h"

namespace {

const QString section = u"基本设置"_qs;

QByteArray utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes;
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
        bytes += bigEndian ? QByteArray{1, high} + low : QByteArray{1, low} + high;
    }
    return bytes;
}

// Other programs' lines around ours, in GBK, to check that a failed write keeps them all.
QByteArray largeFile()
{
    QByteArray bytes = gbk::encode(u"[基本设置]\r\ntext1=连衣裙\r\n[其他]\r\n"_qs);
    for (int i = 0; bytes.size() < 9000; ++i)
        bytes += "key" + QByteArray::number(i) + "=" + QByteArray(60, 'v') + "\r\n";
    return bytes;
}

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
        // Blanks around the names given are no part of them either, nor are they written.
        QVERIFY(WriteIni(u" main\t"_qs, u"\tkey "_qs, u"x"_qs, m_path));
        QVERIFY(WriteIni(u" 新节 "_qs, u" k "_qs, u"1"_qs, m_path));
        QVERIFY(WriteIni(u"新节"_qs, u"k"_qs, u"2"_qs, m_path));
        QCOMPARE(readBytes(m_path), QByteArray("[Main]\nKey =x\n") + gbk::encode(u"[新节]\nk=2\n"));
        QCOMPARE(ReadIni(u" 新节"_qs, u"K "_qs, QString(), m_path), u"2"_qs);
        // A name nothing can hold whole is found again in the form it was written in.
        const QString odd = u"节"_qs + QChar(0xDABF);
        QVERIFY(WriteIni(odd, odd, u"1"_qs, m_path));
        QVERIFY(WriteIni(odd, odd, u"2"_qs, m_path));
        QCOMPARE(readBytes(m_path).count("&#xFFFD;"), 2);
        QCOMPARE(ReadIni(odd, odd, QString(), m_path), u"2"_qs);
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
        QTest::newRow("utf-16 big-endian with bom")
            << QByteArray("\xFE\xFF") + utf16(u"[基本设置]\r\nText1=手机\r\n"_qs, true);
        QTest::newRow("utf-16 without bom") << utf16(u"[基本设置]\r\nText1=手机\r\n"_qs, false);
        QTest::newRow("utf-16 big-endian without bom") << utf16(u"[基本设置]\r\nText1=手机\r\n"_qs, true);
    }
    void unicodeFilesAreRead()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(inifile::isSettingsText(bytes));
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

    // Section names are found character by character: 朷 is 96 5D, and 5D is "]".
    void sectionNameWithBracketTrailByte()
    {
        const QString name = u"朷节"_qs;
        QVERIFY(WriteIni(name, u"k"_qs, u"1"_qs, m_path));
        QVERIFY(WriteIni(name, u"k"_qs, u"2"_qs, m_path));
        QVERIFY(WriteIni(name, u"j"_qs, u"3"_qs, m_path));
        QCOMPARE(readBytes(m_path), gbk::encode(u"[朷节]\r\nk=2\r\nj=3\r\n"));
        QCOMPARE(ReadIni(name, u"K"_qs, QString(), m_path), u"2"_qs);
    }

    // Lines nobody changes keep their bytes: mixed line ends, a lone CR at the end, no final line
    // end. New lines take the file's own line end.
    void untouchedLinesKeepTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("mixed ends, value replaced")
            << QByteArray("[a]\nx=1\r\n[\xbb\xf9\xb1\xbe\xc9\xe8\xd6\xc3]\r\nText1=old\n[b]\ry=2\r")
            << u"text1"_qs
            << QByteArray("[a]\nx=1\r\n[\xbb\xf9\xb1\xbe\xc9\xe8\xd6\xc3]\r\nText1=new\n[b]\ry=2\r");
        QTest::newRow("lone CR at the end, entry added")
            << QByteArray("[\xbb\xf9\xb1\xbe\xc9\xe8\xd6\xc3]\rText1=old\r") << u"text2"_qs
            << QByteArray("[\xbb\xf9\xb1\xbe\xc9\xe8\xd6\xc3]\rText1=old\rtext2=new\r");
        QTest::newRow("no line end at the end, entry added")
            << QByteArray("[b]\r\ny=2\n[\xbb\xf9\xb1\xbe\xc9\xe8\xd6\xc3]\r\nText1=old") << u"text2"_qs
            << QByteArray("[b]\r\ny=2\n[\xbb\xf9\xb1\xbe\xc9\xe8\xd6\xc3]\r\nText1=old\r\ntext2=new");
        QTest::newRow("section added after a last line without end")
            << QByteArray("[b]\ny=2") << u"text1"_qs
            << QByteArray("[b]\ny=2\n[\xbb\xf9\xb1\xbe\xc9\xe8\xd6\xc3]\ntext1=new\n");
    }
    void untouchedLinesKeepTheirBytes()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        writeBytes(m_path, before);
        QVERIFY(WriteIni(section, key, u"new"_qs, m_path));
        QTEST(readBytes(m_path), "after");
        QCOMPARE(ReadIni(section, key, QString(), m_path), u"new"_qs);
    }

    // The 143-byte cut counts 0x80 (the euro sign) and 0xFF as one byte each, and never splits a
    // character reference.
    void cutCountsCharactersRight_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("read");
        const QString a142(142, u'a');
        QTest::newRow("euro sign fits") << a142 + u"€"_qs << a142 + u"€"_qs;
        QTest::newRow("byte FF fits") << a142 + QChar(0xF8F5) << a142 + QChar(0xF8F5);
        QTest::newRow("euro sign, then a letter") << a142.first(141) + u"€b"_qs << a142.first(141) + u"€b"_qs;
        QTest::newRow("reference that fits") << QString(134, u'a') + u"😀"_qs << QString(134, u'a') + u"😀"_qs;
        QTest::newRow("reference that does not fit: left out whole")
            << QString(135, u'a') + u"😀"_qs << QString(135, u'a');
    }
    void cutCountsCharactersRight()
    {
        QFETCH(QString, value);
        QVERIFY(WriteIni(section, u"Text1"_qs, value, m_path));
        QTEST(ReadIni(section, u"Text1"_qs, QString(), m_path), "read");
    }

    // Characters outside GBK survive a restart as references; text that merely looks like one
    // comes back as typed.
    void charactersOutsideGbk_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("emoji and extension B") << u"裙😀𠀀"_qs << gbk::encode(u"裙") + "&#x1F600;&#x20000;";
        QTest::newRow("reference typed as text") << u"a&#x1F600;b"_qs << QByteArray("a&#x26;#x1F600;b");
        QTest::newRow("escaped ampersand typed as text") << u"&#x26;"_qs << QByteArray("&#x26;#x26;");
        QTest::newRow("reference to a GBK character stays text")
            << u"&#x41;&amp;&"_qs << QByteArray("&#x41;&amp;&");
        QTest::newRow("lone surrogate") << QString(QChar(0xD83D)) << QByteArray("&#xFFFD;");
        QTest::newRow("zero-width no-break space") << u"a\uFEFF"_qs << QByteArray("a&#xFEFF;");
        QTest::newRow("default-ignorable character") << u"\u200Bb"_qs << QByteArray("&#x200B;b");
    }
    void charactersOutsideGbk()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, stored);
        QVERIFY(WriteIni(section, u"Text1"_qs, value, m_path));
        QCOMPARE(readBytes(m_path), gbk::encode(u"[基本设置]\r\nText1=") + stored + "\r\n");
        const QString back = ReadIni(section, u"Text1"_qs, QString(), m_path);
        QCOMPARE(back, value.front().isSurrogate() ? QString(QChar(QChar::ReplacementCharacter)) : value);
    }

    // GBK and UTF-8 without a byte-order mark: GBK unless the bytes could not be GBK text.
    void utf8WithoutMarkOrGbk_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("keptAsIs"); // read as GBK: a later write keeps the bytes
        QTest::newRow("GBK that is valid UTF-8 (滩 = CC B2)")
            << QByteArray("[Main]\r\nText1=\xcc\xb2\xcc\xb2\r\n") << u"滩滩"_qs << true;
        QTest::newRow("GBK, not UTF-8") << gbk::encode(u"[Main]\r\nText1=连衣裙\r\n") << u"连衣裙"_qs << true;
        QTest::newRow("UTF-8 hanzi") << u"[Main]\r\nText1=连衣裙\r\n"_qs.toUtf8() << u"连衣裙"_qs << false;
        QTest::newRow("UTF-8, one hanzi") << u"[Main]\r\nText1=手\r\n"_qs.toUtf8() << u"手"_qs << false;
        QTest::newRow("UTF-8 cut inside a character is GBK")
            << QByteArray("[Main]\r\nText1=\xe8\xbf") << QString() << true;
    }
    void utf8WithoutMarkOrGbk()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, value);
        QFETCH(bool, keptAsIs);
        writeBytes(m_path, bytes);
        if (!value.isEmpty())
            QCOMPARE(ReadIni(u"main"_qs, u"Text1"_qs, QString(), m_path), value);
        QVERIFY(WriteIni(u"main"_qs, u"Text2"_qs, u"x"_qs, m_path));
        const QByteArray after = readBytes(m_path);
        QCOMPARE(after.startsWith(bytes), keptAsIs);
        if (!keptAsIs)
            QCOMPARE(after, gbk::encode(QString(u"[Main]\r\nText1="_qs + value + u"\r\nText2=x\r\n"_qs)));
    }

    // A file that is not text this program knows is never written, and says so.
    void unrecognisedFileLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("UTF-32 with mark") << QByteArray("\xff\xfe\0\0[\0\0\0x\0\0\0=\0\0\0001\0\0\0", 20);
        QTest::newRow("UTF-32 without mark") << QByteArray("[\0\0\0x\0\0\0=\0\0\0001\0\0\0", 16);
        QTest::newRow("UTF-8 mark, then not UTF-8") << QByteArray("\xef\xbb\xbf[a]\r\nx=\xff\r\n");
        QTest::newRow("UTF-16 mark, odd length") << QByteArray("\xff\xfe[\0a\0]", 7);
        QTest::newRow("UTF-16 mark, lone surrogate") << QByteArray("\xff\xfe[\0\x3d\xd8]\0", 8);
        QTest::newRow("over 1 MB") << gbk::encode(u"[基本设置]\r\nText1=") + QByteArray(1024 * 1024, 'x');
    }
    void unrecognisedFileLeftAlone()
    {
        QFETCH(QByteArray, bytes);
        writeBytes(m_path, bytes);
        QCOMPARE(ReadIni(section, u"Text3"_qs, u"10"_qs, m_path), u"10"_qs);
        QVERIFY(!WriteIni(section, u"Text3"_qs, u"12"_qs, m_path));
        QCOMPARE(readBytes(m_path), bytes);
    }

    // What may be taken for settings when a file is named by hand.
    void settingsText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("settings");
        QTest::newRow("comments before the section") << QByteArray("; mine\r\n\r\n[a]\r\nx=1\r\n") << true;
        QTest::newRow("empty file") << QByteArray() << true;
        QTest::newRow("keyword list") << gbk::encode(u"连衣裙\r\n手机\t5\r\n") << false;
        QTest::newRow("shell script") << QByteArray("#!/bin/sh\n[ -f x ] && exit\n[a]\n") << false;
        QTest::newRow("entry before any section") << QByteArray("x=1\r\n[a]\r\n") << false;
        QTest::newRow("control sequence") << QByteArray("[a]\r\nx=\x1b[2J\r\n") << false;
    }
    void settingsText()
    {
        QFETCH(QByteArray, bytes);
        QTEST(inifile::isSettingsText(bytes), "settings");
    }

    // Reading a complete file changes nothing on disk, not even its time.
    void readingDoesNotRewrite()
    {
        writeBytes(m_path, gbk::encode(u"[基本设置]\nText1=\nText2=1\nText3=10\n"));
        const QDateTime old = QDateTime::currentDateTimeUtc().addDays(-3);
        {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(old, QFileDevice::FileModificationTime));
        }
        QCOMPARE(ReadIni(section, u"Text1"_qs, QString(), m_path), QString());
        QCOMPARE(ReadIni(section, u"Text3"_qs, u"10"_qs, m_path), u"10"_qs);
        QVERIFY(WriteIni(section, u"text2"_qs, u"1"_qs, m_path));
        QCOMPARE(QFileInfo(m_path).lastModified(), old);
    }

    // Files that cannot be written: WriteIni says so and the file stays as it was.
    void unwritableFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("marked read-only") << u"read-only"_qs;
        QTest::newRow("a folder of that name") << u"folder"_qs;
    }
    void unwritableFile()
    {
        QFETCH(QString, kind);
        const QByteArray before = gbk::encode(u"[基本设置]\r\ntext1=旧\r\n");
        if (kind == u"folder") {
            QVERIFY(QDir().mkdir(m_path));
        } else {
            writeBytes(m_path, before);
            QVERIFY(QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadUser));
        }
        QCOMPARE(ReadIni(section, u"Text2"_qs, u"d"_qs, m_path), u"d"_qs);
        QVERIFY(!WriteIni(section, u"text1"_qs, u"新"_qs, m_path));
        if (kind == u"folder") {
            QVERIFY(QFileInfo(m_path).isDir());
            QVERIFY(QDir().rmdir(m_path));
        } else {
            QCOMPARE(readBytes(m_path), before);
            QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
        }
    }

    // A disk that fills up while the file is written: the whole old file stays, and the caller
    // learns of it. The new content is smaller than the write buffer, so only the flush fails.
    void fullDiskKeepsTheOldFile()
    {
        const QByteArray before = largeFile();
        writeBytes(m_path, before);
        {
            const FileSizeLimit limit(4096);
            if (!limit.active())
                QSKIP("file size limits are not available here");
            QVERIFY(!WriteIni(section, u"text1"_qs, u"新的关键词"_qs, m_path));
            QCOMPARE(ReadIni(section, u"Text2"_qs, u"d"_qs, m_path), u"d"_qs);
        }
        QCOMPARE(readBytes(m_path), before);
        const QStringList left = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, QStringList{u"设置.ini"_qs}); // no temporary file left behind
    }

    // The same on a real file system that is full.
    void fullFileSystemKeepsTheOldFile()
    {
        SmallTmpfs disk(64 * 1024);
        if (!disk.isMounted())
            QSKIP("cannot mount a tmpfs here (needs root)");
        const QString path = disk.filePath(u"设置.ini"_qs);
        const QByteArray before = largeFile();
        writeBytes(path, before);
        {
            // Fill what is left, so the new copy of the file cannot be written whole.
            QFile filler(disk.filePath(u"filler"_qs));
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size()) {
            }
        }
        QVERIFY(!WriteIni(section, u"text1"_qs, u"新的关键词"_qs, path));
        QCOMPARE(ReadIni(section, u"Text2"_qs, u"d"_qs, path), u"d"_qs);
        QCOMPARE(readBytes(path), before);
        QVERIFY(QFile::remove(disk.filePath(u"filler"_qs)));
        QVERIFY(WriteIni(section, u"text1"_qs, u"新的关键词"_qs, path));
        QCOMPARE(ReadIni(section, u"Text1"_qs, QString(), path), u"新的关键词"_qs);
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
