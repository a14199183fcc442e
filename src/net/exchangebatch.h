#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QList>
#include <QObject>
#include <QString>

#include "httpexchange.h"

class QEventLoop;
class QTimer;

namespace net {

class Cancellation;

// What became of one request of a batch.
struct ExchangeResult
{
    enum class Status {
        Replied,  // a complete reply, whatever its HTTP status
        Failed,   // the network gave up (refused, reset, closed early), or the address is not http(s)
        TimedOut, // no complete reply within the request's own time-out; it was aborted
    };
    Status status = Status::TimedOut;
    int httpStatus = 0; // 0 when no reply arrived
    QString text;       // exactly what SendTo gives for the request: the reply, empty text or timeoutText
};

// Many independent requests at once on the caller's thread: on a real network each costs a round
// trip, so sending them one after another makes a run as slow as their sum. At most `inFlight`
// are out together, over kept-alive connections; each has its own time-out from the moment it is
// sent, and the thread's events are handled while the batch waits (a nested event loop, no
// spinning).
class ExchangeBatch
{
public:
    static constexpr int maxInFlight = 8;
    // Called as each request ends, in the order they end, with its index in the list.
    using Progress = std::function<void(qsizetype index, const ExchangeResult &result)>;

    explicit ExchangeBatch(QList<Exchange> exchanges, int inFlight = maxInFlight);
    ~ExchangeBatch();
    ExchangeBatch(const ExchangeBatch &) = delete;
    ExchangeBatch &operator=(const ExchangeBatch &) = delete;

    // Sends them in list order and returns once every one has its result. Returns false as soon as
    // `cancel` is cancelled (at once when it already is): every request still out is aborted, none
    // is sent after, and `progress` is not called again. Call once.
    bool run(const Cancellation *cancel = nullptr, const Progress &progress = {});

    // One per request, in list order; complete after run() returned true.
    const QList<ExchangeResult> &results() const { return m_results; }

private:
    struct Slot;

    void sendMore();
    void finish(qsizetype index, ExchangeResult result);
    bool cancelled() const;

    QList<Exchange> m_exchanges;
    QList<ExchangeResult> m_results;
    std::vector<std::unique_ptr<Slot>> m_slots;   // one per request out
    std::vector<std::unique_ptr<Slot>> m_retired; // timed out, aborted
    int m_inFlight;
    int m_laneLoad[managerLanes] = {};
    qsizetype m_next = 0;
    qsizetype m_finished = 0;
    const Cancellation *m_cancel = nullptr;
    Progress m_progress;
    QEventLoop *m_loop = nullptr;
    // The context of every connection the batch makes, so that none outlives it.
    QObject m_context;
};

} // namespace net
