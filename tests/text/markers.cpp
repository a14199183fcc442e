#include <QTest>

#include "markers.h"

class TestMarkers final : public QObject
{
    Q_OBJECT

private slots:
    void jiequ_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<bool>("keepStart");
        QTest::addColumn<bool>("keepEnd");
        QTest::addColumn<QString>("piece");

        const QString err = jiequErrorText();
        QTest::newRow("between") << u"ab[cd]ef"_qs << u"["_qs << u"]"_qs << false << false << u"cd"_qs;
        QTest::newRow("start kept") << u"ab[cd]ef"_qs << u"["_qs << u"]"_qs << true << false << u"[cd"_qs;
        QTest::newRow("end kept") << u"ab[cd]ef"_qs << u"["_qs << u"]"_qs << false << true << u"cd]"_qs;
        QTest::newRow("both kept") << u"ab[cd]ef"_qs << u"["_qs << u"]"_qs << true << true << u"[cd]"_qs;
        QTest::newRow("spaces trimmed") << u"[  cd  ]"_qs << u"["_qs << u"]"_qs << false << false << u"cd"_qs;
        QTest::newRow("tab and line break stay")
            << u"[\tcd\r\n]"_qs << u"["_qs << u"]"_qs << false << false << u"\tcd\r\n"_qs;
        QTest::newRow("trimmed with markers kept")
            << u" x[ cd ]y"_qs << u"x"_qs << u"y"_qs << false << false << u"[ cd ]"_qs;
        QTest::newRow("first start, first end after it")
            << u"[1][2]"_qs << u"["_qs << u"]"_qs << false << false << u"1"_qs;
        QTest::newRow("end marker before start is skipped")
            << u"]a[b]c"_qs << u"["_qs << u"]"_qs << false << false << u"b"_qs;
        QTest::newRow("case-sensitive start")
            << u"ab[xy]ef"_qs << u"[X"_qs << u"]"_qs << false << false << err;
        QTest::newRow("no end marker anywhere") << u"ab[cd"_qs << u"["_qs << u"]"_qs << false << false << err;
        QTest::newRow("empty text") << QString() << u"["_qs << u"]"_qs << false << false << err;
        QTest::newRow("short link reply") << uR"({"status":0,"tinyurl":"S"})"_qs << uR"(tinyurl":")"_qs
                                          << u"\""_qs << false << false << u"S"_qs;
        // With the start marker kept, an end marker inside the start marker ends nothing.
        QTest::newRow("end marker inside kept start") << uR"({"tinyurl":"S"})"_qs << uR"(tinyurl":")"_qs
                                                      << u"\""_qs << true << false << u"tinyurl\":\"S"_qs;
        QTest::newRow("end marker inside kept start, end kept")
            << uR"({"tinyurl":"S"})"_qs << uR"(tinyurl":")"_qs << u"\""_qs << true << true
            << u"tinyurl\":\"S\""_qs;
        QTest::newRow("multi-unit markers")
            << u"<a>链接</a>"_qs << u"<a>"_qs << u"</a>"_qs << false << false << u"链接"_qs;
        QTest::newRow("empty piece") << u"[]"_qs << u"["_qs << u"]"_qs << false << false << QString();
        QTest::newRow("empty end marker gives empty piece")
            << u"ab[cd"_qs << u"["_qs << QString() << false << false << QString();
        QTest::newRow("surrogate pair piece") << u"[😀]"_qs << u"["_qs << u"]"_qs << false << false << u"😀"_qs;
    }
    void jiequ()
    {
        QFETCH(QString, text);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(bool, keepStart);
        QFETCH(bool, keepEnd);
        QFETCH(QString, piece);

        QString normal = text;
        const std::optional<QString> result = ::jiequ(normal, start, end, false, keepStart, keepEnd);
        QVERIFY(result.has_value());
        QCOMPARE(*result, piece);
        QCOMPARE(normal, text); // written back only in special mode

        QString special = text;
        const std::optional<QString> specialResult = ::jiequ(special, start, end, true, keepStart, keepEnd);
        QVERIFY(specialResult.has_value());
        QCOMPARE(*specialResult, piece);
    }

    // Special mode advances the caller's text to the cut point; a missing marker leaves it alone.
    void specialModeWriteBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("keepStart");
        QTest::addColumn<QString>("after");
        QTest::newRow("start skipped") << u"ab[cd]ef"_qs << false << u"cd]ef"_qs;
        QTest::newRow("start kept") << u"ab[cd]ef"_qs << true << u"[cd]ef"_qs;
        QTest::newRow("start marker missing") << u"ab(cd]ef"_qs << false << u"ab(cd]ef"_qs;
        QTest::newRow("end marker missing") << u"ab[cdef"_qs << false << u"ab[cdef"_qs;
        QTest::newRow("start at the very end") << u"ab]cd["_qs << false << QString();
    }
    void specialModeWriteBack()
    {
        QFETCH(QString, text);
        QFETCH(bool, keepStart);
        QFETCH(QString, after);
        (void)::jiequ(text, u"["_qs, u"]"_qs, true, keepStart, false);
        QCOMPARE(text, after);
    }

    // Both markers present but no end marker after the start: a failure the caller can see, with
    // the special-mode write-back still done.
    void noEndAfterStart_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("keepEnd");
        QTest::addColumn<QString>("specialAfter");
        QTest::newRow("end before start") << u"ab]cd[ef"_qs << false << u"ef"_qs;
        QTest::newRow("end before start, end kept") << u"ab]cd[ef"_qs << true << u"ef"_qs;
        QTest::newRow("start last") << u"ab]cd["_qs << false << QString();
    }
    void noEndAfterStart()
    {
        QFETCH(QString, text);
        QFETCH(bool, keepEnd);
        QFETCH(QString, specialAfter);
        QString normal = text;
        QVERIFY(!::jiequ(normal, u"["_qs, u"]"_qs, false, false, keepEnd).has_value());
        QCOMPARE(normal, text);
        QString special = text;
        QVERIFY(!::jiequ(special, u"["_qs, u"]"_qs, true, false, keepEnd).has_value());
        QCOMPARE(special, specialAfter);
    }

    // With the start marker kept, an end marker that stands only inside the start marker is no end.
    void endOnlyInsideKeptStart()
    {
        QString text = u"ab\"c\":d"_qs;
        const QString start = u"\":"_qs;
        QVERIFY(!::jiequ(text, start, u"\""_qs, false, true, false).has_value());
        QVERIFY(!::jiequ(text, start, u"\""_qs, false, true, true).has_value());
    }
};

QTEST_GUILESS_MAIN(TestMarkers)
#include "markers.moc"
