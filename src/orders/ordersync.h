#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include <QDateTime>
#include <QList>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include "callgate.h"
#include "itemsource.h"
#include "orderstore.h"

class QThread;
namespace net {
class Cancellation;
}

// Reading the account's orders into the local database: the windows a sync must read, up to four
// at a time under one call gate, each page stored as it comes.
namespace orders {

inline constexpr int defaultDays = 30;
inline constexpr int maxDays = 365;
inline constexpr int defaultWindowMinutes = 180;
// How far before the last synced moment a later sync starts again: changes the gateway records
// late are still seen.
inline constexpr int overlapMinutes = 20;
inline constexpr int maxJobs = 4;

struct SyncSetup
{
    itemsource::OpenPlatformSetup account;
    StoreLocation store;
    int days = defaultDays;
    int windowMinutes = defaultWindowMinutes;
    int jobs = maxJobs;
    std::function<QDateTime()> now = [] {
        return QDateTime::currentDateTime();
    };
};

struct SyncSummary
{
    int windows = 0;       // read or to be read in this sync
    int windowsDone = 0;   // read to their end and stored
    int windowsFailed = 0; // kept for the next sync
    qint64 calls = 0;
    qint64 received = 0; // orders the gateway sent
    qint64 added = 0;
    qint64 updated = 0;
    qint64 unchanged = 0;
    QStringList failures; // why windows failed, each reason once
    QString error;        // nothing could be synced (or storing failed): why
    bool cancelled = false;
    bool busy = false; // another sync holds the database

    bool allDone() const { return error.isEmpty() && !cancelled && windowsFailed == 0; }
};

class Sync final : public QObject
{
    Q_OBJECT

public:
    explicit Sync(SyncSetup setup, QObject *parent = nullptr);
    ~Sync() override;

    // Opens the database, records the windows to read and starts reading; false, with
    // summary().error, when nothing can start. finished() follows in every case.
    bool start();
    // The windows being read end at once and stay for the next sync; pages stored are kept.
    void cancel();
    const SyncSummary &exec();
    const SyncSummary &summary() const { return m_summary; }

signals:
    void progress(int windowsDone, int windowsTotal, qint64 orders);
    void finished();

private:
    struct Job;

    void fail(const QString &error);
    std::optional<Window> takeNext();
    void work(Job &job);
    void readWindow(Window window, Job &job);
    void post(std::function<void()> handler);

    void storePage(const Window &window, const QList<Order> &page, bool last);
    void recordSplit(const Window &window, const QList<Window> &parts);
    void recordFailure(const Window &window, const QString &reason);
    void jobEnded();
    void finish();

    SyncSetup m_setup;
    std::unique_ptr<OrderStore> m_store;
    std::unique_ptr<QLockFile> m_lock;
    SyncSummary m_summary;
    net::CallGate m_gate;

    std::mutex m_mutex; // guards the queue and the window limit
    QList<Window> m_queue;
    qint64 m_maxSeconds = 0;
    std::atomic_bool m_stopping = false;
    std::atomic<qint64> m_calls = 0;

    std::vector<std::unique_ptr<Job>> m_jobs;
    int m_jobsRunning = 0;
    bool m_started = false;
    bool m_finished = false;
};

// Why `setup` cannot sync, in words; empty text when it can.
QString syncRefusal(itemsource::Source source, const itemsource::OpenPlatformSetup &account);

} // namespace orders
