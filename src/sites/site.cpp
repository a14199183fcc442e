#include "site.h"

#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "generationtexts.h"
#include "keywordfile.h"
#include "outputfolder.h"
#include "filenames.h"
#include "pageaddress.h"
#include "pagefiles.h"
#include "pageitems.h"
#include "pagesync.h"
#include "linkrecord.h"
#include "sitesettings.h"
#include "siteindex.h"
#include "joinpath.h"
#include "templatelibrary.h"
#include "wholefile.h"
#include "sitelock.h"

namespace sites {

namespace {

const QString stagingName = u".暂存"_qs;

const QString nameTaken = u"已有同名站点"_qs;
const QString cannotCreate = u"无法创建站点文件夹"_qs;
const QString noSite = u"不是站点文件夹(没有可读的站点.ini)"_qs;
const QString noKeywords = u"关键词.txt中没有可生成的关键词,站点保持不变"_qs;
const QString cannotReadKeywords = u"无法读取关键词.txt(须是不大于8MB的普通文件),站点保持不变"_qs;
const QString cannotStage = u"无法在站点文件夹中建立暂存文件夹"_qs;
const QString pageNotWritten = u"页面未能写入www文件夹"_qs;
const QString cannotWriteConfig = u"无法写入站点.ini"_qs;
const QString cannotWritePages = u"有文件未能写入www文件夹,已保留原来的文件"_qs;
const QString cannotWriteRecords = u"无法写入链接记录、页面商品记录或页面文件记录"_qs;

// The files the program wrote in `folder` last time, when known.
std::optional<QSet<QString>> oursIn(const pagefiles::Record &record, const QString &folder)
{
    const auto found = record.constFind(folder);
    if (found == record.cend())
        return std::nullopt;
    return QSet<QString>(found->begin(), found->end());
}

bool sameShown(const QHash<QString, pageitems::Shown> &a, const QHash<QString, pageitems::Shown> &b)
{
    if (a.size() != b.size())
        return false;
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        const auto other = b.constFind(it.key());
        if (other == b.cend() || other->first != it->first || other->last != it->last)
            return false;
    }
    return true;
}

bool sameRecord(const pageitems::Record &a, const pageitems::Record &b)
{
    if (a.keys() != b.keys())
        return false;
    for (auto it = a.cbegin(); it != a.cend(); ++it) {
        const pageitems::Page &other = b[it.key()];
        if (it->keyword != other.keyword || it->current != other.current ||
            !sameShown(it->shown, other.shown))
            return false;
    }
    return true;
}

QString removalRefused(int removing, qsizetype pages)
{
    return u"关键词.txt的变化会删除站点"_qs + QString::number(pages) + u"页中的"_qs +
           QString::number(removing) + u"页,站点保持不变"_qs;
}

} // namespace

QString sitesRoot(const QString &outputRoot)
{
    return joinPath(QFileInfo(outputRoot).path(), filenames::sitesFolder.toString());
}

Paths::Paths(const QString &siteFolder)
    : folder(siteFolder)
    , config(joinPath(siteFolder, configFileName.toString()))
    , keywords(joinPath(siteFolder, keywordFileName.toString()))
    , www(joinPath(siteFolder, publishedFolderName.toString()))
    , staging(joinPath(siteFolder, stagingName))
{
}

QList<Listed> list(const QString &root)
{
    QList<Listed> sites;
    const QFileInfoList folders =
        QDir(root).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &folder : folders) {
        if (const std::optional<siteconfig::Site> site = siteconfig::read(Paths(folder.filePath()).config))
            sites.append({folder.filePath(), *site});
    }
    return sites;
}

