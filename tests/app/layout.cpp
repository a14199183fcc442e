#include <QTest>

#include "layout.h"

class TestLayout final : public QObject
{
    Q_OBJECT

private slots:
    void paneSize_data()
    {
        QTest::addColumn<float>("clientWidth");
        QTest::addColumn<float>("clientHeight");
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        // The pane starts 7695 x 5895 and the strips are 530 and 510 twips high.
        QTest::newRow("as first shown") << 11850.f << 7080.f << 11850.f << 6040.f;
        QTest::newRow("wider") << 20000.f << 7080.f << 20000.f << 6040.f;
        QTest::newRow("just above the strips") << 5000.f << 1041.f << 5000.f << 1.f;
        QTest::newRow("exactly the strips keeps height") << 5000.f << 1040.f << 5000.f << 5895.f;
        QTest::newRow("one pixel high keeps height") << 5000.f << 15.f << 5000.f << 5895.f;
        QTest::newRow("minimised") << 0.f << 0.f << 0.f << 5895.f;
    }
    void paneSize()
    {
        QFETCH(float, clientWidth);
        QFETCH(float, clientHeight);
        QFETCH(float, width);
        QFETCH(float, height);
        const layout::Size pane = layout::paneSizeFor({clientWidth, clientHeight}, 530, 510, {7695, 5895});
        QCOMPARE(pane.width, width);
        QCOMPARE(pane.height, height);
    }

    void twipsConversion()
    {
        QCOMPARE(layout::twipsToPixels(11850, 96), 790);
        QCOMPARE(layout::twipsToPixels(7080, 96), 472);
        QCOMPARE(layout::twipsToPixels(525, 96), 35);
        QCOMPARE(layout::twipsToPixels(11850, 144), 1185);
        QCOMPARE(layout::pixelsToTwips(790, 96), 11850.f);
        QCOMPARE(layout::pixelsToTwips(10, 0), 0.f);
    }
};

QTEST_GUILESS_MAIN(TestLayout)
#include "layout.moc"
