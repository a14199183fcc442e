#include "exchangebatch.h"

#include <algorithm>

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkReply>
#include <QTimer>

#include "cancellation.h"
#include "sendto.h"

namespace net {

struct ExchangeBatch::Slot
{
    Slot(qsizetype index, int lane, const Exchange &exchange)
        : index(index)
        , lane(lane)
        , pending(*threadManager(lane), exchange)
    {
    }

    const qsizetype index;
    const int lane;
    PendingExchange pending;
    QTimer deadline;
};

ExchangeBatch::ExchangeBatch(QList<Exchange> exchanges, int inFlight)
    : m_exchanges(std::move(exchanges))
    , m_results(m_exchanges.size())
    , m_inFlight(std::clamp(inFlight, 1, maxInFlight))
{
}

ExchangeBatch::~ExchangeBatch() = default;

bool ExchangeBatch::cancelled() const
{
    return m_cancel && m_cancel->isCancelled();
}

bool ExchangeBatch::run(const Cancellation *cancel, const Progress &progress)
{
    m_cancel = cancel;
    m_progress = progress;
    if (cancelled())
        return false;
    if (!QCoreApplication::instance()) {
        // Without an event loop nothing can be sent, as with SendTo.
        for (qsizetype i = 0; i < m_exchanges.size(); ++i)
            finish(i, {ExchangeResult::Status::Failed, 0, timeoutText});
        return !cancelled();
    }

    QEventLoop loop;
    m_loop = &loop;
    if (cancel)
        QObject::connect(cancel, &Cancellation::cancelled, &loop, &QEventLoop::quit);
    sendMore();
    // exec() forgets a quit() made before it, so the state decides whether to wait at all.
    if (!cancelled() && m_finished < m_exchanges.size())
        loop.exec();
    m_loop = nullptr;
    m_retired.clear();

    if (cancelled()) {
        m_slots.clear(); // aborts every request still out
        return false;
    }
    return true;
}

void ExchangeBatch::sendMore()
{
    while (!cancelled() && m_next < m_exchanges.size() && qsizetype(m_slots.size()) < m_inFlight) {
        const qsizetype index = m_next++;
        const int lane = int(std::min_element(std::begin(m_laneLoad), std::end(m_laneLoad)) - m_laneLoad);
        auto slot = std::make_unique<Slot>(index, lane, m_exchanges[index]);
        QNetworkReply *reply = slot->pending.reply();
        if (!reply) {
            finish(index, {ExchangeResult::Status::Failed, 0, timeoutText});
            continue;
        }
        ++m_laneLoad[lane];

        // Queued: the slot, and the reply with it, is deleted in the handler, which must not
        // happen while the reply is still emitting.
        QObject::connect(
            reply, &QNetworkReply::finished, &m_context,
            [this, index] {
                const auto it = std::find_if(m_slots.begin(), m_slots.end(),
                                             [index](const auto &s) { return s->index == index; });
                if (it == m_slots.end())
                    return; // timed out meanwhile
                Slot &done = **it;
                const int status = done.pending.httpStatus();
                ExchangeResult result{status > 0 ? ExchangeResult::Status::Replied
                                                 : ExchangeResult::Status::Failed,
                                      status, done.pending.result()};
                --m_laneLoad[done.lane];
                m_slots.erase(it);
                finish(index, std::move(result));
            },
            Qt::QueuedConnection);

        slot->deadline.setSingleShot(true);
        slot->deadline.setTimerType(Qt::PreciseTimer); // a coarse timer may fire early
        QObject::connect(&slot->deadline, &QTimer::timeout, &m_context, [this, index] {
            const auto it = std::find_if(m_slots.begin(), m_slots.end(),
                                         [index](const auto &s) { return s->index == index; });
            if (it == m_slots.end() || (*it)->pending.isFinished())
                return; // its end is already on the way
            --m_laneLoad[(*it)->lane];
            (*it)->pending.abort();
            // Kept until the batch ends: this is its timer's own signal.
            m_retired.push_back(std::move(*it));
            m_slots.erase(it);
            finish(index, {ExchangeResult::Status::TimedOut, 0, timeoutText});
        });
        slot->deadline.start(m_exchanges[index].timeoutMs());
        m_slots.push_back(std::move(slot));
    }
}

void ExchangeBatch::finish(qsizetype index, ExchangeResult result)
{
    m_results[index] = std::move(result);
    ++m_finished;
    if (!cancelled() && m_progress)
        m_progress(index, m_results[index]);
    if (!m_loop)
        return;
    sendMore();
    if (cancelled() || m_finished == m_exchanges.size())
        m_loop->quit();
}

} // namespace net