QString create(const QString &root, const siteconfig::Site &site, const QByteArray &keywordList,
               QString *error)
{
    const auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return QString();
    };
    if (!outputfolder::ensureRoot(root).isEmpty())
        return refuse(cannotCreate);
    const QString folder = joinPath(root, outputfolder::safeName(site.name));
    if (QFileInfo::exists(folder) || QFileInfo(folder).isSymLink())
        return refuse(nameTaken);
    const Paths paths(folder);
    if (!QDir().mkdir(folder) || !QDir().mkdir(paths.www) || !writeWholeFile(paths.keywords, keywordList) ||
        !siteconfig::write(paths.config, site)) {
        QDir(folder).removeRecursively();
        return refuse(cannotCreate);
    }
    return QDir::fromNativeSeparators(folder);
}

Refresh::Refresh(const AppSetup &setup, const QString &siteFolder, int jobs, QObject *parent)
    : QObject(parent)
    , m_setup(setup)
    , m_paths(siteFolder)
    , m_jobs(jobs)
{
}

Refresh::~Refresh()
{
    abort();
}

void Refresh::fail(const QString &error)
{
    m_summary.error = error;
    m_stagingFolder.reset();
    m_lock.reset();
    m_finished = true;
    emit finished();
}

bool Refresh::start()
{
    if (m_batch || m_finished)
        return m_summary.error.isEmpty();
    m_lock = std::make_unique<SiteLock>(m_paths.folder);
    if (!m_lock->isLocked()) {
        fail(m_lock->refusal());
        return false;
    }
    const std::optional<siteconfig::Site> site = siteconfig::read(m_paths.config);
    if (!site) {
        fail(noSite);
        return false;
    }
    m_site = *site;
    if (!m_site.refusals.isEmpty()) {
        fail(m_site.refusals.join(u'\n'));
        return false;
    }

    // Never a FIFO or a device: the refresh would wait, or read, for ever.
    const std::optional<QByteArray> listBytes = readRegularFile(m_paths.keywords, keywordfile::maxFileBytes);
    if (!listBytes) {
        fail(cannotReadKeywords);
        return false;
    }
    keywordfile::List keywords = keywordfile::read(*listBytes);
    QList<keywordfile::Notice> skipped = keywords.refused;
    skipped += BatchRun::dropUnknownTemplates(m_setup.templateRoots, keywords.entries);
    for (const keywordfile::Notice &notice : std::as_const(skipped)) {
        m_summary.notices.append(keywordfile::describe(notice));
        m_skipped.insert(notice.keyword);
    }
    // A damaged line may have been any keyword's: no page goes this time.
    m_keepUnlisted = !keywords.damaged.isEmpty();
    // An empty list would take every page off the site: more likely a slip than a wish.
    if (keywords.entries.isEmpty()) {
        fail(noKeywords);
        return false;
    }
    QSet<QString> listed;
    for (const keywordfile::Entry &entry : std::as_const(keywords.entries))
        listed.insert(entry.keyword);
    // Files written before values were quoted read a keyword in quotes back without them: such a
    // record is the quoted keyword's, not a page to remove.
    for (siteconfig::PageRecord &record : m_site.pages) {
        for (const QChar quote : {u'"', u'\''}) {
            const QString quoted = quote + record.keyword + quote;
            if (!listed.contains(record.keyword) && listed.contains(quoted) && !m_site.page(quoted))
                record.keyword = quoted;
        }
    }
    int removing = 0;
    for (const siteconfig::PageRecord &record : std::as_const(m_site.pages))
        removing +=
            listed.contains(record.keyword) || m_skipped.contains(record.keyword) || m_keepUnlisted ? 0 : 1;
    if (!m_allowRemoval && removing * 2 > m_site.pages.size()) {
        m_summary.wouldRemove = removing;
        fail(removalRefused(removing, m_site.pages.size()));
        return false;
    }
    m_entries = keywords.entries;
    m_summary.total = int(m_entries.size());

    BatchSettings settings = batchSettings(m_site);
    settings.jobs = m_jobs;
    m_setup = runSetup(m_site, m_setup);
    if (const QString refusal = BatchRun::settingsRefusal(m_setup, settings); !refusal.isEmpty()) {
        fail(refusal);
        return false;
    }
    QString baseError;
    if (!m_site.baseUrl.isEmpty() && siteindex::baseAddress(m_site.baseUrl, &baseError).isEmpty()) {
        fail(baseError);
        return false;
    }

    assignFolders();
    if (const QString base = siteindex::baseAddress(m_site.baseUrl); !base.isEmpty())
        for (auto folder = m_folders.cbegin(); folder != m_folders.cend(); ++folder)
            settings.pageAddresses.insert(folder.key(), base + siteindex::pageAddress(folder.value()));

    // A refresh killed half-way leaves its staging folder; it is no part of the site, and with the
    // lock held no other run is using it. A link there is removed as a link.
    const QFileInfo stagingInfo(m_paths.staging);
    const QFileInfoList leftovers =
        QDir(m_paths.folder)
            .entryInfoList({stagingInfo.fileName() + u'*'},
                           QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &leftover : leftovers)
        pagesync::removeTree(leftover.filePath());
    m_stagingFolder = std::make_unique<QTemporaryDir>(m_paths.staging + u"-XXXXXX"_qs);
    if (!m_stagingFolder->isValid()) {
        fail(cannotStage);
        return false;
    }
    m_setup.outputRoot = m_stagingFolder->path();
    m_links = openplatform::LinkRecord::read(joinPath(m_paths.folder, linkRecordFileName.toString()),
                                             m_site.linkValidDays);
    m_setup.linkRecord = m_links;
    m_batch = std::make_unique<BatchRun>(m_setup, settings, m_entries);
    connect(m_batch.get(), &BatchRun::keywordStarted, this, &Refresh::keywordStarted);
    connect(m_batch.get(), &BatchRun::keywordFinished, this, &Refresh::keywordFinished);
    connect(m_batch.get(), &BatchRun::finished, this, [this] { apply(m_batch->summary()); });
    m_batch->start();
    return true;
}

