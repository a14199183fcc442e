#include "newsitedialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "batchrun.h"
#include "formport.h"
#include "keywordfile.h"
#include "itemfilters.h"
#include "site.h"
#include "sitesettings.h"
#include "templatelibrary.h"
#include "tooldialogs.h"

namespace {

const QString newSiteTitle = u"新建站点"_qs;
const QString siteSettingsTitle = u"站点设置"_qs;
const QString cannotSave = u"无法写入"_qs + sites::configFileName;

} // namespace

NewSiteDialog::NewSiteDialog(const AppSetup &setup, const FormPort &window, QWidget *parent,
                             const QString &siteFolder)
    : QDialog(parent)
    , m_setup(setup)
    , m_window(window)
    , m_folder(siteFolder)
{
    // The site's own settings when it is one; the window's for a new one.
    std::optional<siteconfig::Site> site =
        siteFolder.isEmpty() ? std::nullopt : siteconfig::read(sites::Paths(siteFolder).config);
    m_editing = site.has_value();
    if (!site) {
        site.emplace();
        site->templateName = window.templateName();
        site->count = window.countText();
        site->sortText = window.sortText();
        site->pid = window.pidText();
        site->shortLinks = window.shortLinkState() == 1;
        site->tokens = m_setup.openPlatform.makeTpwd;
        m_folder.clear();
    }
    setObjectName(m_editing ? u"SiteSettingsDialog"_qs : u"NewSiteDialog"_qs);
    setWindowTitle(m_editing ? siteSettingsTitle : newSiteTitle);

    m_name = new QLineEdit(site->name, this);
    m_name->setObjectName(u"siteName"_qs);
    m_name->setPlaceholderText(u"站点的名称,也是它在“站点”文件夹中的文件夹名"_qs);
    m_name->setReadOnly(m_editing);
    const tooldialogs::KeywordInput keywords = tooldialogs::keywordInput(this);
    m_keywords = keywords.box;
    connect(keywords.load, &QPushButton::clicked, this, &NewSiteDialog::chooseFile);

    m_template = tooldialogs::templateBox(zairumoban(m_setup.templateRoots), site->templateName, this);
    m_count = new QLineEdit(site->count, this);
    m_count->setObjectName(u"count"_qs);
    m_sort = tooldialogs::sortBox(site->sortText, this);
    m_pid = new QLineEdit(site->pid, this);
    m_pid->setObjectName(u"pid"_qs);
    m_pid->setPlaceholderText(u"开放平台: mm_会员_媒体_推广位;接口测试工具: 8位数字"_qs);
    m_baseUrl = tooldialogs::baseUrlEdit(this);
    m_baseUrl->setText(site->baseUrl);
    m_shortLinks = new QCheckBox(u"推广地址转换为短网址"_qs, this);
    m_shortLinks->setObjectName(u"shortLinks"_qs);
    m_shortLinks->setChecked(site->shortLinks);
    m_tokens = new QCheckBox(u"每件商品生成淘口令(开放平台)"_qs, this);
    m_tokens->setObjectName(u"tokens"_qs);
    m_tokens->setChecked(site->tokens);
    m_couponOnly = new QCheckBox(itemfilters::couponOnlyName.toString(), this);
    m_couponOnly->setObjectName(u"couponOnly"_qs);
    m_couponOnly->setChecked(site->filter.couponOnly);
    m_tmallOnly = new QCheckBox(itemfilters::tmallOnlyName.toString(), this);
    m_tmallOnly->setObjectName(u"tmallOnly"_qs);
    m_tmallOnly->setChecked(site->filter.tmallOnly);
    m_price = new QLineEdit(itemfilters::priceText(site->filter), this);
    m_price->setObjectName(u"price"_qs);
    m_price->setPlaceholderText(u"元,如 20-200;留空不限"_qs);
    m_commission = new QLineEdit(itemfilters::commissionText(site->filter), this);
    m_commission->setObjectName(u"commission"_qs);
    m_commission->setPlaceholderText(u"%,如 5;留空不限"_qs);

    m_message = new QLabel(this);
    m_message->setObjectName(u"message"_qs);
    m_message->setWordWrap(true);
    m_message->setStyleSheet(u"color: #c00000;"_qs);
    m_message->hide();

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *create =
        buttons->addButton(m_editing ? u"保存"_qs : u"创建并生成"_qs, QDialogButtonBox::AcceptRole);
    create->setObjectName(u"create"_qs);
    create->setDefault(true);
    buttons->addButton(tooldialogs::cancel.toString(), QDialogButtonBox::RejectRole)
        ->setObjectName(u"cancel"_qs);
    connect(buttons, &QDialogButtonBox::accepted, this, &NewSiteDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *options = new QHBoxLayout;
    options->addWidget(m_shortLinks);
    options->addWidget(m_tokens);
    options->addStretch();
    auto *only = new QHBoxLayout;
    only->addWidget(m_couponOnly);
    only->addWidget(m_tmallOnly);
    only->addStretch();
    auto *form = new QFormLayout;
    form->addRow(tooldialogs::templateLabel.toString(), m_template);
    form->addRow(tooldialogs::countLabel.toString(), m_count);
    form->addRow(tooldialogs::sortLabel.toString(), m_sort);
    form->addRow(u"淘宝客PID:"_qs, m_pid);
    form->addRow(tooldialogs::baseUrlLabel.toString(), m_baseUrl);
    form->addRow(QString(), options);
    form->addRow(u"筛选:"_qs, only);
    form->addRow(itemfilters::priceName + u':', m_price);
    form->addRow(itemfilters::commissionName + u':', m_commission);
    auto *nameForm = new QFormLayout;
    nameForm->addRow(u"站点名称:"_qs, m_name);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(nameForm);
    if (!m_editing) {
        layout->addLayout(keywords.row);
        layout->addWidget(m_keywords, 1);
    } else {
        keywords.load->hide();
        m_keywords->hide();
        for (int i = 0; i < keywords.row->count(); ++i)
            if (QWidget *widget = keywords.row->itemAt(i)->widget())
                widget->hide();
    }
    layout->addLayout(form);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
    resize(520, m_editing ? sizeHint().height() : 600);
}

bool NewSiteDialog::loadKeywordFile(const QString &path)
{
    QString error;
    const bool loaded = tooldialogs::loadKeywordFile(path, m_keywords, m_name, &error);
    m_message->setVisible(!loaded);
    m_message->setText(error);
    return loaded;
}

void NewSiteDialog::chooseFile()
{
    const QString path = tooldialogs::chooseKeywordFile(this);
    if (!path.isEmpty())
        loadKeywordFile(path);
}

void NewSiteDialog::refuse(const QString &why)
{
    m_message->setText(why);
    m_message->show();
}

void NewSiteDialog::accept()
{
    const QString name = m_name->text().trimmed();
    if (name.isEmpty())
        return refuse(u"请填写站点名称"_qs);
    // 关键词.txt keeps the list as typed, comment lines and all: the user edits it there later.
    const QString keywords = m_keywords->toPlainText();
    if (!m_editing && keywordfile::parse(keywords).entries.isEmpty())
        return refuse(tooldialogs::noKeywords.toString());

    BatchSettings settings;
    settings.templateName = m_template->currentText();
    settings.count = m_count->text().trimmed();
    settings.sortText = m_sort->currentText();
    settings.pid = m_pid->text().trimmed();
    settings.baseUrl = m_baseUrl->text().trimmed();
    settings.shortLinkState = m_shortLinks->isChecked() ? 1 : 0;
    settings.filter.couponOnly = m_couponOnly->isChecked();
    settings.filter.tmallOnly = m_tmallOnly->isChecked();
    for (const QString &refusal : {itemfilters::setPrice(m_price->text(), settings.filter),
                                   itemfilters::setCommission(m_commission->text(), settings.filter),
                                   BatchRun::settingsRefusal(m_setup, settings)}) {
        if (!refusal.isEmpty())
            return refuse(refusal);
    }

    if (m_editing) {
        const QString config = sites::Paths(m_folder).config;
        std::optional<siteconfig::Site> site = siteconfig::read(config);
        if (!site)
            return refuse(cannotSave);
        sites::takeSettings(*site, settings);
        site->tokens = m_tokens->isChecked();
        if (!siteconfig::write(config, *site))
            return refuse(cannotSave);
        QDialog::accept();
        return;
    }

    siteconfig::Site site;
    site.name = name;
    sites::takeSettings(site, settings);
    site.tokens = m_tokens->isChecked();
    QByteArray list = keywords.toUtf8();
    if (!list.endsWith('\n'))
        list += '\n';
    QString error;
    m_folder = sites::create(sites::sitesRoot(m_setup.outputRoot), site, list, &error);
    if (m_folder.isEmpty())
        return refuse(name + u": "_qs + error);
    QDialog::accept();
}
