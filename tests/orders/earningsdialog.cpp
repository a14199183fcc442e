#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "demofixture.h"
#include "earningsdialog.h"
#include "form1.h"
#include "pageitems.h"
#include "site.h"
#include "siteconfig.h"

// 工具 -> 收益报表… on the real window: a site whose page showed the demo's items earns.
class TestEarningsDialog final : public QObject
{
    Q_OBJECT

    DemoFixture m_demo;
    QTemporaryDir m_dir;
    std::unique_ptr<Form1> m_form;

private slots:
    void initTestCase()
    {
        QVERIFY(m_demo.listen());
        QVERIFY(programfolder::make(m_dir.path(), m_demo.host(), u"Text2=mm_1_2_999\r\n"_qs));
        QFile settings(m_dir.filePath(u"设置.ini"_qs));
        QVERIFY(settings.open(QIODevice::Append));
        settings.write(gbk::encode(u"数据来源=开放平台\r\nAppKey=demo-app\r\nAppSecret=demo-secret\r\n"_qs));
        settings.close();

        // A site on its own ad zone with one page that has shown the first items for months.
        QStringList ids;
        for (const demo::CatalogueItem &item : demo::Catalogue::shipped().items().mid(0, 6))
            ids << demo::openItemId(item);
        m_demo.service().orders().noteSearch(u"34567890"_qs, ids, QDateTime::currentDateTime().addDays(-60));
        siteconfig::Site site;
        site.name = u"演示站"_qs;
        site.pid = u"mm_1_2_34567890"_qs;
        site.pages = {{u"连衣裙"_qs, u"lian-yi-qun"_qs, QDateTime::currentDateTime(), 6, QString()}};
        const QString folder = sites::sitesRoot(m_dir.filePath(u"已生成"_qs)) + u"/演示站"_qs;
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(siteconfig::write(folder + u"/站点.ini"_qs, site));
        pageitems::Record record;
        pageitems::recordShown(record[u"lian-yi-qun"_qs], u"连衣裙"_qs, ids,
                               QDate::currentDate().addDays(-80));
        pageitems::recordShown(record[u"lian-yi-qun"_qs], u"连衣裙"_qs, ids, QDate::currentDate());
        QVERIFY(pageitems::write(folder, record));
    }

    void syncShowsWhatThePageEarned()
    {
        m_form = std::make_unique<Form1>(m_dir.path());
        m_form->setQuitOnClose(false);
        m_form->useDemoService(m_demo.host());
        m_form->findChild<QAction *>(u"shouyibaobiao"_qs)->trigger();
        auto *dialog = m_form->findChild<EarningsDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->report().total.orders, 0);

        QSignalSpy ended(dialog, &EarningsDialog::syncFinished);
        dialog->findChild<QPushButton *>(u"sync"_qs)->click();
        QVERIFY(dialog->isSyncing());
        QVERIFY(dialog->findChild<QPushButton *>(u"cancel"_qs)->isEnabled());
        QVERIFY(ended.wait(30000));
        QVERIFY2(dialog->findChild<QLabel *>(u"status"_qs)->text().startsWith(u"同步完成"_qs),
                 qPrintable(dialog->findChild<QLabel *>(u"status"_qs)->text()));

        const orders::Report &report = dialog->report();
        QCOMPARE(report.sites.size(), 1);
        const orders::SiteEarnings &site = report.sites.first();
        QVERIFY(site.pages.first().totals.orders > 0);
        QCOMPARE(site.total.estimateFen, report.total.estimateFen);

        QSignalSpy shown(dialog, &EarningsDialog::reportShown);
        QVERIFY(shown.wait(20000));
        const QString saved = m_dir.filePath(u"报表.html"_qs);
        QVERIFY(dialog->saveReport(saved));
        const QByteArray html = programfolder::readBytes(saved);
        QVERIFY(html.contains("<svg"));
        QVERIFY(html.contains("lian-yi-qun/index.htm\">lian-yi-qun</a>"));
    }
};

QTEST_MAIN(TestEarningsDialog)
#include "earningsdialog.moc"
