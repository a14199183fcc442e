#include "sitedialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "newsitedialog.h"
#include "publishdialogs.h"
#include "publishrun.h"
#include "sitepublish.h"
#include "site.h"
#include "sitetimer.h"
#include "tooldialogs.h"

namespace {

enum Column { NameColumn, PagesColumn, RefreshedColumn, TargetColumn, TimerColumn };

constexpr int folderRole = Qt::UserRole;

const QString newSiteCaption = u"新建站点…"_qs;

} // namespace

SiteDialog::SiteDialog(const AppSetup &setup, const FormPort &window, QWidget *parent)
    : QDialog(parent)
    , m_setup(setup)
    , m_window(window)
{
    setObjectName(u"SiteDialog"_qs);
    setWindowTitle(u"站点管理"_qs);

    m_sites = new QTreeWidget(this);
    m_sites->setObjectName(u"sites"_qs);
    m_sites->setHeaderLabels({u"站点"_qs, u"页数"_qs, u"最后更新"_qs, u"发布地址"_qs, u"定时"_qs});
    m_sites->setRootIsDecorated(false);
    m_sites->setUniformRowHeights(true);
    m_sites->header()->setStretchLastSection(false);
    m_sites->header()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    m_sites->header()->setSectionResizeMode(PagesColumn, QHeaderView::ResizeToContents);
    m_sites->header()->setSectionResizeMode(RefreshedColumn, QHeaderView::ResizeToContents);
    m_sites->header()->setSectionResizeMode(TargetColumn, QHeaderView::Interactive);
    m_sites->header()->setSectionResizeMode(TimerColumn, QHeaderView::ResizeToContents);
    m_sites->header()->resizeSection(TargetColumn, 200);
    connect(m_sites, &QTreeWidget::itemSelectionChanged, this, &SiteDialog::updateButtons);

    const auto button = [this](const QString &caption, const QString &name) {
        auto *made = new QPushButton(caption, this);
        made->setObjectName(name);
        return made;
    };
    m_new = button(newSiteCaption, u"newSite"_qs);
    m_update = button(u"更新"_qs, u"refresh"_qs);
    m_open = button(u"打开文件夹"_qs, u"openFolder"_qs);
    m_publishButton = button(u"发布"_qs, u"publish"_qs);
    m_publishSettings = button(u"发布设置…"_qs, u"publishSettings"_qs);
    m_schedule = button(u"定时更新…"_qs, u"schedule"_qs);
    m_siteSettings = button(u"站点设置…"_qs, u"siteSettings"_qs);
    connect(m_siteSettings, &QPushButton::clicked, this, &SiteDialog::editSelected);
    connect(m_new, &QPushButton::clicked, this, &SiteDialog::newSite);
    connect(m_update, &QPushButton::clicked, this, &SiteDialog::refreshSelected);
    connect(m_open, &QPushButton::clicked, this, &SiteDialog::openFolder);
    connect(m_publishButton, &QPushButton::clicked, this, &SiteDialog::publishSelected);
    connect(m_publishSettings, &QPushButton::clicked, this, [this] {
        if (const QString folder = selectedFolder();
            !folder.isEmpty() && publishdialogs::editTarget(this, folder)) {
            reload(folder);
            const std::optional<siteconfig::Site> site = siteconfig::read(sites::Paths(folder).config);
            m_status->setText(u"已设置发布地址: "_qs + (site ? site->target : QString()));
        }
    });
    connect(m_schedule, &QPushButton::clicked, this, [this] {
        if (const QString folder = selectedFolder(); !folder.isEmpty()) {
            publishdialogs::editSchedule(this, folder,
                                         QCoreApplication::applicationDirPath() + u"/taoyefang-cli"_qs);
            reload(folder);
        }
    });
    auto *actions = new QVBoxLayout;
    actions->addWidget(m_new);
    actions->addWidget(m_update);
    actions->addWidget(m_siteSettings);
    actions->addWidget(m_open);
    actions->addWidget(m_publishButton);
    actions->addWidget(m_publishSettings);
    actions->addWidget(m_schedule);
    actions->addStretch();

    const tooldialogs::ProgressView view = tooldialogs::progressView(this);
    m_progress = view.bar;
    m_progress->hide(); // a bar at 0 % would say something runs
    m_status = view.status;
    m_status->setWordWrap(true);
    m_log = view.log;

    auto *buttons = new QDialogButtonBox(this);
    m_cancel = buttons->addButton(tooldialogs::cancel.toString(), QDialogButtonBox::ActionRole);
    m_cancel->setObjectName(u"cancel"_qs);
    buttons->addButton(tooldialogs::close.toString(), QDialogButtonBox::RejectRole)
        ->setObjectName(u"close"_qs);
    connect(m_cancel, &QPushButton::clicked, this, &SiteDialog::cancelRefresh);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *top = new QHBoxLayout;
    top->addWidget(m_sites, 1);
    top->addLayout(actions);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 2);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addWidget(m_log, 1);
    layout->addWidget(buttons);
    resize(620, 560);
    reload();
}

