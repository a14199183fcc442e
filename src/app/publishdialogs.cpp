#include "publishdialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>

#include "publishtarget.h"
#include "publishtexts.h"
#include "site.h"
#include "sitepublish.h"
#include "sitetimer.h"

namespace publishdialogs {

namespace {

const QString targetTitle = u"发布设置"_qs;
const QString scheduleTitle = u"定时更新"_qs;

// A dialog holding `form` above OK and Cancel.
QDialogButtonBox *addButtons(QDialog &dialog, QFormLayout *form)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    return buttons;
}

// The sftp server's host keys once the user trusts them (asked only when they are new or changed),
// or nothing having said why not.
std::optional<sitepublish::HostKeys> confirmedHostKeys(QWidget *parent, const QString &siteFolder,
                                                       const publishtarget::Target &target)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const sitepublish::HostKeys keys = sitepublish::fetchHostKeys(siteFolder, target);
    QApplication::restoreOverrideCursor();
    if (!keys.error.isEmpty()) {
        QMessageBox::warning(parent, targetTitle, keys.error);
        return std::nullopt;
    }
    if (keys.known)
        return keys;
    // One key a line, never wrapped inside a fingerprint.
    const auto paragraph = [](const QString &text, QStringView style = {}) -> QString {
        return u"<p style=\"white-space:pre;"_qs + style + u"\">"_qs + text.toHtmlEscaped() + u"</p>"_qs;
    };
    QMessageBox ask(keys.changed ? QMessageBox::Warning : QMessageBox::Question, targetTitle,
                    paragraph(publishtexts::hostKeyShown) +
                        paragraph(keys.fingerprints.join(u'\n'), u"font-family:monospace;") +
                        (keys.changed ? paragraph(publishtexts::hostKeyDiffers) : QString()) +
                        paragraph(publishtexts::hostKeyQuestion),
                    QMessageBox::Yes | QMessageBox::No, parent);
    ask.setTextFormat(Qt::RichText);
    ask.setObjectName(u"hostKeyQuestion"_qs);
    ask.setDefaultButton(QMessageBox::No);
    if (ask.exec() != QMessageBox::Yes)
        return std::nullopt;
    return keys;
}

} // namespace

bool editTarget(QWidget *parent, const QString &siteFolder)
{
    const std::optional<siteconfig::Site> site = siteconfig::read(sites::Paths(siteFolder).config);
    if (!site)
        return false;
    QDialog dialog(parent);
    dialog.setObjectName(u"PublishSettingsDialog"_qs);
    dialog.setWindowTitle(targetTitle + u" - "_qs + site->name);
    auto *form = new QFormLayout(&dialog);
    auto *address = new QLineEdit(site->target, &dialog);
    address->setObjectName(u"target"_qs);
    address->setPlaceholderText(u"sftp://用户@主机/路径"_qs);
    address->setMinimumWidth(380);
    auto *password = new QLineEdit(&dialog);
    password->setObjectName(u"password"_qs);
    password->setEchoMode(QLineEdit::Password);
    // The stored password is never shown, so an empty field cannot mean "none".
    password->setPlaceholderText(u"留空则保留已保存的密码"_qs);
    auto *clear = new QCheckBox(u"清除已保存的密码"_qs, &dialog);
    clear->setObjectName(u"clearPassword"_qs);
    QObject::connect(clear, &QCheckBox::toggled, password, &QLineEdit::setDisabled);
    auto *hint = new QLabel(u"也可以是 ftp://、ftps://、webdav+https://、"
                            "s3://密钥ID@桶/前缀?endpoint=…&region=…。密码保存在系统密钥环中。"_qs,
                            &dialog);
    hint->setWordWrap(true);
    form->addRow(u"发布地址:"_qs, address);
    form->addRow(u"密码:"_qs, password);
    form->addRow(QString(), clear);
    form->addRow(hint);
    QDialogButtonBox *buttons = addButtons(dialog, form);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        QString error;
        const std::optional<publishtarget::Target> target = publishtarget::parse(address->text(), &error);
        if (!target) {
            QMessageBox::warning(&dialog, targetTitle, error);
            return;
        }
        std::optional<sitepublish::HostKeys> keys;
        if (target->kind == publishtarget::Kind::Sftp) {
            keys = confirmedHostKeys(&dialog, siteFolder, *target);
            if (!keys)
                return;
        }
        const std::optional<QString> secret = clear->isChecked() ? std::optional<QString>(QString())
                                              : password->text().isEmpty()
                                                  ? std::nullopt
                                                  : std::optional<QString>(password->text());
        secretstore::Place place = secretstore::Place::Nowhere;
        if (!sitepublish::setTarget(siteFolder, address->text(), secret, &place, &error)) {
            QMessageBox::warning(&dialog, targetTitle, error);
            return;
        }
        if (keys && !sitepublish::keepHostKeys(siteFolder, *target, *keys)) {
            QMessageBox::warning(&dialog, targetTitle,
                                 QDir::toNativeSeparators(sitepublish::knownHostsFile(siteFolder)));
            return;
        }
        if (place == secretstore::Place::File)
            QMessageBox::information(&dialog, targetTitle,
                                     publishtexts::fileFallback + sitepublish::secretFile(siteFolder));
        dialog.accept();
    });
    return dialog.exec() == QDialog::Accepted;
}

void editSchedule(QWidget *parent, const QString &siteFolder, const QString &cli)
{
    const std::optional<siteconfig::Site> site = siteconfig::read(sites::Paths(siteFolder).config);
    if (!site)
        return;
    QDialog dialog(parent);
    dialog.setObjectName(u"ScheduleDialog"_qs);
    dialog.setWindowTitle(scheduleTitle + u" - "_qs + site->name);
    auto *form = new QFormLayout(&dialog);
    auto *hours = new QSpinBox(&dialog);
    hours->setObjectName(u"hours"_qs);
    hours->setRange(0, sitetimer::maxHours);
    hours->setSpecialValueText(u"关闭"_qs);
    hours->setSuffix(u" 小时"_qs);
    hours->setValue(sitetimer::installedHours(siteFolder, site->name));
    form->addRow(u"每隔:"_qs, hours);
    QDialogButtonBox *buttons = addButtons(dialog, form);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const sitetimer::Outcome outcome = hours->value() == 0
                                           ? sitetimer::remove(siteFolder, site->name)
                                           : sitetimer::install(siteFolder, site->name, hours->value(), cli);
    if (!outcome.error.isEmpty())
        QMessageBox::warning(parent, scheduleTitle, u"无法写入定时器: "_qs + outcome.error);
    else if (!outcome.enableCommand.isEmpty())
        QMessageBox::information(parent, scheduleTitle,
                                 u"没有运行中的systemd用户管理器。启用定时器请运行:\n"_qs +
                                     outcome.enableCommand);
}

} // namespace publishdialogs
