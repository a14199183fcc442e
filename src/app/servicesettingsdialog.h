#pragma once

#include <functional>

#include <QDateTime>
#include <QDialog>

#include "settingsstore.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
namespace net {
class Cancellation;
}

// "工具 → 服务设置…": edits every entry of "服务设置" and the short-link option. The dialog only
// edits; whoever opened it stores what settings() gives after OK.
class ServiceSettingsDialog final : public QDialog
{
    Q_OBJECT

public:
    // `pid` is the PID box's text: "测试连接" searches with its 推广位. `now` stamps the call.
    ServiceSettingsDialog(const settingsstore::ServiceSettings &settings, const QString &pid,
                          std::function<QDateTime()> now, QWidget *parent = nullptr);
    ~ServiceSettingsDialog() override;

    // The entries as they stand in the fields.
    settingsstore::ServiceSettings settings() const;

    // "测试连接": one search for 连衣裙 with the entered account; says what came back in a box.
    void testConnection();

    void done(int result) override;

signals:
    // Emitted just before the connection test's message box opens, so that tests can see it.
    void connectionTested(const QString &message);

private:
    QString m_pid;
    std::function<QDateTime()> m_now;
    net::Cancellation *m_test = nullptr; // the connection test in progress

    QComboBox *m_source = nullptr;
    QLineEdit *m_gateway = nullptr;
    QLineEdit *m_appKey = nullptr;
    QLineEdit *m_appSecret = nullptr;
    QCheckBox *m_showSecret = nullptr;
    QComboBox *m_signMethod = nullptr;
    QCheckBox *m_tpwd = nullptr;
    QCheckBox *m_shortLinks = nullptr;
    QLineEdit *m_apiHost = nullptr;
    QLineEdit *m_shortHost = nullptr;
    QLineEdit *m_imageHost = nullptr;
    QLineEdit *m_helpUrl = nullptr;
    QPushButton *m_testButton = nullptr;
};
