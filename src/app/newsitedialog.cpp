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
#include "itemretrieval.h"
#include "keywordfile.h"
#include "site.h"
#include "siteindex.h"
#include "templatelibrary.h"
#include "tooldialogs.h"

NewSiteDialog::NewSiteDialog(const AppSetup &setup, const FormPort &window, QWidget *parent)
    : QDialog(parent)
    , m_setup(setup)
    , m_window(window)
{
    setObjectName(u"NewSiteDialog"_qs);
    setWindowTitle(u"新建站点"_qs);

    m_name = new QLineEdit(this);
    m_name->setObjectName(u"siteName"_qs);
    m_name->setPlaceholderText(u"站点的名称,也是它在“站点”文件夹中的文件夹名"_qs);
    const tooldialogs::KeywordInput keywords = tooldialogs::keywordInput(this);
    m_keywords = keywords.box;
    connect(keywords.load, &QPushButton::clicked, this, &NewSiteDialog::chooseFile);

    // The window's own template list and choices are the starting point.
    m_template = tooldialogs::templateBox(zairumoban(m_setup.templateRoots), window.templateName(), this);
    m_count = new QLineEdit(window.countText(), this);
    m_count->setObjectName(u"count"_qs);
    m_sort = tooldialogs::sortBox(window.sortText(), this);
    m_baseUrl = tooldialogs::baseUrlEdit(this);
    m_shortLinks = new QCheckBox(u"推广地址转换为短网址"_qs, this);
    m_shortLinks->setObjectName(u"shortLinks"_qs);
    m_shortLinks->setChecked(window.shortLinkState() == 1);
    m_tokens = new QCheckBox(u"每件商品生成淘口令(开放平台)"_qs, this);
    m_tokens->setObjectName(u"tokens"_qs);
    m_tokens->setChecked(m_setup.openPlatform.makeTpwd);

    m_message = new QLabel(this);
    m_message->setObjectName(u"message"_qs);
    m_message->setWordWrap(true);
    m_message->setStyleSheet(u"color: #c00000;"_qs);
    m_message->hide();

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *create = buttons->addButton(u"创建并生成"_qs, QDialogButtonBox::AcceptRole);
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
    auto *form = new QFormLayout;
    form->addRow(tooldialogs::templateLabel.toString(), m_template);
    form->addRow(tooldialogs::countLabel.toString(), m_count);
    form->addRow(tooldialogs::sortLabel.toString(), m_sort);
    form->addRow(tooldialogs::baseUrlLabel.toString(), m_baseUrl);
    form->addRow(QString(), options);
    auto *nameForm = new QFormLayout;
    nameForm->addRow(u"站点名称:"_qs, m_name);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(nameForm);
    layout->addLayout(keywords.row);
    layout->addWidget(m_keywords, 1);
    layout->addLayout(form);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
    resize(520, 520);
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
    if (keywordfile::parse(keywords).entries.isEmpty())
        return refuse(tooldialogs::noKeywords.toString());

    BatchSettings settings;
    settings.templateName = m_template->currentText();
    settings.count = m_count->text().trimmed();
    settings.sortText = m_sort->currentText();
    settings.pid = m_window.pidText();
    settings.baseUrl = m_baseUrl->text().trimmed();
    if (const QString refusal = BatchRun::settingsRefusal(m_setup, settings); !refusal.isEmpty()) {
        // The PID is the one field this form does not have.
        const bool pid = refusal == pidRefusal(m_setup, settings.pid);
        return refuse(pid ? u"主窗口中的PID: "_qs + refusal : refusal);
    }

    siteconfig::Site site;
    site.name = name;
    site.templateName = settings.templateName;
    site.count = settings.count;
    site.sortText = settings.sortText;
    site.pid = settings.pid;
    site.shortLinks = m_shortLinks->isChecked();
    site.tokens = m_tokens->isChecked();
    site.baseUrl = settings.baseUrl.isEmpty() ? QString() : siteindex::baseAddress(settings.baseUrl);
    QByteArray list = keywords.toUtf8();
    if (!list.endsWith('\n'))
        list += '\n';
    QString error;
    m_folder = sites::create(sites::sitesRoot(m_setup.outputRoot), site, list, &error);
    if (m_folder.isEmpty())
        return refuse(name + u": "_qs + error);
    QDialog::accept();
}
