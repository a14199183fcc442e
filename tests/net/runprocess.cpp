#include <cmath>
#include <ctime>

#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "runprocess.h"

namespace {

// Processor time of the whole process, in ms.
double cpuMs()
{
    return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC;
}

class Emitter : public QObject
{
    Q_OBJECT
signals:
    void fired();
};

} // namespace

class TestRunProcess final : public QObject
{
    Q_OBJECT

private slots:
    void init() { net::detail::failTimerStartsForTests(false); }
    void cleanup() { init(); }

    // At least the time asked for, in both the timer wait and the fallback without a timer.
    void lastsAtLeast_data()
    {
        QTest::addColumn<double>("asked");
        QTest::addColumn<qint64>("least");
        QTest::addColumn<bool>("timerFails");
        QTest::newRow("zero") << 0.0 << qint64(0) << false;
        QTest::newRow("one slice") << 100.0 << qint64(100) << false;
        QTest::newRow("rounded up") << 59.6 << qint64(60) << false;
        QTest::newRow("rounded down") << 60.4 << qint64(60) << false;
        QTest::newRow("negative is zero") << -50.0 << qint64(0) << false;
        QTest::newRow("not a number is zero") << std::nan("") << qint64(0) << false;
        QTest::newRow("no timer: one slice") << 100.0 << qint64(100) << true;
        QTest::newRow("no timer: zero") << 0.0 << qint64(0) << true;
    }
    void lastsAtLeast()
    {
        QFETCH(double, asked);
        QFETCH(qint64, least);
        QFETCH(bool, timerFails);
        net::detail::failTimerStartsForTests(timerFails);
        QElapsedTimer clock;
        clock.start();
        RunProcess(asked);
        QVERIFY2(clock.elapsed() >= least, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(clock.elapsed() < least + 3000); // it does end
        QVERIFY(!mobjWaitTimer());
    }

    // Events that are due during the wait run before it returns: timers, posted calls, and
    // with a wait of 0 the ones already queued.
    void handlesEvents_data()
    {
        QTest::addColumn<int>("wait");
        QTest::addColumn<int>("eventAfter");
        QTest::addColumn<bool>("timerFails");
        QTest::newRow("queued before a wait of 0") << 0 << -1 << false;
        QTest::newRow("timer during the wait") << 100 << 20 << false;
        QTest::newRow("queued, no timer") << 0 << -1 << true;
        QTest::newRow("timer during the wait, no timer") << 100 << 20 << true;
    }
    void handlesEvents()
    {
        QFETCH(int, wait);
        QFETCH(int, eventAfter);
        QFETCH(bool, timerFails);
        bool ran = false;
        bool sawWaitInProgress = false;
        const auto handler = [&] {
            ran = true;
            sawWaitInProgress = mobjWaitTimer() && mobjWaitTimer()->waiting();
        };
        if (eventAfter < 0)
            QMetaObject::invokeMethod(this, handler, Qt::QueuedConnection);
        else
            QTimer::singleShot(eventAfter, this, handler);
        net::detail::failTimerStartsForTests(timerFails);
        RunProcess(wait);
        QVERIFY(ran);
        QVERIFY(sawWaitInProgress);
        QVERIFY(!mobjWaitTimer());
    }

    // A handler that starts another wait: both end, whichever is longer, and the slot is empty.
    void nestedWaitsEnd_data()
    {
        QTest::addColumn<int>("outer");
        QTest::addColumn<int>("inner");
        QTest::newRow("inner shorter") << 200 << 50;
        QTest::newRow("inner longer") << 50 << 250;
        QTest::newRow("inner zero") << 80 << 0;
    }
    void nestedWaitsEnd()
    {
        QFETCH(int, outer);
        QFETCH(int, inner);
        bool innerEnded = false;
        std::shared_ptr<clsWaitableTimer> outerTimer;
        std::shared_ptr<clsWaitableTimer> innerTimer;
        std::shared_ptr<clsWaitableTimer> afterInner;
        QTimer::singleShot(10, this, [&] {
            outerTimer = mobjWaitTimer();
            QTimer::singleShot(0, this, [&] { innerTimer = mobjWaitTimer(); });
            RunProcess(inner);
            innerEnded = true;
            afterInner = mobjWaitTimer();
        });
        QElapsedTimer clock;
        clock.start();
        RunProcess(outer);
        QVERIFY(clock.elapsed() >= outer);
        QVERIFY(innerEnded);
        QVERIFY(outerTimer && innerTimer);
        QVERIFY(outerTimer != innerTimer);
        QCOMPARE(afterInner, outerTimer); // the outer wait is still the one in progress
        QVERIFY(!mobjWaitTimer());
    }

    // The thread sleeps while it waits.
    void doesNotSpin_data()
    {
        QTest::addColumn<bool>("timerFails");
        QTest::newRow("timer") << false;
        QTest::newRow("no timer") << true;
    }
    void doesNotSpin()
    {
        QFETCH(bool, timerFails);
        net::detail::failTimerStartsForTests(timerFails);
        const double before = cpuMs();
        QElapsedTimer clock;
        clock.start();
        RunProcess(400);
        const double used = cpuMs() - before;
        QVERIFY(clock.elapsed() >= 400);
        QVERIFY2(used < 150, qPrintable(QString::number(used)));
    }

    // A wake source ends the wait early: the reply's end must not wait for the slice to run out.
    void wakeEndsWaitEarly_data()
    {
        QTest::addColumn<bool>("timerFails");
        QTest::newRow("timer") << false;
        QTest::newRow("no timer") << true;
    }
    void wakeEndsWaitEarly()
    {
        QFETCH(bool, timerFails);
        net::detail::failTimerStartsForTests(timerFails);
        Emitter emitter;
        QTimer::singleShot(30, &emitter, &Emitter::fired);
        QElapsedTimer clock;
        clock.start();
        RunProcess(20000, &emitter, &Emitter::fired);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!mobjWaitTimer());

        // The connection dies with its wait: a later emission wakes nothing that is gone.
        emit emitter.fired();
        clock.restart();
        RunProcess(50, &emitter, &Emitter::fired);
        QVERIFY(clock.elapsed() >= 50);
    }

