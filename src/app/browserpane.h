#pragma once

#include <functional>

#include <QHash>
#include <QSet>
#include <QWebEnginePage>
#include <QWebEngineView>

class HelpSchemeHandler;
class QWebEngineProfile;

// The page inside the pane: reports every navigation before it happens and, in silent mode,
// opens no dialog of any kind.
class BrowserPage final : public QWebEnginePage
{
    Q_OBJECT

public:
    using NavigationHandler = std::function<bool(const QUrl &)>; // false cancels
    BrowserPage(QWebEngineProfile *profile, QObject *parent);

    void setNavigationHandler(NavigationHandler handler) { m_handler = std::move(handler); }
    void setSilent(bool silent) { m_silent = silent; }
    bool isSilent() const { return m_silent; }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                            const QStringList &acceptedMimeTypes) override;

private:
    NavigationHandler m_handler;
    bool m_silent = false;
};

// The browser pane `WebBrowser1`. Navigate takes the four kinds of address the program uses:
// "about:" followed by HTML (a status page), a web address, the path of a local file, and the
// path of a local folder ending with a separator (a listing of its files).
class BrowserPane final : public QWebEngineView
{
    Q_OBJECT

public:
    BrowserPane(const QString &helpRoot, QWidget *parent);
    ~BrowserPane() override;

    // Returns at once; of several calls in a row the last one's page is what stays (a later call
    // interrupts a load still under way).
    void Navigate(const QString &address);
    // A status page whose links can be told apart from those of every other status page: they
    // resolve below a base address of their own, named by `tag`.
    void Navigate(const QString &address, const QString &tag);
    void setSilent(bool silent);
    bool silent() const;
    // What the help pages' marked phrases show (see helpplaces.h).
    void setHelpPlaces(const QHash<QString, QString> &places);

    // The tag of the program's loading page, the one status page that may redirect.
    static constexpr QStringView loadingPageTag = u"loading";

    // The tag of the status page that an address of one of its links resolves to; empty for any
    // other address.
    static QString statusTagOf(const QString &address);
    // True while the pane shows one of the program's status pages.
    bool showingStatusPage() const;
    // The tags of the status pages the pane can still show: the one shown and those its history
    // holds.
    QSet<QString> reachableTags() const;

signals:
    // Raised before the pane opens any address: links, redirects and Navigate alike. Setting
    // *cancel to true stops that navigation.
    void BeforeNavigate2(const QString &address, bool *cancel);

private:
    void offerHistoryActions();

    QWebEngineProfile *m_profile;
    HelpSchemeHandler *m_help;
    BrowserPage *m_page;
};
