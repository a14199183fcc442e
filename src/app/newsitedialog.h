#pragma once

#include <QDialog>

#include "appsetup.h"

class FormPort;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// "新建站点…": what a new site is made with. The choices, the PID included, start as the window's
// and may be changed here, with the filters of the site's items. 创建 checks them as the command
// line does and makes the site's folder below 站点/; a refusal is said in the dialog and makes
// nothing. Whoever opened the dialog makes the pages once it is accepted.
// Given a site's folder, the same form is "站点设置…": it shows that site's settings and 保存
// writes them to its 站点.ini, with the same checks; the next refresh follows them.
class NewSiteDialog final : public QDialog
{
    Q_OBJECT

public:
    NewSiteDialog(const AppSetup &setup, const FormPort &window, QWidget *parent = nullptr,
                  const QString &siteFolder = QString());

    // Puts the text of a keyword file into the box; false (and the reason shown) when the file
    // cannot be read.
    bool loadKeywordFile(const QString &path);
    // The folder of the site made, once accepted.
    QString siteFolder() const { return m_folder; }

    void accept() override;

private:
    void chooseFile();
    void refuse(const QString &why);

    const AppSetup &m_setup;
    const FormPort &m_window;
    QString m_folder;

    bool m_editing = false;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_pid = nullptr;
    QCheckBox *m_couponOnly = nullptr;
    QCheckBox *m_tmallOnly = nullptr;
    QLineEdit *m_price = nullptr;
    QLineEdit *m_commission = nullptr;
    QPlainTextEdit *m_keywords = nullptr;
    QComboBox *m_template = nullptr;
    QLineEdit *m_count = nullptr;
    QComboBox *m_sort = nullptr;
    QLineEdit *m_baseUrl = nullptr;
    QCheckBox *m_shortLinks = nullptr;
    QCheckBox *m_tokens = nullptr;
    QLabel *m_message = nullptr;
};
