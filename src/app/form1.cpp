#include "form1.h"

#include <cmath>
#include <optional>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QLoggingCategory>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include "browserpane.h"
#include "generationrun.h"
#include "generationtexts.h"
#include "helpscheme.h"
#include "inifile.h"
#include "layout.h"
#include "runprocess.h"
#include "templatelibrary.h"
#include "textops.h"

Q_LOGGING_CATEGORY(lcStartup, "taoyefang.startup", QtWarningMsg)

namespace {

const QString applicationTitle = u"淘页坊"_qs;
const QString makerCredit = u" [Norvane https://www.norvane.com 出品]"_qs;

const QString basicSection = u"基本设置"_qs;
const QString settingsNotSaved = u"设置未能保存(文件只读、不可写或格式无法识别):\n"_qs;
const QString serviceSection = u"服务设置"_qs;

// The demo service stands in for the outside services until the file names real hosts.
const QString defaultApiHost = u"127.0.0.1:17580"_qs;
const QString defaultShortHost = u"127.0.0.1:17580"_qs;
// Badge addresses go into pages that are published on the internet.
const QString defaultImageHost = u"img.taobaocdn.com"_qs;

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

// A settings value as an integer: a decimal number with blanks around it, rounded half to even.
std::optional<int> integerValue(const QString &text, int min, int max)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < min || rounded > max)
        return std::nullopt;
    return static_cast<int>(rounded);
}

QString redirectPage(const QString &address)
{
    return u"about:<center>页面载入中...<meta http-equiv=\"refresh\" content=\"0;url="_qs + address +
           u"\">"_qs;
}

} // namespace

void Form1::prepareApplication()
{
    schemes::registerSchemes();
    QCoreApplication::setApplicationName(u"taoyefang"_qs);
    QCoreApplication::setApplicationVersion(QStringLiteral(TAOYEFANG_VERSION));
}

