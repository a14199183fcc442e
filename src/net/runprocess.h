#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include <QObject>

#include "cancellation.h"

class QEventLoop;
class QTimer;

// A wait that keeps the thread's events flowing: a nested QEventLoop that sleeps on a single-shot
// timer (it never spins) and can be woken early.
class clsWaitableTimer
{
public:
    clsWaitableTimer();
    ~clsWaitableTimer();
    clsWaitableTimer(const clsWaitableTimer &) = delete;
    clsWaitableTimer &operator=(const clsWaitableTimer &) = delete;

    // Returns after at least MilliSeconds ms (negative counts as 0), or earlier once wake() is
    // called; events are handled meanwhile. Wait(0) returns after one
    // pass of the event loop.
    void Wait(int MilliSeconds);

    // Ends the wait in progress early; a no-op when none is in progress. Safe from any thread.
    void wake();

    // True while Wait runs.
    bool waiting() const { return mhTimer != nullptr; }

    // Lives as long as this object: a context for connections that call wake().
    QObject *context() { return &m_context; }

private:
    QTimer *mhTimer = nullptr;
    QEventLoop *m_loop = nullptr;
    std::atomic_bool m_woken = false;
    QObject m_context;
};

// Waits at least 时间 ms (rounded to the nearest int) in a nested QEventLoop that sleeps (no
// spinning) while the window's events are handled.
void RunProcess(double 时间);

// The same wait, ended early once `cancel` is cancelled; it returns at once when it already is.
void RunProcess(double 时间, const net::Cancellation *cancel);

// The same wait, also ended as soon as `wakeSender` emits `wakeSignal` (a reply's finished, say),
// so the caller sees the event at once instead of at the end of the slice.
template <typename Sender, typename Signal>
void RunProcess(double 时间, const Sender *wakeSender, Signal wakeSignal);

// The timer object of the wait in progress on this thread; empty when no wait is in progress.
const std::shared_ptr<clsWaitableTimer> &mobjWaitTimer();

namespace net {

namespace detail {
// Runs the wait of RunProcess; `arm` is called with the fresh timer object before it waits.
void runProcess(double 时间, const std::function<void(clsWaitableTimer &)> &arm);
// Makes every timer start fail, so the fallback wait is used (tests only).
void failTimerStartsForTests(bool fail);
} // namespace detail

} // namespace net

template <typename Sender, typename Signal>
void RunProcess(double 时间, const Sender *wakeSender, Signal wakeSignal)
{
    net::detail::runProcess(时间, [wakeSender, wakeSignal](clsWaitableTimer &timer) {
        if (wakeSender)
            QObject::connect(wakeSender, wakeSignal, timer.context(), [&timer] { timer.wake(); });
    });
}
