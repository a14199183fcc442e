#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "appsetup.h"
#include "itemfilter.h"
#include "generationrun.h"
#include "keywordfile.h"

class QThread;
namespace net {
class CallGate;
class Cancellation;
} // namespace net

// What every keyword of a batch shares unless its line says otherwise.
struct BatchSettings
{
    QString templateName;
    QString count = u"10"_qs;
    QString sortText;
    QString pid;
    int shortLinkState = 0; // as Check1: 1 shortens the links
    QString siteName;       // names the site folder and titles its index
    QString baseUrl;        // the site's address on the web, for its sitemap; empty: no sitemap
    int jobs = 1;           // keywords in progress at a time, 1 to maxJobs
    // A site's: each keyword's page address on the web, and its pages in UTF-8 (else GBK).
    QHash<QString, QString> pageAddresses;
    bool utf8 = false;
    ItemFilter filter; // which items every page may show

    static constexpr int maxJobs = 8;
};

// How one keyword went.
struct PageResult
{
    int index = -1; // in the batch's entries
    keywordfile::Entry entry;
    RunOutcome outcome = RunOutcome::Cancelled;
    QString folder; // the page's folder, when written
    int itemCount = 0;
    QString firstPicture;
    QString reason;           // why nothing was written, as the window would have said it
    QString firstPrice = {};  // the first item's final price, for a site index
    QStringList itemIds = {}; // the ids of the items the page shows, in its order (where known)
};

struct BatchSummary
{
    QString siteFolder; // empty when no page was written
    QString indexFile;
    QString sitemapFile;       // empty without a base address
    QList<PageResult> written; // in the order of the list
    QList<PageResult> failed;  // in the order of the list; no folder left behind
    int total = 0;             // keywords in the list
    int notDone = 0;           // left by a cancel: never started, or stopped with nothing written
    bool cancelled = false;    // a cancel left some keyword not done
    QString error;             // the site folder or its index could not be written

    bool allWritten() const { return error.isEmpty() && written.size() == total; }
};

// Many generation runs, one per keyword, each the window's own run driven through a FormPort of
// its own, writing into one site folder "<site name>_<yyyyMMdd_HHmmss>" below the output root;
// then the site's index.htm and, with a base address, its sitemap.xml, listing the pages written.
// Keywords run on worker threads, up to `jobs` at a time, since each run waits in event loops of
// its own; the object itself lives on the caller's thread and reports there.
class BatchRun final : public QObject
{
    Q_OBJECT

public:
    BatchRun(const AppSetup &setup, const BatchSettings &settings, const QList<keywordfile::Entry> &entries,
             QObject *parent = nullptr);
    // Stops the keywords in progress, waits for the workers and writes the index of the pages
    // already written.
    ~BatchRun() override;

    // The refusal for settings every keyword shares (the template, the PID, the count, the base
    // address), checked before anything is written; empty when they are usable.
    static QString settingsRefusal(const AppSetup &setup, const BatchSettings &settings);
    // Removes the entries whose own template the run would refuse; returns them as notices.
    static QList<keywordfile::Notice> dropUnknownTemplates(const QStringList &templateRoots,
                                                           QList<keywordfile::Entry> &entries);

    // Makes the site folder and starts the workers; false, with summary().error, when the folder
    // cannot be made. finished() follows in every case, also for an empty list.
    bool start();
    // Starts no further keyword; those in progress finish and are kept.
    void cancel();
    // Also stops the keywords in progress; they write nothing.
    void abort();
    // start(), then waits for the end while this thread's events are handled.
    const BatchSummary &exec();

    bool isFinished() const { return m_finished; }
    const BatchSummary &summary() const { return m_summary; }
    int total() const { return int(m_entries.size()); }
    // The pause every job honours before its next keyword.
    const std::shared_ptr<net::CallGate> &callGate() const { return m_gate; }

signals:
    void keywordStarted(int index, const QString &keyword);
    void keywordFinished(const PageResult &result, int done, int total);
    void finished();

private:
    struct Job;

    void work(Job &job);
    int takeNext();
    PageResult runKeyword(int index, const net::Cancellation &cancel, net::CallGate &callGate) const;
    void recordResult(const PageResult &result);
    void jobEnded();
    void finish();

    AppSetup m_setup; // outputRoot is the site folder once started
    const BatchSettings m_settings;
    const QList<keywordfile::Entry> m_entries;
    std::shared_ptr<net::CallGate> m_gate;
    QDateTime m_started;

    std::mutex m_mutex;
    int m_next = 0;
    std::atomic_bool m_stopping = false;
    std::vector<std::unique_ptr<Job>> m_jobs;
    int m_jobsRunning = 0;

    QList<std::optional<PageResult>> m_results;
    int m_done = 0;
    bool m_finished = false;
    BatchSummary m_summary;
};
