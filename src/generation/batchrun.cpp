#include "batchrun.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

#include "callgate.h"
#include "cancellation.h"
#include "filenames.h"
#include "formport.h"
#include "generationtexts.h"
#include "inputrules.h"
#include "itemretrieval.h"
#include "outputfolder.h"
#include "runstate.h"
#include "siteindex.h"
#include "statustext.h"
#include "joinpath.h"
#include "templatelibrary.h"
#include "textops.h"

namespace {

const QString cancelledReason = u"已中止"_qs;
const QString cannotWriteIndex = u"无法写入网站首页index.htm"_qs;
const QString cannotWriteSitemap = u"无法写入sitemap.xml"_qs;

// A keyword that met the service's call limit is done again after the pause, a few times at most.
constexpr int maxAttempts = 4;

// The window as one keyword of the batch sees it: fixed inputs, and a record of what the run
// showed instead of a pane and message boxes.
class KeywordPort final : public FormPort
{
public:
    KeywordPort(const keywordfile::Entry &entry, const BatchSettings &settings)
        : m_entry(entry)
        , m_settings(settings)
    {
    }

    QString keywordText() const override { return m_entry.keyword; }
    QString pidText() const override { return m_settings.pid; }
    QString countText() const override { return m_entry.count.isEmpty() ? m_settings.count : m_entry.count; }
    QString templateName() const override
    {
        return m_entry.templateName.isEmpty() ? m_settings.templateName : m_entry.templateName;
    }
    QString sortText() const override { return m_settings.sortText; }
    int shortLinkState() const override { return m_settings.shortLinkState; }

    void navigate(const QString &address) override
    {
        if (address.startsWith(u"about:"))
            m_lastPage = address;
    }
    void showMessage(const QString &text, const QString &) override { m_message = text; }
    void setGenerateCommand(bool, const QString &) override {}
    void showResult(const QString &, const std::shared_ptr<const RunState> &run) override { m_run = run; }

    const std::shared_ptr<const RunState> &run() const { return m_run; }
    // Why the run wrote nothing: its message box, else the page it ended on.
    QString failureReason() const
    {
        return m_message.isEmpty() ? statustext::plainText(m_lastPage) : m_message;
    }

private:
    const keywordfile::Entry &m_entry;
    const BatchSettings &m_settings;
    QString m_lastPage;
    QString m_message;
    std::shared_ptr<const RunState> m_run;
};

QString siteStamp(const QDateTime &time)
{
    return time.toString(u"yyyyMMdd_HHmmss");
}

// The site's name titles its index and names its folder: nothing in it may hide or turn text.
BatchSettings shownSafely(BatchSettings settings)
{
    settings.siteName = textops::withoutControls(settings.siteName);
    return settings;
}

} // namespace

struct BatchRun::Job
{
    net::Cancellation cancel;
    std::unique_ptr<QThread> thread;
};

BatchRun::BatchRun(const AppSetup &setup, const BatchSettings &settings,
                   const QList<keywordfile::Entry> &entries, QObject *parent)
    : QObject(parent)
    , m_setup(setup)
    , m_settings(shownSafely(settings))
    , m_entries(entries)
    , m_gate(std::make_shared<net::CallGate>())
    , m_results(entries.size())
{
    m_summary.total = int(entries.size());
}

BatchRun::~BatchRun()
{
    abort();
    for (const std::unique_ptr<Job> &job : m_jobs)
        job->thread->wait();
    if (!m_finished && !m_jobs.empty()) {
        // Ended early, with the window say: the pages written so far still get their index. The
        // workers' last reports are still queued; no one is told any more.
        const QSignalBlocker quiet(this);
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        finish();
    }
}

