#pragma once

#include <QEventLoop>
#include <QTimer>

// Waiting in tests without starving the web engine. QTest::qWait, qWaitFor and the QTRY_ macros
// handle events and then sleep 10 ms, and Chromium's message pump barely moves in between. These
// run a real event loop that checks the condition on a short timer and quits once it holds.
namespace eventwait {

// Runs the event loop until `condition()` is true or `timeoutMs` has passed; returns the
// condition's last value. `pollMs` is how often it is checked (longer for costly conditions).
template <typename Condition> bool until(Condition condition, int timeoutMs = 10000, int pollMs = 2)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(pollMs);
    // A condition may itself wait for the page; the timer must not re-enter it meanwhile.
    bool checking = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (checking)
            return;
        checking = true;
        const bool holds = condition();
        checking = false;
        if (holds)
            loop.quit();
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start();
    deadline.start(timeoutMs);
    loop.exec();
    return condition();
}

// Lets events run for `ms` milliseconds.
inline void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace eventwait

// QVERIFY / QCOMPARE once the condition holds, or after the time-out (10 s unless given).
#define WAIT_VERIFY(cond, ...)                                                                               \
    QVERIFY(eventwait::until([&] {                                                                           \
        return bool(cond);                                                                                   \
    } __VA_OPT__(, ) __VA_ARGS__))
#define WAIT_COMPARE(actual, expected, ...)                                                                  \
    do {                                                                                                     \
        eventwait::until([&] {                                                                               \
            return (actual) == (expected);                                                                   \
        } __VA_OPT__(, ) __VA_ARGS__);                                                                       \
        QCOMPARE(actual, expected);                                                                          \
    } while (false)
