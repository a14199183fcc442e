#include "form1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include "batchdialog.h"
#include "browserpane.h"
#include "cancellation.h"
#include "convertdialog.h"
#include "earningsdialog.h"
#include "datalocations.h"
#include "filenames.h"
#include "generationrun.h"
#include "generationtexts.h"
#include "helpplaces.h"
#include "helpscheme.h"
#include "inputrules.h"
#include "itemretrieval.h"
#include "layout.h"
#include "runstate.h"
#include "settingsstore.h"
#include "servicesettingsdialog.h"
#include "sitedialog.h"
#include "sortorders.h"
#include "joinpath.h"
#include "templatelibrary.h"
#include "textops.h"

Q_LOGGING_CATEGORY(lcStartup, "taoyefang.startup", QtWarningMsg)

namespace {

const QString applicationTitle = u"淘页坊"_qs;
const QString makerCredit = u" [Norvane https://www.norvane.com 出品]"_qs;

const QString settingsNotSaved = u"设置未能保存(文件只读、不可写或格式无法识别):\n"_qs;
const QString secretInFile = u"没有运行中的系统密钥环，AppSecret 保存在设置.ini 中（只有本用户可读）。"_qs;

// Heights of the two strips, in twips.
constexpr float topStripHeight = 530;
constexpr float bottomStripHeight = 510;

// The check box's state as the settings file and the core count it: 0 not ticked, 1 ticked,
// 2 greyed.
int checkValue(Qt::CheckState state)
{
    return state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
}

Qt::CheckState checkStateOf(int value)
{
    return value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

// The help site's logo at every size the program ships it in.
QIcon programIcon()
{
    QIcon icon;
    for (QDirIterator it(u":/icons"_qs); it.hasNext();)
        icon.addFile(it.next());
    return icon;
}

// The links of a success page: the folder, the page, its source copied.
const QStringList resultLinks{u"minglin1.htm"_qs, u"minglin2.htm"_qs, u"minglin3.htm"_qs};

QString redirectPage(const QString &address)
{
    return u"about:<center>页面载入中...<meta http-equiv=\"refresh\" content=\"0;url="_qs + address +
           u"\">"_qs;
}

} // namespace

void Form1::prepareApplication()
{
    schemes::registerSchemes();
    // The window's class (WM_CLASS) and, on Wayland, its app id: the desktop entry matches both.
    QCoreApplication::setApplicationName(QStringLiteral(TAOYEFANG_APP_NAME));
    QGuiApplication::setDesktopFileName(QStringLiteral(TAOYEFANG_APP_ID));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAOYEFANG_VERSION));
}

