#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include "demoservice.h"
#include "httpserver.h"
#include "orderreader.h"
#include "orderstore.h"
#include "ordersync.h"
#include "routerrest.h"

namespace {

const QString adzone = u"34567890"_qs;

// The demo gateway on 127.0.0.1 with its clock pinned, the calls it answered on record, and a
// way to fail chosen calls.
struct Gateway
{
    demo::DemoService service;
    QDateTime clock = QDateTime(QDate(2026, 12, 1), QTime(12, 0), QTimeZone(8 * 3600));
    QList<demo::CallParameters> calls;
    std::function<bool(const demo::CallParameters &)> failWhen;
    httpkit::Server server{[this](const httpkit::Request &request) {
        const demo::CallParameters call = demo::callParameters(request.query, request.body);
        calls.append(call);
        if (failWhen && failWhen(call)) {
            httpkit::Response broken;
            broken.status = 502;
            return broken;
        }
        return service.handle(request);
    }};

    Gateway()
    {
        service.setClock([this] { return clock; });
        QStringList ids;
        for (const demo::CatalogueItem &item : demo::Catalogue::shipped().items().mid(0, 12))
            ids << demo::openItemId(item);
        service.orders().noteSearch(adzone, ids, clock.addDays(-30));
        server.listen();
    }

    orders::SyncSetup setup(const QString &database)
    {
        orders::SyncSetup s;
        s.account.gateway = u"http://127.0.0.1:"_qs + QString::number(server.port()) + u"/router/rest"_qs;
        s.account.appKey = u"demo-app"_qs;
        s.account.appSecret = u"demo-secret"_qs;
        s.store.database = database;
        s.days = 10;
        s.now = [this] {
            return clock;
        };
        return s;
    }
    QList<demo::CallParameters> orderCalls() const
    {
        QList<demo::CallParameters> out;
        for (const demo::CallParameters &call : calls) {
            if (call.value(u"method"_qs) == orders::orderDetailsMethod)
                out << call;
        }
        return out;
    }
};

orders::SyncSummary syncOnce(const orders::SyncSetup &setup)
{
    orders::Sync sync(setup);
    return sync.exec();
}

qint64 storedOrders(const QString &database)
{
    orders::OrderStore store(orders::StoreLocation{u"QSQLITE"_qs, database, {}, -1, {}});
    return store.open(nullptr) ? store.orderCount() : -1;
}

} // namespace

class TestOrderSync final : public QObject
{
    Q_OBJECT

private slots:
    void firstSyncReadsEveryPageInWindowsTheGatewayTakes_data();
    void firstSyncReadsEveryPageInWindowsTheGatewayTakes();
    void syncingAgainChangesNothing();
    void statusChangesUpdateTheirRows();
    void cancelledSyncResumes();
    void failedWindowsAreReadNextTime();
    void aNewerDatabaseIsLeftAlone();
    void aRefusedAccountStopsTheSync();
};

void TestOrderSync::firstSyncReadsEveryPageInWindowsTheGatewayTakes_data()
{
    QTest::addColumn<int>("windowMinutes");
    QTest::addColumn<int>("perDay");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("refusedCalls");
    QTest::newRow("windows of three hours, one page each") << 180 << 8 << 4 << 0;
    // 10 h refused, 5 h refused, then 2.5 h windows from the start, never tried too long again.
    QTest::newRow("a setting longer than the gateway takes is halved") << 600 << 8 << 1 << 2;
    QTest::newRow("windows of many pages") << 180 << 3000 << 4 << 0;
}

