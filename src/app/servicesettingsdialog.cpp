#include "servicesettingsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "cancellation.h"
#include "openplatformitems.h"
#include "topmessages.h"
#include "toppid.h"

namespace {

const QString testKeyword = u"连衣裙"_qs;

// Keeps a secret off the clipboard even while it is shown: no copy, no cut, no context menu.
class NoCopyFilter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut)) {
                event->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

QLineEdit *lineEdit(QWidget *parent, const QString &name, const QString &text)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setMinimumWidth(320);
    return edit;
}

} // namespace

ServiceSettingsDialog::ServiceSettingsDialog(const settingsstore::ServiceSettings &settings,
                                             const QString &pid, std::function<QDateTime()> now,
                                             QWidget *parent)
    : QDialog(parent)
    , m_pid(pid)
    , m_now(std::move(now))
{
    setObjectName(u"ServiceSettingsDialog"_qs);
    setWindowTitle(u"服务设置"_qs);
    setModal(true);

    const itemsource::OpenPlatformSetup &account = settings.sources.openPlatform;
    m_source = new QComboBox(this);
    m_source->setObjectName(u"source"_qs);
    m_source->addItems({itemsource::testToolText.toString(), itemsource::openPlatformText.toString()});
    m_source->setCurrentIndex(settings.sources.source == itemsource::Source::OpenPlatform ? 1 : 0);

    m_gateway = lineEdit(this, u"gateway"_qs, account.gateway);
    m_appKey = lineEdit(this, u"appKey"_qs, account.appKey);
    m_appSecret = lineEdit(this, u"appSecret"_qs, account.appSecret);
    m_appSecret->setEchoMode(QLineEdit::Password);
    m_appSecret->setContextMenuPolicy(Qt::NoContextMenu);
    m_appSecret->installEventFilter(new NoCopyFilter(m_appSecret));
    m_showSecret = new QCheckBox(u"显示"_qs, this);
    m_showSecret->setObjectName(u"showSecret"_qs);
    connect(m_showSecret, &QCheckBox::toggled, this, [this](bool shown) {
        m_appSecret->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    auto *secretRow = new QHBoxLayout;
    secretRow->addWidget(m_appSecret, 1);
    secretRow->addWidget(m_showSecret);

    m_signMethod = new QComboBox(this);
    m_signMethod->setObjectName(u"signMethod"_qs);
    for (const auto method :
         {itemsource::SignMethod::HmacSha256, itemsource::SignMethod::Md5, itemsource::SignMethod::Hmac}) {
        m_signMethod->addItem(itemsource::signMethodText(method).toString());
        if (method == account.signMethod)
            m_signMethod->setCurrentIndex(m_signMethod->count() - 1);
    }

    m_tpwd = new QCheckBox(u"为每件商品生成淘口令"_qs, this);
    m_tpwd->setObjectName(u"makeTpwd"_qs);
    m_tpwd->setChecked(account.makeTpwd);
    m_shortLinks = new QCheckBox(u"自动将淘宝客推广地址转换为短网址"_qs, this);
    m_shortLinks->setObjectName(u"shortLinks"_qs);
    m_shortLinks->setTristate(settings.checkState == 2); // keeps a greyed state the file may hold
    m_shortLinks->setCheckState(settings.checkState == 1   ? Qt::Checked
                                : settings.checkState == 2 ? Qt::PartiallyChecked
                                                           : Qt::Unchecked);

    m_apiHost = lineEdit(this, u"apiHost"_qs, settings.hosts.apiHost);
    m_shortHost = lineEdit(this, u"shortHost"_qs, settings.hosts.shortHost);
    m_imageHost = lineEdit(this, u"imageHost"_qs, settings.hosts.imageHost);
    m_helpUrl = lineEdit(this, u"helpUrl"_qs, settings.helpBaseUrl);

    auto *form = new QFormLayout;
    form->addRow(u"数据来源:"_qs, m_source);
    form->addRow(u"开放平台网关:"_qs, m_gateway);
    form->addRow(u"AppKey:"_qs, m_appKey);
    form->addRow(u"AppSecret:"_qs, secretRow);
    form->addRow(u"签名方式:"_qs, m_signMethod);
    form->addRow(u"淘口令:"_qs, m_tpwd);
    form->addRow(u"短网址:"_qs, m_shortLinks);
    form->addRow(u"接口主机:"_qs, m_apiHost);
    form->addRow(u"短网址主机:"_qs, m_shortHost);
    form->addRow(u"图片主机:"_qs, m_imageHost);
    form->addRow(u"帮助网址:"_qs, m_helpUrl);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(u"确定"_qs);
    buttons->button(QDialogButtonBox::Cancel)->setText(u"取消"_qs);
    m_testButton = buttons->addButton(u"测试连接"_qs, QDialogButtonBox::ActionRole);
    m_testButton->setObjectName(u"testConnection"_qs);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_testButton, &QPushButton::clicked, this, &ServiceSettingsDialog::testConnection);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

ServiceSettingsDialog::~ServiceSettingsDialog()
{
    if (m_test)
        m_test->cancel();
}

settingsstore::ServiceSettings ServiceSettingsDialog::settings() const
{
    settingsstore::ServiceSettings settings;
    settings.sources.source = itemsource::sourceFromText(m_source->currentText());
    itemsource::OpenPlatformSetup &account = settings.sources.openPlatform;
    account.gateway = m_gateway->text().trimmed();
    account.appKey = m_appKey->text().trimmed();
    account.appSecret = m_appSecret->text().trimmed();
    account.signMethod = itemsource::signMethodFromText(m_signMethod->currentText());
    account.makeTpwd = m_tpwd->isChecked();
    const Qt::CheckState state = m_shortLinks->checkState();
    settings.checkState = state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
    settings.hosts = {m_apiHost->text().trimmed(), m_shortHost->text().trimmed(),
                      m_imageHost->text().trimmed()};
    settings.helpBaseUrl = m_helpUrl->text().trimmed();
    return settings;
}

void ServiceSettingsDialog::testConnection()
{
    if (m_test)
        return;
    const itemsource::OpenPlatformSetup account = settings().sources.openPlatform;
    // The search needs a 推广位; without a full PID in the window it goes without one, and the
    // gateway still says whether it takes the key and the signature.
    const std::optional<QString> adzone = openplatform::adzoneOf(m_pid);

    net::Cancellation cancel;
    m_test = &cancel;
    m_testButton->setEnabled(false);
    m_testButton->setText(u"测试中..."_qs);
    const openplatform::SearchOutcome outcome = openplatform::searchMaterial(
        account, adzone.value_or(QString()), testKeyword, 1, QString(), m_now(), &cancel);
    m_test = nullptr;
    if (outcome.status == openplatform::SearchOutcome::Status::Cancelled)
        return; // the dialog is closing
    m_testButton->setEnabled(true);
    m_testButton->setText(u"测试连接"_qs);

    QString message;
    if (outcome.status == openplatform::SearchOutcome::Status::Items) {
        message = u"连接成功：搜索“"_qs + testKeyword + u"”返回 "_qs + QString::number(outcome.items.size()) +
                  u" 件商品"_qs;
        if (!outcome.totalResults.isEmpty())
            message += u"（共 "_qs + outcome.totalResults + u" 件相符）"_qs;
    } else {
        message = u"连接失败："_qs + outcome.reason;
    }
    if (!adzone)
        message += u"\n\n提示：主窗口的PID不是完整的推广位PID，测试时未带推广位。"_qs;
    message = openplatform::withoutSecret(message, account.appSecret);
    emit connectionTested(message);
    QMessageBox box(QMessageBox::NoIcon, u"测试连接"_qs, message, QMessageBox::Ok, this);
    box.exec();
}

void ServiceSettingsDialog::done(int result)
{
    // A test still waiting for the gateway ends with the dialog.
    if (m_test)
        m_test->cancel();
    QDialog::done(result);
}