Form1::Form1(const QString &programFolder, QWidget *parent)
    : QMainWindow(parent)
{
    m_setup = AppSetup::inProgramFolder(QDir::fromNativeSeparators(
        programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder));
    setWindowTitle(applicationTitle);
    setWindowIcon(programIcon());
    createControls();
    createMenus();
    Form_Load();

    // Opens centred with a client area of 11850 x 7080 twips.
    const QSize client(twipsX(11850), twipsY(7080));
    resize(client.width(), client.height() + menuBar()->sizeHint().height());
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

Form1::~Form1() = default;

int Form1::twipsX(float twips) const
{
    return layout::twipsToPixels(twips, logicalDpiX());
}

int Form1::twipsY(float twips) const
{
    return layout::twipsToPixels(twips, logicalDpiY());
}

void Form1::place(QWidget *widget, float left, float top, float width, float height)
{
    widget->setGeometry(twipsX(left), twipsY(top), twipsX(width), twipsY(height));
}

void Form1::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(u"client"_qs);
    setCentralWidget(m_client);
    m_client->installEventFilter(this);

    const auto strip = [this](const QString &name) {
        auto *panel = new QWidget(m_client);
        panel->setObjectName(name);
        panel->setAutoFillBackground(true);
        panel->setBackgroundRole(QPalette::Window);
        panel->setForegroundRole(QPalette::WindowText);
        return panel;
    };
    Picture1 = strip(u"Picture1"_qs);
    place(Picture1, 0, 0, 11850, topStripHeight);

    const auto label = [this](const QString &name, const QString &caption, float left, float width) {
        auto *l = new QLabel(caption, Picture1);
        l->setObjectName(name);
        place(l, left, 150, width, 255);
        return l;
    };
    const auto lineEdit = [this](const QString &name, const QString &text, float left, float width) {
        auto *edit = new QLineEdit(text, Picture1);
        edit->setObjectName(name);
        place(edit, left, 120, width, 270);
        return edit;
    };
    const auto comboBox = [this](const QString &name, float left, float width) {
        auto *combo = new QComboBox(Picture1);
        combo->setObjectName(name);
        combo->setEditable(false);
        place(combo, left, 100, width, 300);
        return combo;
    };

    Label3 = label(u"Label3"_qs, u"产品关键词:"_qs, 240, 1265);
    Text1 = lineEdit(u"Text1"_qs, QString(), 1245, 1455);
    Label4 = label(u"Label4"_qs, u"淘宝客PID:"_qs, 2880, 1215);
    Text2 = lineEdit(u"Text2"_qs, u"pid"_qs, 3800, 1215);
    Label1 = label(u"Label1"_qs, u"模板:"_qs, 5280, 615);
    Combo1 = comboBox(u"Combo1"_qs, 5760, 1575);
    Label2 = label(u"Label2"_qs, u"排序:"_qs, 7680, 615);
    Combo2 = comboBox(u"Combo2"_qs, 8160, 2175);
    for (const sortorders::SortOrder &order : sortorders::all)
        Combo2->addItem(order.text.toString());
    Combo2->setCurrentIndex(-1);
    Label5 = label(u"Label5"_qs, u"数量:"_qs, 10560, 615);
    Text3 = lineEdit(u"Text3"_qs, u"10"_qs, 11115, 495);
    // Labels sit behind the boxes they caption, as the boxes overlap their right ends.
    for (QLabel *l : {Label1, Label2, Label3, Label4, Label5})
        l->lower();

    WebBrowser1 = new BrowserPane(m_setup.programFolder + u"/帮助"_qs, m_client);
    WebBrowser1->setObjectName(u"WebBrowser1"_qs);
    place(WebBrowser1, 0, 525, 7695, 5895);
    connect(WebBrowser1, &BrowserPane::BeforeNavigate2, this, &Form1::WebBrowser1_BeforeNavigate2);
    // For the start-up benchmark: says when the start page has first been shown.
    connect(WebBrowser1, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (ok && !m_startPageShown && WebBrowser1->url().toString() == m_setup.helpBaseUrl) {
            m_startPageShown = true;
            qCInfo(lcStartup, "start page shown");
        }
    });

    Picture2 = strip(u"Picture2"_qs);
    place(Picture2, 0, 6570, 11850, bottomStripHeight);
    Check1 = new QCheckBox(u"自动将淘宝客推广地址转换为短网址"_qs, Picture2);
    Check1->setObjectName(u"Check1"_qs);
    Check1->setTristate(true); // the settings file may hold 2, the greyed state
    Check1->setEnabled(false);
    Check1->setAutoFillBackground(true);
    QPalette white = Check1->palette();
    white.setColor(QPalette::Window, Qt::white);
    Check1->setPalette(white);
    place(Check1, 120, 120, 3615, 255);

    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Combo1);
    setTabOrder(Combo1, Combo2);
    setTabOrder(Combo2, Text3);
    Text2->installEventFilter(this);
    Text3->installEventFilter(this);
    connect(Combo1, &QComboBox::activated, this, &Form1::Combo1_Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_qs);
    Timer1->setInterval(1);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    Timer1->start();
}

