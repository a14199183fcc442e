#include "earningsdialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "formport.h"
#include "ordersettings.h"
#include "ordersync.h"
#include "ordertexts.h"
#include "settingsstore.h"
#include "site.h"

namespace {

// Links of the report open outside: in the user's browser, or the page's own file.
class ReportPage final : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        if (type == NavigationTypeLinkClicked) {
            if (url.scheme() == u"https" || url.scheme() == u"http" || url.scheme() == u"file")
                QDesktopServices::openUrl(url);
            return false;
        }
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }
    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }
};

constexpr int periods[] = {7, 30, 90};

} // namespace

EarningsDialog::EarningsDialog(const AppSetup &setup, const FormPort &window, QWidget *parent)
    : QDialog(parent)
    , m_setup(setup)
    , m_window(window)
{
    setObjectName(u"EarningsDialog"_qs);
    setWindowTitle(ordertexts::reportTitle.toString());

    m_syncButton = new QPushButton(u"同步订单"_qs, this);
    m_syncButton->setObjectName(u"sync"_qs);
    m_cancelButton = new QPushButton(u"取消"_qs, this);
    m_cancelButton->setObjectName(u"cancel"_qs);
    m_cancelButton->setEnabled(false);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(u"progress"_qs);
    m_progress->setVisible(false);
    m_status = new QLabel(this);
    m_status->setObjectName(u"status"_qs);
    m_status->setTextFormat(Qt::PlainText);
    connect(m_syncButton, &QPushButton::clicked, this, &EarningsDialog::syncOrders);
    connect(m_cancelButton, &QPushButton::clicked, this, &EarningsDialog::cancelSync);

    m_site = new QComboBox(this);
    m_site->setObjectName(u"site"_qs);
    m_site->setMinimumContentsLength(12);
    m_period = new QComboBox(this);
    m_period->setObjectName(u"period"_qs);
    for (const int days : periods)
        m_period->addItem(u"最近"_qs + QString::number(days) + u"天"_qs, days);
    m_period->setCurrentIndex(1);
    m_save = new QPushButton(u"保存为HTML…"_qs, this);
    m_save->setObjectName(u"save"_qs);
    connect(m_save, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            this, u"保存收益报表"_qs,
            QDir(QFileInfo(m_setup.outputRoot).path()).filePath(ordertexts::reportTitle + u".html"_qs),
            u"HTML (*.html)"_qs);
        if (!path.isEmpty() && !saveReport(path))
            m_status->setText(u"无法写入 "_qs + QDir::toNativeSeparators(path));
    });
    connect(m_site, &QComboBox::currentIndexChanged, this, &EarningsDialog::showReport);
    connect(m_period, &QComboBox::currentIndexChanged, this, &EarningsDialog::showReport);

    m_view = new QWebEngineView(this);
    m_view->setObjectName(u"report"_qs);
    // Off the record, as the browser pane: nothing of the report is kept on disk.
    m_view->setPage(new ReportPage(new QWebEngineProfile(this), m_view));
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    connect(m_view, &QWebEngineView::loadFinished, this, &EarningsDialog::reportShown);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(u"关闭"_qs);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto *syncRow = new QHBoxLayout;
    syncRow->addWidget(m_syncButton);
    syncRow->addWidget(m_cancelButton);
    syncRow->addWidget(m_progress, 1);
    syncRow->addWidget(m_status, 2);
    auto *pickRow = new QHBoxLayout;
    pickRow->addWidget(new QLabel(ordertexts::columnSite + u"："_qs, this));
    pickRow->addWidget(m_site);
    pickRow->addWidget(new QLabel(u"时间："_qs, this));
    pickRow->addWidget(m_period);
    pickRow->addStretch();
    pickRow->addWidget(m_save);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(syncRow);
    layout->addLayout(pickRow);
    layout->addWidget(m_view, 1);
    layout->addWidget(buttons);
    resize(980, 720);
}

EarningsDialog::~EarningsDialog()
{
    // The page goes before its profile.
    delete m_view;
}

EarningsDialog *EarningsDialog::showFor(const AppSetup &setup, const FormPort &window, QWidget *parent)
{
    auto *dialog = parent->findChild<EarningsDialog *>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog)
        dialog = new EarningsDialog(setup, window, parent);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

void EarningsDialog::showEvent(QShowEvent *event)
{
    fillSites();
    showReport();
    QDialog::showEvent(event);
}