void TestOrderSync::firstSyncReadsEveryPageInWindowsTheGatewayTakes()
{
    QFETCH(int, windowMinutes);
    QFETCH(int, perDay);
    QFETCH(int, jobs);
    QFETCH(int, refusedCalls);
    QTemporaryDir dir;
    Gateway gateway;
    gateway.service.orders().setOrdersPerDay(perDay);
    orders::SyncSetup setup = gateway.setup(dir.filePath(u"收益.sqlite"_qs));
    setup.windowMinutes = windowMinutes;
    setup.jobs = jobs;
    setup.days = perDay > 100 ? 1 : 10;
    const orders::SyncSummary summary = syncOnce(setup);
    QVERIFY2(summary.allDone(), qPrintable(summary.error + summary.failures.join(u';')));

    // Every order the gateway has for the period, once, whatever the window or page it came in.
    const qint64 expected = qint64(perDay) * setup.days;
    QVERIFY(qAbs(storedOrders(setup.store.database) - expected) <= perDay);
    QCOMPARE(summary.added, storedOrders(setup.store.database));
    QCOMPARE(summary.windowsFailed, 0);
    int laterPages = 0;
    int tooLong = 0;
    for (const demo::CallParameters &call : gateway.orderCalls()) {
        const qint64 span = orders::fromGatewayTime(call.value(u"start_time"_qs))
                                .secsTo(orders::fromGatewayTime(call.value(u"end_time"_qs)));
        tooLong += span > demo::maxWindowSeconds;
        QCOMPARE(call.value(u"page_size"_qs), u"100"_qs);
        if (call.value(u"page_no"_qs) != u"1")
            ++laterPages;
        // The demo refuses a page whose position_index is not the one the page before gave.
        QCOMPARE(call.value(u"position_index"_qs).isEmpty(), call.value(u"page_no"_qs) == u"1");
    }
    QCOMPARE(tooLong, refusedCalls);
    QCOMPARE(laterPages > 0, perDay * 3 / 24 > 100);
}

void TestOrderSync::syncingAgainChangesNothing()
{
    QTemporaryDir dir;
    Gateway gateway;
    const orders::SyncSetup setup = gateway.setup(dir.filePath(u"收益.sqlite"_qs));
    QVERIFY(syncOnce(setup).allDone());
    const qint64 stored = storedOrders(setup.store.database);
    QVERIFY(stored > 50);

    // The same moment again: the overlap reads orders already stored, and writes none.
    const orders::SyncSummary again = syncOnce(setup);
    QVERIFY(again.allDone());
    QCOMPARE(again.added + again.updated, 0);
    QCOMPARE(storedOrders(setup.store.database), stored);
    QCOMPARE(gateway.orderCalls().last().value(u"query_type"_qs), u"4"_qs);
}

void TestOrderSync::statusChangesUpdateTheirRows()
{
    QTemporaryDir dir;
    Gateway gateway;
    const orders::SyncSetup setup = gateway.setup(dir.filePath(u"收益.sqlite"_qs));
    QVERIFY(syncOnce(setup).allDone());
    orders::OrderStore store(setup.store);
    QVERIFY(store.open(nullptr));
    const QList<orders::OrderGroup> before = *store.groups(u"2026-11-22"_qs, u"2026-11-30"_qs);

    // Ten days on, paid orders have settled and a few have been refunded or become invalid.
    gateway.clock = gateway.clock.addDays(10);
    const orders::SyncSummary later = syncOnce(setup);
    QVERIFY(later.allDone());
    QVERIFY(later.updated > 0);
    // The days the first sync read whole: the same orders, more of them settled.
    const auto count = [](const QList<orders::OrderGroup> &groups, bool settledOnly) {
        qint64 n = 0;
        for (const orders::OrderGroup &group : groups) {
            if (!settledOnly || group.status == orders::statusSettled)
                n += group.count;
        }
        return n;
    };
    const QList<orders::OrderGroup> after = *store.groups(u"2026-11-22"_qs, u"2026-11-30"_qs);
    QCOMPARE(count(after, false), count(before, false));
    QVERIFY(count(after, true) > count(before, true));
}

