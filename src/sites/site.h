#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "appsetup.h"
#include "sitelock.h"
#include "batchrun.h"
#include "siteconfig.h"

// A lasting site: made once below "站点/<名称>/", refreshed in place with stable addresses.
//   站点.ini     what it is made with, and each page's address (siteconfig.h)
//   关键词.txt   the keyword list, in the batch format; the user may edit it
//   www/         the site exactly as it is published: index.htm, sitemap.xml (with a base
//                address) and a folder per keyword
//   链接记录.json, 页面商品.json, 页面文件.json   each item's links as last shown, each page's
//                items, the files each page was written with (never published)
namespace sites {

inline constexpr QStringView configFileName = u"站点.ini";
inline constexpr QStringView keywordFileName = u"关键词.txt";
inline constexpr QStringView publishedFolderName = u"www";
// Each item's links and 淘口令 as last shown, so a refresh shows them again (linkrecord.h).
inline constexpr QStringView linkRecordFileName = u"链接记录.json";

// Where the sites live: "站点" beside the output root "已生成".
QString sitesRoot(const QString &outputRoot);

struct Paths
{
    QString folder;   // the site's own folder
    QString config;   // 站点.ini
    QString keywords; // 关键词.txt
    QString www;      // what gets published
    QString staging;  // what the staging folders of refreshes are named after, outside www/

    explicit Paths(const QString &siteFolder);
};

// The sites below `root`, by folder name, each as its 站点.ini has it; folders that hold none are
// passed over.
struct Listed
{
    QString folder;
    siteconfig::Site site;
};
QList<Listed> list(const QString &root);

// Makes the site's folder below `root` (named after the site), its 站点.ini and its keyword list
// (`keywordList`, kept as given). Returns the folder, or empty text with `error` set: the name is
// taken, or the folder cannot be written.
QString create(const QString &root, const siteconfig::Site &site, const QByteArray &keywordList,
               QString *error);

// What the files of RefreshSummary::kept are said to be.
inline constexpr QStringView keptFilesText = u"页面文件夹中不是本程序写入的文件已保留";

// What one refresh did.
struct RefreshSummary
{
    int total = 0;               // keywords in the list
    int pagesChanged = 0;        // pages new or rewritten
    int pagesUnchanged = 0;      // pages generated again with the same bytes
    int pagesRemoved = 0;        // keywords gone from the list
    int filesWritten = 0;        // files written or removed below www/, index and sitemap included
    QList<PageResult> failed;    // they keep the page they had
    QList<PageResult> cancelled; // stopped, or never started; they keep the page they had
    QStringList notices;         // lines of the keyword list that were skipped
    QStringList kept;            // files in page folders the program did not write, kept (below www/)
    int wouldRemove = 0;         // refused for taking this many pages off the site (see allowRemoval)
    QString error;               // nothing was refreshed: why

    bool allDone() const
    {
        return error.isEmpty() && failed.isEmpty() && cancelled.isEmpty() && notices.isEmpty();
    }
};

// Reads the site's keyword list again and generates every page into a staging folder of its own
// (as a batch does, up to `jobs` keywords at a time), then brings www/ up to date: a page whose
// bytes are the same is not written, a changed one is replaced whole (pagesync.h), a new keyword
// gets a new page, a keyword gone from the list loses its page, and the index and sitemap are
// written only when their bytes change. A keyword that fails keeps the page it had. The site is
// locked from start() to finished() (sitelock.h); a site another process holds is not refreshed.
// 站点.ini is read again before it is written, so that settings changed meanwhile stay.
class Refresh final : public QObject
{
    Q_OBJECT

public:
    Refresh(const AppSetup &setup, const QString &siteFolder, int jobs = 1, QObject *parent = nullptr);
    ~Refresh() override;

    // Reads the site and starts the keywords; false, with summary().error, when the site cannot be
    // refreshed at all. finished() follows in every case.
    bool start();
    // A list that takes more than half of the site's pages off it is refused, as more likely a
    // damaged or mistaken file than a wish, unless allowed here before start().
    void allowRemoval(bool allow) { m_allowRemoval = allow; }
    void cancel(); // no further keyword; those in progress finish and are kept
    void abort();  // those in progress are stopped too
    const RefreshSummary &exec();

    const RefreshSummary &summary() const { return m_summary; }
    int total() const { return m_summary.total; }

signals:
    void keywordStarted(int index, const QString &keyword);
    void keywordFinished(const PageResult &result, int done, int total);
    void finished();

private:
    void fail(const QString &error);
    void apply(const BatchSummary &batch);
    void assignFolders();
    void recordPageItems(const QList<siteconfig::PageRecord> &pages, const QHash<QString, QStringList> &shown,
                         const QDate &today);

    AppSetup m_setup;
    Paths m_paths;
    int m_jobs;
    siteconfig::Site m_site;
    QList<keywordfile::Entry> m_entries;
    QSet<QString> m_skipped;           // keywords of lines the list gave but the refresh could not use
    QHash<QString, QString> m_folders; // each keyword's page folder below www/, old or new
    std::unique_ptr<BatchRun> m_batch;
    std::unique_ptr<SiteLock> m_lock;
    std::unique_ptr<QTemporaryDir> m_stagingFolder;
    std::shared_ptr<openplatform::LinkRecord> m_links;
    RefreshSummary m_summary;
    bool m_finished = false;
    bool m_allowRemoval = false;
    bool m_keepUnlisted = false; // the list is damaged: no page is taken off
};

} // namespace sites
