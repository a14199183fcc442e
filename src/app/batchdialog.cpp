#include "batchdialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "batchrun.h"
#include "formport.h"
#include "keywordfile.h"
#include "templatelibrary.h"
#include "tooldialogs.h"

namespace {

const QString defaultSiteName = u"批量生成"_qs;

} // namespace

BatchDialog::BatchDialog(const AppSetup &setup, const FormPort &window, QWidget *parent)
    : QDialog(parent)
    , m_setup(setup)
    , m_window(window)
{
    setObjectName(u"BatchDialog"_qs);
    setWindowTitle(u"批量生成"_qs);

    const tooldialogs::KeywordInput keywords = tooldialogs::keywordInput(this);
    m_keywords = keywords.box;
    m_keywords->setTabChangesFocus(false);
    m_load = keywords.load;
    connect(m_load, &QPushButton::clicked, this, &BatchDialog::chooseFile);

    m_template = tooldialogs::templateBox(zairumoban(m_setup.templateRoots), window.templateName(), this);
    m_count = new QLineEdit(window.countText(), this);
    m_count->setObjectName(u"count"_qs);
    m_sort = tooldialogs::sortBox(window.sortText(), this);
    m_site = new QLineEdit(this);
    m_site->setObjectName(u"siteName"_qs);
    m_site->setPlaceholderText(defaultSiteName);
    m_baseUrl = tooldialogs::baseUrlEdit(this);
    m_jobs = new QSpinBox(this);
    m_jobs->setObjectName(u"jobs"_qs);
    m_jobs->setRange(1, BatchSettings::maxJobs);

    const tooldialogs::ProgressView view = tooldialogs::progressView(this);
    m_progress = view.bar;
    m_status = view.status;
    m_log = view.log;

    auto *buttons = new QDialogButtonBox(this);
    m_start = buttons->addButton(u"开始生成"_qs, QDialogButtonBox::ActionRole);
    m_start->setObjectName(u"start"_qs);
    m_cancel = buttons->addButton(tooldialogs::cancel.toString(), QDialogButtonBox::ActionRole);
    m_cancel->setObjectName(u"cancel"_qs);
    m_close = buttons->addButton(tooldialogs::close.toString(), QDialogButtonBox::RejectRole);
    m_close->setObjectName(u"close"_qs);
    connect(m_start, &QPushButton::clicked, this, &BatchDialog::startBatch);
    connect(m_cancel, &QPushButton::clicked, this, &BatchDialog::cancelBatch);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto *form = new QFormLayout;
    form->addRow(tooldialogs::templateLabel.toString(), m_template);
    form->addRow(tooldialogs::countLabel.toString(), m_count);
    form->addRow(tooldialogs::sortLabel.toString(), m_sort);
    form->addRow(u"网站名称:"_qs, m_site);
    form->addRow(tooldialogs::baseUrlLabel.toString(), m_baseUrl);
    form->addRow(u"同时生成:"_qs, m_jobs);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(keywords.row);
    layout->addWidget(m_keywords, 2);
    layout->addLayout(form);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addWidget(m_log, 1);
    layout->addWidget(buttons);
    resize(560, 640);
    setRunning(false);
}

BatchDialog::~BatchDialog() = default;

bool BatchDialog::isRunning() const
{
    return m_run && !m_run->isFinished();
}

bool BatchDialog::loadKeywordFile(const QString &path)
{
    QString error;
    if (!tooldialogs::loadKeywordFile(path, m_keywords, m_site, &error)) {
        log(error);
        return false;
    }
    return true;
}

void BatchDialog::chooseFile()
{
    const QString path = tooldialogs::chooseKeywordFile(this);
    if (!path.isEmpty())
        loadKeywordFile(path);
}