void TestOrderSync::cancelledSyncResumes()
{
    QTemporaryDir dir;
    Gateway gateway;
    orders::SyncSetup setup = gateway.setup(dir.filePath(u"收益.sqlite"_qs));
    setup.jobs = 1;
    {
        orders::Sync sync(setup);
        int pages = 0;
        connect(&sync, &orders::Sync::progress, &sync, [&] {
            if (++pages == 5)
                sync.cancel();
        });
        const orders::SyncSummary &summary = sync.exec();
        QVERIFY(summary.cancelled);
        QVERIFY(summary.windowsDone < summary.windows);
    }
    const qint64 partial = storedOrders(setup.store.database);

    // The next sync reads the windows left over, not the stored ones again.
    const orders::SyncSummary resumed = syncOnce(setup);
    QVERIFY(resumed.allDone());
    QVERIFY(resumed.added > 0);
    QCOMPARE(storedOrders(setup.store.database), partial + resumed.added);
    QTemporaryDir fresh;
    const orders::SyncSummary whole = syncOnce(gateway.setup(fresh.filePath(u"收益.sqlite"_qs)));
    QVERIFY(whole.allDone());
    QCOMPARE(storedOrders(setup.store.database), storedOrders(fresh.filePath(u"收益.sqlite"_qs)));
    // What was stored before the cancel is not read again (one modified window besides).
    QVERIFY(resumed.windows < whole.windows);
}

void TestOrderSync::failedWindowsAreReadNextTime()
{
    QTemporaryDir dir;
    Gateway gateway;
    const orders::SyncSetup setup = gateway.setup(dir.filePath(u"收益.sqlite"_qs));
    gateway.failWhen = [](const demo::CallParameters &call) {
        return call.value(u"start_time"_qs).startsWith(u"2026-11-25");
    };
    const orders::SyncSummary first = syncOnce(setup);
    QCOMPARE(first.windowsFailed, 8);
    QVERIFY(!first.allDone());
    QVERIFY(!first.failures.isEmpty());

    gateway.failWhen = nullptr;
    const orders::SyncSummary second = syncOnce(setup);
    QVERIFY(second.allDone());
    QVERIFY(second.added > 0);
    QTemporaryDir fresh;
    QVERIFY(syncOnce(gateway.setup(fresh.filePath(u"收益.sqlite"_qs))).allDone());
    QCOMPARE(storedOrders(setup.store.database), storedOrders(fresh.filePath(u"收益.sqlite"_qs)));
}

void TestOrderSync::aNewerDatabaseIsLeftAlone()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"收益.sqlite"_qs);
    {
        orders::OrderStore store(orders::StoreLocation{u"QSQLITE"_qs, path, {}, -1, {}});
        QVERIFY(store.open(nullptr));
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"newer"_qs);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery journal(db);
        QVERIFY(journal.exec(u"PRAGMA journal_mode"_qs) && journal.next());
        QCOMPARE(journal.value(0).toString(), u"wal"_qs);
        QVERIFY(QSqlQuery(db).exec(u"UPDATE schema_version SET version = version + 1"_qs));
        db.close();
    }
    QSqlDatabase::removeDatabase(u"newer"_qs);
    orders::OrderStore store(orders::StoreLocation{u"QSQLITE"_qs, path, {}, -1, {}});
    QString error;
    QVERIFY(!store.open(&error));
    QVERIFY2(error.contains(u"较新版本"_qs), qPrintable(error));
}

void TestOrderSync::aRefusedAccountStopsTheSync()
{
    QTemporaryDir dir;
    Gateway gateway;
    orders::SyncSetup setup = gateway.setup(dir.filePath(u"收益.sqlite"_qs));
    setup.account.appSecret = u"wrong"_qs;
    const orders::SyncSummary summary = syncOnce(setup);
    // Each job's first call is refused; the other windows are not asked and wait for next time.
    QVERIFY(gateway.orderCalls().size() <= orders::maxJobs);
    QCOMPARE(summary.failures, QStringList{u"签名无效（请检查 AppSecret 与签名方式）"_qs});
    setup.account.appSecret = u"demo-secret"_qs;
    QVERIFY(syncOnce(setup).allDone());
    QTemporaryDir fresh;
    QVERIFY(syncOnce(gateway.setup(fresh.filePath(u"收益.sqlite"_qs))).allDone());
    QCOMPARE(storedOrders(setup.store.database), storedOrders(fresh.filePath(u"收益.sqlite"_qs)));
}

QTEST_GUILESS_MAIN(TestOrderSync)
#include "ordersync.moc"
