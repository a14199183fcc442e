#pragma once

#include <memory>

#include <QDialog>

#include "appsetup.h"
#include "earningsreport.h"

class FormPort;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QWebEngineView;
namespace orders {
class Sync;
}

// "工具" -> "收益报表…": syncs the account's orders (in the background; the window stays usable and
// the sync can be cancelled), and shows what each site and page earned over a period: a daily
// chart of the estimated commission, settled and not yet settled, and the table of pages, best
// first, each page's address opening it. The report saves as an HTML file that opens anywhere.
class EarningsDialog final : public QDialog
{
    Q_OBJECT

public:
    EarningsDialog(const AppSetup &setup, const FormPort &window, QWidget *parent);
    ~EarningsDialog() override;

    static EarningsDialog *showFor(const AppSetup &setup, const FormPort &window, QWidget *parent);

    void syncOrders();
    void cancelSync();
    bool isSyncing() const { return m_sync != nullptr; }
    // Reads the database and the sites again and shows the report.
    void showReport();
    bool saveReport(const QString &path);
    const orders::Report &report() const { return m_report; }

signals:
    void syncFinished();
    void reportShown();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void fillSites();
    void syncEnded();

    const AppSetup &m_setup;
    const FormPort &m_window;
    std::unique_ptr<orders::Sync> m_sync;
    orders::Report m_report;
    QString m_html;

    QPushButton *m_syncButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_status = nullptr;
    QComboBox *m_site = nullptr;
    QComboBox *m_period = nullptr;
    QPushButton *m_save = nullptr;
    QWebEngineView *m_view = nullptr;
};