void BatchDialog::startBatch()
{
    if (isRunning())
        return;
    m_log->clear();
    BatchSettings settings;
    settings.templateName = m_template->currentText();
    settings.count = m_count->text();
    settings.sortText = m_sort->currentText();
    settings.pid = m_window.pidText();
    settings.shortLinkState = m_window.shortLinkState();
    settings.siteName = m_site->text().trimmed().isEmpty() ? defaultSiteName : m_site->text().trimmed();
    settings.baseUrl = m_baseUrl->text().trimmed();
    settings.jobs = m_jobs->value();
    if (const QString refusal = BatchRun::settingsRefusal(m_setup, settings); !refusal.isEmpty()) {
        log(refusal);
        m_status->setText(refusal);
        return;
    }

    keywordfile::List list = keywordfile::parse(m_keywords->toPlainText());
    QList<keywordfile::Notice> skipped = list.refused;
    skipped += BatchRun::dropUnknownTemplates(m_setup.templateRoots, list.entries);
    std::sort(skipped.begin(), skipped.end(),
              [](const keywordfile::Notice &a, const keywordfile::Notice &b) { return a.line < b.line; });
    for (const keywordfile::Notice &notice : std::as_const(skipped))
        log(keywordfile::describe(notice) + tooldialogs::skipped);
    for (const keywordfile::Notice &notice : std::as_const(list.repeated))
        log(keywordfile::describe(notice));
    if (list.entries.isEmpty()) {
        m_status->setText(tooldialogs::noKeywords.toString());
        log(m_status->text());
        return;
    }

    delete m_run;
    m_run = new BatchRun(m_setup, settings, list.entries, this);
    connect(m_run, &BatchRun::keywordStarted, this, [this](int, const QString &keyword) {
        m_status->setText(tooldialogs::generating.toString() + keyword);
    });
    connect(m_run, &BatchRun::keywordFinished, this, &BatchDialog::keywordFinished);
    connect(m_run, &BatchRun::finished, this, &BatchDialog::batchFinished);
    m_progress->setRange(0, m_run->total());
    m_progress->setValue(0);
    m_status->setText(u"开始生成..."_qs);
    setRunning(true);
    m_run->start();
}

void BatchDialog::cancelBatch()
{
    if (!isRunning())
        return;
    m_run->cancel();
    m_cancel->setEnabled(false);
    m_status->setText(tooldialogs::cancelling.toString());
}

void BatchDialog::keywordFinished(const PageResult &result, int done, int)
{
    m_progress->setValue(done);
    log(tooldialogs::keywordLine(result));
}

void BatchDialog::batchFinished()
{
    setRunning(false);
    const BatchSummary &summary = m_run->summary();
    QString text = u"已生成"_qs + QString::number(summary.written.size()) + u'/' +
                   QString::number(summary.total) + u"个页面"_qs;
    if (!summary.failed.isEmpty())
        text += u",失败"_qs + QString::number(summary.failed.size()) + u"个"_qs;
    if (summary.cancelled)
        text += u"(已取消,"_qs + QString::number(summary.notDone) + u"个未完成)"_qs;
    if (!summary.error.isEmpty())
        text += u"; "_qs + summary.error;
    m_status->setText(text);
    log(text);
    if (!summary.siteFolder.isEmpty())
        log(u"网站文件夹: "_qs + QDir::toNativeSeparators(summary.siteFolder));
    if (!summary.indexFile.isEmpty())
        emit siteWritten(summary.indexFile);
}

void BatchDialog::closeEvent(QCloseEvent *event)
{
    // The pages already written stay, with an index of them; those in progress are stopped.
    if (isRunning())
        m_run->abort();
    QDialog::closeEvent(event);
}

void BatchDialog::log(const QString &line)
{
    m_log->appendPlainText(line);
}

void BatchDialog::setRunning(bool running)
{
    m_start->setEnabled(!running);
    m_cancel->setEnabled(running);
    m_load->setEnabled(!running);
    for (QWidget *input :
         std::initializer_list<QWidget *>{m_keywords, m_template, m_count, m_sort, m_site, m_baseUrl, m_jobs})
        input->setEnabled(!running);
}
