#pragma once

#include <QDialog>

#include "appsetup.h"

class BatchRun;
class FormPort;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
struct PageResult;

// "工具" -> "批量生成…": many keywords in, one site out. The keywords come from the box (one a
// line, the same form as a keyword file) or from a file loaded into it; the PID and the short-link
// option are the window's. The batch runs beside the window, which stays usable; when it ends the
// site's index is shown in the window's pane. `setup` is the window's own, read as each batch
// starts, so a batch follows the service settings of the moment; the batch keeps its own copy.
class BatchDialog final : public QDialog
{
    Q_OBJECT

public:
    BatchDialog(const AppSetup &setup, const FormPort &window, QWidget *parent = nullptr);
    ~BatchDialog() override;

    // Puts the text of a keyword file into the box; false (and a note in the log) when the file
    // cannot be read.
    bool loadKeywordFile(const QString &path);
    void startBatch();
    // Starts no further keyword; the pages already written are kept, with an index of them.
    void cancelBatch();
    bool isRunning() const;
    // The batch in progress or the last one; null before the first.
    const BatchRun *batch() const { return m_run; }

signals:
    // The site's index.htm, once a batch has written one.
    void siteWritten(const QString &indexFile);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void chooseFile();
    void keywordFinished(const PageResult &result, int done, int total);
    void batchFinished();
    void log(const QString &line);
    void setRunning(bool running);

    const AppSetup &m_setup;
    const FormPort &m_window;
    BatchRun *m_run = nullptr;

    QPlainTextEdit *m_keywords = nullptr;
    QPushButton *m_load = nullptr;
    QComboBox *m_template = nullptr;
    QLineEdit *m_count = nullptr;
    QComboBox *m_sort = nullptr;
    QLineEdit *m_site = nullptr;
    QLineEdit *m_baseUrl = nullptr;
    QSpinBox *m_jobs = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_status = nullptr;
    QPlainTextEdit *m_log = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_close = nullptr;
};