QString BatchRun::settingsRefusal(const AppSetup &setup, const BatchSettings &settings)
{
    if (settings.templateName.isEmpty())
        return generationtexts::chooseTemplate.toString();
    if (findTemplateFile(setup.templateRoots, settings.templateName).isEmpty())
        return generationtexts::templateFileInvalid.toString();
    if (const QString refusal = sourceRefusal(setup); !refusal.isEmpty())
        return refusal;
    if (const QString refusal = pidRefusal(setup, settings.pid); !refusal.isEmpty())
        return refusal;
    if (const QString refusal = filterRefusal(setup, settings.filter); !refusal.isEmpty())
        return refusal;
    if (const QStringView refusal = inputrules::countTextRefusal(settings.count); !refusal.isEmpty())
        return refusal.toString();
    QString error;
    if (!settings.baseUrl.isEmpty() && siteindex::baseAddress(settings.baseUrl, &error).isEmpty())
        return error;
    return QString();
}

QList<keywordfile::Notice> BatchRun::dropUnknownTemplates(const QStringList &templateRoots,
                                                          QList<keywordfile::Entry> &entries)
{
    QList<keywordfile::Notice> dropped;
    entries.removeIf([&](const keywordfile::Entry &entry) {
        if (entry.templateName.isEmpty() || !findTemplateFile(templateRoots, entry.templateName).isEmpty())
            return false;
        dropped.append({entry.line, entry.keyword,
                        generationtexts::templateFileInvalid.toString() + u": "_qs + entry.templateName});
        return true;
    });
    return dropped;
}

bool BatchRun::start()
{
    if (!m_jobs.empty() || m_finished)
        return m_summary.error.isEmpty();
    m_started = m_setup.now();
    if (m_entries.isEmpty()) {
        finish();
        return true;
    }

    QString where = m_setup.outputRoot;
    QString reason = outputfolder::ensureRoot(where);
    QString site;
    if (reason.isEmpty()) {
        const QString name =
            outputfolder::safeName(QString(m_settings.siteName + u'_' + siteStamp(m_started)));
        where = joinPath(m_setup.outputRoot, name);
        site = outputfolder::createFresh(m_setup.outputRoot, name, &reason);
    }
    if (site.isEmpty()) {
        m_summary.error = QDir::toNativeSeparators(where) + u": "_qs + reason;
        finish();
        return false;
    }
    m_summary.siteFolder = site;
    m_setup.outputRoot = site;

    const int jobs = std::clamp(m_settings.jobs, 1, std::min(BatchSettings::maxJobs, total()));
    m_jobsRunning = jobs;
    for (int i = 0; i < jobs; ++i) {
        auto job = std::make_unique<Job>();
        Job *raw = job.get();
        job->thread.reset(QThread::create([this, raw] { work(*raw); }));
        job->thread->setObjectName(u"batch job "_qs + QString::number(i + 1));
        connect(job->thread.get(), &QThread::finished, this, &BatchRun::jobEnded, Qt::QueuedConnection);
        m_jobs.push_back(std::move(job));
    }
    for (const std::unique_ptr<Job> &job : m_jobs)
        job->thread->start();
    return true;
}

void BatchRun::cancel()
{
    m_stopping = true;
}

void BatchRun::abort()
{
    m_stopping = true;
    for (const std::unique_ptr<Job> &job : m_jobs)
        job->cancel.cancel();
}