SiteDialog::~SiteDialog()
{
    // The refresh is stopped without a word: nothing here is left to show it.
    if (m_refresh)
        m_refresh->disconnect(this);
    if (m_publish)
        m_publish->disconnect(this);
}

void SiteDialog::showFor(QWidget *window, const AppSetup &setup, const FormPort &port)
{
    auto *dialog = window->findChild<SiteDialog *>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog)
        dialog = new SiteDialog(setup, port, window);
    dialog->reload(dialog->selectedFolder());
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void SiteDialog::reload(const QString &select)
{
    m_sites->clear();
    for (const sites::Listed &listed : sites::list(sites::sitesRoot(m_setup.outputRoot))) {
        const siteconfig::Site &site = listed.site;
        auto *item = new QTreeWidgetItem(m_sites);
        item->setText(NameColumn, site.name);
        item->setText(PagesColumn, QString::number(site.pages.size()));
        item->setTextAlignment(PagesColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(RefreshedColumn, site.refreshed.isValid() ? site.refreshed.toString(u"yyyy-MM-dd HH:mm")
                                                                : u"从未更新"_qs);
        item->setText(TargetColumn, site.target.isEmpty() ? u"未设置"_qs : site.target);
        item->setToolTip(TargetColumn, site.target);
        const int hours = sitetimer::installedHours(listed.folder, site.name);
        item->setText(TimerColumn, hours > 0 ? u"每"_qs + QString::number(hours) + u"小时"_qs : u"关闭"_qs);
        item->setData(NameColumn, folderRole, listed.folder);
        item->setToolTip(NameColumn, QDir::toNativeSeparators(listed.folder));
        if (listed.folder == select)
            m_sites->setCurrentItem(item);
    }
    if (!m_sites->currentItem() && m_sites->topLevelItemCount() > 0)
        m_sites->setCurrentItem(m_sites->topLevelItem(0));
    if (m_sites->topLevelItemCount() == 0 && !m_running)
        m_status->setText(u"还没有站点。点“"_qs + newSiteCaption + u"”,填写名称和关键词即可生成。"_qs);
    updateButtons();
}

QString SiteDialog::selectedFolder() const
{
    const QTreeWidgetItem *item = m_sites->currentItem();
    return item && item->isSelected() ? item->data(NameColumn, folderRole).toString() : QString();
}

void SiteDialog::newSite()
{
    if (m_running)
        return;
    auto *dialog = new NewSiteDialog(m_setup, m_window, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        reload(dialog->siteFolder());
        refreshSite(dialog->siteFolder());
    });
    dialog->open();
}

void SiteDialog::editSelected()
{
    const QString folder = selectedFolder();
    if (m_running || folder.isEmpty())
        return;
    auto *dialog = new NewSiteDialog(m_setup, m_window, this, folder);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, folder] { reload(folder); });
    dialog->open();
}

void SiteDialog::refreshSelected()
{
    if (const QString folder = selectedFolder(); !folder.isEmpty())
        refreshSite(folder);
}

void SiteDialog::refreshSite(const QString &folder, bool allowRemoval)
{
    if (m_running)
        return;
    m_log->clear();
    m_refresh = std::make_unique<sites::Refresh>(m_setup, folder);
    m_refresh->allowRemoval(allowRemoval);
    m_refreshing = folder;
    connect(m_refresh.get(), &sites::Refresh::keywordStarted, this, [this](int, const QString &keyword) {
        m_status->setText(tooldialogs::generating.toString() + keyword);
    });
    connect(m_refresh.get(), &sites::Refresh::keywordFinished, this, &SiteDialog::keywordFinished);
    connect(m_refresh.get(), &sites::Refresh::finished, this, &SiteDialog::refreshFinished);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_progress->show();
    m_status->setText(u"开始更新..."_qs);
    m_running = true;
    m_cancelled = false;
    updateButtons();
    // A site that cannot be refreshed at all says so through finished(), before start() returns.
    if (m_refresh->start())
        m_progress->setRange(0, m_refresh->total());
}

void SiteDialog::cancelRefresh()
{
    if (!m_running)
        return;
    if (m_publish) {
        m_publish->cancel();
        return;
    }
    m_refresh->cancel();
    m_cancelled = true;
    updateButtons();
    m_status->setText(tooldialogs::cancelling.toString());
}

void SiteDialog::keywordFinished(const PageResult &result, int done, int total)
{
    m_progress->setRange(0, total);
    m_progress->setValue(done);
    log(tooldialogs::keywordLine(result));
}

