#pragma once

#include <atomic>
#include <mutex>

#include <QDeadlineTimer>

namespace net {

class Cancellation;

// A pause that several pieces of work honour together. When a service answers that it is called
// too often (the open platform's call-limit answer names the seconds to wait), whoever reads that
// answer calls pauseFor(); every job of a batch then waits in waitOpen() before its next keyword,
// and the keyword that met the answer is done again once the pause is over.
// All members may be called from any thread.
class CallGate
{
public:
    // Closes the gate for `seconds` from now; a pause already longer is kept.
    void pauseFor(double seconds);
    // Opens the gate at once.
    void resume();

    // Milliseconds until the gate opens; 0 when open.
    qint64 remainingMs() const;
    // How many pauses there have been: a job compares it before and after a keyword to learn
    // that the keyword met the limit.
    quint64 pauseCount() const { return m_pauses; }

    // Waits, keeping this thread's events flowing, until the gate is open. Returns false when
    // `cancel` was cancelled first.
    bool waitOpen(const Cancellation &cancel) const;

private:
    mutable std::mutex m_mutex;
    QDeadlineTimer m_until{0};
    std::atomic<quint64> m_pauses = 0;
};

} // namespace net