void Refresh::cancel()
{
    if (m_batch)
        m_batch->cancel();
}

void Refresh::abort()
{
    if (m_batch)
        m_batch->abort();
}

const RefreshSummary &Refresh::exec()
{
    if (!m_finished && !m_batch)
        start();
    if (!m_finished) {
        QEventLoop loop;
        connect(this, &Refresh::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return m_summary;
}

// Every keyword keeps its address; a new one gets a name no other page has. Known before the
// pages are made, so that each page can name its own address.
void Refresh::assignFolders()
{
    QSet<QString> taken;
    const QStringList inWww = QDir(m_paths.www).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    taken.unite(QSet<QString>(inWww.begin(), inWww.end()));
    for (const siteconfig::PageRecord &record : std::as_const(m_site.pages))
        taken.insert(record.folder);
    QSet<QString> claimed;
    for (const siteconfig::PageRecord &record : std::as_const(m_site.pages))
        claimed.insert(record.folder);
    for (const keywordfile::Entry &entry : std::as_const(m_entries)) {
        const QString slug = pageaddress::slugOf(entry.keyword);
        const QFileInfo unclaimed(joinPath(m_paths.www, slug));
        if (const siteconfig::PageRecord *old = m_site.page(entry.keyword)) {
            m_folders.insert(entry.keyword, old->folder);
        } else if (!slug.isEmpty() && !claimed.contains(slug) && unclaimed.isDir() &&
                   !unclaimed.isSymLink()) {
            // A page whose record was lost (站点.ini edited, or not written after the pages were)
            // is the keyword's own: it is taken back rather than left published beside a new one.
            claimed.insert(slug);
            m_folders.insert(entry.keyword, slug);
        } else if (!m_folders.contains(entry.keyword)) {
            const QString folder = pageaddress::freeName(entry.keyword, taken);
            taken.insert(folder);
            m_folders.insert(entry.keyword, folder);
        }
    }
}

// What each page shows now, beside what it showed before: a page made now shows its new items, one
// that failed keeps its own, and a page gone shows nothing but keeps its past for tracing orders.
void Refresh::recordPageItems(const QList<siteconfig::PageRecord> &pages,
                              const QHash<QString, QStringList> &shown, const QDate &today)
{
    const pageitems::Record before = pageitems::read(m_paths.folder);
    pageitems::Record record = before;
    QSet<QString> kept;
    for (const siteconfig::PageRecord &page : pages) {
        kept.insert(page.folder);
        pageitems::Page &items = record[page.folder];
        const auto now = shown.constFind(page.keyword);
        pageitems::recordShown(items, page.keyword, now != shown.cend() ? *now : items.current, today);
    }
    for (auto it = record.begin(); it != record.end(); ++it) {
        if (!kept.contains(it.key()) && !it->current.isEmpty())
            pageitems::recordShown(*it, it->keyword, {}, today);
    }
    pageitems::forgetOld(record, today);
    if (!sameRecord(before, record) && !pageitems::write(m_paths.folder, record) && m_summary.error.isEmpty())
        m_summary.error = cannotWriteRecords;
}

void Refresh::apply(const BatchSummary &batch)
{
    const QDateTime now = m_setup.now();
    QHash<QString, PageResult> written;
    for (const PageResult &result : batch.written)
        written.insert(result.entry.keyword, result);
    QHash<QString, PageResult> notWritten;
    for (const PageResult &result : batch.failed) {
        notWritten.insert(result.entry.keyword, result);
        (result.outcome == RunOutcome::Cancelled ? m_summary.cancelled : m_summary.failed).append(result);
    }

    QSet<QString> listed;
    for (const keywordfile::Entry &entry : std::as_const(m_entries))
        listed.insert(entry.keyword);

    bool allWritten = true;
    const pagefiles::Record filesBefore = pagefiles::read(m_paths.folder);
    pagefiles::Record files; // the pages that stay, each with the files the program wrote there
    QList<siteconfig::PageRecord> pages;
    QHash<QString, QStringList> shown; // by keyword, for the pages made now
    for (const keywordfile::Entry &entry : std::as_const(m_entries)) {
        const siteconfig::PageRecord *old = m_site.page(entry.keyword);
        const auto result = written.constFind(entry.keyword);
        if (result == written.cend()) {
            // Failed, stopped or never started: the page it had stays as it was.
            if (!notWritten.contains(entry.keyword))
                m_summary.cancelled.append(PageResult{-1, entry, RunOutcome::Cancelled, {}, 0, {}, {}});
            if (old) {
                pages.append(*old);
                if (const auto found = filesBefore.constFind(old->folder); found != filesBefore.cend())
                    files.insert(old->folder, *found);
            }
            continue;
        }
        siteconfig::PageRecord record = old ? *old : siteconfig::PageRecord{entry.keyword, {}, {}, 0, {}};
        record.folder = m_folders.value(entry.keyword);
        const pagesync::Outcome synced = pagesync::syncFolder(
            result->folder, joinPath(m_paths.www, record.folder), oursIn(filesBefore, record.folder));
        for (const QString &kept : synced.kept)
            m_summary.kept.append(record.folder + u'/' + kept);
        if (!synced.ok) {
            // Left as it was, on disk and on record.
            allWritten = false;
            PageResult failed = *result;
            failed.outcome = RunOutcome::Failed;
            failed.reason = pageNotWritten;
            m_summary.failed.append(failed);
            if (old) {
                pages.append(*old);
                if (const auto found = filesBefore.constFind(old->folder); found != filesBefore.cend())
                    files.insert(old->folder, *found);
            }
            continue;
        }
        files.insert(record.folder, synced.files);
        m_summary.filesWritten += synced.written + synced.removed;
        if (synced.changed() || !record.changed.isValid()) {
            record.changed = now;
            ++m_summary.pagesChanged;
        } else {
            ++m_summary.pagesUnchanged;
        }
        record.itemCount = result->itemCount;
        shown.insert(entry.keyword, result->itemIds);
        record.picture = result->firstPicture;
        record.price = result->firstPrice;
        pages.append(record);
    }
    // A line of the list that was skipped (a mistyped count, say) still names its keyword: its page
    // stays. Keywords taken off the list take their pages with them.
    for (const siteconfig::PageRecord &record : std::as_const(m_site.pages)) {
        if (listed.contains(record.keyword))
            continue;
        if (const auto found = filesBefore.constFind(record.folder); found != filesBefore.cend())
            files.insert(record.folder, *found);
        if (m_skipped.contains(record.keyword) || m_keepUnlisted) {
            pages.append(record);
            continue;
        }
        // The program's files go; the user's stay in the folder, no longer a page.
        const pagesync::Outcome removed =
            pagesync::removePage(joinPath(m_paths.www, record.folder), oursIn(filesBefore, record.folder));
        for (const QString &kept : removed.kept)
            m_summary.kept.append(record.folder + u'/' + kept);
        m_summary.filesWritten += removed.removed;
        if (!removed.ok)
            allWritten = false;
        else
            files.remove(record.folder);
        ++m_summary.pagesRemoved;
    }

    // The index and the sitemap list every page there is, each dated by its own last change.
    QList<siteindex::Page> listedPages;
    QDateTime newest;
    for (const siteconfig::PageRecord &record : std::as_const(pages)) {
        listedPages.append(
            {record.keyword, record.folder, record.itemCount, record.picture, record.changed, record.price});
        if (!newest.isValid() || record.changed > newest)
            newest = record.changed;
    }
    if (!newest.isValid())
        newest = now;
    bool written1 = false;
    allWritten = pagesync::writeIfChanged(
                     joinPath(m_paths.www, filenames::pageFile.toString()),
                     siteindex::indexPage(m_site.name, listedPages, newest, m_site.encoding,
                                          readIndexTemplate(m_setup.templateRoots, m_site.templateName)),
                     &written1) &&
                 allWritten;
    m_summary.filesWritten += written1 ? 1 : 0;
    const QString sitemapFile = joinPath(m_paths.www, filenames::sitemapFile.toString());
    if (!m_site.baseUrl.isEmpty()) {
        bool written2 = false;
        allWritten =
            pagesync::writeIfChanged(
                sitemapFile, siteindex::sitemap(siteindex::baseAddress(m_site.baseUrl), listedPages, newest),
                &written2) &&
            allWritten;
        m_summary.filesWritten += written2 ? 1 : 0;
    } else if (QFile::remove(sitemapFile)) {
        ++m_summary.filesWritten;
    }

    // The file as it is now, with this refresh's pages: a target or setting changed while the
    // pages were made stays.
    siteconfig::Site stored = siteconfig::read(m_paths.config).value_or(m_site);
    stored.pages = pages;
    stored.refreshed = now;
    m_site = stored;
    if (!siteconfig::write(m_paths.config, m_site))
        m_summary.error = cannotWriteConfig;
    else if (!allWritten)
        m_summary.error = cannotWritePages;
    recordPageItems(pages, shown, now.date());
    // Written only when it changed, so that a refresh with nothing changed writes nothing.
    if (files != filesBefore && !pagefiles::write(m_paths.folder, files) && m_summary.error.isEmpty())
        m_summary.error = cannotWriteRecords;
    if (!m_links->write(joinPath(m_paths.folder, linkRecordFileName.toString()), now.date()) &&
        m_summary.error.isEmpty())
        m_summary.error = cannotWriteRecords;
    m_stagingFolder.reset();
    m_lock.reset();
    m_finished = true;
    emit finished();
}

} // namespace sites
