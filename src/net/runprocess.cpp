#include "runprocess.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace {

std::atomic_bool timerStartsFail = false;

// Guards m_loop of every timer object against a wake() from another thread.
std::mutex loopMutex;

thread_local std::shared_ptr<clsWaitableTimer> currentTimer;

int toMilliseconds(double value)
{
    if (!(value > 0)) // NaN too
        return 0;
    if (value >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(std::lround(value));
}

} // namespace

clsWaitableTimer::clsWaitableTimer() = default;

clsWaitableTimer::~clsWaitableTimer() = default;

void clsWaitableTimer::Wait(int MilliSeconds)
{
    const int ms = std::max(0, MilliSeconds);
    m_woken = false;

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer); // a coarse timer may fire early; the wait is "at least"
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    {
        std::scoped_lock lock(loopMutex);
        m_loop = &loop;
        mhTimer = &timer;
    }

    if (!timerStartsFail)
        timer.start(ms);
    if (timer.isActive()) {
        // exec() forgets an earlier quit(), hence the flag.
        if (!m_woken)
            loop.exec();
    } else {
        // No timer: sleep the slice in short naps while still handling events.
        const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
        do {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (m_woken)
                break;
            const qint64 left = deadline.remainingTime();
            if (left > 0)
                QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, 10)));
        } while (!deadline.hasExpired());
    }

    std::scoped_lock lock(loopMutex);
    m_loop = nullptr;
    mhTimer = nullptr;
}

void clsWaitableTimer::wake()
{
    m_woken = true;
    std::scoped_lock lock(loopMutex);
    if (!m_loop)
        return;
    // On the loop's own thread quit() takes effect when control is back in the loop; from
    // another thread the quit is queued to it (the lock keeps the loop alive until then).
    if (m_loop->thread() == QThread::currentThread())
        m_loop->quit();
    else
        QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
}

void RunProcess(double 时间)
{
    net::detail::runProcess(时间, {});
}

void RunProcess(double 时间, const net::Cancellation *cancel)
{
    if (cancel && cancel->isCancelled())
        return;
    net::detail::runProcess(时间, [cancel](clsWaitableTimer &timer) {
        if (!cancel)
            return;
        QObject::connect(cancel, &net::Cancellation::cancelled, timer.context(), [&timer] { timer.wake(); });
        // A cancel between the check above and the connection would otherwise be missed.
        if (cancel->isCancelled())
            timer.wake();
    });
}

const std::shared_ptr<clsWaitableTimer> &mobjWaitTimer()
{
    return currentTimer;
}

namespace net {

namespace detail {

void runProcess(double 时间, const std::function<void(clsWaitableTimer &)> &arm)
{
    auto timer = std::make_shared<clsWaitableTimer>();
    // A nested wait puts its own object here and gives the outer one back at its end.
    const std::shared_ptr<clsWaitableTimer> outer = std::exchange(currentTimer, timer);
    if (arm)
        arm(*timer);
    timer->Wait(toMilliseconds(时间));
    currentTimer = outer;
}

void failTimerStartsForTests(bool fail)
{
    timerStartsFail = fail;
}

} // namespace detail

} // namespace net