Form1::Form1(const QString &programFolder, QWidget *parent)
    : QMainWindow(parent)
{
    m_state.programFolder = QDir::fromNativeSeparators(
        programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder);
    setWindowTitle(applicationTitle);
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
    Combo2->addItems(
        {u"30天支出佣金从高到低"_qs, u"30天推广量从高到低"_qs, u"佣金比率从高到低"_qs, u"价格从高到低"_qs});
    Combo2->setCurrentIndex(-1);
    Label5 = label(u"Label5"_qs, u"数量:"_qs, 10560, 615);
    Text3 = lineEdit(u"Text3"_qs, u"10"_qs, 11115, 495);
    // Labels sit behind the boxes they caption, as the boxes overlap their right ends.
    for (QLabel *l : {Label1, Label2, Label3, Label4, Label5})
        l->lower();

    WebBrowser1 = new BrowserPane(m_state.programFolder + u"/帮助"_qs, m_client);
    WebBrowser1->setObjectName(u"WebBrowser1"_qs);
    place(WebBrowser1, 0, 525, 7695, 5895);
    connect(WebBrowser1, &BrowserPane::BeforeNavigate2, this, &Form1::WebBrowser1_BeforeNavigate2);
    // For the start-up benchmark: says when the start page has first been shown.
    connect(WebBrowser1, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (ok && !m_startPageShown && WebBrowser1->url().toString() == m_state.helpBaseUrl) {
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

    connect(shengcheng, &QAction::triggered, this, &Form1::shengcheng_Click);
    connect(shiyongshuoming, &QAction::triggered, this, [this] { showHelpPage(u"bangzhu.php"_qs); });
    connect(mobanzhizuo, &QAction::triggered, this, [this] { showHelpPage(u"moban.php"_qs); });
    connect(guanwang, &QAction::triggered, this, [this] { showHelpPage(u"guanwang.php"_qs); });
    connect(zuozhe, &QAction::triggered, this, [this] { showHelpPage(u"zuozhe.php"_qs); });
    connect(chengxushouye, &QAction::triggered, this, [this] { showHelpPage(QString()); });
    connect(yijianjianyi, &QAction::triggered, this, [this] { showHelpPage(u"jianyi.php"_qs); });
}

void Form1::Form_Load()
{
    setWindowTitle(windowTitle() + QCoreApplication::applicationVersion() + makerCredit);
    m_state.settingsPath = m_state.programFolder + u"/设置.ini"_qs;
    const auto read = [this](const QString &key, const QString &defaultValue) {
        return ReadIni(basicSection, key, defaultValue, m_state.settingsPath);
    };
    Text1->setText(read(u"Text1"_qs, QString()));
    Text2->setText(read(u"Text2"_qs, QString()));
    Text3->setText(read(u"Text3"_qs, u"10"_qs));
    // A value that is no number or out of range leaves the control as it was created.
    if (const auto state =
            integerValue(read(u"Check1"_qs, QString::number(checkValue(Check1->checkState()))), 0, 2))
        Check1->setCheckState(checkStateOf(*state));
    if (const auto index = integerValue(read(u"Combo2"_qs, u"0"_qs), -1, 3))
        Combo2->setCurrentIndex(*index);

    m_state.templateRoot = m_state.programFolder + u"/模板/"_qs;
    Combo1->clear();
    Combo1->addItems(zairumoban(m_state.templateRoot));
    Combo1->setCurrentIndex(-1);

    WebBrowser1->setSilent(true);

    const auto service = [this](const QString &key, const QString &defaultValue) {
        return textops::trimSpaces(ReadIni(serviceSection, key, defaultValue, m_state.settingsPath));
    };
    m_state.helpBaseUrl = service(u"帮助网址"_qs, schemes::defaultHelpBaseUrl());
    if (!m_state.helpBaseUrl.endsWith(u'/'))
        m_state.helpBaseUrl += u'/';
    m_state.hosts.apiHost = service(u"接口主机"_qs, defaultApiHost);
    m_state.hosts.shortHost = service(u"短网址主机"_qs, defaultShortHost);
    m_state.hosts.imageHost = service(u"图片主机"_qs, defaultImageHost);
}

void Form1::Form_Unload()
{
    bool saved = true;
    const auto write = [this, &saved](const QString &key, const QString &value) {
        saved = WriteIni(basicSection, key, value, m_state.settingsPath) && saved;
    };
    write(u"text1"_qs, Text1->text());
    write(u"text2"_qs, Text2->text());
    write(u"text3"_qs, Text3->text());
    write(u"Check1"_qs, QString::number(checkValue(Check1->checkState())));
    write(u"Combo2"_qs, QString::number(Combo2->currentIndex()));
    // Said once: the typed inputs would otherwise be gone at the next start without a word.
    if (!saved)
        showMessage(settingsNotSaved + QDir::toNativeSeparators(m_state.settingsPath));
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    Form_Unload();
    // A run that is waiting for the network never continues: the waits return, the run sees
    // the window closing and writes nothing further.
    m_closing = true;
    net::abortWaits();
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
    if (pid.isEmpty() || pid.size() == 8)
        return;
    showMessage(generationtexts::badPid.toString(), u"淘宝客PID错误"_qs);
}

void Form1::Text3_LostFocus()
{
    if (textops::numericValue(Text3->text()) <= 1) {
        showMessage(u"数量不能小于2"_qs);
        Text3->setText(u"2"_qs);
    }
    if (textops::numericValue(Text3->text()) > 40) {
        showMessage(u"数量不能大于40"_qs);
        Text3->setText(u"40"_qs);
    }
}

void Form1::Combo1_Click()
{
    navigate(previewAddress(m_state.templateRoot, Combo1->currentText()));
}

void Form1::Timer1_Timer()
{
    navigate(redirectPage(m_state.helpBaseUrl));
    Timer1->stop();
}

void Form1::showHelpPage(const QString &pageName)
{
    navigate(redirectPage(m_state.helpBaseUrl + pageName));
}

void Form1::shengcheng_Click()
{
    ::shengcheng_Click(*this, m_state);
}

void Form1::WebBrowser1_BeforeNavigate2(const QString &address, bool *cancel)
{
    const QString ending = address.right(12);
    const bool folder = ending == u"minglin1.htm"_qs;
    const bool page = ending == u"minglin2.htm"_qs;
    const bool source = ending == u"minglin3.htm"_qs;
    if (!folder && !page && !source)
        return;
    *cancel = true;
    // The commands act on the latest run as it stands now. They run once the pane has finished
    // refusing this navigation: the engine must not be re-entered from inside its own callback.
    const QString outputFolder = m_state.outputFolder;
    const QString pageSource = m_state.headerPart + m_state.itemsHtml + m_state.footerPart;
    QMetaObject::invokeMethod(
        this,
        [this, folder, page, outputFolder, pageSource] {
            if (folder) {
                navigate(outputFolder + u'/');
            } else if (page) {
                navigate(outputFolder + u"/index.htm"_qs);
            } else {
                QClipboard *clipboard = QGuiApplication::clipboard();
                clipboard->clear();
                clipboard->setText(pageSource);
                showMessage(u"单页源码已经复制到剪切板."_qs);
            }
        },
        Qt::QueuedConnection);
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
