#include "browserpane.h"

#include <QAuthenticator>
#include <QDir>
#include <QFileInfo>
#include <QAction>
#include <QWebEngineCertificateError>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include "helpscheme.h"

namespace {

// The history knows a status page only by its content, as a data: address: a tagged page starts
// with its tag, where nothing shown on the page can stand before it.
const QString tagMarkStart = u"<!--tag:"_qs;
const QString tagMarkEnd = u"-->"_qs;

QString tagMark(const QString &tag)
{
    return tagMarkStart + tag + tagMarkEnd;
}

QString tagInContent(const QUrl &address)
{
    if (address.scheme() != u"data"_qs)
        return {};
    const QString content = address.path(QUrl::FullyDecoded);
    const qsizetype start = content.indexOf(u',') + 1;
    if (start == 0 || !QStringView(content).sliced(start).startsWith(tagMarkStart))
        return {};
    const qsizetype end = content.indexOf(tagMarkEnd, start + tagMarkStart.size());
    return end < 0 ? QString()
                   : content.sliced(start + tagMarkStart.size(), end - start - tagMarkStart.size());
}

} // namespace

BrowserPage::BrowserPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
    // Silent mode: certificate and authentication prompts are answered with "no".
    connect(this, &QWebEnginePage::certificateError, this, [](const QWebEngineCertificateError &error) {
        QWebEngineCertificateError(error).rejectCertificate();
    });
    connect(this, &QWebEnginePage::authenticationRequired, this,
            [this](const QUrl &, QAuthenticator *authenticator) {
                if (m_silent)
                    *authenticator = QAuthenticator();
            });
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            [this](const QUrl &, QAuthenticator *authenticator, const QString &) {
                if (m_silent)
                    *authenticator = QAuthenticator();
            });
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, Feature feature) {
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
}

bool BrowserPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    // Status pages show text from outside the program (titles, folder names). A refresh or a form
    // in such text must not take the pane anywhere; only the program's own loading page
    // redirects. Shown pages, links the user clicks and history stay as they are.
    const bool byThePage =
        type == NavigationTypeRedirect || type == NavigationTypeFormSubmitted || type == NavigationTypeOther;
    if (isMainFrame && byThePage && this->url().scheme() == QLatin1StringView(schemes::statusScheme) &&
        BrowserPane::statusTagOf(this->url().toString()) != BrowserPane::loadingPageTag)
        return false;
    return !m_handler || m_handler(url);
}

QWebEnginePage *BrowserPage::createWindow(WebWindowType)
{
    // There is one pane: links meant for a new window open in it.
    return this;
}

void BrowserPage::javaScriptAlert(const QUrl &securityOrigin, const QString &msg)
{
    if (!m_silent)
        QWebEnginePage::javaScriptAlert(securityOrigin, msg);
}

bool BrowserPage::javaScriptConfirm(const QUrl &securityOrigin, const QString &msg)
{
    return m_silent ? false : QWebEnginePage::javaScriptConfirm(securityOrigin, msg);
}

bool BrowserPage::javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
                                   const QString &defaultValue, QString *result)
{
    return m_silent ? false : QWebEnginePage::javaScriptPrompt(securityOrigin, msg, defaultValue, result);
}

void BrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                           int lineNumber, const QString &sourceID)
{
    // Script errors of the pages shown are no concern of the user's.
    if (!m_silent)
        QWebEnginePage::javaScriptConsoleMessage(level, message, lineNumber, sourceID);
}

QStringList BrowserPage::chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                                     const QStringList &acceptedMimeTypes)
{
    return m_silent ? QStringList() : QWebEnginePage::chooseFiles(mode, oldFiles, acceptedMimeTypes);
}