void Form1::createMenus()
{
    QMenuBar *bar = menuBar();
    const auto entry = [this](QWidget *owner, const QString &name, const QString &caption) {
        auto *action = new QAction(caption, this);
        action->setObjectName(name);
        owner->addAction(action);
        return action;
    };
    shengcheng = entry(bar, u"shengcheng"_qs, generationtexts::commandIdle.toString());
    shiyongshuoming = entry(bar, u"shiyongshuoming"_qs, u"使用说明"_qs);
    mobanzhizuo = entry(bar, u"mobanzhizuo"_qs, u"模板制作"_qs);
    lianxi = bar->addMenu(u"联系我们"_qs);
    lianxi->setObjectName(u"lianxi"_qs);
    guanwang = entry(lianxi, u"guanwang"_qs, u"官网网站"_qs);
    zuozhe = entry(lianxi, u"zuozhe"_qs, u"作者博客"_qs);
    chengxushouye = entry(lianxi, u"chengxushouye"_qs, u"程序首页"_qs);
    yijianjianyi = entry(lianxi, u"yijianjianyi"_qs, u"意见建议"_qs);
    gongju = bar->addMenu(u"工具"_qs);
    gongju->setObjectName(u"gongju"_qs);
    fuwushezhi = entry(gongju, u"fuwushezhi"_qs, u"服务设置…"_qs);

    connect(shengcheng, &QAction::triggered, this, &Form1::shengcheng_Click);
    connect(shiyongshuoming, &QAction::triggered, this, [this] { showHelpPage(u"bangzhu.php"_qs); });
    connect(mobanzhizuo, &QAction::triggered, this, [this] { showHelpPage(u"moban.php"_qs); });
    connect(guanwang, &QAction::triggered, this, [this] { showHelpPage(u"guanwang.php"_qs); });
    connect(zuozhe, &QAction::triggered, this, [this] { showHelpPage(u"zuozhe.php"_qs); });
    connect(chengxushouye, &QAction::triggered, this, [this] { showHelpPage(QString()); });
    connect(yijianjianyi, &QAction::triggered, this, [this] { showHelpPage(u"jianyi.php"_qs); });
    connect(fuwushezhi, &QAction::triggered, this, &Form1::editServiceSettings);
    connect(entry(gongju, u"piliangshengcheng"_qs, u"批量生成…"_qs), &QAction::triggered, this,
            &Form1::openBatchDialog);
    connect(entry(gongju, u"zhandianguanli"_qs, u"站点管理…"_qs), &QAction::triggered, this,
            [this] { SiteDialog::showFor(this, m_setup, *this); });
    connect(entry(gongju, u"zhuanlian"_qs, u"转链…"_qs), &QAction::triggered, this,
            [this] { ConvertDialog::showFor(m_setup, *this, this); });
    connect(entry(gongju, u"shouyibaobiao"_qs, u"收益报表…"_qs), &QAction::triggered, this,
            [this] { EarningsDialog::showFor(m_setup, *this, this); });
}

void Form1::Form_Load()
{
    setWindowTitle(windowTitle() + QCoreApplication::applicationVersion() + makerCredit);
    // Beside the program in a portable folder, in the user's folders once installed.
    const DataLocations where = locate(m_setup.programFolder);
    m_setup.settingsPath = where.settingsPath;
    m_setup.templateRoot = where.templateRoot;
    m_setup.templateRoots = where.templateRoots;
    m_setup.outputRoot = where.outputRoot;
    QDir().mkpath(QFileInfo(m_setup.settingsPath).path());
    const settingsstore::Inputs inputs =
        settingsstore::readInputs(m_setup.settingsPath, checkValue(Check1->checkState()));
    Text1->setText(inputs.keyword);
    Text2->setText(inputs.pid);
    Text3->setText(inputs.count);
    // A value that is no number or out of range leaves the control as it was created.
    if (inputs.checkState)
        Check1->setCheckState(checkStateOf(*inputs.checkState));
    if (inputs.sortIndex)
        Combo2->setCurrentIndex(*inputs.sortIndex);

    Combo1->clear();
    Combo1->addItems(zairumoban(m_setup.templateRoots));
    Combo1->setCurrentIndex(-1);

    WebBrowser1->setSilent(true);
    WebBrowser1->setHelpPlaces(helpPlaces(where));

    m_setup.helpBaseUrl = settingsstore::readHelpBaseUrl(m_setup.settingsPath, schemes::defaultHelpBaseUrl());
    m_setup.hosts = settingsstore::readHosts(m_setup.settingsPath);
    const settingsstore::SourceSettings sources = settingsstore::readSourceSettings(m_setup.settingsPath);
    m_setup.source = sources.source;
    m_setup.openPlatform = sources.openPlatform;
}

void Form1::useDemoService(const QString &hostAndPort)
{
    m_demoHost = hostAndPort;
    applyDemoService();
}

void Form1::applyDemoService()
{
    if (m_demoHost.isEmpty())
        return;
    m_setup.hosts = {m_demoHost, m_demoHost, m_demoHost};
    m_setup.openPlatform.gateway = u"http://"_qs + m_demoHost + u"/router/rest"_qs;
}

