#include "callgate.h"

#include <algorithm>
#include <cmath>

#include "cancellation.h"
#include "runprocess.h"

namespace net {

namespace {

// Long enough not to busy anyone, short enough that an early resume() is seen soon.
constexpr qint64 sliceMs = 200;

} // namespace

void CallGate::pauseFor(double seconds)
{
    if (!(seconds > 0))
        return;
    const qint64 ms = std::llround(std::min(seconds, 24.0 * 3600) * 1000);
    std::scoped_lock lock(m_mutex);
    const QDeadlineTimer until(ms);
    if (m_until.hasExpired() || until > m_until)
        m_until = until;
    ++m_pauses;
}

void CallGate::resume()
{
    std::scoped_lock lock(m_mutex);
    m_until = QDeadlineTimer(0);
}

qint64 CallGate::remainingMs() const
{
    std::scoped_lock lock(m_mutex);
    return m_until.remainingTime();
}

bool CallGate::waitOpen(const Cancellation &cancel) const
{
    for (qint64 left = remainingMs(); left > 0 && !cancel.isCancelled(); left = remainingMs())
        RunProcess(double(std::min(left, sliceMs)), &cancel);
    return !cancel.isCancelled();
}

} // namespace net