    // A cancel ends the run's waits in progress, nested ones included, and its later waits at
    // once; a wait of another run, or one that belongs to no run, goes on.
    void cancelEndsTheRunsWaits_data()
    {
        QTest::addColumn<bool>("fromOtherThread");
        QTest::addColumn<bool>("timerFails");
        QTest::newRow("from a handler") << false << false;
        QTest::newRow("from another thread") << true << false;
        QTest::newRow("from a handler, no timer") << false << true;
    }
    void cancelEndsTheRunsWaits()
    {
        QFETCH(bool, fromOtherThread);
        QFETCH(bool, timerFails);
        net::detail::failTimerStartsForTests(timerFails);
        net::Cancellation run;
        std::unique_ptr<QThread> canceller;
        bool innerEnded = false;
        QTimer::singleShot(10, this, [&] {
            if (fromOtherThread) {
                canceller.reset(QThread::create([&run] {
                    QThread::msleep(30);
                    run.cancel();
                }));
                canceller->start();
            } else {
                QTimer::singleShot(30, this, [&run] { run.cancel(); });
            }
            RunProcess(20000, &run);
            innerEnded = true;
        });
        QElapsedTimer clock;
        clock.start();
        RunProcess(20000, &run);
        QVERIFY(innerEnded);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(run.isCancelled());

        clock.restart();
        RunProcess(20000, &run);
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(!mobjWaitTimer());
        if (canceller)
            canceller->wait();

        // Another run's wait, and a plain one, last as long as they were asked to.
        net::Cancellation other;
        clock.restart();
        RunProcess(60, &other);
        RunProcess(60);
        QVERIFY(clock.elapsed() >= 120);
    }
};

QTEST_GUILESS_MAIN(TestRunProcess)
#include "runprocess.moc"
