#pragma once

#include <memory>

#include <QDialog>

#include "appsetup.h"

class FormPort;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
struct PageResult;
namespace sites {
class Refresh;
}
namespace publish {
class Run;
}

// "工具" -> "站点管理…": the sites below 站点/ with their pages and last refresh, and what can be
// done with one: make a new one (its pages are made at once), refresh it, open its www/ folder,
// publish it, set where it is published and how often it refreshes itself. A refresh or a publish
// runs beside the window, which stays usable, and shows each keyword or file as it ends.
class SiteDialog final : public QDialog
{
    Q_OBJECT

public:
    // `setup` is the window's and must outlive the dialog: each refresh starts with it as it is
    // then, services changed meanwhile included.
    SiteDialog(const AppSetup &setup, const FormPort &window, QWidget *parent = nullptr);
    ~SiteDialog() override;

    // Shows the window's site dialog, made the first time.
    static void showFor(QWidget *window, const AppSetup &setup, const FormPort &port);

    // Reads the list of sites again; `select` (a site folder) is chosen when listed.
    void reload(const QString &select = QString());
    void newSite();
    void editSelected(); // 站点设置…: the selected site's settings
    void refreshSelected();
    // `allowRemoval`: the user has confirmed a list that takes most pages off the site.
    void refreshSite(const QString &folder, bool allowRemoval = false);
    // First no further keyword (those in progress finish and are kept); closing the dialog stops
    // those too.
    void cancelRefresh();
    void publishSelected(); // cancelled by cancelRefresh() too
    bool isRunning() const { return m_running; }

    void done(int result) override;

private:
    QString selectedFolder() const;
    void keywordFinished(const PageResult &result, int done, int total);
    void refreshFinished();
    void openFolder();
    void publishFinished();
    void log(const QString &line);
    void updateButtons();

    const AppSetup &m_setup;
    const FormPort &m_window;
    std::unique_ptr<sites::Refresh> m_refresh;
    std::unique_ptr<publish::Run> m_publish;
    QString m_refreshing; // the site folder of the refresh in progress
    bool m_running = false;
    bool m_cancelled = false; // asked to start no further keyword

    QTreeWidget *m_sites = nullptr;
    QPushButton *m_new = nullptr;
    QPushButton *m_update = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_publishButton = nullptr;
    QPushButton *m_publishSettings = nullptr;
    QPushButton *m_schedule = nullptr;
    QPushButton *m_siteSettings = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_status = nullptr;
    QPlainTextEdit *m_log = nullptr;
    QPushButton *m_cancel = nullptr;
};