BrowserPane::BrowserPane(const QString &helpRoot, QWidget *parent)
    : QWebEngineView(parent)
    , m_profile(new QWebEngineProfile(this)) // off the record: nothing of the pages is kept on disk
{
    m_help = new HelpSchemeHandler(helpRoot, m_profile);
    m_profile->installUrlSchemeHandler(schemes::helpScheme, m_help);
    m_profile->installUrlSchemeHandler(schemes::statusScheme, new StatusSchemeHandler(m_profile));
    m_profile->setUrlRequestInterceptor(new StatusPageGuard(m_profile));
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest *download) {
                if (m_page->isSilent())
                    download->cancel();
            });

    m_page = new BrowserPage(m_profile, this);
    m_page->setNavigationHandler([this](const QUrl &url) {
        bool cancel = false;
        emit BeforeNavigate2(url.toString(), &cancel);
        return !cancel;
    });
    setPage(m_page);
    connect(m_page, &QWebEnginePage::urlChanged, this, &BrowserPane::offerHistoryActions);
}

BrowserPane::~BrowserPane()
{
    // The page must go before the profile it was made with.
    setPage(nullptr);
    delete m_page;
}

void BrowserPane::Navigate(const QString &address)
{
    Navigate(address, QString());
}

void BrowserPane::Navigate(const QString &address, const QString &tag)
{
    QWebEngineSettings *settings = m_page->settings();
    if (address.startsWith(u"about:"_qs)) {
        // Status pages may show text from outside the program; they never run script.
        settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        QUrl base = schemes::statusPageBaseUrl();
        if (!tag.isEmpty())
            base = base.resolved(QUrl(tag + u'/'));
        m_page->setHtml(tag.isEmpty() ? address.sliced(6) : tagMark(tag) + address.sliced(6), base);
        return;
    }
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    const QUrl url(address);
    const bool webAddress = url.isValid() && url.scheme().size() > 1 && !QFileInfo(address).isAbsolute();
    if (webAddress) {
        m_page->load(url);
        return;
    }
    // A local path; a folder is shown as a listing of its files.
    QString path = QDir::fromNativeSeparators(address);
    const bool folder = path.endsWith(u'/');
    QUrl fileUrl = QUrl::fromLocalFile(path);
    if (folder && !fileUrl.path().endsWith(u'/'))
        fileUrl.setPath(fileUrl.path() + u'/');
    m_page->load(fileUrl);
}

void BrowserPane::setSilent(bool silent)
{
    m_page->setSilent(silent);
}

bool BrowserPane::silent() const
{
    return m_page->isSilent();
}

QString BrowserPane::statusTagOf(const QString &address)
{
    const QUrl url(address);
    if (url.scheme() != QLatin1StringView(schemes::statusScheme))
        return {};
    const QString base = schemes::statusPageBaseUrl().path();
    const QString path = url.path();
    if (!path.startsWith(base))
        return {};
    const qsizetype slash = path.indexOf(u'/', base.size());
    return slash < 0 ? QString() : path.sliced(base.size(), slash - base.size());
}

bool BrowserPane::showingStatusPage() const
{
    return m_page->url().scheme() == QLatin1StringView(schemes::statusScheme) ||
           m_page->url().scheme() == u"data"_qs;
}

QSet<QString> BrowserPane::reachableTags() const
{
    QSet<QString> tags{statusTagOf(m_page->url().toString())};
    for (const QWebEngineHistoryItem &item : m_page->history()->items())
        tags.insert(tagInContent(item.url()));
    tags.remove(QString());
    return tags;
}

void BrowserPane::offerHistoryActions()
{
    // The program's own pages are shown one after another as a run goes on; going back to one,
    // reloading it or reading its source means nothing to the user. Hidden actions stay out of
    // the context menu.
    const bool offer = !showingStatusPage();
    for (const QWebEnginePage::WebAction action :
         {QWebEnginePage::Back, QWebEnginePage::Forward, QWebEnginePage::Reload, QWebEnginePage::ViewSource})
        m_page->action(action)->setVisible(offer);
}

void BrowserPane::setHelpPlaces(const QHash<QString, QString> &places)
{
    m_help->setPlaces(places);
}