void SiteDialog::refreshFinished()
{
    m_running = false;
    const sites::RefreshSummary &summary = m_refresh->summary();
    for (const QString &notice : summary.notices)
        log(notice + tooldialogs::skipped);
    if (!summary.error.isEmpty() && summary.total == 0) {
        // Nothing was refreshed: another process holds the site, or the list would take most of
        // its pages off, which the user may confirm.
        m_status->setText(summary.error);
        log(summary.error);
        reload(m_refreshing);
        // Asked once the refresh has quite finished: the answer may start another.
        if (summary.wouldRemove > 0)
            QMetaObject::invokeMethod(
                this,
                [this, folder = m_refreshing,
                 question = QString(summary.error + u"\n\n仍要更新并删除这些页面吗?"_qs)] {
                    QMessageBox box(QMessageBox::Question, windowTitle(), question, QMessageBox::NoButton,
                                    this);
                    const QPushButton *go = box.addButton(u"更新并删除"_qs, QMessageBox::AcceptRole);
                    box.setDefaultButton(
                        box.addButton(tooldialogs::cancel.toString(), QMessageBox::RejectRole));
                    box.exec();
                    if (box.clickedButton() == go)
                        refreshSite(folder, true);
                },
                Qt::QueuedConnection);
        return;
    }
    if (!summary.kept.isEmpty())
        log(sites::keptFilesText.toString() + u": "_qs + summary.kept.join(u", "_qs));
    for (const PageResult &failed : summary.failed)
        log(u"未能生成,保留原页面: "_qs + failed.entry.keyword + u": "_qs + failed.reason);
    QString text = u"已更新"_qs + QString::number(summary.pagesChanged) + u"页,未变"_qs +
                   QString::number(summary.pagesUnchanged) + u"页,已删除"_qs +
                   QString::number(summary.pagesRemoved) + u"页"_qs;
    if (!summary.failed.isEmpty())
        text += u",失败"_qs + QString::number(summary.failed.size()) + u"页"_qs;
    if (!summary.cancelled.isEmpty())
        text += u",未完成"_qs + QString::number(summary.cancelled.size()) + u"页"_qs;
    text += u",写入"_qs + QString::number(summary.filesWritten) + u"个文件"_qs;
    if (!summary.error.isEmpty())
        text += u"; "_qs + summary.error;
    m_status->setText(text);
    log(text);
    reload(m_refreshing);
}

void SiteDialog::openFolder()
{
    if (const QString folder = selectedFolder(); !folder.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(sites::Paths(folder).www));
}

void SiteDialog::publishSelected()
{
    const QString folder = selectedFolder();
    if (m_running || folder.isEmpty())
        return;
    m_log->clear();
    QString error;
    const std::optional<siteconfig::Site> site = siteconfig::read(sites::Paths(folder).config);
    m_publish = site && site->target.isEmpty() ? nullptr : sitepublish::runFor(folder, false, &error);
    if (!m_publish) {
        m_progress->reset();
        m_status->setText(site && site->target.isEmpty()
                              ? u"还没有设置发布地址:请先点“"_qs + m_publishSettings->text() + u"”"_qs
                              : error);
        return;
    }
    connect(m_publish.get(), &publish::Run::fileDone, this, [this](const QString &file, bool deleted) {
        log((deleted ? u"已删除: "_qs : u"已上传: "_qs) + file);
        m_status->setText(u"正在发布: "_qs + file);
    });
    connect(m_publish.get(), &publish::Run::finished, this, &SiteDialog::publishFinished);
    m_progress->setRange(0, 0); // rclone does not say beforehand how many files it will send
    m_progress->show();
    m_status->setText(u"开始发布..."_qs);
    m_running = true;
    m_cancelled = false;
    updateButtons();
    m_publish->start();
}

void SiteDialog::publishFinished()
{
    m_running = false;
    const publish::Summary summary = m_publish->summary();
    m_publish.release()->deleteLater(); // finished() is still being delivered
    m_progress->setRange(0, 1);
    if (summary.ok())
        m_progress->setValue(1);
    else
        m_progress->reset(); // a failed publish is not a finished one
    const QString text = summary.ok()
                             ? u"发布完成:上传"_qs + QString::number(summary.copied.size()) +
                                   u"个文件,删除"_qs + QString::number(summary.deleted.size()) + u"个文件"_qs
                             : summary.error;
    m_status->setText(text);
    log(text);
    updateButtons();
}

void SiteDialog::done(int result)
{
    // Closed during a refresh: the keywords in progress stop too, and the site keeps what was
    // finished before. A publish stops where it is; the next one sends the rest.
    if (m_publish)
        m_publish->cancel();
    else if (m_running)
        m_refresh->abort();
    QDialog::done(result);
}

void SiteDialog::log(const QString &line)
{
    m_log->appendPlainText(line);
}

void SiteDialog::updateButtons()
{
    const bool chosen = !selectedFolder().isEmpty();
    m_new->setEnabled(!m_running);
    m_update->setEnabled(!m_running && chosen);
    m_open->setEnabled(chosen);
    m_publishButton->setEnabled(!m_running && chosen);
    m_publishSettings->setEnabled(!m_running && chosen);
    m_siteSettings->setEnabled(!m_running && chosen);
    m_schedule->setEnabled(chosen);
    m_cancel->setEnabled(m_running && !m_cancelled);
}