const BatchSummary &BatchRun::exec()
{
    if (!m_finished && m_jobs.empty())
        start();
    if (!m_finished) {
        QEventLoop loop;
        connect(this, &BatchRun::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return m_summary;
}

int BatchRun::takeNext()
{
    std::scoped_lock lock(m_mutex);
    if (m_stopping || m_next >= m_entries.size())
        return -1;
    return m_next++;
}

// On a worker thread: one keyword after another until the list is done or the batch stops.
void BatchRun::work(Job &job)
{
    for (int index = takeNext(); index >= 0; index = takeNext()) {
        const QString keyword = m_entries[index].keyword;
        QMetaObject::invokeMethod(
            this, [this, index, keyword] { emit keywordStarted(index, keyword); }, Qt::QueuedConnection);
        PageResult result;
        for (int attempt = 1;; ++attempt) {
            if (!m_gate->waitOpen(job.cancel)) {
                result =
                    PageResult{index, m_entries[index], RunOutcome::Cancelled, {}, 0, {}, cancelledReason};
                break;
            }
            // The keyword's own gate tells whether this keyword met the call limit; its pause
            // then holds back every job, and the keyword is done again once it is over.
            net::CallGate keywordGate;
            result = runKeyword(index, job.cancel, keywordGate);
            if (keywordGate.pauseCount() == 0)
                break;
            m_gate->pauseFor(double(keywordGate.remainingMs()) / 1000);
            if (result.outcome != RunOutcome::Failed || attempt >= maxAttempts)
                break;
        }
        QMetaObject::invokeMethod(
            this, [this, result] { recordResult(result); }, Qt::QueuedConnection);
    }
}

PageResult BatchRun::runKeyword(int index, const net::Cancellation &cancel, net::CallGate &callGate) const
{
    PageResult result;
    result.index = index;
    result.entry = m_entries[index];
    KeywordPort port(result.entry, m_settings);
    AppSetup setup = m_setup;
    setup.pageAddress = m_settings.pageAddresses.value(result.entry.keyword);
    setup.utf8Pages = m_settings.utf8;
    setup.filter = m_settings.filter;
    result.outcome = shengcheng_Click(port, setup, cancel, &callGate);
    if (result.outcome == RunOutcome::Written && port.run()) {
        result.folder = port.run()->outputFolder;
        result.itemCount = port.run()->itemCount;
        result.firstPicture = port.run()->firstPicture;
        for (const ItemRecord &item : port.run()->pageItems) {
            if (!item.item_id.isEmpty())
                result.itemIds.append(item.item_id);
        }
        if (const QList<ItemRecord> &items = port.run()->pageItems; !items.isEmpty())
            result.firstPrice = items.first().final_promotion_price.isEmpty()
                                    ? items.first().price
                                    : items.first().final_promotion_price;
    } else if (result.outcome == RunOutcome::Cancelled) {
        result.reason = cancelledReason;
    } else {
        result.reason = port.failureReason();
    }
    return result;
}

void BatchRun::recordResult(const PageResult &result)
{
    m_results[result.index] = result;
    ++m_done;
    emit keywordFinished(result, m_done, total());
}

void BatchRun::jobEnded()
{
    if (--m_jobsRunning == 0)
        finish();
}

void BatchRun::finish()
{
    if (m_finished)
        return;
    QList<siteindex::Page> pages;
    for (const std::optional<PageResult> &result : std::as_const(m_results)) {
        if (!result || result->outcome == RunOutcome::Cancelled) {
            ++m_summary.notDone;
        } else if (result->outcome == RunOutcome::Written) {
            m_summary.written.append(*result);
            pages.append({result->entry.keyword,
                          QFileInfo(result->folder).fileName(),
                          result->itemCount,
                          result->firstPicture,
                          {},
                          result->firstPrice});
        } else {
            m_summary.failed.append(*result);
        }
    }
    // A cancel after the last keyword was taken stopped nothing.
    m_summary.cancelled = m_summary.notDone > 0;

    const QString site = m_summary.siteFolder;
    if (!site.isEmpty() && pages.isEmpty()) {
        // Nothing to link to: no empty site is left behind (rmdir removes only an empty folder).
        QDir().rmdir(site);
        m_summary.siteFolder.clear();
    } else if (!site.isEmpty()) {
        const QString title = m_settings.siteName;
        m_summary.indexFile = joinPath(site, filenames::pageFile.toString());
        if (!outputfolder::writeWhole(
                m_summary.indexFile,
                siteindex::indexPage(title, pages, m_started,
                                     m_settings.utf8 ? charsets::PageEncoding::Utf8
                                                     : charsets::PageEncoding::Gbk,
                                     readIndexTemplate(m_setup.templateRoots, m_settings.templateName)))) {
            m_summary.error = cannotWriteIndex;
            m_summary.indexFile.clear();
        }
        if (!m_settings.baseUrl.isEmpty()) {
            m_summary.sitemapFile = joinPath(site, u"sitemap.xml"_qs);
            const QString base = siteindex::baseAddress(m_settings.baseUrl);
            if (!outputfolder::writeWhole(m_summary.sitemapFile,
                                          siteindex::sitemap(base, pages, m_started))) {
                m_summary.error = cannotWriteSitemap;
                m_summary.sitemapFile.clear();
            }
        }
    }
    m_finished = true;
    emit finished();
}
