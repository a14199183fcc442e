#pragma once

#include <memory>

#include <QDialog>

#include "appsetup.h"
#include "convertrun.h"

class FormPort;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
namespace net {
class Cancellation;
}

// "工具" -> "转链…": a promotion text in, the same text out with every item link, id, promotion
// link and 淘口令 the open platform converted replaced by the user's own, and a table of what was
// found. The account is the window's (kept up to date as the settings change) and the PID its PID
// box. The calls wait while events are handled, so the window stays usable; closing the dialog
// or the window stops them.
class ConvertDialog final : public QDialog
{
    Q_OBJECT

public:
    ConvertDialog(const AppSetup &setup, const FormPort &window, QWidget *parent);
    ~ConvertDialog() override;

    // Shows the dialog of `parent`, made on first use.
    static ConvertDialog *showFor(const AppSetup &setup, const FormPort &window, QWidget *parent);

    void convertText();
    void cancelConversion();
    bool isRunning() const { return m_cancel != nullptr; }
    const convert::ConvertOutcome &outcome() const { return m_outcome; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateMode();
    void showOutcome();
    void setRunning(bool running);
    convert::ConvertSetup convertSetup() const;

    const AppSetup &m_setup;
    const FormPort &m_window;
    std::unique_ptr<net::Cancellation> m_cancel;
    convert::ConvertOutcome m_outcome;

    QLabel *m_notice = nullptr;
    QPlainTextEdit *m_input = nullptr;
    QPushButton *m_convert = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QLabel *m_status = nullptr;
    QTableWidget *m_table = nullptr;
    QPlainTextEdit *m_output = nullptr;
    QPushButton *m_copyAll = nullptr;
};
