#pragma once

#include <memory>

#include <QHash>
#include <QMainWindow>

#include "appsetup.h"
#include "formport.h"

namespace net {
class Cancellation;
}

class BatchDialog;
class BrowserPane;
class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;

// The program's one window: an input strip along the top, an option strip along the bottom,
// the browser pane between them and the menu bar with the generate command and the help pages.
class Form1 final : public QMainWindow, public FormPort
{
    Q_OBJECT

public:
    // Registers what the browser pane needs; call before the application object is created.
    static void prepareApplication();

    // `programFolder` holds the shipped templates and help pages, and, when it is writable, the
    // settings file and the output as well: the executable's folder unless a test gives another.
    explicit Form1(const QString &programFolder = QString(), QWidget *parent = nullptr);
    ~Form1() override;

    // The offline demo service at `hostAndPort` stands in for every outside service, the open
    // platform's gateway included, for this session only: never saved, and the settings dialog
    // still edits what the settings file names.
    void useDemoService(const QString &hostAndPort);

    // Closing ends the program; a test that drives several windows turns that off.
    void setQuitOnClose(bool quit) { m_quitOnClose = quit; }

    const AppSetup &setup() const { return m_setup; }
    // The latest run that showed its success page, if any.
    std::shared_ptr<const RunState> latestRun() const { return m_latestRun; }
    BrowserPane *browser() const { return WebBrowser1; }

    // FormPort
    QString keywordText() const override;
    QString pidText() const override;
    QString countText() const override;
    QString templateName() const override;
    QString sortText() const override;
    int shortLinkState() const override;
    void navigate(const QString &address) override;
    void showMessage(const QString &text, const QString &title = QString()) override;
    void setGenerateCommand(bool enabled, const QString &caption) override;
    void showResult(const QString &page, const std::shared_ptr<const RunState> &run) override;
    bool isClosing() const { return m_closing; }

signals:
    // Emitted just before a message box opens, so that tests can see and answer it.
    void messageShown(const QString &text, const QString &title);
    // Emitted for every address the program sends the pane to.
    void navigated(const QString &address);
    // Emitted when the service settings dialog is about to open, so that tests can drive it.
    void serviceSettingsOpened(QDialog *dialog);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createMenus();

    void Form_Load();
    void Form_Unload();
    void Form_Resize();
    void Text2_LostFocus();
    void Text3_LostFocus();
    void Combo1_Click();
    void Timer1_Timer();
    void shengcheng_Click();
    void WebBrowser1_BeforeNavigate2(const QString &address, bool *cancel);
    void showHelpPage(const QString &pageName);
    void showLoadingPage(const QString &address);
    void editServiceSettings();
    void openBatchDialog();
    void forgetUnreachableRuns();
    void runResultLink(const QString &link, const std::shared_ptr<const RunState> &run);

    int twipsX(float twips) const;
    int twipsY(float twips) const;
    void place(QWidget *widget, float left, float top, float width, float height);

    void applyDemoService();

    AppSetup m_setup;
    QString m_demoHost;              // set by useDemoService
    bool m_secretInFileSaid = false; // the user hears once that no keyring took the AppSecret
    // The run in progress, so that closing the window stops its waits and no one else's.
    net::Cancellation *m_activeRun = nullptr;
    // The runs whose success pages the pane can still show, by the tag of their page.
    QHash<QString, std::shared_ptr<const RunState>> m_runs;
    int m_runsShown = 0;
    std::shared_ptr<const RunState> m_latestRun;
    bool m_closing = false;
    bool m_quitOnClose = true;
    bool m_startPageShown = false;

    QWidget *m_client = nullptr;
    QWidget *Picture1 = nullptr;
    QWidget *Picture2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QComboBox *Combo1 = nullptr;
    QComboBox *Combo2 = nullptr;
    QCheckBox *Check1 = nullptr;
    BrowserPane *WebBrowser1 = nullptr;
    QTimer *Timer1 = nullptr;

    QAction *shengcheng = nullptr;
    QAction *shiyongshuoming = nullptr;
    QAction *mobanzhizuo = nullptr;
    QMenu *lianxi = nullptr;
    QAction *guanwang = nullptr;
    QAction *zuozhe = nullptr;
    QAction *chengxushouye = nullptr;
    QAction *yijianjianyi = nullptr;
    QMenu *gongju = nullptr;
    QAction *fuwushezhi = nullptr;
    BatchDialog *m_batchDialog = nullptr;
};