void EarningsDialog::fillSites()
{
    const QString chosen = m_site->currentIndex() > 0 ? m_site->currentText() : QString();
    const QSignalBlocker quiet(m_site);
    m_site->clear();
    m_site->addItem(ordertexts::allSites.toString());
    for (const sites::Listed &listed : sites::list(sites::sitesRoot(m_setup.outputRoot)))
        m_site->addItem(listed.site.name);
    m_site->setCurrentIndex(std::max(0, m_site->findText(chosen)));
}

void EarningsDialog::showReport()
{
    const orders::OrderSettings stored =
        orders::readOrderSettings(settingsstore::readSnapshot(m_setup.settingsPath), m_setup.outputRoot);
    const int days = m_period->currentData().toInt();
    const QDate to = m_setup.now().toOffsetFromUtc(8 * 3600).date();
    const QDate from = to.addDays(1 - days);
    QList<orders::OrderGroup> groups;
    QString problem;
    if (stored.store.driver != u"QSQLITE" || QFileInfo::exists(stored.store.database)) {
        orders::OrderStore store(stored.store);
        if (!store.open(&problem)) {
            groups.clear();
        } else if (const auto found = store.groups(from.toString(Qt::ISODate), to.toString(Qt::ISODate))) {
            groups = *found;
        } else {
            problem = store.lastError();
        }
    } else {
        problem = ordertexts::noOrdersYet.toString();
    }
    m_report = orders::buildReport(
        groups, orders::loadSites(sites::sitesRoot(m_setup.outputRoot), m_window.pidText()), from, to);
    if (m_site->currentIndex() > 0)
        orders::keepOnlySite(m_report, m_site->currentText());
    m_html = orders::reportHtml(m_report);
    m_view->setHtml(m_html, QUrl(u"about:blank"_qs));
    if (!isSyncing())
        m_status->setText(problem);
}

bool EarningsDialog::saveReport(const QString &path)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(m_html.toUtf8()) >= 0 && file.commit();
}

void EarningsDialog::syncOrders()
{
    if (isSyncing())
        return;
    // The window's account, which the service settings keep current.
    if (const QString refusal = orders::syncRefusal(m_setup.source, m_setup.openPlatform);
        !refusal.isEmpty()) {
        m_status->setText(refusal);
        return;
    }
    const orders::OrderSettings stored =
        orders::readOrderSettings(settingsstore::readSnapshot(m_setup.settingsPath), m_setup.outputRoot);
    orders::SyncSetup setup;
    setup.account = m_setup.openPlatform;
    setup.store = stored.store;
    setup.windowMinutes = stored.windowMinutes;
    setup.now = m_setup.now;
    m_sync = std::make_unique<orders::Sync>(setup);
    connect(m_sync.get(), &orders::Sync::progress, this, [this](int done, int total, qint64 received) {
        m_progress->setRange(0, std::max(total, 1));
        m_progress->setValue(done);
        m_status->setText(u"已读取 "_qs + QString::number(done) + u'/' + QString::number(total) +
                          u" 个时间段，"_qs + QString::number(received) + u" 笔订单"_qs);
    });
    connect(m_sync.get(), &orders::Sync::finished, this, &EarningsDialog::syncEnded, Qt::QueuedConnection);
    m_syncButton->setEnabled(false);
    m_cancelButton->setEnabled(true);
    m_progress->setValue(0);
    m_progress->setVisible(true);
    m_status->setText(u"正在同步订单…"_qs);
    m_sync->start();
}

void EarningsDialog::syncEnded()
{
    if (!m_sync)
        return;
    const orders::SyncSummary summary = m_sync->summary();
    m_sync.reset();
    m_syncButton->setEnabled(true);
    m_cancelButton->setEnabled(false);
    m_progress->setVisible(false);
    showReport();
    QString text;
    if (!summary.error.isEmpty())
        text = summary.error;
    else if (summary.cancelled)
        text = ordertexts::cancelled.toString();
    else
        text = u"同步完成：新增 "_qs + QString::number(summary.added) + u"，更新 "_qs +
               QString::number(summary.updated) + u"，未变 "_qs + QString::number(summary.unchanged);
    if (summary.windowsFailed > 0)
        text += u"；"_qs + QString::number(summary.windowsFailed) +
                u" 个时间段未能读取，下次同步时重试："_qs + summary.failures.first();
    m_status->setText(text);
    emit syncFinished();
}

void EarningsDialog::cancelSync()
{
    if (m_sync)
        m_sync->cancel();
}

void EarningsDialog::closeEvent(QCloseEvent *event)
{
    cancelSync();
    QDialog::closeEvent(event);
}