void Form1::Form_Unload()
{
    // Said once: the typed inputs would otherwise be gone at the next start without a word.
    if (!settingsstore::writeInputs(m_setup.settingsPath,
                                    {Text1->text(), Text2->text(), Text3->text(),
                                     checkValue(Check1->checkState()), Combo2->currentIndex()}))
        showMessage(settingsNotSaved + QDir::toNativeSeparators(m_setup.settingsPath));
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    Form_Unload();
    // A run that is waiting for the network never continues: its waits return, the run sees
    // it was cancelled and writes nothing further.
    m_closing = true;
    if (m_activeRun)
        m_activeRun->cancel();
    event->accept();
    if (m_quitOnClose)
        QCoreApplication::exit(0);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize) {
        Form_Resize();
    } else if (event->type() == QEvent::FocusOut && (watched == Text2 || watched == Text3)) {
        // Only a move to another control counts, not a switch to another window or a menu.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            reason != Qt::MenuBarFocusReason) {
            // Checked once the focus has settled, so a message box does not open in the middle
            // of the focus change.
            QMetaObject::invokeMethod(this,
                                      watched == Text2 ? &Form1::Text2_LostFocus : &Form1::Text3_LostFocus,
                                      Qt::QueuedConnection);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::Form_Resize()
{
    const int dpiX = logicalDpiX();
    const int dpiY = logicalDpiY();
    const QSize client = m_client->size();
    // The strips are docked: as wide as the client area, at its top and bottom edges.
    Picture1->setGeometry(0, 0, client.width(), twipsY(topStripHeight));
    Picture2->setGeometry(0, client.height() - twipsY(bottomStripHeight), client.width(),
                          twipsY(bottomStripHeight));

    const layout::Size current{layout::pixelsToTwips(WebBrowser1->width(), dpiX),
                               layout::pixelsToTwips(WebBrowser1->height(), dpiY)};
    const layout::Size clientTwips{layout::pixelsToTwips(client.width(), dpiX),
                                   layout::pixelsToTwips(client.height(), dpiY)};
    const layout::Size pane = layout::paneSizeFor(clientTwips, topStripHeight, bottomStripHeight, current);
    WebBrowser1->resize(twipsX(pane.width), twipsY(pane.height));
}

void Form1::Text2_LostFocus()
{
    const QString pid = Text2->text();
    if (pid.isEmpty())
        return;
    // The open platform needs the full PID with its 推广位; the test tool its eight digits.
    if (const QString refusal = pidRefusal(m_setup, pid); !refusal.isEmpty())
        showMessage(refusal, u"淘宝客PID错误"_qs);
}

void Form1::Text3_LostFocus()
{
    if (textops::numericValue(Text3->text()) <= inputrules::minItemCount - 1) {
        showMessage(inputrules::countTooSmall.toString());
        Text3->setText(QString::number(inputrules::minItemCount));
    }
    if (textops::numericValue(Text3->text()) > inputrules::maxItemCount) {
        showMessage(inputrules::countTooLarge.toString());
        Text3->setText(QString::number(inputrules::maxItemCount));
    }
}

void Form1::Combo1_Click()
{
    navigate(previewAddress(m_setup.templateRoots, Combo1->currentText()));
}

void Form1::Timer1_Timer()
{
    showLoadingPage(m_setup.helpBaseUrl);
    Timer1->stop();
}

void Form1::showHelpPage(const QString &pageName)
{
    showLoadingPage(m_setup.helpBaseUrl + pageName);
}

void Form1::showLoadingPage(const QString &address)
{
    const QString page = redirectPage(address);
    emit navigated(page);
    WebBrowser1->Navigate(page, BrowserPane::loadingPageTag.toString());
}

void Form1::editServiceSettings()
{
    settingsstore::ServiceSettings current;
    current.sources = {m_setup.source, m_setup.openPlatform};
    current.hosts = m_setup.hosts;
    if (!m_demoHost.isEmpty()) {
        // The demo's addresses belong to this session; the file's own are what is edited.
        current.hosts = settingsstore::readHosts(m_setup.settingsPath);
        current.sources.openPlatform.gateway =
            settingsstore::readSourceSettings(m_setup.settingsPath).openPlatform.gateway;
    }
    current.helpBaseUrl = m_setup.helpBaseUrl;
    current.checkState = checkValue(Check1->checkState());
    ServiceSettingsDialog dialog(current, Text2->text(), m_setup.now, this);
    emit serviceSettingsOpened(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;

    const settingsstore::ServiceSettings chosen = dialog.settings();
    m_setup.source = chosen.sources.source;
    m_setup.openPlatform = chosen.sources.openPlatform;
    m_setup.hosts = chosen.hosts;
    if (!chosen.helpBaseUrl.isEmpty())
        m_setup.helpBaseUrl =
            chosen.helpBaseUrl.endsWith(u'/') ? chosen.helpBaseUrl : chosen.helpBaseUrl + u'/';
    applyDemoService();
    Check1->setCheckState(checkStateOf(chosen.checkState));
    bool inFile = false;
    if (!settingsstore::writeServiceSettings(m_setup.settingsPath, chosen, &inFile)) {
        showMessage(u"设置未能保存到设置.ini（文件不可写），本次运行仍按新设置工作。"_qs);
    } else if (inFile && !m_secretInFileSaid) {
        m_secretInFileSaid = true;
        showMessage(secretInFile);
    }
}

void Form1::shengcheng_Click()
{
    // The command is disabled during a run, so there is never more than one. The run works on
    // the set-up as it is now: the service settings may be changed while it waits.
    net::Cancellation cancel;
    m_activeRun = &cancel;
    const AppSetup setup = m_setup;
    ::shengcheng_Click(*this, setup, cancel);
    m_activeRun = nullptr;
}

void Form1::openBatchDialog()
{
    if (!m_batchDialog) {
        m_batchDialog = new BatchDialog(m_setup, *this, this);
        connect(m_batchDialog, &BatchDialog::siteWritten, this,
                [this](const QString &index) { navigate(index); });
    }
    m_batchDialog->show();
    m_batchDialog->raise();
    m_batchDialog->activateWindow();
}

void Form1::showResult(const QString &page, const std::shared_ptr<const RunState> &run)
{
    forgetUnreachableRuns();
    const QString tag = u"run"_qs + QString::number(++m_runsShown);
    m_runs.insert(tag, run);
    m_latestRun = run;
    emit navigated(page);
    WebBrowser1->Navigate(page, tag);
}

void Form1::WebBrowser1_BeforeNavigate2(const QString &address, bool *cancel)
{
    // Only a link of a success page, exactly as the page names it, acts; it acts on the run that
    // showed that page, even one reached again with Back.
    const QString tag = BrowserPane::statusTagOf(address);
    const QUrl url(address);
    const QString link = url.fileName();
    if (!resultLinks.contains(link) || url != schemes::statusPageBaseUrl().resolved(QUrl(tag + u'/' + link)))
        return;
    forgetUnreachableRuns();
    const std::shared_ptr<const RunState> run = m_runs.value(tag);
    if (!run)
        return;
    *cancel = true;
    // Run once the pane has finished refusing this navigation: the engine must not be re-entered
    // from inside its own callback.
    QMetaObject::invokeMethod(
        this, [this, link, run] { runResultLink(link, run); }, Qt::QueuedConnection);
}

void Form1::forgetUnreachableRuns()
{
    // A success page the pane can no longer show has no links anyone can use.
    const QSet<QString> reachable = WebBrowser1->reachableTags();
    m_runs.removeIf([&reachable](const auto &entry) { return !reachable.contains(entry.key()); });
}

void Form1::runResultLink(const QString &link, const std::shared_ptr<const RunState> &run)
{
    if (link == resultLinks[0]) {
        navigate(run->outputFolder + u'/');
    } else if (link == resultLinks[1]) {
        navigate(joinPath(run->outputFolder, filenames::pageFile.toString()));
    } else {
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(run->pageSource());
        showMessage(u"单页源码已经复制到剪切板."_qs);
    }
}

QString Form1::keywordText() const
{
    return Text1->text();
}

QString Form1::pidText() const
{
    return Text2->text();
}

QString Form1::countText() const
{
    return Text3->text();
}

QString Form1::templateName() const
{
    return Combo1->currentText();
}

QString Form1::sortText() const
{
    return Combo2->currentText();
}

int Form1::shortLinkState() const
{
    return checkValue(Check1->checkState());
}

void Form1::navigate(const QString &address)
{
    emit navigated(address);
    WebBrowser1->Navigate(address);
}

void Form1::showMessage(const QString &text, const QString &title)
{
    emit messageShown(text, title);
    QMessageBox box(QMessageBox::NoIcon, title.isEmpty() ? applicationTitle : title, text, QMessageBox::Ok,
                    this);
    box.exec();
}

void Form1::setGenerateCommand(bool enabled, const QString &caption)
{
    shengcheng->setEnabled(enabled);
    shengcheng->setText(caption);
}
