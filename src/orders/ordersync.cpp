#include "ordersync.h"

#include <algorithm>

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include "cancellation.h"
#include "gateway.h"
#include "openplatformitems.h"
#include "ordertexts.h"
#include "topmessages.h"

namespace orders {

namespace {

// A window shorter than this that the gateway still finds too long is not halved again.
constexpr qint64 minWindowSeconds = 60;
// A page the gateway says is followed by another, forever, is a fault of the reply.
constexpr int maxPages = 1000;
// Call-limit answers one page may meet before its window waits for the next sync.
constexpr int maxLimitRetries = 3;
constexpr double defaultLimitWait = 10;

QList<Window> partsOf(const Window &window, qint64 longest)
{
    QList<Window> parts;
    for (QDateTime at = window.start; at < window.end; at = at.addSecs(longest))
        parts.append(Window{window.by, at, std::min(at.addSecs(longest), window.end), window.failures});
    return parts;
}

} // namespace

struct Sync::Job
{
    net::Cancellation cancel;
    std::unique_ptr<QThread> thread;
};

QString syncRefusal(itemsource::Source source, const itemsource::OpenPlatformSetup &account)
{
    if (source != itemsource::Source::OpenPlatform)
        return ordertexts::testToolHasNoOrders.toString();
    if (account.appKey.isEmpty() || account.appSecret.isEmpty())
        return openplatform::missingAccountText.toString();
    return QString();
}

Sync::Sync(SyncSetup setup, QObject *parent)
    : QObject(parent)
    , m_setup(std::move(setup))
{
}

Sync::~Sync()
{
    m_stopping = true;
    for (const std::unique_ptr<Job> &job : m_jobs)
        job->cancel.cancel();
    for (const std::unique_ptr<Job> &job : m_jobs)
        job->thread->wait();
}

void Sync::fail(const QString &error)
{
    m_summary.error = error;
    finish();
}

bool Sync::start()
{
    if (m_started)
        return m_summary.error.isEmpty();
    m_started = true;
    if (m_setup.store.driver == u"QSQLITE") {
        // One sync at a time: the window's and the timer's would read every window twice.
        // The data folder may not exist yet on a first run.
        QDir().mkpath(QFileInfo(m_setup.store.database).path());
        m_lock = std::make_unique<QLockFile>(m_setup.store.database + u".lock"_qs);
        m_lock->setStaleLockTime(0);
        if (!m_lock->tryLock(0) && m_lock->error() != QLockFile::LockFailedError) {
            fail(QDir::toNativeSeparators(m_setup.store.database) +
                 u".lock: 无法写入 / cannot be written"_qs);
            return false;
        }
        if (!m_lock->isLocked()) {
            qint64 pid = 0;
            QString host;
            QString application;
            m_lock->getLockInfo(&pid, &host, &application);
            m_summary.busy = true;
            fail(ordertexts::anotherSync.toString() +
                 (pid > 0 ? u" (进程 / process "_qs + QString::number(pid) + u')' : QString()));
            return false;
        }
    }
    m_store = std::make_unique<OrderStore>(m_setup.store);
    QString error;
    if (!m_store->open(&error)) {
        fail(error);
        return false;
    }
    m_maxSeconds = std::max<qint64>(minWindowSeconds, qint64(m_setup.windowMinutes) * 60);
    const std::optional<QList<Window>> windows =
        m_store->plan(m_setup.now(), std::clamp(m_setup.days, 1, maxDays), m_maxSeconds, overlapMinutes);
    if (!windows) {
        fail(m_store->lastError());
        return false;
    }
    m_queue = *windows;
    m_summary.windows = int(m_queue.size());
    if (m_queue.isEmpty()) {
        finish();
        return true;
    }
    const int jobs = std::clamp(m_setup.jobs, 1, std::min(maxJobs, int(m_queue.size())));
    m_jobsRunning = jobs;
    for (int i = 0; i < jobs; ++i) {
        auto job = std::make_unique<Job>();
        Job *raw = job.get();
        job->thread.reset(QThread::create([this, raw] { work(*raw); }));
        job->thread->setObjectName(u"order sync "_qs + QString::number(i + 1));
        connect(job->thread.get(), &QThread::finished, this, &Sync::jobEnded, Qt::QueuedConnection);
        m_jobs.push_back(std::move(job));
    }
    for (const std::unique_ptr<Job> &job : m_jobs)
        job->thread->start();
    return true;
}

void Sync::cancel()
{
    m_stopping = true;
    m_summary.cancelled = !m_finished;
    for (const std::unique_ptr<Job> &job : m_jobs)
        job->cancel.cancel();
}

const SyncSummary &Sync::exec()
{
    if (!m_started)
        start();
    if (!m_finished) {
        QEventLoop loop;
        connect(this, &Sync::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return m_summary;
}

std::optional<Window> Sync::takeNext()
{
    std::scoped_lock lock(m_mutex);
    if (m_stopping || m_queue.isEmpty())
        return std::nullopt;
    return m_queue.takeFirst();
}

void Sync::post(std::function<void()> handler)
{
    QMetaObject::invokeMethod(this, std::move(handler), Qt::QueuedConnection);
}

// On a worker thread: one window after another until none is left or the sync stops.
void Sync::work(Job &job)
{
    while (const std::optional<Window> window = takeNext())
        readWindow(*window, job);
}

void Sync::readWindow(Window window, Job &job)
{
    {
        // Longer than the gateway was last found to take: read in parts that fit.
        std::scoped_lock lock(m_mutex);
        if (window.seconds() > m_maxSeconds) {
            const QList<Window> parts = partsOf(window, m_maxSeconds);
            post([this, window, parts] { recordSplit(window, parts); });
            for (qsizetype i = parts.size() - 1; i >= 1; --i)
                m_queue.prepend(parts[i]);
            window = parts.first();
        }
    }
    const itemsource::OpenPlatformSetup &account = m_setup.account;
    QString position;
    int limitRetries = 0;
    for (int pageNo = 1;;) {
        if (!m_gate.waitOpen(job.cancel))
            return;
        const openplatform::CallResult result = openplatform::call(
            orderDetailsMethod, orderDetails(window.by, window.start, window.end, pageNo, position), account,
            m_setup.now(), &job.cancel);
        if (result.status == openplatform::CallResult::Status::Cancelled)
            return;
        ++m_calls;
        const auto failed = [&](const QString &reason) {
            post([this, window, reason] { recordFailure(window, reason); });
        };
        if (result.status != openplatform::CallResult::Status::Replied &&
            result.status != openplatform::CallResult::Status::HttpError)
            return failed(openplatform::transportFailure(result, account.appSecret));
        const OrderPage page = parseOrderDetails(result.body);
        if (page.kind == openplatform::ReplyKind::Error) {
            if (const std::optional<double> wait = openplatform::callLimitSeconds(page.error);
                wait && ++limitRetries <= maxLimitRetries) {
                m_gate.pauseFor(*wait >= 0 ? *wait : defaultLimitWait);
                continue;
            }
            if (isWindowTooLong(page.error) && pageNo == 1) {
                if (window.seconds() / 2 < minWindowSeconds)
                    return failed(ordertexts::windowTooShort.toString());
                // Every window after this one is read at most this long too.
                const qint64 half = (window.seconds() + 1) / 2;
                const QList<Window> halves = partsOf(window, half);
                // Recorded before another job can take a half and store it.
                std::scoped_lock lock(m_mutex);
                post([this, window, halves] { recordSplit(window, halves); });
                m_maxSeconds = std::min(m_maxSeconds, half);
                for (qsizetype i = halves.size() - 1; i >= 0; --i)
                    m_queue.prepend(halves[i]);
                return;
            }
            // A refusal of the account (signature, key, time, permission) meets every window
            // alike: no more are asked, and they wait for the next sync.
            static const QStringList accountCodes{u"11"_qs, u"25"_qs, u"26"_qs, u"27"_qs,
                                                  u"28"_qs, u"29"_qs, u"30"_qs, u"31"_qs};
            if (accountCodes.contains(page.error.code))
                m_stopping = true;
            return failed(openplatform::errorMessage(page.error, account.appSecret));
        }
        if (result.status == openplatform::CallResult::Status::HttpError)
            return failed(openplatform::transportFailure(result, account.appSecret));
        if (page.kind == openplatform::ReplyKind::Unparseable)
            return failed(ordertexts::wrongReply.toString());
        const bool last = !page.hasNext || page.orders.isEmpty() || pageNo >= maxPages;
        post([this, window, orders = page.orders, last] { storePage(window, orders, last); });
        if (last || job.cancel.isCancelled())
            return;
        position = page.positionIndex;
        ++pageNo;
        limitRetries = 0;
    }
}

void Sync::storePage(const Window &window, const QList<Order> &page, bool last)
{
    if (!m_store || !m_summary.error.isEmpty())
        return;
    const std::optional<StoreCounts> counts = m_store->storePage(window, page, last);
    if (!counts) {
        // Nothing more can be kept: stop rather than read what would be lost.
        m_summary.error = m_store->lastError();
        cancel();
        m_summary.cancelled = false;
        return;
    }
    m_summary.received += page.size();
    m_summary.added += counts->added;
    m_summary.updated += counts->updated;
    m_summary.unchanged += counts->unchanged;
    if (last)
        ++m_summary.windowsDone;
    emit progress(m_summary.windowsDone, m_summary.windows, m_summary.received);
}

void Sync::recordSplit(const Window &window, const QList<Window> &parts)
{
    if (!m_store || !m_summary.error.isEmpty())
        return;
    if (!m_store->splitWindow(window, parts)) {
        m_summary.error = m_store->lastError();
        cancel();
        m_summary.cancelled = false;
        return;
    }
    m_summary.windows += int(parts.size()) - 1;
    emit progress(m_summary.windowsDone, m_summary.windows, m_summary.received);
}

void Sync::recordFailure(const Window &window, const QString &reason)
{
    if (!m_store)
        return;
    ++m_summary.windowsFailed;
    if (!m_summary.failures.contains(reason))
        m_summary.failures.append(reason);
    m_store->windowFailed(window);
    emit progress(m_summary.windowsDone, m_summary.windows, m_summary.received);
}

void Sync::jobEnded()
{
    if (--m_jobsRunning == 0)
        finish();
}

void Sync::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_summary.calls = m_calls;
    m_store.reset();
    m_lock.reset();
    emit finished();
}

} // namespace orders
