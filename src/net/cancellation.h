#pragma once

#include <atomic>

#include <QObject>

namespace net {

// Stops one piece of work: a generation run, or one keyword of a batch. The waits and HTTP
// exchanges given this object end as soon as it is cancelled, and later ones return at once;
// work that was given another one (or none) goes on. cancel() may be called from any thread.
class Cancellation final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    void cancel();
    bool isCancelled() const { return m_cancelled; }

signals:
    // Emitted once, from the thread that cancelled.
    void cancelled();

private:
    std::atomic_bool m_cancelled = false;
};

} // namespace net
